// The plan of a photo set: which source picture covers which minutes of the day, and
// the file name each minute's photo gets. Pure functions, no files touched.
#pragma once

#include "runtime/AnsiString.h"

#include <vector>

constexpr int MinutesPerDay = 24 * 60;

// A run of consecutive steps covered by one picture: steps first to first + count - 1.
// The minute of step s is s * every.
struct MinuteRun {
    int first = 0;
    int count = 0;
};

// Number of photos in a day with one every so many minutes (1 to 1440): 00:00 and
// every step after it up to 23:59.
int StepsPerDay(int every);

// Runs for the pictures in order, covering steps 0 to steps - 1 from the first picture
// on. Readable pictures share the steps as evenly as they can (runs differ by at most
// one step); the run an unreadable picture would have had goes to its readable
// neighbours, the first half to the one before it and the rest to the one after it
// (all of it to the only neighbour there is). Unreadable pictures get empty runs; so do
// all pictures when none is readable. With more pictures than steps the readable ones
// share the steps among themselves: the first ones get a step each, the last ones none.
std::vector<MinuteRun> PlanRuns(int steps, const std::vector<bool>& readable);

// The stem of a source file name made safe for the program's minute mask "sv_*_HHMM*":
// every "_" that is followed by four digits becomes "-", so that no minute other than
// the photo's own can match. Double-byte characters are kept as they are (a trail
// byte that looks like "_" is not one).
AnsiString SafeStem(const AnsiString& stem);

// True for a name the minute mask "sv_*_HHMM*.jpg" takes for some minute of the day:
// the name of a photo of a set.
bool IsPhotoName(const AnsiString& name);

// "sv_<stem>_HHMM.jpg" for the minute of the day; the stem is used as given.
AnsiString PhotoFileName(const AnsiString& stem, int minuteOfDay);
// "HH:MM".
AnsiString ClockText(int minuteOfDay);
