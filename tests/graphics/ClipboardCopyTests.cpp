#include "graphics/support/BmpBuilder.h"
#include "graphics/Bitmap.h"
#include "runtime/Stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A 24-bit BMP whose every pixel differs from its neighbours; a negative height
// stores the rows top-down.
AnsiString PatternBmp(int width, int height, bool topDown)
{
    BmpLayout layout;
    layout.width = width;
    layout.height = topDown ? -height : height;
    int stride = (width * 3 + 3) / 4 * 4;
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            layout.pixels += static_cast<char>(x * 7 + row);
            layout.pixels += static_cast<char>(x ^ (row * 3));
            layout.pixels += static_cast<char>(x * row + 11);
        }
        layout.pixels.append(static_cast<std::size_t>(stride - width * 3), '\x5A'); // padding is never a pixel
    }
    return MakeBmp(layout);
}

// All of a bitmap's pixels as 32-bit values, bottom row first, every byte kept.
std::vector<std::uint32_t> Bits(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(width) * height, 0xDEADBEEF);
    HDC screen = GetDC(nullptr);
    int got = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(got, height);
    return bits;
}

// What the platform's own blit of the whole bitmap onto a screen bitmap gives.
std::vector<std::uint32_t> BlitReference(HBITMAP source, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP target = CreateCompatibleBitmap(screen, width, height);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HGDIOBJ oldFrom = SelectObject(from, source);
    HGDIOBJ oldTo = SelectObject(to, target);
    PatBlt(to, 0, 0, width, height, BLACKNESS);
    BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    std::vector<std::uint32_t> bits = Bits(target, width, height);
    DeleteObject(target);
    return bits;
}

} // namespace

// The clipboard's screen copy of a 24-bit image holds exactly what a blit of it
// gives, with its rows in their places whichever way the source stores them: a
// width whose rows are padded, every byte of every pixel.
TEST(ClipboardCopy, A24BitImageKeepsItsRowsAndPixels)
{
    struct Case {
        int width, height;
        bool topDown;
    };
    for (Case c : { Case { 5, 3, false }, Case { 5, 3, true } }) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << (c.topDown ? " top-down" : " bottom-up"));
        TBitmap bitmap;
        TMemoryStream stream(PatternBmp(c.width, c.height, c.topDown));
        bitmap.LoadStream(stream);
        ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);

        std::uint16_t format = 0;
        HANDLE data = nullptr;
        HPALETTE palette = nullptr;
        bitmap.SaveClipboardData(format, data, palette);
        ASSERT_TRUE(data);
        BITMAP made = {};
        ASSERT_EQ(GetObjectA(data, sizeof made, &made), static_cast<int>(sizeof made));
        if (made.bmBitsPixel != 32) {
            DeleteObject(data);
            GTEST_SKIP() << "the screen has " << made.bmBitsPixel << " bits per pixel";
        }
        std::vector<std::uint32_t> copy = Bits(static_cast<HBITMAP>(data), c.width, c.height);
        std::vector<std::uint32_t> reference = BlitReference(bitmap.Image().Handle, c.width, c.height);
        EXPECT_TRUE(copy == reference) << "differs from the blit";
        // And what the file says: the top row's first pixel and the bottom row's last.
        auto expected = [&](int x, int row) {
            return std::uint32_t(std::uint8_t(x * row + 11)) << 16 | std::uint32_t(std::uint8_t(x ^ (row * 3))) << 8
                | std::uint8_t(x * 7 + row);
        };
        int topFileRow = c.topDown ? 0 : c.height - 1;
        int bottomFileRow = c.height - 1 - topFileRow;
        EXPECT_EQ(copy[static_cast<std::size_t>(c.height - 1) * c.width], expected(0, topFileRow));
        EXPECT_EQ(copy[static_cast<std::size_t>(c.width - 1)], expected(c.width - 1, bottomFileRow));
        DeleteObject(data);
    }
}
