// The command line of the second mode: make-photos.exe --from SOURCE DEST [options].
#pragma once

#include "runtime/AnsiString.h"

#include <optional>

struct PhotoOptions {
    AnsiString source; // folder of the user's pictures, without a trailing separator
    AnsiString dest;   // folder the photo set is written to
    int every = 1;     // minutes between two photos, 1 to 1440
    int width = 0;     // fit inside width x height; 0: keep the picture's size
    int height = 0;
    bool clock = false; // draw HH:MM in a corner
    bool force = false; // replace existing files
};

// Largest side --size accepts: a bitmap this large still fits the memory of a 32-bit
// process.
constexpr int MaxPhotoSide = 8192;

// The options of "--from SOURCE DEST [--every MINUTES] [--size WxH] [--clock]
// [--force]" (args without the program's name; options in any order after the two
// folders). None for anything malformed, unknown or out of range, and for --clock
// with photos further apart than a minute (the time drawn would be wrong between
// them); problem then gets what was wrong and what is allowed, when there is more to
// say than the usage.
std::optional<PhotoOptions> ParsePhotoOptions(int count, const char* const* args, AnsiString* problem = nullptr);

// A folder name without trailing separators (a drive root keeps its own).
AnsiString TrimFolder(AnsiString folder);

// Empty when the folder exists; otherwise "no such folder", "not a folder" (a file of
// that name) or the system's reason (a path too long, no access).
AnsiString FolderProblem(const AnsiString& folder);
