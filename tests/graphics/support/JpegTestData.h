// The JPEG files of tests/data (made by tests/data/make-jpegs.sh) and helpers to
// look at decoded pixels.
#pragma once

#include "runtime/AnsiString.h"

#include <windows.h>

// The bytes of a file in tests/data, read through Wine's drive for the Linux root.
AnsiString JpegTestFile(const AnsiString& name);

// A BMP file of a small 24-bit picture.
AnsiString SmallBmpFile();

// Colour of a pixel of a 24-bit or 8-bit DIB section (through its colour table).
COLORREF DibPixel(HBITMAP dib, int x, int y);

// True when each of red, green and blue differ by at most the tolerance.
bool CloseColor(COLORREF a, COLORREF b, int tolerance);
