#include "MinutePlan.h"

#include <algorithm>
#include <cstdio>

int StepsPerDay(int every) { return every > 0 ? (MinutesPerDay + every - 1) / every : 0; }

namespace {

// Where each of so many runs starts when they share the steps evenly (a larger share to
// the first ones when the steps do not divide evenly); one more bound for the end.
std::vector<int> EvenBounds(int steps, int count)
{
    std::vector<int> bounds(count + 1, 0);
    const int share = count ? steps / count : 0;
    const int extra = count ? steps % count : 0;
    for (int i = 0; i <= count; ++i)
        bounds[i] = i * share + std::min(i, extra);
    return bounds;
}

}

std::vector<MinuteRun> PlanRuns(int steps, const std::vector<bool>& readable)
{
    std::vector<MinuteRun> runs(readable.size());
    const int pictures = static_cast<int>(readable.size());
    std::vector<int> good;
    for (int i = 0; i < pictures; ++i) {
        if (readable[i])
            good.push_back(i);
    }

    // With more pictures than steps a share is one step or none, and handing an
    // unreadable picture's step to a neighbour would give it two while a later
    // readable picture goes without: the readable ones share the steps among
    // themselves instead.
    if (pictures > steps) {
        std::vector<int> bounds = EvenBounds(steps, static_cast<int>(good.size()));
        for (std::size_t k = 0; k < good.size(); ++k)
            runs[good[k]] = { bounds[k], bounds[k + 1] - bounds[k] };
        return runs;
    }

    // Even shares over every picture first, as if all could be read. Each readable
    // picture keeps its own share and takes over half of the gap of unreadable
    // pictures on either side of it.
    std::vector<int> bounds = EvenBounds(steps, pictures);
    for (std::size_t k = 0; k < good.size(); ++k) {
        int i = good[k];
        int start;
        if (k == 0) {
            start = 0;
        } else {
            int gapStart = bounds[good[k - 1] + 1];
            int gapEnd = bounds[i];
            start = gapStart + (gapEnd - gapStart + 1) / 2;
        }
        int end;
        if (k + 1 == good.size()) {
            end = steps;
        } else {
            int gapStart = bounds[i + 1];
            int gapEnd = bounds[good[k + 1]];
            end = gapStart + (gapEnd - gapStart + 1) / 2;
        }
        runs[i] = { start, end - start };
    }
    return runs;
}

AnsiString SafeStem(const AnsiString& stem)
{
    AnsiString safe = stem;
    for (std::size_t i = 0; i + 4 < safe.size(); ++i) {
        if (safe[i] != '_' || ByteKindAt(safe, i) != ByteKind::Single)
            continue;
        bool stamp = true;
        for (std::size_t k = i + 1; k <= i + 4; ++k)
            stamp = stamp && safe[k] >= '0' && safe[k] <= '9';
        if (stamp)
            safe[i] = '-';
    }
    return safe;
}

bool IsPhotoName(const AnsiString& name)
{
    const AnsiString lower = AnsiLowerCase(name);
    const std::size_t prefix = 3; // "sv_"
    const std::size_t suffix = 4; // ".jpg"
    if (lower.size() < prefix + 5 + suffix || lower.compare(0, prefix, "sv_") != 0
        || lower.compare(lower.size() - suffix, suffix, ".jpg") != 0)
        return false;
    auto digit = [&](std::size_t i) { return lower[i] >= '0' && lower[i] <= '9' ? lower[i] - '0' : -1; };
    for (std::size_t i = prefix; i + 5 + suffix <= lower.size(); ++i) {
        if (lower[i] != '_' || ByteKindAt(lower, i) != ByteKind::Single)
            continue;
        const int h1 = digit(i + 1), h2 = digit(i + 2), m1 = digit(i + 3), m2 = digit(i + 4);
        if (h1 >= 0 && h2 >= 0 && m1 >= 0 && m2 >= 0 && h1 * 10 + h2 < 24 && m1 < 6)
            return true;
    }
    return false;
}

AnsiString PhotoFileName(const AnsiString& stem, int minuteOfDay)
{
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "_%02d%02d.jpg", minuteOfDay / 60 % 24, minuteOfDay % 60);
    return "sv_" + stem + stamp;
}

AnsiString ClockText(int minuteOfDay)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minuteOfDay / 60 % 24, minuteOfDay % 60);
    return text;
}
