// Making one photo of a set from a picture: fitting it to a size, drawing the minute's
// clock in its corner, and writing it as a JPEG file.
#pragma once

#include "runtime/AnsiString.h"

#include <memory>

#include <windows.h>

class TBitmap;
class TJPEGImage;

// The largest size with the picture's aspect that fits inside the box (at least one
// pixel each way); the picture's own size when the box is 0 x 0.
SIZE FitSize(int width, int height, int boxWidth, int boxHeight);

// A 24-bit copy of the picture at the given size, stretched with halftone filtering.
std::unique_ptr<TBitmap> ScaledCopy(TBitmap& picture, SIZE size);

// Where the clock goes: the bottom-right corner of a photo of that size.
RECT ClockCorner(int width, int height);
// Draws the text in white with a dark outline inside the clock corner, so that it
// reads on light and dark pictures alike.
void DrawClock(TBitmap& photo, const AnsiString& text);

// Writes the JPEG image (a bitmap assigned to it is encoded on its first save and the
// same bytes serve every later one); raises the save error. Returns the size of the
// file written.
long long WriteJpeg(TJPEGImage& jpeg, const AnsiString& path);
