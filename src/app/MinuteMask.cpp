#include "app/MinuteMask.h"

#include <time.h>

AnsiString MinuteMaskFor(const std::tm& time)
{
    char mask[24] = {};
    std::strftime(mask, sizeof mask, "sv_*_%H%M*.jpg", &time);
    return mask;
}

AnsiString MinuteMaskOfDay(int minute)
{
    std::tm time {};
    time.tm_hour = minute / 60;
    time.tm_min = minute % 60;
    return MinuteMaskFor(time);
}

AnsiString MinuteMaskAt(const SYSTEMTIME& clock)
{
    _tzset();
    std::tm reading {};
    reading.tm_year = clock.wYear - 1900;
    reading.tm_mon = clock.wMonth - 1;
    reading.tm_mday = clock.wDay;
    reading.tm_hour = clock.wHour;
    reading.tm_min = clock.wMinute;
    reading.tm_sec = clock.wSecond;
    reading.tm_isdst = -1;
    std::tm converted = reading;
    std::time_t calendar = std::mktime(&converted);
    const std::tm* local = calendar == static_cast<std::time_t>(-1) ? nullptr : std::localtime(&calendar);
    // A reading the runtime cannot convert (a date beyond its range) is used as it is.
    return MinuteMaskFor(local ? *local : reading);
}
