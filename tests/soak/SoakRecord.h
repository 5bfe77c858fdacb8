// The soak's record: what the process held after so many ticks, and the judgement
// whether anything grew after the warm-up.
#pragma once

#include "ResourceCounts.h"
#include "runtime/AnsiString.h"

#include <cstdint>
#include <cstdio>
#include <vector>

struct SoakSample {
    int tick = 0; // ticks run before the sample
    ResourceCounts counts;
    double msPerTick = 0;                // mean over the ticks since the previous sample
    std::int64_t liveAllocatedBytes = 0; // operator new's blocks not yet deleted
};

// Growth allowed after the warm-up, compared with the first sample taken once the
// warm-up ticks have run. Memory is judged on both private measures.
struct GrowthLimits {
    int warmUpTicks = 100;
    // The program's objects are made and deleted within a tick or kept one per
    // picture: after the warm-up their number does not move at all, so one object
    // leaked once a day (a photo of one minute) must already fail.
    long gdiObjects = 0;
    long userObjects = 0;
    // The system's threads may open a handle of their own now and then.
    long handles = 2;
    std::uint64_t memoryBytes = 1024 * 1024;
    // Bytes of C++ allocations still live: counted exactly and holding none of the
    // platform's, so a leak of a few bytes a tick shows long before a megabyte of pages.
    std::int64_t liveAllocatedBytes = 1024;
    // What the platform itself keeps per tick, measured apart in the same run with the
    // bare platform calls (Wine keeps about 1 KB for every GetClipboardData of a
    // bitmap): allowed on top of the limit for every tick after the baseline.
    double platformBytesPerTick = 0;
};

// One text per sample and measure that grew beyond its limit; empty when none did.
std::vector<AnsiString> GrowthBeyondLimits(const std::vector<SoakSample>& samples, const GrowthLimits& limits);

// The samples as a markdown table; the last column is the committed private memory
// less the platform's own share since the first sample.
void PrintSoakTable(std::FILE* out, const std::vector<SoakSample>& samples, double platformBytesPerTick);
