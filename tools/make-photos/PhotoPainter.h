// Draws one sample photo: the time of day in large digits over a sky whose colours
// follow the hours (night, dawn, day, dusk).
#pragma once

#include <memory>

class TBitmap;

constexpr int PhotoWidth = 800;
constexpr int PhotoHeight = 600;

// A 24-bit bitmap showing HH:MM for the minute of the day (0 to 1439).
std::unique_ptr<TBitmap> PaintPhoto(int minuteOfDay);
