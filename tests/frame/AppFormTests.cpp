// The application object with real forms: the main form, the loop and its end.
#include "frame/support/FrameTestSupport.h"

#include "frame/Application.h"
#include "frame/Form.h"
#include "frame/GraphicControl.h"
#include "frame/Screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> journal;

// A main window in the program's manner: it hides itself in OnCreate and may show
// a message box there.
class TProbeMainForm : public TForm {
public:
    explicit TProbeMainForm(TComponent* owner) : TForm(owner, TFormSource::None)
    {
        OnCreate = [this](TObject*) { FormCreate(); };
    }
    ~TProbeMainForm() override { journal.push_back("main destroyed"); }

    static bool boxInOnCreate;
    IAppForm* primaryDuringOnCreate = reinterpret_cast<IAppForm*>(1);

private:
    void FormCreate()
    {
        primaryDuringOnCreate = Application->PrimaryForm();
        HideForm();
        if (boxInOnCreate)
            Application->AppMessageBox("フォルダを選んでください", Application->AppTitle(), MB_OK);
    }
};

bool TProbeMainForm::boxInOnCreate = false;

class TProbeInfoForm : public TForm {
public:
    explicit TProbeInfoForm(TComponent* owner) : TForm(owner, TFormSource::None) {}
    ~TProbeInfoForm() override { journal.push_back("info destroyed"); }
};

class AppFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        journal.clear();
        Application->SetTerminating(false);
        Application->SetShowPrimaryForm(true);
        Application->SetAppTitle("SV_WALLPAPER");
    }
    void TearDown() override
    {
        while (Application->ComponentCount() > 0)
            Application->DestroyComponent(Application->Components(Application->ComponentCount() - 1));
        Application->SetTerminating(false);
        Application->SetShowPrimaryForm(true);
        TProbeMainForm::boxInOnCreate = false;
        Application->OnAppIdle = nullptr;
    }

    // A shown form with a windowless button at (10, 10, 60 x 30).
    static TComponentPtr<TForm> FormWithButton(TGraphicControl*& button)
    {
        TComponentPtr<TForm> form = MakeComponent<TForm>(TFormSource::None);
        form->SetBounds(120, 120, 300, 200);
        button = MakeOwned<TGraphicControl>(form.get());
        button->SetParent(form.get());
        button->SetBounds(10, 10, 60, 30);
        return form;
    }

    static void CALLBACK CloseMainForm(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        if (auto* form = dynamic_cast<TCustomForm*>(Application->PrimaryForm()))
            PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
    }
};

}

TEST_F(AppFormTest, TheMainFormIsSetOnlyAfterItsOnCreateAndABoxThereIsOwnedByTheAppWindow)
{
    TProbeMainForm::boxInOnCreate = true;
    TProbeMainForm* mainForm = nullptr;
    {
        DialogWatcher watcher;
        Application->CreateAppForm(mainForm);
        ASSERT_EQ(watcher.Count(), 1);
        EXPECT_EQ(watcher.Last().owner, Application->Handle());
        EXPECT_EQ(watcher.Last().caption, "SV_WALLPAPER");
    }
    ASSERT_NE(mainForm, nullptr);
    EXPECT_EQ(mainForm->primaryDuringOnCreate, nullptr);
    EXPECT_EQ(Application->PrimaryForm(), static_cast<IAppForm*>(mainForm));
    EXPECT_TRUE(mainForm->HandleAllocated());

    TProbeInfoForm* infoForm = nullptr;
    Application->CreateAppForm(infoForm);
    EXPECT_EQ(Application->PrimaryForm(), static_cast<IAppForm*>(mainForm));
    EXPECT_FALSE(infoForm->Visible());
}

TEST_F(AppFormTest, RunAppShowsTheHiddenMainFormAndClosingItEndsTheLoop)
{
    TProbeMainForm* mainForm = nullptr;
    Application->CreateAppForm(mainForm);
    EXPECT_FALSE(mainForm->Visible());
    bool shownInLoop = false;
    Application->OnAppIdle = [&](TObject*, bool&) { shownInLoop = shownInLoop || IsWindowVisible(mainForm->Handle()); };
    SetTimer(nullptr, 0, 60, &CloseMainForm);
    Application->RunApp();
    EXPECT_TRUE(shownInLoop);
    EXPECT_TRUE(Application->Terminating());
    // The main form is not hidden before the loop ends.
    EXPECT_TRUE(mainForm->Visible());
    EXPECT_TRUE(IsWindowVisible(Application->Handle())) << "a visible form keeps the taskbar window";
}

TEST_F(AppFormTest, WithoutShowPrimaryFormTheMainFormIsNeverShown)
{
    TProbeMainForm* mainForm = nullptr;
    Application->CreateAppForm(mainForm);
    Application->SetShowPrimaryForm(false);
    bool everShown = false;
    Application->OnAppIdle = [&](TObject*, bool&) { everShown = everShown || IsWindowVisible(mainForm->Handle()); };
    SetTimer(nullptr, 0, 60, &CloseMainForm);
    Application->RunApp();
    EXPECT_FALSE(everShown);
    EXPECT_TRUE(Application->Terminating());
}

TEST_F(AppFormTest, ShutdownDestroysTheFormsLastCreatedFirst)
{
    TProbeMainForm* mainForm = nullptr;
    TProbeInfoForm* infoForm = nullptr;
    Application->CreateAppForm(mainForm);
    Application->CreateAppForm(infoForm);
    Application->Shutdown();
    EXPECT_EQ(journal, (std::vector<std::string> { "info destroyed", "main destroyed" }));
    EXPECT_EQ(Application->ComponentCount(), 0);
    EXPECT_EQ(Application->PrimaryForm(), nullptr);
    EXPECT_EQ(Screen->CustomFormCount(), 0);
    EXPECT_TRUE(Application->HasState(csDestroying));
    // The process goes on with other tests.
    Application->ExcludeState(csDestroying);
    Application->SetHintEnabled(true);
}

TEST_F(AppFormTest, TheIdleStepTellsControlsWhenTheMouseComesAndGoesAndKeepsTheLongHint)
{
    TGraphicControl* button = nullptr;
    TComponentPtr<TForm> form = FormWithButton(button);
    button->SetHint("閉じる|Close the window");
    form->ShowForm();

    struct Seen {
        UINT message;
        LPARAM control;
    };
    std::vector<Seen> seen;
    TWndMethod formProc = form->WindowProc;
    form->WindowProc = [&](TMessage& message) {
        if (message.Msg == FM_MOUSEENTER || message.Msg == FM_MOUSELEAVE)
            seen.push_back({ message.Msg, message.LParam });
        formProc(message);
    };
    int hintChanges = 0;
    Application->OnAppHint = [&](TObject*) { ++hintChanges; };
    Application->OnAppIdle = [](TObject*, bool& done) { done = false; }; // no WaitMessage

    POINT overButton = button->ClientToScreen({ 20, 10 });
    SetCursorPos(overButton.x, overButton.y);
    PumpFor(30);
    MSG none {};
    Application->IdleStep(none);
    EXPECT_EQ(Application->MouseControl(), static_cast<TObject*>(button));
    EXPECT_EQ(Application->CurrentHint(), "Close the window");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().message, FM_MOUSEENTER);
    EXPECT_EQ(seen.back().control, reinterpret_cast<LPARAM>(static_cast<TControl*>(button)));

    seen.clear();
    POINT overForm = form->ClientToScreen({ 250, 150 });
    SetCursorPos(overForm.x, overForm.y);
    PumpFor(30);
    Application->IdleStep(none);
    EXPECT_EQ(Application->MouseControl(), static_cast<TObject*>(form.get()));
    EXPECT_EQ(Application->CurrentHint(), "");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().message, FM_MOUSELEAVE);
    EXPECT_EQ(seen.front().control, reinterpret_cast<LPARAM>(static_cast<TControl*>(button)));
    EXPECT_EQ(hintChanges, 2);

    Application->OnAppHint = nullptr;
    form->WindowProc = formProc;
    form->HideForm();
    // The mouse leaves the program's windows: no control under it.
    SetCursorPos(5, 5);
    Application->IdleStep(none);
    EXPECT_EQ(Application->MouseControl(), nullptr);
}

TEST_F(AppFormTest, AControlDestroyedUnderTheMouseIsForgottenByTheIdleStep)
{
    TGraphicControl* button = nullptr;
    TComponentPtr<TForm> form = FormWithButton(button);
    form->ShowForm();
    Application->OnAppIdle = [](TObject*, bool& done) { done = false; }; // no WaitMessage

    POINT overButton = button->ClientToScreen({ 20, 10 });
    SetCursorPos(overButton.x, overButton.y);
    PumpFor(30);
    MSG none {};
    Application->IdleStep(none);
    ASSERT_EQ(Application->MouseControl(), static_cast<TObject*>(button));

    TObject* gone = button;
    form->DestroyComponent(button);
    EXPECT_NE(Application->MouseControl(), gone);
    // The next idle step finds the form under the mouse without touching the old control.
    Application->IdleStep(none);
    EXPECT_EQ(Application->MouseControl(), static_cast<TObject*>(form.get()));

    form->HideForm();
    SetCursorPos(5, 5);
    Application->IdleStep(none);
    Application->OnAppIdle = nullptr;
    EXPECT_EQ(Application->MouseControl(), nullptr);
}

TEST_F(AppFormTest, AControlThatRaisesOnTheMouseComingIsReportedAndTheIdleStepGoesOn)
{
    TGraphicControl* button = nullptr;
    TComponentPtr<TForm> form = FormWithButton(button);
    form->ShowForm();
    TWndMethod formProc = form->WindowProc;
    form->WindowProc = [&](TMessage& message) {
        if (message.Msg == FM_MOUSEENTER)
            throw EInvalidOperation("mouse enter failed");
        formProc(message);
    };
    std::vector<AnsiString> reported;
    Application->OnAppException = [&](TObject*, Exception& error) { reported.push_back(error.Message()); };
    bool idleRan = false;
    Application->OnAppIdle = [&](TObject*, bool& done) {
        idleRan = true;
        done = false; // no WaitMessage
    };

    POINT overButton = button->ClientToScreen({ 20, 10 });
    SetCursorPos(overButton.x, overButton.y);
    PumpFor(30);
    MSG none {};
    EXPECT_NO_THROW(Application->IdleStep(none));
    EXPECT_EQ(reported, std::vector<AnsiString> { "mouse enter failed" });
    EXPECT_TRUE(idleRan);

    Application->OnAppException = nullptr;
    form->WindowProc = formProc;
    form->HideForm();
    SetCursorPos(5, 5);
    Application->IdleStep(none);
    Application->OnAppIdle = nullptr;
}
