// What the program asks of the running Windows itself: its own module and the
// platform's version.
//
// The frame chooses a few behaviours by the platform's version (a tool-window hint, a
// sunken panel edge, the tray icon, the menu records and the popup menu's animation),
// as it always has. On every system this program runs on the checks come out "new
// shell"; they are kept, once, so that the behaviour stays the documented one.
#pragma once

#include <windows.h>

// The program's own module (the executable), whose resources and window classes are ours.
HINSTANCE ModuleInstance();

struct PlatformVersion {
    unsigned major;
    unsigned minor;
    bool nt;
};
PlatformVersion RunningPlatform();

// Major version 4 or later: the shell with the taskbar, tool windows and client edges.
bool NewShellPlatform();
