// The fuzz executable. Without arguments (or with GoogleTest's) it runs its tests,
// among them a fixed-seed share of every parser's inputs. With
//   --fuzz COUNT SEED [--target NAME] [--first INDEX] [--save FILE]
// it runs COUNT inputs of every parser (or of one) from the given seed and prints
// the counts; --first with a count of 1 replays one input a failure printed, and
// --save writes that input (of the one target) to a file instead of parsing it.
#include "FuzzRun.h"
#include "graphics/JPEGImage.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A crash, or a read beyond an input into the guard page, ends the run with the
// input that caused it (Wine would otherwise start its debugger and may end with 0).
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "\nCRASH: unhandled exception 0x%08lX at %p; input: %s\n",
        record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul, record ? record->ExceptionAddress : nullptr,
        *CurrentFuzzInput() ? CurrentFuzzInput() : "(none)");
    std::fflush(stderr);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

int Usage()
{
    std::fprintf(stderr,
        "usage: fuzz_tests --fuzz COUNT SEED [--target jpeg|bitmap|icon|picture|form] [--first INDEX] [--save FILE]\n");
    return 2;
}

int RunCampaign(int argc, char** argv)
{
    if (argc < 4)
        return Usage();
    char* end = nullptr;
    const std::uint64_t count = std::strtoull(argv[2], &end, 10);
    const std::uint64_t seed = std::strtoull(argv[3], &end, 10);
    std::uint64_t first = 0;
    const FuzzTarget* only = nullptr;
    const char* savePath = nullptr;
    for (int i = 4; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--target") == 0) {
            only = FindFuzzTarget(argv[i + 1]);
            if (!only)
                return Usage();
        } else if (std::strcmp(argv[i], "--first") == 0) {
            first = std::strtoull(argv[i + 1], &end, 10);
        } else if (std::strcmp(argv[i], "--save") == 0) {
            savePath = argv[i + 1];
        } else {
            return Usage();
        }
    }
    if (savePath) {
        if (!only)
            return Usage();
        std::size_t seedIndex = 0;
        const AnsiString bytes = FuzzInput(*only, seed, first, seedIndex);
        std::FILE* file = std::fopen(savePath, "wb");
        if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", savePath);
            if (file)
                std::fclose(file);
            return 1;
        }
        std::fclose(file);
        std::printf("%s input %" PRIu64 " (seed file %u, %u bytes) written to %s\n", only->name, first,
            static_cast<unsigned>(seedIndex), static_cast<unsigned>(bytes.size()), savePath);
        return 0;
    }
    std::printf("fuzz: %" PRIu64 " inputs per parser from input %" PRIu64 ", seed %" PRIu64 "\n", count, first, seed);
    std::fflush(stdout);
    bool clean = true;
    for (const FuzzTarget& target : FuzzTargets()) {
        if (only && only != &target)
            continue;
        const FuzzCounts counts = RunFuzz(target, seed, first, count);
        PrintCounts(stdout, target.name, counts);
        std::fflush(stdout);
        clean = clean && counts.Clean();
    }
    std::printf("%s\n",
        clean ? "fuzz: every input ended in success or in the parser's own error" : "fuzz: FAULTS FOUND (see above)");
    return clean ? 0 : 1;
}

}

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(&EndOnCrash);
    if (GetACP() != 932) {
        std::fprintf(stderr, "The ANSI code page is %u, not 932: run under scripts/test or scripts/fuzz.\n", GetACP());
        return 2;
    }
    // As the program's entry does, before any picture is read.
    RegisterJPEGGraphic();
    if (argc > 1 && std::strcmp(argv[1], "--fuzz") == 0)
        return RunCampaign(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
