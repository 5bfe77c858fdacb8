#include "graphics/support/JpegTestData.h"
#include "graphics/support/ByteGraphic.h"
#include "graphics/JpegLibrary.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

#include <gtest/gtest.h>

#include <jerror.h>

namespace {

struct DibDeleter {
    void operator()(HBITMAP h) const { DeleteObject(h); }
};
using Dib = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DibDeleter>;

// Decodes the bytes row by row into a bottom-up 24-bit DIB section, as colour.
Dib DecodeToDib(const AnsiString& bytes)
{
    TMemoryStream stream(bytes);
    TJpegDecompressor decoder(stream, nullptr);
    decoder.ReadHeader();
    jpeg_decompress_struct& info = decoder.Info();
    info.out_color_space = JCS_EXT_BGR;
    decoder.Call([&] { jpeg_start_decompress(&info); });
    BITMAPINFO bi {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = static_cast<LONG>(info.output_width);
    bi.bmiHeader.biHeight = static_cast<LONG>(info.output_height);
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    Dib dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib)
        throw EOutOfResources("no DIB section");
    const std::ptrdiff_t stride = ((bi.bmiHeader.biWidth * 24 + 31) / 32) * 4;
    auto* top = static_cast<JSAMPLE*>(bits) + stride * (bi.bmiHeader.biHeight - 1);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = top - stride * static_cast<std::ptrdiff_t>(info.output_scanline);
        decoder.Call([&] { jpeg_read_scanlines(&info, &row, 1); });
    }
    decoder.Call([&] { jpeg_finish_decompress(&info); });
    return dib;
}

int ErrorCode(const AnsiString& bytes)
{
    try {
        DecodeToDib(bytes);
    } catch (const EJPEG& e) {
        int code = -1;
        std::sscanf(e.Message().c_str() + e.Message().find('#') + 1, "%d", &code);
        EXPECT_EQ(e.Message(), Format("JPEG エラー #%d", code));
        return code;
    }
    return 0;
}

// A byte graphic whose progress handler cancels.
class CancellingGraphic : public TByteGraphic {
public:
    void Progress(TObject*, TProgressStage, std::uint8_t, bool, const RECT&, const AnsiString&) override
    {
        ++reports;
        throw EAbort("cancelled");
    }
    int reports = 0;
};

} // namespace

TEST(JpegLibrary, HeadersTellSizeColourSpaceAndScans)
{
    struct Case {
        const char* name;
        int width, height;
        J_COLOR_SPACE space;
        bool multiScan;
    };
    for (const Case& c :
        { Case { "color.jpg", 40, 30, JCS_YCbCr, false }, Case { "progressive.jpg", 40, 30, JCS_YCbCr, true },
            Case { "gray.jpg", 40, 30, JCS_GRAYSCALE, false }, Case { "row.jpg", 33, 1, JCS_YCbCr, false } }) {
        TMemoryStream stream(JpegTestFile(c.name));
        ASSERT_GT(stream.Size(), 0) << c.name;
        TJpegDecompressor decoder(stream, nullptr);
        decoder.ReadHeader();
        EXPECT_EQ(decoder.Info().image_width, static_cast<JDIMENSION>(c.width)) << c.name;
        EXPECT_EQ(decoder.Info().image_height, static_cast<JDIMENSION>(c.height)) << c.name;
        EXPECT_EQ(decoder.Info().jpeg_color_space, c.space) << c.name;
        EXPECT_EQ(jpeg_has_multiple_scans(&decoder.Info()) != 0, c.multiScan) << c.name;
    }
}

TEST(JpegLibrary, RowsArriveInBlueGreenRedOrderTopRowFirst)
{
    Dib dib = DecodeToDib(JpegTestFile("color.jpg"));
    // The picture: red = 6x, green = 8y, blue = 96.
    EXPECT_TRUE(CloseColor(DibPixel(dib.get(), 0, 0), RGB(0, 0, 96), 10));
    EXPECT_TRUE(CloseColor(DibPixel(dib.get(), 30, 5), RGB(180, 40, 96), 10));
    EXPECT_TRUE(CloseColor(DibPixel(dib.get(), 10, 25), RGB(60, 200, 96), 10));
    Dib row = DecodeToDib(JpegTestFile("row.jpg"));
    EXPECT_TRUE(CloseColor(DibPixel(row.get(), 20, 0), RGB(255, 140, 0), 12));
}

TEST(JpegLibrary, FatalErrorsBecomeEJPEGWithTheLibraryCode)
{
    EXPECT_EQ(ErrorCode(SmallBmpFile()), JERR_NO_SOI);
    EXPECT_EQ(ErrorCode(""), JERR_INPUT_EMPTY);
    // Only the start marker: the made-up end marker ends the file before any frame.
    EXPECT_EQ(ErrorCode(AnsiString("\xFF\xD8")), JERR_NO_IMAGE);
}

TEST(JpegLibrary, FileCutAfterItsHeaderDecodesWithTheLibrarysFill)
{
    AnsiString bytes = JpegTestFile("color.jpg");
    // Keep everything up to the end of the start-of-scan header.
    std::size_t sos = bytes.find("\xFF\xDA");
    ASSERT_NE(sos, AnsiString::npos);
    std::size_t length = (static_cast<unsigned char>(bytes[sos + 2]) << 8) | static_cast<unsigned char>(bytes[sos + 3]);
    Dib dib = DecodeToDib(bytes.substr(0, sos + 2 + length));
    // The missing scan is the library's fill: neutral gray everywhere, the same
    // as djpeg gives for this cut file (70 at the top left, 128 at the bottom right).
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            COLORREF c = DibPixel(dib.get(), x, y);
            ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << "," << y;
        }
    EXPECT_EQ(DibPixel(dib.get(), 0, 0), RGB(70, 70, 70));
    EXPECT_EQ(DibPixel(dib.get(), 39, 29), RGB(128, 128, 128));
}

TEST(JpegLibrary, DamagedFilesEndInEJPEGOrAPictureNeverACrash)
{
    int pictures = 0, errors = 0;
    // A damaged file decodes into a bitmap, or fails with EJPEG; nothing else escapes.
    auto attempt = [&](const AnsiString& bytes) {
        try {
            Dib dib = DecodeToDib(bytes);
            BITMAP shape {};
            ASSERT_TRUE(dib && GetObjectA(dib.get(), sizeof shape, &shape) == sizeof shape);
            EXPECT_GT(shape.bmWidth, 0);
            ++pictures;
        } catch (const EJPEG&) {
            ++errors;
        }
    };
    for (const char* name : { "color.jpg", "progressive.jpg", "gray.jpg", "row.jpg" }) {
        AnsiString good = JpegTestFile(name);
        for (std::size_t cut = 0; cut < good.size(); ++cut)
            attempt(good.substr(0, cut));
        for (std::size_t at = 0; at < good.size(); ++at) {
            for (int value : { 0x00, 0xFF, (static_cast<unsigned char>(good[at]) ^ 0x5A) }) {
                AnsiString bad = good;
                bad[at] = static_cast<char>(value);
                attempt(bad);
            }
        }
    }
    EXPECT_GT(pictures, 0);
    EXPECT_GT(errors, 0);
}

TEST(JpegLibrary, AnExceptionFromAProgressHandlerAbandonsTheDecode)
{
    TMemoryStream stream(JpegTestFile("progressive.jpg"));
    CancellingGraphic target;
    TJpegDecompressor decoder(stream, &target);
    decoder.ReadHeader();
    // As if the last report was long ago and reported nothing yet.
    decoder.ProgressMonitor().lastTime = GetTickCount() - 1000;
    decoder.ProgressMonitor().lastPercent = -1;
    jpeg_decompress_struct& info = decoder.Info();
    EXPECT_THROW(decoder.Call([&] { jpeg_start_decompress(&info); }), EAbort);
    EXPECT_EQ(target.reports, 1);
    // The object can still be destroyed (by the decoder going away) after the jump.
}

TEST(JpegLibrary, ProgressIsThrottledAndReportedOnlyOnChange)
{
    TJpegProgressMonitor monitor;
    monitor.decoding = true;
    TJpegProgressCounters counters { 1, 4, 0, 2, 10, 40, 30 };
    // The first call only records the time.
    EXPECT_FALSE(JpegProgressStep(monitor, 10000, counters).report);
    EXPECT_FALSE(JpegProgressStep(monitor, 10499, counters).report);
    TJpegProgressReport r = JpegProgressStep(monitor, 10500, counters);
    ASSERT_TRUE(r.report);
    EXPECT_EQ(r.percent, 12); // (1/4 + 0) * 100 / 2 = 12.5
    EXPECT_EQ(r.rect.top, 0);
    EXPECT_EQ(r.rect.bottom, 10);
    EXPECT_EQ(r.rect.right, 40);
    EXPECT_TRUE(r.redraw);
    // Same percent: nothing.
    EXPECT_FALSE(JpegProgressStep(monitor, 11000, counters).report);
    // A new pass started: the rows went back, so the rectangle reaches the bottom.
    counters = { 3, 4, 1, 2, 2, 40, 30 };
    r = JpegProgressStep(monitor, 11600, counters);
    ASSERT_TRUE(r.report);
    EXPECT_EQ(r.percent, 87);
    EXPECT_EQ(r.rect.top, 10);
    EXPECT_EQ(r.rect.bottom, 30);
    // Fewer than 4 rows: no redraw; a zero pass limit reports nothing.
    counters = { 0, 4, 2, 2, 4, 40, 30 };
    r = JpegProgressStep(monitor, 12200, counters);
    ASSERT_TRUE(r.report);
    EXPECT_EQ(r.percent, 100);
    EXPECT_FALSE(r.redraw);
    counters = { 0, 0, 0, 0, 0, 40, 30 };
    EXPECT_FALSE(JpegProgressStep(monitor, 13000, counters).report);
}
