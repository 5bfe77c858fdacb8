// JPEG files made with the JPEG library itself, as other programs write them.
#pragma once

#include "runtime/AnsiString.h"

#include <vector>

// Encodes the picture whose samples are given row by row from the top, components
// bytes a pixel in the colour space (the library's J_COLOR_SPACE); a quality below 0
// keeps the library's default.
AnsiString EncodeJpeg(
    int width, int height, int components, int colorSpace, const std::vector<unsigned char>& samples, int quality = -1);
