// Entry of every test executable: the program's texts are code page 932 bytes, so a
// Wine set up with another ANSI code page would pass tests on mangled strings. Refuse
// to run in that case.
#include <windows.h>

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
