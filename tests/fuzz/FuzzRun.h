// Runs a parser over many damaged inputs and counts how each one ended. A crash or a
// read beyond the input (which faults on the guard page) ends the process through
// the crash handler, a hang through the watchdog; both print the run's seed and the
// input's index, which replay the input alone.
#pragma once

#include "FuzzTargets.h"

#include <cstdint>
#include <cstdio>
#include <map>

struct FuzzCounts {
    std::uint64_t inputs = 0;
    std::uint64_t successes = 0;
    std::map<AnsiString, std::uint64_t> errors; // the frame's exceptions, by class
    std::uint64_t foreign = 0;                  // any other exception: a fault
    std::uint64_t overreads = 0;                // a stream left past its end: a fault
    double seconds = 0;
    double slowestSeconds = 0;
    std::uint64_t slowestIndex = 0;

    std::uint64_t Errors() const;
    bool Clean() const { return foreign == 0 && overreads == 0; }
};

// The input of the given index of a run, as RunFuzz feeds it.
AnsiString FuzzInput(const FuzzTarget& target, std::uint64_t seed, std::uint64_t index, std::size_t& seedIndex);

// Inputs first .. first + count - 1 of the run with the given seed.
FuzzCounts RunFuzz(const FuzzTarget& target, std::uint64_t seed, std::uint64_t first, std::uint64_t count);

void PrintCounts(std::FILE* out, const char* name, const FuzzCounts& counts);

// What is being parsed now, for the crash handler: "target seed index", or an empty
// text between inputs.
const char* CurrentFuzzInput();

// Inputs running longer than this are hangs.
constexpr unsigned long HangMilliseconds = 5000;
