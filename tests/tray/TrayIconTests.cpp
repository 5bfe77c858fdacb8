// The tray icon: the shell's callbacks turned into events, activation and
// deactivation, the notify record, the owner form's minimize and close commands, the
// animation's timers and frames, the icon's return after the taskbar is made anew,
// and the icon and menu read from the main window's stream.
#include "TrayTestSupport.h"
#include "FakeForms.h"
#include "FrameTestSupport.h"
#include "tray/KitApplication.h"
#include "tray/KitCustomImageList.h"
#include "tray/KitTrayIcon.h"
#include "tray/PopupList.h"
#include "tray/PopupMenu.h"
#include "frame/Application.h"
#include "frame/Form.h"
#include "frame/Reader.h"
#include "graphics/Icon.h"
#include "runtime/Stream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

BOOL CALLBACK CountTrayIconChildren(HWND window, LPARAM data)
{
    char name[64] {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "__winex11_tray_icon") == 0)
        ++*reinterpret_cast<int*>(data);
    return TRUE;
}

BOOL CALLBACK CountInTopLevel(HWND window, LPARAM data)
{
    CountTrayIconChildren(window, data);
    EnumChildWindows(window, &CountTrayIconChildren, data);
    return TRUE;
}

// The icons the shell draws (Wine's tray icon windows).
int ShownTrayIcons()
{
    int count = 0;
    EnumWindows(&CountInTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

void GiveIcon(TKitTrayIcon* tray)
{
    tray->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
}

// A tray icon made in code shows itself only after being switched off and on.
void Activate(TKitTrayIcon* tray)
{
    tray->SetActive(false);
    tray->SetActive(true);
}

LRESULT Callback(TKitTrayIcon* tray, UINT mouseMessage)
{
    return SendMessageA(tray->CallbackWindow(), WM_TRAYNOTIFY, 0, mouseMessage);
}

class TrayIcon : public ::testing::Test {
protected:
    void TearDown() override
    {
        Application->SetShowPrimaryForm(true);
        ShowWindow(Application->Handle(), SW_HIDE);
    }
};

TEST_F(TrayIcon, CallbacksBecomeEventsInTheShellsOrder)
{
    auto tray = MakeComponent<TKitTrayIcon>();
    std::vector<AnsiString> log;
    POINT at { -1, -1 };
    auto mouse = [&](const char* what) {
        return [&, what](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
            EXPECT_EQ(sender, tray.get());
            EXPECT_EQ(shift & ~ssDouble & ~ssAlt, 0u);
            at = { x, y };
            log.push_back(AnsiString(what) + IntToStr(button) + (shift & ssDouble ? "+double" : ""));
        };
    };
    tray->OnMouseDown = mouse("down");
    tray->OnMouseUp = mouse("up");
    tray->OnClick = [&](TObject*) { log.push_back("click"); };
    tray->OnDblClick = [&](TObject*) { log.push_back("dblclick"); };
    tray->OnMouseMove = [&](TObject*, TShiftState, int, int) { log.push_back("move"); };
    tray->OnPopUp = [&](TObject*) { log.push_back("popup"); };

    // A left double click: down, up, double click, up.
    for (UINT m : { WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP })
        Callback(tray.get(), m);
    EXPECT_EQ(log, (std::vector<AnsiString> { "down0", "click", "up0", "dblclick", "down0+double", "click", "up0" }));
    EXPECT_EQ(at.x, tray->CursorPos().x);
    EXPECT_EQ(at.y, tray->CursorPos().y);

    // A right press without popup menu: only the press.
    log.clear();
    Callback(tray.get(), WM_RBUTTONDOWN);
    EXPECT_EQ(log, (std::vector<AnsiString> { "down1" }));

    log.clear();
    for (UINT m : { WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, WM_MOUSEMOVE, WM_MOUSEWHEEL })
        Callback(tray.get(), m);
    EXPECT_EQ(log, (std::vector<AnsiString> { "click", "up1", "dblclick", "down1+double", "down2", "click", "up2",
        "dblclick", "down2+double", "move" }));
    // Other messages of the window get the default handling.
    EXPECT_EQ(SendMessageA(tray->CallbackWindow(), WM_USER + 1, 0, 0), 0);
}

TEST_F(TrayIcon, AnIconFreedByOneOfItsEventsGetsNoFurtherEvents)
{
    // Each pair: the message, and the event of it that frees the icon; every later
    // event of the same message must not come.
    struct Case {
        UINT message;
        const char* freeingEvent;
    };
    for (const Case& c : { Case { WM_LBUTTONUP, "click" }, Case { WM_LBUTTONDBLCLK, "dblclick" },
             Case { WM_RBUTTONDOWN, "down" }, Case { WM_RBUTTONDOWN, "popup" } }) {
        SCOPED_TRACE(c.freeingEvent);
        auto owner = MakeComponent<TComponent>();
        auto* tray = MakeOwned<TKitTrayIcon>(owner.get());
        tray->SetPopUpMenu(MakeOwned<TPopupMenu>(owner.get()));
        HWND window = tray->CallbackWindow();
        std::vector<AnsiString> log;
        auto record = [&](const char* what) {
            log.push_back(what);
            if (AnsiString(what) == c.freeingEvent)
                owner->DestroyComponent(tray);
        };
        tray->OnClick = [&](TObject*) { record("click"); };
        tray->OnDblClick = [&](TObject*) { record("dblclick"); };
        tray->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { record("down"); };
        tray->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { record("up"); };
        tray->OnPopUp = [&](TObject*) { record("popup"); };
        SendMessageA(window, WM_TRAYNOTIFY, 0, c.message);
        std::vector<AnsiString> expected { c.freeingEvent };
        if (AnsiString(c.freeingEvent) == "popup")
            expected.insert(expected.begin(), "down");
        EXPECT_EQ(log, expected);
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(TrayIcon, ActiveMovesBetweenTrayAndTaskbar)
{
    auto owner = MakeComponent<RecordingOwner>();
    auto* tray = MakeOwned<TKitTrayIcon>(owner.get());
    GiveIcon(tray);
    int before = ShownTrayIcons();
    // Made in code: active, but nothing shown and nothing hooked yet.
    EXPECT_TRUE(tray->Active());
    EXPECT_FALSE(IconInTray(tray->CallbackWindow()));
    EXPECT_FALSE(tray->Hooked());

    Activate(tray);
    EXPECT_TRUE(IconInTray(tray->CallbackWindow()));
    EXPECT_EQ(ShownTrayIcons(), before + 1);
    EXPECT_TRUE(tray->Hooked());
    EXPECT_FALSE(Application->ShowPrimaryForm());
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));

    tray->SetActive(false);
    EXPECT_FALSE(IconInTray(tray->CallbackWindow()));
    EXPECT_EQ(ShownTrayIcons(), before);
    EXPECT_FALSE(tray->Hooked());
    EXPECT_TRUE(Application->ShowPrimaryForm());
    EXPECT_TRUE(IsWindowVisible(Application->Handle()));
    EXPECT_FALSE(owner->FormVisible());   // the owner is not shown

    tray->SetActive(true);
    EXPECT_TRUE(tray->Hooked());
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));
    EXPECT_TRUE(IconInTray(tray->CallbackWindow()));

    // A new icon is shown at once; freeing the component takes the icon out.
    tray->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_WARNING)));
    EXPECT_TRUE(IconInTray(tray->CallbackWindow()));
    owner->DestroyComponent(tray);
    EXPECT_EQ(ShownTrayIcons(), before);
}

TEST_F(TrayIcon, TheNotifyRecordCarriesAtMost63BytesOfHint)
{
    auto tray = MakeComponent<TKitTrayIcon>();
    AnsiString hint(100, 'h');
    for (std::size_t i = 0; i < hint.size(); ++i)
        hint[i] = static_cast<char>('a' + i % 26);
    tray->SetHint(hint);
    NOTIFYICONDATAA record = tray->NotifyRecord();
    EXPECT_EQ(AnsiString(record.szTip), hint.substr(0, 63));
    EXPECT_EQ(record.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    if (sizeof(void*) == 4) {
        EXPECT_EQ(record.cbSize, 88u);
    }
    EXPECT_EQ(record.hWnd, tray->CallbackWindow());
    EXPECT_EQ(record.uID, 0u);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.uCallbackMessage, 0x0465u);

    // A double-byte character across the limit is left out whole.
    AnsiString japanese = AnsiString(62, 'x') + "壁紙";
    tray->SetHint(japanese);
    EXPECT_EQ(AnsiString(tray->NotifyRecord().szTip), AnsiString(62, 'x'));
}

TEST_F(TrayIcon, GlobalTimerIntervalsAreRoundedToThePoolsTick)
{
    auto tray = MakeComponent<TKitTrayIcon>();
    tray->SetInterval(230);
    EXPECT_EQ(tray->Interval(), 230);
    tray->SetAnimated(true);
    EXPECT_EQ(tray->Interval(), 250);
    std::uint16_t id = tray->GlobalTimerId();
    ASSERT_GT(id, 0xFD00);
    TKitTimerItem* item = KitApplication()->GetTimer(id);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->Enabled());
    EXPECT_EQ(item->Interval(), 250);
    EXPECT_TRUE(KitApplication()->TimerPool()->Active());

    tray->SetAnimated(false);
    EXPECT_EQ(tray->GlobalTimerId(), 0);
    EXPECT_EQ(KitApplication()->GetTimer(id), nullptr);

    // An interval beyond the last multiple of 50 that fits 16 bits stays in range.
    tray->SetInterval(65520);
    tray->SetAnimated(true);
    EXPECT_EQ(tray->Interval(), 65500);
    tray->SetAnimated(false);

    // The high-resolution modes make a timer of their own.
    tray->SetTimerMode(tmThreaded);
    tray->SetInterval(20);
    tray->SetAnimated(true);
    ASSERT_NE(tray->HiTimer(), nullptr);
    EXPECT_TRUE(tray->HiTimer()->UseThread());
    EXPECT_TRUE(tray->HiTimer()->Enabled());
    EXPECT_EQ(tray->HiTimer()->Interval(), 20u);
    tray->SetAnimated(false);
    EXPECT_EQ(tray->HiTimer(), nullptr);
}

TEST_F(TrayIcon, AnimationStepsThroughEveryFrameAndNoFurther)
{
    auto tray = MakeComponent<TKitTrayIcon>();
    auto images = MakeComponent<TKitCustomImageList>();
    int list = images->AddList();
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < 3; ++i) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
        images->AddImage(list, bitmap, RGB(255, 0, 255));
        DeleteObject(bitmap);
    }
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(images->ImageCount(0), 3);

    tray->GetTimer(nullptr);   // without a list: nothing
    EXPECT_EQ(tray->FrameIndex(), 0);
    tray->SetImageList(images.get());
    std::vector<int> shown;
    for (int i = 0; i < 7; ++i) {
        tray->GetTimer(nullptr);
        shown.push_back(tray->FrameIndex());
    }
    EXPECT_EQ(shown, (std::vector<int> { 1, 2, 0, 1, 2, 0, 1 }));

    // A list of one image shows that image every time.
    auto single = MakeComponent<TKitCustomImageList>();
    single->AddList();
    HDC dc = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 16, 16);
    single->AddImage(0, bitmap, RGB(255, 0, 255));
    DeleteObject(bitmap);
    ReleaseDC(nullptr, dc);
    tray->SetImageList(single.get());
    tray->GetTimer(nullptr);
    tray->GetTimer(nullptr);
    EXPECT_EQ(tray->FrameIndex(), 0);

    // A list that goes away is forgotten.
    single.reset();
    EXPECT_EQ(tray->ImageList(), nullptr);
}

TEST_F(TrayIcon, MinimizeAndCloseOfTheOwnerForm)
{
    auto form = MakeComponent<TForm>(TFormSource::None);
    auto* tray = MakeOwned<TKitTrayIcon>(form.get());
    GiveIcon(tray);
    Activate(tray);
    ASSERT_TRUE(tray->Hooked());
    HWND window = form->Handle();

    form->ShowForm();
    ShowWindow(Application->Handle(), SW_SHOWNA);
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));

    // With ShowMinimizedIcon the minimize is ordinary.
    tray->SetShowMinimizedIcon(true);
    form->ShowForm();
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(window));
    EXPECT_TRUE(form->Visible());
    ShowWindow(window, SW_RESTORE);

    // NoClose: the close command hides the form and never reaches it.
    int closeRequests = 0;
    form->OnClose = [&](TObject*, TCloseAction&) { ++closeRequests; };
    tray->SetNoClose(true);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(closeRequests, 0);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(IsWindow(window));
    tray->SetNoClose(false);
    form->ShowForm();
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(closeRequests, 1);
}

TEST_F(TrayIcon, TheIconComesBackWhenTheTaskbarIsMadeAnew)
{
    auto tray = MakeComponent<TKitTrayIcon>();
    GiveIcon(tray.get());
    Activate(tray.get());
    ASSERT_TRUE(IconInTray(tray->CallbackWindow()));
    UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

    // The shell lost the icon (as when explorer restarts).
    NOTIFYICONDATAA record = tray->NotifyRecord();
    Shell_NotifyIconA(NIM_DELETE, &record);
    ASSERT_FALSE(IconInTray(tray->CallbackWindow()));
    SendMessageA(tray->CallbackWindow(), taskbarCreated, 0, 0);
    EXPECT_TRUE(IconInTray(tray->CallbackWindow()));

    // An inactive icon stays away.
    tray->SetActive(false);
    SendMessageA(tray->CallbackWindow(), taskbarCreated, 0, 0);
    EXPECT_FALSE(IconInTray(tray->CallbackWindow()));
}

// The main window's stream read with stand-ins for the controls.
class MainStream : public TrayIcon {
protected:
    void SetUp() override
    {
        form = MakeComponent<TFakeMainForm>();
        AnsiString bytes = FormResource("TMAINFORM1");
        TMemoryStream stream(bytes);
        TReader reader(stream);
        reader.ReadRootComponent(*form);
    }
    void TearDown() override
    {
        form.reset();
        TrayIcon::TearDown();
    }
    TComponentPtr<TFakeMainForm> form;
};

TEST_F(MainStream, BuildsTheTrayIconAndItsMenu)
{
    TKitTrayIcon* tray = form->KitTrayIcon1;
    ASSERT_NE(tray, nullptr);
    ASSERT_NE(form->PopupMenu1, nullptr);
    EXPECT_EQ(tray->PopupMenu(), form->PopupMenu1);
    EXPECT_TRUE(tray->ShowMinimizedIcon());
    EXPECT_EQ(tray->Hint(), "");
    EXPECT_FALSE(tray->Animated());
    EXPECT_EQ(tray->Icon()->Width(), 32);
    // Loaded activated it: the icon is in the tray and there is no taskbar button.
    EXPECT_TRUE(tray->Active());
    EXPECT_TRUE(IconInTray(tray->CallbackWindow()));
    EXPECT_FALSE(Application->ShowPrimaryForm());
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));

    TMenuItem* root = form->PopupMenu1->Items();
    ASSERT_EQ(root->Count(), 8);
    HMENU menu = form->PopupMenu1->Handle();
    ASSERT_EQ(GetMenuItemCount(menu), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(GetMenuItemID(menu, i), static_cast<UINT>(root->Command() + 1 + i));
    const char* texts[] = { "別のフォルダを選択する(&F)...", "", "壁紙更新時に音を鳴らす(&S)", "", "ユーザーズガイド(&G)",
        "ソフトウェア情報(&A)...", "", "終了する(&X)" };
    for (int i = 0; i < 8; ++i) {
        char text[128] {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(AnsiString(text), texts[i]) << i;
    }
    // The check mark follows N1.
    EXPECT_TRUE(GetMenuState(menu, form->N1->Command(), MF_BYCOMMAND) & MF_CHECKED);
    form->N1->SetChecked(false);
    EXPECT_FALSE(GetMenuState(menu, form->N1->Command(), MF_BYCOMMAND) & MF_CHECKED);
    form->N1->SetChecked(true);
    EXPECT_TRUE(GetMenuState(menu, form->N1->Command(), MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(MainStream, ARightPressOpensTheMenuAndTheChosenItemRunsItsHandler)
{
    TKitTrayIcon* tray = form->KitTrayIcon1;
    HWND callback = tray->CallbackWindow();
    SetCursorPos(140, 150);
    PopupMenuDriver driver([](HWND menuWindow) { PostMessageA(menuWindow, WM_CHAR, 's', 0); });
    Callback(tray, WM_RBUTTONDOWN);
    EXPECT_TRUE(driver.Seen());
    EXPECT_EQ(driver.ShownMenu(), form->PopupMenu1->Handle());
    EXPECT_EQ(form->PopupMenu1->InvokingComponent(), tray);
    // The automatic passes found nothing to change in the program's menu.
    EXPECT_EQ(GetMenuItemCount(driver.ShownMenu()), 8);
    EXPECT_EQ(form->PopupMenu1->Items()->Items(5)->Caption(), "ソフトウェア情報(&A)...");
    EXPECT_EQ(form->PopupMenu1->PopupPoint().x, tray->CursorPos().x);
    EXPECT_EQ(form->PopupMenu1->PopupPoint().y, tray->CursorPos().y);
    // The chosen command comes back through the popup list's window.
    EXPECT_TRUE(PumpUntil([&] { return !form->calls.empty(); }, 2000));
    EXPECT_EQ(form->calls, (std::vector<AnsiString> { "N1Click" }));

    // Freeing the component takes the icon out of the tray; the menu forgets it.
    ASSERT_TRUE(IconInTray(callback));
    int shown = ShownTrayIcons();
    form->DestroyComponent(tray);
    EXPECT_EQ(ShownTrayIcons(), shown - 1);
    EXPECT_EQ(form->PopupMenu1->InvokingComponent(), nullptr);
}

TEST_F(MainStream, CommandIdsStartAtZeroInAFreshProcess)
{
    EXPECT_EQ(RunChildCopy("MainStreamChild.*"), ChildPassed);
}

TEST(MainStreamChild, RootTakesZeroAndTheItemsOneToEight)
{
    if (!InChildCopy())
        GTEST_SKIP() << "runs in the second copy only";
    auto form = MakeComponent<TFakeMainForm>();
    AnsiString bytes = FormResource("TMAINFORM1");
    TMemoryStream stream(bytes);
    TReader reader(stream);
    reader.ReadRootComponent(*form);
    TMenuItem* root = form->PopupMenu1->Items();
    EXPECT_EQ(root->Command(), 0);
    for (int i = 0; i < root->Count(); ++i)
        EXPECT_EQ(root->Items(i)->Command(), i + 1);
    // The popup list's window goes with the last popup menu.
    HWND list = PopupList().Window();
    EXPECT_TRUE(IsWindow(list));
    form.reset();
    EXPECT_FALSE(IsWindow(list));
    EndChildCopy();
}

}
