// A high-resolution timer: ticks come from the multimedia timer, or from a thread of
// its own (UseThread), and are handed to the GUI thread as WM_TIMER of its utility
// window, where OnTimer runs.
#pragma once

#include "runtime/AliveToken.h"
#include "runtime/Component.h"
#include "runtime/Events.h"
#include "runtime/Messages.h"

#include <atomic>
#include <cstdint>
#include <memory>

#include <windows.h>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TKitHiTimer : public TComponent {
public:
    SV_CLASS_NAME(TKitHiTimer)
    explicit TKitHiTimer(TComponent* owner);
    ~TKitHiTimer() override;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    std::uint32_t Interval() const { return m_interval; }
    void SetInterval(std::uint32_t value);
    bool UseThread() const { return m_useThread; }
    void SetUseThread(bool value);
    TThreadPriority ThreadPriority() const { return m_priority; }
    void SetThreadPriority(TThreadPriority value);

    HWND WindowHandle() const { return m_window; }

    TNotifyEvent OnTimer;

private:
    void Start();
    void Stop();
    void WndProc(TMessage& message);
    static DWORD WINAPI ThreadTicks(void* self);
    static void CALLBACK MultimediaTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    bool m_enabled = false;
    std::uint32_t m_interval = 1000;
    bool m_useThread = false;
    TThreadPriority m_priority = tpNormal;
    HWND m_window = nullptr;
    UINT m_multimediaTimer = 0;
    HANDLE m_thread = nullptr;
    DWORD m_threadInterval = 0;
    HANDLE m_stopEvent = nullptr;
    std::atomic<bool> m_tickPending { false };
    // Set to false by the destructor; a running tick keeps a copy, since its handler
    // may destroy the timer.
    TAliveToken m_alive;
};
