// Icon files made by the tests: images whose every pixel and mask bit is known, so
// that what the system icon draws can be checked pixel by pixel.
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>
#include <functional>
#include <vector>

#include <windows.h>

struct TestIconImage {
    int Width = 32;
    int Height = 32;
    int Bits = 8;                    // 1, 4, 8, 24 or 32
    std::uint8_t ColorCountByte = 0; // what the directory entry claims
    // Colour of a pixel (x, y from the top-left), as 0x00RRGGBB. For palette images
    // the colour is looked up in Palette by PixelIndex instead.
    std::function<std::uint32_t(int x, int y)> PixelColour;
    std::function<int(int x, int y)> PixelIndex;
    std::vector<std::uint32_t> Palette;            // 0x00RRGGBB, 2^Bits entries for palette images
    std::function<bool(int x, int y)> Transparent; // mask bit 1
};

// The image data of one entry: header (height doubled), colour table, rows, mask.
AnsiString IconImageBytes(const TestIconImage& image);
// A whole icon file of type 1 with the images in the given order.
AnsiString MakeIco(const std::vector<TestIconImage>& images);

// The 32 x 32, 8 bits per pixel icon the main window stores: 2238 bytes.
TestIconImage EightBitIcon32();
// A 16-colour image of the given size filled with one palette colour.
TestIconImage FlatIcon(int size, int bits, std::uint32_t colour);

// Draws an icon with DrawIconEx at (0, 0) on a 32-bit top-down DIB of the given
// size filled with the background colour; returns the pixels as 0x00RRGGBB.
std::vector<std::uint32_t> DrawIconPixels(HICON icon, int width, int height, std::uint32_t background);

// The colour a test image shows at (x, y) drawn over the background: where the mask
// is set, the background combined with the colour by exclusive or.
std::uint32_t ExpectedPixel(const TestIconImage& image, int x, int y, std::uint32_t background);
