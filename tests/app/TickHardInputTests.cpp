// The minute tick against what a photo folder and the desktop may hold: photos damaged
// or of the wrong kind, a folder in a photo's place, double-byte and long folder names,
// the clipboard held by another program, a failing tick under the modal about window.
// Each bad minute ends with its one error box; the next good minute works; nothing is
// written but the temporary bitmap.
#include "app/support/TickFixture.h"

#include "app/Infowindow1.h"
#include "app/Mainwindow1.h"
#include "common/ClipboardSupport.h"
#include "common/TestSupport.h"
#include "files/FileListBox.h"
#include "frame/SpeedButton.h"
#include "frame/Timer.h"
#include "graphics/Bitmap.h"
#include "graphics/Brush.h"
#include "graphics/Canvas.h"
#include "graphics/support/JpegEncoding.h"
#include "runtime/Stream.h"
#include "tray/MenuItem.h"

#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A JPEG file in the four-component CMYK colour space, as printing software writes.
AnsiString CmykJpeg(int width, int height)
{
    return EncodeJpeg(
        width, height, 4, JCS_CMYK, std::vector<unsigned char>(static_cast<std::size_t>(width * height) * 4, 0x40));
}

bool StartsWith(const AnsiString& text, const AnsiString& start) { return text.rfind(start, 0) == 0; }

}

TEST_F(TickTest, DamagedOrForeignPhotosEndOnlyTheirOwnMinute)
{
    // Cut short inside the image data: the missing part is filled and the photo is used.
    AnsiString whole = SolidJpeg(Red, 320, 240);
    photos.Write("sv_cut_1600.jpg", whole.substr(0, whole.size() - 60));
    // A BMP file under a JPEG name: the JPEG header is rejected when it is loaded.
    photos.Write("sv_bmp_1601.jpg", SolidBmp(Blue, 16, 16));
    // A CMYK JPEG: its header is read, its pixels cannot be turned into a bitmap.
    photos.Write("sv_cmyk_1602.jpg", CmykJpeg(32, 24));
    // A folder that matches the mask is no photo.
    photos.MakeFolder("sv_dir_1603.jpg");
    const std::vector<AnsiString> before = FolderEntries(photos.Path());

    TickAt(16, 0);
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    ASSERT_EQ(shell.wallpapers.size(), 1u);
    BmpFacts facts;
    ASSERT_TRUE(ReadBmpFacts(shell.wallpaperFiles[0], facts));
    EXPECT_EQ(facts.width, 320);
    EXPECT_EQ(facts.height, 240);
    EXPECT_TRUE(NearColor(facts.middle, Red)) << std::hex << facts.middle;

    PutClipboardText("kept");
    TickAt(16, 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(StartsWith(errors[0], "JPEG エラー #")) << errors[0];
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

    // Failing after the clipboard was emptied for the photo, the tick puts the text back.
    TickAt(16, 2);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_TRUE(StartsWith(errors[1], "JPEG エラー #")) << errors[1];
    EXPECT_EQ(FormatBytes(ReadClipboardBytes(), CF_TEXT), AnsiString("kept", 5));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

    TickAt(16, 3);
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(MainForm1->FileListBox1->Count(), 0);

    EXPECT_EQ(shell.wallpapers.size(), 1u);
    EXPECT_EQ(shell.beeps, 1);
    EXPECT_EQ(FolderEntries(photos.Path()), before);
    EXPECT_TRUE(FolderEntries(programFolder.Path()).empty());

    // A good minute after all of them works.
    photos.Write("sv_good_1604.jpg", SolidJpeg(Blue));
    TickAt(16, 4);
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(shell.wallpapers.size(), 2u);
}

TEST_F(TickTest, DoubleByteAndLongFolderNamesGiveTheRightPathsOrAnError)
{
    // Folder names whose characters end in the byte of "\": ソ is 0x83 0x5C, 表 0x95 0x5C.
    AnsiString photoFolder = photos.MakeFolder("ソ表");
    AnsiString programSub = programFolder.MakeFolder("能ソ");
    ASSERT_EQ(GetFileAttributesA(photoFolder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    photos.Write("ソ表\\sv_ソ_1700.jpg", SolidJpeg(Red));
    ASSERT_NO_FATAL_FAILURE(ChooseFolder(photoFolder));
    ASSERT_EQ(MainForm1->FileListBox1->Count(), 1);
    MainForm1->ProgramFolder = programSub;
    TickAt(17, 0);
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    ASSERT_EQ(shell.wallpapers.size(), 1u);
    EXPECT_EQ(shell.wallpapers[0], programSub + "\\_tmp.dat");
    BmpFacts facts;
    EXPECT_TRUE(ReadBmpFacts(shell.wallpaperFiles[0], facts));
    EXPECT_TRUE(FolderEntries(programSub).empty());

    // A folder as long as a folder may be, holding a photo whose full path is longer
    // than a path may be: the list finds it, the load fails with an error box.
    AnsiString deep = programFolder.Path() + "\\";
    deep += AnsiString(240 - deep.size(), 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size();
    AnsiString longName = "sv_" + AnsiString(30, 'n') + "_1701.jpg";
    AnsiString longPhoto = deep + "\\" + longName;
    ASSERT_GT(longPhoto.size(), static_cast<std::size_t>(MAX_PATH));
    // Made from inside the folder: the name alone is short enough.
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    HANDLE file = CreateFileA(longName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    SetCurrentDirectoryA(saved);
    if (file == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "this system cannot make a file with a path that long";
    AnsiString bytes = SolidJpeg(Red);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    MainForm1->FileListBox1->SetFolder(deep);
    TickAt(17, 1);
    EXPECT_EQ(MainForm1->FileListBox1->Count(), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].find(longName) != AnsiString::npos) << errors[0];
    EXPECT_EQ(shell.wallpapers.size(), 1u);
    SetCurrentDirectoryA(deep.c_str());
    DeleteFileA(longName.c_str());
    SetCurrentDirectoryA(saved);
    RemoveDirectoryA(deep.c_str());
}

TEST_F(TickTest, ClipboardHeldByAnotherProgramIsWaitedForBrieflyThenEndsTheTick)
{
    photos.Write("sv_a_1800.jpg", SolidJpeg(Red));
    photos.Write("sv_a_1801.jpg", SolidJpeg(Blue));
    photos.Write("sv_a_1802.jpg", SolidJpeg(Red));
    PutClipboardText("kept");
    {
        // Held for 5 s, far longer than the tick waits.
        ClipboardHolder holder(5000);
        ASSERT_TRUE(holder.Holding());
        TickAt(18, 0);
    }
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "クリップボードを開くことができません.");
    EXPECT_TRUE(shell.wallpapers.empty());
    EXPECT_EQ(shell.beeps, 0);
    EXPECT_EQ(GetFileAttributesA(TemporaryFile().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FormatBytes(ReadClipboardBytes(), CF_TEXT), AnsiString("kept", 5));

    TickAt(18, 1);
    EXPECT_EQ(errors.size(), 1u);
    ASSERT_EQ(shell.wallpapers.size(), 1u);
    BmpFacts facts;
    ASSERT_TRUE(ReadBmpFacts(shell.wallpaperFiles[0], facts));
    EXPECT_TRUE(NearColor(facts.middle, Blue)) << std::hex << facts.middle;

    // Held for 300 ms, as a clipboard manager reading a change may: the tick waits.
    {
        ClipboardHolder holder(300);
        ASSERT_TRUE(holder.Holding());
        TickAt(18, 2);
    }
    EXPECT_EQ(errors.size(), 1u) << errors.back();
    EXPECT_EQ(shell.wallpapers.size(), 2u);
    EXPECT_EQ(FormatBytes(ReadClipboardBytes(), CF_TEXT), AnsiString("kept", 5));
}

TEST_F(TickTest, FailingTickUnderTheModalAboutWindowLeavesItWorking)
{
    photos.Write("sv_bad_1900.jpg", "");
    int boxesSeen = 0;
    bool aboutEnabledAfterBox = false;
    bool ticked = false;
    {
        ClockAt clock(19, 0);
        // Fires one tick from inside the about window's loop, then closes the window.
        ModalWatcher driver([&] {
            if (!IsWindowVisible(InfoForm1->Handle()))
                return;
            if (!ticked) {
                ticked = true;
                SendMessageA(MainForm1->Timer1->WindowHandle(), WM_TIMER, 1, 0);
                // Back from the tick: its box was closed inside it.
                aboutEnabledAfterBox = IsWindowEnabled(InfoForm1->Handle()) != 0;
                return;
            }
            InfoForm1->SpeedButton2Click(InfoForm1->SpeedButton2);
        });
        // Closes the tick's error box, which stands over the disabled about window.
        ModalWatcher closer([&] {
            std::vector<HWND> boxes = ThreadWindows("#32770");
            if (boxes.empty())
                return;
            ++boxesSeen;
            EXPECT_TRUE(MainForm1->TickRunning());
            EXPECT_FALSE(IsWindowEnabled(InfoForm1->Handle()));
            PostMessageA(boxes.front(), WM_COMMAND, IDOK, 0);
        });
        MainForm1->N9Click(MainForm1->N9);
    }
    EXPECT_TRUE(ticked);
    EXPECT_EQ(boxesSeen, 1);
    EXPECT_TRUE(aboutEnabledAfterBox);
    EXPECT_FALSE(IsWindowVisible(InfoForm1->Handle()));
    EXPECT_FALSE(MainForm1->TickRunning());

    photos.Write("sv_good_1901.jpg", SolidJpeg(Red));
    TickAt(19, 1);
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    EXPECT_EQ(shell.wallpapers.size(), 1u);
}

TEST_F(TickTest, PhotoClaimingAHugeSizeEndsItsTickWithAnError)
{
    // A small file whose frame header claims 40 000 x 40 000 pixels: no bitmap of that
    // size can be made.
    AnsiString bytes = SolidJpeg(Red, 64, 48);
    std::size_t frame = bytes.find("\xFF\xC0");
    ASSERT_NE(frame, AnsiString::npos);
    const char size[] = { char(40000 >> 8), char(40000 & 0xFF), char(40000 >> 8), char(40000 & 0xFF) };
    bytes.replace(frame + 5, 4, size, 4);
    photos.Write("sv_huge_2000.jpg", bytes);
    TickAt(20, 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(shell.wallpapers.empty());
    EXPECT_EQ(GetFileAttributesA(TemporaryFile().c_str()), INVALID_FILE_ATTRIBUTES);
    // It failed while being decoded for the clipboard: the empty clipboard stays empty.
    EXPECT_EQ(CountClipboardFormats(), 0);

    photos.Write("sv_good_2001.jpg", SolidJpeg(Blue));
    TickAt(20, 1);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(shell.wallpapers.size(), 1u);
}
