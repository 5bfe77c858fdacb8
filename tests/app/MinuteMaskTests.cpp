// The mask of the minute: two-digit hour and minute with leading zeros, for the
// local time as the C runtime sees it after reading TZ again.
#include "app/AppTestSupport.h"

#include "app/MinuteMask.h"

#include <gtest/gtest.h>

TEST(MinuteMask, CurrentMaskFollowsTheTimeZoneReadAtEachCall)
{
    {
        ClockAt clock(0, 0);
        EXPECT_EQ(CurrentMinuteMask(), "sv_*_0000*.jpg");
    }
    {
        ClockAt clock(23, 59);
        EXPECT_EQ(CurrentMinuteMask(), "sv_*_2359*.jpg");
    }
    {
        ClockAt clock(7, 3);
        EXPECT_EQ(CurrentMinuteMask(), "sv_*_0703*.jpg");
    }
}
