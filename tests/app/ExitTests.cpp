// The exit item ends the program at once from every modal loop it can be chosen in:
// the notices of the start, an error box of the clock, the about window and the
// folder browser chosen again from the menu.
#include "app/support/MainWindowFixture.h"

#include "app/Infowindow1.h"
#include "app/Mainwindow1.h"
#include "frame/Application.h"
#include "frame/SpeedButton.h"
#include "frame/Timer.h"
#include "tray/KitTrayIcon.h"
#include "tray/MenuItem.h"

#include <shellapi.h>

namespace {

bool TrayIconGone(HWND window)
{
    NOTIFYICONDATAA data {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    return Shell_NotifyIconA(NIM_MODIFY, &data) == 0;
}

// Whether a window of the kind is open: a notice, a message box (not the browser),
// the about window, the browser.
enum class Open { Notice, ErrorBox, About, Browser };

bool IsOpen(Open kind)
{
    switch (kind) {
    case Open::Notice: return !ThreadWindows("TMessageForm").empty();
    case Open::ErrorBox:
    case Open::Browser:
        for (HWND dialog : ThreadWindows("#32770")) {
            bool browser = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr) != nullptr;
            if (browser == (kind == Open::Browser))
                return true;
        }
        return false;
    case Open::About: return InfoForm1 && IsWindowVisible(InfoForm1->Handle());
    }
    return false;
}

}

TEST_F(MainWindowTest, ExitFromAnyModalLoopEndsTheProgramAtOnce)
{
    struct Case {
        const char* name;
        bool atStart;    // opened by the start's folder choice, else from the loop
        bool withPhotos; // the chosen folder holds photos
        Open kind;
    };
    const Case cases[] = {
        { "notice of a folder without photos", true, false, Open::Notice },
        { "notice of the first photo's wait", true, true, Open::Notice },
        { "error box of a failed minute", false, true, Open::ErrorBox },
        { "about window", false, true, Open::About },
        { "folder browser chosen again", false, true, Open::Browser },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        if (c.withPhotos)
            folder.Write("sv_damaged_1700.jpg", "");
        DWORD chosenAt = 0;
        // The user chooses the exit item from the tray menu while the window is open.
        auto chooseExit = [&] {
            if (chosenAt == 0 && IsOpen(c.kind)) {
                chosenAt = GetTickCount();
                MainForm1->X1->Click();
            } else if (chosenAt != 0 && GetTickCount() - chosenAt > 3000 && !Application->Terminating()) {
                // The quit message was lost: end the test's loops instead of hanging.
                ADD_FAILURE() << "the exit item did not end the loops";
                Application->SetTerminating(true);
                for (HWND dialog : ThreadWindows("#32770"))
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                if (InfoForm1)
                    InfoForm1->SpeedButton2Click(InfoForm1->SpeedButton2);
            }
        };
        {
            BrowserScript browser(folder.Path());
            auto user = c.atStart ? std::make_unique<ModalWatcher>(chooseExit) : WatchBoxes();
            Application->CreateAppForm(MainForm1);
        }
        MainForm1->SetDesktopShell(std::make_unique<RecordingShell>(shell));
        MainForm1->ProgramFolder = programFolder.Path();
        Application->CreateAppForm(InfoForm1);
        HWND trayWindow = MainForm1->KitTrayIcon1->CallbackWindow();

        // From the running loop, the window is opened and exit chosen inside it. After
        // a start that ended with the exit item, no timer of the test is left running:
        // a loop waiting for one more message would wait for the guard below.
        bool opened = false;
        ClockAt clock(17, 0);
        std::unique_ptr<ModalWatcher> opener, user;
        if (!c.atStart) {
            opener = std::make_unique<ModalWatcher>([&] {
                if (opened)
                    return;
                opened = true;
                if (c.kind == Open::ErrorBox)
                    SendMessageA(MainForm1->Timer1->WindowHandle(), WM_TIMER, 1, 0);
                else if (c.kind == Open::About)
                    MainForm1->N9->Click();
                else
                    MainForm1->N2->Click();
            });
            user = std::make_unique<ModalWatcher>(chooseExit);
        }
        UINT_PTR guard = SetTimer(nullptr, 0, 5000, nullptr);
        Application->RunApp();
        DWORD ended = GetTickCount();
        KillTimer(nullptr, guard);

        EXPECT_NE(chosenAt, 0u) << "the window was not seen open";
        EXPECT_TRUE(Application->Terminating());
        EXPECT_LE(ended - chosenAt, 1000u) << "the loop went on after the exit item";
        EXPECT_FALSE(IsOpen(c.kind));
        Application->DestroyComponent(InfoForm1);
        InfoForm1 = nullptr;
        Application->DestroyComponent(MainForm1);
        MainForm1 = nullptr;
        EXPECT_TRUE(TrayIconGone(trayWindow));
        Application->SetTerminating(false);
    }
}
