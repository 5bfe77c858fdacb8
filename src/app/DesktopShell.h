// The shell and system calls through which the wallpaper clock and the about window
// reach the desktop: the local clock, the wallpaper, the beep and opening documents
// and addresses.
// Thin wrappers, one object per window that uses them; the results are not looked at.
#pragma once

#include <windows.h>

class TDesktopShell {
public:
    virtual ~TDesktopShell() = default;

    // The system's local date and time (GetLocalTime).
    virtual SYSTEMTIME LocalClock();
    // SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path, 0): the desktop shows the
    // bitmap file; the change is neither written to the profile nor broadcast.
    virtual void SetWallpaper(char* path);
    // MessageBeep with the default system sound.
    virtual void Beep();
    // ShellExecuteA as given: null operation, parameters or directory stay null.
    virtual void Execute(HWND window, const char* operation, const char* file, const char* parameters,
        const char* directory, int showCommand);
};
