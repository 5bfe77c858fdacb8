// Hints on real windows: the pop-up after the rest delay below the cursor, hidden
// after its time, the rules that cancel it, placement at the desktop's edges, and the
// watcher that stands in for the message loop while RunApp is not running.
#include "frame/support/ControlTestSupport.h"
#include "frame/support/FrameTestSupport.h"

#include "frame/HintWindow.h"
#include "frame/Panel.h"
#include "frame/SpeedButton.h"

#include <tlhelp32.h>

namespace {

// The threads this process runs now.
int ThreadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    CloseHandle(snapshot);
    return count;
}

// A button that has its say in its hint: no rest time, another text, colour, place
// and time.
class TAdjustingButton : public TSpeedButton {
public:
    using TSpeedButton::TSpeedButton;
    void HintShowPause(bool, int& pause) override { pause = 0; }
    bool HintShow(THintInfo& info) override
    {
        ++asked;
        if (refuse)
            return false;
        info.HintStr = "Changed " + info.HintStr;
        info.HintColor = 0x00FF00;
        info.HintPos = { 10, 10 };
        info.HideTimeout = 200;
        return true;
    }
    int asked = 0;
    bool refuse = false;
};

// A shown borderless form with a panel (no hint) holding a button with a hint.
class Hints : public BorderlessFormTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        Build();
    }
    void Build()
    {
        MakeForm(100, 100, 300, 200);
        panel = MakeOwned<TPanel>(form.get());
        panel->SetBounds(0, 0, 300, 200);
        panel->SetParent(form.get());
        button = MakeOwned<TSpeedButton>(form.get());
        button->SetParent(panel);
        button->SetBounds(20, 20, 80, 20);
        button->SetCaption("CLOSE (&X)");
        button->SetHint("閉じる|Close the window");
        button->SetParentShowHint(false);
        button->SetShowHint(true);
        form->ShowForm();
        SetForegroundWindow(form->Handle());
        UpdateWindow(form->Handle());
        PumpMessages();
    }
    void TearDown() override
    {
        Application->CancelHint();
        Application->HintDelay = 500;
        Application->HintHideDelay = 2500;
        BorderlessFormTest::TearDown();
    }
    // Puts the cursor on a point of the panel and tells the panel's window of the move.
    void MoveTo(int x, int y)
    {
        POINT screen = panel->ClientToScreen(POINT { x, y });
        SetCursorPos(screen.x, screen.y);
        PostMessageA(panel->Handle(), WM_MOUSEMOVE, 0, PointParam(x, y));
    }
    bool HintShown()
    {
        THintWindow* window = Application->HintWindow();
        return window && window->HandleAllocated() && IsWindowVisible(window->Handle());
    }
    RECT HintBounds()
    {
        RECT rect {};
        GetWindowRect(Application->HintWindow()->Handle(), &rect);
        return rect;
    }

    TPanel* panel = nullptr;
    TSpeedButton* button = nullptr;
};

}

TEST_F(Hints, RestingOnAButtonShowsItsShortHintBelowTheCursorThenHidesIt)
{
    EXPECT_EQ(Application->HintDelay, 500);
    EXPECT_EQ(Application->HintHideDelay, 2500);
    Application->HintHideDelay = 700;
    MoveTo(40, 30);
    PumpFor(150);
    EXPECT_FALSE(HintShown());
    EXPECT_EQ(Application->HintControl(), button);
    ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 2000));
    EXPECT_EQ(Application->HintWindow()->Caption(), "閉じる");
    POINT cursor = panel->ClientToScreen(POINT { 40, 30 });
    RECT bounds = HintBounds();
    EXPECT_EQ(bounds.left, cursor.x);
    EXPECT_GT(bounds.top, cursor.y);
    EXPECT_LE(bounds.top, cursor.y + GetSystemMetrics(SM_CYCURSOR));
    // Its own size: the text plus 6 across and 2 + 4 down.
    RECT text = Application->HintWindow()->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), "閉じる");
    EXPECT_EQ(bounds.right - bounds.left, text.right);
    EXPECT_EQ(bounds.bottom - bounds.top, text.bottom + 4);

    // It hides after its time; the control stays, so moving within it shows nothing.
    ASSERT_TRUE(PumpUntil([&] { return !HintShown(); }, 3000));
    EXPECT_EQ(Application->HintControl(), button);
    MoveTo(50, 32);
    PumpFor(900);
    EXPECT_FALSE(HintShown());
    // Leaving over a control without hint cancels; coming back shows it again.
    MoveTo(200, 150);
    PumpFor(50);
    EXPECT_EQ(Application->HintControl(), nullptr);
    MoveTo(40, 30);
    PumpFor(150);
    EXPECT_FALSE(HintShown());
    EXPECT_TRUE(PumpUntil([&] { return HintShown(); }, 2000));
}

TEST_F(Hints, CrossingAControlWithoutHintAKeyOrAClickRemovesTheHintAtOnce)
{
    Application->HintDelay = 50;
    for (UINT ending : { 0u, static_cast<UINT>(WM_KEYDOWN), static_cast<UINT>(WM_LBUTTONDOWN) }) {
        MoveTo(40, 30);
        ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 2000)) << ending;
        if (ending == 0)
            MoveTo(200, 150);
        else
            PostMessageA(panel->Handle(), ending, ending == WM_KEYDOWN ? VK_SHIFT : MK_LBUTTON, PointParam(200, 150));
        PumpFor(30);
        EXPECT_FALSE(HintShown()) << ending;
        EXPECT_EQ(Application->HintControl(), nullptr) << ending;
        if (ending == WM_LBUTTONDOWN)
            PostMessageA(panel->Handle(), WM_LBUTTONUP, 0, PointParam(200, 150));
        MoveTo(200, 150);
        PumpFor(30);
    }
}

TEST_F(Hints, AHintWithoutBarIsShownWholeAndNearTheDesktopEdgesItIsPushedBack)
{
    Application->HintDelay = 50;
    button->SetHint("A rather long hint text without any bar in it");
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    form->SetBounds(width - 100, height - 40, 100, 40);
    panel->SetBounds(0, 0, 100, 40);
    button->SetBounds(0, 0, 100, 40);
    UpdateWindow(form->Handle());
    MoveTo(95, 35);
    ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 2000));
    EXPECT_EQ(Application->HintWindow()->Caption(), "A rather long hint text without any bar in it");
    RECT bounds = HintBounds();
    EXPECT_EQ(bounds.right, width);
    EXPECT_EQ(bounds.bottom, height);
}

TEST_F(Hints, OutsideTheMainLoopAWatcherEndsTheHintWhenTheMouseLeavesTheProgram)
{
    ASSERT_FALSE(Application->Running());
    int threads = ThreadCount();
    ASSERT_GT(threads, 0);
    Application->HintDelay = 50;
    MoveTo(40, 30);
    ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 2000));
    EXPECT_EQ(ThreadCount(), threads + 1);
    // No message of ours tells of the move: only the watcher can see it.
    SetCursorPos(2, GetSystemMetrics(SM_CYSCREEN) - 2);
    EXPECT_TRUE(PumpUntil([&] { return Application->HintControl() == nullptr; }, 2000));
    EXPECT_FALSE(HintShown());
    // The watcher has ended with the hint.
    EXPECT_EQ(ThreadCount(), threads);
}

// The watcher thread only sees the cursor move; whether it left the program's windows
// is looked at on the GUI thread, with the frame's objects as they are then.
TEST_F(Hints, OutsideTheMainLoopOnlyTheGuiThreadDecidesWhereTheCursorIs)
{
    ASSERT_FALSE(Application->Running());
    Application->HintDelay = 50;
    MoveTo(40, 30);
    ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 2000));
    // A hint cancelled now would take long to come back.
    Application->HintDelay = 5000;
    // Off the program and back while the GUI thread handles no message.
    POINT onButton = panel->ClientToScreen(POINT { 40, 30 });
    SetCursorPos(2, GetSystemMetrics(SM_CYSCREEN) - 2);
    Sleep(400);
    SetCursorPos(onButton.x, onButton.y);
    PumpFor(300);
    EXPECT_EQ(Application->HintControl(), button);
    EXPECT_TRUE(HintShown());
}

TEST_F(Hints, AControlGoingAwayTakesItsHintWithIt)
{
    int threads = ThreadCount();
    Application->HintDelay = 50;
    MoveTo(40, 30);
    ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 2000));
    form.reset();
    EXPECT_EQ(Application->HintControl(), nullptr);
    EXPECT_FALSE(HintShown());
    // Nothing of the hint outlives the last form: no watcher thread, and no timer that
    // shows it again.
    EXPECT_EQ(ThreadCount(), threads);
    PumpFor(700);
    EXPECT_FALSE(HintShown());

    // The same while the hint is only pending.
    Build();
    MoveTo(40, 30);
    PumpFor(10);
    ASSERT_EQ(Application->HintControl(), button);
    form.reset();
    EXPECT_EQ(Application->HintControl(), nullptr);
    PumpFor(700);
    EXPECT_FALSE(HintShown());
    EXPECT_EQ(ThreadCount(), threads);
}

TEST_F(Hints, WhileAHintIsUpTheNextButtonsHintFollowsWithoutDelay)
{
    auto* other = MakeOwned<TSpeedButton>(form.get());
    other->SetParent(panel);
    other->SetBounds(120, 20, 80, 20);
    other->SetHint("KAVOLTのサイトにアクセス");
    other->SetParentShowHint(false);
    other->SetShowHint(true);
    MoveTo(40, 30);
    ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 2000));
    // Straight onto the next button: the short delay (0) shows its hint at once.
    MoveTo(140, 30);
    PumpFor(30);
    EXPECT_EQ(Application->HintControl(), other);
    EXPECT_TRUE(HintShown());
    EXPECT_EQ(Application->HintWindow()->Caption(), "KAVOLTのサイトにアクセス");
    // After a control without hint the full delay applies again.
    MoveTo(200, 150);
    PumpFor(30);
    MoveTo(40, 30);
    PumpFor(100);
    EXPECT_FALSE(HintShown());
}

TEST_F(Hints, TheControlMayChangeItsHintsDelayTextColourPlaceAndTimeOrRefuseIt)
{
    auto* adjusting = MakeOwned<TAdjustingButton>(form.get());
    adjusting->SetParent(panel);
    adjusting->SetBounds(120, 20, 80, 20);
    adjusting->SetHint("hint|long");
    adjusting->SetShowHint(true);
    MoveTo(140, 30);
    ASSERT_TRUE(PumpUntil([&] { return HintShown(); }, 300));
    EXPECT_EQ(Application->HintWindow()->Caption(), "Changed hint");
    RECT bounds = HintBounds();
    EXPECT_EQ(bounds.left, 10);
    EXPECT_EQ(bounds.top, 10);
    EXPECT_EQ(WindowPixel(Application->HintWindow()->Handle(), 1, 1), RGB(0, 255, 0));
    EXPECT_TRUE(PumpUntil([&] { return !HintShown(); }, 1500));
    // Refused: nothing is shown and the hint is cancelled.
    MoveTo(200, 150);
    PumpFor(30);
    adjusting->refuse = true;
    int asked = adjusting->asked;
    MoveTo(140, 30);
    EXPECT_TRUE(PumpUntil([&] { return adjusting->asked > asked; }, 1000));
    PumpFor(30);
    EXPECT_FALSE(HintShown());
    EXPECT_EQ(Application->HintControl(), nullptr);
}
