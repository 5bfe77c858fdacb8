#include "files/FileSearch.h"

#include "runtime/Exceptions.h"

namespace {

// Skips entries with an excluded attribute bit; fills the record from the first
// entry that passes. 0 or the platform's error code.
int FindMatchingEntry(TSearchRec& record)
{
    while (record.FindData.dwFileAttributes & static_cast<DWORD>(record.ExcludeAttr)) {
        if (!FindNextFileA(record.FindHandle, &record.FindData))
            return static_cast<int>(GetLastError());
    }
    FILETIME local {};
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&record.FindData.ftLastWriteTime, &local)
        || !FileTimeToDosDateTime(&local, &date, &time)) {
        date = 0;
        time = 0;
    }
    record.Time = static_cast<int>((static_cast<DWORD>(date) << 16) | time);
    record.Size = static_cast<int>(record.FindData.nFileSizeLow);
    record.Attr = static_cast<int>(record.FindData.dwFileAttributes);
    record.Name = record.FindData.cFileName;
    return 0;
}

}

TSearchRec::~TSearchRec() { EndSearch(*this); }

int FindFirstEntry(const AnsiString& pattern, int attributes, TSearchRec& record)
{
    EndSearch(record);
    record.Attr = 0;
    record.ExcludeAttr = ~attributes & (faHidden | faSysFile | faVolumeID | faDirectory);
    record.FindHandle = FindFirstFileA(pattern.c_str(), &record.FindData);
    if (record.FindHandle == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    int result = FindMatchingEntry(record);
    if (result != 0)
        EndSearch(record);
    return result;
}

int FindNextEntry(TSearchRec& record)
{
    if (record.FindHandle == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    if (!FindNextFileA(record.FindHandle, &record.FindData))
        return static_cast<int>(GetLastError());
    return FindMatchingEntry(record);
}

void EndSearch(TSearchRec& record)
{
    if (record.FindHandle != INVALID_HANDLE_VALUE) {
        FindClose(record.FindHandle);
        record.FindHandle = INVALID_HANDLE_VALUE;
    }
}

int FileAge(const AnsiString& name)
{
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA(name.c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    FindClose(handle);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return -1;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return static_cast<int>((static_cast<DWORD>(date) << 16) | time);
}

bool FileExists(const AnsiString& name) { return FileAge(name) != -1; }

bool FolderExists(const AnsiString& name)
{
    DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

AnsiString GetCurrentFolder()
{
    char buffer[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer)
        return {};
    return AnsiString(buffer, length);
}

void ChangeCurrentFolder(const AnsiString& path)
{
    if (!SetCurrentDirectoryA(path.c_str())) {
        InOutResult() = static_cast<int>(GetLastError());
        RaiseInOutError(InOutResult());
    }
}

bool RemoveFile(const AnsiString& name) { return DeleteFileA(name.c_str()) != 0; }
