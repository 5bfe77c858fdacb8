#define OEMRESOURCE
#include "graphics/support/BmpBuilder.h"
#include "graphics/support/ScreenBitmap.h"
#include "common/ExpectThrow.h"
#include "graphics/Bitmap.h"
#include "graphics/support/SolidBitmap.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TColor PixelOf(TBitmap& bitmap, int x, int y) { return bitmap.Canvas()->Pixels(x, y); }

void Load(TBitmap& bitmap, const AnsiString& bytes)
{
    TMemoryStream stream(bytes);
    bitmap.LoadStream(stream);
}

AnsiString Save(TBitmap& bitmap)
{
    TMemoryStream stream;
    bitmap.SaveStream(stream);
    return stream.Bytes();
}

// A 4 x 2 4-bit picture, run-length encoded: the bottom row 1 2 1 2, the top row 3 3 3 3.
BmpLayout Rle4Layout()
{
    BmpLayout layout;
    layout.width = 4;
    layout.height = 2;
    layout.bits = 4;
    layout.compression = BI_RLE4;
    layout.colors = { 0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    layout.pixels = AnsiString("\x04\x12\x00\x00\x04\x33\x00\x01", 8);
    layout.imageSize = 8;
    return layout;
}

// A 2 x 2 8-bit picture with a four-colour table.
BmpLayout SmallLayout()
{
    BmpLayout layout;
    layout.bits = 8;
    layout.clrUsed = 4;
    layout.colors = { 0x000000, 0xFF0000, 0x00FF00, 0x0000FF };
    layout.pixels = AnsiString("\x01\x02\x00\x00\x03\x00\x00\x00", 8);
    return layout;
}

}

TEST(BmpFile, AnEmptyBitmapWritesNothing)
{
    TBitmap bitmap;
    TMemoryStream stream;
    bitmap.SaveStream(stream);
    EXPECT_EQ(stream.Size(), 0);
    bitmap.WriteGraphicData(stream);
    EXPECT_EQ(stream.Bytes(), AnsiString(4, '\0'));

    TBitmap other;
    other.SetWidth(2);
    other.SetHeight(2);
    stream.SetPosition(0);
    other.ReadGraphicData(stream);
    EXPECT_TRUE(other.Empty());
}

TEST(BmpFile, UncompressedRoundTripFieldByField)
{
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    // Bottom row: red, green, blue; top row: white, black, gray (blue, green, red order).
    layout.pixels = AnsiString("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\x00\x00\x00"
                               "\xFF\xFF\xFF\x00\x00\x00\x80\x80\x80\x00\x00\x00",
        24);
    TBitmap bitmap;
    int changes = 0;
    bitmap.SetOnChange([&](TObject*) { ++changes; });
    Load(bitmap, MakeBmp(layout));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PixelOf(bitmap, 0, 1), clRed);
    EXPECT_EQ(PixelOf(bitmap, 2, 1), clBlue);
    EXPECT_EQ(PixelOf(bitmap, 0, 0), clWhite);
    AnsiString saved = Save(bitmap);
    ASSERT_EQ(saved.size(), 54u + 24u);
    EXPECT_EQ(saved.substr(0, 2), "BM");
    EXPECT_EQ(Get32(saved, 2), 78u);
    EXPECT_EQ(Get32(saved, 6), 0u);
    EXPECT_EQ(Get32(saved, 10), 54u);
    EXPECT_EQ(Get32(saved, 14), 40u);
    EXPECT_EQ(Get32(saved, 18), 3u);
    EXPECT_EQ(Get32(saved, 22), 2u);
    EXPECT_EQ(Get16(saved, 26), 1u);
    EXPECT_EQ(Get16(saved, 28), 24u);
    EXPECT_EQ(Get32(saved, 30), 0u);
    EXPECT_EQ(Get32(saved, 34), 24u);
    EXPECT_EQ(Get32(saved, 38), 2835u) << "the file's resolution is kept";
    EXPECT_EQ(saved.substr(54), layout.pixels);

    // With the size in front, for stored pictures; and read back the same way.
    TMemoryStream data;
    bitmap.WriteGraphicData(data);
    EXPECT_EQ(Get32(data.Bytes(), 0), 78u);
    EXPECT_EQ(data.Bytes().substr(4), saved);
    data.Write("tail", 4);
    data.SetPosition(0);
    TBitmap copy;
    copy.ReadGraphicData(data);
    EXPECT_EQ(data.Position(), 82) << "reads exactly the counted bytes";
    EXPECT_EQ(PixelOf(copy, 1, 1), clLime);
}

TEST(BmpFile, TopDownRowsAndAFarOffsetAreRead)
{
    BmpLayout layout = SmallLayout();
    layout.height = -2;
    layout.extraOffset = 100; // the bits are still taken right after the colour table
    TBitmap bitmap;
    Load(bitmap, MakeBmp(layout));
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(PixelOf(bitmap, 0, 0), clRed);
    EXPECT_EQ(PixelOf(bitmap, 1, 0), clLime);
    EXPECT_EQ(PixelOf(bitmap, 0, 1), clBlue);
    AnsiString saved = Save(bitmap);
    EXPECT_EQ(static_cast<std::int32_t>(Get32(saved, 22)), -2) << "rows written as stored";
    EXPECT_EQ(Get32(saved, 46), 4u) << "colours used: the table's entries";
    EXPECT_EQ(Get32(saved, 10), 54u + 16u);
    auto* row0 = static_cast<unsigned char*>(bitmap.ScanLine(0));
    auto* row1 = static_cast<unsigned char*>(bitmap.ScanLine(1));
    EXPECT_EQ(row1 - row0, 4) << "top-down rows follow each other";
    EXPECT_EQ(row0[0], 1);
    EXPECT_EQ(row1[0], 3);
}

TEST(BmpFile, Os2FileWritesBackWithItsCoreHeader)
{
    BmpLayout layout;
    layout.os2 = true;
    layout.bits = 4;
    layout.colors = { 0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x808080 };
    layout.pixels = AnsiString("\x12\x00\x00\x00\x3F\x00\x00\x00", 8);
    TBitmap bitmap;
    Load(bitmap, MakeBmp(layout));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(PixelOf(bitmap, 0, 1), clRed);
    EXPECT_EQ(PixelOf(bitmap, 1, 1), clLime);
    EXPECT_EQ(PixelOf(bitmap, 1, 0), clGray);
    AnsiString saved = Save(bitmap);
    ASSERT_EQ(saved.size(), 14u + 12u + 48u + 8u);
    EXPECT_EQ(Get32(saved, 2), 82u);
    EXPECT_EQ(Get32(saved, 10), 74u);
    EXPECT_EQ(Get32(saved, 14), 12u);
    EXPECT_EQ(Get16(saved, 18), 2u);
    EXPECT_EQ(Get16(saved, 20), 2u);
    EXPECT_EQ(Get16(saved, 22), 1u);
    EXPECT_EQ(Get16(saved, 24), 4u);
    EXPECT_EQ(saved.substr(26 + 3, 3), AnsiString("\x00\x00\xFF", 3)) << "3-byte colour entries";
    EXPECT_EQ(saved.substr(26 + 45, 3), AnsiString("\x80\x80\x80", 3));
    EXPECT_EQ(saved.substr(74), layout.pixels);
}

TEST(BmpFile, RunLengthFileSavesByteForByteUntilDrawnOn)
{
    AnsiString file = MakeBmp(Rle4Layout());
    TBitmap bitmap;
    Load(bitmap, file);
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
    EXPECT_EQ(PixelOf(bitmap, 0, 1), clRed);
    EXPECT_EQ(PixelOf(bitmap, 1, 1), clLime);
    EXPECT_EQ(PixelOf(bitmap, 3, 0), clBlue);
    EXPECT_EQ(Save(bitmap), file);
    TMemoryStream data;
    bitmap.WriteGraphicData(data);
    EXPECT_EQ(Get32(data.Bytes(), 0), file.size());
    EXPECT_EQ(data.Bytes().substr(4), file);

    // A copy shares the saved data; drawing on it writes it uncompressed.
    TBitmap copy;
    copy.Assign(&bitmap);
    copy.Canvas()->SetPixels(0, 0, clRed);
    AnsiString drawn = Save(copy);
    EXPECT_EQ(Get32(drawn, 30), 0u) << "uncompressed";
    EXPECT_EQ(Get32(drawn, 2), drawn.size());
    TBitmap reread;
    Load(reread, drawn);
    EXPECT_EQ(PixelOf(reread, 0, 0), clRed);
    EXPECT_EQ(PixelOf(reread, 1, 0), clBlue);
    EXPECT_EQ(PixelOf(reread, 2, 1), clRed);
    EXPECT_EQ(Save(bitmap), file) << "the original still has its file";
}

TEST(BmpFile, BitFieldsWithoutMasksAreWrittenFiveSixFive)
{
    BmpLayout layout;
    layout.bits = 16;
    layout.compression = BI_BITFIELDS;
    layout.masks = { 0, 0, 0 };
    layout.pixels = AnsiString(8, '\0');
    TBitmap bitmap;
    Load(bitmap, MakeBmp(layout));
    AnsiString saved = Save(bitmap);
    EXPECT_EQ(Get16(saved, 28), 16u);
    EXPECT_EQ(Get32(saved, 30), static_cast<std::uint32_t>(BI_BITFIELDS));
    EXPECT_EQ(Get32(saved, 54), 0xF800u);
    EXPECT_EQ(Get32(saved, 58), 0x07E0u);
    EXPECT_EQ(Get32(saved, 62), 0x001Fu);
    EXPECT_EQ(Get32(saved, 10), 66u);
}

TEST(BmpFile, ScreenCompatibleBitmapOnA32BitDesktop)
{
    HDC screen = GetDC(nullptr);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(depth, 32) << "the test display is a 32-bit desktop";
    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    PaintSolid(source, 7, 5, clRed);
    // The way through the clipboard: a screen-compatible copy, read into a new bitmap.
    TBitmap bitmap;
    LoadScreenCopy(source, bitmap);
    AnsiString saved = Save(bitmap);
    EXPECT_EQ(Get32(saved, 10), 54u);
    EXPECT_EQ(Get32(saved, 2), 54u + 7 * 4 * 5);
    EXPECT_EQ(saved.size(), 54u + 7 * 4 * 5);
    EXPECT_EQ(Get16(saved, 28), 32u);
    EXPECT_EQ(Get32(saved, 30), 0u);
    EXPECT_EQ(static_cast<std::int32_t>(Get32(saved, 22)), 5);
    EXPECT_EQ(Get32(saved, 54) & 0xFFFFFF, 0xFF0000u) << "red, as blue-green-red bytes";
}

TEST(BmpFile, DamagedFilesRaiseTheirErrors)
{
    TBitmap bitmap;
    Load(bitmap, MakeBmp(SmallLayout()));
    AnsiString good = MakeBmp(SmallLayout());

    AnsiString noSignature = good;
    noSignature[0] = 'X';
    ExpectThrowMessage<EInvalidGraphic>([&] { Load(bitmap, noSignature); }, "ビットマップイメージが不正です");
    BmpLayout planes = SmallLayout();
    planes.planes = 2;
    EXPECT_THROW(Load(bitmap, MakeBmp(planes)), EInvalidGraphic);

    // A colour table cut short.
    BmpLayout shortTable = SmallLayout();
    shortTable.clrUsed = 0; // 256 entries expected
    shortTable.pixels.clear();
    ExpectThrowMessage<EReadError>([&] { Load(bitmap, MakeBmp(shortTable)); }, "ストリームからの読み込みエラー");
    // Bit-field masks cut short.
    BmpLayout shortMasks;
    shortMasks.bits = 16;
    shortMasks.compression = BI_BITFIELDS;
    shortMasks.masks = { 0xF800, 0x07E0 };
    EXPECT_THROW(Load(bitmap, MakeBmp(shortMasks)), EReadError);
    // A colour count far beyond the data is refused before anything is allocated.
    BmpLayout manyColors = SmallLayout();
    manyColors.clrUsed = 0x7FFFFFFF;
    EXPECT_THROW(Load(bitmap, MakeBmp(manyColors)), EReadError);
    // A size no bitmap can have.
    BmpLayout huge;
    huge.width = 0x7FFFFFFF;
    huge.height = 0x7FFFFFFF;
    EXPECT_THROW(Load(bitmap, MakeBmp(huge)), EInvalidGraphic);
    // A size no memory can hold: the system's error when it reports one, else an
    // invalid image.
    BmpLayout vast;
    vast.bits = 32;
    vast.width = 24000;
    vast.height = 24000;
    try {
        Load(bitmap, MakeBmp(vast));
        FAIL();
    } catch (const EWin32Error& e) {
        EXPECT_EQ(e.Message().rfind("Win32 エラー。コード : ", 0), 0u) << e.Message();
    } catch (const EOutOfResources& e) {
        EXPECT_FALSE(e.Message().empty());
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "ビットマップイメージが不正です");
    }
    // A stored count larger than the data.
    AnsiString counted;
    Put32(counted, static_cast<std::uint32_t>(good.size() + 10));
    TMemoryStream stream(counted + good);
    EXPECT_THROW(bitmap.ReadGraphicData(stream), EReadError);

    EXPECT_EQ(bitmap.Width(), 2) << "failed reads keep the previous image";
    EXPECT_EQ(PixelOf(bitmap, 0, 1), clRed);
}

TEST(BmpFile, SizesNoBitmapCanHaveAreInvalidImagesForEveryCompression)
{
    TBitmap bitmap;
    Load(bitmap, MakeBmp(SmallLayout()));
    auto expectInvalid = [&](const BmpLayout& layout, const char* what) {
        try {
            Load(bitmap, MakeBmp(layout));
            ADD_FAILURE() << what << ": no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), "ビットマップイメージが不正です") << what;
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what();
        } catch (...) {
            ADD_FAILURE() << what << ": an error of another kind";
        }
    };
    for (std::uint32_t compression : { static_cast<std::uint32_t>(BI_RLE4), static_cast<std::uint32_t>(BI_RLE8),
             static_cast<std::uint32_t>(BI_RGB) }) {
        BmpLayout layout = Rle4Layout();
        layout.compression = compression;
        layout.bits = compression == BI_RLE8 ? 8 : 4;
        layout.imageSize = 0;
        layout.width = -4;
        expectInvalid(layout, "negative width");
        layout.width = 0;
        expectInvalid(layout, "zero width");
        layout.width = 4;
        layout.height = 0;
        expectInvalid(layout, "zero height");
        // Width times height times bits beyond any signed 64-bit product.
        layout.bits = 32;
        layout.width = 0x7FFFFFFF;
        layout.height = static_cast<std::int32_t>(0x80000000u);
        expectInvalid(layout, "overflowing size");
    }
    EXPECT_EQ(bitmap.Width(), 2) << "failed reads keep the previous image";
}

TEST(BmpFile, ExtremeSizesOfEveryKindEndInTheFramesErrorsAndKeepThePreviousImage)
{
    TBitmap bitmap;
    Load(bitmap, MakeBmp(SmallLayout()));
    // Only the frame's own errors may come out: a library error (length, allocation)
    // or a crash is a fault.
    auto expectFrameError = [&](const BmpLayout& layout, const std::string& what) {
        try {
            Load(bitmap, MakeBmp(layout));
            ADD_FAILURE() << what << ": no error";
        } catch (const Exception&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what();
        }
        EXPECT_EQ(bitmap.Width(), 2) << what;
    };
    struct Kind {
        std::uint32_t compression;
        std::uint16_t bits;
    };
    const Kind kinds[] = { { BI_RGB, 1 }, { BI_RGB, 4 }, { BI_RGB, 8 }, { BI_RGB, 16 }, { BI_RGB, 24 }, { BI_RGB, 32 },
        { BI_RLE8, 8 }, { BI_RLE4, 4 }, { BI_BITFIELDS, 16 }, { BI_BITFIELDS, 32 }, { BI_JPEG, 0 }, { BI_PNG, 0 },
        { BI_RGB, 0 }, { BI_RGB, 0xFFFF }, { 77, 8 } };
    const std::pair<std::int32_t, std::int32_t> sizes[] = { { 0x7FFFFFFF, 0x7FFFFFFF }, { 1, 0x7FFFFFFF },
        { 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u) }, { 262144, -262144 },
        { static_cast<std::int32_t>(0x80000000u), 2 }, { 0, 2 }, { 2, 0 } };
    for (const Kind& kind : kinds) {
        for (auto [width, height] : sizes) {
            BmpLayout layout;
            layout.compression = kind.compression;
            layout.bits = kind.bits;
            layout.width = width;
            layout.height = height;
            if (kind.compression == BI_BITFIELDS)
                layout.masks = { 0xF800, 0x07E0, 0x001F };
            if (kind.bits <= 8 && kind.bits > 0)
                layout.colors.assign(std::size_t(1) << kind.bits, 0x808080);
            layout.pixels = AnsiString("\x00\x01\x00\x00\x00\x01", 6);
            expectFrameError(layout,
                "compression " + std::to_string(kind.compression) + ", " + std::to_string(kind.bits) + " bits, "
                    + std::to_string(width) + " x " + std::to_string(height));
        }
    }
    // OS/2 headers hold sizes of 16 bits: the largest are still too large together.
    BmpLayout os2;
    os2.os2 = true;
    os2.bits = 24;
    os2.width = 65535;
    os2.height = 65535;
    expectFrameError(os2, "OS/2 65535 x 65535");
    os2.width = 0;
    expectFrameError(os2, "OS/2 zero width");
    // A colour table longer than the file.
    BmpLayout table = SmallLayout();
    table.clrUsed = 0xFFFFFFFF;
    expectFrameError(table, "huge colour table");
    table.clrUsed = 0x40000000;
    expectFrameError(table, "colour table of 4 GB");
}

TEST(BmpFile, EveryTruncationEndsInAnErrorOrLoadsWhatIsThere)
{
    BmpLayout os2;
    os2.os2 = true;
    os2.bits = 8;
    os2.colors.assign(256, 0x123456);
    os2.pixels = AnsiString(8, '\x01');
    BmpLayout fields;
    fields.bits = 32;
    fields.compression = BI_BITFIELDS;
    fields.masks = { 0xFF0000, 0xFF00, 0xFF };
    fields.pixels = AnsiString(16, '\x7F');
    BmpLayout plain;
    plain.pixels = AnsiString(16, '\x40');
    for (const BmpLayout& layout : { SmallLayout(), Rle4Layout(), os2, fields, plain }) {
        AnsiString file = MakeBmp(layout);
        std::size_t pixelsAt = file.size() - layout.pixels.size();
        for (std::size_t length = 0; length < file.size(); ++length) {
            SCOPED_TRACE(length);
            TBitmap bitmap;
            bitmap.SetWidth(1);
            bitmap.SetHeight(1);
            AnsiString cut = file.substr(0, length);
            bool failed = false;
            try {
                Load(bitmap, cut);
            } catch (const EReadError&) {
                failed = true;
            } catch (const EInvalidGraphic&) {
                failed = true;
            } catch (const EWin32Error&) {
                failed = true;
            }
            if (length == 0) {
                EXPECT_TRUE(bitmap.Empty()) << "no bytes: an empty bitmap";
            } else if (length < pixelsAt) {
                EXPECT_TRUE(failed);
                EXPECT_EQ(bitmap.Width(), 1);
            } else if (layout.compression != BI_RLE4) {
                // Cut within the pixel rows: the rows that are there are read.
                EXPECT_FALSE(failed);
                EXPECT_EQ(bitmap.Width(), layout.width);
            }
            // Stored with its full count but fewer bytes behind it: always an error.
            AnsiString stored;
            Put32(stored, static_cast<std::uint32_t>(file.size()));
            TMemoryStream data(stored + cut);
            EXPECT_THROW(bitmap.ReadGraphicData(data), EReadError);
        }
    }
}

TEST(BmpFile, BitmapResources)
{
    TBitmap bitmap;
    EXPECT_THROW(bitmap.LoadFromResourceName(nullptr, "NO_SUCH_BITMAP"), EResNotFound);
    // The system's own bitmap resources: BMP data without the file header.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    bitmap.LoadFromResourceID(user32, OBM_CHECK);
    EXPECT_FALSE(bitmap.Empty());
    HBITMAP system = LoadBitmapA(nullptr, MAKEINTRESOURCEA(OBM_CHECK));
    BITMAP bm {};
    GetObjectA(system, sizeof bm, &bm);
    DeleteObject(system);
    EXPECT_EQ(bitmap.Width(), bm.bmWidth);
    EXPECT_EQ(bitmap.Height(), bm.bmHeight);
    AnsiString saved = Save(bitmap);
    EXPECT_EQ(saved.substr(0, 2), "BM");
    EXPECT_EQ(Get32(saved, 2), saved.size());
}

TEST(BmpFile, PalettesOfIndexedImages)
{
    TBitmap bitmap;
    Load(bitmap, MakeBmp(SmallLayout()));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    HPALETTE palette = bitmap.Palette();
    ASSERT_TRUE(palette);
    PALETTEENTRY entries[8] = {};
    EXPECT_EQ(GetPaletteEntries(palette, 0, 8, entries), 4u) << "made from the colour table";
    EXPECT_EQ(entries[1].peRed, 0xFF);

    // A new palette re-renders the pixels and becomes the colour table.
    struct {
        WORD version, count;
        PALETTEENTRY entries[4];
    } log = { 0x300, 4, { { 0, 0, 0, 0 }, { 255, 0, 0, 0 }, { 0, 255, 0, 0 }, { 255, 255, 255, 0 } } };
    bitmap.SetPalette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&log)));
    EXPECT_TRUE(bitmap.PaletteModified());
    EXPECT_EQ(PixelOf(bitmap, 0, 1), clRed);
    AnsiString saved = Save(bitmap);
    EXPECT_EQ(saved.substr(54 + 12, 4), AnsiString("\xFF\xFF\xFF\x00", 4));

    // Dormant keeps only the DIB; the image is the same.
    bitmap.Dormant();
    EXPECT_EQ(bitmap.Image().Handle, bitmap.Image().DIBHandle);
    EXPECT_EQ(PixelOf(bitmap, 0, 1), clRed);
}
