#include "app/Mainwindow1.h"

#include "app/FolderBrowser.h"
#include "app/Infowindow1.h"
#include "app/MinuteMask.h"
#include "app/TickClipboard.h"
#include "files/FileListBox.h"
#include "files/PathParts.h"
#include "frame/Application.h"
#include "frame/MessageForm.h"
#include "frame/Image.h"
#include "frame/Timer.h"
#include "graphics/Clipboard.h"
#include "graphics/Picture.h"
#include "runtime/ClassInfo.h"
#include "runtime/LoopException.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Stream.h"
#include "tray/KitTrayIcon.h"
#include "tray/MenuItem.h"
#include "tray/PopupMenu.h"

#include <cstring>

TMainForm1* MainForm1 = nullptr;

namespace {

const char BrowseTitle[] = "Sorviaの写真が入っているフォルダを選択してください。";
const char NoPhotosText[] = "このフォルダには ファイル名の先頭が 'sv_' となっている\n"
                            "Sorviaの写真が見当たりません。\n"
                            "\n"
                            "再度 フォルダを選択してください。";
const char WaitForPhotoText[] = "このソフトは １分単位で壁紙の更新を行なおうとします。\n"
                                "最初の写真が出るまで しばらくお待ちください。";
const char PhotoMask[] = "sv*";
const char TemporaryBitmapName[] = "\\_tmp.dat";
const char GuideName[] = "/Readme.txt";

// The folder of the running program's file (at most 260 characters).
AnsiString ExecutableFolder()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ExtractFileDir(path);
}

// Writes the bitmap the desktop reads at once and the tick then deletes, as a
// temporary file the system may keep in its cache; where such a file cannot be made,
// as an ordinary one (whose failure is the tick's error).
void WriteTemporaryBitmap(TPicture* picture, const AnsiString& path)
{
    if (!picture->Graphic())
        return;
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(path, TFileStream::Mode::CreateTemporary);
    } catch (const EFCreateError&) {
        picture->SaveFile(path);
        return;
    }
    picture->Graphic()->SaveStream(*file);
}

}

TMainForm1::TMainForm1(TComponent* owner) : TForm(owner), m_shell(std::make_unique<TDesktopShell>())
{
    ProgramFolder = ExecutableFolder();
}

TMainForm1::~TMainForm1() = default;

void TMainForm1::FormCreate(TObject*)
{
    // The tray menu also answers while the folder browser is open: its folder item
    // chosen again brings that browser to the front instead of opening another one.
    if (m_browserOpen) {
        if (HWND browser = OpenFolderBrowser(MainForm1->Handle())) {
            BringWindowToTop(browser);
            SetForegroundWindow(browser);
        }
        return;
    }
    MainForm1->HideForm();
    {
        AutoReset<bool> browsing(m_browserOpen, true);
        ChosenFolder = BrowseForFolder(MainForm1->Handle(), BrowseTitle);
    }
    if (ChosenFolder.empty())
        return;
    FileListBox1->SetFolder(ChosenFolder);
    FileListBox1->SetMask(PhotoMask);
    if (FileListBox1->Count() == 0) {
        m_shell->Beep();
        ShowNotice(NoPhotosText);
    } else {
        ShowNotice(WaitForPhotoText);
    }
}

// A failing tick shows its error box, whose message loop keeps dispatching the timer.
// The clock goes on while the box is open: later ticks change the wallpaper as usual.
// A tick that fails while the clock's box is open shows nothing more, so a fault that
// persists (a photo folder that went away) opens no box inside the box; once it is
// closed, the next failing tick shows its own again. A tick's work runs no message
// loop, so at most one tick runs inside the box at a time.
void TMainForm1::Timer1Timer(TObject* sender)
{
    if (m_tickWorking)
        return;
    try {
        AutoReset<bool> working(m_tickWorking, true);
        ShowPhotoOfTheMinute();
    } catch (...) {
        // Reported, as the entry point's own: at most one box at a time.
        if (m_errorBoxOpen)
            return;
        AutoReset<bool> box(m_errorBoxOpen, true);
        ::HandleLoopException(sender);
    }
}

void TMainForm1::ShowPhotoOfTheMinute()
{
    FileListBox1->SetMask(MinuteMaskAt(m_shell->LocalClock()));
    if (FileListBox1->Count() == 0)
        return;
    AnsiString photo = FileListBox1->Folder() + "\\" + FileListBox1->Items(0);
    TPicture* picture = Image1->Picture();
    // The main window's picture is only the tick's working copy: once the tick has
    // ended, well or not, it lets the photo go, so that nothing of it is held until the
    // next one.
    ScopeExit release([picture] {
        try {
            picture->SetGraphic(nullptr);
        } catch (...) {
            // Dropped: an empty picture reports its change; nothing of that concerns the tick.
        }
    });
    picture->LoadFile(photo);
    TTickClipboard clipboard;
    clipboard.PassThrough(picture);
    WriteTemporaryBitmap(picture, ProgramFolder + TemporaryBitmapName);

    // The path is built again and handed over in a 512-byte buffer, as the clock
    // always has; it fits, since the program's folder has at most 260 characters.
    char wallpaper[512] = {};
    AnsiString bitmapPath = ProgramFolder + TemporaryBitmapName;
    std::strncpy(wallpaper, bitmapPath.c_str(), sizeof wallpaper - 1);
    m_shell->SetWallpaper(wallpaper);

    clipboard.GiveBack();
    DeleteFileA((ProgramFolder + TemporaryBitmapName).c_str());
    if (N1->Checked())
        m_shell->Beep();
}

void TMainForm1::N1Click(TObject*) { N1->SetChecked(!N1->Checked()); }

void TMainForm1::N8Click(TObject*)
{
    AnsiString guide = ProgramFolder + GuideName;
    m_shell->Execute(MainForm1->Handle(), "OPEN", guide.c_str(), "", "", SW_SHOW);
}

void TMainForm1::N9Click(TObject*)
{
    // The tray menu works as soon as the icon is up, also while the folder browser of
    // the start is open; the about window is made only after that.
    if (!InfoForm1)
        return;
    // The tray menu also answers while the about window is open: chosen again, the
    // item brings that window to the front.
    if (InfoForm1->Visible()) {
        InfoForm1->BringToFront();
        SetForegroundWindow(InfoForm1->Handle());
        return;
    }
    InfoForm1->ShowFormModal();
}

void TMainForm1::X1Click(TObject*)
{
    MainForm1->CloseForm();
    // Chosen while the folder browser of the start is open, the main window is not yet
    // the application's main form, and closing it alone would end nothing.
    if (Application->PrimaryForm() != MainForm1)
        Application->TerminateApp();
}

static const TClassRegistration<TMainForm1> mainFormInfo("TMainForm1", [](TClassBuilder<TMainForm1>& c) {
    c.Parent<TForm>();
    c.Field("Image1", &TMainForm1::Image1);
    c.Field("FileListBox1", &TMainForm1::FileListBox1);
    c.Field("Timer1", &TMainForm1::Timer1);
    c.Field("KitTrayIcon1", &TMainForm1::KitTrayIcon1);
    c.Field("PopupMenu1", &TMainForm1::PopupMenu1);
    c.Field("N2", &TMainForm1::N2);
    c.Field("N3", &TMainForm1::N3);
    c.Field("N1", &TMainForm1::N1);
    c.Field("N7", &TMainForm1::N7);
    c.Field("N8", &TMainForm1::N8);
    c.Field("N9", &TMainForm1::N9);
    c.Field("N10", &TMainForm1::N10);
    c.Field("X1", &TMainForm1::X1);
    c.Method<TNotifyEvent>("FormCreate", &TMainForm1::FormCreate);
    c.Method<TNotifyEvent>("Timer1Timer", &TMainForm1::Timer1Timer);
    c.Method<TNotifyEvent>("N1Click", &TMainForm1::N1Click);
    c.Method<TNotifyEvent>("N8Click", &TMainForm1::N8Click);
    c.Method<TNotifyEvent>("N9Click", &TMainForm1::N9Click);
    c.Method<TNotifyEvent>("X1Click", &TMainForm1::X1Click);
});
