// Entry of every test executable: the program's texts are code page 932 bytes, so a
// Wine set up with another ANSI code page would pass tests on mangled strings. Refuse
// to run in that case.
#include <windows.h>

#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    UINT acp = GetACP();
    if (acp != 932) {
        std::fprintf(stderr,
            "The ANSI code page is %u, not 932: run the tests with LANG=ja_JP.UTF-8 "
            "and the ja_JP.UTF-8 locale generated (scripts/setup, scripts/test).\n", acp);
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
