// The photos of the soak, one small JPEG for each minute of the day, and the check
// that the bitmap file a tick handed to the wallpaper call shows the photo.
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>
#include <vector>

class TempFolder;

// "sv_soak_HHMM.jpg" for the minute of the day (0 to 1439).
AnsiString SoakPhotoName(int minute);
// Writes the photos of minutes 0 to count - 1: each shows its own time over the sky
// of its hour, at a size that varies with the minute (96 to 160 x 72 to 96 pixels).
// Every seventh minute also gets a second photo that sorts after the first
// ("sv_zz_HHMM.jpg", showing another time): the tick must take the first.
void WriteSoakPhotos(const TempFolder& folder, int count);

// Pixels as blue, green, red bytes, rows top to bottom, without padding.
struct BgrImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// The JPEG file's bytes decoded by the JPEG library with its default settings;
// false when the bytes do not decode.
bool DecodeJpegReference(const AnsiString& bytes, BgrImage& image);
// The pixels of an uncompressed BMP file of 24 or 32 bits per pixel (rows bottom-up
// or top-down); false when the bytes are no such file or are cut short.
bool ReadBmpPixels(const AnsiString& bytes, BgrImage& image);

// Empty when the images have the same size and no channel of any pixel differs by
// more than the tolerance; else what differs.
AnsiString CompareImages(const BgrImage& expected, const BgrImage& actual, int tolerance);
