#include "ResourceCounts.h"

#include <windows.h>
#include <psapi.h>

namespace {

// The user handle indices the system hands out: even values from 0x0020 on.
constexpr unsigned FirstUserHandle = 0x0020;
constexpr unsigned LastUserHandle = 0xFFEE;

// user32's cursor frame query: the frame's cursor for a live icon or cursor, none
// for anything else. It creates nothing (unlike GetIconInfo, which makes bitmaps).
using CursorFrameQuery = HCURSOR(WINAPI*)(HCURSOR, DWORD, DWORD, DWORD*, DWORD*);

CursorFrameQuery FindCursorFrameQuery()
{
    HMODULE user = GetModuleHandleA("user32.dll");
    return user
        ? reinterpret_cast<CursorFrameQuery>(reinterpret_cast<void*>(GetProcAddress(user, "GetCursorFrameInfo")))
        : nullptr;
}

bool IsOwnWindow(HWND window)
{
    if (!IsWindow(window))
        return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

bool IsLiveIcon(CursorFrameQuery query, HANDLE handle)
{
    if (query) {
        DWORD rate = 0, steps = 0;
        return query(static_cast<HCURSOR>(handle), 0, 0, &rate, &steps) != nullptr;
    }
    ICONINFO info {};
    if (!GetIconInfo(static_cast<HICON>(handle), &info))
        return false;
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    return true;
}

}

long ProbeGdiObjects()
{
    long count = 0;
    for (ULONG_PTR index = 1; index <= 0xFFFF; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0)
            ++count;
    }
    return count;
}

long ProbeUserObjects()
{
    CursorFrameQuery query = FindCursorFrameQuery();
    long count = 0;
    for (ULONG_PTR value = FirstUserHandle; value <= LastUserHandle; value += 2) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        if (IsMenu(static_cast<HMENU>(handle)) || IsLiveIcon(query, handle) || IsOwnWindow(static_cast<HWND>(handle)))
            ++count;
    }
    return count;
}

long ProbeHandles()
{
    // Handle values are multiples of four handed out from the lowest free slot; a long
    // run of free slots means the table ends.
    constexpr ULONG_PTR GapThatEndsTheTable = 4096;
    long count = 0;
    ULONG_PTR lastLive = 0;
    for (ULONG_PTR value = 4; value - lastLive <= 4 * GapThatEndsTheTable; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            lastLive = value;
        }
    }
    return count;
}

std::uint64_t CommittedPrivateBytes()
{
    std::uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region {};
    const char* at = nullptr;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

ResourceCounts CountResources()
{
    ResourceCounts counts;
    HANDLE process = GetCurrentProcess();

    // USER first: the fallback icon query makes (and deletes) bitmaps.
    if (DWORD user = GetGuiResources(process, GR_USEROBJECTS)) {
        counts.userObjects = static_cast<long>(user);
        counts.userMethod = "GetGuiResources";
    } else {
        counts.userObjects = ProbeUserObjects();
        counts.userMethod = "table probe";
    }
    if (DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS)) {
        counts.gdiObjects = static_cast<long>(gdi);
        counts.gdiMethod = "GetGuiResources";
    } else {
        counts.gdiObjects = ProbeGdiObjects();
        counts.gdiMethod = "table probe";
    }

    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles != 0) {
        counts.handles = static_cast<long>(handles);
        counts.handleMethod = "GetProcessHandleCount";
    } else {
        counts.handles = ProbeHandles();
        counts.handleMethod = "table probe";
    }

    PROCESS_MEMORY_COUNTERS_EX memory {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        counts.privateUsage = memory.PrivateUsage;
    counts.committedPrivate = CommittedPrivateBytes();
    return counts;
}
