// The fuzzing machinery itself, and a fixed-seed share of every parser's inputs: each
// must end in success or in the parser's own exception.
#include "FuzzRun.h"
#include "FuzzSeeds.h"
#include "GuardedBuffer.h"
#include "Mutator.h"

#include "app/support/ProgramFormStandIns.h"

#include <gtest/gtest.h>

#include <set>

#include <windows.h>

namespace {

TEST(GuardedBuffer, TheByteAfterTheInputCannotBeRead)
{
    GuardedBuffer buffer;
    for (std::size_t size : { 0u, 1u, 4095u, 4096u, 4097u, 70000u, 3u }) {
        const AnsiString bytes(size, 'x');
        const char* data = buffer.Place(bytes);
        EXPECT_TRUE(IsBadReadPtr(data + size, 1)) << size;
        if (size > 0) {
            EXPECT_FALSE(IsBadReadPtr(data, size)) << size;
            EXPECT_EQ(AnsiString(data, size), bytes) << size;
        }
    }
}

TEST(Mutator, EveryInputCanBeMadeAgainFromTheSeedAndItsIndex)
{
    const std::vector<AnsiString> seeds { AnsiString(300, 'a'), AnsiString(40, 'b') };
    std::set<AnsiString> distinct;
    std::set<std::size_t> seedsUsed;
    for (std::uint64_t index = 0; index < 200; ++index) {
        std::size_t first = 0, again = 0;
        const AnsiString variant = MakeVariant(seeds, 77, index, first);
        EXPECT_EQ(MakeVariant(seeds, 77, index, again), variant) << index;
        EXPECT_EQ(first, again);
        EXPECT_NE(variant, seeds[first]) << index;
        distinct.insert(variant);
        seedsUsed.insert(first);
    }
    EXPECT_GT(distinct.size(), 190u);
    EXPECT_EQ(seedsUsed.size(), 2u);
    std::size_t unused = 0;
    EXPECT_NE(MakeVariant(seeds, 78, 0, unused), MakeVariant(seeds, 77, 0, unused));
}

TEST(Mutator, EachKindChangesTheBytesAsItsNameSays)
{
    FuzzRandom random(5);
    const AnsiString seed(1000, '\x55');
    for (int i = 0; i < 100; ++i) {
        AnsiString flipped = seed;
        Mutate(flipped, MutationKind::BitFlip, random);
        ASSERT_EQ(flipped.size(), seed.size());
        int bits = 0;
        for (std::size_t k = 0; k < seed.size(); ++k)
            bits += __builtin_popcount(static_cast<unsigned char>(flipped[k] ^ seed[k]));
        EXPECT_EQ(bits, 1);

        AnsiString cut = seed;
        Mutate(cut, MutationKind::Truncation, random);
        EXPECT_LT(cut.size(), seed.size());

        AnsiString longer = seed;
        Mutate(longer, MutationKind::Extension, random);
        EXPECT_GT(longer.size(), seed.size());
        EXPECT_EQ(longer.substr(0, seed.size()), seed);

        AnsiString doubled = "0123456789abcdefghijklmnopqrstuvwxyz";
        Mutate(doubled, MutationKind::ChunkDuplication, random);
        EXPECT_GT(doubled.size(), 36u);

        AnsiString changed = seed;
        Mutate(changed, MutationKind::ByteChange, random);
        EXPECT_EQ(changed.size(), seed.size());
    }
    // Nothing to change in an empty input, and nothing breaks.
    AnsiString empty;
    for (int kind = 0; kind < static_cast<int>(MutationKind::Count); ++kind)
        Mutate(empty, static_cast<MutationKind>(kind), random);
    EXPECT_LE(empty.size(), 4096u);
}

TEST(FuzzSeeds, TheStoredDataAndTheTrayIconAreFoundInTheFormStreams)
{
    const AnsiString info = FormResource("TINFOFORM1");
    EXPECT_EQ(StoredDataBlock(info, 0).size(), 11890u);
    EXPECT_EQ(StoredDataBlock(info, 1).size(), 19922u);
    EXPECT_TRUE(StoredDataBlock(info, 2).empty());
    const AnsiString icon = StoredIconData(FormResource("TMAINFORM1"));
    ASSERT_EQ(icon.size(), 2238u);
    EXPECT_EQ(icon.substr(0, 6), AnsiString("\0\0\1\0\1\0", 6));
}

// An unchanged seed must parse, or its variants would test only the error paths.
TEST(FuzzSeeds, EverySeedParsesWhole)
{
    GuardedBuffer buffer;
    for (const FuzzTarget& target : FuzzTargets()) {
        ASSERT_FALSE(target.seeds.empty()) << target.name;
        for (std::size_t i = 0; i < target.seeds.size(); ++i) {
            const AnsiString& seed = target.seeds[i];
            ASSERT_FALSE(seed.empty()) << target.name << " " << i;
            TReadOnlyMemoryStream stream(buffer.Place(seed), static_cast<std::int32_t>(seed.size()));
            try {
                target.feed(stream, i);
            } catch (const Exception& e) {
                ADD_FAILURE() << target.name << " seed " << i << ": " << e.Message();
            }
        }
    }
}

// A fixed share of every parser's inputs: a few thousand in all. The same seed as
// scripts/fuzz's default, so a failure here replays there.
struct Share {
    const char* target;
    std::uint64_t inputs;
};

class FuzzShare : public testing::TestWithParam<Share> {};

TEST_P(FuzzShare, EveryInputEndsInSuccessOrInTheParsersOwnError)
{
    const FuzzTarget* target = FindFuzzTarget(GetParam().target);
    ASSERT_NE(target, nullptr);
    const FuzzCounts counts = RunFuzz(*target, 1, 0, GetParam().inputs);
    PrintCounts(stdout, target->name, counts);
    EXPECT_EQ(counts.inputs, GetParam().inputs);
    EXPECT_EQ(counts.foreign, 0u);
    EXPECT_EQ(counts.overreads, 0u);
    // Both outcomes occur: the damage reaches the parser and some of it is survivable.
    EXPECT_GT(counts.successes, 0u);
    EXPECT_GT(counts.Errors(), 0u);
}

INSTANTIATE_TEST_SUITE_P(FixedSeed, FuzzShare,
    testing::Values(Share { "jpeg", 1000 }, Share { "bitmap", 1000 }, Share { "icon", 800 }, Share { "picture", 600 },
        Share { "form", 300 }),
    [](const testing::TestParamInfo<Share>& info) { return AnsiString(info.param.target); });

}
