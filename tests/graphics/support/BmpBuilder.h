// Builds BMP files byte by byte for the tests, and reads fields back out of them.
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>
#include <cstring>
#include <vector>

inline void Put16(AnsiString& out, std::uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(AnsiString& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline std::uint32_t Get32(const AnsiString& s, std::size_t at)
{
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

inline std::uint16_t Get16(const AnsiString& s, std::size_t at)
{
    std::uint16_t v = 0;
    std::memcpy(&v, s.data() + at, 2);
    return v;
}

struct BmpLayout {
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t planes = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t imageSize = 0;
    std::vector<std::uint32_t> colors; // 0x00RRGGBB
    std::vector<std::uint32_t> masks;  // written after the 40-byte header
    AnsiString pixels;
    bool os2 = false;
    std::uint32_t extraOffset = 0; // added to the file header's offset only
};

inline AnsiString MakeBmp(const BmpLayout& layout)
{
    AnsiString body;
    if (layout.os2) {
        Put32(body, 12);
        Put16(body, static_cast<std::uint32_t>(layout.width));
        Put16(body, static_cast<std::uint32_t>(layout.height));
        Put16(body, layout.planes);
        Put16(body, layout.bits);
        for (std::uint32_t c : layout.colors) {
            body += static_cast<char>(c & 0xFF);
            body += static_cast<char>((c >> 8) & 0xFF);
            body += static_cast<char>((c >> 16) & 0xFF);
        }
    } else {
        Put32(body, 40);
        Put32(body, static_cast<std::uint32_t>(layout.width));
        Put32(body, static_cast<std::uint32_t>(layout.height));
        Put16(body, layout.planes);
        Put16(body, layout.bits);
        Put32(body, layout.compression);
        Put32(body, layout.imageSize);
        Put32(body, 2835);
        Put32(body, 2835);
        Put32(body, layout.clrUsed);
        Put32(body, 0);
        for (std::uint32_t m : layout.masks)
            Put32(body, m);
        for (std::uint32_t c : layout.colors)
            Put32(body, c);
    }
    AnsiString file;
    Put16(file, 0x4D42);
    Put32(file, static_cast<std::uint32_t>(14 + body.size() + layout.pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<std::uint32_t>(14 + body.size() + layout.extraOffset));
    return file + body + layout.pixels;
}
