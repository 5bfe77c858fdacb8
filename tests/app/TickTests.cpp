// The minute tick: which photo is chosen, what the wallpaper call gets, what is left
// behind, what each failure shows and leaves; at most one error box from the clock
// at a time.
#include "app/support/TickFixture.h"

#include "app/Mainwindow1.h"
#include "files/FileListBox.h"
#include "frame/Application.h"
#include "frame/Timer.h"
#include "graphics/Clipboard.h"
#include "graphics/Picture.h"
#include "frame/Image.h"
#include "tray/MenuItem.h"

namespace {

bool ClipboardHasBitmap() { return IsClipboardFormatAvailable(CF_BITMAP) != 0; }

}

TEST_F(TickTest, FirstNameInCaseBlindOrderBecomesTheWallpaperAndNothingIsLeftBehind)
{
    photos.Write("SV_b_1200x.JPG", SolidJpeg(Blue));
    photos.Write("sv_a_1200.jpg", SolidJpeg(Red, 80, 60));
    photos.Write("sv_1200.jpg", SolidJpeg(Blue)); // no second underscore: never matches
    TickAt(12, 0);

    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    EXPECT_EQ(MainForm1->FileListBox1->Mask(), "sv_*_1200*.jpg");
    EXPECT_EQ(MainForm1->FileListBox1->Count(), 2);
    ASSERT_EQ(shell.wallpapers.size(), 1u);
    EXPECT_EQ(shell.wallpapers[0], programFolder.Path() + "\\_tmp.dat");
    BmpFacts facts;
    ASSERT_TRUE(ReadBmpFacts(shell.wallpaperFiles[0], facts)) << "the wallpaper call got no bitmap file";
    EXPECT_EQ(facts.width, 80);
    EXPECT_EQ(facts.height, 60);
    EXPECT_TRUE(NearColor(facts.middle, Red)) << std::hex << facts.middle;
    EXPECT_EQ(shell.beeps, 1);
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_EQ(GetFileAttributesA(TemporaryFile().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(MainForm1->Image1->Picture()->Graphic(), nullptr) << "the photo is held between ticks";
}

TEST_F(TickTest, TheDesktopGetsTheBitmapAsATemporaryFileOfTheSameBytes)
{
    photos.Write("sv_a_1210.jpg", SolidJpeg(Red, 33, 17));
    TickAt(12, 10);
    ASSERT_EQ(shell.wallpapers.size(), 1u);
    if (SystemKeepsTemporaryAttribute())
        EXPECT_EQ(shell.wallpaperAttributes[0] & FILE_ATTRIBUTE_TEMPORARY, DWORD(FILE_ATTRIBUTE_TEMPORARY));
    else
        std::printf("this system does not keep FILE_ATTRIBUTE_TEMPORARY: the attribute is not checked\n");

    // The bytes an ordinary save of the same round trip writes.
    TPicture picture;
    picture.LoadFile(photos / "sv_a_1210.jpg");
    GlobalClipboard()->Assign(&picture);
    picture.Assign(GlobalClipboard());
    GlobalClipboard()->Clear();
    picture.SaveFile(programFolder / "plain.bmp");
    EXPECT_EQ(shell.wallpaperFiles[0], ReadFileBytes(programFolder / "plain.bmp"));
    EXPECT_EQ(GetFileAttributesA(TemporaryFile().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TickTest, WhatAnotherProgramCopiedSurvivesTheTickByteForByte)
{
    ASSERT_TRUE(PutUserContentFromAnotherProgram());
    const ClipboardBytes before = ReadClipboardBytes();
    const UINT sample = RegisterClipboardFormatA("SV sample of a user's format");
    for (UINT format : { UINT(CF_TEXT), UINT(CF_DIB), UINT(CF_HDROP), sample })
        ASSERT_FALSE(FormatBytes(before, format).empty()) << format;

    photos.Write("sv_a_1220.jpg", SolidJpeg(Red));
    shell.recordClipboard = true;
    TickAt(12, 20);
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    ASSERT_EQ(shell.wallpapers.size(), 1u);

    // Every format back, in its order and with its bytes; the tick adds no more than the
    // mark that keeps clipboard history from recording the same content again.
    const ClipboardBytes after = ReadClipboardBytes();
    ASSERT_GE(after.size(), before.size());
    EXPECT_EQ(ClipboardBytes(after.begin(), after.begin() + before.size()), before);
    EXPECT_LE(after.size(), before.size() + 1);

    // While the photo was there, it was marked for history, cloud clipboard and monitors.
    const ClipboardBytes& during = shell.clipboards.at(0);
    ASSERT_FALSE(during.empty());
    EXPECT_EQ(during.front().first, UINT(CF_BITMAP));
    EXPECT_TRUE(FormatBytes(during, sample).empty());
    const AnsiString zero(4, '\0');
    EXPECT_EQ(FormatBytes(during, RegisterClipboardFormatA("CanIncludeInClipboardHistory")), zero);
    EXPECT_EQ(FormatBytes(during, RegisterClipboardFormatA("CanUploadToCloudClipboard")), zero);
    EXPECT_FALSE(FormatBytes(during, RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing")).empty());
}

TEST_F(TickTest, AMinuteWithoutItsPhotoChangesNothingAndAnUncheckedBeepStaysSilent)
{
    photos.Write("sv_1201.jpg", SolidJpeg(Blue));
    PutClipboardText("kept");
    TickAt(12, 1);
    EXPECT_TRUE(shell.wallpapers.empty());
    EXPECT_EQ(shell.beeps, 0);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

    MainForm1->N1Click(MainForm1->N1);
    EXPECT_FALSE(MainForm1->N1->Checked());
    photos.Write("sv_x_0905.jpg", SolidJpeg(Red));
    TickAt(9, 5);
    EXPECT_EQ(shell.wallpapers.size(), 1u);
    EXPECT_EQ(shell.beeps, 0);
    MainForm1->N1Click(MainForm1->N1);
    EXPECT_TRUE(MainForm1->N1->Checked());
    EXPECT_TRUE(errors.empty());
}

TEST_F(TickTest, UnwritableProgramFolderEndsTheTickWithTheUsersClipboardBack)
{
    photos.Write("sv_a_1300.jpg", SolidJpeg(Red));
    MainForm1->ProgramFolder = programFolder / "missing";
    PutClipboardText("kept");
    TickAt(13, 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "ファイル " + programFolder.Path() + "\\missing\\_tmp.dat を作成できません.");
    EXPECT_TRUE(shell.wallpapers.empty());
    EXPECT_EQ(shell.beeps, 0);
    EXPECT_FALSE(ClipboardHasBitmap());
    EXPECT_EQ(FormatBytes(ReadClipboardBytes(), CF_TEXT), AnsiString("kept", 5));
    EXPECT_EQ(MainForm1->Image1->Picture()->Graphic(), nullptr) << "the photo is held after a failed tick";

    // The program goes on: the next minute with a usable folder works.
    MainForm1->ProgramFolder = programFolder.Path();
    photos.Write("sv_a_1301.jpg", SolidJpeg(Red));
    TickAt(13, 1);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(shell.wallpapers.size(), 1u);
}

TEST_F(TickTest, UnusablePhotosShowTheJpegErrorAndWriteNothing)
{
    // A header the library rejects: the load fails, the clipboard is not touched.
    photos.Write("sv_bad_1400.jpg", AnsiString("\xFF\xD8\xFF\xE0garbage, not a JPEG file at all", 34));
    PutClipboardText("kept");
    TickAt(14, 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("JPEG エラー #", 0), 0u) << errors[0];
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

    // An empty file loads; decoding it for the clipboard fails after it was emptied,
    // and the text is put back.
    photos.Write("sv_empty_1401.jpg", "");
    TickAt(14, 1);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].rfind("JPEG エラー #", 0), 0u) << errors[1];
    EXPECT_EQ(FormatBytes(ReadClipboardBytes(), CF_TEXT), AnsiString("kept", 5));

    EXPECT_TRUE(shell.wallpapers.empty());
    EXPECT_EQ(shell.beeps, 0);
    EXPECT_EQ(GetFileAttributesA(TemporaryFile().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TickTest, VanishedFolderShowsOneBoxAtATimeAndTheClockWorksOnceItIsBack)
{
    TempFolder scratch;
    AnsiString folder = scratch / "stick";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_NO_FATAL_FAILURE(ChooseFolder(folder));
    SetCurrentDirectoryA(scratch.Path().c_str());
    ASSERT_TRUE(RemoveDirectoryA(folder.c_str()));

    // Inside the error box of the failing tick, the timer fires three more times, each
    // in a later minute (a new mask: the list would be read again and fail again).
    int mostBoxes = 0;
    int ticksInsideBox = 0;
    bool ticking = false;
    std::vector<AnsiString> texts;
    {
        ClockAt clock(15, 0);
        ModalWatcher ticker([&] {
            if (ThreadWindows("#32770").empty() || ticksInsideBox >= 3)
                return;
            ++ticksInsideBox;
            ticking = true;
            ClockAt later(15, ticksInsideBox);
            SendMessageA(MainForm1->Timer1->WindowHandle(), WM_TIMER, 1, 0);
            ticking = false;
        });
        // Closes boxes once the ticks are done, or a box opened by one of them.
        ModalWatcher closer([&] {
            std::vector<HWND> boxes = ThreadWindows("#32770");
            mostBoxes = std::max(mostBoxes, static_cast<int>(boxes.size()));
            if (boxes.empty() || (!ticking && ticksInsideBox < 3))
                return;
            texts.push_back(MessageBoxText(boxes.front()));
            if (!ticking) {
                EXPECT_TRUE(MainForm1->TickRunning());
            }
            PostMessageA(boxes.front(), WM_COMMAND, IDOK, 0);
        });
        SendMessageA(MainForm1->Timer1->WindowHandle(), WM_TIMER, 1, 0);
    }
    EXPECT_EQ(ticksInsideBox, 3);
    EXPECT_EQ(mostBoxes, 1);
    ASSERT_EQ(texts.size(), 1u);
    // The folder cannot be entered: the input/output error of the missing path.
    EXPECT_EQ(texts[0], TApplication::ErrorBoxText(InOutErrorText(ERROR_FILE_NOT_FOUND)));
    EXPECT_FALSE(MainForm1->TickRunning());

    // The stick is back with a photo for the next minute.
    CreateDirectoryA(folder.c_str(), nullptr);
    scratch.Write("stick\\sv_back_1505.jpg", SolidJpeg(Red));
    TickAt(15, 5);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(shell.wallpapers.size(), 1u);
}

TEST_F(TickTest, TheClockGoesOnWhileAFailedMinutesBoxIsOpen)
{
    photos.Write("sv_damaged_1600.jpg", ""); // loads, then fails to decode
    photos.Write("sv_good_1601.jpg", SolidJpeg(Red));
    photos.Write("sv_good_1602.jpg", SolidJpeg(Blue));
    photos.Write("sv_damaged_1603.jpg", "");

    // Inside the 16:00 box the timer fires at 16:01, 16:02 and 16:03 (failing again),
    // then the box is closed.
    int ticksInsideBox = 0;
    int mostBoxes = 0;
    std::vector<AnsiString> texts;
    std::vector<std::size_t> wallpapersWhileOpen;
    {
        ClockAt clock(16, 0);
        // Each tick runs as its own message: a box it opened inside the open one
        // would be seen and closed here.
        bool tickDone = true;
        std::unique_ptr<OneShot> tick;
        ModalWatcher user([&] {
            std::vector<HWND> boxes = ThreadWindows("#32770");
            mostBoxes = std::max(mostBoxes, static_cast<int>(boxes.size()));
            if (boxes.empty())
                return;
            if (boxes.size() > 1) {
                PostMessageA(boxes.front(), WM_COMMAND, IDOK, 0);
                return;
            }
            if (!tickDone)
                return;
            if (ticksInsideBox < 3) {
                int minute = ++ticksInsideBox;
                tickDone = false;
                tick = std::make_unique<OneShot>([&, minute] {
                    ClockAt later(16, minute);
                    SendMessageA(MainForm1->Timer1->WindowHandle(), WM_TIMER, 1, 0);
                    EXPECT_TRUE(MainForm1->TickRunning());
                    wallpapersWhileOpen.push_back(shell.wallpapers.size());
                    tickDone = true;
                });
                return;
            }
            texts.push_back(MessageBoxText(boxes.front()));
            PostMessageA(boxes.front(), WM_COMMAND, IDOK, 0);
        });
        SendMessageA(MainForm1->Timer1->WindowHandle(), WM_TIMER, 1, 0);
    }
    EXPECT_EQ(ticksInsideBox, 3);
    EXPECT_EQ(wallpapersWhileOpen, (std::vector<std::size_t> { 1, 2, 2 }));
    ASSERT_EQ(shell.wallpaperFiles.size(), 2u);
    BmpFacts first, second;
    ASSERT_TRUE(ReadBmpFacts(shell.wallpaperFiles[0], first));
    ASSERT_TRUE(ReadBmpFacts(shell.wallpaperFiles[1], second));
    EXPECT_TRUE(NearColor(first.middle, Red)) << std::hex << first.middle;
    EXPECT_TRUE(NearColor(second.middle, Blue)) << std::hex << second.middle;
    EXPECT_EQ(mostBoxes, 1) << "a failing tick opened a box inside the open one";
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("JPEG エラー #", 0), 0u) << texts[0];
    EXPECT_FALSE(MainForm1->TickRunning());

    // With the box closed, the next failing minute shows its own box again.
    photos.Write("sv_damaged_1604.jpg", "");
    TickAt(16, 4);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("JPEG エラー #", 0), 0u) << errors[0];
}
