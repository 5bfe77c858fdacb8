#include "app/DesktopShell.h"

#include <shellapi.h>

SYSTEMTIME TDesktopShell::LocalClock()
{
    SYSTEMTIME now {};
    GetLocalTime(&now);
    return now;
}

void TDesktopShell::SetWallpaper(char* path) { SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path, 0); }

void TDesktopShell::Beep() { MessageBeep(0); }

void TDesktopShell::Execute(HWND window, const char* operation, const char* file, const char* parameters,
    const char* directory, int showCommand)
{
    ShellExecuteA(window, operation, file, parameters, directory, showCommand);
}
