// What the real main window holds between two ticks: nothing of the last photo beyond
// what the program held before its first tick, whatever the photo's size.
//
// SV_HELD_PHOTOS names the photos to measure (Windows paths, ";" between them; by
// default one 1920 x 1080 photo made here), SV_HELD_TICKS the ticks per photo (default
// 3). For each photo one line "held: ..." gives the process's committed private memory
// and working set after its first and its last tick, what the desktop's file weighed
// and whether it was a temporary file; scripts/bench reads these lines.
#include "app/support/MainWindowFixture.h"
#include "Milliseconds.h"
#include "ResourceCounts.h"
#include "common/TestSupport.h"

#include "app/Mainwindow1.h"
#include "frame/Application.h"
#include "frame/Timer.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

const COLORREF Red = RGB(220, 20, 20);
const COLORREF Blue = RGB(20, 20, 220);

struct MemoryReading {
    double privateMb = 0;
    double workingSetMb = 0;
};

MemoryReading ReadMemory()
{
    Application->ProcessPendingMessages();
    PROCESS_MEMORY_COUNTERS counters {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return { CommittedPrivateBytes() / 1048576.0, counters.WorkingSetSize / 1048576.0 };
}

// What the process holds beyond the idle reading: the larger rise of its committed
// private memory and of its working set (under Wine a bitmap's pixels show only in the
// working set).
double Beyond(const MemoryReading& reading, const MemoryReading& idle)
{
    return std::max(reading.privateMb - idle.privateMb, reading.workingSetMb - idle.workingSetMb);
}

std::vector<AnsiString> PhotosToMeasure()
{
    std::vector<AnsiString> photos;
    if (const char* list = std::getenv("SV_HELD_PHOTOS")) {
        std::stringstream names(list);
        for (std::string name; std::getline(names, name, ';');)
            if (!name.empty())
                photos.push_back(name);
    }
    return photos;
}

}

class HeldBetweenTicks : public MainWindowTest {};

TEST_F(HeldBetweenTicks, NothingOfThePhotoStaysAfterItsTick)
{
    const char* tickSetting = std::getenv("SV_HELD_TICKS");
    const int ticks = tickSetting && std::atoi(tickSetting) > 0 ? std::atoi(tickSetting) : 3;
    std::vector<AnsiString> sources = PhotosToMeasure();
    if (sources.empty())
        sources.push_back(photos.Write("source_1920x1080.jpg", SolidJpeg(Red, 1920, 1080)));

    photos.Write("sv_warm_0000.jpg", SolidJpeg(Blue, 32, 24));
    CreateWindows(photos.Path());
    MainForm1->Timer1->SetEnabled(false);
    const MemoryReading started = ReadMemory();
    // One small tick first: what any tick sets up once (the clipboard's window, the
    // file's first creation) belongs to the idle program, not to the photo.
    TickAt(0, 0);
    ASSERT_TRUE(errors.empty()) << errors.front();
    shell.wallpaperFiles = {};
    shell.wallpaperAttributes.clear();
    shell.wallpapers.clear();
    const MemoryReading idle = ReadMemory();
    std::printf(
        "held: idle program: after start %.1f MB private, %.1f MB working set; ready after a small tick %.1f MB private, %.1f MB working set\n",
        started.privateMb, started.workingSetMb, idle.privateMb, idle.workingSetMb);

    int minute = 1;
    for (const AnsiString& source : sources) {
        const AnsiString name = "sv_held_00" + AnsiString(minute < 10 ? "0" : "") + std::to_string(minute) + ".jpg";
        ASSERT_TRUE(CopyFileA(source.c_str(), (photos / name).c_str(), FALSE)) << source;
        MemoryReading afterFirst, afterLast;
        BmpFacts facts;
        double fileMb = 0;
        bool temporary = false;
        std::vector<double> tickMs;
        for (int tick = 1; tick <= ticks; ++tick) {
            const double start = NowMs();
            TickAt(0, minute);
            tickMs.push_back(NowMs() - start);
            ASSERT_TRUE(errors.empty()) << source << ": " << errors.front();
            ASSERT_EQ(shell.wallpaperFiles.size(), 1u) << source;
            ReadBmpFacts(shell.wallpaperFiles[0], facts);
            fileMb = shell.wallpaperFiles[0].size() / 1048576.0;
            temporary = (shell.wallpaperAttributes[0] & FILE_ATTRIBUTE_TEMPORARY) != 0;
            // The test's own copy of the file is no part of the program.
            shell.wallpaperFiles = {};
            shell.wallpaperAttributes.clear();
            shell.wallpapers.clear();
            (tick == 1 ? afterFirst : afterLast) = ReadMemory();
        }
        if (ticks == 1)
            afterLast = afterFirst;
        std::vector<double> later(tickMs.begin() + 1, tickMs.end());
        std::sort(later.begin(), later.end());
        std::printf("held: %dx%d tick ms: first %.1f, later median %.1f\n", facts.width, facts.height, tickMs[0],
            later.empty() ? tickMs[0] : later[later.size() / 2]);
        std::printf(
            "held: %dx%d after 1 tick %.2f MB beyond idle (%.1f MB private, %.1f MB working set); after %d ticks %.2f MB beyond idle (%.1f MB private, %.1f MB working set); _tmp.dat %.1f MB, %.1f GB a day, temporary %s%s\n",
            facts.width, facts.height, Beyond(afterFirst, idle), afterFirst.privateMb, afterFirst.workingSetMb, ticks,
            Beyond(afterLast, idle), afterLast.privateMb, afterLast.workingSetMb, fileMb, fileMb * 1440 / 1024,
            temporary ? "yes" : "no", SystemKeepsTemporaryAttribute() ? "" : " (this system keeps no such attribute)");
        // Under Wine the bitmaps' pixels do not show as committed private memory, only in
        // the working set: both are held to the limit.
        EXPECT_LE(afterLast.privateMb - idle.privateMb, 2.0) << source << " is held between ticks";
        EXPECT_LE(afterLast.workingSetMb - idle.workingSetMb, 2.0) << source << " is held between ticks";
        if (SystemKeepsTemporaryAttribute()) {
            EXPECT_TRUE(temporary);
        }
        DeleteFileA((photos / name).c_str());
        ++minute;
    }
}
