// Directory search with an attribute filter, and the existence, age, current-folder
// and delete operations on single files.
#pragma once

#include "runtime/AnsiString.h"

#include <windows.h>

// Attribute bits of a search entry.
enum : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

// One running search. Owns the platform's search handle until EndSearch.
struct TSearchRec {
    int Time = 0;        // last write, local time, packed FAT date (high) and time (low)
    int Size = 0;        // low 32 bits of the size
    int Attr = 0;        // the entry's attribute bits
    AnsiString Name;     // as the file system stores it
    int ExcludeAttr = 0; // attribute bits that make an entry skipped
    HANDLE FindHandle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA FindData {};

    TSearchRec() = default;
    TSearchRec(const TSearchRec&) = delete;
    TSearchRec& operator=(const TSearchRec&) = delete;
    ~TSearchRec();
};

// Starts a search; 0 when an entry was found, else the platform's error code (and
// nothing is left open). Hidden, system, volume-label and folder entries are skipped
// unless their bit is among the attributes; read-only and archive entries never are.
int FindFirstEntry(const AnsiString& pattern, int attributes, TSearchRec& record);
// The next matching entry: 0, or the platform's error code.
int FindNextEntry(TSearchRec& record);
// Closes the search; a second call does nothing.
void EndSearch(TSearchRec& record);

// Packed local date and time of the first entry matching the name, -1 when there is
// none, it is a folder, or the time cannot be converted.
int FileAge(const AnsiString& name);
bool FileExists(const AnsiString& name);
bool FolderExists(const AnsiString& name);

AnsiString GetCurrentFolder();
// Raises EInOutError with the text for the system's error code on failure.
void ChangeCurrentFolder(const AnsiString& path);

// True when the file was deleted.
bool RemoveFile(const AnsiString& name);
