// The soak of the minute tick: two days of minutes (2 880 ticks) through the real
// main window's tick, a photo for every minute, the wallpaper file checked at every
// tick and what the process holds sampled every hundred. SV_SOAK_TICKS sets the
// number of ticks (the regular run: 300; scripts/soak: 2 880 or its argument).
#include "app/support/MainWindowFixture.h"
#include "Milliseconds.h"
#include "soak/LiveAllocations.h"
#include "soak/SoakPhotos.h"
#include "soak/SoakRecord.h"

#include "app/Mainwindow1.h"
#include "frame/Application.h"
#include "frame/Timer.h"

#include <cstdlib>

namespace {

int SoakTicks()
{
    const char* value = std::getenv("SV_SOAK_TICKS");
    int ticks = value ? std::atoi(value) : 0;
    return ticks > 0 ? ticks : 300;
}

// Runs the window messages that are waiting, as the program's loop would between
// two ticks.
void RunPendingMessages() { Application->ProcessPendingMessages(); }

// The committed private memory the platform keeps per clipboard round trip of a
// screen-compatible bitmap (put, read back once, emptied), as the tick makes one:
// measured with the bare platform calls, after a warm-up.
double PlatformBytesPerClipboardRoundTrip()
{
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HDC screen = GetDC(nullptr);
    auto roundTrip = [&] {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 128, 96);
        if (OpenClipboard(owner)) {
            EmptyClipboard();
            SetClipboardData(CF_BITMAP, bitmap);
            CloseClipboard();
        }
        if (OpenClipboard(owner)) {
            GetClipboardData(CF_BITMAP);
            CloseClipboard();
        }
        if (OpenClipboard(owner)) {
            EmptyClipboard();
            CloseClipboard();
        }
    };
    const int warmUp = 200, measured = 1000;
    for (int i = 0; i < warmUp; ++i)
        roundTrip();
    const std::uint64_t before = CommittedPrivateBytes();
    for (int i = 0; i < measured; ++i)
        roundTrip();
    const std::uint64_t after = CommittedPrivateBytes();
    ReleaseDC(nullptr, screen);
    DestroyWindow(owner);
    return after > before ? static_cast<double>(after - before) / measured : 0.0;
}

}

class SoakTest : public MainWindowTest {};

TEST_F(SoakTest, TicksThroughEveryMinuteWithTheRightWallpaperAndNothingGrowing)
{
    const int ticks = SoakTicks();
    GrowthLimits limits;
    limits.platformBytesPerTick = PlatformBytesPerClipboardRoundTrip();
    WriteSoakPhotos(photos, ticks);
    CreateWindows(photos.Path());
    ASSERT_EQ(MainForm1->ChosenFolder, photos.Path());
    // The ticks come from the test, each with its own clock reading; the window's
    // own 60-second timer would add ticks at the real time.
    MainForm1->Timer1->SetEnabled(false);
    RunPendingMessages();
    // The tick puts back what the clipboard held before it: from an empty clipboard,
    // every tick must leave it empty.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();

    // What is wrong with the tick just run, or empty. Its images and texts are gone
    // again when the counts are taken.
    auto problemOfTick = [&](int minute) -> AnsiString {
        // The file handed to the wallpaper call (read by the recording shell at the
        // moment of the call) shows this minute's photo as the JPEG library decodes it.
        BgrImage expected, written;
        if (!errors.empty())
            return "error box: " + errors.front();
        if (shell.wallpapers.size() != 1)
            return "wallpaper calls: " + std::to_string(shell.wallpapers.size());
        if (shell.wallpapers[0] != programFolder / "_tmp.dat")
            return "wallpaper file " + shell.wallpapers[0];
        if (!DecodeJpegReference(ReadFileBytes(photos / SoakPhotoName(minute)), expected))
            return "the photo does not decode";
        if (!ReadBmpPixels(shell.wallpaperFiles[0], written))
            return "no uncompressed bitmap file of 24 or 32 bits";
        AnsiString difference = CompareImages(expected, written, 2);
        if (!difference.empty())
            return difference;
        // Between ticks the temporary file is gone and the clipboard empty.
        if (GetFileAttributesA((programFolder / "_tmp.dat").c_str()) != INVALID_FILE_ATTRIBUTES)
            return "_tmp.dat left behind";
        if (ClipboardFormatCount() != 0)
            return "the clipboard is not empty";
        return {};
    };

    std::vector<SoakSample> samples;
    samples.reserve(ticks / 100 + 3); // no growth of the record's own in the counts
    samples.push_back({ 0, CountResources(), 0, LiveAllocatedBytes() });
    double since = NowMs();
    int sinceTick = 0;
    int wrongFiles = 0;
    for (int tick = 1; tick <= ticks; ++tick) {
        const int minute = (tick - 1) % 1440;
        TickAt(minute / 60, minute % 60);
        RunPendingMessages();

        const AnsiString problem = problemOfTick(minute);
        if (!problem.empty()) {
            ADD_FAILURE() << "tick " << tick << " (" << SoakPhotoName(minute) << "): " << problem;
            if (++wrongFiles >= 5)
                break;
        }
        errors.clear();
        shell.wallpapers.clear();
        shell.wallpaperFiles.clear();
        shell.wallpaperAttributes.clear();

        if (tick == 1 || tick % 100 == 0 || tick == ticks) {
            const double ms = (NowMs() - since) / (tick - sinceTick);
            samples.push_back({ tick, CountResources(), ms, LiveAllocatedBytes() });
            since = NowMs();
            sinceTick = tick;
        }
    }

    std::printf(
        "soak: %d ticks, %d photos in the folder; GDI objects counted by %s, USER objects by %s, handles by %s\n",
        ticks, static_cast<int>(FolderEntries(photos.Path()).size()), samples[0].counts.gdiMethod,
        samples[0].counts.userMethod, samples[0].counts.handleMethod);
    std::printf("the platform keeps %.0f bytes per clipboard round trip of a bitmap (measured apart)\n",
        limits.platformBytesPerTick);
    PrintSoakTable(stdout, samples, limits.platformBytesPerTick);
    EXPECT_EQ(wrongFiles, 0);
    EXPECT_EQ(shell.beeps, ticks);
    for (const AnsiString& excess : GrowthBeyondLimits(samples, limits))
        ADD_FAILURE() << excess;
}
