// Start-up steps of the program that its entry routine runs before anything else (the
// JPEG graphic's registration): a test executable whose code depends on one runs it
// once before its first test, as the program would.
#pragma once

#include <gtest/gtest.h>

class StartUpStep : public testing::Environment {
public:
    explicit StartUpStep(void (*step)()) : m_step(step) {}
    void SetUp() override { m_step(); }

private:
    void (*m_step)();
};

// Has STEP run before the first test; for the initialiser of a file-scope constant.
inline testing::Environment* RunBeforeTests(void (*step)())
{
    // The test framework owns its environments.
    return testing::AddGlobalTestEnvironment(new StartUpStep(step));
}
