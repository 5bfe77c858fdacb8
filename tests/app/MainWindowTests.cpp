// The main window as the entry routine makes it: the components its resource
// creates, the folder choice with its browser and notices, the menu commands, and
// the end of the program.
#include "app/support/MainWindowFixture.h"

#include "app/Infowindow1.h"
#include "app/Mainwindow1.h"
#include "files/FileListBox.h"
#include "files/PathParts.h"
#include "frame/Application.h"
#include "frame/Image.h"
#include "frame/SpeedButton.h"
#include "frame/Timer.h"
#include "graphics/Picture.h"
#include "runtime/ClassInfo.h"
#include "runtime/Exceptions.h"
#include "tray/KitTrayIcon.h"
#include "tray/MenuItem.h"
#include "tray/PopupMenu.h"

#include <shellapi.h>

#include <algorithm>
#include <functional>

namespace {

const char NoPhotosText[] = "このフォルダには ファイル名の先頭が 'sv_' となっている\n"
                            "Sorviaの写真が見当たりません。\n"
                            "\n"
                            "再度 フォルダを選択してください。";
const char WaitText[] = "このソフトは １分単位で壁紙の更新を行なおうとします。\n"
                        "最初の写真が出るまで しばらくお待ちください。";
const char BrowseTitle[] = "Sorviaの写真が入っているフォルダを選択してください。";

AnsiString ClassNameOf(TComponent* component)
{
    const TClassInfo* info = ClassRegistry::Of(*component);
    return info ? info->Name() : AnsiString("?");
}

// Whether the program's icon is in the notification area: modifying it with no
// change succeeds only while it is there.
bool TrayIconPresent(HWND window)
{
    NOTIFYICONDATAA data {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != 0;
}

bool SameFolder(const AnsiString& a, const AnsiString& b) { return CompareFileNames(a, b) == 0; }

}

TEST_F(MainWindowTest, ResourceBuildsTheHiddenContainerWithRunningTimerAndActiveTrayIcon)
{
    CreateWindows();
    const char* expected[][2] = {
        { "Image1", "TImage" },
        { "FileListBox1", "TFileListBox" },
        { "Timer1", "TTimer" },
        { "KitTrayIcon1", "TKitTrayIcon" },
        { "PopupMenu1", "TPopupMenu" },
        { "N2", "TMenuItem" },
        { "N3", "TMenuItem" },
        { "N1", "TMenuItem" },
        { "N7", "TMenuItem" },
        { "N8", "TMenuItem" },
        { "N9", "TMenuItem" },
        { "N10", "TMenuItem" },
        { "X1", "TMenuItem" },
    };
    ASSERT_EQ(MainForm1->ComponentCount(), static_cast<int>(std::size(expected)));
    for (int i = 0; i < MainForm1->ComponentCount(); ++i) {
        EXPECT_EQ(MainForm1->Components(i)->Name(), expected[i][0]) << i;
        EXPECT_EQ(ClassNameOf(MainForm1->Components(i)), expected[i][1]) << i;
    }
    EXPECT_EQ(MainForm1->Caption(), "MainForm1");
    EXPECT_FALSE(MainForm1->Visible());
    EXPECT_FALSE(IsWindowVisible(MainForm1->Handle()));
    EXPECT_EQ(MainForm1->Image1->Left(), Scaled(MainForm1, 144));
    EXPECT_EQ(MainForm1->Image1->Width(), Scaled(MainForm1, 320));
    EXPECT_EQ(MainForm1->FileListBox1->Height(), Scaled(MainForm1, 145));

    EXPECT_TRUE(MainForm1->Timer1->Enabled());
    EXPECT_EQ(MainForm1->Timer1->Interval(), 60000u);
    EXPECT_TRUE(static_cast<bool>(MainForm1->Timer1->OnTimer()));

    EXPECT_TRUE(MainForm1->KitTrayIcon1->Active());
    EXPECT_EQ(MainForm1->KitTrayIcon1->PopupMenu(), MainForm1->PopupMenu1);
    EXPECT_FALSE(Application->ShowPrimaryForm());

    const char* captions[] = { "別のフォルダを選択する(&F)...", "-", "壁紙更新時に音を鳴らす(&S)", "-",
        "ユーザーズガイド(&G)", "ソフトウェア情報(&A)...", "-", "終了する(&X)" };
    TMenuItem* items = MainForm1->PopupMenu1->Items();
    ASSERT_EQ(items->Count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(items->Items(i)->Caption(), captions[i]) << i;
        EXPECT_EQ(items->Items(i)->Checked(), i == 2) << i;
    }

    // The items' handlers are bound: the beep item toggles its check, the guide item
    // opens the guide, the separators have none.
    MainForm1->N1->Click();
    EXPECT_FALSE(MainForm1->N1->Checked());
    MainForm1->N1->Click();
    EXPECT_TRUE(MainForm1->N1->Checked());
    MainForm1->N8->Click();
    EXPECT_EQ(shell.executions.size(), 1u);
    for (TMenuItem* separator : { MainForm1->N3, MainForm1->N7, MainForm1->N10 })
        EXPECT_FALSE(static_cast<bool>(separator->OnClick)) << separator->Name();
    EXPECT_TRUE(static_cast<bool>(MainForm1->N2->OnClick));
    EXPECT_TRUE(static_cast<bool>(MainForm1->X1->OnClick));

    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(constructedProgramFolder, ExtractFileDir(module));
    ASSERT_TRUE(InfoForm1 != nullptr);
    EXPECT_FALSE(InfoForm1->Visible());
}

TEST_F(MainWindowTest, CancelledBrowserShowsNothingAndKeepsTheListedFolder)
{
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    CreateWindows();
    ASSERT_TRUE(lastBrowser->Seen());
    EXPECT_EQ(lastBrowser->Owner(), MainForm1->Handle());
    EXPECT_TRUE(std::ranges::find(lastBrowser->Texts(), AnsiString(BrowseTitle)) != lastBrowser->Texts().end());
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(MainForm1->ChosenFolder, "");
    EXPECT_TRUE(SameFolder(MainForm1->FileListBox1->Folder(), current));
    EXPECT_EQ(MainForm1->FileListBox1->Mask(), "*.*");

    photos.Write("sv_a_0101.jpg", SolidJpeg(RGB(1, 2, 3)));
    ChooseFolder(photos.Path());
    ChooseFolder("");
    EXPECT_EQ(MainForm1->ChosenFolder, "");
    EXPECT_TRUE(SameFolder(MainForm1->FileListBox1->Folder(), photos.Path()));
    EXPECT_EQ(MainForm1->FileListBox1->Mask(), "sv*");
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(MainWindowTest, ChosenFolderGetsTheNoticeForWhatItHolds)
{
    CreateWindows();
    TempFolder empty;
    empty.Write("photo_1200.jpg", SolidJpeg(RGB(1, 2, 3)));
    empty.Write("notes.txt", "x");
    ChooseFolder(empty.Path());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, NoPhotosText);
    EXPECT_EQ(notices[0].caption, "SV_WALLPAPER");
    EXPECT_EQ(shell.beeps, 1);
    EXPECT_TRUE(SameFolder(MainForm1->ChosenFolder, empty.Path()));

    photos.Write("SV_Harbour_0905.jpg", SolidJpeg(RGB(1, 2, 3)));
    ChooseFolder(photos.Path());
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[1].text, WaitText);
    EXPECT_EQ(shell.beeps, 1);
    EXPECT_TRUE(SameFolder(MainForm1->FileListBox1->Folder(), photos.Path()));
    EXPECT_EQ(MainForm1->FileListBox1->Mask(), "sv*");
    ASSERT_EQ(MainForm1->FileListBox1->Count(), 1);
    EXPECT_EQ(MainForm1->FileListBox1->Items(0), "SV_Harbour_0905.jpg");
}

TEST_F(MainWindowTest, MenuOpensTheGuideAndTheAboutWindowAgainAndAgain)
{
    CreateWindows();
    MainForm1->N8Click(MainForm1->N8);
    ASSERT_EQ(shell.executions.size(), 1u);
    const ShellLog::Execution& guide = shell.executions[0];
    EXPECT_EQ(guide.window, MainForm1->Handle());
    EXPECT_EQ(guide.operation, "OPEN");
    EXPECT_EQ(guide.file, programFolder.Path() + "/Readme.txt");
    EXPECT_EQ(guide.parameters, "");
    EXPECT_EQ(guide.directory, "");
    EXPECT_EQ(guide.show, SW_SHOW);

    // Closed by the button's click, then by its access key as a user types it.
    for (int round = 0; round < 2; ++round) {
        bool shown = false;
        int keysSent = 0;
        RECT bounds {};
        ModalWatcher closer([&] {
            if (!IsWindowVisible(InfoForm1->Handle()))
                return;
            shown = true;
            GetWindowRect(InfoForm1->Handle(), &bounds);
            if (round == 0 || keysSent > 25) {
                InfoForm1->SpeedButton2Click(InfoForm1->SpeedButton2);
                return;
            }
            ++keysSent;
            PostMessageA(InfoForm1->Handle(), WM_CHAR, 'x', 0);
        });
        MainForm1->N9Click(MainForm1->N9);
        EXPECT_TRUE(shown) << round;
        EXPECT_LE(keysSent, 25) << "the access key of CLOSE (&X) did not close the window";
        EXPECT_FALSE(IsWindowVisible(InfoForm1->Handle()));
        int screenWidth = GetSystemMetrics(SM_CXSCREEN);
        EXPECT_NEAR((bounds.left + bounds.right) / 2, screenWidth / 2, 2) << round;
    }
}

TEST_F(MainWindowTest, AboutWindowLinksCallTheShellAsStored)
{
    CreateWindows();
    InfoForm1->SpeedButton1Click(InfoForm1->SpeedButton1);
    InfoForm1->SpeedButton3Click(InfoForm1->SpeedButton3);
    InfoForm1->SpeedButton4Click(InfoForm1->SpeedButton4);
    ASSERT_EQ(shell.executions.size(), 3u);
    const auto& maker = shell.executions[0];
    const auto& mail = shell.executions[1];
    const auto& product = shell.executions[2];
    EXPECT_EQ(maker.window, InfoForm1->Handle());
    EXPECT_EQ(maker.operation, "OPEN");
    EXPECT_EQ(maker.file, MakerSiteAddress);
    EXPECT_EQ(maker.parameters, "");
    EXPECT_EQ(maker.show, SW_SHOW);
    EXPECT_EQ(mail.window, nullptr);
    EXPECT_EQ(mail.operation, "<null>");
    EXPECT_EQ(mail.file, AnsiString("MailTo:") + SupportMailAddress);
    EXPECT_EQ(mail.parameters, "<null>");
    EXPECT_EQ(mail.directory, "<null>");
    EXPECT_EQ(mail.show, SW_SHOWNORMAL);
    EXPECT_EQ(product.window, InfoForm1->Handle());
    EXPECT_EQ(product.file, ProductSiteAddress);
    EXPECT_EQ(product.directory, "");
    EXPECT_FALSE(InfoForm1->Visible());
}

TEST_F(MainWindowTest, ExitItemEndsTheLoopAndTheFormsTakeTheIconAndTimerAway)
{
    CreateWindows();
    HWND trayWindow = MainForm1->KitTrayIcon1->CallbackWindow();
    ASSERT_TRUE(TrayIconPresent(trayWindow));
    ASSERT_FALSE(Application->ShowPrimaryForm());
    bool seenHidden = true;
    ModalWatcher exit([&] {
        seenHidden = seenHidden && !IsWindowVisible(MainForm1->Handle());
        MainForm1->X1Click(MainForm1->X1);
    });
    Application->RunApp();
    EXPECT_TRUE(Application->Terminating());
    EXPECT_TRUE(seenHidden);

    HWND timerWindow = MainForm1->Timer1->WindowHandle();
    ASSERT_TRUE(IsWindow(timerWindow));
    Application->DestroyComponent(InfoForm1);
    InfoForm1 = nullptr;
    Application->DestroyComponent(MainForm1);
    MainForm1 = nullptr;
    EXPECT_FALSE(IsWindow(timerWindow));
    EXPECT_FALSE(TrayIconPresent(trayWindow));
}

// The tray menu answers while the about window or the folder browser is open: its
// item chosen again brings that window to the front, opens no second one and shows
// no error.
TEST_F(MainWindowTest, MenuItemChosenWhileItsWindowIsOpenBringsItToTheFront)
{
    CreateWindows();
    auto boxes = WatchBoxes();
    struct Case {
        const char* name;
        TMenuItem* item;
        std::function<std::vector<HWND>()> open; // the item's windows that are open
        std::function<void(HWND)> close;
    };
    const Case cases[] = {
        { "about window", MainForm1->N9,
            [] {
                return IsWindowVisible(InfoForm1->Handle()) ? std::vector<HWND> { InfoForm1->Handle() }
                                                            : std::vector<HWND> {};
            },
            [](HWND) { InfoForm1->SpeedButton2Click(InfoForm1->SpeedButton2); } },
        { "folder browser", MainForm1->N2,
            [] {
                std::vector<HWND> browsers;
                for (HWND dialog : ThreadWindows("#32770"))
                    if (FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr))
                        browsers.push_back(dialog);
                return browsers;
            },
            [](HWND browser) { PostMessageA(browser, WM_COMMAND, IDCANCEL, 0); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        errors.clear();
        bool chosenAgain = false;
        bool stillModal = false;
        HWND shown = nullptr;
        HWND foreground = nullptr;
        std::size_t mostOpen = 0;
        bool choiceDone = false;
        std::unique_ptr<OneShot> again;
        ModalWatcher user([&] {
            std::vector<HWND> open = c.open();
            mostOpen = std::max(mostOpen, open.size());
            if (open.empty())
                return;
            if (!chosenAgain) {
                chosenAgain = true;
                shown = open.front();
                // The user's choice runs as its own message, outside this step, so
                // that a second window opened by it would be seen and closed here.
                again = std::make_unique<OneShot>([&] {
                    try {
                        c.item->Click();
                    } catch (const Exception& e) {
                        errors.push_back(e.Message());
                    }
                    foreground = GetForegroundWindow();
                    stillModal =
                        c.open() == std::vector<HWND> { shown } && (c.item != MainForm1->N9 || InfoForm1->IsModal());
                    choiceDone = true;
                });
                return;
            }
            if (!choiceDone && open.size() == 1)
                return;
            c.close(open.front());
        });
        c.item->Click();
        EXPECT_TRUE(chosenAgain);
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_TRUE(stillModal);
        EXPECT_EQ(foreground, shown);
        EXPECT_EQ(mostOpen, 1u) << "a second window was opened";
        EXPECT_TRUE(c.open().empty());
    }
}

// The tray menu works from the start, also while the folder browser of the start is
// open and the about window does not exist yet: its item then does nothing.
TEST_F(MainWindowTest, AboutItemChosenBeforeTheAboutWindowExistsDoesNothing)
{
    bool chosen = false;
    std::vector<AnsiString> boxes;
    {
        ModalWatcher user([&] {
            for (HWND dialog : ThreadWindows("#32770")) {
                if (!FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr)) {
                    boxes.push_back(MessageBoxText(dialog));
                    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                    continue;
                }
                if (!chosen && InfoForm1 == nullptr) {
                    chosen = true;
                    MainForm1->N9->Click();
                }
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
        });
        Application->CreateAppForm(MainForm1);
    }
    EXPECT_TRUE(chosen);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    // The start goes on: the about window is made and can be shown.
    Application->CreateAppForm(InfoForm1);
    bool shown = false;
    ModalWatcher closer([&] {
        if (!IsWindowVisible(InfoForm1->Handle()))
            return;
        shown = true;
        InfoForm1->SpeedButton2Click(InfoForm1->SpeedButton2);
    });
    MainForm1->N9->Click();
    EXPECT_TRUE(shown);
}

// The exit item chosen while the folder browser of the start is open: the browser
// goes away, the start completes and the message loop ends at once.
TEST_F(MainWindowTest, ExitChosenDuringTheStartupBrowserEndsTheProgram)
{
    bool chosen = false;
    int stepsWithBrowserAfterExit = 0;
    {
        ModalWatcher user([&] {
            for (HWND dialog : ThreadWindows("#32770")) {
                if (!FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr))
                    continue;
                if (!chosen) {
                    chosen = true;
                    MainForm1->X1->Click();
                } else if (++stepsWithBrowserAfterExit > 25) {
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                }
            }
        });
        Application->CreateAppForm(MainForm1);
    }
    EXPECT_TRUE(chosen);
    EXPECT_LE(stepsWithBrowserAfterExit, 25) << "the browser stayed open after the exit item";
    Application->CreateAppForm(InfoForm1);
    int loopSteps = 0;
    ModalWatcher stopper([&] {
        if (++loopSteps > 25)
            MainForm1->X1Click(MainForm1->X1);
    });
    Application->RunApp();
    EXPECT_TRUE(Application->Terminating());
    EXPECT_LE(loopSteps, 25) << "the loop went on after the exit item";
}
