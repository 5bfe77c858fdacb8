// The direct copies of the minute tick's conversion (a true-colour DIB handed to the
// clipboard as a screen bitmap in one call, a screen bitmap written as a BMP from its
// rows band by band) must give the very bytes of the drawn copy and the DIB copy.
#include "BmpBuilder.h"
#include "graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A pattern that tells every row and column apart, with the top row unlike the bottom.
void Paint(TBitmap& bitmap)
{
    const int bytes = (bitmap.Width() * (bitmap.PixelFormat() == TPixelFormat::pf15bit ? 16
                                             : bitmap.PixelFormat() == TPixelFormat::pf24bit ? 24 : 32)) / 8;
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* row = static_cast<unsigned char*>(bitmap.ScanLine(y));
        for (int x = 0; x < bytes; ++x)
            row[x] = static_cast<unsigned char>(x * 7 + y * 31 + (y == 0 ? 100 : 0));
    }
}

// The raw bytes of a screen bitmap, as the platform holds them.
std::vector<unsigned char> RawBits(HBITMAP ddb)
{
    BITMAP bm = {};
    GetObjectA(ddb, sizeof bm, &bm);
    std::vector<unsigned char> bits(static_cast<std::size_t>(bm.bmWidthBytes) * bm.bmHeight);
    GetBitmapBits(ddb, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

// What drawing the bitmap onto a new screen bitmap gives.
std::vector<unsigned char> DrawnCopy(HBITMAP source, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, width, height);
    HDC to = CreateCompatibleDC(screen), from = CreateCompatibleDC(screen);
    HGDIOBJ oldTo = SelectObject(to, ddb), oldFrom = SelectObject(from, source);
    BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
    SelectObject(to, oldTo);
    SelectObject(from, oldFrom);
    DeleteDC(to);
    DeleteDC(from);
    ReleaseDC(nullptr, screen);
    std::vector<unsigned char> bits = RawBits(ddb);
    DeleteObject(ddb);
    return bits;
}

std::vector<unsigned char> ClipboardCopy(TBitmap& bitmap)
{
    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    bitmap.SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, CF_BITMAP);
    std::vector<unsigned char> bits = RawBits(static_cast<HBITMAP>(data));
    DeleteObject(data);
    return bits;
}

AnsiString Saved(TBitmap& bitmap)
{
    TMemoryStream stream;
    bitmap.SaveStream(stream);
    return stream.Bytes();
}

}

TEST(BitmapDirectCopy, ClipboardBitmapOfATrueColourDIBEqualsTheDrawnCopy)
{
    for (TPixelFormat format : { TPixelFormat::pf24bit, TPixelFormat::pf32bit, TPixelFormat::pf15bit }) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetWidth(37); // rows padded to 4 bytes in 24 and 16 bits
        bitmap.SetHeight(23);
        Paint(bitmap);
        EXPECT_EQ(ClipboardCopy(bitmap), DrawnCopy(bitmap.Image().DIBHandle, 37, 23))
            << "pixel format " << static_cast<int>(format);
    }

    // Rows stored top-down, known as such from the file.
    BmpLayout layout;
    layout.width = 5;
    layout.height = -3;
    for (int i = 0; i < 3 * 16; ++i)
        layout.pixels += static_cast<char>(i * 5);
    TMemoryStream file;
    AnsiString bytes = MakeBmp(layout);
    file.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    file.SetPosition(0);
    TBitmap topDown;
    topDown.LoadStream(file);
    ASSERT_LT(topDown.Image().DIB.dsBmih.biHeight, 0);
    EXPECT_EQ(ClipboardCopy(topDown), DrawnCopy(topDown.Image().DIBHandle, 5, 3));

    // A top-down DIB handed in from outside: the system does not say its row order.
    BITMAPINFO info = {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 6, -4, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP foreign = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(foreign);
    for (int i = 0; i < 4 * 20; ++i)
        static_cast<unsigned char*>(bits)[i] = static_cast<unsigned char>(i * 3);
    TBitmap given;
    given.SetHandle(foreign);
    EXPECT_EQ(ClipboardCopy(given), DrawnCopy(foreign, 6, 4));
}

TEST(BitmapDirectCopy, ScreenBitmapIsSavedAsItsDIBCopyWouldBe)
{
    // Taller than one band of rows, with rows of an odd width.
    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetWidth(601);
    source.SetHeight(1800);
    Paint(source);
    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    source.SaveClipboardData(format, data, palette);

    TBitmap screen;
    screen.LoadClipboardData(CF_BITMAP, data, nullptr);
    DeleteObject(data);
    ASSERT_EQ(screen.HandleType(), TBitmapHandleType::bmDDB);
    TBitmap copy;
    copy.Assign(&screen);

    AnsiString direct = Saved(screen);
    EXPECT_EQ(screen.Image().DIBHandle, nullptr) << "written without an image-sized copy";
    EXPECT_EQ(Get32(direct, 2), 54u + 601u * 4 * 1800);
    EXPECT_EQ(Get32(direct, 10), 54u);

    copy.ScanLine(0); // its own image, converted to a DIB: the general way
    ASSERT_EQ(copy.HandleType(), TBitmapHandleType::bmDIB);
    EXPECT_TRUE(Saved(copy) == direct);

    // The pixels are the source's, bottom row first.
    auto* top = static_cast<unsigned char*>(source.ScanLine(0));
    auto* bottom = static_cast<unsigned char*>(source.ScanLine(1799));
    EXPECT_EQ(static_cast<unsigned char>(direct[54]), bottom[0]);
    EXPECT_EQ(static_cast<unsigned char>(direct[54 + 601 * 4 * 1799 + 1]), top[1]);

    // Written with the size in front, the same bytes follow it.
    TMemoryStream withSize;
    screen.WriteGraphicData(withSize);
    EXPECT_EQ(Get32(withSize.Bytes(), 0), direct.size());
    EXPECT_TRUE(withSize.Bytes().substr(4) == direct);
}
