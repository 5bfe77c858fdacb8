// A screen bitmap written as a BMP straight from its rows, band by band (what the
// minute tick saves), must give the very bytes its DIB copy would.
#include "graphics/support/BmpBuilder.h"
#include "graphics/support/ScreenBitmap.h"
#include "graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <vector>

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

// What the bitmap writes when it goes through its DIB copy: an assigned copy of it,
// made a DIB of its own.
AnsiString SavedThroughDIB(TBitmap& bitmap)
{
    TBitmap copy;
    copy.Assign(&bitmap);
    copy.ScanLine(0);
    return Saved(copy);
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
    TBitmap screen;
    LoadScreenCopy(source, screen);
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
    TBitmap screen8;
    LoadScreenCopy(eight, screen8);
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

TEST(BitmapDirectSave, EveryShapeOfScreenBitmapGivesItsDIBCopysBytes)
{
    // One pixel; two bands exactly; one row beyond a band; rows longer than a band.
    const SIZE shapes[] = { { 1, 1 }, { 512, 2048 }, { 512, 1025 }, { 600000, 3 } };
    for (SIZE shape : shapes) {
        TBitmap source;
        source.SetPixelFormat(TPixelFormat::pf24bit);
        source.SetWidth(shape.cx);
        source.SetHeight(shape.cy);
        Paint(source);
        TBitmap screen;
        LoadScreenCopy(source, screen);
        AnsiString direct = Saved(screen);
        EXPECT_EQ(screen.Image().DIBHandle, nullptr) << shape.cx << " x " << shape.cy;
        EXPECT_EQ(direct.size(), 54u + std::size_t(shape.cx) * 4 * shape.cy);
        EXPECT_TRUE(SavedThroughDIB(screen) == direct) << shape.cx << " x " << shape.cy;
        // Still the screen bitmap it was; made dormant (a DIB only), the same bytes.
        EXPECT_EQ(screen.PixelFormat(), TPixelFormat::pfDevice);
        screen.Dormant();
        EXPECT_EQ(screen.HandleType(), TBitmapHandleType::bmDIB);
        EXPECT_TRUE(Saved(screen) == direct);
    }

    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetWidth(37);
    source.SetHeight(23);
    Paint(source);
    TBitmap screen;
    LoadScreenCopy(source, screen);
    AnsiString before = Saved(screen);

    // Drawn on after the first save, its canvas still holding it: the drawing is written.
    TBitmap shared;
    shared.Assign(&screen);
    screen.Canvas()->Brush()->SetColor(clRed);
    screen.Canvas()->FillRect(RECT { 3, 2, 20, 9 });
    AnsiString drawn = Saved(screen);
    EXPECT_FALSE(drawn == before);
    EXPECT_EQ(Get32(drawn, 54 + (23 - 1 - 2) * 37 * 4 + 3 * 4) & 0xFFFFFF, 0xFF0000u);
    EXPECT_TRUE(SavedThroughDIB(screen) == drawn);
    // The bitmap that shared the image before the drawing keeps the old pixels.
    EXPECT_TRUE(Saved(shared) == before);

    // A DIB of 8 bits made device-dependent, then drawn on (which drops its DIB): its
    // description still asks for 8 bits, and so does what is written.
    TBitmap indexed;
    indexed.SetPixelFormat(TPixelFormat::pf8bit);
    indexed.SetWidth(9);
    indexed.SetHeight(4);
    indexed.SetPixelFormat(TPixelFormat::pfDevice);
    indexed.Canvas()->Brush()->SetColor(clBlack);
    indexed.Canvas()->FillRect(RECT { 0, 0, 3, 3 });
    ASSERT_EQ(indexed.Image().DIBHandle, nullptr);
    AnsiString indexedBytes = Saved(indexed);
    EXPECT_EQ(Get16(indexedBytes, 28), 8u);
    EXPECT_EQ(Get32(indexedBytes, 2), indexedBytes.size());
    EXPECT_EQ(Get32(indexedBytes, 10) + 12u * 4, indexedBytes.size());

    // A 24-bit device-dependent bitmap given as a handle, then made a DIB of its own.
    std::vector<unsigned char> pattern(112 * 23);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<unsigned char>(i * 13 + i / 112);
    TBitmap deep;
    deep.SetHandle(CreateBitmap(37, 23, 1, 24, pattern.data()));
    ASSERT_EQ(deep.HandleType(), TBitmapHandleType::bmDDB);
    AnsiString deepBytes = Saved(deep);
    EXPECT_EQ(Get16(deepBytes, 28), 24u);
    EXPECT_EQ(deepBytes.size(), 54u + 112u * 23);
    EXPECT_EQ(static_cast<unsigned char>(deepBytes[54 + 112 * 22 + 5]), pattern[5]) << "the top row last";
    deep.ScanLine(0);
    ASSERT_EQ(deep.HandleType(), TBitmapHandleType::bmDIB);
    EXPECT_TRUE(Saved(deep) == deepBytes);
}
