// The control layer on real windows: mouse routing to windowless controls, capture,
// double clicks, painting order read back from the window, window creation failures.
#include "frame/support/ControlTestSupport.h"

#include "common/ExpectThrow.h"
#include "frame/CustomControl.h"
#include "frame/Screen.h"
#include "runtime/MethodStub.h"

#include <algorithm>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Green = 0x00FF00;

// A shown borderless form (client coordinates equal window coordinates) with two
// overlapping boxes: First at (10,10)-(70,50), Second at (40,20)-(100,60).
class ControlLayer : public BorderlessFormTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        MakeForm(40, 40, 200, 120);
        first = MakeOwned<TBox>(form.get(), Red);
        first->SetName("First");
        first->SetBounds(10, 10, 60, 40);
        first->SetParent(form.get());
        second = MakeOwned<TBox>(form.get(), Blue);
        second->SetName("Second");
        second->SetBounds(40, 20, 60, 40);
        second->SetParent(form.get());
    }
    LRESULT Mouse(UINT msg, int x, int y, WPARAM keys = 0)
    {
        return SendMessageA(form->Handle(), msg, keys, PointParam(x, y));
    }

    TBox* first = nullptr;
    TBox* second = nullptr;
};

}

TEST_F(ControlLayer, LaterWindowlessChildGetsTheMouseAndIsPaintedLast)
{
    Show();
    HWND window = form->Handle();
    // Where they overlap the later box is on top, on the screen and for the mouse.
    EXPECT_EQ(WindowPixel(window, 50, 30), ColorToRGB(Blue));
    EXPECT_EQ(WindowPixel(window, 20, 15), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 150, 100), ColorToRGB(clBtnFace));
    EXPECT_EQ(form->ChildAtPoint(POINT { 50, 30 }, false, false), second);
    Mouse(WM_LBUTTONDOWN, 50, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 50, 30);
    EXPECT_TRUE(first->Events.empty());
    EXPECT_EQ(second->Events, (std::vector<std::string> { "down 10,10", "click", "up 10,10" }));

    // Brought to the front, the first box covers the second.
    first->BringToFront();
    UpdateWindow(window);
    PumpMessages();
    EXPECT_EQ(WindowPixel(window, 50, 30), ColorToRGB(Red));
    EXPECT_EQ(form->ChildAtPoint(POINT { 50, 30 }, false, false), first);

    // A hidden box neither gets the mouse nor hides what is under it.
    first->SetVisible(false);
    UpdateWindow(window);
    PumpMessages();
    EXPECT_EQ(WindowPixel(window, 50, 30), ColorToRGB(Blue));
    EXPECT_EQ(WindowPixel(window, 20, 15), ColorToRGB(clBtnFace));
    EXPECT_EQ(form->ChildAtPoint(POINT { 20, 15 }, false, false), nullptr);
    // A disabled one is passed over unless disabled children are asked for.
    second->SetEnabled(false);
    EXPECT_EQ(form->ChildAtPoint(POINT { 50, 30 }, false, false), nullptr);
    EXPECT_EQ(form->ChildAtPoint(POINT { 50, 30 }, true, false), second);
}

TEST_F(ControlLayer, PressThenReleaseOutsideGivesNoClickAndTheCaptureKeepsTheMouse)
{
    Show();
    HWND window = form->Handle();
    Mouse(WM_LBUTTONDOWN, 20, 15, MK_LBUTTON);
    EXPECT_EQ(GetCapture(), window);
    EXPECT_EQ(CaptureControl(), first);
    // While captured, moves and the release go to the box even far outside it (and
    // over the other box).
    Mouse(WM_MOUSEMOVE, 60, 40, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, -30, 250, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, -30, 250);
    EXPECT_EQ(first->Events, (std::vector<std::string> { "down 10,5", "move 50,30", "move -40,240", "up -40,240" }));
    EXPECT_TRUE(second->Events.empty());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(CaptureControl(), nullptr);

    // Pressed and released inside: a click.
    first->Events.clear();
    Mouse(WM_LBUTTONDOWN, 20, 15, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 21, 16);
    EXPECT_EQ(first->Events, (std::vector<std::string> { "down 10,5", "click", "up 11,6" }));
}

TEST_F(ControlLayer, CancelModeEndsAPressWithoutClick)
{
    Show();
    Mouse(WM_LBUTTONDOWN, 20, 15, MK_LBUTTON);
    ASSERT_EQ(CaptureControl(), first);
    SendMessageA(form->Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(CaptureControl(), nullptr);
    EXPECT_EQ(first->Events.back(), "up -1,-1");
    // The release that comes later is the form's, not a click on the box.
    Mouse(WM_LBUTTONUP, 20, 15);
    EXPECT_EQ(std::count(first->Events.begin(), first->Events.end(), "click"), 0);
}

TEST_F(ControlLayer, DoubleClickWithoutTheStyleArrivesAsASecondPress)
{
    Show();
    first->SetStyle(csCaptureMouse | csClickEvents);
    Mouse(WM_LBUTTONDOWN, 20, 15, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 20, 15);
    Mouse(WM_LBUTTONDBLCLK, 20, 15, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 20, 15);
    EXPECT_EQ(
        first->Events, (std::vector<std::string> { "down 10,5", "click", "up 10,5", "down 10,5", "click", "up 10,5" }));

    // With the style the second press is a double click (and no click of its own).
    second->Events.clear();
    Mouse(WM_LBUTTONDOWN, 90, 50, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 90, 50);
    Mouse(WM_LBUTTONDBLCLK, 90, 50, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 90, 50);
    EXPECT_EQ(second->Events,
        (std::vector<std::string> { "down 50,30", "click", "up 50,30", "down 50,30 double", "up 50,30" }));
}

TEST_F(ControlLayer, ExceptionInAHandlerIsReportedAndTheMessageEnds)
{
    Show();
    first->OnClick = [](TObject*) { throw EInvalidOperation("箱のエラー"); };
    Mouse(WM_LBUTTONDOWN, 20, 15, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 20, 15);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0], "箱のエラー");
    // The control goes on working.
    Mouse(WM_LBUTTONDOWN, 20, 15, MK_LBUTTON);
    EXPECT_EQ(first->Events.back(), "down 10,5");
}

namespace {

// A windowed control that paints itself green and records when its window came.
class TGreenControl : public TCustomControl {
public:
    SV_CLASS_NAME(TGreenControl)
    explicit TGreenControl(TComponent* owner) : TCustomControl(owner) {}
    bool ParentVisibleWhenCreated = true;
    bool Created = false;

protected:
    void WindowCreated() override
    {
        Created = true;
        ParentVisibleWhenCreated = IsWindowVisible(GetParent(m_handle)) != FALSE;
    }
    void Paint() override
    {
        Canvas()->Brush()->SetColor(Green);
        Canvas()->FillRect(RECT { 0, 0, Width(), Height() });
    }
};

// A windowed control whose window refuses to be created.
class TRefusingControl : public TWinControl {
public:
    SV_CLASS_NAME(TRefusingControl)
    explicit TRefusingControl(TComponent* owner) : TWinControl(owner) {}
    void Dispatch(TMessage& message) override
    {
        if (message.Msg == WM_NCCREATE) {
            message.Result = FALSE;
            return;
        }
        TWinControl::Dispatch(message);
    }
};

}

TEST_F(ControlLayer, ShowingAFormCreatesTheChildWindowsBeforeShowingIt)
{
    auto* panel = MakeOwned<TGreenControl>(form.get());
    panel->SetBounds(120, 10, 50, 50);
    panel->SetParent(form.get());
    auto* hidden = MakeOwned<TGreenControl>(form.get());
    hidden->SetVisible(false);
    hidden->SetParent(form.get());
    EXPECT_FALSE(form->HandleAllocated());
    Show();
    EXPECT_TRUE(panel->Created);
    EXPECT_FALSE(panel->ParentVisibleWhenCreated);
    EXPECT_TRUE(panel->Showing());
    EXPECT_FALSE(hidden->Created);
    EXPECT_EQ(WindowPixel(panel->Handle(), 25, 25), ColorToRGB(Green));
    EXPECT_EQ(WindowPixel(form->Handle(), 145, 35), ColorToRGB(Green));
    // Windowed children are found only when asked for.
    EXPECT_EQ(form->ChildAtPoint(POINT { 130, 20 }, false, true), panel);
    EXPECT_EQ(form->ChildAtPoint(POINT { 130, 20 }, false, false), nullptr);
    EXPECT_EQ(FindControl(panel->Handle()), panel);

    // Hidden, the child's window goes away from the screen and the form shows through.
    panel->SetVisible(false);
    UpdateWindow(form->Handle());
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(panel->Handle()));
    EXPECT_EQ(WindowPixel(form->Handle(), 145, 35), ColorToRGB(clBtnFace));
}

TEST_F(ControlLayer, DoubleBufferedPaintingShowsTheSamePicture)
{
    form->SetDoubleBuffered(true);
    Show();
    HWND window = form->Handle();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    PumpMessages();
    EXPECT_EQ(WindowPixel(window, 50, 30), ColorToRGB(Blue));
    EXPECT_EQ(WindowPixel(window, 20, 15), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 150, 100), ColorToRGB(clBtnFace));
}

TEST_F(ControlLayer, WindowCreationFailuresRaiseTheirErrors)
{
    // A windowed control without any parent window.
    auto orphan = MakeComponent<TGreenControl>();
    orphan->SetName("Orphan");
    ExpectThrowMessage<EInvalidOperation>(
        [&] { orphan->Handle(); }, "コントロール 'Orphan' は親ウィンドウを持っていません");
    EXPECT_FALSE(orphan->HandleAllocated());

    // The platform refuses the window.
    auto* refusing = MakeOwned<TRefusingControl>(form.get());
    refusing->SetParent(form.get());
    EXPECT_THROW(refusing->Handle(), EWin32Error);
    EXPECT_FALSE(refusing->HandleAllocated());
    // Shown with the form, the failure reaches the caller and the form stays usable.
    EXPECT_THROW(form->ShowForm(), EWin32Error);
    form->DestroyComponent(refusing);
    form->HideForm();
    Show();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));

    // A control as its own parent; a windowless control's device context without parent.
    ExpectThrowMessage<EInvalidOperation>(
        [&] { orphan->SetParent(orphan.get()); }, "自分自身を親とすることはできません");
    auto loose = MakeComponent<TBox>(Red);
    loose->SetName("Loose");
    HWND window = nullptr;
    EXPECT_THROW(loose->GetDeviceContext(window), EInvalidOperation);
}

TEST_F(ControlLayer, CursorFollowsTheScreenThenTheWindowlessChild)
{
    Show();
    HWND window = form->Handle();
    POINT inside = first->ClientToScreen(POINT { 5, 5 });
    SetCursorPos(inside.x, inside.y);
    first->SetCursor(crHandPoint);
    LRESULT answered =
        SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(answered, 1);
    // The hand is the program's own cursor.
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(32761));
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(GetCursor(), hand);
    EXPECT_EQ(CursorHandle(crHandPoint), hand);

    // The screen's cursor wins over the control's.
    Screen->SetCursor(-11);
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    Screen->SetCursor(crDefault);
}

TEST_F(ControlLayer, TextLivesInTheWindowWhileThereIsOne)
{
    first->SetText("ラベル");
    EXPECT_EQ(first->Text(), "ラベル");
    form->SetText("フォーム");
    EXPECT_EQ(form->Text(), "フォーム");
    HWND window = form->Handle();
    char buffer[64] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "フォーム");
    form->SetText("別の題");
    form->DestroyHandle();
    EXPECT_EQ(form->Text(), "別の題");
    // No buffer size, nothing written; a short buffer gets what fits and a terminator.
    char untouched[2] = { 'x', 'x' };
    EXPECT_EQ(first->Perform(WM_GETTEXT, 0, reinterpret_cast<LPARAM>(untouched)), 0);
    EXPECT_EQ(untouched[0], 'x');
    char small[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(first->Perform(WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)), 3);
    EXPECT_EQ(small[3], '\0');
}

TEST_F(ControlLayer, RealMouseReleaseOutsideReachesTheCapturingControl)
{
    Show();
    SetForegroundWindow(form->Handle());
    PumpMessages();
    POINT inside = first->ClientToScreen(POINT { 5, 5 });
    SetCursorPos(inside.x, inside.y);
    PumpMessages();
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    PumpMessages();
    ASSERT_EQ(CaptureControl(), first);
    POINT outside = form->ClientToScreen(POINT { 300, 250 });
    SetCursorPos(outside.x, outside.y);
    PumpMessages();
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    PumpMessages();
    ASSERT_GE(first->Events.size(), 2u);
    EXPECT_EQ(std::count(first->Events.begin(), first->Events.end(), "down 5,5"), 1);
    EXPECT_EQ(first->Events.back(), "up 290,240");
    EXPECT_EQ(std::count(first->Events.begin(), first->Events.end(), "click"), 0);
    EXPECT_EQ(CaptureControl(), nullptr);
}

TEST_F(ControlLayer, ChildrenTakeTheParentsColourAndFontUntilGivenTheirOwn)
{
    form->SetColor(0xFFFFFF);
    EXPECT_EQ(first->Color(), 0xFFFFFFu);
    EXPECT_TRUE(first->ParentColor());
    first->SetColor(0x123456);
    EXPECT_FALSE(first->ParentColor());
    form->SetColor(0x00FF00);
    EXPECT_EQ(first->Color(), 0x123456u);
    EXPECT_EQ(second->Color(), 0x00FF00u);

    form->Font()->SetHeight(-20);
    EXPECT_EQ(second->Font()->Height(), -20);
    EXPECT_TRUE(second->ParentFont());
    second->Font()->SetHeight(-9);
    EXPECT_FALSE(second->ParentFont());
    form->Font()->SetHeight(-14);
    EXPECT_EQ(second->Font()->Height(), -9);
    EXPECT_EQ(first->Font()->Height(), -14);
}

namespace {

// A windowed control built on the system's static text class.
class TStaticText : public TWinControl {
public:
    SV_CLASS_NAME(TStaticText)
    explicit TStaticText(TComponent* owner) : TWinControl(owner) {}

protected:
    void FillCreationRecord(TCreateParams& params) override
    {
        TWinControl::FillCreationRecord(params);
        CreateSubClass(params, "STATIC");
    }
};

}

TEST_F(ControlLayer, SystemClassControlsGetTheirColoursThroughReflectionAndFormsPaintOnTheirCanvas)
{
    auto* text = MakeOwned<TStaticText>(form.get());
    text->SetBounds(120, 10, 60, 30);
    text->SetColor(Green);
    text->SetParent(form.get());
    form->OnPaint = [this](TObject*) {
        form->Canvas()->Brush()->SetColor(Blue);
        form->Canvas()->FillRect(RECT { 150, 80, 190, 110 });
    };
    Show();
    char className[32] = {};
    GetClassNameA(text->Handle(), className, sizeof className);
    EXPECT_STREQ(className, "TStaticText");
    // The static control asks its parent for colours; the form hands the question to
    // the control, which answers with its own brush.
    EXPECT_EQ(WindowPixel(text->Handle(), 30, 15), ColorToRGB(Green));
    EXPECT_EQ(WindowPixel(form->Handle(), 170, 95), ColorToRGB(Blue));
    EXPECT_EQ(WindowPixel(form->Handle(), 170, 70), ColorToRGB(clBtnFace));
}

namespace {

// A windowed control that asks for its own release from its message handler; a
// nested message to itself and a raised exception come in the same message.
class TSelfFreeing : public TCustomControl {
public:
    SV_CLASS_NAME(TSelfFreeing)
    explicit TSelfFreeing(TComponent* owner, int* destructions) : TCustomControl(owner), m_destructions(destructions) {}
    ~TSelfFreeing() override { ++*m_destructions; }
    WNDPROC Stub() const { return m_objectInstance; }

    static constexpr UINT FreeYourself = WM_USER + 40;
    static constexpr UINT Nested = WM_USER + 41;
    int NestedSeen = 0;

    void Dispatch(TMessage& message) override
    {
        if (message.Msg == Nested) {
            ++NestedSeen;
            message.Result = 7;
            return;
        }
        if (message.Msg == FreeYourself) {
            FreeAfterMessage();
            // The release waits for the end of this message, nested ones included.
            if (SendMessageA(m_handle, Nested, 0, 0) != 7)
                throw EInvalidOperation("nested message lost");
            message.Result = 42;
            if (message.WParam)
                throw EInvalidOperation("raised before the release");
            return;
        }
        TCustomControl::Dispatch(message);
    }

private:
    int* m_destructions;
};

}

TEST_F(ControlLayer, AControlFreesItselfAtTheEndOfItsOwnMessage)
{
    for (WPARAM raising : { WPARAM(0), WPARAM(1) }) {
        SCOPED_TRACE(raising ? "raising" : "quiet");
        int destructions = 0;
        std::vector<TObject*> senders;
        Application->OnAppException = [&](TObject* sender, Exception& error) {
            senders.push_back(sender);
            Errors.push_back(error.Message());
        };
        auto* control = MakeOwned<TSelfFreeing>(form.get(), &destructions);
        control->SetBounds(0, 0, 20, 20);
        control->SetParent(form.get());
        HWND window = control->Handle();
        WNDPROC stub = control->Stub();
        ASSERT_TRUE(IsMethodStub(stub));
        int owned = form->ComponentCount();

        LRESULT result = SendMessageA(window, TSelfFreeing::FreeYourself, raising, 0);

        EXPECT_EQ(destructions, 1);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(IsMethodStub(stub)) << "the stub goes with the control";
        EXPECT_EQ(form->ComponentCount(), owned - 1);
        EXPECT_EQ(
            std::count(form->WinControls().begin(), form->WinControls().end(), static_cast<TWinControl*>(control)), 0);
        if (raising) {
            // Reported while the control still existed, naming it.
            EXPECT_EQ(senders, (std::vector<TObject*> { control }));
        } else {
            EXPECT_TRUE(senders.empty());
        }
        EXPECT_EQ(result, 42);
        // The form goes on working after its child went.
        EXPECT_EQ(SendMessageA(form->Handle(), WM_NULL, 0, 0), 0);
    }
    Application->OnAppException = [this](TObject*, Exception& error) { Errors.push_back(error.Message()); };
}
