// Makes damaged variants of a seed file: bit flips, changed bytes, truncations,
// extensions and duplicated chunks, one to a few at a time. The variant is a function
// of the run's seed and the input's index alone, so any input can be made again.
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>
#include <vector>

// A small, fast generator (xorshift64*), good enough to choose mutations.
class FuzzRandom {
public:
    explicit FuzzRandom(std::uint64_t seed);
    std::uint64_t Next();
    // A number in [0, n); n must not be 0.
    std::uint32_t Below(std::uint32_t n);

private:
    std::uint64_t m_state;
};

enum class MutationKind { BitFlip, ByteChange, Truncation, Extension, ChunkDuplication, Count };
const char* MutationName(MutationKind kind);

// Applies one mutation of the kind to the bytes.
void Mutate(AnsiString& bytes, MutationKind kind, FuzzRandom& random);

// The input of the given index: the seed chosen by index, with 1 to 4 mutations.
// seedIndex receives which seed file was used.
AnsiString MakeVariant(
    const std::vector<AnsiString>& seeds, std::uint64_t runSeed, std::uint64_t index, std::size_t& seedIndex);
