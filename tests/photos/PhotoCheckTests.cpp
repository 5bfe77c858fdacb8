// make-photos.exe --check run as a process on real folders.
#include "PhotoToolSupport.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr COLORREF Gray = RGB(128, 128, 128);

class PhotoCheck : public testing::Test {
protected:
    ToolRun Check(const AnsiString& folder) { return RunMakePhotos({ "--check", folder }, root.Path()); }

    TempFolder root;
};

}

TEST_F(PhotoCheck, ReportsWhatTheProgramShowsAtEachMinute)
{
    const AnsiString folder = root.MakeFolder("photos");
    for (int minute = 0; minute < 10; ++minute) {
        char name[32];
        // "ソ" ends in the byte of "\": the name must still be found and read whole.
        std::snprintf(name, sizeof name, minute == 7 ? "sv_ソ_%04d.jpg" : "sv_a_%04d.jpg", minute);
        WritePicture(folder + "\\" + name, 40, 30, Gray);
    }
    // A second photo for 00:05: upper case sorts with lower case, so it comes second.
    WritePicture(folder + "\\SV_A_0005x.JPG", 40, 30, Gray);
    root.Write("photos\\sv_表_0010.jpg", "");
    WritePicture(folder + "\\sv_d_0020x.jpg", 40, 30, Gray);
    WritePicture(folder + "\\sv_x_2460.jpg", 40, 30, Gray);
    WritePicture(folder + "\\sv_y_0930.jpeg", 40, 30, Gray);
    root.Write("photos\\readme.txt", "not listed: the folder choice lists sv* only");

    ToolRun run = Check(folder);
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    EXPECT_EQ(run.out,
        "covered 11 of 1440 minutes\r\n"
        "missing 00:11-00:19 (9 minutes)\r\n"
        "missing 00:21-23:59 (1419 minutes)\r\n"
        "several 00:05: sv_a_0005.jpg shown; also SV_A_0005x.JPG\r\n"
        "damaged 00:10 sv_表_0010.jpg: JPEG エラー #"
            + std::to_string(JERR_INPUT_EMPTY)
            + ".\r\n"
              "unused sv_x_2460.jpg\r\n"
              "unused sv_y_0930.jpeg\r\n");
}

TEST_F(PhotoCheck, CompleteSetFromPicturesIsCovered)
{
    const AnsiString source = root.MakeFolder("pics");
    WritePicture(source + "\\one.jpg", 80, 60, Gray);
    ToolRun made = RunMakePhotos({ "--from", source, root / "set", "--every", "1" }, root.Path());
    ASSERT_EQ(made.exitCode, 0u) << made.err;
    EXPECT_NE(made.out.find("--check"), AnsiString::npos) << made.out;

    ToolRun run = Check(root / "set/");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, "covered 1440 of 1440 minutes\r\n");
    EXPECT_NE(run.err.find("read 1440 / 1440 photos"), AnsiString::npos) << run.err;
}
