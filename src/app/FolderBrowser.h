// The shell's folder browser, asked for a file-system folder.
#pragma once

#include "runtime/AnsiString.h"

#include <windows.h>

// Runs the browser modally over the owner window, rooted at the desktop, with the
// title text; only file-system folders can be confirmed. Returns the chosen folder's
// path, or an empty string when the browser was cancelled or the folder has no
// file-system path.
AnsiString BrowseForFolder(HWND owner, const AnsiString& title);

// The folder browser of this thread open over the owner window, or none.
HWND OpenFolderBrowser(HWND owner);
