// Moves the pixels of a colour DIB section into a screen bitmap of the same size
// through 32-bit rows, a band of rows at a time.
#pragma once

#include <windows.h>

// The pixels a SRCCOPY blit of the whole of source onto target gives, when source is
// a 24-bit DIB section and target a 32-bit device-dependent bitmap of the same size
// (the clipboard's copy of a decoded photo). The system converts 24-bit rows to
// 32-bit ones quickly when it reads or writes bits, but slowly when it blits between
// the two formats. Neither bitmap may be selected into a device context. Returns
// false when the pair is not of that form or a band could not be moved; the caller
// then blits, which overwrites every pixel.
bool CopyRowsInBands(HDC screen, HBITMAP source, const DIBSECTION& from, HBITMAP target);
