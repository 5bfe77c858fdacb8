#include "graphics/support/JpegTestData.h"

#include "common/TestSupport.h"

#include <cstdlib>

AnsiString JpegTestFile(const AnsiString& name)
{
    AnsiString folder = __FILE__; // .../tests/graphics/support/JpegTestData.cpp
    for (int up = 0; up < 3; ++up)
        folder = folder.substr(0, folder.find_last_of("/\\"));
    folder += "/data/" + name;
    AnsiString path = folder[0] == '/' ? "Z:" + folder : folder;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return ReadFileBytes(path);
}

AnsiString SmallBmpFile()
{
    const int width = 4, height = 2, stride = 12;
    BITMAPFILEHEADER file {};
    BITMAPINFOHEADER info {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + stride * height;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    AnsiString bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(stride * height, '\x40');
    return bytes;
}

COLORREF DibPixel(HBITMAP dib, int x, int y)
{
    DIBSECTION ds {};
    if (GetObjectA(dib, sizeof(ds), &ds) != sizeof(ds))
        return CLR_INVALID;
    const BITMAPINFOHEADER& h = ds.dsBmih;
    int stride = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
    int line = h.biHeight > 0 ? h.biHeight - 1 - y : y;
    auto* row = static_cast<const BYTE*>(ds.dsBm.bmBits) + line * stride;
    if (h.biBitCount == 24 || h.biBitCount == 32) {
        const BYTE* p = row + x * (h.biBitCount / 8);
        return RGB(p[2], p[1], p[0]);
    }
    if (h.biBitCount == 8) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, dib);
        RGBQUAD entry {};
        GetDIBColorTable(dc, row[x], 1, &entry);
        SelectObject(dc, old);
        DeleteDC(dc);
        return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
    }
    return CLR_INVALID;
}

bool CloseColor(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance
        && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}
