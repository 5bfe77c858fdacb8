// Running make-photos.exe as a process, and the pictures its tests feed it and read
// back.
#pragma once

#include "runtime/AnsiString.h"

#include <memory>
#include <vector>

#include <windows.h>

class TBitmap;

struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    AnsiString out;
    AnsiString err;
};

// Runs the tool with the arguments (quoted as needed) and waits for it; its output
// goes through files in the scratch folder.
ToolRun RunMakePhotos(const std::vector<AnsiString>& args, const AnsiString& scratch);

// Writes a picture of one colour, as a JPEG or a BMP by the name's extension.
void WritePicture(const AnsiString& path, int width, int height, COLORREF color);
// The bytes of a BMP file made by hand, for the kinds the picture classes do not
// write: the pixels as they stand in the file (rows padded, or run-length data),
// colours of the palette as RGB; an OS/2 file has the short header and three-byte
// palette entries.
AnsiString BmpBytes(int width, int height, int bits, const std::vector<COLORREF>& palette, const AnsiString& pixels,
    DWORD compression = BI_RGB, bool os2 = false);
// Reads a JPEG or BMP back through the picture classes.
std::unique_ptr<TBitmap> ReadBack(const AnsiString& path);
// The colour in the middle of the picture.
COLORREF MiddleColor(TBitmap& bitmap);
// True when the two colours differ in no channel by more than the tolerance.
bool NearColor(COLORREF a, COLORREF b, int tolerance = 24);

// The ordinary files in the folder matching the pattern, found the way the program's
// file list finds them.
std::vector<AnsiString> Matching(const AnsiString& folder, const AnsiString& pattern);
