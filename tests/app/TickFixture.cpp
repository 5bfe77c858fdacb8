#include "app/TickFixture.h"

#include <cstring>

void PutClipboardText(const char* text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    std::size_t size = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), text, size);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

void TickTest::SetUp()
{
    MainWindowTest::SetUp();
    // Each case starts from an empty clipboard: what a tick leaves there is its own.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    photos.Write("sv_start_0000.jpg", SolidJpeg(Red));
    CreateWindows(photos.Path());
    notices.clear();
}
