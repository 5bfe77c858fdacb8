// Forms on real windows: construction and OnCreate, window styles, placement, showing
// and hiding, closing, running modally, releasing, destruction, dialog keys.
#include "frame/support/ControlTestSupport.h"

#include "common/ExpectThrow.h"
#include "runtime/ClassInfo.h"
#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "frame/Screen.h"
#include "frame/SpeedButton.h"
#include "graphics/Font.h"

#include <string>
#include <vector>

// A registered form class whose resource the program does not have.
class TUnstoredForm : public TForm {
public:
    SV_CLASS_NAME(TUnstoredForm)
    explicit TUnstoredForm(TComponent* owner) : TForm(owner) {}
};

static const TClassRegistration<TUnstoredForm> unstoredInfo(
    "TUnstoredForm", [](TClassBuilder<TUnstoredForm>& c) { c.Parent<TForm>(); });

namespace {

std::vector<std::string> journal;

// A component that writes down when it goes.
class TNoted : public TComponent {
public:
    SV_CLASS_NAME(TNoted)
    explicit TNoted(TComponent* owner) : TComponent(owner) {}
    ~TNoted() override { journal.push_back("destroyed " + std::string(Name())); }
};

// A form whose constructor looks at the reference that CreateAppForm fills.
class TSelfAwareForm;
TSelfAwareForm* selfAware = nullptr;

class TSelfAwareForm : public TForm {
public:
    SV_CLASS_NAME(TSelfAwareForm)
    explicit TSelfAwareForm(TComponent* owner) : TForm(owner, TFormSource::None)
    {
        referenceInConstructor = selfAware == this;
        OnCreate = [this](TObject*) {
            referenceInOnCreate = selfAware == this;
            primaryInOnCreate = Application->PrimaryForm();
        };
    }
    bool referenceInConstructor = false;
    bool referenceInOnCreate = false;
    IAppForm* primaryInOnCreate = reinterpret_cast<IAppForm*>(1);
};

// A focusable windowed control that writes down the characters it is given.
class TFocusBox : public TWinControl {
public:
    SV_CLASS_NAME(TFocusBox)
    explicit TFocusBox(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }
    std::string Typed;
    void Dispatch(TMessage& message) override
    {
        if (message.Msg == WM_CHAR)
            Typed += static_cast<char>(message.WParam);
        TWinControl::Dispatch(message);
    }
};

// A windowless control with an accelerator character.
class TAccelBox : public TBox {
public:
    TAccelBox(TComponent* owner, char accel) : TBox(owner, 0xFFFFFF), Accel(accel) {}
    bool DialogChar(char charCode, LPARAM) override
    {
        if (charCode != Accel)
            return false;
        ++Pressed;
        return true;
    }
    char Accel;
    int Pressed = 0;
};

// A form class of an anonymous namespace, registered like any other.
class TLocalForm : public TForm {
public:
    SV_CLASS_NAME(TLocalForm)
    explicit TLocalForm(TComponent* owner) : TForm(owner, TFormSource::None) {}
};

const TClassRegistration<TLocalForm> localInfo("TLocalForm", [](TClassBuilder<TLocalForm>& c) { c.Parent<TForm>(); });

class FormTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        journal.clear();
        Application->SetShowPrimaryForm(true);
    }
    void TearDown() override
    {
        while (Application->ComponentCount() > 0)
            Application->DestroyComponent(Application->Components(Application->ComponentCount() - 1));
        Application->SetShowPrimaryForm(true);
        ControlTest::TearDown();
    }
    // A form owned by the application, not the main form (the first one made is).
    TPlainForm* MakeForm(int width = 300, int height = 200)
    {
        TPlainForm* form = nullptr;
        Application->CreateAppForm(form);
        form->SetBounds(30, 40, width, height);
        return form;
    }
};

}

TEST_F(FormTest, CreateAppFormFillsTheReferenceFirstAndSetsTheMainFormAfterOnCreate)
{
    Application->CreateAppForm(selfAware);
    ASSERT_NE(selfAware, nullptr);
    EXPECT_TRUE(selfAware->referenceInConstructor);
    EXPECT_TRUE(selfAware->referenceInOnCreate);
    EXPECT_EQ(selfAware->primaryInOnCreate, nullptr);
    EXPECT_EQ(Application->PrimaryForm(), static_cast<IAppForm*>(selfAware));
    EXPECT_FALSE(selfAware->Visible());
    selfAware = nullptr;
}

TEST_F(FormTest, BorderStylesGiveTheirWindowStyles)
{
    TPlainForm* sizeable = MakeForm();
    HWND window = sizeable->Handle();
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_EQ(GetWindow(window, GW_OWNER), Application->Handle());
    EXPECT_EQ(style & (WS_CHILD | WS_POPUP), 0);
    const LONG wanted =
        WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_TRUE(exStyle & WS_EX_CONTROLPARENT);
    EXPECT_FALSE(exStyle & WS_EX_TOOLWINDOW);
    // Without the minimize border icon the system menu's Minimize is greyed.
    sizeable->SetBorderIcons(biSystemMenu | biMaximize);
    window = sizeable->Handle();
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_MINIMIZEBOX);
    EXPECT_TRUE(GetMenuState(GetSystemMenu(window, FALSE), SC_MINIMIZE, MF_BYCOMMAND) & MF_GRAYED);

    TPlainForm* tool = MakeForm();
    tool->SetBorderStyle(bsToolWindow);
    window = tool->Handle();
    style = GetWindowLongA(window, GWL_STYLE);
    exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS),
        WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_CONTROLPARENT);

    TPlainForm* dialog = MakeForm();
    dialog->SetBorderStyle(bsDialog);
    window = dialog->Handle();
    style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(GetMenuState(GetSystemMenu(window, FALSE), SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));

    TPlainForm* bare = MakeForm();
    bare->SetBorderStyle(bsNone);
    style = GetWindowLongA(bare->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), 0);
}

TEST_F(FormTest, ScreenCenterPlacesOnceThenTheFormStaysWhereItWasMoved)
{
    TPlainForm* form = MakeForm(300, 200);
    form->SetPosition(poScreenCenter);
    form->ShowForm();
    int left = (GetSystemMetrics(SM_CXSCREEN) - 300) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - 200) / 2;
    EXPECT_EQ(form->Left(), left);
    EXPECT_EQ(form->Top(), top);
    RECT rect;
    GetWindowRect(form->Handle(), &rect);
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(form->Position(), poDesigned);

    form->HideForm();
    form->SetBounds(10, 20, 300, 200);
    form->ShowForm();
    GetWindowRect(form->Handle(), &rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
}

TEST_F(FormTest, ShowingRunsOnShowAndAVisibilityChangeThereIsRefused)
{
    TPlainForm* form = MakeForm();
    int shows = 0;
    int hides = 0;
    form->OnShow = [&](TObject*) {
        ++shows;
        form->HideForm();
    };
    form->OnHide = [&](TObject*) { ++hides; };
    form->ShowForm();
    EXPECT_EQ(shows, 1);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0], LoadResString(TextId::CannotChangeVisibleInShowHide));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(Application && IsWindowVisible(Application->Handle()));
}

TEST_F(FormTest, CloseQueryFalseKeepsTheFormAndCloseHidesAnotherForm)
{
    TPlainForm* mainForm = MakeForm();
    TPlainForm* other = MakeForm();
    other->ShowForm();
    bool allow = false;
    other->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
    TCloseAction seen = caNone;
    other->OnClose = [&](TObject*, TCloseAction& action) { seen = action; };
    other->CloseForm();
    EXPECT_TRUE(other->Visible());
    EXPECT_EQ(seen, caNone);
    allow = true;
    other->CloseForm();
    EXPECT_EQ(seen, caHide);
    EXPECT_FALSE(other->Visible());
    EXPECT_FALSE(IsWindowVisible(other->Handle()));
    EXPECT_EQ(Application->PrimaryForm(), static_cast<IAppForm*>(mainForm));
}

TEST_F(FormTest, ClosingTheMainFormEndsTheLoopUnlessOnCloseQueryRefuses)
{
    TPlainForm* mainForm = MakeForm();
    int queries = 0;
    mainForm->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    bool stillVisibleAfterRefusal = false;
    RunLater(40, [&] { PostMessageA(mainForm->Handle(), WM_CLOSE, 0, 0); });
    RunLater(120, [&] {
        stillVisibleAfterRefusal = IsWindowVisible(mainForm->Handle()) && !Application->Terminating();
        PostMessageA(mainForm->Handle(), WM_CLOSE, 0, 0);
    });
    Application->RunApp();
    EXPECT_EQ(queries, 2);
    EXPECT_TRUE(stillVisibleAfterRefusal);
    EXPECT_TRUE(Application->Terminating());
    // The main form is not hidden: the loop simply ends.
    EXPECT_TRUE(mainForm->Visible());
}

TEST_F(FormTest, ModalFormClosedReturnsCancelAndEnablesTheDisabledWindowsAgain)
{
    TPlainForm* mainForm = MakeForm();
    mainForm->ShowForm();
    PumpMessages();
    HWND mainWindow = mainForm->Handle();
    ASSERT_EQ(GetActiveWindow(), mainWindow);
    ASSERT_TRUE(IsWindowEnabled(mainWindow));
    TPlainForm* dialog = MakeForm(200, 100);
    bool mainDisabledMeanwhile = false;
    bool dialogShownMeanwhile = false;
    bool modalMeanwhile = false;
    RunLater(40, [&] {
        mainDisabledMeanwhile = !IsWindowEnabled(mainWindow);
        dialogShownMeanwhile = IsWindowVisible(dialog->Handle()) != FALSE;
        modalMeanwhile = dialog->IsModal();
        dialog->CloseForm();
    });
    TModalResult result = dialog->ShowFormModal();
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(mainDisabledMeanwhile);
    EXPECT_TRUE(dialogShownMeanwhile);
    EXPECT_TRUE(modalMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(mainWindow));
    // The modal form was active to the end: the window active before it is again.
    EXPECT_EQ(GetActiveWindow(), mainWindow);
    EXPECT_FALSE(dialog->Visible());
    EXPECT_FALSE(IsWindowVisible(dialog->Handle()));
    EXPECT_FALSE(dialog->IsModal());

    // Any other result ends the loop too, once OnCloseQuery agrees.
    int queries = 0;
    dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    RunLater(30, [&] { dialog->SetModalResult(mrOk); });
    RunLater(90, [&] { dialog->SetModalResult(mrOk); });
    EXPECT_EQ(dialog->ShowFormModal(), mrOk);
    EXPECT_EQ(queries, 2);
}

TEST_F(FormTest, ModalOnAVisibleFormIsRefusedAndTerminatingEndsTheModalLoop)
{
    MakeForm();
    TPlainForm* dialog = MakeForm();
    dialog->ShowForm();
    ExpectThrowMessage<EInvalidOperation>(
        [&] { dialog->ShowFormModal(); }, "表示されているウィンドウをモーダルにすることはできません");
    EXPECT_TRUE(dialog->Visible());
    EXPECT_FALSE(dialog->IsModal());

    dialog->HideForm();
    RunLater(40, [] { Application->TerminateApp(); });
    EXPECT_EQ(dialog->ShowFormModal(), mrCancel);
    EXPECT_TRUE(Application->Terminating());
    EXPECT_FALSE(dialog->Visible());
}

TEST_F(FormTest, ReleasedFormIsFreedOnceItsMessageArrives)
{
    MakeForm();
    TPlainForm* other = MakeForm();
    other->ShowForm();
    bool destroyed = false;
    other->OnDestroy = [&](TObject*) { destroyed = true; };
    other->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    int before = Application->ComponentCount();
    other->CloseForm();
    EXPECT_FALSE(destroyed);
    PumpMessages();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Application->ComponentCount(), before - 1);
}

TEST_F(FormTest, DestructionRunsOnDestroyFirstThenFreesOwnedComponentsLastFirst)
{
    TPlainForm* form = MakeForm();
    MakeOwned<TNoted>(form)->SetName("One");
    MakeOwned<TNoted>(form)->SetName("Two");
    TBox* box = MakeOwned<TBox>(form, 0xFF);
    box->SetParent(form);
    form->OnDestroy = [&](TObject*) {
        journal.push_back("OnDestroy with " + std::to_string(form->ComponentCount()) + " components");
        journal.push_back(IsWindowVisible(form->Handle()) ? "visible" : "hidden");
    };
    form->ShowForm();
    Application->DestroyComponent(form);
    EXPECT_EQ(journal,
        (std::vector<std::string> { "OnDestroy with 3 components", "hidden", "destroyed Two", "destroyed One" }));
    EXPECT_EQ(Screen->CustomFormCount(), 0);
}

TEST_F(FormTest, TabMovesTheFocusAndAcceleratorsReachWindowlessControls)
{
    TPlainForm* form = MakeForm();
    auto* first = MakeOwned<TFocusBox>(form);
    first->SetBounds(10, 10, 50, 20);
    first->SetParent(form);
    auto* second = MakeOwned<TFocusBox>(form);
    second->SetBounds(10, 40, 50, 20);
    second->SetParent(form);
    auto* accel = MakeOwned<TAccelBox>(form, 'x');
    accel->SetParent(form);
    form->ShowForm();
    SetForegroundWindow(form->Handle());
    PumpMessages();
    // Activated without an active control, the form gives the focus to the first one.
    EXPECT_EQ(form->ActiveControl(), first);
    first->SetFocus();
    PumpMessages();
    ASSERT_EQ(GetFocus(), first->Handle());

    PostMessageA(first->Handle(), WM_KEYDOWN, VK_TAB, 0);
    PumpMessages();
    EXPECT_EQ(GetFocus(), second->Handle());
    EXPECT_EQ(form->ActiveControl(), second);

    // A character the focused control does not ask for goes to the accelerator first.
    PostMessageA(second->Handle(), WM_CHAR, 'x', 0);
    PostMessageA(second->Handle(), WM_CHAR, 'y', 0);
    PumpMessages();
    EXPECT_EQ(accel->Pressed, 1);
    EXPECT_EQ(second->Typed, "y");

    // A hidden or disabled form cannot take the focus.
    form->HideForm();
    ExpectThrowMessage<EInvalidOperation>([&] { form->SetFocus(); }, LoadResString(TextId::CannotFocusWindow));
}

// The screen's active control goes with its form, also when it is the form itself:
// another form losing a control afterwards looks at no control of the freed one.
TEST_F(FormTest, TheScreenForgetsTheActiveControlOfAFreedForm)
{
    TPlainForm* other = MakeForm();
    auto* leaving = MakeOwned<TFocusBox>(other);
    leaving->SetParent(other);
    for (bool focusOnChild : { true, false }) {
        SCOPED_TRACE(focusOnChild ? "a control of the form" : "the form itself");
        TPlainForm* form = MakeForm();
        TWinControl* focused = form;
        if (focusOnChild) {
            focused = MakeOwned<TFocusBox>(form);
            focused->SetBounds(10, 10, 50, 20);
            focused->SetParent(form);
        }
        form->ShowForm();
        SetForegroundWindow(form->Handle());
        ::SetFocus(focused->Handle());
        PumpMessages();
        ASSERT_EQ(Screen->ActiveControl(), focused);

        Application->DestroyComponent(form);
        EXPECT_EQ(Screen->ActiveControl(), nullptr);
    }
    leaving->SetParent(nullptr);
    EXPECT_EQ(other->ControlCount(), 0);
}

TEST_F(FormTest, CaptionFollowsTheNameUntilItIsSetOtherwise)
{
    TPlainForm* form = MakeForm();
    form->SetName("Probe");
    EXPECT_EQ(form->Caption(), "Probe");
    form->SetName("Probe2");
    EXPECT_EQ(form->Caption(), "Probe2");
    form->SetCaption("題名");
    form->SetName("Probe3");
    EXPECT_EQ(form->Caption(), "題名");
    char text[32] = {};
    GetWindowTextA(form->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "題名");
    // The window shows the application's icon while the form has none of its own.
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(form->Handle(), WM_GETICON, ICON_BIG, 0)), Application->Icon());
}

TEST_F(FormTest, FormClassWithoutResourceFailsAndLeavesNothingBehind)
{
    MakeForm();
    int before = Application->ComponentCount();
    int forms = Screen->CustomFormCount();
    TUnstoredForm* form = reinterpret_cast<TUnstoredForm*>(1);
    ExpectThrowMessage<EResNotFound>(
        [&] { Application->CreateAppForm(form); }, "TUnstoredForm リソースが見つかりません");
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(Application->ComponentCount(), before);
    EXPECT_EQ(Screen->CustomFormCount(), forms);
}

TEST_F(FormTest, AFormReleasedFromItsOwnHandlerLivesUntilTheHandlerReturns)
{
    MakeForm();
    TPlainForm* other = MakeForm();
    other->SetBorderStyle(bsNone);
    TBox* box = MakeOwned<TBox>(other, 0xFF);
    box->SetBounds(0, 0, 50, 50);
    box->SetParent(other);
    other->ShowForm();
    bool destroyed = false;
    bool aliveAfterNestedLoop = false;
    other->OnDestroy = [&](TObject*) { destroyed = true; };
    box->OnClick = [&](TObject*) {
        other->ReleaseForm();
        // A loop run from the handler gets the release message: the form waits.
        PumpMessages();
        aliveAfterNestedLoop = !destroyed;
    };
    HWND window = other->Handle();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(10, 10));
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(10, 10));
    EXPECT_TRUE(aliveAfterNestedLoop);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(FormTest, KeyPreviewLetsTheFormTakeKeysBeforeItsControls)
{
    TPlainForm* form = MakeForm();
    auto* box = MakeOwned<TFocusBox>(form);
    box->SetBounds(10, 10, 50, 20);
    box->SetParent(form);
    form->ShowForm();
    std::string seen;
    form->OnKeyPress = [&](TObject*, char& key) {
        seen += key;
        if (key == 'q')
            key = 0;
    };
    HWND window = box->Handle();
    SendMessageA(window, WM_CHAR, 'a', 0);
    EXPECT_EQ(seen, "");
    form->SetKeyPreview(true);
    SendMessageA(window, WM_CHAR, 'q', 0);
    SendMessageA(window, WM_CHAR, 'b', 0);
    EXPECT_EQ(seen, "qb");
    EXPECT_EQ(box->Typed, "ab");
}

TEST_F(FormTest, FormClassesOfAnonymousNamespacesAreFoundByTheirRegistration)
{
    const TClassInfo* info = ClassInfoOf<TLocalForm>();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Name(), "TLocalForm");
    EXPECT_EQ(info->Parent(), ClassInfoOf<TForm>());
    EXPECT_TRUE(info->InheritsFrom(ClassInfoOf<TControl>()));
    auto form = MakeComponent<TLocalForm>();
    EXPECT_EQ(ClassRegistry::Of(*form), info);
}
