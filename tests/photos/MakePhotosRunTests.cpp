// make-photos.exe --from run as a process on real folders, its files read back.
#include "MinutePlan.h"
#include "PhotoToolSupport.h"

#include "app/MinuteMask.h"
#include "common/TestSupport.h"
#include "graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

constexpr COLORREF Red = RGB(220, 30, 30);
constexpr COLORREF Green = RGB(30, 200, 30);
constexpr COLORREF Blue = RGB(30, 30, 220);

AnsiString Stamp(int minute)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d%02d", minute / 60, minute % 60);
    return text;
}

class PhotoRun : public testing::Test {
protected:
    void SetUp() override
    {
        source = root.MakeFolder("pics");
        dest = root / "set";
    }

    ToolRun Run(std::vector<AnsiString> options)
    {
        options.insert(options.begin(), { "--from", source, dest });
        return RunMakePhotos(options, root.Path());
    }

    // The photos in DEST, and for every step of the day that the program's mask
    // finds exactly one photo, the one of the expected picture.
    void ExpectDay(int every, const std::function<AnsiString(int minute)>& stemAt)
    {
        EXPECT_EQ(Matching(dest, "*").size(), static_cast<std::size_t>((1440 + every - 1) / every));
        for (int minute = 0; minute < 1440; minute += every) {
            std::vector<AnsiString> found = Matching(dest, MinuteMaskOfDay(minute));
            ASSERT_EQ(found.size(), 1u) << MinuteMaskOfDay(minute);
            EXPECT_EQ(found[0], "sv_" + stemAt(minute) + "_" + Stamp(minute) + ".jpg");
        }
    }

    TempFolder root;
    AnsiString source;
    AnsiString dest;
};

}

TEST_F(PhotoRun, ThreePicturesCoverTheDayInEvenRunsInNameOrder)
{
    WritePicture(source + "\\c.jpg", 64, 48, Blue);
    WritePicture(source + "\\a.jpg", 64, 48, Red);
    WritePicture(source + "\\B.bmp", 64, 48, Green);
    root.Write("pics\\notes.txt", "not a picture");
    root.MakeFolder("pics\\sub");
    WritePicture(source + "\\sub\\0.jpg", 64, 48, Blue);

    ToolRun run = Run({ "--every", "10" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    ExpectDay(10, [](int minute) { return minute < 480 ? "a" : minute < 960 ? "B" : "c"; });
    EXPECT_TRUE(Matching(dest, MinuteMaskOfDay(5)).empty());
    EXPECT_TRUE(NearColor(MiddleColor(*ReadBack(dest + "\\sv_a_0000.jpg")), Red));
    EXPECT_TRUE(NearColor(MiddleColor(*ReadBack(dest + "\\sv_B_0800.jpg")), Green));
    EXPECT_TRUE(NearColor(MiddleColor(*ReadBack(dest + "\\sv_c_2350.jpg")), Blue));
    EXPECT_NE(run.out.find("144 files written"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("00:00 to 23:50"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("0 pictures skipped"), AnsiString::npos) << run.out;
    // What was not taken is named, and the gaps between photos are explained.
    EXPECT_NE(run.out.find("1 file not JPEG or BMP, not used: notes.txt\r\n"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("1 sub-folder not read"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("changes only every 10 minutes"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("up to 9 minutes"), AnsiString::npos) << run.out;
    // Nothing written outside DEST: the scratch folder and SOURCE hold what they held.
    EXPECT_EQ(FolderEntries(root.Path()).size(), 2u);
    EXPECT_EQ(FolderEntries(source).size(), 5u);
}

TEST_F(PhotoRun, EveryMinuteByDefaultGivesAPhotoForEachMinuteWithProgress)
{
    WritePicture(source + "\\one.jpg", 32, 24, Red);
    WritePicture(source + "\\two.jpg", 32, 24, Blue);
    root.Write("pics\\b.png", "\x89PNG");
    root.Write("pics\\a.PNG", "\x89PNG");
    ToolRun run = Run({});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Matching(dest, "sv_*.jpg").size(), 1440u);
    for (int minute : { 0, 1, 719, 720, 1001, 1439 }) {
        std::vector<AnsiString> found = Matching(dest, MinuteMaskOfDay(minute));
        ASSERT_EQ(found.size(), 1u) << minute;
        EXPECT_EQ(found[0], (minute < 720 ? "sv_one_" : "sv_two_") + Stamp(minute) + ".jpg");
    }
    EXPECT_NE(run.out.find("1440 / 1440 files"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("144 / 1440 files"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("00:00 to 23:59"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("2 files not JPEG or BMP, not used: a.PNG, b.png\r\n"), AnsiString::npos) << run.out;
    EXPECT_EQ(run.out.find("sub-folder"), AnsiString::npos) << run.out;
    EXPECT_EQ(run.out.find("changes only every"), AnsiString::npos) << run.out;
}

TEST_F(PhotoRun, UnreadablePicturesAreSkippedAndTheirNeighboursCoverTheirMinutes)
{
    WritePicture(source + "\\a.jpg", 48, 32, Red);
    root.Write("pics\\b.jpg", "this is not a JPEG file at all");
    WritePicture(source + "\\c.bmp", 48, 32, Blue);
    root.Write("pics\\d.jpeg", "");

    ToolRun run = Run({ "--every", "10" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    // Four runs of 36 steps; b's half to a and half to c, d's all to c.
    ExpectDay(10, [](int minute) { return minute < 540 ? "a" : "c"; });
    ASSERT_NE(run.err.find("skipped b.jpg: "), AnsiString::npos) << run.err;
    EXPECT_NE(run.err.find("skipped d.jpeg: "), AnsiString::npos) << run.err;
    // The error's own text follows the name.
    std::size_t text = run.err.find("skipped b.jpg: ") + 15;
    EXPECT_LT(text, run.err.size());
    EXPECT_NE(run.err[text], '\n');
    EXPECT_NE(run.out.find("2 pictures skipped"), AnsiString::npos) << run.out;
}

TEST_F(PhotoRun, SizeFitsEachPictureKeepingItsAspect)
{
    WritePicture(source + "\\wide.jpg", 320, 200, Red);
    WritePicture(source + "\\tall.bmp", 100, 300, Green);
    ToolRun run = Run({ "--size", "640x480", "--every", "720" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::unique_ptr<TBitmap> tall = ReadBack(dest + "\\sv_tall_0000.jpg");
    std::unique_ptr<TBitmap> wide = ReadBack(dest + "\\sv_wide_1200.jpg");
    EXPECT_EQ(tall->Width(), 160);
    EXPECT_EQ(tall->Height(), 480);
    EXPECT_EQ(wide->Width(), 640);
    EXPECT_EQ(wide->Height(), 400);
    EXPECT_TRUE(NearColor(MiddleColor(*tall), Green));
    EXPECT_TRUE(NearColor(MiddleColor(*wide), Red));

    // Without --size every photo keeps its picture's size.
    dest = root / "plain";
    ASSERT_EQ(Run({ "--every", "720" }).exitCode, 0u);
    EXPECT_EQ(ReadBack(dest + "\\sv_wide_1200.jpg")->Width(), 320);
}

TEST_F(PhotoRun, ClockChangesItsCornerOnlyAndReadsOnLightAndDark)
{
    WritePicture(source + "\\dark.jpg", 240, 180, RGB(10, 10, 10));
    WritePicture(source + "\\light.jpg", 240, 180, RGB(250, 250, 250));
    AnsiString plain = root / "plain";
    dest = plain;
    ASSERT_EQ(Run({ "--every", "720" }).exitCode, 0u);
    AnsiString clocked = root / "clock";
    dest = clocked;
    ToolRun run = Run({ "--clock" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;

    for (const char* name : { "sv_dark_0000.jpg", "sv_light_1200.jpg" }) {
        std::unique_ptr<TBitmap> before = ReadBack(plain + "\\" + name);
        std::unique_ptr<TBitmap> after = ReadBack(clocked + "\\" + name);
        ASSERT_EQ(after->Width(), 240);
        ASSERT_EQ(after->Height(), 180);
        int changedInCorner = 0, changedElsewhere = 0, darkInCorner = 0, lightInCorner = 0;
        for (int y = 0; y < 180; ++y) {
            for (int x = 0; x < 240; ++x) {
                COLORREF a = static_cast<COLORREF>(before->Canvas()->Pixels(x, y));
                COLORREF b = static_cast<COLORREF>(after->Canvas()->Pixels(x, y));
                bool corner = x >= 120 && y >= 90;
                if (a != b)
                    ++(corner ? changedInCorner : changedElsewhere);
                if (corner && GetRValue(b) < 60 && GetGValue(b) < 60)
                    ++darkInCorner;
                if (corner && GetRValue(b) > 200 && GetGValue(b) > 200)
                    ++lightInCorner;
            }
        }
        EXPECT_GT(changedInCorner, 50) << name;
        EXPECT_EQ(changedElsewhere, 0) << name;
        // White text in a dark outline: both show on either picture.
        EXPECT_GT(darkInCorner, 20) << name;
        EXPECT_GT(lightInCorner, 20) << name;
    }
}

TEST_F(PhotoRun, SecondRunKeepsExistingFilesUnlessForced)
{
    WritePicture(source + "\\a.jpg", 32, 24, Red);
    ASSERT_EQ(Run({ "--every", "360" }).exitCode, 0u);
    const AnsiString first = dest + "\\sv_a_0000.jpg";
    root.Write("set\\sv_a_0000.jpg", "kept as it was");

    ToolRun again = Run({ "--every", "360" });
    ASSERT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_EQ(ReadFileBytes(first), "kept as it was");
    EXPECT_NE(again.out.find("0 files written"), AnsiString::npos) << again.out;
    EXPECT_NE(again.out.find("4 kept"), AnsiString::npos) << again.out;

    ToolRun forced = Run({ "--every", "360", "--force" });
    ASSERT_EQ(forced.exitCode, 0u) << forced.err;
    EXPECT_EQ(ReadFileBytes(first).substr(0, 2), "\xFF\xD8");
    EXPECT_NE(forced.out.find("4 files written"), AnsiString::npos) << forced.out;
}

TEST_F(PhotoRun, StemsAreMadeSafeForTheMinuteMask)
{
    WritePicture(source + "\\trip_0930.jpg", 32, 24, Red);
    WritePicture(source + "\\\x8E\xCA\x90\x5E.jpg", 32, 24, Blue);
    ASSERT_EQ(Run({ "--every", "720" }).exitCode, 0u);
    EXPECT_TRUE(Matching(dest, MinuteMaskOfDay(9 * 60 + 30)).empty());
    EXPECT_EQ(Matching(dest, MinuteMaskOfDay(0)), (std::vector<AnsiString> { "sv_trip-0930_0000.jpg" }));
    EXPECT_EQ(Matching(dest, MinuteMaskOfDay(720)), (std::vector<AnsiString> { "sv_\x8E\xCA\x90\x5E_1200.jpg" }));
}

TEST_F(PhotoRun, MorePicturesThanPhotosLeavesTheLastOnesOut)
{
    for (const char* name : { "p1.jpg", "p2.jpg", "p3.jpg" })
        WritePicture(source + "\\" + name, 16, 16, Green);
    ToolRun run = Run({ "--every", "720" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    ExpectDay(720, [](int minute) { return minute ? "p2" : "p1"; });
    EXPECT_NE(run.out.find("1 picture not used"), AnsiString::npos) << run.out;
}

TEST_F(PhotoRun, NothingToMakeTheSetFromIsAnError)
{
    ToolRun empty = Run({});
    EXPECT_EQ(empty.exitCode, 1u);
    EXPECT_NE(empty.err.find("no JPEG or BMP pictures"), AnsiString::npos) << empty.err;
    EXPECT_NE(empty.err.find(source), AnsiString::npos) << empty.err;

    root.Write("pics\\broken.bmp", "BM not really");
    ToolRun unreadable = Run({});
    EXPECT_EQ(unreadable.exitCode, 1u);
    EXPECT_NE(unreadable.err.find("skipped broken.bmp"), AnsiString::npos) << unreadable.err;
    EXPECT_NE(unreadable.err.find("none of the pictures in this folder can be read"), AnsiString::npos)
        << unreadable.err;

    source = root / "missing";
    ToolRun missing = Run({});
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.err.find("missing: no such folder"), AnsiString::npos) << missing.err;
    EXPECT_TRUE(FolderEntries(dest).empty());
    ToolRun unchecked = RunMakePhotos({ "--check", source }, root.Path());
    EXPECT_EQ(unchecked.exitCode, 1u);
    EXPECT_NE(unchecked.err.find("missing: no such folder"), AnsiString::npos) << unchecked.err;
    EXPECT_TRUE(unchecked.out.empty()) << unchecked.out;

    source = root / "pics";
    WritePicture(source + "\\fine.jpg", 16, 16, Red);
    // A file where a folder is expected is named as such, not as missing.
    const AnsiString file = source + "\\fine.jpg";
    for (const std::vector<AnsiString>& args :
        { std::vector<AnsiString> { "--check", file }, std::vector<AnsiString> { "--from", file, dest } }) {
        ToolRun notFolder = RunMakePhotos(args, root.Path());
        EXPECT_EQ(notFolder.exitCode, 1u) << args[0];
        EXPECT_NE(notFolder.err.find("fine.jpg: not a folder"), AnsiString::npos) << notFolder.err;
    }
    dest = root / "no\\such\\set";
    ToolRun noParent = Run({});
    EXPECT_EQ(noParent.exitCode, 1u);
    EXPECT_NE(noParent.err.find("cannot make the folder"), AnsiString::npos) << noParent.err;
    EXPECT_EQ(FolderEntries(root.Path()), (std::vector<AnsiString> { "pics" }));
}

TEST_F(PhotoRun, BadArgumentsPrintTheUsage)
{
    WritePicture(source + "\\a.jpg", 16, 16, Red);
    for (std::vector<AnsiString> args : std::vector<std::vector<AnsiString>> { { "--from" }, { "--from", source },
             { "--from", source, dest, "--every", "0" }, { "--from", source, dest, "--size", "640" },
             { "--from", source, dest, "--bogus" }, { "--check" }, { "--check", source, "extra" },
             { "--check", "--bogus" } }) {
        ToolRun run = RunMakePhotos(args, root.Path());
        EXPECT_EQ(run.exitCode, 2u) << args.size();
        EXPECT_NE(run.err.find("--from SOURCE DEST"), AnsiString::npos) << run.err;
        EXPECT_NE(run.err.find("--check FOLDER"), AnsiString::npos) << run.err;
    }
    EXPECT_EQ(FolderEntries(root.Path()), (std::vector<AnsiString> { "pics" }));
}

TEST_F(PhotoRun, MistakesAreNamedWithWhatIsAllowed)
{
    WritePicture(source + "\\a.jpg", 16, 16, Red);
    struct Mistake {
        std::vector<AnsiString> options;
        const char* says;
    };
    for (const Mistake& mistake : std::vector<Mistake> {
             { { "--size", "1280" }, "--size 1280: expected WxH, two whole numbers from 1 to 8192" },
             { { "--size", "0x960" }, "--size 0x960: width and height must each be a whole number from 1 to 8192" },
             { { "--size", "9000x9000" }, "--size 9000x9000: width and height must each be" },
             { { "--size=1280x960" }, "--size=1280x960: put a space, not \"=\", between --size and its value" },
             { { "--every", "0" }, "--every 0: minutes must be a whole number from 1 to 1440" },
             { { "--clock", "--every", "10" }, "--clock with --every 10: the time drawn on a photo would be wrong" },
         }) {
        ToolRun run = Run(mistake.options);
        EXPECT_EQ(run.exitCode, 2u) << mistake.says;
        EXPECT_NE(run.err.find(AnsiString("make-photos: ") + mistake.says), AnsiString::npos) << run.err;
        EXPECT_NE(run.err.find("usage:"), AnsiString::npos) << run.err;
    }
    EXPECT_EQ(FolderEntries(root.Path()), (std::vector<AnsiString> { "pics" }));
}

TEST_F(PhotoRun, SetMadeInsideItsOwnSourceFolderIsNotTakenAsPictures)
{
    WritePicture(source + "\\a.jpg", 32, 24, Red);
    WritePicture(source + "\\b.bmp", 32, 24, Blue);
    dest = source;
    ToolRun first = Run({ "--every", "720" });
    ASSERT_EQ(first.exitCode, 0u) << first.err;
    EXPECT_EQ(FolderEntries(source).size(), 4u);

    // Again, the same folder spelt another way: the photos of the set are no pictures
    // of their own, so nothing new appears and each minute still finds one photo.
    dest = source + "\\.";
    ToolRun again = Run({ "--every", "720" });
    ASSERT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_NE(again.out.find("0 files written"), AnsiString::npos) << again.out;
    EXPECT_NE(again.out.find("2 kept"), AnsiString::npos) << again.out;
    EXPECT_EQ(again.out.find("not used"), AnsiString::npos) << again.out;
    EXPECT_NE(again.out.find("2 photos of a set in " + source + " are not taken as pictures"), AnsiString::npos)
        << again.out;
    EXPECT_EQ(first.out.find("not taken as pictures"), AnsiString::npos) << first.out;
    ToolRun forced = Run({ "--every", "720", "--force" });
    ASSERT_EQ(forced.exitCode, 0u) << forced.err;
    EXPECT_NE(forced.out.find("2 files written"), AnsiString::npos) << forced.out;
    EXPECT_EQ(FolderEntries(source).size(), 4u);
    EXPECT_EQ(Matching(source, MinuteMaskOfDay(0)), (std::vector<AnsiString> { "sv_a_0000.jpg" }));
    EXPECT_EQ(Matching(source, MinuteMaskOfDay(720)), (std::vector<AnsiString> { "sv_b_1200.jpg" }));

    // A folder holding nothing but a set has no pictures to make it again from.
    TempFolder other;
    const AnsiString setOnly = other.MakeFolder("set");
    WritePicture(setOnly + "\\sv_x_0000.jpg", 16, 16, Green);
    source = dest = setOnly;
    ToolRun onlyPhotos = Run({});
    EXPECT_EQ(onlyPhotos.exitCode, 1u);
    EXPECT_NE(onlyPhotos.err.find("no JPEG or BMP pictures"), AnsiString::npos) << onlyPhotos.err;
    EXPECT_EQ(FolderEntries(setOnly).size(), 1u);

    // Another folder's set is a folder of pictures like any other.
    dest = other / "new";
    ToolRun fromSet = Run({ "--every", "1440" });
    ASSERT_EQ(fromSet.exitCode, 0u) << fromSet.err;
    EXPECT_EQ(FolderEntries(dest), (std::vector<AnsiString> { "sv_sv_x-0000_0000.jpg" }));
    EXPECT_NE(fromSet.out.find("1 file written"), AnsiString::npos) << fromSet.out;
}

TEST_F(PhotoRun, StepThatDoesNotDivideTheDayStopsBeforeMidnight)
{
    WritePicture(source + "\\a.jpg", 16, 16, Red);
    WritePicture(source + "\\b.jpg", 16, 16, Green);
    WritePicture(source + "\\c.jpg", 16, 16, Blue);
    ToolRun run = Run({ "--every", "7" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    // 206 steps: runs of 69, 69 and 68, the last photo at 23:55.
    ExpectDay(7, [](int minute) { return minute < 69 * 7 ? "a" : minute < 138 * 7 ? "b" : "c"; });
    EXPECT_NE(run.out.find("206 files written"), AnsiString::npos) << run.out;
    EXPECT_NE(run.out.find("00:00 to 23:55"), AnsiString::npos) << run.out;
}

TEST_F(PhotoRun, DoubleByteAndDigitNamesMatchOnlyTheirOwnMinutes)
{
    // In name order: unreadable first, a stem of digits only, a trail byte 0x5F before
    // digits, a trail byte 0x5C before "_1234", unreadable last.
    root.Write("pics\\!first.jpg", "not a picture");
    WritePicture(source + "\\0930.jpg", 16, 16, Red);
    WritePicture(source
            + "\\\x83\x5F"
              "1200.bmp",
        16, 16, Green);
    WritePicture(source + "\\\x95\x5C_1234.jpg", 16, 16, Blue);
    root.Write("pics\\\x98\x9F.jpg", "");

    ToolRun run = Run({ "--every", "60" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    // Runs of 5, 5, 5, 5 and 4 steps: the first one's all to the digits, the last
    // one's all to the 0x5C name.
    ExpectDay(60, [](int minute) -> AnsiString {
        return minute < 10 * 60 ? "0930"
            : minute < 15 * 60  ? "\x83\x5F"
                                  "1200"
                                : "\x95\x5C-1234";
    });
    EXPECT_TRUE(NearColor(MiddleColor(*ReadBack(dest + "\\sv_\x95\x5C-1234_2300.jpg")), Blue));
    EXPECT_NE(run.out.find("2 pictures skipped"), AnsiString::npos) << run.out;
}

TEST_F(PhotoRun, TinyPicturesAndEveryKindOfBmp)
{
    const AnsiString two(2, '\0');
    struct Kind {
        const char* name;
        AnsiString bytes;
        COLORREF color;
    };
    const std::vector<Kind> kinds {
        { "b1.bmp", BmpBytes(3, 2, 1, { 0, Red }, AnsiString("\xE0\0\0\0\xE0\0\0\0", 8)), Red },
        { "b2.bmp", BmpBytes(3, 2, 4, { 0, Green }, AnsiString("\x11\x10\0\0\x11\x10\0\0", 8)), Green },
        { "b3.bmp", BmpBytes(2, 2, 8, { 0, Blue }, AnsiString("\x01\x01\0\0\x01\x01\0\0", 8)), Blue },
        { "b4.bmp", BmpBytes(2, 2, 16, {}, AnsiString("\x00\x6C\x00\x6C\x00\x6C\x00\x6C", 8)), RGB(222, 0, 0) },
        { "b5.bmp", BmpBytes(1, 2, 32, {}, AnsiString("\xDC\x1E\x1E\0\xDC\x1E\x1E\0", 8)), Blue },
        { "b6.bmp",
            BmpBytes(
                2, 2, 24, {}, AnsiString("\x1E\xC8\x1E\x1E\xC8\x1E\0\0\x1E\xC8\x1E\x1E\xC8\x1E\0\0", 16), BI_RGB, true),
            Green },
        { "b7.bmp", BmpBytes(4, 2, 8, { 0, Red }, AnsiString("\x04\x01\0\0\x04\x01\0\x01", 8), BI_RLE8), Red },
        { "b8.bmp", BmpBytes(4, 2, 4, { 0, Blue }, AnsiString("\x04\x11\0\0\x04\x11\0\x01", 8), BI_RLE4), Blue },
    };
    for (const Kind& kind : kinds)
        root.Write(AnsiString("pics\\") + kind.name, kind.bytes);
    WritePicture(source + "\\b9.bmp", 1, 1, Green);

    ToolRun run = Run({ "--every", "160" });
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("0 pictures skipped"), AnsiString::npos) << run.out << run.err;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const AnsiString photo = dest + "\\" + PhotoFileName(AnsiString(kinds[i].name, 2), static_cast<int>(i) * 160);
        std::unique_ptr<TBitmap> bitmap = ReadBack(photo);
        EXPECT_TRUE(NearColor(MiddleColor(*bitmap), kinds[i].color))
            << kinds[i].name << " " << std::hex << MiddleColor(*bitmap);
    }
    EXPECT_EQ(ReadBack(dest + "\\sv_b9_2120.jpg")->Width(), 1);

    // The clock on pictures far smaller than its text, and the smallest size.
    dest = root / "clocked";
    ToolRun clocked = Run({ "--clock", "--size", "1x1" });
    ASSERT_EQ(clocked.exitCode, 0u) << clocked.err;
    EXPECT_EQ(Matching(dest, "sv_*.jpg").size(), 1440u);
    std::unique_ptr<TBitmap> smallest = ReadBack(dest + "\\sv_b9_2120.jpg");
    EXPECT_EQ(smallest->Width(), 1);
    EXPECT_EQ(smallest->Height(), 1);
}

TEST_F(PhotoRun, DestThatIsAFileIsAnErrorAndTheFileIsLeftAlone)
{
    WritePicture(source + "\\a.jpg", 16, 16, Red);
    dest = root.Write("set", "a file, not a folder");
    for (bool force : { false, true }) {
        ToolRun run = Run(force ? std::vector<AnsiString> { "--force" } : std::vector<AnsiString> {});
        EXPECT_EQ(run.exitCode, 1u) << force;
        EXPECT_NE(run.err.find("cannot make the folder"), AnsiString::npos) << run.err;
        EXPECT_EQ(ReadFileBytes(dest), "a file, not a folder");
    }
    EXPECT_EQ(FolderEntries(root.Path()).size(), 2u);
    EXPECT_EQ(FolderEntries(source).size(), 1u);
}
