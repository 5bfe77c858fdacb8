// The file list on a real platform list box: which entries are listed, how names
// come back, in which order, when the folder is read again, and what fails how.
#include "common/ExpectThrow.h"
#include "common/TestSupport.h"
#include "files/FileListBox.h"
#include "files/FileSearch.h"
#include "files/PathParts.h"
#include "frame/Form.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = GetCurrentFolder();
        m_form = MakeComponent<TForm>(TFormSource::None);
        m_list = MakeOwned<TFileListBox>(m_form.get());
        m_list->SetParent(m_form.get());
    }
    void TearDown() override
    {
        m_form.reset();
        SetCurrentDirectoryA(m_saved.c_str());
    }
    // Lists the folder through a list whose window exists.
    void Show(const AnsiString& folder, const AnsiString& mask)
    {
        m_list->SetFolder(folder);
        m_list->SetMask(mask);
        ASSERT_TRUE(m_list->Handle());
    }
    std::vector<AnsiString> Names()
    {
        std::vector<AnsiString> names;
        for (int i = 0; i < m_list->Count(); ++i)
            names.push_back(m_list->Items(i));
        return names;
    }

    AnsiString m_saved;
    TComponentPtr<TForm> m_form;
    TFileListBox* m_list = nullptr;
};

TEST_F(FileListTest, DefaultsAndWindowStyles)
{
    EXPECT_EQ(m_list->Mask(), "*.*");
    EXPECT_EQ(m_list->FileType(), FileTypeOf(ftNormal));
    EXPECT_EQ(m_list->Folder(), GetCurrentFolder());
    EXPECT_EQ(m_list->Width(), 145);
    HWND window = m_list->Handle();
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    EXPECT_STREQ(cls, "TFileListBox");
    LONG style = GetWindowLongA(window, GWL_STYLE);
    for (LONG bit : { LBS_NOTIFY, LBS_HASSTRINGS, LBS_SORT, LBS_OWNERDRAWFIXED, LBS_NOINTEGRALHEIGHT })
        EXPECT_EQ(style & bit, bit) << bit;
    ExpectThrowMessage<EListError>([&] { m_list->Items(m_list->Count()); },
        Format("リストのインデックスが範囲を超えています (%d)", m_list->Count()));
}

TEST_F(FileListTest, ItemOperationsOnAListOfAFormNeverShownCreateItsWindow)
{
    // The main window is never shown: its file list must fill all the same.
    TempFolder dir;
    dir.Write("sv_a_1200.jpg");
    dir.Write("other.txt");
    ASSERT_FALSE(m_form->HandleAllocated());
    m_list->SetFolder(dir.Path());
    m_list->SetMask("sv*");
    EXPECT_TRUE(m_list->HandleAllocated());
    ASSERT_EQ(m_list->Count(), 1);
    EXPECT_EQ(m_list->Items(0), "sv_a_1200.jpg");
    EXPECT_FALSE(IsWindowVisible(m_form->Handle()));

    // Reading the items alone demands the window too.
    auto form = MakeComponent<TForm>(TFormSource::None);
    auto* reader = MakeOwned<TFileListBox>(form.get());
    reader->SetParent(form.get());
    ChangeCurrentFolder(dir.Path());
    ASSERT_FALSE(reader->HandleAllocated());
    EXPECT_EQ(reader->Count(), 2);
    EXPECT_EQ(reader->ItemIndex(), -1);

    // A list without a parent has no window to get and lists nothing.
    auto alone = MakeComponent<TFileListBox>();
    EXPECT_EQ(alone->Count(), 0);
    EXPECT_EQ(alone->ItemIndex(), -1);
    EXPECT_FALSE(alone->HandleAllocated());
    EXPECT_THROW(alone->Items(0), EListError);
}

TEST_F(FileListTest, AListOfAFormNeverShownFillsWhateverOrderItsPropertiesAreSetIn)
{
    TempFolder dir;
    dir.Write("sv_a_1200.jpg");
    dir.Write("sv_hidden.jpg", {}, FILE_ATTRIBUTE_HIDDEN);
    dir.Write("other.txt");
    dir.MakeFolder("sv_folder");
    // Mask and type first, folder last.
    m_list->SetMask("sv*");
    m_list->SetFileType(FileTypeOf(ftNormal) | FileTypeOf(ftHidden));
    m_list->SetFolder(dir.Path());
    EXPECT_EQ(Names(), (std::vector<AnsiString> { "sv_a_1200.jpg", "sv_hidden.jpg" }));

    // Folder first, then the type, then the mask, on another form never shown.
    auto form = MakeComponent<TForm>(TFormSource::None);
    auto* list = MakeOwned<TFileListBox>(form.get());
    list->SetParent(form.get());
    list->SetFolder(dir.Path());
    list->SetFileType(FileTypeOf(ftNormal) | FileTypeOf(ftDirectory));
    list->SetMask("sv*");
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0), "[sv_folder]");
    EXPECT_EQ(list->Items(1), "sv_a_1200.jpg");
    // Out of range on either side, on a list that has items.
    for (int index : { -1, 2, 1000 }) {
        try {
            list->Items(index);
            ADD_FAILURE() << "no error for " << index;
        } catch (const EListError& error) {
            EXPECT_EQ(error.Message(), Format("リストのインデックスが範囲を超えています (%d)", index));
        }
    }
    list->SetItemIndex(1);
    EXPECT_EQ(list->SelectedPath(), dir / "sv_a_1200.jpg");
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(FileListTest, BracketsAreWholeCharactersInSplitFolderPath)
{
    // "ゾ" is 0x83 0x5D in code page 932: its trail byte is the byte of "]".
    TempFolder dir;
    AnsiString name = "[aゾ";
    ASSERT_EQ(name.back(), ']');
    dir.MakeFolder(name);
    dir.MakeFolder("sub");
    ChangeCurrentFolder(dir.Path());
    char drive = 0;
    AnsiString folder, file;
    m_list->SplitFolderPath(name, drive, folder, file);
    EXPECT_EQ(CompareFileNames(folder.substr(folder.size() - name.size()), name), 0) << folder;
    EXPECT_EQ(file, "");
    // A real bracketed entry of the list is still a folder.
    m_list->SplitFolderPath("[sub]", drive, folder, file);
    EXPECT_EQ(folder.substr(folder.size() - 4), "\\sub");
    EXPECT_EQ(file, "");
}

TEST_F(FileListTest, NormalTypeLeavesOutHiddenSystemAndFoldersButListsReadOnly)
{
    TempFolder dir;
    dir.Write("plain.txt");
    dir.Write("locked.txt", "x", FILE_ATTRIBUTE_READONLY);
    dir.Write("secret.txt", "x", FILE_ATTRIBUTE_HIDDEN);
    dir.Write("system.txt", "x", FILE_ATTRIBUTE_SYSTEM);
    dir.MakeFolder("sub");
    Show(dir.Path(), "*.*");
    EXPECT_EQ(Names(), (std::vector<AnsiString> { "locked.txt", "plain.txt" }));

    m_list->SetFileType(FileTypeOf(ftDirectory));
    std::vector<AnsiString> folders = Names();
    EXPECT_NE(std::find(folders.begin(), folders.end(), "[sub]"), folders.end());
    EXPECT_EQ(std::find(folders.begin(), folders.end(), "plain.txt"), folders.end());
}

TEST_F(FileListTest, MasksMatchWithoutRegardToCaseAndNamesComeBackAsStored)
{
    TempFolder dir;
    for (const char* name : { "SV_x.jpg", "sv.txt", "svelte.doc", "other.jpg", "xsv.jpg", "SV_0905.JPG" })
        dir.Write(name);
    Show(dir.Path(), "sv*");
    EXPECT_EQ(Names(), (std::vector<AnsiString> { "sv.txt", "SV_0905.JPG", "SV_x.jpg", "svelte.doc" }));
}

TEST_F(FileListTest, SortingIgnoresCaseAndTwoPieceMasksMerge)
{
    TempFolder dir;
    for (const char* name : { "C.jpg", "b.jpg", "a2.txt", "B1.txt", "A1.doc", "b2.gif", "zz.txt" })
        dir.Write(name);
    Show(dir.Path(), "*.jpg");
    EXPECT_EQ(Names(), (std::vector<AnsiString> { "b.jpg", "C.jpg" }));
    m_list->SetMask("a*;b*");
    EXPECT_EQ(Names(), (std::vector<AnsiString> { "A1.doc", "a2.txt", "b.jpg", "B1.txt", "b2.gif" }));
}

TEST_F(FileListTest, TheSameMaskAgainReadsNothingAnew)
{
    TempFolder dir;
    dir.Write("sv_1.jpg");
    Show(dir.Path(), "sv*");
    ASSERT_EQ(m_list->Count(), 1);
    dir.Write("sv_2.jpg");
    m_list->SetMask("sv*");
    EXPECT_EQ(m_list->Count(), 1);
    m_list->SetMask("SV*"); // one byte differs: read again
    EXPECT_EQ(m_list->Count(), 2);
}

TEST_F(FileListTest, FolderIsStoredAsTheSystemSpellsIt)
{
    TempFolder dir;
    AnsiString sub = dir.MakeFolder("Sub");
    m_list->SetFolder(sub + "\\");
    EXPECT_EQ(CompareFileNames(m_list->Folder(), sub), 0);
    EXPECT_NE(m_list->Folder().back(), '\\');
    EXPECT_EQ(CompareFileNames(GetCurrentFolder(), sub), 0);

    AnsiString root = GetCurrentFolder().substr(0, 3); // "C:\"
    m_list->SetFolder(root);
    EXPECT_EQ(m_list->Folder(), root);
}

TEST_F(FileListTest, MissingFolderRaisesKeepsTheItemsAndHasStoredTheMask)
{
    auto dir = std::make_unique<TempFolder>();
    dir->Write("sv_a.jpg");
    dir->Write("sv_b.jpg");
    Show(dir->Path(), "sv*");
    ASSERT_EQ(m_list->Count(), 2);
    SetCurrentDirectoryA(m_saved.c_str());
    dir.reset(); // the folder is gone

    try {
        m_list->SetMask("sv_*_0905*.jpg");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), InOutErrorText(e.ErrorCode()));
        EXPECT_TRUE(e.ErrorCode() == 2 || e.ErrorCode() == 3) << e.ErrorCode();
    }
    EXPECT_EQ(Names(), (std::vector<AnsiString> { "sv_a.jpg", "sv_b.jpg" }));
    EXPECT_EQ(m_list->Mask(), "sv_*_0905*.jpg");
    // The same mask again does not retry.
    EXPECT_NO_THROW(m_list->SetMask("sv_*_0905*.jpg"));

    // A folder path that cannot be entered leaves Folder as it was.
    AnsiString before = m_list->Folder();
    EXPECT_THROW(m_list->SetFolder(before + "\\nowhere"), EInOutError);
    EXPECT_EQ(m_list->Folder(), before);
}

TEST_F(FileListTest, AMaskInTheFolderPathBecomesTheMask)
{
    TempFolder dir;
    dir.Write("one.txt");
    dir.Write("two.doc");
    ASSERT_TRUE(m_list->Handle());
    m_list->SetFolder(dir / "*.doc");
    EXPECT_EQ(m_list->Mask(), "*.doc");
    EXPECT_EQ(Names(), (std::vector<AnsiString> { "two.doc" }));
}

}

namespace {

COLORREF WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

}

TEST_F(FileListTest, ItemsAreDrawnWithTheirGlyphAndName)
{
    TempFolder dir;
    dir.Write("a.txt");
    m_list->SetShowGlyphs(true);
    m_list->SetBounds(0, 0, 200, 100);
    m_form->SetBounds(100, 100, 260, 160);
    Show(dir.Path(), "*.*");
    ASSERT_EQ(Names(), std::vector<AnsiString> { "a.txt" });
    m_form->ShowForm();
    HWND list = m_list->Handle();
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);

    // The file glyph as the resource holds it, and its transparent colour.
    HBITMAP glyph = LoadBitmapA(GetModuleHandleA(nullptr), "UNKNOWNFILE");
    ASSERT_TRUE(glyph);
    BITMAP info {};
    GetObjectA(glyph, sizeof info, &info);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, glyph);
    COLORREF transparent = GetPixel(memory, 0, info.bmHeight - 1);
    COLORREF background = WindowPixel(list, 190, 1);
    int top = (m_list->ItemHeight() - info.bmHeight) / 2;
    int opaque = 0, shows = 0, mismatches = 0;
    for (int y = 0; y < info.bmHeight; ++y) {
        for (int x = 0; x < info.bmWidth; ++x) {
            COLORREF own = GetPixel(memory, x, y);
            COLORREF drawn = WindowPixel(list, 2 + x, top + y);
            if (own == transparent) {
                shows += drawn == background;
            } else {
                ++opaque;
                mismatches += drawn != own;
            }
        }
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(glyph);
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(shows, 0);

    // The name is drawn to the right of the glyph, in the item's row.
    int inked = 0;
    for (int x = info.bmWidth + 6; x < 120; ++x)
        for (int y = 0; y < m_list->ItemHeight(); ++y)
            inked += WindowPixel(list, x, y) != background;
    EXPECT_GT(inked, 0);
}

TEST_F(FileListTest, ASelectionChangeFromTheListIsNotifiedOnce)
{
    TempFolder dir;
    dir.Write("a.txt");
    dir.Write("b.txt");
    Show(dir.Path(), "*.*");
    int changes = 0;
    m_list->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, m_list);
        ++changes;
    };
    HWND list = m_list->Handle();
    // The list box tells its parent window, as it does when the user clicks an item.
    auto selectAndNotify = [&](int index) {
        SendMessageA(list, LB_SETCURSEL, index, 0);
        SendMessageA(
            GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    };
    selectAndNotify(1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(m_list->SelectedPath(), dir / "b.txt");
    selectAndNotify(1);
    EXPECT_EQ(changes, 1);
    selectAndNotify(0);
    EXPECT_EQ(changes, 2);
}
