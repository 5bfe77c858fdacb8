// The user's pictures: the JPEG and BMP files of one folder, and reading one of them
// into a bitmap through the program's picture classes.
#pragma once

#include "runtime/AnsiString.h"

#include <memory>
#include <vector>

class TBitmap;

struct SourcePicture {
    AnsiString name; // file name inside the folder
    AnsiString stem; // the name without its extension
};

// True for names ending in .jpg, .jpeg or .bmp, in any letter case.
bool IsPictureName(const AnsiString& name);
// Case-blind name order (ASCII letters folded, double-byte characters compared as
// they are); names equal but for case keep a fixed order.
bool NameBefore(const AnsiString& a, const AnsiString& b);
// What else a folder of pictures holds: the files that are not JPEG or BMP pictures
// and the sub-folders, both in name order.
struct OtherEntries {
    std::vector<AnsiString> files;
    std::vector<AnsiString> folders;
};

// The pictures directly in the folder (not in its sub-folders), in name order; the
// other entries go to others when given.
std::vector<SourcePicture> ListPictures(const AnsiString& folder, OtherEntries* others = nullptr);

// Reads the file and decodes it. Quick decodes a JPEG at an eighth of its size, which
// still reads all of its data: enough to know that it can be read. Raises the
// picture's error (unknown format, unreadable file, damaged data, empty picture).
std::unique_ptr<TBitmap> ReadPicture(const AnsiString& path, bool quick);
