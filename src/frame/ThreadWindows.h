// The window of the GUI thread that takes the activation or the focus when the one
// that had it goes away.
#pragma once

#include <windows.h>

// The first visible, enabled window of the thread, in the thread's window order, other
// than `except` and the application window: a non-top-most one before a top-most one;
// none when there is no such window.
HWND FirstActivatableThreadWindow(HWND except);
