// The main window made as the program makes it, for the wallpaper clock's tests: the
// folder browser of its OnCreate answered from inside its loop, the shell calls
// recorded instead of made, the program folder a scratch folder.
#pragma once

#include "app/support/AppTestSupport.h"
#include "app/support/BrowserScript.h"

#include "app/DesktopShell.h"
#include "common/ClipboardSupport.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// What the windows asked of the shell.
struct ShellLog {
    struct Execution {
        HWND window;
        AnsiString operation, file, parameters, directory; // "<null>" for a null pointer
        int show;
    };
    std::vector<AnsiString> wallpapers;     // paths given
    std::vector<AnsiString> wallpaperFiles; // their bytes at the time of the call
    std::vector<DWORD> wallpaperAttributes; // their attributes then
    // When set, what the clipboard held at each wallpaper call.
    bool recordClipboard = false;
    std::vector<ClipboardBytes> clipboards;
    int beeps = 0;
    std::vector<Execution> executions;
};

class RecordingShell : public TDesktopShell {
public:
    explicit RecordingShell(ShellLog& log) : m_log(log) {}
    // The test's clock (ClockAt), else the system's.
    SYSTEMTIME LocalClock() override { return ClockAt::Now(); }
    void SetWallpaper(char* path) override;
    void Beep() override { ++m_log.beeps; }
    void Execute(HWND window, const char* operation, const char* file, const char* parameters, const char* directory,
        int showCommand) override;

private:
    ShellLog& m_log;
};

class TCustomForm;
// A designed size or position as the form shows it: forms scale their controls by
// the ratio of their font's measured text height to the stored TextHeight (12).
int Scaled(TCustomForm* form, int designed);

// A notice box (the frame's message form) seen while it was open.
struct SeenNotice {
    AnsiString caption;
    AnsiString text;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates MainForm1 and InfoForm1 as the entry routine does; the browser of the
    // folder choice is answered with the folder (empty: cancelled), notices are read
    // and closed.
    void CreateWindows(const AnsiString& folder = {});
    // Runs the folder choice again (the menu's "choose another folder").
    void ChooseFolder(const AnsiString& folder);
    // One tick of the clock at the given local time; error boxes are read and closed.
    void TickAt(int hour, int minute);

    // Reads and closes notices and error boxes while alive.
    std::unique_ptr<ModalWatcher> WatchBoxes();

    TempFolder programFolder;
    TempFolder photos;
    ShellLog shell;
    std::vector<SeenNotice> notices;
    std::vector<AnsiString> errors; // texts of error boxes, in order
    BrowserScript* lastBrowser = nullptr;
    // ProgramFolder as the constructor set it.
    AnsiString constructedProgramFolder;

private:
    std::unique_ptr<BrowserScript> m_browser;
};
