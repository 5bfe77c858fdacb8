// What this process holds of the system's resources: GDI objects, USER objects,
// kernel handles and private memory. One sample is cheap enough to take every
// hundred ticks; the soak and the idle figures both count with it.
#pragma once

#include <cstdint>

struct ResourceCounts {
    // GDI objects of this process: bitmaps, brushes, pens, fonts, palettes, regions,
    // device contexts, stock objects included.
    long gdiObjects = 0;
    // USER objects of this process: windows (message-only and hidden ones included),
    // menus, icons and cursors.
    long userObjects = 0;
    // Open kernel handles: GetProcessHandleCount, or where that gives 0 (Wine) the
    // handle values that GetHandleInformation accepts.
    long handles = 0;
    // Private bytes as the system reports them (GetProcessMemoryInfo PrivateUsage;
    // Wine keeps no such count and reports 0).
    std::uint64_t privateUsage = 0;
    // Committed private pages, added up region by region (VirtualQuery): the same
    // quantity measured without the system's counters.
    std::uint64_t committedPrivate = 0;
    // How the GDI and USER objects were counted: "GetGuiResources" where the system
    // keeps the count, "table probe" where it does not (Wine returns 0).
    const char* gdiMethod = "";
    const char* userMethod = "";
    const char* handleMethod = "";
};

ResourceCounts CountResources();

// GDI objects found by asking the system for the type of every handle index
// (GetObjectType on 0x0001 to 0xFFFF): a live object answers with its type.
long ProbeGdiObjects();
// USER objects found by probing every user handle index (0x0020, 0x0022, ... 0xFFEE)
// as a window of this process (IsWindow, owner process), a menu (IsMenu) and an icon
// or cursor (the system's frame query for cursors).
long ProbeUserObjects();
// Open handles found by asking for the flags of every handle value from 4 on, until
// 4 096 slots in a row are free.
long ProbeHandles();
// Committed private memory of the process, region by region.
std::uint64_t CommittedPrivateBytes();
