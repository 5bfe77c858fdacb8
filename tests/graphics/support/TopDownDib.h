// The format in which the tests read pixels back: 32 bits a pixel, rows from the top.
#pragma once

#include <windows.h>

inline BITMAPINFO TopDown32BitInfo(int width, int height)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}
