// Entry of every test executable: the program's texts are code page 932 bytes, so a
// Wine set up with another ANSI code page would pass tests on mangled strings. Refuse
// to run in that case.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// A crash must fail the run: Wine answers an unhandled fault by starting its debugger
// and the process may then end with status 0, which ctest would count as passed.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "\nCRASH: unhandled exception 0x%08lX at %p in test %s\n",
        record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul, record ? record->ExceptionAddress : nullptr,
        testing::UnitTest::GetInstance()->current_test_info()
            ? testing::UnitTest::GetInstance()->current_test_info()->name()
            : "(none)");
#if defined(_M_IX86) || defined(__i386__)
    // Return addresses into the test executable near the top of the stack, so that a
    // crash inside a system call can be traced to the code that made it.
    if (info && info->ContextRecord) {
        auto image = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
        const auto* stack = reinterpret_cast<const std::uintptr_t*>(info->ContextRecord->Esp);
        std::fprintf(stderr, "CRASH: callers in the executable:");
        for (int i = 0, found = 0; i < 512 && found < 12; ++i) {
            MEMORY_BASIC_INFORMATION page {};
            if (!VirtualQuery(stack + i, &page, sizeof page) || page.State != MEM_COMMIT)
                break;
            std::uintptr_t word = stack[i];
            if (word > image + 0x1000 && word < image + 0x400000) {
                std::fprintf(stderr, " %08lx", static_cast<unsigned long>(word));
                ++found;
            }
        }
        std::fprintf(stderr, "\n");
    }
#endif
    std::fflush(stderr);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(&EndOnCrash);
    UINT acp = GetACP();
    if (acp != 932) {
        std::fprintf(stderr,
            "The ANSI code page is %u, not 932: run the tests with LANG=ja_JP.UTF-8 "
            "and the ja_JP.UTF-8 locale generated (scripts/setup, scripts/test).\n",
            acp);
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
