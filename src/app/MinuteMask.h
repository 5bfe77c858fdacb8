// The file mask of the photo for the current local hour and minute.
#pragma once

#include "runtime/AnsiString.h"

#include <ctime>

#include <windows.h>

// "sv_*_HHMM*.jpg" for the given broken-down time (two digits each, 14 characters).
AnsiString MinuteMaskFor(const std::tm& time);
// The mask of a minute of the day, 0 (00:00) to 1439 (23:59).
AnsiString MinuteMaskOfDay(int minute);
// The mask for a reading of the system's local clock. The time-zone settings are read
// again (TZ when it holds a valid zone, else the system's); the reading becomes a
// calendar time with them and is broken down into local time with the same settings,
// so the hour and minute are the clock's whatever zone TZ names.
AnsiString MinuteMaskAt(const SYSTEMTIME& clock);
