// Pictures of one colour, the plainest test input of the drawing code.
#pragma once

#include "graphics/Colors.h"

class TBitmap;

// Gives the bitmap the size and paints all of it in the colour with its canvas's
// brush, which keeps that colour; the pixel format stays the bitmap's own.
void PaintSolid(TBitmap& bitmap, int width, int height, TColor color);
