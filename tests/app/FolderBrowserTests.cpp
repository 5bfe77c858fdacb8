// The shell's folder browser as the folder choice runs it: a confirmed folder gives
// its path, a cancelled browser an empty one; the title is shown as given.
#include "app/support/BrowserScript.h"

#include "app/FolderBrowser.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(FolderBrowser, ConfirmedFolderGivesItsPathAndCancelGivesNothing)
{
    TempFolder folder;
    const AnsiString title = "写真のフォルダ";
    {
        BrowserScript script(folder.Path());
        AnsiString chosen = BrowseForFolder(nullptr, title);
        ASSERT_TRUE(script.Seen());
        EXPECT_TRUE(std::ranges::find(script.Texts(), title) != script.Texts().end());
        EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, chosen.c_str(), -1, folder.Path().c_str(), -1),
            CSTR_EQUAL)
            << chosen << " vs " << folder.Path();
    }
    {
        BrowserScript script("");
        AnsiString chosen = BrowseForFolder(nullptr, title);
        ASSERT_TRUE(script.Seen());
        EXPECT_EQ(chosen, "");
    }
}
