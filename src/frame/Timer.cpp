#include "frame/Timer.h"

#include "runtime/ClassInfo.h"

#include "frame/Application.h"
#include "runtime/UtilityWindow.h"
#include "runtime/LoopException.h"
#include "runtime/Exceptions.h"

#include <utility>

namespace {

// The platform timer of a TTimer is always timer 1 of its own window.
constexpr UINT_PTR TimerId = 1;

}

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    m_window = AllocateUtilityWindow([this](TMessage& message) { WndProc(message); }, this);
}

TTimer::~TTimer()
{
    m_alive.Expire();
    m_enabled = false;
    KillTimer(m_window, TimerId);
    ReleaseUtilityWindow(m_window);
    m_window = nullptr;
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    RearmTimer();
}

void TTimer::SetInterval(std::uint32_t interval)
{
    if (interval == m_interval)
        return;
    m_interval = interval;
    RearmTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    RearmTimer();
}

void TTimer::RearmTimer()
{
    KillTimer(m_window, TimerId);
    if (m_interval != 0 && m_enabled && m_onTimer) {
        if (!SetTimer(m_window, TimerId, m_interval, nullptr))
            throw EOutOfResources(LoadResString(TextId::NoTimers));
    }
}

void TTimer::FireTick()
{
    // A copy runs: the handler may destroy the timer, and with it the stored one.
    if (TNotifyEvent handler = m_onTimer)
        handler(this);
}

void TTimer::WndProc(TMessage& message)
{
    if (message.Msg == WM_TIMER) {
        TAliveToken::Watcher alive = m_alive.Watch();
        // A timer destroyed by its own handler is not named as the sender.
        CallCatching([this] { FireTick(); }, [&] { HandleLoopException(alive ? this : nullptr); });
        return;
    }
    message.Result = DefWindowProcA(m_window, message.Msg, message.WParam, message.LParam);
}

// The timer as form streams set it.
static const TClassRegistration<TTimer> timerInfo("TTimer", [](TClassBuilder<TTimer>& c) {
    c.Parent<TComponent>();
    c.Constructor();
    c.Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled);
    c.Integer("Interval", &TTimer::Interval, &TTimer::SetInterval);
    c.Event<TNotifyEvent>("OnTimer", &TTimer::SetOnTimer);
});
