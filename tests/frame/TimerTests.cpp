#include "frame/support/FrameTestSupport.h"

#include "frame/Application.h"
#include "frame/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Counts ticks and remembers when they came and who sent them.
struct TickLog {
    int count = 0;
    DWORD last = 0;
    TObject* sender = nullptr;
    void Tick(TObject* from)
    {
        ++count;
        last = GetTickCount();
        sender = from;
    }
    TNotifyEvent Handler()
    {
        return [this](TObject* from) { Tick(from); };
    }
};

class TimerTest : public testing::Test {
protected:
    void SetUp() override { owner = MakeComponent<TComponent>(); }
    void TearDown() override { Application->OnAppException = nullptr; }
    TComponentPtr<TComponent> owner;
};

}

TEST_F(TimerTest, UtilityWindowIsAHiddenToolWindowOfItsOwnClass)
{
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 1000u);
    HWND window = timer->WindowHandle();
    ASSERT_TRUE(IsWindow(window));
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "TPUtilWindow");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_CLIPSIBLINGS, WS_POPUP);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetWindowTextLengthA(window), 0);
    // Messages other than ticks get the default handling.
    EXPECT_EQ(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST_F(TimerTest, TicksCallOnTimerWithTheTimerAsSender)
{
    TickLog log;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(20);
    PumpFor(100);
    EXPECT_EQ(log.count, 0) << "no handler: the timer is idle";
    timer->SetOnTimer(log.Handler());
    EXPECT_TRUE(PumpUntil([&] { return log.count >= 3; }, 3000));
    EXPECT_EQ(log.sender, timer);

    timer->SetEnabled(false);
    int seen = log.count;
    PumpFor(120);
    EXPECT_EQ(log.count, seen);
    timer->SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return log.count > seen; }, 3000));
}

TEST_F(TimerTest, IntervalZeroStopsAndANewIntervalStartsAFreshPeriod)
{
    TickLog log;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(20);
    timer->SetOnTimer(log.Handler());
    ASSERT_TRUE(PumpUntil([&] { return log.count >= 1; }, 3000));
    timer->SetInterval(0);
    int seen = log.count;
    PumpFor(150);
    EXPECT_EQ(log.count, seen);

    DWORD start = GetTickCount();
    timer->SetInterval(300);
    ASSERT_TRUE(PumpUntil([&] { return log.count > seen; }, 3000));
    EXPECT_GE(log.last - start, 250u);
}

TEST_F(TimerTest, SameEnabledKeepsThePeriodSameHandlerRestartsIt)
{
    TickLog log;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(400);
    DWORD start = GetTickCount();
    timer->SetOnTimer(log.Handler());
    PumpFor(250);
    ASSERT_EQ(log.count, 0);
    timer->SetEnabled(true); // unchanged: the running period goes on
    timer->SetInterval(400); // unchanged as well
    ASSERT_TRUE(PumpUntil([&] { return log.count == 1; }, 3000));
    EXPECT_LT(log.last - start, 640u) << "the period was restarted";

    PumpFor(250);
    ASSERT_EQ(log.count, 1);
    DWORD reset = GetTickCount();
    timer->SetOnTimer(log.Handler()); // the same handler again restarts the period
    ASSERT_TRUE(PumpUntil([&] { return log.count == 2; }, 3000));
    EXPECT_GE(log.last - reset, 330u) << "the period was not restarted";
}

TEST_F(TimerTest, AHandlerThatRaisesIsReportedAtEveryTickAndKeepsTicking)
{
    int ticks = 0;
    std::vector<AnsiString> reports;
    std::vector<TObject*> senders;
    Application->OnAppException = [&](TObject* sender, Exception& error) {
        reports.push_back(error.Message());
        senders.push_back(sender);
    };
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) {
        ++ticks;
        throw EInvalidOperation("tick " + IntToStr(ticks));
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000));
    timer->SetEnabled(false);
    ASSERT_EQ(static_cast<int>(reports.size()), ticks);
    EXPECT_EQ(reports[0], "tick 1");
    EXPECT_EQ(reports[2], "tick 3");
    EXPECT_EQ(senders[0], timer);
}

TEST_F(TimerTest, NoTickAfterDestruction)
{
    TickLog log;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(10);
    timer->SetOnTimer(log.Handler());
    ASSERT_TRUE(PumpUntil([&] { return log.count >= 1; }, 3000));
    HWND window = timer->WindowHandle();
    // Let a tick become due without being fetched, then destroy the timer.
    Sleep(50);
    owner->DestroyComponent(timer);
    int seen = log.count;
    EXPECT_FALSE(IsWindow(window));
    PumpFor(100);
    EXPECT_EQ(log.count, seen);
}

TEST_F(TimerTest, ATimerDestroyedByItsOwnRaisingTickIsReportedWithoutIt)
{
    std::vector<TObject*> senders;
    Application->OnAppException = [&](TObject* sender, Exception&) { senders.push_back(sender); };
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    HWND window = timer->WindowHandle();
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    int ticks = 0;
    bool handlerAliveAfterDestruction = false;
    timer->SetInterval(10);
    timer->SetOnTimer([&, token](TObject*) {
        ++ticks;
        owner->DestroyComponent(timer);
        handlerAliveAfterDestruction = !watch.expired();
        throw EInvalidOperation("gone");
    });
    token.reset();
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }, 3000));
    PumpFor(60);
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(handlerAliveAfterDestruction);
    EXPECT_EQ(senders, (std::vector<TObject*> { nullptr }));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(watch.expired());
}

TEST_F(TimerTest, ATimerDestroyedQuietlyInATickNestedInItsOwnTickEndsBothTicks)
{
    std::vector<TObject*> senders;
    Application->OnAppException = [&](TObject* sender, Exception&) { senders.push_back(sender); };
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    HWND window = timer->WindowHandle();
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    int ticks = 0;
    bool outerFinished = false;
    bool aliveAfterNested = false;
    timer->SetInterval(10);
    timer->SetOnTimer([&, token](TObject*) {
        int tick = ++ticks;
        if (tick == 1) {
            // The first tick waits in a message loop of its own; the next tick
            // destroys the timer without raising anything.
            PumpUntil([&] { return ticks >= 2; }, 3000);
            aliveAfterNested = !watch.expired();
            outerFinished = true;
        } else if (tick == 2) {
            owner->DestroyComponent(timer);
        }
    });
    token.reset();
    ASSERT_TRUE(PumpUntil([&] { return outerFinished; }, 5000));
    PumpFor(60);
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(aliveAfterNested);
    EXPECT_TRUE(senders.empty());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(watch.expired()) << "the handler goes once the outer tick is over";
    EXPECT_EQ(owner->ComponentCount(), 0);
}
