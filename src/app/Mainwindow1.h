// The wallpaper clock's main window: a hidden container of the clock's components
// (file list, timer, tray icon and its menu, the working picture). It asks for the
// photo folder, and once a minute makes the photo of the current hour and minute the
// desktop wallpaper.
#pragma once

#include "app/DesktopShell.h"
#include "frame/Form.h"

#include <memory>

class TFileListBox;
class TImage;
class TKitTrayIcon;
class TMenuItem;
class TPopupMenu;
class TTimer;

class TMainForm1 : public TForm {
public:
    SV_CLASS_NAME(TMainForm1)
    explicit TMainForm1(TComponent* owner);
    ~TMainForm1() override;

    // Components read from the form resource.
    TImage* Image1 = nullptr;
    TFileListBox* FileListBox1 = nullptr;
    TTimer* Timer1 = nullptr;
    TKitTrayIcon* KitTrayIcon1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* N3 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* N7 = nullptr;
    TMenuItem* N8 = nullptr;
    TMenuItem* N9 = nullptr;
    TMenuItem* N10 = nullptr;
    TMenuItem* X1 = nullptr;

    // The folder of the program's executable, without a final separator (a drive
    // root keeps its own); the temporary bitmap and the user's guide live there.
    AnsiString ProgramFolder;
    // The folder last returned by the folder browser; empty when it was cancelled.
    AnsiString ChosenFolder;

    // OnCreate and the menu's "choose another folder": asks for the photo folder.
    void FormCreate(TObject* sender);
    // The wallpaper clock, once a minute.
    void Timer1Timer(TObject* sender);
    // Beep on or off.
    void N1Click(TObject* sender);
    // Opens the user's guide.
    void N8Click(TObject* sender);
    // Shows the about window.
    void N9Click(TObject* sender);
    // Closes the main window, which ends the program.
    void X1Click(TObject* sender);

    // The wallpaper, beep and shell calls go through this object.
    TDesktopShell& DesktopShell() { return *m_shell; }
    void SetDesktopShell(std::unique_ptr<TDesktopShell> shell) { m_shell = std::move(shell); }
    // Whether a tick is running now, or a failed tick's error box is still open.
    bool TickRunning() const { return m_tickWorking || m_errorBoxOpen; }

private:
    // One tick's work, from the mask of the minute to the beep.
    void ShowPhotoOfTheMinute();

    std::unique_ptr<TDesktopShell> m_shell;
    // A tick is doing its work; a failed tick's error box is open.
    bool m_tickWorking = false;
    bool m_errorBoxOpen = false;
    // The folder browser of a folder choice is open.
    bool m_browserOpen = false;
};

// The main window, set before its constructor runs.
extern TMainForm1* MainForm1;
