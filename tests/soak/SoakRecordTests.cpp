// What the soak's verdict rests on: the counts see objects, handles and memory come
// and go; growth after the warm-up is caught and growth within it is not; a wallpaper
// file that shows another photo, or is cut short, is told apart from the right one.
#include "soak/LiveAllocations.h"
#include "soak/SoakPhotos.h"
#include "soak/SoakRecord.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <windows.h>

TEST(ResourceCounts, SeeObjectsHandlesAndMemoryComeAndGo)
{
    // The first window, menu, icon and device context of a process leave objects of
    // the system's own behind (the thread's queue among them): one of each comes and
    // goes before the counting starts, as the soak's warm-up does.
    DestroyWindow(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr));
    DestroyMenu(CreatePopupMenu());
    DestroyIcon(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
    DeleteDC(CreateCompatibleDC(nullptr));
    const ResourceCounts before = CountResources();

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, nullptr);
    ASSERT_TRUE(brush && dc && bitmap);
    const ResourceCounts withGdi = CountResources();
    EXPECT_EQ(withGdi.gdiObjects - before.gdiObjects, 3);
    EXPECT_EQ(withGdi.userObjects, before.userObjects);

    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HMENU menu = CreatePopupMenu();
    HICON icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE another = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const SIZE_T committed = 8 * 1024 * 1024;
    void* memory = VirtualAlloc(nullptr, committed, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_TRUE(window && menu && icon && event && another && memory);

    const ResourceCounts during = CountResources();
    EXPECT_EQ(during.userObjects - before.userObjects, 3);
    EXPECT_EQ(during.handles - before.handles, 2);
    EXPECT_GE(during.committedPrivate - before.committedPrivate, committed);
    if (before.privateUsage != 0) { // where the system keeps the count
        EXPECT_GE(during.privateUsage - before.privateUsage, committed);
    }

    VirtualFree(memory, 0, MEM_RELEASE);
    CloseHandle(another);
    CloseHandle(event);
    DestroyIcon(icon);
    DestroyMenu(menu);
    DestroyWindow(window);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteObject(brush);

    const ResourceCounts after = CountResources();
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_LT(after.committedPrivate, during.committedPrivate - committed / 2);
}

TEST(LiveAllocations, CountEveryBlockToTheByte)
{
    const std::int64_t before = LiveAllocatedBytes();
    auto block = std::make_unique<char[]>(100);
    auto text = std::make_unique<AnsiString>(1000, 'x');
    EXPECT_GE(LiveAllocatedBytes() - before, 100 + 1000);
    EXPECT_LE(LiveAllocatedBytes() - before, 100 + 1000 + 64);
    block.reset();
    text.reset();
    EXPECT_EQ(LiveAllocatedBytes(), before);
}

TEST(SoakRecord, GrowthAfterTheWarmUpFailsAndGrowthWithinItDoesNot)
{
    auto sample = [](int tick, long gdi, long user, long handles, std::uint64_t memory) {
        SoakSample s;
        s.tick = tick;
        s.counts.gdiObjects = gdi;
        s.counts.userObjects = user;
        s.counts.handles = handles;
        s.counts.privateUsage = memory;
        s.counts.committedPrivate = memory;
        return s;
    };
    const std::uint64_t mb = 1024 * 1024;
    GrowthLimits limits; // warm-up 100 ticks; 0 GDI, 0 USER, 2 handles, 1 MiB

    // Growing during the warm-up, then steady within the limits.
    std::vector<SoakSample> steady { sample(0, 10, 5, 50, 10 * mb), sample(1, 40, 9, 70, 30 * mb),
        sample(100, 40, 9, 70, 30 * mb), sample(200, 40, 9, 72, 31 * mb), sample(300, 40, 9, 71, 30 * mb) };
    EXPECT_TRUE(GrowthBeyondLimits(steady, limits).empty());

    // One GDI object more: caught at once.
    std::vector<SoakSample> leaking = steady;
    leaking.push_back(sample(400, 41, 9, 70, 30 * mb));
    auto excess = GrowthBeyondLimits(leaking, limits);
    ASSERT_EQ(excess.size(), 1u);
    EXPECT_NE(excess[0].find("GDI objects grew by 1"), AnsiString::npos) << excess[0];
    EXPECT_NE(excess[0].find("tick 400"), AnsiString::npos) << excess[0];

    // Memory, USER objects and handles each caught.
    std::vector<SoakSample> more = steady;
    more.push_back(sample(500, 40, 10, 73, 31 * mb + 1));
    EXPECT_EQ(GrowthBeyondLimits(more, limits).size(), 4u);

    // The platform's own share per tick is allowed on top, and only that.
    GrowthLimits withPlatform = limits;
    withPlatform.platformBytesPerTick = 1000;
    std::vector<SoakSample> platform = steady;
    platform.push_back(sample(1100, 40, 9, 70, 30 * mb + 1000 * 1000 + mb));
    EXPECT_TRUE(GrowthBeyondLimits(platform, withPlatform).empty());
    platform.back().counts.committedPrivate += 1;
    EXPECT_EQ(GrowthBeyondLimits(platform, withPlatform).size(), 1u);

    // Live C++ allocations are judged on their own, without the platform's allowance:
    // 6 bytes a tick from tick 100 to 300 is caught.
    std::vector<SoakSample> live = steady;
    for (std::size_t i = 2; i < live.size(); ++i)
        live[i].liveAllocatedBytes = 6 * (live[i].tick - 100);
    EXPECT_TRUE(GrowthBeyondLimits({ live.begin(), live.end() - 1 }, withPlatform).empty());
    auto liveExcess = GrowthBeyondLimits(live, withPlatform);
    ASSERT_EQ(liveExcess.size(), 1u);
    EXPECT_NE(liveExcess[0].find("live C++ allocations (bytes) grew by 1200"), AnsiString::npos) << liveExcess[0];

    // A run no longer than the warm-up has nothing to judge.
    std::vector<SoakSample> shortRun { sample(0, 10, 5, 50, mb), sample(50, 900, 90, 900, 90 * mb) };
    EXPECT_TRUE(GrowthBeyondLimits(shortRun, limits).empty());
}

TEST(SoakPhotos, AnotherMinutesPhotoOrACutFileIsNotTakenForTheRightOne)
{
    TempFolder folder;
    WriteSoakPhotos(folder, 8);
    // Minutes 0 and 7 have a second photo that sorts after the first.
    EXPECT_EQ(FolderEntries(folder.Path()).size(), 10u);

    BgrImage first, second, third;
    ASSERT_TRUE(DecodeJpegReference(ReadFileBytes(folder / SoakPhotoName(0)), first));
    ASSERT_TRUE(DecodeJpegReference(ReadFileBytes(folder / "sv_zz_0000.jpg"), second));
    ASSERT_TRUE(DecodeJpegReference(ReadFileBytes(folder / SoakPhotoName(5)), third));
    EXPECT_EQ(first.width, 96);
    EXPECT_EQ(first.height, 72);
    EXPECT_TRUE(CompareImages(first, first, 0).empty());
    // Same size, other content: the decoy of minute 0 is sized as minute 1's photo.
    EXPECT_FALSE(CompareImages(first, second, 2).empty());
    EXPECT_NE(CompareImages(first, third, 2).find("size"), AnsiString::npos);

    // A bottom-up 24-bit file of the first photo reads back as it; cut short it does not.
    const int stride = (first.width * 3 + 3) & ~3;
    AnsiString bmp(54 + static_cast<std::size_t>(stride) * first.height, '\0');
    auto put = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<char>(value >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(10, 54);
    put(14, 40);
    put(18, first.width);
    put(22, first.height);
    bmp[26] = 1;
    bmp[28] = 24;
    for (int y = 0; y < first.height; ++y)
        std::memcpy(&bmp[54 + static_cast<std::size_t>(stride) * (first.height - 1 - y)],
            first.pixels.data() + static_cast<std::size_t>(y) * first.width * 3, first.width * 3);
    BgrImage read;
    ASSERT_TRUE(ReadBmpPixels(bmp, read));
    EXPECT_TRUE(CompareImages(first, read, 0).empty()) << CompareImages(first, read, 0);
    EXPECT_FALSE(ReadBmpPixels(bmp.substr(0, bmp.size() - 1), read));
}
