// What operator new has handed out in the soak's program and not yet taken back,
// to the byte: every C++ allocation of the wallpaper clock's code and of the test.
// The heap commits and keeps pages in steps of many kilobytes, so a leak of a few
// hundred bytes a tick hides in the committed memory for days; here it shows at once.
// The platform's own allocations (its heaps, the wineserver) are not in it.
#pragma once

#include <cstdint>

std::int64_t LiveAllocatedBytes();
