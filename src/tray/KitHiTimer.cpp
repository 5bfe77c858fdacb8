#include "tray/KitHiTimer.h"

#include "runtime/Exceptions.h"
#include "runtime/LoopException.h"
#include "runtime/UtilityWindow.h"

#include <mmsystem.h>

namespace {

int PlatformPriority(TThreadPriority priority)
{
    static const int values[] = { THREAD_PRIORITY_IDLE, THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL,
        THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL };
    return values[priority];
}

}

TKitHiTimer::TKitHiTimer(TComponent* owner) : TComponent(owner)
{
    m_window = AllocateUtilityWindow([this](TMessage& message) { WndProc(message); }, this);
}

TKitHiTimer::~TKitHiTimer()
{
    m_alive.Expire();
    Stop();
    ReleaseUtilityWindow(m_window);
    m_window = nullptr;
}

void TKitHiTimer::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    Stop();
    if (value)
        Start();
}

void TKitHiTimer::SetInterval(std::uint32_t value)
{
    if (value == m_interval)
        return;
    m_interval = value;
    if (m_enabled) {
        Stop();
        Start();
    }
}

void TKitHiTimer::SetUseThread(bool value)
{
    if (value == m_useThread)
        return;
    m_useThread = value;
    if (m_enabled) {
        Stop();
        Start();
    }
}

void TKitHiTimer::SetThreadPriority(TThreadPriority value)
{
    m_priority = value;
    if (m_thread)
        ::SetThreadPriority(m_thread, PlatformPriority(value));
}

void CALLBACK TKitHiTimer::MultimediaTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    auto* timer = reinterpret_cast<TKitHiTimer*>(user);
    // One tick waits at a time: a slow handler is not flooded.
    if (!timer->m_tickPending.exchange(true))
        PostMessageA(timer->m_window, WM_TIMER, 0, 0);
}

// The tick thread: a tick every interval until the stop event is set.
DWORD WINAPI TKitHiTimer::ThreadTicks(void* self)
{
    auto* timer = static_cast<TKitHiTimer*>(self);
    while (WaitForSingleObject(timer->m_stopEvent, timer->m_threadInterval) == WAIT_TIMEOUT)
        MultimediaTick(0, 0, reinterpret_cast<DWORD_PTR>(timer), 0, 0);
    return 0;
}

void TKitHiTimer::Start()
{
    if (m_interval == 0)
        return;
    if (m_useThread) {
        m_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!m_stopEvent)
            throw EOutOfResources(LoadResString(TextId::NoTimers));
        m_threadInterval = m_interval;
        m_thread = CreateThread(nullptr, 0, &ThreadTicks, this, 0, nullptr);
        if (!m_thread) {
            CloseHandle(m_stopEvent);
            m_stopEvent = nullptr;
            throw EOutOfResources(LoadResString(TextId::NoTimers));
        }
        ::SetThreadPriority(m_thread, PlatformPriority(m_priority));
    } else {
        m_multimediaTimer = timeSetEvent(
            m_interval, 1, &MultimediaTick, reinterpret_cast<DWORD_PTR>(this), TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
        if (!m_multimediaTimer)
            throw EOutOfResources(LoadResString(TextId::NoTimers));
    }
}

void TKitHiTimer::Stop()
{
    if (m_multimediaTimer) {
        timeKillEvent(m_multimediaTimer);
        m_multimediaTimer = 0;
    }
    if (m_thread) {
        SetEvent(m_stopEvent);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_stopEvent) {
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }
}

void TKitHiTimer::WndProc(TMessage& message)
{
    if (message.Msg != WM_TIMER) {
        message.Result = DefWindowProcA(m_window, message.Msg, message.WParam, message.LParam);
        return;
    }
    m_tickPending = false;
    if (!m_enabled || !OnTimer)
        return;
    // A copy runs: the handler may destroy the timer, and with it the stored one.
    TAliveToken::Watcher alive = m_alive.Watch();
    TNotifyEvent handler = OnTimer;
    // A timer destroyed by its own handler is not named as the sender.
    RunAtEntryPoint([this, &handler] { handler(this); }, [this, &alive] { return alive ? this : nullptr; });
}
