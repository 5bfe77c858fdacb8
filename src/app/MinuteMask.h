// The file mask of the photo for the current local hour and minute.
#pragma once

#include "runtime/AnsiString.h"

#include <ctime>

// "sv_*_HHMM*.jpg" for the given broken-down time (two digits each, 14 characters).
AnsiString MinuteMaskFor(const std::tm& time);
// The mask for now: the time-zone settings are read again (TZ when it holds a valid
// zone, else the system's), then the calendar time is broken down into local time.
AnsiString CurrentMinuteMask();
