// The component library's timer pool: one platform timer of period MinInterval on a
// utility window drives any number of items, each firing every Interval/MinInterval
// pool ticks, on the GUI thread.
#pragma once

#include "runtime/AliveToken.h"
#include "runtime/Component.h"
#include "runtime/Events.h"
#include "runtime/Messages.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <windows.h>

class TKitTimerPool;

// Handler of the pool for items without a handler of their own.
using TKitPoolTimerEvent = std::function<void(TKitTimerPool* pool, std::uint16_t identifier, int callCount)>;

class TKitTimerItem : public TObject {
public:
    SV_CLASS_NAME(TKitTimerItem)
    // Both the pool and its item list are required (EInvalidOperation otherwise).
    TKitTimerItem(TKitTimerPool* pool, std::uint16_t identifier, std::vector<std::unique_ptr<TKitTimerItem>>* list);

    std::uint16_t Identifier() const { return m_identifier; }
    bool Enabled() const { return m_enabled; }
    // A change resets the call counter; switching on is refused while CallCount is 0.
    void SetEnabled(bool value);
    std::uint16_t Interval() const { return m_interval; }
    // Values that are not a multiple of the pool's MinInterval are ignored; 0 means
    // MinInterval.
    void SetInterval(std::uint16_t value);
    // Ticks after which the item switches itself off; -1: no limit.
    int CallCount() const { return m_callCount; }
    void SetCallCount(int value);
    int CallCounter() const { return m_callCounter; }
    std::uint16_t PoolTicksPerTick() const { return m_poolTicks; }

    // One item tick.
    void Timer();

    TNotifyEvent OnTimer;

private:
    TKitTimerPool* m_pool;
    std::uint16_t m_identifier;
    int m_callCount = -1;
    int m_callCounter = 0;
    bool m_enabled = true;
    std::uint16_t m_interval = 1000;
    std::uint16_t m_poolTicks;
};

class TKitTimerPool : public TComponent {
public:
    SV_CLASS_NAME(TKitTimerPool)
    explicit TKitTimerPool(TComponent* owner);
    ~TKitTimerPool() override;

    std::uint16_t MinInterval() const { return m_minInterval; }
    // Only while the pool is being loaded or designed, or before it has items.
    void SetMinInterval(std::uint16_t value);

    // Adds an item; returns its index. A used identifier, or an interval that is not
    // a positive multiple of MinInterval, raises.
    int AddTimer(std::uint16_t identifier, std::uint16_t interval, TNotifyEvent handler);
    int AddTimerExt(
        std::uint16_t identifier, std::uint16_t interval, TNotifyEvent handler, bool enabled, int callCount);
    void RemoveTimer(std::uint16_t identifier);
    TKitTimerItem* GetTimer(std::uint16_t identifier) const;
    int IndexOf(std::uint16_t identifier) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }
    int GetActiveTimers() const;
    void ClearTimers();
    // Stops the platform timer and, when on and an item is enabled, starts it anew
    // with the tick counter at 1.
    void UpdateMainTimer(bool on);
    // One pool tick: the enabled items whose turn it is fire, in list order.
    void HandleTimers();

    bool Active() const { return m_active; }
    int TickCounter() const { return m_tickCounter; }
    bool Busy() const { return m_busy; }
    HWND WindowHandle() const { return m_window; }

    TKitPoolTimerEvent OnTimer;

private:
    void WndProc(TMessage& message);

    std::uint16_t m_minInterval = 1000;
    std::vector<std::unique_ptr<TKitTimerItem>> m_items;
    HWND m_window = nullptr;
    bool m_active = false;
    int m_tickCounter = 0;
    bool m_busy = false;
    bool m_updating = false;
    // Set to false by the destructor; a running tick keeps a copy, since an item's
    // handler may destroy the pool.
    TAliveToken m_alive;

    friend class TKitTimerItem;
};
