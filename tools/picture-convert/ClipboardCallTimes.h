// Times the platform's SetClipboardData and GetClipboardData wherever this program
// calls them (the frame's clipboard code included): the program's import of the two
// calls is pointed at timing wrappers, so the calls themselves are unchanged.
#pragma once

struct ClipboardCallTimes {
    double set = 0; // milliseconds in SetClipboardData since the figures were last cleared
    double get = 0; // milliseconds in GetClipboardData since the figures were last cleared
};

// Installs the wrappers (once); false when the program's imports could not be changed.
bool TimeClipboardCalls();
ClipboardCallTimes& ClipboardCalls();
