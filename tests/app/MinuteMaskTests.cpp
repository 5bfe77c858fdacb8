// The mask of the minute: two-digit hour and minute with leading zeros, for the
// system's local clock whatever the time-zone variable says.
#include "app/support/AppTestSupport.h"

#include "app/MinuteMask.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <windows.h>

TEST(MinuteMask, ClockReadingGivesHourAndMinuteInTwoDigitsEach)
{
    const char* saved = std::getenv("TZ");
    AnsiString restore = AnsiString("TZ=") + (saved ? saved : "");
    // A zone far from the system's shifts nothing.
    _putenv("TZ=TST-5");
    SYSTEMTIME clock {};
    GetLocalTime(&clock);
    clock.wSecond = 20;
    const struct {
        WORD hour, minute;
        const char* mask;
    } cases[] = {
        { 0, 0, "sv_*_0000*.jpg" },
        { 23, 59, "sv_*_2359*.jpg" },
        { 7, 3, "sv_*_0703*.jpg" },
    };
    for (const auto& c : cases) {
        clock.wHour = c.hour;
        clock.wMinute = c.minute;
        EXPECT_EQ(MinuteMaskAt(clock), c.mask);
    }
    // A zone with summer time, on a summer day and a winter day.
    _putenv("TZ=PST8PDT");
    SYSTEMTIME summer { 2026, 7, 0, 15, 12, 34, 20, 0 };
    SYSTEMTIME winter { 2026, 1, 0, 15, 23, 59, 20, 0 };
    EXPECT_EQ(MinuteMaskAt(summer), "sv_*_1234*.jpg");
    EXPECT_EQ(MinuteMaskAt(winter), "sv_*_2359*.jpg");
    _putenv(restore.c_str());
}

namespace {

AnsiString MaskOfClock(const SYSTEMTIME& clock)
{
    char mask[24] = {};
    std::snprintf(mask, sizeof mask, "sv_*_%02u%02u*.jpg", clock.wHour, clock.wMinute);
    return mask;
}

}

// The photo of the minute is the one the system's clock shows: a TZ variable that
// names another zone (left behind by other software, or simply wrong) moves nothing.
TEST(MinuteMask, FollowsTheSystemClockWhateverTheTimeZoneVariableSays)
{
    const char* saved = std::getenv("TZ");
    AnsiString restore = AnsiString("TZ=") + (saved ? saved : "");
    for (const char* setting : { "TZ=TST-5", "TZ=TST+9:30", "TZ=ABC-13DEF", "TZ=" }) {
        _putenv(setting);
        SYSTEMTIME now {};
        GetLocalTime(&now);
        EXPECT_EQ(MinuteMaskAt(now), MaskOfClock(now)) << setting;
    }
    _putenv(restore.c_str());
}
