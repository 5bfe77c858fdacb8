// The third mode of make-photos: what the wallpaper clock will do with a photo folder
// at each minute of the day, found the way the program finds it.
#pragma once

#include "runtime/AnsiString.h"

#include <cstdio>
#include <vector>

// The names the program's file list holds for a folder: for each minute of the day
// the names its minute mask finds, in the list's order (the first is the one shown),
// and every name the folder choice's "sv*" mask finds.
struct FolderListing {
    AnsiString folder;                            // as the file list spells it
    std::vector<std::vector<AnsiString>> minutes; // one entry per minute of the day
    std::vector<AnsiString> listed;               // "sv*"
};

// Lists the folder through a file list of the program's own kind, with progress lines
// on progressTo when given. Raises the file list's error when the folder cannot be
// entered.
FolderListing ListPhotoFolder(const AnsiString& folder, std::FILE* progressTo = nullptr);

// Empty when the photo reads as the minute tick reads it (loaded by its extension,
// then decoded at its full size); otherwise the text of the error box the program
// would show for it.
AnsiString PhotoProblem(const AnsiString& path);

// make-photos.exe --check FOLDER: prints the summary of the folder on out, progress on
// err. Returns 0 when every minute of the day has a photo that reads, 1 when one has
// not or the folder cannot be read.
int CheckPhotoFolder(const AnsiString& folder, std::FILE* out, std::FILE* err);
