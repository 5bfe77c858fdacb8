#include "FuzzRun.h"

#include "GuardedBuffer.h"
#include "Mutator.h"
#include "runtime/Exceptions.h"

#include <atomic>
#include <cinttypes>
#include <exception>
#include <new>

#include <windows.h>

namespace {

// The input in progress, shared with the watchdog thread and the crash handler.
struct InputInProgress {
    char text[160] = "";
    std::atomic<DWORD> startedAt { 0 };
    std::atomic<bool> busy { false };
};

InputInProgress& Progress()
{
    static InputInProgress progress;
    return progress;
}

// A thread that ends the process when one input takes longer than the limit.
class Watchdog {
public:
    Watchdog()
    {
        m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &Watchdog::Watch, this, 0, nullptr);
    }
    ~Watchdog()
    {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_stop);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* self)
    {
        auto* watchdog = static_cast<Watchdog*>(self);
        InputInProgress& progress = Progress();
        while (WaitForSingleObject(watchdog->m_stop, 100) == WAIT_TIMEOUT) {
            if (progress.busy && GetTickCount() - progress.startedAt > HangMilliseconds) {
                std::fprintf(stderr, "\nHANG: input %s ran longer than %lu ms\n", progress.text, HangMilliseconds);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 4);
            }
        }
        return 0;
    }

    HANDLE m_stop = nullptr;
    HANDLE m_thread = nullptr;
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Every target mutates its seeds differently for the same run seed.
std::uint64_t TargetSalt(const char* name)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (const char* c = name; *c; ++c)
        hash = (hash ^ static_cast<std::uint8_t>(*c)) * 1099511628211ull;
    return hash;
}

}

std::uint64_t FuzzCounts::Errors() const
{
    std::uint64_t total = 0;
    for (const auto& entry : errors)
        total += entry.second;
    return total;
}

const char* CurrentFuzzInput() { return Progress().text; }

AnsiString FuzzInput(const FuzzTarget& target, std::uint64_t seed, std::uint64_t index, std::size_t& seedIndex)
{
    return MakeVariant(target.seeds, seed ^ TargetSalt(target.name), index, seedIndex);
}

FuzzCounts RunFuzz(const FuzzTarget& target, std::uint64_t seed, std::uint64_t first, std::uint64_t count)
{
    FuzzCounts counts;
    GuardedBuffer buffer;
    Watchdog watchdog;
    InputInProgress& progress = Progress();
    LARGE_INTEGER runStart, runEnd;
    QueryPerformanceCounter(&runStart);
    for (std::uint64_t index = first; index < first + count; ++index) {
        std::size_t seedIndex = 0;
        const AnsiString bytes = FuzzInput(target, seed, index, seedIndex);
        const char* data = buffer.Place(bytes);
        TReadOnlyMemoryStream stream(data, static_cast<std::int32_t>(bytes.size()));
        std::snprintf(progress.text, sizeof progress.text,
            "%s --seed %" PRIu64 " --first %" PRIu64 " (seed file %u, %u bytes)", target.name, seed, index,
            static_cast<unsigned>(seedIndex), static_cast<unsigned>(bytes.size()));
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        progress.startedAt = GetTickCount();
        progress.busy = true;
        try {
            target.feed(stream, seedIndex);
            ++counts.successes;
        } catch (const Exception& e) {
            ++counts.errors[e.ClassName()];
        } catch (const std::bad_alloc&) {
            // The program reports memory running out as its out-of-memory error.
            ++counts.errors["EOutOfMemory (bad_alloc)"];
        } catch (const std::exception& e) {
            ++counts.foreign;
            std::fprintf(stderr, "FOREIGN: %s: %s\n", progress.text, e.what());
        } catch (...) {
            ++counts.foreign;
            std::fprintf(stderr, "FOREIGN: %s: an exception of no known class\n", progress.text);
        }
        progress.busy = false;
        QueryPerformanceCounter(&end);
        if (Seconds(start, end) > counts.slowestSeconds) {
            counts.slowestSeconds = Seconds(start, end);
            counts.slowestIndex = index;
        }
        if (stream.Position() > stream.Size()) {
            ++counts.overreads;
            std::fprintf(stderr, "OVERREAD: %s: position %d of %d\n", progress.text, stream.Position(), stream.Size());
        }
        ++counts.inputs;
    }
    progress.text[0] = '\0';
    QueryPerformanceCounter(&runEnd);
    counts.seconds = Seconds(runStart, runEnd);
    return counts;
}

void PrintCounts(std::FILE* out, const char* name, const FuzzCounts& counts)
{
    std::fprintf(out, "%-8s inputs %" PRIu64 ", successes %" PRIu64 ", errors %" PRIu64, name, counts.inputs,
        counts.successes, counts.Errors());
    const char* separator = " (";
    for (const auto& entry : counts.errors) {
        std::fprintf(out, "%s%s %" PRIu64, separator, entry.first.c_str(), entry.second);
        separator = ", ";
    }
    std::fprintf(out,
        "%s, crashes 0, hangs 0, over-reads %" PRIu64 ", foreign exceptions %" PRIu64
        "; %.1f s, slowest input %.3f s (%" PRIu64 ")\n",
        counts.errors.empty() ? "" : ")", counts.overreads, counts.foreign, counts.seconds, counts.slowestSeconds,
        counts.slowestIndex);
}
