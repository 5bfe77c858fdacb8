// Reading, choosing, creating and writing icon files below the icon graphic.
#include "graphics/IconFile.h"
#include "graphics/support/IconTestData.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t Background = 0x123456;

void ExpectInvalidIcon(const AnsiString& ico, SIZE requested = { 0, 0 })
{
    SIZE chosen {};
    try {
        HICON icon = CreateIconFromIco(ico, requested, chosen);
        DestroyIcon(icon);
        ADD_FAILURE() << "no error for " << ico.size() << " bytes";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "アイコンイメージが不正です");
    }
}

void SetDword(AnsiString& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TIconDirEntry Entry(int width, int height, int colours)
{
    TIconDirEntry entry;
    entry.Width = static_cast<std::uint8_t>(width);
    entry.Height = static_cast<std::uint8_t>(height);
    entry.ColorCount = static_cast<std::uint8_t>(colours);
    return entry;
}

}

TEST(IconFile, EightBitIconIsTheStoredSizeAndDrawsEveryPixel)
{
    TestIconImage image = EightBitIcon32();
    AnsiString ico = MakeIco({ image });
    ASSERT_EQ(ico.size(), 2238u);

    std::vector<TIconDirEntry> entries = ReadIconDirectory(ico);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Width, 32);
    EXPECT_EQ(entries[0].BitCount, 8);
    EXPECT_EQ(entries[0].ImageOffset, 22u);

    SIZE chosen {};
    HICON icon = CreateIconFromIco(ico, { 0, 0 }, chosen);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(chosen.cx, 32);
    EXPECT_EQ(chosen.cy, 32);
    ICONINFO info {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour {};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    EXPECT_GT(colour.bmBitsPixel, 8) << "the test screen has more than 8 bits";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    std::vector<std::uint32_t> pixels = DrawIconPixels(icon, 40, 40, Background);
    int wrong = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            std::uint32_t expected = x < 32 && y < 32 ? ExpectedPixel(image, x, y, Background) : Background;
            if (pixels[static_cast<std::size_t>(y * 40 + x)] != expected && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " is " << pixels[y * 40 + x] << " not "
                              << expected;
        }
    EXPECT_EQ(wrong, 0);
    DestroyIcon(icon);
}

TEST(IconFile, RequestedSizeChoosesAndStretches)
{
    TestIconImage small = FlatIcon(16, 4, 0xFF0000);
    TestIconImage large = FlatIcon(32, 4, 0x0000FF);
    AnsiString ico = MakeIco({ small, large });

    SIZE chosen {};
    HICON icon = CreateIconFromIco(ico, { 0, 0 }, chosen);
    EXPECT_EQ(chosen.cx, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(DrawIconPixels(icon, 32, 32, Background)[31 * 32 + 31], 0x0000FFu);
    DestroyIcon(icon);

    icon = CreateIconFromIco(ico, { 16, 16 }, chosen);
    EXPECT_EQ(chosen.cx, 16);
    std::vector<std::uint32_t> pixels = DrawIconPixels(icon, 32, 32, Background);
    EXPECT_EQ(pixels[15 * 32 + 15], 0xFF0000u);
    EXPECT_EQ(pixels[16 * 32 + 16], Background) << "drawn at its own size";
    DestroyIcon(icon);

    // A requested size with one coordinate set still counts as requested; an image
    // of another size than its entry says is stretched to the entry's size.
    TestIconImage odd = FlatIcon(8, 4, 0x00FF00);
    AnsiString oddIco = MakeIco({ odd });
    oddIco[6] = 24;
    oddIco[7] = 24;
    icon = CreateIconFromIco(oddIco, { 0, 24 }, chosen);
    EXPECT_EQ(chosen.cx, 24);
    pixels = DrawIconPixels(icon, 32, 32, Background);
    EXPECT_EQ(pixels[23 * 32 + 23], 0x00FF00u);
    EXPECT_EQ(pixels[24 * 32 + 24], Background);
    DestroyIcon(icon);
}

TEST(IconFile, ChoiceBySizeAndColours)
{
    const std::uint64_t unlimited = UnlimitedColours;
    // Size: the closer one wins, ties go to the later entry, a larger one does not
    // replace an equally distant smaller one.
    EXPECT_EQ(ChooseIconEntry({ Entry(16, 16, 16), Entry(32, 32, 16) }, { 32, 32 }, unlimited), 1u);
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 32, 16), Entry(16, 16, 16) }, { 32, 32 }, unlimited), 0u);
    EXPECT_EQ(ChooseIconEntry({ Entry(16, 16, 16), Entry(32, 32, 16) }, { 16, 16 }, unlimited), 0u);
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 32, 16), Entry(32, 32, 16) }, { 32, 32 }, unlimited), 1u);
    EXPECT_EQ(ChooseIconEntry({ Entry(16, 16, 16), Entry(48, 48, 16) }, { 32, 32 }, unlimited), 0u);
    EXPECT_EQ(ChooseIconEntry({ Entry(48, 48, 16), Entry(16, 16, 16) }, { 32, 32 }, unlimited), 1u);
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 16, 16), Entry(16, 32, 16) }, { 32, 32 }, unlimited), 0u)
        << "better in one dimension and worse in the other does not replace";
    // Colours: a 256-colour entry (count 0) is not taken on a 16-colour screen, but is
    // on a true-colour one; fewer colours than the best so far never replace it.
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 32, 16), Entry(32, 32, 0) }, { 32, 32 }, 16), 0u);
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 32, 16), Entry(32, 32, 0) }, { 32, 32 }, unlimited), 1u);
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 32, 0), Entry(32, 32, 16) }, { 32, 32 }, unlimited), 0u);
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 32, 2), Entry(32, 32, 16) }, { 32, 32 }, 16), 1u);
    // Width or height 0 (256 in the file) is compared as 0.
    EXPECT_EQ(ChooseIconEntry({ Entry(32, 32, 16), Entry(0, 0, 16) }, { 32, 32 }, unlimited), 0u);
    EXPECT_THROW(ChooseIconEntry({}, { 32, 32 }, unlimited), EInvalidGraphic);
}

TEST(IconFile, TypesOfTheHeader)
{
    SIZE chosen { 5, 5 };
    AnsiString stock = StockApplicationIco();
    EXPECT_EQ(stock, AnsiString(6, '\0'));
    EXPECT_EQ(CreateIconFromIco(stock, { 0, 0 }, chosen), LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(chosen.cx, 0);

    AnsiString cursor = MakeIco({ FlatIcon(32, 4, 0xFF) });
    cursor[2] = 2;
    ExpectInvalidIcon(cursor);
    cursor[2] = 7;
    ExpectInvalidIcon(cursor);
}

TEST(IconFile, EveryTruncationIsInvalid)
{
    AnsiString ico = MakeIco({ FlatIcon(16, 4, 0xFF0000), FlatIcon(32, 8, 0x00FF00) });
    for (std::size_t size = 0; size < ico.size(); ++size)
        ExpectInvalidIcon(ico.substr(0, size));
    // The whole file is good.
    SIZE chosen {};
    HICON icon = CreateIconFromIco(ico, { 0, 0 }, chosen);
    EXPECT_NE(icon, nullptr);
    DestroyIcon(icon);
}

TEST(IconFile, OffsetsAndSizesOutsideTheFileAreInvalid)
{
    const AnsiString good = MakeIco({ FlatIcon(32, 8, 0x00FF00) });
    const std::uint32_t size = static_cast<std::uint32_t>(good.size());
    struct Case {
        std::uint32_t bytesInRes;
        std::uint32_t offset;
    } cases[] = {
        { size - 22 + 1, 22 }, // one byte beyond the end
        { size - 22, 23 },     // shifted by one
        { 0xFFFFFFFFu, 22 },   // size wraps a 32-bit sum
        { 100, 0xFFFFFFF0u },  // offset wraps a 32-bit sum
        { size - 22, size },   // starts at the end
        { 39, 22 },            // shorter than the image header
        { 40 + 1024, 22 },     // colour table present, rows missing
        { size - 22 - 1, 22 }, // last mask byte missing
    };
    for (const Case& c : cases) {
        AnsiString ico = good;
        SetDword(ico, 14, c.bytesInRes);
        SetDword(ico, 18, c.offset);
        SCOPED_TRACE(testing::Message() << c.bytesInRes << " at " << c.offset);
        ExpectInvalidIcon(ico);
    }
    // A directory claiming more entries than the file holds.
    AnsiString many = good;
    many[4] = static_cast<char>(200);
    ExpectInvalidIcon(many);
    AnsiString none = good;
    none[4] = 0;
    ExpectInvalidIcon(none);
}

TEST(IconFile, ImageHeadersThatCannotBeReadAreInvalid)
{
    const AnsiString good = MakeIco({ FlatIcon(32, 8, 0x00FF00) });
    auto patched = [&](std::size_t at, std::uint32_t value, int bytes) {
        AnsiString ico = good;
        for (int i = 0; i < bytes; ++i)
            ico[22 + at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return ico;
    };
    ExpectInvalidIcon(patched(0, 108, 4));         // not a 40-byte header
    ExpectInvalidIcon(patched(0, 0x474E5089, 4));  // PNG image
    ExpectInvalidIcon(patched(4, 0, 4));           // width 0
    ExpectInvalidIcon(patched(4, 0x80000000u, 4)); // negative width
    ExpectInvalidIcon(patched(4, 33, 4));          // wider rows than stored
    ExpectInvalidIcon(patched(8, 66, 4));          // taller than stored
    ExpectInvalidIcon(patched(8, 0xFFFFFFC0u, 4)); // top-down height
    ExpectInvalidIcon(patched(12, 2, 2));          // planes
    ExpectInvalidIcon(patched(14, 7, 2));          // bit count
    ExpectInvalidIcon(patched(14, 32, 2));         // 32 bits need more rows than stored
    ExpectInvalidIcon(patched(16, 1, 4));          // compressed
    // Colour counts the file claims are not trusted for reading the table.
    SIZE chosen {};
    HICON icon = CreateIconFromIco(patched(32, 0x7FFFFFFF, 4), { 0, 0 }, chosen);
    EXPECT_EQ(DrawIconPixels(icon, 32, 32, Background)[5], 0x00FF00u);
    DestroyIcon(icon);
}

TEST(IconFile, HandleWrittenAsSixteenColourIcon)
{
    TestIconImage image = FlatIcon(32, 4, 0);
    image.Palette = { 0x000000, 0xFF0000, 0x00FF00, 0x0000FF };
    image.Palette.resize(16, 0xFFFFFF);
    image.PixelIndex = [](int x, int y) { return (x / 8 + y / 8) % 5; };
    image.Transparent = [](int x, int y) { return x == y; };
    SIZE chosen {};
    HICON icon = CreateIconFromIco(MakeIco({ image }), { 0, 0 }, chosen);

    AnsiString written = IconHandleToIco(icon);
    ASSERT_EQ(written.size(), 6u + 16 + 40 + 64 + 512 + 128);
    std::vector<TIconDirEntry> entries = ReadIconDirectory(written);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Width, 32);
    EXPECT_EQ(entries[0].Height, 32);
    EXPECT_EQ(entries[0].ColorCount, 16);
    EXPECT_EQ(entries[0].Planes, 0);
    EXPECT_EQ(entries[0].BitCount, 0);
    EXPECT_EQ(entries[0].BytesInRes, 40u + 64 + 512 + 128);
    EXPECT_EQ(entries[0].ImageOffset, 22u);
    EXPECT_EQ(static_cast<unsigned char>(written[22 + 8]), 64) << "header height doubled";
    EXPECT_EQ(static_cast<unsigned char>(written[22 + 14]), 4);

    HICON again = CreateIconFromIco(written, { 0, 0 }, chosen);
    EXPECT_EQ(DrawIconPixels(again, 32, 32, Background), DrawIconPixels(icon, 32, 32, Background));
    std::vector<std::uint32_t> pixels = DrawIconPixels(again, 32, 32, Background);
    EXPECT_EQ(pixels[3 * 32 + 3], Background);
    EXPECT_EQ(pixels[0 * 32 + 9], 0xFF0000u);
    EXPECT_EQ(pixels[20 * 32 + 0], 0x00FF00u);
    EXPECT_EQ(pixels[0 * 32 + 31], 0x0000FFu);
    DestroyIcon(again);
    DestroyIcon(icon);
}

TEST(IconFile, SizeByteZeroMeansTwoHundredFiftySix)
{
    // Compared as 0 when choosing, but the image made is 256 pixels wide and high.
    TestIconImage image = FlatIcon(256, 4, 0xFF00FF);
    AnsiString ico = MakeIco({ image });
    ASSERT_EQ(ico[6], 0);
    SIZE chosen {};
    HICON icon = CreateIconFromIco(ico, { 0, 0 }, chosen);
    EXPECT_EQ(chosen.cx, 256);
    EXPECT_EQ(chosen.cy, 256);
    std::vector<std::uint32_t> pixels = DrawIconPixels(icon, 257, 257, Background);
    EXPECT_EQ(pixels[255 * 257 + 255], 0xFF00FFu);
    EXPECT_EQ(pixels[256 * 257 + 256], Background);
    DestroyIcon(icon);
}
