// The byte order of the bitmap and icon files: little-endian words and double words,
// read from and appended to byte strings one byte at a time, whatever the machine.
#pragma once

#include "runtime/AnsiString.h"

#include <cstddef>
#include <cstdint>

// The word at `at`; the caller has checked that two bytes are there.
inline std::uint16_t Word(const AnsiString& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(
        static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// The double word at `at`; the caller has checked that four bytes are there.
inline std::uint32_t Dword(const AnsiString& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(Word(bytes, at)) | static_cast<std::uint32_t>(Word(bytes, at + 2)) << 16;
}

inline void PutWord(AnsiString& out, std::uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

inline void PutDword(AnsiString& out, std::uint32_t value)
{
    PutWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}
