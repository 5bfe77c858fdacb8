#include "graphics/BandCopy.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

bool CopyRowsInBands(HDC screen, HBITMAP source, const DIBSECTION& from, HBITMAP target)
{
    BITMAP to = {};
    if (!source || !target || !from.dsBm.bmBits || from.dsBmih.biBitCount != 24 || from.dsBmih.biCompression != BI_RGB
        || GetObjectA(target, sizeof to, &to) != static_cast<int>(sizeof to) || to.bmBits || to.bmPlanes != 1
        || to.bmBitsPixel != 32)
        return false;
    int width = to.bmWidth;
    int height = to.bmHeight;
    if (width <= 0 || height <= 0 || from.dsBm.bmWidth != width || std::abs(from.dsBm.bmHeight) != height)
        return false;

    // Bottom-up rows of the whole image, so that a band's first scan line counts
    // from the bottom for both calls, whichever way the source stores its rows.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::size_t line = static_cast<std::size_t>(width) * 4;
    int band = static_cast<int>(std::clamp<std::size_t>((std::size_t(2) << 20) / line, 1, static_cast<std::size_t>(height)));
    std::vector<std::uint8_t> rows(line * static_cast<std::size_t>(band));
    for (int first = 0; first < height; first += band) {
        UINT count = static_cast<UINT>(std::min(band, height - first));
        if (GetDIBits(screen, source, static_cast<UINT>(first), count, rows.data(), &info, DIB_RGB_COLORS)
                != static_cast<int>(count)
            || SetDIBits(screen, target, static_cast<UINT>(first), count, rows.data(), &info, DIB_RGB_COLORS)
                != static_cast<int>(count))
            return false;
    }
    return true;
}
