// The tray icon: the shell's callbacks turned into events, activation and
// deactivation, the notify record, the owner form's minimize and close commands, the
// animation's timers and frames, the icon's return after the taskbar is made anew.
#include "tray/support/TrayTestSupport.h"
#include "frame/support/FrameTestSupport.h"
#include "tray/KitApplication.h"
#include "tray/KitCustomImageList.h"
#include "tray/KitTrayIcon.h"
#include "tray/PopupList.h"
#include "tray/PopupMenu.h"
#include "frame/Application.h"
#include "frame/Form.h"
#include "graphics/Icon.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void GiveIcon(TKitTrayIcon* tray) { tray->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION))); }

// A tray icon made in code shows itself only after being switched off and on.
void Activate(TKitTrayIcon* tray)
{
    tray->SetActive(false);
    tray->SetActive(true);
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
        TrayCallback(tray.get(), m);
    EXPECT_EQ(log, (std::vector<AnsiString> { "down0", "click", "up0", "dblclick", "down0+double", "click", "up0" }));
    EXPECT_EQ(at.x, tray->CursorPos().x);
    EXPECT_EQ(at.y, tray->CursorPos().y);

    // A right press without popup menu: only the press.
    log.clear();
    TrayCallback(tray.get(), WM_RBUTTONDOWN);
    EXPECT_EQ(log, (std::vector<AnsiString> { "down1" }));

    log.clear();
    for (UINT m :
        { WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, WM_MOUSEMOVE, WM_MOUSEWHEEL })
        TrayCallback(tray.get(), m);
    EXPECT_EQ(log,
        (std::vector<AnsiString> {
            "click", "up1", "dblclick", "down1+double", "down2", "click", "up2", "dblclick", "down2+double", "move" }));
    // Other messages of the window get the default handling.
    EXPECT_EQ(SendMessageA(tray->CallbackWindow(), WM_USER + 1, 0, 0), 0);
}

TEST_F(TrayIcon, AnIconFreedByItsOwnHandlerCallsNothingMore)
{
    auto owner = MakeComponent<TComponent>();
    auto menu = MakeComponent<TPopupMenu>();
    int menuOpenings = 0;
    menu->OnPopup = [&](TObject*) { ++menuOpenings; };
    // Should the menu open anyway, it is closed again at once.
    PopupMenuDriver driver([](HWND) { EndMenu(); });
    std::vector<AnsiString> log;
    // A tray icon whose handler named `freeIn` frees it.
    auto make = [&](const AnsiString& freeIn) {
        auto* tray = MakeOwned<TKitTrayIcon>(owner.get());
        tray->SetPopUpMenu(menu.get());
        auto step = [&, tray, freeIn](const AnsiString& what) {
            log.push_back(what);
            if (what == freeIn)
                owner->DestroyComponent(tray);
        };
        tray->OnMouseDown = [step](TObject*, TMouseButton, TShiftState, int, int) { step("down"); };
        tray->OnMouseUp = [step](TObject*, TMouseButton, TShiftState, int, int) { step("up"); };
        tray->OnClick = [step](TObject*) { step("click"); };
        tray->OnDblClick = [step](TObject*) { step("dblclick"); };
        tray->OnPopUp = [step](TObject*) { step("popup"); };
        return tray->CallbackWindow();
    };
    struct Case {
        const char* freeIn;
        UINT mouseMessage;
        std::vector<AnsiString> expected;
    };
    const Case cases[] = {
        { "click", WM_LBUTTONUP, { "click" } },
        { "dblclick", WM_LBUTTONDBLCLK, { "dblclick" } },
        { "down", WM_RBUTTONDOWN, { "down" } },
        { "popup", WM_RBUTTONDOWN, { "down", "popup" } },
    };
    for (const Case& c : cases) {
        log.clear();
        HWND callback = make(c.freeIn);
        SendMessageA(callback, WM_TRAYNOTIFY, 0, c.mouseMessage);
        EXPECT_EQ(log, c.expected) << c.freeIn;
        EXPECT_FALSE(IsWindow(callback)) << c.freeIn;
    }
    EXPECT_EQ(owner->ComponentCount(), 0);
    EXPECT_EQ(menuOpenings, 0);
    EXPECT_FALSE(driver.Seen());
}

TEST_F(TrayIcon, ActiveMovesBetweenTrayAndTaskbar)
{
    auto owner = MakeComponent<RecordingOwner>();
    LONG_PTR ownProcedure = GetWindowLongPtrA(owner->FormHandle(), GWLP_WNDPROC);
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
    EXPECT_FALSE(owner->FormVisible()); // the owner is not shown

    tray->SetActive(true);
    EXPECT_TRUE(tray->Hooked());
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));
    EXPECT_TRUE(IconInTray(tray->CallbackWindow()));

    // A new icon is shown at once; freeing the component takes the icon out.
    tray->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_WARNING)));
    EXPECT_TRUE(IconInTray(tray->CallbackWindow()));
    owner->DestroyComponent(tray);
    EXPECT_EQ(ShownTrayIcons(), before);
    // The owner's window has its own procedure again.
    EXPECT_EQ(GetWindowLongPtrA(owner->FormHandle(), GWLP_WNDPROC), ownProcedure);
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

    tray->GetTimer(nullptr); // without a list: nothing
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

    // So does one made in code and never activated, though its Active reads true.
    auto fresh = MakeComponent<TKitTrayIcon>();
    GiveIcon(fresh.get());
    SendMessageA(fresh->CallbackWindow(), taskbarCreated, 0, 0);
    EXPECT_FALSE(IconInTray(fresh->CallbackWindow()));
}

}
