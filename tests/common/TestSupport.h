// Helpers shared by the test executables: scratch folders and files on the Windows
// side, and running a check inside another thread's or a modal loop's time.
#pragma once

#include "runtime/AnsiString.h"

#include <vector>
#include <windows.h>

// A fresh folder under the system's temporary folder, removed with all it holds when
// the object goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const AnsiString& Path() const { return m_path; }
    // Path of an entry inside the folder.
    AnsiString operator/(const AnsiString& name) const { return m_path + "\\" + name; }
    // Writes a file with the given bytes and attributes; returns its path.
    AnsiString Write(
        const AnsiString& name, const AnsiString& bytes = {}, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    AnsiString MakeFolder(const AnsiString& name, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY) const;

private:
    AnsiString m_path;
};

// The names of a folder's entries, files and folders alike, without "." and "..", in
// byte order; empty when the folder cannot be read.
std::vector<AnsiString> FolderEntries(const AnsiString& folder);

// The whole content of a file, or an empty string when it cannot be read.
AnsiString ReadFileBytes(const AnsiString& path);

// Starts a process as CreateProcessA does. Under Wine a start now and then fails on a
// loaded machine and works when tried again (seen on CI): it is tried three times, a
// second apart, each failure printed with the system's error code. False when no try
// worked, with the last error code left for GetLastError.
bool StartProcess(AnsiString command, bool inheritHandles, STARTUPINFOA& startup, PROCESS_INFORMATION& process);

// Whether files of this system keep FILE_ATTRIBUTE_TEMPORARY when created with it
// (Wine keeps only the hidden and system attributes of its own).
bool SystemKeepsTemporaryAttribute();
