#include "runtime/AliveToken.h"
#include "runtime/LoopException.h"
#include "runtime/Persistent.h"
#include "runtime/ScopeGuard.h"

#include <gtest/gtest.h>

#include <exception>
#include <memory>
#include <stdexcept>

namespace {

// Leaves its scope the way its argument says: 0 at the end, 1 by an early return, 2
// by an exception; the guard it sets up is dismissed first when DISMISS.
void LeaveGuarded(int& undone, int how, bool dismiss)
{
    ScopeExit undo([&] { ++undone; });
    if (dismiss)
        undo.Dismiss();
    if (how == 1)
        return;
    if (how == 2)
        throw std::runtime_error("failed");
}

void LeaveReset(bool& flag, int how)
{
    AutoReset<bool> set(flag, true);
    EXPECT_TRUE(flag);
    if (how == 1)
        return;
    if (how == 2)
        throw std::runtime_error("failed");
}

}

TEST(ScopeGuards, UndoAndRestoreRunHoweverTheScopeEnds)
{
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        int undone = 0;
        bool flag = false;
        try {
            LeaveGuarded(undone, how, false);
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(undone, 1);
        try {
            LeaveGuarded(undone, how, true);
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(undone, 1) << "a dismissed guard undoes nothing";
        try {
            LeaveReset(flag, how);
        } catch (const std::runtime_error&) {
        }
        EXPECT_FALSE(flag);
    }
}

TEST(ScopeGuards, AliveTokenTellsAWatcherThatItsObjectIsGone)
{
    struct Object {
        TAliveToken alive;
    };
    auto object = std::make_unique<Object>();
    TAliveToken::Watcher watcher = object->alive.Watch();
    Object copy = *object;
    TAliveToken::Watcher copyWatcher = copy.alive.Watch();
    EXPECT_TRUE(watcher);
    object.reset();
    EXPECT_FALSE(watcher);
    EXPECT_TRUE(copyWatcher) << "a copy has a life of its own";
    copy.alive.Expire();
    EXPECT_FALSE(copyWatcher);
}

namespace {

TObject* reportedSender = nullptr;
int reports = 0;

void RecordReport(TObject* sender)
{
    ++reports;
    reportedSender = sender;
}

}

TEST(ScopeGuards, EntryPointReportsItsWorksExceptionWithTheSenderOfThatMoment)
{
    SetLoopExceptionHandler(&RecordReport);
    TObject object;
    bool gone = false;
    RunAtEntryPoint([] {}, &object);
    EXPECT_EQ(reports, 0);
    RunAtEntryPoint(
        [&] {
            gone = true;
            throw std::runtime_error("failed");
        },
        [&]() -> TObject* { return gone ? nullptr : &object; });
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(reportedSender, nullptr) << "the sender is asked for after the work";
    RunAtEntryPoint([] { throw 1; }, &object);
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(reportedSender, &object);
    SetLoopExceptionHandler(nullptr);
}

// The report runs inside the catch block (it sees the exception) and nothing goes
// further; a call that does not raise is not reported.
TEST(CallCatching, ReportsWhatTheCallRaisesAndStopsIt)
{
    int reports = 0;
    bool sawException = false;
    auto report = [&] {
        ++reports;
        sawException = std::current_exception() != nullptr;
    };
    EXPECT_NO_THROW(CallCatching([] { throw std::runtime_error("handler failed"); }, report));
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(sawException);

    bool ran = false;
    CallCatching([&] { ran = true; }, report);
    EXPECT_TRUE(ran);
    EXPECT_EQ(reports, 1);
}
