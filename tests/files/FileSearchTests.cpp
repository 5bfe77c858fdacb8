#include "common/TestSupport.h"
#include "files/FileSearch.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::set<AnsiString> FindAll(const AnsiString& pattern, int attributes)
{
    std::set<AnsiString> names;
    TSearchRec record;
    for (int r = FindFirstEntry(pattern, attributes, record); r == 0; r = FindNextEntry(record))
        names.insert(record.Name);
    EndSearch(record);
    return names;
}

}

TEST(FileSearch, AttributeFilterSkipsHiddenSystemAndFoldersUnlessAsked)
{
    TempFolder dir;
    dir.Write("plain.jpg", "12345");
    dir.Write("ro.jpg", "", FILE_ATTRIBUTE_READONLY);
    dir.Write("arch.jpg", "", FILE_ATTRIBUTE_ARCHIVE);
    dir.Write("hidden.jpg", "", FILE_ATTRIBUTE_HIDDEN);
    dir.Write("system.jpg", "", FILE_ATTRIBUTE_SYSTEM);
    dir.MakeFolder("folder.jpg");

    EXPECT_EQ(FindAll(dir / "*.jpg", 0), (std::set<AnsiString> { "plain.jpg", "ro.jpg", "arch.jpg" }));
    EXPECT_EQ(FindAll(dir / "*.jpg", faDirectory),
        (std::set<AnsiString> { "plain.jpg", "ro.jpg", "arch.jpg", "folder.jpg" }));
    EXPECT_EQ(FindAll(dir / "*.jpg", faHidden | faSysFile),
        (std::set<AnsiString> { "plain.jpg", "ro.jpg", "arch.jpg", "hidden.jpg", "system.jpg" }));

    TSearchRec record;
    ASSERT_EQ(FindFirstEntry(dir / "plain.jpg", 0, record), 0);
    EXPECT_EQ(record.Size, 5);
    EXPECT_EQ(record.Attr & faDirectory, 0);
    EXPECT_NE(record.Time, 0);
    EXPECT_EQ(record.Time, FileAge(dir / "plain.jpg"));
}

TEST(FileSearch, OnlyHiddenMatchesGiveNothingAndCloseTheSearch)
{
    TempFolder dir;
    dir.Write("sv_a.jpg", "", FILE_ATTRIBUTE_HIDDEN);
    dir.Write("sv_b.jpg", "", FILE_ATTRIBUTE_HIDDEN);
    TSearchRec record;
    int result = FindFirstEntry(dir / "sv*", 0, record);
    EXPECT_EQ(result, ERROR_NO_MORE_FILES);
    EXPECT_EQ(record.Attr, 0);
    EXPECT_EQ(record.FindHandle, INVALID_HANDLE_VALUE);
    // Closing again does nothing.
    EndSearch(record);
    EXPECT_EQ(record.FindHandle, INVALID_HANDLE_VALUE);
}

TEST(FileSearch, MissingPatternReportsThePlatformCode)
{
    TempFolder dir;
    TSearchRec record;
    EXPECT_EQ(FindFirstEntry(dir / "nothing*.jpg", 0, record), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(record.FindHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstEntry(dir / "no-such-folder\\*.jpg", 0, record), ERROR_PATH_NOT_FOUND);
}

TEST(FileSearch, WildcardsAreCaseBlind)
{
    TempFolder dir;
    dir.Write("SV_x_0905.JPG");
    dir.Write("sv_y_0906.jpg");
    EXPECT_EQ(FindAll(dir / "sv_*_0905*.jpg", 0), (std::set<AnsiString> { "SV_x_0905.JPG" }));
}

TEST(FileChecks, ExistenceAgeAndDelete)
{
    TempFolder dir;
    AnsiString file = dir.Write("a.txt", "x");
    AnsiString folder = dir.MakeFolder("sub");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_EQ(FileAge(folder), -1);
    EXPECT_FALSE(FileExists(dir / "missing.txt"));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_FALSE(FolderExists(dir / "missing"));
    // A name with wildcards tests its first match.
    EXPECT_TRUE(FileExists(dir / "*.txt"));
    EXPECT_TRUE(RemoveFile(file));
    EXPECT_FALSE(RemoveFile(file));
    EXPECT_FALSE(FileExists(file));
}

TEST(CurrentFolder, ChangeAndErrorTexts)
{
    TempFolder dir;
    AnsiString before = GetCurrentFolder();
    ChangeCurrentFolder(dir.Path());
    EXPECT_TRUE(SameText(GetCurrentFolder(), dir.Path()));
    try {
        ChangeCurrentFolder(dir / "missing");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        // Whichever of "not found" and "path not found" the system reports, the text
        // is that code's.
        EXPECT_TRUE(e.ErrorCode() == 2 || e.ErrorCode() == 3) << e.ErrorCode();
        EXPECT_EQ(e.Message(), InOutErrorText(e.ErrorCode()));
    }
    EXPECT_EQ(InOutResult(), 0);
    EXPECT_TRUE(SameText(GetCurrentFolder(), dir.Path()));
    ChangeCurrentFolder(before);
}

TEST(FileSearch, DoubleByteNamesAreFoundAsStored)
{
    TempFolder dir;
    AnsiString name = "sv_ソファ_1200.jpg";
    dir.Write(name, "abc");
    EXPECT_EQ(FindAll(dir / "sv_*_1200*.jpg", 0), (std::set<AnsiString> { name }));
    EXPECT_TRUE(FileExists(dir / name));
}
