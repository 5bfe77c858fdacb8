#include "tray/KitTimerPool.h"

#include "runtime/ClassInfo.h"
#include "runtime/Exceptions.h"
#include "runtime/LoopException.h"
#include "runtime/ScopeGuard.h"
#include "runtime/UtilityWindow.h"

#include <algorithm>
#include <climits>

namespace {

// The pool's platform timer is always timer 1 of its window.
constexpr UINT_PTR PoolTimerId = 1;

}

// ---- items --------------------------------------------------------------------------

TKitTimerItem::TKitTimerItem(
    TKitTimerPool* pool, std::uint16_t identifier, std::vector<std::unique_ptr<TKitTimerItem>>* list)
    : m_pool(pool)
    , m_identifier(identifier)
{
    if (!pool || !list)
        throw EInvalidOperation(AnsiString(ClassName()) + ": Invalid Owner or List");
    m_poolTicks = static_cast<std::uint16_t>(1000 / std::max<std::uint16_t>(pool->MinInterval(), 1));
}

void TKitTimerItem::SetEnabled(bool value)
{
    if (value == m_enabled || (value && m_callCount == 0))
        return;
    m_enabled = value;
    m_callCounter = 0;
}

void TKitTimerItem::SetInterval(std::uint16_t value)
{
    std::uint16_t minInterval = m_pool->MinInterval();
    if (value == m_interval || minInterval == 0 || value % minInterval != 0)
        return;
    if (value == 0)
        value = minInterval;
    m_poolTicks = static_cast<std::uint16_t>(value / minInterval);
    m_interval = value;
    m_callCounter = 0;
}

void TKitTimerItem::SetCallCount(int value)
{
    if (value == m_callCount)
        return;
    m_callCount = std::max(value, -1);
    if (m_callCount == 0)
        SetEnabled(false);
}

void TKitTimerItem::Timer()
{
    if (!m_enabled)
        return;
    m_callCounter = m_callCounter == INT_MAX ? 0 : m_callCounter + 1;
    if (m_callCounter == m_callCount)
        SetEnabled(false);
    // Copies: a handler may remove this very item.
    if (OnTimer) {
        TNotifyEvent handler = OnTimer;
        handler(m_pool);
    } else if (m_pool->OnTimer) {
        TKitPoolTimerEvent handler = m_pool->OnTimer;
        handler(m_pool, m_identifier, m_callCounter);
    }
}

// ---- the pool -----------------------------------------------------------------------

TKitTimerPool::TKitTimerPool(TComponent* owner) : TComponent(owner) {}

TKitTimerPool::~TKitTimerPool()
{
    m_alive.Expire();
    ClearTimers();
    if (m_window)
        ReleaseUtilityWindow(m_window);
    m_window = nullptr;
}

void TKitTimerPool::SetMinInterval(std::uint16_t value)
{
    if (value == 0 || !(HasState(csLoading | csDesigning) || m_items.empty()))
        return;
    m_minInterval = value;
}

int TKitTimerPool::AddTimer(std::uint16_t identifier, std::uint16_t interval, TNotifyEvent handler)
{
    if (IndexOf(identifier) >= 0)
        throw EInvalidOperation(Exception::ResText(TextId::TimerIdInPool, static_cast<int>(identifier)));
    if (interval < m_minInterval || interval % m_minInterval != 0)
        throw EInvalidOperation(Exception::ResText(TextId::TimerIntervalMismatch));
    auto item = std::make_unique<TKitTimerItem>(this, identifier, &m_items);
    item->SetInterval(interval);
    item->OnTimer = std::move(handler);
    m_items.push_back(std::move(item));
    // Should the add fail, its item does not stay behind under an identifier the
    // caller takes to be free.
    ScopeExit dropItem([this] { m_items.pop_back(); });
    UpdateMainTimer(true);
    dropItem.Dismiss();
    return static_cast<int>(m_items.size()) - 1;
}

int TKitTimerPool::AddTimerExt(
    std::uint16_t identifier, std::uint16_t interval, TNotifyEvent handler, bool enabled, int callCount)
{
    int index = AddTimer(identifier, interval, std::move(handler));
    TKitTimerItem* item = m_items[static_cast<std::size_t>(index)].get();
    item->SetCallCount(callCount);
    item->SetEnabled(enabled);
    return index;
}

void TKitTimerPool::RemoveTimer(std::uint16_t identifier)
{
    AutoReset<bool> updating(m_updating, true);
    int index = IndexOf(identifier);
    if (index >= 0) {
        std::unique_ptr<TKitTimerItem> item = std::move(m_items[static_cast<std::size_t>(index)]);
        m_items.erase(m_items.begin() + index);
        item->SetEnabled(false);
        item->OnTimer = nullptr;
        item.reset();
        if (m_items.empty())
            UpdateMainTimer(false);
    }
}

TKitTimerItem* TKitTimerPool::GetTimer(std::uint16_t identifier) const
{
    int index = IndexOf(identifier);
    return index < 0 ? nullptr : m_items[static_cast<std::size_t>(index)].get();
}

int TKitTimerPool::IndexOf(std::uint16_t identifier) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->Identifier() == identifier)
            return static_cast<int>(i);
    return -1;
}

int TKitTimerPool::GetActiveTimers() const
{
    return static_cast<int>(
        std::count_if(m_items.begin(), m_items.end(), [](const auto& item) { return item->Enabled(); }));
}

void TKitTimerPool::ClearTimers()
{
    if (m_window || m_active)
        UpdateMainTimer(false);
    while (!m_items.empty())
        m_items.pop_back();
}

void TKitTimerPool::UpdateMainTimer(bool on)
{
    if (HasState(csDesigning))
        return;
    if (!m_window)
        m_window = AllocateUtilityWindow([this](TMessage& message) { WndProc(message); }, this);
    m_active = false;
    KillTimer(m_window, PoolTimerId);
    if (on && GetActiveTimers() > 0) {
        if (!SetTimer(m_window, PoolTimerId, m_minInterval, nullptr))
            throw EOutOfResources(LoadResString(TextId::NoTimers));
        m_tickCounter = 1;
        m_active = true;
    }
}

void TKitTimerPool::HandleTimers()
{
    if (m_updating)
        return;
    // Items are looked up afresh for every step: a handler may add or remove items.
    std::vector<std::uint16_t> order;
    order.reserve(m_items.size());
    for (const auto& item : m_items)
        order.push_back(item->Identifier());
    int tick = m_tickCounter;
    TAliveToken::Watcher alive = m_alive.Watch();
    for (std::uint16_t identifier : order) {
        TKitTimerItem* item = GetTimer(identifier);
        if (item && item->Enabled() && item->PoolTicksPerTick() != 0 && tick % item->PoolTicksPerTick() == 0)
            item->Timer();
        // A handler that destroyed the pool ends the tick.
        if (!alive)
            return;
    }
    m_tickCounter = m_tickCounter == INT_MAX ? 0 : m_tickCounter + 1;
}

void TKitTimerPool::WndProc(TMessage& message)
{
    if (message.Msg != WM_TIMER) {
        message.Result = DefWindowProcA(m_window, message.Msg, message.WParam, message.LParam);
        return;
    }
    if (m_busy)
        return;
    // The busy flag keeps a tick out of another one (a handler running a nested loop,
    // the error box of a failing handler among them); it is cleared however the tick
    // ends, once the report of a failure is closed, so a failing handler stops no
    // later tick and opens no second box inside its own.
    m_busy = true;
    TAliveToken::Watcher alive = m_alive.Watch();
    ScopeExit endBusy([this, &alive] {
        if (alive)
            m_busy = false;
    });
    // A pool destroyed by a handler is not named as the sender.
    RunAtEntryPoint([this] { HandleTimers(); }, [this, &alive] { return alive ? this : nullptr; });
}

static const TClassRegistration<TKitTimerPool> timerPoolInfo("TKitTimerPool", [](TClassBuilder<TKitTimerPool>& c) {
    c.Parent<TComponent>();
    c.Constructor();
    c.Integer("MinInterval", &TKitTimerPool::MinInterval, &TKitTimerPool::SetMinInterval, nullptr, 2);
});
