#include "frame/support/FrameTestSupport.h"

#include "frame/Application.h"
#include "frame/Timer.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class ErrorBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        Application->OnAppException = nullptr;
        Application->SetAppTitle("SV_WALLPAPER");
        owner = MakeComponent<TComponent>();
    }
    TComponentPtr<TComponent> owner;
};

}

TEST_F(ErrorBoxTest, ShowsTheMessageWithAFullStopUnderTheTitleWithTheErrorIcon)
{
    DialogWatcher watcher;
    Application->ShowErrorBox(EOutOfMemory("メモリが足りません"));
    ASSERT_EQ(watcher.Count(), 1);
    EXPECT_EQ(watcher.Last().caption, "SV_WALLPAPER");
    EXPECT_EQ(watcher.Last().text, "メモリが足りません.");
    EXPECT_TRUE(watcher.Last().errorIcon);
    EXPECT_EQ(watcher.Last().owner, Application->Handle());
}

TEST_F(ErrorBoxTest, FullStopOnlyAfterCharactersThatSortAfterIt)
{
    struct Case {
        const char* message;
        const char* shown;
    } cases[] = {
        { "ファイルを開けません.", "ファイルを開けません." },
        { "Wrong!", "Wrong!" },
        { "(closed)", "(closed)" },
        { "abc", "abc." },
        { "2026", "2026." },
        { "", "" },
    };
    for (const Case& c : cases) {
        DialogWatcher watcher;
        Application->ShowErrorBox(Exception(c.message));
        ASSERT_EQ(watcher.Count(), 1) << c.message;
        EXPECT_EQ(watcher.Last().text, c.shown) << c.message;
        EXPECT_EQ(watcher.Last().caption, "SV_WALLPAPER");
    }
}

TEST_F(ErrorBoxTest, ATickThatRaisesShowsTheBoxFromInsideTheLoopAndTicksGoOn)
{
    int ticks = 0;
    DialogWatcher watcher;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    // Ticks also come inside the box's own loop; the period is long enough for the
    // watcher to close each box before the next tick.
    timer->SetInterval(150);
    timer->SetOnTimer([&](TObject*) {
        if (++ticks == 2)
            timer->SetEnabled(false);
        throw EOutOfMemory("メモリが足りません");
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2 && watcher.Count() >= 2; }, 5000));
    EXPECT_EQ(watcher.Count(), 2);
    EXPECT_EQ(watcher.Last().text, "メモリが足りません.");
    EXPECT_EQ(watcher.Last().caption, "SV_WALLPAPER");
}

TEST_F(ErrorBoxTest, AbortIsSilentAndTheLoopGoesOn)
{
    int ticks = 0;
    DialogWatcher watcher;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) {
        ++ticks;
        throw EAbort("");
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000));
    timer->SetEnabled(false);
    PumpFor(100);
    EXPECT_EQ(watcher.Count(), 0);
}

TEST_F(ErrorBoxTest, ObjectsOutsideTheExceptionClassesGetTheGenericReport)
{
    int ticks = 0;
    DialogWatcher watcher;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) {
        ++ticks;
        timer->SetEnabled(false);
        throw std::runtime_error("not ours");
    });
    ASSERT_TRUE(PumpUntil([&] { return watcher.Count() >= 1; }, 3000));
    EXPECT_EQ(watcher.Last().caption, "アプリケーション エラー");
    EXPECT_EQ(watcher.Last().text.rfind("std::runtime_errorがモジュール frame_tests.exe の ", 0), 0u)
        << watcher.Last().text;
    // The address relative to the module: eight hexadecimal digits.
    AnsiString text = watcher.Last().text;
    std::size_t at = AnsiString("std::runtime_errorがモジュール frame_tests.exe の ").size();
    ASSERT_GT(text.size(), at + 8);
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF", at), at + 8) << text;
    EXPECT_EQ(text.substr(at + 8), " で発生しました。\n") << text;
    EXPECT_TRUE(watcher.Last().errorIcon);
    EXPECT_EQ(watcher.Last().owner, nullptr);
}

TEST_F(ErrorBoxTest, OnAppExceptionReplacesTheBox)
{
    DialogWatcher watcher;
    AnsiString caught;
    TObject* from = nullptr;
    Application->OnAppException = [&](TObject* sender, Exception& error) {
        from = sender;
        caught = error.Message();
    };
    try {
        throw EConvertError("bad");
    } catch (...) {
        Application->HandleLoopException(owner.get());
    }
    Application->OnAppException = nullptr;
    EXPECT_EQ(caught, "bad");
    EXPECT_EQ(from, owner.get());
    EXPECT_EQ(watcher.Count(), 0);
}

TEST_F(ErrorBoxTest, AnExceptionHandlerThatRaisesIsShownAndNothingLeavesTheHandling)
{
    DialogWatcher watcher;
    int calls = 0;
    Application->OnAppException = [&](TObject*, Exception&) {
        ++calls;
        throw EConvertError("handler failed");
    };
    bool escaped = false;
    try {
        throw EConvertError("bad");
    } catch (...) {
        try {
            Application->HandleLoopException(owner.get());
        } catch (...) {
            escaped = true;
        }
    }
    // The same from a timer tick: the window procedure returns normally.
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(10);
    timer->SetOnTimer([timer](TObject*) {
        timer->SetEnabled(false); // one tick: no boxes piling up inside the box's own loop
        throw EConvertError("tick");
    });
    EXPECT_TRUE(PumpUntil([&] { return calls >= 2; }, 3000));
    timer->SetEnabled(false);
    Application->OnAppException = nullptr;
    EXPECT_FALSE(escaped);
    EXPECT_GE(watcher.Count(), 2);
    EXPECT_EQ(watcher.Last().text, "handler failed.");
}

TEST_F(ErrorBoxTest, RunningOutOfMemoryIsReportedAsTheProgramsOutOfMemoryError)
{
    DialogWatcher watcher;
    TTimer* timer = MakeOwned<TTimer>(owner.get());
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) {
        timer->SetEnabled(false);
        throw std::bad_alloc();
    });
    ASSERT_TRUE(PumpUntil([&] { return watcher.Count() >= 1; }, 3000));
    EXPECT_EQ(watcher.Last().caption, "SV_WALLPAPER");
    EXPECT_EQ(watcher.Last().text, "メモリが足りません.");
}
