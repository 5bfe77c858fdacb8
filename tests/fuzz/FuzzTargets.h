// The parsers under test, each with the seed files it takes and the way it is fed:
// the JPEG graphic (load and decode), the bitmap (load), the icon (load and handle),
// the picture's stored data and the form reader.
#pragma once

#include "runtime/AnsiString.h"
#include "runtime/Stream.h"

#include <cstdint>
#include <functional>
#include <vector>

struct FuzzTarget {
    const char* name;
    std::vector<AnsiString> seeds;
    // Parses one input; the seed index tells what the input was made from (the form
    // reader needs the form class of the stream).
    std::function<void(TStream& stream, std::size_t seedIndex)> feed;
};

// Every target with its seeds, made once.
const std::vector<FuzzTarget>& FuzzTargets();
const FuzzTarget* FindFuzzTarget(const AnsiString& name);

// Seed material, for the tests that look at it.
AnsiString StoredDataBlock(const AnsiString& formStream, std::size_t which);
AnsiString StoredIconData(const AnsiString& formStream);
