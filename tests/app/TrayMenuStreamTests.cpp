// The tray icon and its menu as the main window's stream builds them (read into the
// form's stand-in): the icon in the tray, the menu's items and check mark, a right
// press opening the menu, and the commands' numbering in a fresh process.
#include "app/support/ProgramFormStandIns.h"
#include "frame/Application.h"
#include "frame/Reader.h"
#include "frame/support/FrameTestSupport.h"
#include "graphics/Icon.h"
#include "runtime/Stream.h"
#include "tray/PopupList.h"
#include "tray/support/TrayTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The main window's stream read with stand-ins for the controls.
class MainStream : public ::testing::Test {
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
        Application->SetShowPrimaryForm(true);
        ShowWindow(Application->Handle(), SW_HIDE);
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
    const char* texts[] = { "別のフォルダを選択する(&F)...", "", "壁紙更新時に音を鳴らす(&S)", "",
        "ユーザーズガイド(&G)", "ソフトウェア情報(&A)...", "", "終了する(&X)" };
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
    TrayCallback(tray, WM_RBUTTONDOWN);
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

TEST_F(MainStream, CommandIdsStartAtZeroInAFreshProcess) { EXPECT_EQ(RunChildCopy("MainStreamChild.*"), ChildPassed); }

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
