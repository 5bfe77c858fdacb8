// The main window made with a photo folder chosen, for tests of the minute tick.
#pragma once

#include "app/support/MainWindowFixture.h"

const COLORREF Red = RGB(220, 20, 20);
const COLORREF Blue = RGB(20, 20, 220);

class TickTest : public MainWindowTest {
protected:
    void SetUp() override;
    AnsiString TemporaryFile() const { return programFolder / "_tmp.dat"; }
};
