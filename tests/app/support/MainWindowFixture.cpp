#include "app/support/MainWindowFixture.h"

#include "app/Infowindow1.h"
#include "app/Mainwindow1.h"
#include "common/StartUp.h"
#include "frame/Application.h"
#include "frame/Form.h"
#include "graphics/Font.h"
#include "graphics/JPEGImage.h"
#include "frame/Label.h"
#include "frame/Timer.h"
#include "tray/MenuItem.h"
#include "runtime/MethodStub.h"

namespace {

// The program registers the JPEG graphic at start-up, before any picture is read.
const testing::Environment* const jpegGraphic = RunBeforeTests(&RegisterJPEGGraphic);

}

void RecordingShell::SetWallpaper(char* path)
{
    m_log.wallpapers.push_back(path);
    m_log.wallpaperFiles.push_back(ReadFileBytes(path));
    m_log.wallpaperAttributes.push_back(GetFileAttributesA(path));
    if (m_log.recordClipboard)
        m_log.clipboards.push_back(ReadClipboardBytes());
}

void RecordingShell::Execute(HWND window, const char* operation, const char* file, const char* parameters,
    const char* directory, int showCommand)
{
    auto text = [](const char* value) { return value ? AnsiString(value) : AnsiString("<null>"); };
    m_log.executions.push_back({ window, text(operation), text(file), text(parameters), text(directory), showCommand });
}

int Scaled(TCustomForm* form, int designed)
{
    int measured = 12;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, form->Font()->Handle());
    SIZE size {};
    if (GetTextExtentPoint32A(dc, "0", 1, &size))
        measured = size.cy;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return MulDiv(designed, measured, 12);
}

void MainWindowTest::SetUp()
{
    Application->SetTerminating(false);
    Application->SetShowPrimaryForm(true);
    Application->SetAppTitle("SV_WALLPAPER");
}

void MainWindowTest::TearDown()
{
    if (InfoForm1)
        Application->DestroyComponent(InfoForm1);
    InfoForm1 = nullptr;
    if (MainForm1)
        Application->DestroyComponent(MainForm1);
    MainForm1 = nullptr;
    Application->SetTerminating(false);
    SetCurrentDirectoryA("C:\\");
}

std::unique_ptr<ModalWatcher> MainWindowTest::WatchBoxes()
{
    return std::make_unique<ModalWatcher>([this] {
        for (HWND form : ThreadWindows("TMessageForm")) {
            SeenNotice seen;
            char caption[256] = {};
            GetWindowTextA(form, caption, sizeof caption);
            seen.caption = caption;
            if (auto* owner = dynamic_cast<TComponent*>(WindowObject(form))) {
                if (auto* label = dynamic_cast<TLabel*>(owner->FindComponent("Message")))
                    seen.text = label->Caption();
            }
            notices.push_back(seen);
            PostMessageA(form, WM_CLOSE, 0, 0);
        }
        for (HWND box : ThreadWindows("#32770")) {
            if (FindWindowExA(box, nullptr, "SysTreeView32", nullptr))
                continue; // the folder browser
            errors.push_back(MessageBoxText(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
}

void MainWindowTest::CreateWindows(const AnsiString& folder)
{
    m_browser = std::make_unique<BrowserScript>(folder);
    lastBrowser = m_browser.get();
    auto boxes = WatchBoxes();
    Application->CreateAppForm(MainForm1);
    MainForm1->SetDesktopShell(std::make_unique<RecordingShell>(shell));
    constructedProgramFolder = MainForm1->ProgramFolder;
    MainForm1->ProgramFolder = programFolder.Path();
    Application->CreateAppForm(InfoForm1);
    InfoForm1->SetDesktopShell(std::make_unique<RecordingShell>(shell));
}

void MainWindowTest::ChooseFolder(const AnsiString& folder)
{
    m_browser = std::make_unique<BrowserScript>(folder);
    lastBrowser = m_browser.get();
    auto boxes = WatchBoxes();
    MainForm1->FormCreate(MainForm1->N2);
}

void MainWindowTest::TickAt(int hour, int minute)
{
    ClockAt clock(hour, minute);
    auto boxes = WatchBoxes();
    // As the timer delivers its tick.
    SendMessageA(MainForm1->Timer1->WindowHandle(), WM_TIMER, 1, 0);
}
