#include "files/PathParts.h"

#include <gtest/gtest.h>

// "ソ" is 0x83 0x5C: its second byte has the value of "\".
static const AnsiString So = "ソ";

TEST(PathParts, TrailByteIsNeverASeparator)
{
    AnsiString path = "C:\\" + So + "\\" + So; // C:\ソ\ソ
    EXPECT_EQ(LastDelimiter("\\", path), 6u);
    EXPECT_EQ(ExtractFileName(path), So);
    EXPECT_EQ(ExtractFilePath(path), "C:\\" + So + "\\");
    EXPECT_EQ(ExtractFileDir(path), "C:\\" + So);
    // A folder name ending in ソ keeps the character whole.
    EXPECT_EQ(ExtractFileDir("C:\\" + So + "\\"), "C:\\" + So);
    EXPECT_EQ(ExtractFileDir("C:\\a" + So), "C:\\");
    EXPECT_EQ(ExtractFileName("C:\\a" + So), "a" + So);
    EXPECT_EQ(LastDelimiter("\\", So + So), 0u);
}

TEST(PathParts, DriveRootsKeepTheirSeparator)
{
    EXPECT_EQ(ExtractFileDir("C:\\"), "C:\\");
    EXPECT_EQ(ExtractFileDir("C:\\a.txt"), "C:\\");
    EXPECT_EQ(ExtractFileDir("C:\\dir\\a.txt"), "C:\\dir");
    EXPECT_EQ(ExtractFileDir("C:a.txt"), "C:");
    EXPECT_EQ(ExtractFileDir("a.txt"), "");
    EXPECT_EQ(ExtractFilePath("C:\\dir\\a.txt"), "C:\\dir\\");
    EXPECT_EQ(ExtractFileName("C:a.txt"), "a.txt");
}

TEST(PathParts, DriveOfLocalAndNetworkPaths)
{
    EXPECT_EQ(ExtractFileDrive("C:\\dir\\a.txt"), "C:");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\a.txt"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\" + So + "\\x"), "\\\\server\\" + So);
    EXPECT_EQ(ExtractFileDrive("dir\\a.txt"), "");
    EXPECT_EQ(ExtractFileDrive(""), "");
}

TEST(PathParts, ExtensionsOnlyInTheFileName)
{
    EXPECT_EQ(ExtractFileExt("C:\\photos\\SV_0905.JPG"), ".JPG");
    EXPECT_EQ(ExtractFileExt("C:\\photos.d\\readme"), "");
    EXPECT_EQ(ExtractFileExt("noext"), "");
    EXPECT_EQ(ExtractFileExt("a.b.c"), ".c");
    // A trail byte 0x5C after the last dot belongs to the extension.
    EXPECT_EQ(ExtractFileExt("C:\\a.j" + So), ".j" + So);
    EXPECT_EQ(ChangeFileExt("C:\\a.jpg", ".bmp"), "C:\\a.bmp");
    EXPECT_EQ(ChangeFileExt("C:\\d.x\\a", ".bmp"), "C:\\d.x\\a.bmp");
    EXPECT_EQ(ChangeFileExt("C:\\a.j" + So, ""), "C:\\a");
}

TEST(PathParts, LoneLeadByteAtTheEndIsSafe)
{
    AnsiString lone = "C:\\dir\\a\x83";
    EXPECT_EQ(ExtractFileName(lone), "a\x83");
    EXPECT_EQ(ExtractFileDir(lone), "C:\\dir");
    EXPECT_EQ(ExtractFileExt(AnsiString("a.\x83")), AnsiString(".\x83"));
    EXPECT_EQ(LastDelimiter("\\", AnsiString("\x83")), 0u);
    EXPECT_EQ(ExtractFileDrive(AnsiString("\x83:")), "");
}

TEST(PathParts, FileNamesCompareCaseBlind)
{
    EXPECT_EQ(CompareFileNames("SV_0905.JPG", "sv_0905.jpg"), 0);
    EXPECT_LT(CompareFileNames("b.jpg", "C.jpg"), 0);
    EXPECT_GT(CompareFileNames("c.jpg", "B.jpg"), 0);
}
