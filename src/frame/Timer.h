// The timer component: calls OnTimer at a fixed interval, on the GUI thread, from the
// message loop. Its ticks arrive on a utility window of its own.
#pragma once

#include "runtime/AliveToken.h"
#include "runtime/Component.h"
#include "runtime/Messages.h"
#include "runtime/Events.h"

#include <cstdint>

class TTimer : public TComponent {
public:
    SV_CLASS_NAME(TTimer)
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return m_enabled; }
    // A new value restarts the period; the same value does nothing.
    void SetEnabled(bool enabled);
    std::uint32_t Interval() const { return m_interval; }
    // A new value restarts the period (0 stops the timer); the same value does nothing.
    void SetInterval(std::uint32_t interval);
    const TNotifyEvent& OnTimer() const { return m_onTimer; }
    // Always restarts the period, also for the same handler.
    void SetOnTimer(TNotifyEvent handler);

    HWND WindowHandle() const { return m_window; }

protected:
    // One tick: calls OnTimer with the timer as sender.
    virtual void FireTick();

private:
    // Stops the platform timer and starts it again with a fresh period when the
    // timer is enabled, has an interval and a handler.
    void RearmTimer();
    void WndProc(TMessage& message);

    bool m_enabled = true;
    std::uint32_t m_interval = 1000;
    TNotifyEvent m_onTimer;
    HWND m_window = nullptr;
    // A tick's handler may destroy its timer.
    TAliveToken m_alive;
};
