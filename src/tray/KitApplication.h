// The component library's process-wide application object: a named mutex telling
// whether another copy of the program runs, and the global timer pool through which
// the library's components run periodic work.
#pragma once

#include "tray/KitTimerPool.h"
#include "runtime/Component.h"

#include <array>
#include <cstdint>

#include <windows.h>

enum class TKitPathPrefix { ppProgram, ppWindows, ppSystem, ppTemp };

class TKitApplication : public TComponent {
public:
    SV_CLASS_NAME(TKitApplication)
    explicit TKitApplication(TComponent* owner);
    ~TKitApplication() override;

    // Global timer identifiers are 0xFD00 + a slot from 1 to 250.
    static constexpr std::uint16_t TimerIdBase = 0xFD00;
    static constexpr int TimerSlots = 250;

    // Adds a pool item; returns its identifier, or 0 when every slot is taken or the
    // pool gives no index. A refused interval raises.
    std::uint16_t AddTimer(std::uint16_t interval, TNotifyEvent handler);
    void RemoveTimer(std::uint16_t identifier);
    TKitTimerItem* GetTimer(std::uint16_t identifier) const;

    TKitTimerPool* TimerPool() const { return m_timerPool; }
    // True when another process held the mutex when this one started.
    bool PreviousInstance() const { return m_previousInstance; }
    HANDLE MutexHandle() const { return m_mutex; }
    const AnsiString& MutexName() const { return m_mutexName; }
    std::uint32_t Options() const { return m_options; }
    TKitPathPrefix LogPrefix() const { return m_logPrefix; }
    const AnsiString& LogName() const { return m_logName; }
    long long TimerFrequency() const { return m_timerFrequency; }
    // The library's cursor (resource 16548), none when the program has none.
    HCURSOR LibraryCursor() const { return m_cursor; }

private:
    std::uint32_t m_lastColor = 0x1FFFFFFF;
    std::uint32_t m_options = 0x36;
    bool m_previousInstance = false;
    HANDLE m_mutex = nullptr;
    AnsiString m_mutexName;
    TKitTimerPool* m_timerPool = nullptr; // owned (a component of this object)
    TKitPathPrefix m_logPrefix = TKitPathPrefix::ppProgram;
    AnsiString m_logName;
    long long m_timerFrequency = 0;
    std::array<bool, TimerSlots> m_slotUsed {};
    HCURSOR m_cursor = nullptr;
};

// The process-wide object: made before the program's entry, freed at exit.
TKitApplication* KitApplication();
