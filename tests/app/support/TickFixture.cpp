#include "app/support/TickFixture.h"

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
