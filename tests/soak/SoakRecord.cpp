#include "soak/SoakRecord.h"

namespace {

void Judge(std::vector<AnsiString>& excess, int tick, const char* what, long long grown, long long limit)
{
    if (grown > limit) {
        char text[160];
        std::snprintf(text, sizeof text, "%s grew by %lld (limit %lld) by tick %d", what, grown, limit, tick);
        excess.push_back(text);
    }
}

}

std::vector<AnsiString> GrowthBeyondLimits(const std::vector<SoakSample>& samples, const GrowthLimits& limits)
{
    std::vector<AnsiString> excess;
    const SoakSample* base = nullptr;
    for (const SoakSample& sample : samples) {
        if (sample.tick < limits.warmUpTicks)
            continue;
        if (!base) {
            base = &sample;
            continue;
        }
        const ResourceCounts& now = sample.counts;
        const ResourceCounts& then = base->counts;
        Judge(excess, sample.tick, "GDI objects", now.gdiObjects - then.gdiObjects, limits.gdiObjects);
        Judge(excess, sample.tick, "USER objects", now.userObjects - then.userObjects, limits.userObjects);
        Judge(excess, sample.tick, "handles", now.handles - then.handles, limits.handles);
        const auto memoryLimit = static_cast<long long>(limits.memoryBytes)
            + static_cast<long long>(limits.platformBytesPerTick * (sample.tick - base->tick));
        Judge(excess, sample.tick, "private usage (bytes)",
            static_cast<long long>(now.privateUsage) - static_cast<long long>(then.privateUsage), memoryLimit);
        Judge(excess, sample.tick, "committed private memory (bytes)",
            static_cast<long long>(now.committedPrivate) - static_cast<long long>(then.committedPrivate), memoryLimit);
        Judge(excess, sample.tick, "live C++ allocations (bytes)", sample.liveAllocatedBytes - base->liveAllocatedBytes,
            limits.liveAllocatedBytes);
    }
    return excess;
}

void PrintSoakTable(std::FILE* out, const std::vector<SoakSample>& samples, double platformBytesPerTick)
{
    std::fprintf(out,
        "| ticks | GDI objects | USER objects | handles | private usage (KiB) | committed private (KiB) "
        "| less the platform's share (KiB) | live C++ allocations (bytes) | ms per tick |\n");
    std::fprintf(out, "| ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n");
    const int firstTick = samples.empty() ? 0 : samples.front().tick;
    for (const SoakSample& sample : samples) {
        const ResourceCounts& c = sample.counts;
        const double own = static_cast<double>(c.committedPrivate) - platformBytesPerTick * (sample.tick - firstTick);
        std::fprintf(out, "| %d | %ld | %ld | %ld | %llu | %llu | %.0f | %lld | %.1f |\n", sample.tick, c.gdiObjects,
            c.userObjects, c.handles, static_cast<unsigned long long>(c.privateUsage / 1024),
            static_cast<unsigned long long>(c.committedPrivate / 1024), own / 1024,
            static_cast<long long>(sample.liveAllocatedBytes), sample.msPerTick);
    }
    std::fflush(out);
}
