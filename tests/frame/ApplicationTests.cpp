#include "frame/support/FrameTestSupport.h"

#include "frame/Application.h"
#include "runtime/MethodStub.h"
#include "frame/Screen.h"
#include "runtime/UtilityWindow.h"
#include "graphics/Icon.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

class ApplicationTest : public testing::Test {
protected:
    void SetUp() override
    {
        Application->SetTerminating(false);
        Application->SetShowPrimaryForm(true);
        TestForm::onConstruct = nullptr;
        TestForm::onCreate = nullptr;
        TestForm::constructAsTForm = true;
    }
    void TearDown() override
    {
        // The forms of a test go with it; the application forgets its main form.
        while (Application->ComponentCount() > 0)
            Application->DestroyComponent(Application->Components(Application->ComponentCount() - 1));
        Application->SetTerminating(false);
        Application->SetShowPrimaryForm(true);
        TestForm::onConstruct = nullptr;
        TestForm::onCreate = nullptr;
        MSG drop;
        while (PeekMessageA(&drop, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    }

    // Ends the loop of RunApp from inside it after a while, by the given message.
    static void PostLater(UINT message, WPARAM wParam)
    {
        pendingMessage = message;
        pendingWParam = wParam;
        SetTimer(nullptr, 0, 50, &SendPending);
    }
    static void CALLBACK SendPending(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        SendMessageA(Application->Handle(), pendingMessage, pendingWParam, 0);
    }
    static UINT pendingMessage;
    static WPARAM pendingWParam;
};

UINT ApplicationTest::pendingMessage = 0;
WPARAM ApplicationTest::pendingWParam = 0;

}

TEST_F(ApplicationTest, WindowIsAHiddenPopupWithATrimmedSystemMenu)
{
    HWND window = Application->Handle();
    ASSERT_TRUE(IsWindow(window));
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "TApplication");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~(WS_VISIBLE | WS_MINIMIZE), 0x84CA0000u);
    EXPECT_EQ(WindowObject(window), Application);
    HMENU menu = GetSystemMenu(window, FALSE);
    EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(ApplicationTest, TitleDefaultsToTheProgramNameAndLivesInTheWindow)
{
    // A second application object shows the default: the program file's base name
    // with every character after the first lower-cased.
    TComponentPtr<TApplication> other = MakeComponent<TApplication>();
    EXPECT_EQ(other->AppTitle(), "frame_tests");
    other.reset();

    Application->SetAppTitle("SV_WALLPAPER");
    EXPECT_EQ(Application->AppTitle(), "SV_WALLPAPER");
    char text[64] = {};
    GetWindowTextA(Application->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "SV_WALLPAPER");
    Application->SetAppTitle("壁紙時計");
    EXPECT_EQ(Application->AppTitle(), "壁紙時計");
    Application->SetAppTitle("SV_WALLPAPER");
}

TEST_F(ApplicationTest, HooksSeeMessagesFirstAndAHookThatAnswersTrueEndsThem)
{
    struct Journal {
        std::vector<int> calls;
    } journal;
    auto first = [](void* data, TMessage& message) -> bool {
        if (message.Msg == WM_QUERYDRAGICON)
            static_cast<Journal*>(data)->calls.push_back(1);
        return false;
    };
    auto second = [](void* data, TMessage& message) -> bool {
        if (message.Msg != WM_QUERYDRAGICON)
            return false;
        static_cast<Journal*>(data)->calls.push_back(2);
        message.Result = 1234;
        return true;
    };
    HWND window = Application->Handle();
    LRESULT unhooked = SendMessageA(window, WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(reinterpret_cast<HICON>(unhooked), Application->Icon());

    Application->HookAppWindow(first, &journal);
    // Hooking through the private message does the same as the call.
    TWindowHook hook { second, &journal };
    SendMessageA(window, FM_WINDOWHOOK, 0, reinterpret_cast<LPARAM>(&hook));
    EXPECT_EQ(SendMessageA(window, WM_QUERYDRAGICON, 0, 0), 1234);
    EXPECT_EQ(journal.calls, (std::vector<int> { 1, 2 }));

    SendMessageA(window, FM_WINDOWHOOK, 1, reinterpret_cast<LPARAM>(&hook));
    Application->UnhookAppWindow(first, &journal);
    journal.calls.clear();
    EXPECT_EQ(SendMessageA(window, WM_QUERYDRAGICON, 0, 0), unhooked);
    EXPECT_TRUE(journal.calls.empty());
}

TEST_F(ApplicationTest, AHookThatUnhooksItselfDoesNotHideTheMessageFromTheNextHook)
{
    struct Journal {
        std::vector<int> calls;
    } journal;
    static TWindowHookProc leaving;
    leaving = [](void* data, TMessage& message) -> bool {
        if (message.Msg != WM_QUERYDRAGICON)
            return false;
        static_cast<Journal*>(data)->calls.push_back(1);
        Application->UnhookAppWindow(leaving, data);
        return false;
    };
    auto staying = [](void* data, TMessage& message) -> bool {
        if (message.Msg == WM_QUERYDRAGICON)
            static_cast<Journal*>(data)->calls.push_back(2);
        return false;
    };
    Application->HookAppWindow(leaving, &journal);
    Application->HookAppWindow(staying, &journal);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    Application->UnhookAppWindow(staying, &journal);
    Application->UnhookAppWindow(leaving, &journal);
    EXPECT_EQ(journal.calls, (std::vector<int> { 1, 2, 2 }));
}

TEST_F(ApplicationTest, TheSamePairHookedTwiceIsCalledTwicePerMessage)
{
    // A runaway walk is stopped by the hook itself after a few rounds (true ends
    // the handling), so a fault shows as a wrong count rather than a hang.
    static int calls;
    calls = 0;
    auto counting = [](void*, TMessage& message) -> bool {
        if (message.Msg != WM_QUERYDRAGICON)
            return false;
        return ++calls > 10;
    };
    static TWindowHookProc leavingOnce;
    static int leavingCalls;
    leavingCalls = 0;
    leavingOnce = [](void* data, TMessage& message) -> bool {
        if (message.Msg == WM_QUERYDRAGICON && ++leavingCalls == 1)
            Application->UnhookAppWindow(leavingOnce, data);
        return leavingCalls > 10;
    };
    int data = 0;
    Application->HookAppWindow(counting, &data);
    Application->HookAppWindow(counting, &data);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(calls, 2);
    Application->UnhookAppWindow(counting, &data);
    Application->UnhookAppWindow(counting, &data);

    // A pair hooked twice whose first entry unhooks itself: the second still sees it.
    Application->HookAppWindow(leavingOnce, &data);
    Application->HookAppWindow(leavingOnce, &data);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(leavingCalls, 2);
    Application->UnhookAppWindow(leavingOnce, &data);
}

TEST_F(ApplicationTest, HooksAddedWhileAMessageIsHandledSeeOnlyTheNextMessages)
{
    // A hook that moves itself to the end of the list (unhooked and hooked again) and
    // one that adds another hook. A runaway walk is stopped by the hooks themselves
    // after a few rounds, so a fault shows as a wrong count rather than a hang.
    static int movingCalls, addingCalls, addedCalls;
    movingCalls = addingCalls = addedCalls = 0;
    static TWindowHookProc moving;
    moving = [](void* data, TMessage& message) -> bool {
        if (message.Msg != WM_QUERYDRAGICON)
            return false;
        Application->UnhookAppWindow(moving, data);
        Application->HookAppWindow(moving, data);
        return ++movingCalls > 10;
    };
    static TWindowHookProc added;
    added = [](void*, TMessage& message) -> bool { return message.Msg == WM_QUERYDRAGICON && ++addedCalls > 10; };
    static TWindowHookProc adding;
    adding = [](void* data, TMessage& message) -> bool {
        if (message.Msg != WM_QUERYDRAGICON)
            return false;
        Application->HookAppWindow(added, data);
        return ++addingCalls > 10;
    };
    int data = 0;
    Application->HookAppWindow(moving, &data);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(movingCalls, 1);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(movingCalls, 2);
    Application->UnhookAppWindow(moving, &data);

    Application->HookAppWindow(adding, &data);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(addingCalls, 1);
    EXPECT_EQ(addedCalls, 0);
    SendMessageA(Application->Handle(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_EQ(addingCalls, 2);
    EXPECT_EQ(addedCalls, 1) << "the hook added by the first message sees the second";
    Application->UnhookAppWindow(adding, &data);
    Application->UnhookAppWindow(added, &data);
    Application->UnhookAppWindow(added, &data);
}

TEST_F(ApplicationTest, PrivateMessagesOfTheApplicationWindow)
{
    HWND window = Application->Handle();
    HWND dialog = AllocateUtilityWindow(nullptr);
    SendMessageA(window, FM_DIALOGHANDLE, 0, reinterpret_cast<LPARAM>(dialog));
    EXPECT_EQ(Application->DialogHandle(), dialog);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(window, FM_DIALOGHANDLE, 1, 0)), dialog);
    SendMessageA(window, FM_DIALOGHANDLE, 0, 0);
    EXPECT_EQ(Application->DialogHandle(), nullptr);
    ReleaseUtilityWindow(dialog);

    // Colour messages are reflected to the control window named in lParam.
    UINT reflected = 0;
    HWND control = AllocateUtilityWindow([&](TMessage& message) {
        if (message.Msg >= FN_OFFSET) {
            reflected = message.Msg;
            message.Result = 77;
        }
    });
    EXPECT_EQ(SendMessageA(window, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(control)), 77);
    EXPECT_EQ(reflected, WM_CTLCOLORSTATIC + FN_OFFSET);
    ReleaseUtilityWindow(control);

    int activations = 0;
    Application->OnAppActivate = [&](TObject* sender) {
        EXPECT_EQ(sender, Application);
        ++activations;
    };
    PostMessageA(window, FM_ACTIVATE, 0, 0);
    PumpUntil([&] { return activations > 0; }, 1000);
    Application->OnAppActivate = nullptr;
    EXPECT_EQ(activations, 1);
}

TEST_F(ApplicationTest, KeysGoFirstToTheFrameControlTheyAreMeantFor)
{
    std::vector<UINT> frameSaw;
    bool consume = true;
    HWND frameWindow = AllocateUtilityWindow([&](TMessage& message) {
        if (message.Msg >= FN_OFFSET + WM_KEYFIRST && message.Msg <= FN_OFFSET + WM_KEYLAST) {
            frameSaw.push_back(message.Msg);
            message.Result = consume ? 1 : 0;
        }
    });
    TObject control;
    SetWindowObject(frameWindow, &control);
    // A child window of someone else inside the frame control's window.
    std::vector<UINT> childSaw;
    HWND child = CreateWindowExA(
        0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, frameWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(child);
    WNDPROC stub = CreateMethodStub([&](TMessage& message) {
        if (message.Msg == WM_KEYDOWN)
            childSaw.push_back(message.Msg);
    });
    auto original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(stub)));

    PostMessageA(child, WM_KEYDOWN, VK_TAB, 0);
    PumpUntil([&] { return !frameSaw.empty(); }, 1000);
    PumpFor(30);
    EXPECT_EQ(frameSaw, (std::vector<UINT> { 0xBD00 }));
    EXPECT_TRUE(childSaw.empty()) << "a consumed key is not dispatched";

    consume = false;
    PostMessageA(child, WM_KEYDOWN, 'A', 0);
    PumpUntil([&] { return !childSaw.empty(); }, 1000);
    EXPECT_EQ(frameSaw.size(), 2u);
    EXPECT_EQ(childSaw.size(), 1u);

    SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    ReleaseMethodStub(stub);
    DestroyWindow(child);
    SetWindowObject(frameWindow, nullptr);
    ReleaseUtilityWindow(frameWindow);
}

TEST_F(ApplicationTest, CreateAppFormFillsTheReferenceFirstAndSetsTheMainFormAfterOnCreate)
{
    TestForm* mainForm = nullptr;
    TestForm* seenInConstructor = nullptr;
    IAppForm* primaryDuringOnCreate = reinterpret_cast<IAppForm*>(1);
    TestForm::onConstruct = [&](TestForm* form) { seenInConstructor = form; };
    TestForm::onCreate = [&](TestForm*) { primaryDuringOnCreate = Application->PrimaryForm(); };
    Application->CreateAppForm(mainForm);
    ASSERT_NE(mainForm, nullptr);
    EXPECT_EQ(seenInConstructor, mainForm);
    EXPECT_EQ(primaryDuringOnCreate, nullptr);
    EXPECT_EQ(Application->PrimaryForm(), mainForm);
    EXPECT_TRUE(mainForm->FormHandleAllocated()) << "the main form's window is made when it becomes main form";
    EXPECT_EQ(mainForm->Owner(), Application);

    TestForm* aboutForm = nullptr;
    Application->CreateAppForm(aboutForm);
    EXPECT_EQ(Application->PrimaryForm(), mainForm);
    EXPECT_EQ(Application->ComponentCount(), 2);
    EXPECT_EQ(Screen->FormCount(), 2);

    // A constructor that raises leaves the reference cleared and nothing owned.
    TestForm::onConstruct = [](TestForm*) { throw EResNotFound("TBrokenForm リソースが見つかりません"); };
    TestForm* broken = reinterpret_cast<TestForm*>(8);
    EXPECT_THROW(Application->CreateAppForm(broken), EResNotFound);
    EXPECT_EQ(broken, nullptr);
    EXPECT_EQ(Application->ComponentCount(), 2);

    // Destroying the main form makes the application forget it.
    Application->DestroyComponent(mainForm);
    EXPECT_EQ(Application->PrimaryForm(), nullptr);
}

TEST_F(ApplicationTest, OnlyATFormBecomesTheMainForm)
{
    TestForm::constructAsTForm = false;
    TestForm* custom = nullptr;
    Application->CreateAppForm(custom);
    TestForm::constructAsTForm = true;
    EXPECT_EQ(Application->PrimaryForm(), nullptr);
    TestForm* plain = nullptr;
    Application->CreateAppForm(plain);
    EXPECT_EQ(Application->PrimaryForm(), plain);
}

TEST_F(ApplicationTest, RunAppShowsTheMainFormAndClosingItEndsTheLoop)
{
    TestForm* mainForm = nullptr;
    TestForm::onCreate = [](TestForm* form) { form->SetFormVisible(false); };
    Application->CreateAppForm(mainForm);
    bool visibleInLoop = false;
    PostLater(WM_CLOSE, 0);
    Application->OnAppIdle = [&](TObject*, bool&) {
        visibleInLoop = visibleInLoop || IsWindowVisible(mainForm->FormHandle());
    };
    Application->RunApp();
    Application->OnAppIdle = nullptr;
    EXPECT_TRUE(visibleInLoop) << "RunApp shows the main form although OnCreate hid it";
    EXPECT_EQ(mainForm->closeCount, 1);
    EXPECT_TRUE(Application->Terminating());
    EXPECT_FALSE(Application->Running());
}

TEST_F(ApplicationTest, WithoutShowPrimaryFormTheHiddenMainFormStaysHidden)
{
    TestForm* mainForm = nullptr;
    Application->CreateAppForm(mainForm);
    Application->SetShowPrimaryForm(false);
    bool everVisible = false;
    bool running = false;
    Application->OnAppIdle = [&](TObject*, bool&) {
        everVisible = everVisible || IsWindowVisible(mainForm->FormHandle());
        running = Application->Running();
    };
    // The end of the session stops the loop although the main form was never closed.
    PostLater(WM_ENDSESSION, 1);
    Application->RunApp();
    Application->OnAppIdle = nullptr;
    EXPECT_FALSE(everVisible);
    EXPECT_TRUE(running);
    EXPECT_EQ(mainForm->closeCount, 0);
    EXPECT_TRUE(Application->Terminating());
}

TEST_F(ApplicationTest, RunAppWithoutMainFormReturnsAtOnce)
{
    Application->RunApp();
    EXPECT_FALSE(Application->Running());
    EXPECT_FALSE(Application->Terminating());
}

TEST_F(ApplicationTest, QuitMessageSetsTerminating)
{
    PostQuitMessage(0);
    MSG message {};
    EXPECT_TRUE(PumpUntil([] { return Application->Terminating(); }, 1000));
    EXPECT_FALSE(Application->ProcessOneMessage(message));
}

TEST_F(ApplicationTest, AppWindowIsShownWhileAFormIsVisible)
{
    HWND window = Application->Handle();
    ASSERT_FALSE(IsWindowVisible(window));
    TestForm* form = nullptr;
    Application->CreateAppForm(form);
    form->SetFormVisible(true);
    EXPECT_TRUE(IsWindowVisible(window));
    form->SetFormVisible(false);
    EXPECT_FALSE(IsWindowVisible(window));

    // Once someone else has hidden it directly, forms no longer bring it back.
    form->SetFormVisible(true);
    ShowWindow(window, SW_HIDE);
    form->SetFormVisible(false);
    form->SetFormVisible(true);
    EXPECT_FALSE(IsWindowVisible(window));
    // Shown again the same way, the window follows the forms once more.
    ShowWindow(window, SW_SHOWNA);
    form->SetFormVisible(false);
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(ApplicationTest, DisableThreadWindowsSparesOneAndSkipsHiddenAndDisabled)
{
    auto make = [](DWORD style) {
        return CreateWindowExA(
            0, "STATIC", "", WS_POPUP | style, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    };
    HWND spared = make(WS_VISIBLE);
    HWND visible = make(WS_VISIBLE);
    HWND hidden = make(0);
    HWND disabled = make(WS_VISIBLE | WS_DISABLED);
    std::vector<HWND> list = DisableThreadWindows(spared);
    EXPECT_TRUE(IsWindowEnabled(spared));
    EXPECT_FALSE(IsWindowEnabled(visible));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_NE(std::find(list.begin(), list.end(), visible), list.end());
    EXPECT_EQ(std::find(list.begin(), list.end(), disabled), list.end());
    EXPECT_EQ(std::find(list.begin(), list.end(), hidden), list.end());

    DestroyWindow(spared); // a listed window that is gone is skipped
    EnableThreadWindows(list);
    EXPECT_TRUE(IsWindowEnabled(visible));
    EXPECT_FALSE(IsWindowEnabled(disabled));
    for (HWND window : { visible, hidden, disabled })
        DestroyWindow(window);
}

TEST_F(ApplicationTest, AppMessageBoxIsOwnedByTheAppWindowAndDisablesTheOthers)
{
    HWND other = CreateWindowExA(
        0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    int result = 0;
    {
        DialogWatcher watcher(other);
        result = Application->AppMessageBox("本文", "見出し", MB_OK | MB_ICONERROR);
        ASSERT_EQ(watcher.Count(), 1);
        EXPECT_EQ(watcher.Last().owner, Application->Handle());
        EXPECT_EQ(watcher.Last().caption, "見出し");
        EXPECT_EQ(watcher.Last().text, "本文");
        EXPECT_FALSE(watcher.Last().appWindowEnabled) << "other windows are disabled while the box is up";
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(IsWindowEnabled(other));
    DestroyWindow(other);
}

TEST_F(ApplicationTest, MinimizeAndRestoreTheApplicationWindow)
{
    int minimized = 0;
    int restored = 0;
    Application->OnAppMinimize = [&](TObject*) { ++minimized; };
    Application->OnAppRestore = [&](TObject*) { ++restored; };
    HWND window = Application->Handle();
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(window));
    Application->MinimizeApp(); // already iconic: nothing
    EXPECT_EQ(minimized, 1);
    SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(restored, 1);
    Application->OnAppMinimize = nullptr;
    Application->OnAppRestore = nullptr;
    ShowWindow(window, SW_HIDE);
}

TEST_F(ApplicationTest, DisablingTheAppWindowDisablesTheThreadsWindowsAndPushesTopMostsBack)
{
    HWND window = Application->Handle();
    ShowWindow(window, SW_SHOWNA);
    HWND other = CreateWindowExA(
        0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND topMost = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, window, nullptr,
        GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(GetWindowLongA(topMost, GWL_EXSTYLE) & WS_EX_TOPMOST);

    EnableWindow(window, FALSE);
    EXPECT_FALSE(IsWindowEnabled(other));
    EXPECT_FALSE(GetWindowLongA(topMost, GWL_EXSTYLE) & WS_EX_TOPMOST) << "pushed back while disabled";
    EnableWindow(window, TRUE);
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_TRUE(IsWindowEnabled(topMost));
    EXPECT_TRUE(GetWindowLongA(topMost, GWL_EXSTYLE) & WS_EX_TOPMOST) << "top-most again";

    DestroyWindow(topMost);
    DestroyWindow(other);
    ShowWindow(window, SW_HIDE);
}

TEST_F(ApplicationTest, TerminateAppAsksTheTerminateProcedures)
{
    static bool allow = true;
    static bool registered = false;
    if (!registered) {
        AddTerminateProc([] { return allow; });
        registered = true;
    }
    allow = false;
    Application->TerminateApp();
    PumpFor(30);
    EXPECT_FALSE(Application->Terminating());
    allow = true;
    Application->TerminateApp();
    EXPECT_TRUE(PumpUntil([] { return Application->Terminating(); }, 1000));
}

TEST_F(ApplicationTest, AChangedIconIsShownByTheWindow)
{
    HWND window = Application->Handle();
    HICON before = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(before, nullptr) << "the default application icon when the program has none";
    Application->AppIcon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_WARNING)));
    HICON icon = Application->Icon();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_QUERYDRAGICON, 0, 0)), icon);
    Application->AppIcon()->SetHandle(nullptr);
    EXPECT_EQ(Application->Icon(), nullptr);
    EXPECT_EQ(
        reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)), LoadIconA(nullptr, IDI_APPLICATION));
}
