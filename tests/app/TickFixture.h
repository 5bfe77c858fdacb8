// The main window made with a photo folder chosen, for tests of the minute tick.
#pragma once

#include "app/MainWindowFixture.h"

const COLORREF Red = RGB(220, 20, 20);
const COLORREF Blue = RGB(20, 20, 220);

// Puts a text on the clipboard, to see whether a tick touched it.
void PutClipboardText(const char* text);

class TickTest : public MainWindowTest {
protected:
    void SetUp() override;
    AnsiString TemporaryFile() const { return programFolder / "_tmp.dat"; }
};
