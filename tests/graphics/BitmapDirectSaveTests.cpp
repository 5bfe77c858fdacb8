// A screen bitmap written as a BMP straight from its rows, band by band (what the
// minute tick saves), must give the very bytes its DIB copy would.
#include "BmpBuilder.h"
#include "graphics/Bitmap.h"

#include <gtest/gtest.h>


namespace {

// A pattern that tells every row and column apart, with the top row unlike the bottom.
void Paint(TBitmap& bitmap)
{
    const int bytes = bitmap.Width() * 3;
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* row = static_cast<unsigned char*>(bitmap.ScanLine(y));
        for (int x = 0; x < bytes; ++x)
            row[x] = static_cast<unsigned char>(x * 7 + y * 31 + (y == 0 ? 100 : 0));
    }
}

AnsiString Saved(TBitmap& bitmap)
{
    TMemoryStream stream;
    bitmap.SaveStream(stream);
    return stream.Bytes();
}

}

TEST(BitmapDirectSave, ScreenBitmapIsSavedAsItsDIBCopyWouldBe)
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

    // With a palette (an 8-bit photo's), which is written as the colour table.
    TBitmap eight;
    eight.SetPixelFormat(TPixelFormat::pf8bit);
    eight.SetWidth(9);
    eight.SetHeight(5);
    struct {
        WORD version, count;
        PALETTEENTRY entries[4];
    } grays = { 0x300, 4, { { 0, 0, 0, 0 }, { 85, 85, 85, 0 }, { 170, 170, 170, 0 }, { 255, 255, 255, 0 } } };
    eight.SetPalette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&grays)));
    static_cast<unsigned char*>(eight.ScanLine(1))[2] = 2;
    eight.SaveClipboardData(format, data, palette);
    ASSERT_TRUE(palette);
    TBitmap screen8;
    screen8.LoadClipboardData(CF_BITMAP, data, palette);
    DeleteObject(data);
    DeleteObject(palette);
    TBitmap copy8;
    copy8.Assign(&screen8);
    AnsiString direct8 = Saved(screen8);
    EXPECT_EQ(screen8.Image().DIBHandle, nullptr);
    EXPECT_GT(Get32(direct8, 10), 54u) << "a colour table after the header";
    copy8.ScanLine(0);
    EXPECT_TRUE(Saved(copy8) == direct8);

    // Written with the size in front, the same bytes follow it.
    TMemoryStream withSize;
    screen.WriteGraphicData(withSize);
    EXPECT_EQ(Get32(withSize.Bytes(), 0), direct.size());
    EXPECT_TRUE(withSize.Bytes().substr(4) == direct);
}
