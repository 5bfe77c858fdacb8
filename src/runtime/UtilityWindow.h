// Utility windows: hidden top-level windows of the class "TPUtilWindow" whose every
// message goes to one method of one object (timers, the clipboard, the tray icon and
// the popup list receive their messages this way).
#pragma once

#include "runtime/Messages.h"

class TObject;

// Creates the window; with a method, every message of the window from then on goes
// to it (exceptions escaping it go to HandleLoopException with the sender). Without
// a method the window keeps the default window procedure.
HWND AllocateUtilityWindow(TWndMethod method, TObject* sender = nullptr);
// Destroys the window and frees its binding.
void ReleaseUtilityWindow(HWND window);
