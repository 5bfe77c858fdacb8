#include "app/MinuteMask.h"

#include <time.h>

AnsiString MinuteMaskFor(const std::tm& time)
{
    char mask[24] = {};
    std::strftime(mask, sizeof mask, "sv_*_%H%M*.jpg", &time);
    return mask;
}

AnsiString CurrentMinuteMask()
{
    _tzset();
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (!local)
        return {};
    return MinuteMaskFor(*local);
}
