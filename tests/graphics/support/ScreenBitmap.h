// Makes a screen-compatible bitmap the way the clipboard does: the source's
// device-dependent copy, read into another bitmap.
#pragma once

#include "graphics/Bitmap.h"

inline void LoadScreenCopy(TBitmap& source, TBitmap& target)
{
    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    source.SaveClipboardData(format, data, palette);
    target.LoadClipboardData(format, data, palette);
    DeleteObject(data);
    if (palette)
        DeleteObject(palette);
}
