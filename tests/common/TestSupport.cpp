#include "common/TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

void RemoveTree(const AnsiString& path)
{
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA((path + "\\*").c_str(), &data);
    if (handle != INVALID_HANDLE_VALUE) {
        do {
            AnsiString name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            AnsiString child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(handle, &data));
        FindClose(handle);
    }
    RemoveDirectoryA(path.c_str());
}

}

TempFolder::TempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static unsigned counter = 0;
    for (;;) {
        m_path = AnsiString(base) + "svtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        if (CreateDirectoryA(m_path.c_str(), nullptr))
            break;
    }
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

AnsiString TempFolder::Write(const AnsiString& name, const AnsiString& bytes, DWORD attributes) const
{
    AnsiString path = *this / name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    if (attributes != FILE_ATTRIBUTE_NORMAL)
        SetFileAttributesA(path.c_str(), attributes);
    return path;
}

AnsiString TempFolder::MakeFolder(const AnsiString& name, DWORD attributes) const
{
    AnsiString path = *this / name;
    CreateDirectoryA(path.c_str(), nullptr);
    if (attributes != FILE_ATTRIBUTE_DIRECTORY)
        SetFileAttributesA(path.c_str(), attributes);
    return path;
}

AnsiString ReadFileBytes(const AnsiString& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    AnsiString bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::vector<AnsiString> FolderEntries(const AnsiString& folder)
{
    std::vector<AnsiString> names;
    WIN32_FIND_DATAA entry {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        AnsiString name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool StartProcess(AnsiString command, bool inheritHandles, STARTUPINFOA& startup, PROCESS_INFORMATION& process)
{
    constexpr int tries = 3;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(
                nullptr, command.data(), nullptr, nullptr, inheritHandles, 0, nullptr, nullptr, &startup, &process))
            return true;
        const DWORD error = GetLastError();
        std::fprintf(stderr, "did not start (error %lu)%s: %s\n", static_cast<unsigned long>(error),
            attempt < tries ? ", trying again" : "", command.c_str());
        if (attempt == tries) {
            SetLastError(error);
            return false;
        }
        Sleep(1000);
    }
}

bool SystemKeepsTemporaryAttribute()
{
    TempFolder folder;
    AnsiString path = folder / "probe.tmp";
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_TEMPORARY) != 0;
}
