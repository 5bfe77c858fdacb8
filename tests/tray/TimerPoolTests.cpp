// The global timer pool: intervals as multiples of the pool's tick, which pool ticks
// fire which items, call counts, the platform timer's life, a failing handler, and
// the library's application object with its timer slots and mutex.
#include "tray/support/TrayTestSupport.h"
#include "frame/support/FrameTestSupport.h"
#include "common/ExpectThrow.h"
#include "tray/KitApplication.h"
#include "tray/KitHiTimer.h"
#include "runtime/Exceptions.h"
#include "frame/Application.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace {

// A pool of the library's tick, made apart from the process-wide one.
TComponentPtr<TKitTimerPool> MakePool()
{
    auto pool = MakeComponent<TKitTimerPool>();
    pool->SetMinInterval(50);
    return pool;
}

TEST(KitTimerPool, IntervalsMustBeMultiplesOfTheTick)
{
    auto pool = MakePool();
    ExpectThrowMessage<Exception>(
        [&] { pool->AddTimer(1, 230, nullptr); }, "Interval not compatible with MinInterval property!");
    EXPECT_THROW(pool->AddTimer(1, 0, nullptr), Exception);
    EXPECT_EQ(pool->GetCount(), 0);
    EXPECT_EQ(pool->AddTimer(1, 250, nullptr), 0);
    EXPECT_EQ(pool->GetTimer(1)->PoolTicksPerTick(), 5);
    // An identifier is used once in a pool.
    EXPECT_THROW(pool->AddTimer(1, 100, nullptr), Exception);
    // An item's own change to an interval the tick does not divide is ignored.
    pool->GetTimer(1)->SetInterval(120);
    EXPECT_EQ(pool->GetTimer(1)->Interval(), 250);
    pool->GetTimer(1)->SetInterval(0);
    EXPECT_EQ(pool->GetTimer(1)->Interval(), 50);
}

TEST(KitTimerPool, ItemsFireOnTheirOwnPoolTicks)
{
    auto pool = MakePool();
    std::map<int, std::vector<int>> fired;
    auto record = [&](int id) {
        return [&fired, &pool, id](TObject* sender) {
            EXPECT_EQ(sender, pool.get());
            fired[id].push_back(pool->TickCounter());
        };
    };
    pool->AddTimer(1, 250, record(1));
    pool->AddTimer(2, 100, record(2));
    pool->AddTimer(3, 150, record(3));
    EXPECT_TRUE(pool->Active());
    EXPECT_EQ(pool->TickCounter(), 1);
    for (int i = 0; i < 10; ++i)
        pool->HandleTimers();
    EXPECT_EQ(fired[1], (std::vector<int> { 5, 10 }));
    EXPECT_EQ(fired[2], (std::vector<int> { 2, 4, 6, 8, 10 }));
    EXPECT_EQ(fired[3], (std::vector<int> { 3, 6, 9 }));
}

TEST(KitTimerPool, CallCountSwitchesTheItemOffForGood)
{
    auto pool = MakePool();
    int calls = 0;
    pool->AddTimerExt(
        1, 50, [&](TObject*) { ++calls; }, true, 3);
    TKitTimerItem* item = pool->GetTimer(1);
    for (int i = 0; i < 6; ++i)
        pool->HandleTimers();
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(item->Enabled());
    item->SetEnabled(true); // allowed while CallCount is not 0
    EXPECT_TRUE(item->Enabled());
    item->SetCallCount(0);
    EXPECT_FALSE(item->Enabled());
    item->SetEnabled(true); // refused
    EXPECT_FALSE(item->Enabled());
    item->SetCallCount(-5);
    EXPECT_EQ(item->CallCount(), -1);
}

TEST(KitTimerPool, ItemsWithoutHandlerGoToThePoolsHandler)
{
    auto pool = MakePool();
    std::vector<std::pair<int, int>> seen;
    pool->OnTimer = [&](TKitTimerPool* sender, std::uint16_t id, int count) {
        EXPECT_EQ(sender, pool.get());
        seen.push_back({ id, count });
    };
    pool->AddTimer(7, 50, nullptr);
    pool->HandleTimers();
    pool->HandleTimers();
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>> { { 7, 1 }, { 7, 2 } }));
    EXPECT_THROW(TKitTimerItem(nullptr, 1, nullptr), EInvalidOperation);
    try {
        TKitTimerItem item(pool.get(), 9, nullptr);
        ADD_FAILURE() << "an item without a list";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "TKitTimerItem: Invalid Owner or List");
    }
}

TEST(KitTimerPool, ThePlatformTimerRunsWhileItemsAreThere)
{
    auto pool = MakePool();
    int calls = 0;
    pool->AddTimer(1, 50, [&](TObject*) { ++calls; });
    EXPECT_TRUE(PumpUntil([&] { return calls >= 3; }, 3000));
    // A handler that removes its own item: the platform timer stops with the last one.
    pool->GetTimer(1)->OnTimer = [&](TObject*) {
        ++calls;
        pool->RemoveTimer(1);
    };
    EXPECT_TRUE(PumpUntil([&] { return pool->GetCount() == 0; }, 3000));
    EXPECT_FALSE(pool->Active());
    int after = calls;
    PumpFor(200);
    EXPECT_EQ(calls, after);
    EXPECT_EQ(KillTimer(pool->WindowHandle(), 1), FALSE);

    pool->AddTimer(2, 100, nullptr);
    EXPECT_TRUE(pool->Active());
    EXPECT_EQ(pool->TickCounter(), 1);
}

TEST(KitTimerPool, AnAddWithoutPlatformTimerLeavesNoItemBehind)
{
    auto pool = MakePool();
    pool->AddTimer(1, 50, nullptr);
    pool->RemoveTimer(1);
    // Without its window the pool gets no platform timer.
    DestroyWindow(pool->WindowHandle());
    try {
        pool->AddTimer(2, 50, nullptr);
        ADD_FAILURE() << "added without a platform timer";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), "タイマーを取得できません");
    }
    // The failed add holds no identifier: the caller may use it again.
    EXPECT_EQ(pool->GetCount(), 0);
    EXPECT_EQ(pool->IndexOf(2), -1);
}

TEST(KitTimerPool, AFailingHandlerDoesNotStopLaterTicks)
{
    auto pool = MakePool();
    int calls = 0;
    pool->AddTimer(1, 50, [&](TObject*) {
        ++calls;
        throw EAbort("stop this tick");
    });
    SendMessageA(pool->WindowHandle(), WM_TIMER, 1, 0);
    EXPECT_FALSE(pool->Busy());
    SendMessageA(pool->WindowHandle(), WM_TIMER, 1, 0);
    EXPECT_EQ(calls, 2);
}

TEST(KitTimerPool, AFailingItemShowsOneBoxWhileItIsOpen)
{
    auto pool = MakePool();
    int calls = 0;
    pool->AddTimer(1, 50, [&](TObject*) {
        // Fails its first three runs: a pool that let it run inside its own box would
        // show three boxes, one in the other, and no more.
        if (++calls <= 3)
            throw EInvalidOperation("the item failed");
    });
    ASSERT_TRUE(pool->Active());
    {
        // The box stays up for a good number of the pool's own ticks.
        DialogWatcher watcher(nullptr, 500);
        SendMessageA(pool->WindowHandle(), WM_TIMER, 1, 0);
        EXPECT_EQ(watcher.Seen(), 1);
        EXPECT_EQ(watcher.Last().text, "the item failed.");
    }
    EXPECT_EQ(calls, 1) << "the item ran again inside its own error box";
    EXPECT_FALSE(pool->Busy());
}

TEST(KitTimerPool, ATickInsideATickIsDropped)
{
    auto pool = MakePool();
    int calls = 0;
    pool->AddTimer(1, 50, [&](TObject*) {
        if (++calls == 1)
            SendMessageA(pool->WindowHandle(), WM_TIMER, 1, 0);
    });
    SendMessageA(pool->WindowHandle(), WM_TIMER, 1, 0);
    EXPECT_EQ(calls, 1);
}

TEST(KitTimerPool, APoolDestroyedByAnItemsHandlerEndsItsTick)
{
    for (bool raising : { false, true }) {
        SCOPED_TRACE(raising ? "raising" : "quiet");
        std::vector<TObject*> senders;
        Application->OnAppException = [&](TObject* sender, Exception&) { senders.push_back(sender); };
        auto owner = MakeComponent<TComponent>();
        auto* pool = MakeOwned<TKitTimerPool>(owner.get());
        pool->SetMinInterval(50);
        auto token = std::make_shared<int>(0);
        std::weak_ptr<int> watch = token;
        bool aliveAfterDestruction = false;
        int laterCalls = 0;
        pool->AddTimer(1, 50, [&, token, raising](TObject*) {
            owner->DestroyComponent(pool);
            aliveAfterDestruction = !watch.expired();
            if (raising)
                throw EInvalidOperation("after the pool went");
        });
        pool->AddTimer(2, 50, [&](TObject*) { ++laterCalls; });
        token.reset();
        HWND window = pool->WindowHandle();
        ASSERT_TRUE(IsWindow(window));
        SendMessageA(window, WM_TIMER, 1, 0);
        Application->OnAppException = nullptr;
        EXPECT_TRUE(aliveAfterDestruction) << "the running handler outlives its item";
        EXPECT_TRUE(watch.expired());
        EXPECT_EQ(laterCalls, 0) << "no item of a destroyed pool fires";
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(owner->ComponentCount(), 0);
        EXPECT_EQ(senders, raising ? std::vector<TObject*> { nullptr } : std::vector<TObject*> {});
    }
}

TEST(KitHiTimer, ATimerDestroyedByItsOwnTickEndsTheTick)
{
    for (bool raising : { false, true }) {
        SCOPED_TRACE(raising ? "raising" : "quiet");
        std::vector<TObject*> senders;
        Application->OnAppException = [&](TObject* sender, Exception&) { senders.push_back(sender); };
        auto owner = MakeComponent<TComponent>();
        auto* timer = MakeOwned<TKitHiTimer>(owner.get());
        timer->SetInterval(0); // no ticks of its own: the test sends the one tick
        timer->SetEnabled(true);
        HWND window = timer->WindowHandle();
        auto token = std::make_shared<int>(0);
        std::weak_ptr<int> watch = token;
        bool aliveAfterDestruction = false;
        timer->OnTimer = [&, token, raising](TObject*) {
            owner->DestroyComponent(timer);
            aliveAfterDestruction = !watch.expired();
            if (raising)
                throw EInvalidOperation("after the timer went");
        };
        token.reset();
        SendMessageA(window, WM_TIMER, 0, 0);
        Application->OnAppException = nullptr;
        EXPECT_TRUE(aliveAfterDestruction) << "the running handler outlives its timer";
        EXPECT_TRUE(watch.expired());
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(senders, raising ? std::vector<TObject*> { nullptr } : std::vector<TObject*> {});
    }
}

TEST(KitApplication, GlobalTimersTakeTheLowestFreeSlot)
{
    TKitApplication* app = KitApplication();
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->TimerPool()->MinInterval(), 50);
    EXPECT_EQ(app->Options(), 0x36u);
    EXPECT_EQ(app->LogName(), "tray_tests.LOG");
    EXPECT_NE(app->LibraryCursor(), nullptr);

    std::uint16_t a = app->AddTimer(100, nullptr);
    std::uint16_t b = app->AddTimer(100, nullptr);
    EXPECT_EQ(a, 0xFD01);
    EXPECT_EQ(b, 0xFD02);
    EXPECT_THROW(app->AddTimer(230, nullptr), Exception);
    app->RemoveTimer(a);
    EXPECT_EQ(app->GetTimer(a), nullptr);
    EXPECT_EQ(app->AddTimer(50, nullptr), 0xFD01);

    // Every slot taken: the add fails with 0 and adds nothing.
    std::vector<std::uint16_t> taken;
    for (std::uint16_t id; (id = app->AddTimer(50, nullptr)) != 0;)
        taken.push_back(id);
    EXPECT_EQ(taken.size(), 248u);
    EXPECT_EQ(app->TimerPool()->GetCount(), 250);
    for (std::uint16_t id : taken)
        app->RemoveTimer(id);
    app->RemoveTimer(0xFD01);
    app->RemoveTimer(b);
    EXPECT_EQ(app->TimerPool()->GetCount(), 0);
    EXPECT_FALSE(app->TimerPool()->Active());
}

TEST(KitApplication, ASecondCopyFindsTheMutexOfTheFirst)
{
    TKitApplication* app = KitApplication();
    EXPECT_NE(app->MutexHandle(), nullptr);
    EXPECT_EQ(app->MutexName(), "tray_tests.exe");
    EXPECT_FALSE(app->PreviousInstance());
    EXPECT_EQ(RunChildCopy("KitApplicationChild.*"), ChildPassed);
}

TEST(KitApplicationChild, SeesThePreviousInstance)
{
    if (!InChildCopy())
        GTEST_SKIP() << "runs in the second copy only";
    EXPECT_TRUE(KitApplication()->PreviousInstance());
    EndChildCopy();
}

}
