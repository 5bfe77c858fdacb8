#include "graphics/support/IconTestData.h"

#include "graphics/LittleEndian.h"
#include "graphics/support/TopDownDib.h"

#include <cstring>

namespace {

int RowBytes(int width, int bits) { return (width * bits + 31) / 32 * 4; }

}

AnsiString IconImageBytes(const TestIconImage& image)
{
    AnsiString out;
    PutDword(out, 40);
    PutDword(out, static_cast<std::uint32_t>(image.Width));
    PutDword(out, static_cast<std::uint32_t>(image.Height * 2));
    PutWord(out, 1);
    PutWord(out, static_cast<unsigned>(image.Bits));
    for (int i = 0; i < 6; ++i)
        PutDword(out, 0);
    if (image.Bits <= 8) {
        for (std::size_t i = 0; i < (std::size_t(1) << image.Bits); ++i) {
            std::uint32_t c = i < image.Palette.size() ? image.Palette[i] : 0;
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>((c >> 8) & 0xFF));
            out.push_back(static_cast<char>((c >> 16) & 0xFF));
            out.push_back(0);
        }
    }
    int stride = RowBytes(image.Width, image.Bits);
    for (int row = image.Height - 1; row >= 0; --row) {
        AnsiString line(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < image.Width; ++x) {
            if (image.Bits <= 8) {
                unsigned index = static_cast<unsigned>(image.PixelIndex(x, row));
                int bit = x * image.Bits;
                int shift = 8 - image.Bits - bit % 8;
                line[static_cast<std::size_t>(bit / 8)] =
                    static_cast<char>(static_cast<unsigned char>(line[bit / 8]) | (index << shift));
            } else {
                std::uint32_t c = image.PixelColour(x, row);
                std::size_t at = static_cast<std::size_t>(x * image.Bits / 8);
                line[at] = static_cast<char>(c & 0xFF);
                line[at + 1] = static_cast<char>((c >> 8) & 0xFF);
                line[at + 2] = static_cast<char>((c >> 16) & 0xFF);
                if (image.Bits == 32)
                    line[at + 3] = 0;
            }
        }
        out += line;
    }
    int maskStride = RowBytes(image.Width, 1);
    for (int row = image.Height - 1; row >= 0; --row) {
        AnsiString line(static_cast<std::size_t>(maskStride), '\0');
        for (int x = 0; x < image.Width; ++x)
            if (image.Transparent && image.Transparent(x, row))
                line[static_cast<std::size_t>(x / 8)] =
                    static_cast<char>(static_cast<unsigned char>(line[x / 8]) | (0x80 >> (x % 8)));
        out += line;
    }
    return out;
}

AnsiString MakeIco(const std::vector<TestIconImage>& images)
{
    AnsiString header;
    PutWord(header, 0);
    PutWord(header, 1);
    PutWord(header, static_cast<unsigned>(images.size()));
    AnsiString data;
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const TestIconImage& image : images) {
        AnsiString bytes = IconImageBytes(image);
        header.push_back(static_cast<char>(image.Width & 0xFF));
        header.push_back(static_cast<char>(image.Height & 0xFF));
        header.push_back(static_cast<char>(image.ColorCountByte));
        header.push_back(0);
        PutWord(header, 1);
        PutWord(header, static_cast<unsigned>(image.Bits));
        PutDword(header, static_cast<std::uint32_t>(bytes.size()));
        PutDword(header, offset + static_cast<std::uint32_t>(data.size()));
        data += bytes;
    }
    return header + data;
}

TestIconImage EightBitIcon32()
{
    TestIconImage image;
    image.Width = image.Height = 32;
    image.Bits = 8;
    image.ColorCountByte = 0;
    for (std::uint32_t i = 0; i < 256; ++i)
        image.Palette.push_back(i << 16 | (255 - i) << 8 | ((i * 7) & 0xFF));
    image.PixelIndex = [](int x, int y) { return (x * 8 + y) & 0xFF; };
    image.Transparent = [](int x, int y) { return x < 4 && y < 6; };
    return image;
}

TestIconImage FlatIcon(int size, int bits, std::uint32_t colour)
{
    TestIconImage image;
    image.Width = image.Height = size;
    image.Bits = bits;
    image.ColorCountByte = bits == 4 ? 16 : bits == 1 ? 2 : 0;
    if (bits <= 8) {
        image.Palette.assign(std::size_t(1) << bits, 0);
        image.Palette[1] = colour;
        image.PixelIndex = [](int, int) { return 1; };
    } else {
        image.PixelColour = [colour](int, int) { return colour; };
    }
    return image;
}

std::vector<std::uint32_t> DrawIconPixels(HICON icon, int width, int height, std::uint32_t background)
{
    BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, dib);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i)
        pixels[i] = background;
    DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<std::uint32_t> result(pixels, pixels + width * height);
    for (auto& p : result)
        p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
    return result;
}

std::uint32_t ExpectedPixel(const TestIconImage& image, int x, int y, std::uint32_t background)
{
    std::uint32_t colour =
        image.Bits <= 8 ? image.Palette[static_cast<std::size_t>(image.PixelIndex(x, y))] : image.PixelColour(x, y);
    // Where the mask is set the screen stays and the colour is combined into it by
    // exclusive or: black leaves it as it was.
    if (image.Transparent && image.Transparent(x, y))
        return background ^ colour;
    return colour;
}
