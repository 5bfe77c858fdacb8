// The seed files: our own JPEGs of several kinds, BMPs of every layout the bitmap
// reads (OS/2 core headers and run-length compression among them), the tray icon and
// other icons, the stored picture data blocks and the two form streams.
#include "FuzzTargets.h"
#include "FuzzSeeds.h"

#include "graphics/support/BmpBuilder.h"
#include "app/support/ProgramFormStandIns.h"
#include "graphics/support/IconTestData.h"
#include "graphics/support/JpegTestData.h"
#include "graphics/Bitmap.h"
#include "graphics/Icon.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"

#include <windows.h>

namespace {

std::uint32_t Le32(const AnsiString& bytes, std::size_t at)
{
    if (at + 4 > bytes.size())
        return 0;
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8
        | static_cast<std::uint8_t>(bytes[at + 2]) << 16
        | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

// A picture with some detail, so that encoded JPEGs have real coefficients.
void Paint(TBitmap& bitmap, int width, int height)
{
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x * 255 / width);
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / height);
            row[3 * x + 2] = static_cast<std::uint8_t>((x ^ y) * 16);
        }
    }
}

AnsiString EncodedJpeg(bool progressive, bool grayscale, int width, int height)
{
    TBitmap bitmap;
    Paint(bitmap, width, height);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.SetProgressiveEncoding(progressive);
    jpeg.SetGrayscale(grayscale);
    jpeg.SetCompressionQuality(75);
    TMemoryStream stream;
    jpeg.SaveStream(stream);
    return stream.Bytes();
}

BmpLayout Layout(int width, int height, int bits)
{
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bits = static_cast<std::uint16_t>(bits);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            layout.colors.push_back(static_cast<std::uint32_t>(i * 0x010203 * (256 >> bits)) & 0xFFFFFF);
    const int stride = ((width * bits + 31) / 32) * 4;
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < stride; ++i)
            layout.pixels += static_cast<char>((i * 7 + y * 13) & 0xFF);
    return layout;
}

AnsiString PictureData(TGraphic& graphic)
{
    TPicture picture;
    picture.SetGraphic(&graphic);
    TMemoryStream stream;
    picture.WritePictureData(stream);
    return stream.Bytes();
}

}

AnsiString StoredDataBlock(const AnsiString& formStream, std::size_t which)
{
    const AnsiString tag("\x07TBitmap", 8);
    std::size_t at = formStream.find(tag);
    for (std::size_t i = 0; i < which && at != AnsiString::npos; ++i)
        at = formStream.find(tag, at + 1);
    if (at == AnsiString::npos)
        return {};
    return formStream.substr(at, 12 + Le32(formStream, at + 8));
}

AnsiString StoredIconData(const AnsiString& formStream)
{
    const AnsiString name("\x09Icon.Data\x0A", 11);
    const std::size_t at = formStream.find(name);
    if (at == AnsiString::npos)
        return {};
    return formStream.substr(at + name.size() + 4, Le32(formStream, at + name.size()));
}

std::vector<AnsiString> JpegSeeds()
{
    std::vector<AnsiString> seeds;
    for (const char* name : { "color.jpg", "gray.jpg", "progressive.jpg", "row.jpg" })
        seeds.push_back(JpegTestFile(name));
    seeds.push_back(EncodedJpeg(false, false, 40, 24));
    seeds.push_back(EncodedJpeg(true, false, 33, 17));
    seeds.push_back(EncodedJpeg(false, true, 24, 40));
    return seeds;
}

std::vector<AnsiString> BmpSeeds()
{
    std::vector<AnsiString> seeds;
    for (int bits : { 1, 4, 8, 24, 32 })
        seeds.push_back(MakeBmp(Layout(5, 3, bits)));
    BmpLayout os2 = Layout(4, 3, 8);
    os2.os2 = true;
    seeds.push_back(MakeBmp(os2));
    BmpLayout os2Mono = Layout(9, 2, 1);
    os2Mono.os2 = true;
    seeds.push_back(MakeBmp(os2Mono));
    BmpLayout rle4 = Layout(4, 2, 4);
    rle4.compression = BI_RLE4;
    rle4.pixels = AnsiString("\x04\x12\x00\x00\x04\x33\x00\x01", 8);
    rle4.imageSize = 8;
    seeds.push_back(MakeBmp(rle4));
    BmpLayout rle8 = Layout(6, 3, 8);
    rle8.compression = BI_RLE8;
    // A run, an absolute run, a delta, line ends and the end of the picture.
    rle8.pixels =
        AnsiString("\x06\x05\x00\x00\x00\x04\x01\x02\x03\x04\x02\x07\x00\x00\x00\x02\x01\x00\x03\x09\x00\x01", 22);
    rle8.imageSize = static_cast<std::uint32_t>(rle8.pixels.size());
    seeds.push_back(MakeBmp(rle8));
    BmpLayout fields16 = Layout(3, 2, 16);
    fields16.compression = BI_BITFIELDS;
    fields16.masks = { 0xF800, 0x07E0, 0x001F };
    seeds.push_back(MakeBmp(fields16));
    BmpLayout topDown = Layout(3, -2, 24);
    seeds.push_back(MakeBmp(topDown));
    seeds.push_back(StoredDataBlock(FormResource("TINFOFORM1"), 0).substr(12));
    return seeds;
}

std::vector<AnsiString> IconSeeds()
{
    std::vector<AnsiString> seeds;
    seeds.push_back(StoredIconData(FormResource("TMAINFORM1")));
    seeds.push_back(MakeIco({ FlatIcon(16, 4, 0x3366CC) }));
    seeds.push_back(MakeIco({ FlatIcon(16, 1, 0xFFFFFF), FlatIcon(32, 8, 0x00FF00) }));
    TestIconImage deep = FlatIcon(16, 32, 0x123456);
    seeds.push_back(MakeIco({ deep }));
    TestIconImage rgb = FlatIcon(8, 24, 0x654321);
    seeds.push_back(MakeIco({ rgb }));
    return seeds;
}

std::vector<AnsiString> PictureSeeds()
{
    const AnsiString info = FormResource("TINFOFORM1");
    std::vector<AnsiString> seeds { StoredDataBlock(info, 0), StoredDataBlock(info, 1) };
    TBitmap bitmap;
    Paint(bitmap, 6, 4);
    seeds.push_back(PictureData(bitmap));
    TJPEGImage jpeg;
    TMemoryStream jpegBytes(JpegTestFile("color.jpg"));
    jpeg.LoadStream(jpegBytes);
    seeds.push_back(PictureData(jpeg));
    TIcon icon;
    TMemoryStream iconBytes(MakeIco({ FlatIcon(16, 4, 0x3366CC) }));
    icon.LoadStream(iconBytes);
    seeds.push_back(PictureData(icon));
    return seeds;
}

std::vector<AnsiString> FormSeeds() { return { FormResource("TMAINFORM1"), FormResource("TINFOFORM1") }; }
