#include "MinutePlan.h"
#include "PhotoMaker.h"
#include "PhotoOptions.h"
#include "SourcePictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

namespace {

// Every step from 0 to steps - 1 covered once, runs in picture order.
void ExpectCoversDay(const std::vector<MinuteRun>& runs, int steps)
{
    int next = 0;
    for (const MinuteRun& run : runs) {
        if (!run.count)
            continue;
        EXPECT_EQ(run.first, next);
        next = run.first + run.count;
    }
    EXPECT_EQ(next, steps);
}

std::vector<int> Counts(const std::vector<MinuteRun>& runs)
{
    std::vector<int> counts;
    for (const MinuteRun& run : runs)
        counts.push_back(run.count);
    return counts;
}

std::optional<PhotoOptions> Parse(std::initializer_list<const char*> args)
{
    std::vector<const char*> list(args);
    return ParsePhotoOptions(static_cast<int>(list.size()), list.data());
}

}

TEST(MinutePlan, StepsOfTheDay)
{
    EXPECT_EQ(StepsPerDay(10), 144);
    EXPECT_EQ(StepsPerDay(1), 1440);
    EXPECT_EQ(StepsPerDay(1440), 1);
    // A step that does not divide the day still starts at 00:00 and stops before 24:00.
    EXPECT_EQ(StepsPerDay(7), 206);
    EXPECT_EQ(StepsPerDay(1439), 2);
}

TEST(MinutePlan, EvenRunsInOrder)
{
    std::vector<MinuteRun> three = PlanRuns(144, { true, true, true });
    EXPECT_EQ(Counts(three), (std::vector<int> { 48, 48, 48 }));
    ExpectCoversDay(three, 144);

    for (int pictures : { 1, 5, 7, 143, 144 }) {
        for (int steps : { 1440, 206, 144, 2 }) {
            std::vector<MinuteRun> runs = PlanRuns(steps, std::vector<bool>(pictures, true));
            ExpectCoversDay(runs, steps);
            std::vector<int> counts = Counts(runs);
            auto [low, high] = std::minmax_element(counts.begin(), counts.end());
            if (pictures <= steps) {
                EXPECT_LE(*high - *low, 1) << pictures << " pictures, " << steps << " steps";
            }
        }
    }
}

TEST(MinutePlan, MorePicturesThanStepsLeavesTheLastOnesWithout)
{
    std::vector<MinuteRun> runs = PlanRuns(2, std::vector<bool>(5, true));
    ExpectCoversDay(runs, 2);
    EXPECT_EQ(Counts(runs), (std::vector<int> { 1, 1, 0, 0, 0 }));
}

TEST(MinutePlan, MorePicturesThanStepsSomeUnreadable)
{
    // One more picture than steps: the last one is left out.
    for (auto [pictures, steps] : { std::pair { 145, 144 }, std::pair { 1441, 1440 }, std::pair { 207, 206 } }) {
        std::vector<int> counts = Counts(PlanRuns(steps, std::vector<bool>(pictures, true)));
        EXPECT_EQ(std::count(counts.begin(), counts.end() - 1, 1), steps) << pictures;
        EXPECT_EQ(counts.back(), 0) << pictures;
    }
    // Unreadable ones among them: no readable picture is left without a step while
    // another has two, and the day is still covered from 00:00 in name order.
    EXPECT_EQ(Counts(PlanRuns(2, { false, true, true, true })), (std::vector<int> { 0, 1, 1, 0 }));
    EXPECT_EQ(Counts(PlanRuns(4, { true, false, false, true, false, true })), (std::vector<int> { 2, 0, 0, 1, 0, 1 }));
    std::vector<bool> firstUnreadable(145, true);
    firstUnreadable[0] = false;
    std::vector<MinuteRun> runs = PlanRuns(144, firstUnreadable);
    ExpectCoversDay(runs, 144);
    std::vector<int> counts = Counts(runs);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 1), 144);
    EXPECT_EQ(counts.front(), 0);
}

TEST(MinutePlan, UnreadablePicturesGiveTheirMinutesToTheirNeighbours)
{
    // The middle one: half to each side.
    EXPECT_EQ(Counts(PlanRuns(144, { true, false, true })), (std::vector<int> { 72, 0, 72 }));
    // At either end: all of it to the only neighbour, the others keep theirs.
    EXPECT_EQ(Counts(PlanRuns(144, { false, true, true })), (std::vector<int> { 0, 96, 48 }));
    EXPECT_EQ(Counts(PlanRuns(144, { true, true, false })), (std::vector<int> { 48, 96, 0 }));
    // Two in a row, and an odd gap: the one before takes the larger half.
    EXPECT_EQ(Counts(PlanRuns(40, { true, false, false, true })), (std::vector<int> { 20, 0, 0, 20 }));
    EXPECT_EQ(Counts(PlanRuns(3, { true, false, true })), (std::vector<int> { 2, 0, 1 }));
    std::vector<MinuteRun> runs = PlanRuns(1440, { false, true, false, false, true, false });
    ExpectCoversDay(runs, 1440);

    std::vector<MinuteRun> none = PlanRuns(144, { false, false });
    EXPECT_EQ(Counts(none), (std::vector<int> { 0, 0 }));
    EXPECT_TRUE(PlanRuns(144, {}).empty());
}

TEST(MinutePlan, StemsCannotMatchAnotherMinute)
{
    EXPECT_EQ(SafeStem("holiday"), "holiday");
    EXPECT_EQ(SafeStem("trip_0930"), "trip-0930");
    EXPECT_EQ(SafeStem("img_20240101_1200x"), "img-20240101-1200x");
    EXPECT_EQ(SafeStem("_1234"), "-1234");
    // Fewer than four digits, or letters among them, cannot form a stamp.
    EXPECT_EQ(SafeStem("a_123"), "a_123");
    EXPECT_EQ(SafeStem("a_12b4_"), "a_12b4_");
    EXPECT_EQ(SafeStem("a__1234"), "a_-1234");
    // The trail byte 0x5F of a double-byte character is no underscore; kept.
    EXPECT_EQ(SafeStem("\x83\x5F"
                       "1234"),
        "\x83\x5F"
        "1234");
    EXPECT_EQ(SafeStem("\x8E\xCA\x90\x5E_0700"), "\x8E\xCA\x90\x5E-0700");

    EXPECT_EQ(PhotoFileName("trip-0930", 0), "sv_trip-0930_0000.jpg");
    EXPECT_EQ(PhotoFileName("a", 23 * 60 + 59), "sv_a_2359.jpg");
    EXPECT_EQ(ClockText(9 * 60 + 5), "09:05");
}

TEST(MinutePlan, NamesOfPhotosOfASet)
{
    EXPECT_TRUE(IsPhotoName("sv_a_0000.jpg"));
    EXPECT_TRUE(IsPhotoName("SV_demo_2359.JPG"));
    EXPECT_TRUE(IsPhotoName("sv__1200x.jpg"));
    EXPECT_TRUE(IsPhotoName("sv_\x8E\xCA\x90\x5E_0700.jpg"));
    // No stamp of a minute of the day after the prefix, or not a JPEG.
    EXPECT_FALSE(IsPhotoName("sv_0000.jpg"));
    EXPECT_FALSE(IsPhotoName("sv_a_2400.jpg"));
    EXPECT_FALSE(IsPhotoName("sv_a_1260.jpg"));
    EXPECT_FALSE(IsPhotoName("sv_a_123.jpg"));
    EXPECT_FALSE(IsPhotoName("sv_a_0000.bmp"));
    EXPECT_FALSE(IsPhotoName("sv_a_0000.jpeg"));
    EXPECT_FALSE(IsPhotoName("trip_0930.jpg"));
    EXPECT_FALSE(IsPhotoName("sv_a-0930.jpg"));
    // The trail byte 0x5F of a double-byte character is no underscore.
    EXPECT_FALSE(IsPhotoName("sv_\x83\x5F"
                             "0930.jpg"));
}

TEST(MinutePlan, CaseBlindNameOrderOfPictures)
{
    std::vector<AnsiString> names { "c.jpg", "B.bmp", "a.JPEG", "A.bmp", "\x83\x41.jpg", "b2.jpg" };
    std::sort(names.begin(), names.end(), NameBefore);
    EXPECT_EQ(names, (std::vector<AnsiString> { "A.bmp", "a.JPEG", "B.bmp", "b2.jpg", "c.jpg", "\x83\x41.jpg" }));

    EXPECT_TRUE(IsPictureName("x.JPG"));
    EXPECT_TRUE(IsPictureName("x.jpeg"));
    EXPECT_TRUE(IsPictureName("x.Bmp"));
    EXPECT_FALSE(IsPictureName("x.png"));
    EXPECT_FALSE(IsPictureName("jpg"));
    EXPECT_FALSE(IsPictureName("x.jpg.txt"));
}

TEST(PhotoOptions, FoldersAndOptionsInAnyOrder)
{
    auto plain = Parse({ "--from", "C:\\pics\\", "D:\\set" });
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->source, "C:\\pics");
    EXPECT_EQ(plain->dest, "D:\\set");
    EXPECT_EQ(plain->every, 1);
    EXPECT_EQ(plain->width, 0);
    EXPECT_FALSE(plain->clock);
    EXPECT_FALSE(plain->force);

    auto all = Parse({ "--from", "s", "d", "--force", "--size", "640x480", "--clock", "--every", "1" });
    ASSERT_TRUE(all);
    EXPECT_EQ(all->every, 1);
    auto once = Parse({ "--from", "s", "d", "--every", "1440" });
    ASSERT_TRUE(once);
    EXPECT_EQ(once->every, 1440);
    EXPECT_EQ(all->width, 640);
    EXPECT_EQ(all->height, 480);
    EXPECT_TRUE(all->clock);
    EXPECT_TRUE(all->force);

    EXPECT_EQ(TrimFolder("C:\\"), "C:\\");
    EXPECT_EQ(TrimFolder("\\\\"), "\\");
}

TEST(PhotoOptions, MalformedCommandLinesRefused)
{
    EXPECT_FALSE(Parse({ "--from", "s" }));
    EXPECT_FALSE(Parse({ "--from", "s", "--clock" }));
    EXPECT_FALSE(Parse({ "--to", "s", "d" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--every" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--every", "0" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--every", "1441" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--every", "-5" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--every", "10m" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--every", "99999999999999999999" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--size", "640" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--size", "0x480" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--size", "640x" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--size", "100000x100" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--colck" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "extra" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--every", "2", "--clock" }));
    EXPECT_FALSE(Parse({ "--from", "s", "d", "--size=640x480" }));
}

TEST(PhotoMaker, FitKeepsTheAspectInsideTheBox)
{
    auto fit = [](int w, int h, int bw, int bh) {
        SIZE size = FitSize(w, h, bw, bh);
        return std::make_pair(static_cast<int>(size.cx), static_cast<int>(size.cy));
    };
    EXPECT_EQ(fit(320, 240, 640, 480), std::make_pair(640, 480));
    EXPECT_EQ(fit(1600, 1200, 640, 480), std::make_pair(640, 480));
    EXPECT_EQ(fit(1920, 1080, 640, 480), std::make_pair(640, 360));
    EXPECT_EQ(fit(100, 300, 640, 480), std::make_pair(160, 480));
    EXPECT_EQ(fit(5000, 1, 640, 480), std::make_pair(640, 1));
    EXPECT_EQ(fit(123, 45, 0, 0), std::make_pair(123, 45));
}
