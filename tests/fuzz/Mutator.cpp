#include "Mutator.h"

#include <algorithm>

FuzzRandom::FuzzRandom(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull)
{
    if (m_state == 0)
        m_state = 1;
    Next();
}

std::uint64_t FuzzRandom::Next()
{
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 0x2545F4914F6CDD1Dull;
}

std::uint32_t FuzzRandom::Below(std::uint32_t n) { return static_cast<std::uint32_t>((Next() >> 32) % n); }

const char* MutationName(MutationKind kind)
{
    switch (kind) {
    case MutationKind::BitFlip: return "bit flip";
    case MutationKind::ByteChange: return "byte change";
    case MutationKind::Truncation: return "truncation";
    case MutationKind::Extension: return "extension";
    case MutationKind::ChunkDuplication: return "chunk duplication";
    case MutationKind::Count: break;
    }
    return "?";
}

namespace {

// Headers decide most of what a parser does: half of the positions fall in the
// first 128 bytes.
std::size_t Position(const AnsiString& bytes, FuzzRandom& random)
{
    const std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
    if (random.Below(2) == 0)
        return random.Below(std::min<std::uint32_t>(size, 128));
    return random.Below(size);
}

char InterestingByte(FuzzRandom& random)
{
    static const unsigned char values[] = { 0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE, 0x10, 0x20, 0x40 };
    if (random.Below(2) == 0)
        return static_cast<char>(values[random.Below(sizeof values)]);
    return static_cast<char>(random.Below(256));
}

}

void Mutate(AnsiString& bytes, MutationKind kind, FuzzRandom& random)
{
    switch (kind) {
    case MutationKind::BitFlip:
        if (!bytes.empty())
            bytes[Position(bytes, random)] ^= static_cast<char>(1u << random.Below(8));
        break;
    case MutationKind::ByteChange: {
        if (bytes.empty())
            break;
        // Mostly one byte; sometimes a whole 16- or 32-bit field gets an edge value,
        // which single bytes seldom make (sizes, counts and offsets of headers).
        const std::size_t at = Position(bytes, random);
        const std::uint32_t choice = random.Below(4);
        if (choice < 2) {
            bytes[at] = InterestingByte(random);
            break;
        }
        static const std::uint32_t fields[] = { 0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF,
            0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFEu, 0x40000000 };
        const std::uint32_t value = fields[random.Below(sizeof fields / sizeof fields[0])];
        const std::size_t width = choice == 2 ? 2 : 4;
        for (std::size_t k = 0; k < width && at + k < bytes.size(); ++k)
            bytes[at + k] = static_cast<char>(value >> (8 * k));
        break;
    }
    case MutationKind::Truncation:
        if (!bytes.empty())
            bytes.resize(random.Below(static_cast<std::uint32_t>(bytes.size())));
        break;
    case MutationKind::Extension: {
        const std::uint32_t count = 1 + random.Below(random.Below(4) == 0 ? 4096 : 64);
        const bool zeros = random.Below(2) == 0;
        for (std::uint32_t i = 0; i < count; ++i)
            bytes += zeros ? '\0' : static_cast<char>(random.Below(256));
        break;
    }
    case MutationKind::ChunkDuplication: {
        if (bytes.empty())
            break;
        const std::size_t from = Position(bytes, random);
        const std::size_t length =
            1 + random.Below(static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() - from, 512)));
        const AnsiString chunk = bytes.substr(from, length);
        const std::size_t at = random.Below(static_cast<std::uint32_t>(bytes.size() + 1));
        bytes.insert(at, chunk);
        break;
    }
    case MutationKind::Count: break;
    }
}

AnsiString MakeVariant(
    const std::vector<AnsiString>& seeds, std::uint64_t runSeed, std::uint64_t index, std::size_t& seedIndex)
{
    FuzzRandom random(runSeed ^ (index * 0xD1B54A32D192ED03ull));
    seedIndex = random.Below(static_cast<std::uint32_t>(seeds.size()));
    AnsiString bytes = seeds[seedIndex];
    const std::uint32_t count = 1 + random.Below(4);
    for (std::uint32_t i = 0; i < count; ++i)
        Mutate(bytes, static_cast<MutationKind>(random.Below(static_cast<std::uint32_t>(MutationKind::Count))), random);
    return bytes;
}
