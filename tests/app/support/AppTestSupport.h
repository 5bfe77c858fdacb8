// Helpers of the wallpaper clock's tests: a clock the tests set,
// a watcher that acts from inside modal loops (folder browser, boxes), and the
// pieces of a dialog box a test looks at.
#pragma once

#include "runtime/AnsiString.h"

#include <functional>
#include <vector>

#include <windows.h>

// While alive, the clock the main window's recording shell reads shows the given hour
// and minute of today, 20 seconds into the minute. Clocks nest: the previous one comes
// back at the end.
class ClockAt {
public:
    ClockAt(int hour, int minute);
    ~ClockAt();
    ClockAt(const ClockAt&) = delete;
    ClockAt& operator=(const ClockAt&) = delete;

    // The reading of the innermost clock alive, or the system's local clock.
    static SYSTEMTIME Now();

private:
    SYSTEMTIME m_reading {};
    ClockAt* m_previous = nullptr;
};

// While alive, a thread timer calls the step every 20 ms on this thread, also inside
// modal loops (thread timers run in every loop of the thread). The step is not called
// again while it runs.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void()> step);
    ~ModalWatcher();
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::function<void()> m_step;
    UINT_PTR m_timer = 0;
    bool m_inStep = false;
};

// Runs an action once, from a thread timer of its own: a user's action that opens a
// modal loop runs outside the step of a ModalWatcher, which then still sees that
// loop's windows. The action is dropped when the object goes first.
class OneShot {
public:
    explicit OneShot(std::function<void()> action);
    ~OneShot();
    OneShot(const OneShot&) = delete;
    OneShot& operator=(const OneShot&) = delete;

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD);
    std::function<void()> m_action;
    UINT_PTR m_timer = 0;
    bool m_fired = false;
};

// The visible top-level windows of this thread with the class name, in Z order.
std::vector<HWND> ThreadWindows(const char* className);
// The first of them, or none.
HWND ThreadWindow(const char* className);
// The texts of a window's "Static" children, in child order.
std::vector<AnsiString> StaticTexts(HWND window);
// The message text of a platform message box.
AnsiString MessageBoxText(HWND box);

// The data formats on the clipboard now.
int ClipboardFormatCount();

// The bytes of a JPEG file of a picture in one colour.
AnsiString SolidJpeg(COLORREF color, int width = 64, int height = 48);
// The bytes of a BMP file (24 bits a pixel) of a picture in one colour.
AnsiString SolidBmp(COLORREF color, int width, int height);

// The size and the middle pixel's colour of a BMP file's bytes; false when the bytes
// are no BMP file of 24 or 32 bits per pixel.
struct BmpFacts {
    int width = 0;
    int height = 0;
    COLORREF middle = 0;
};
bool ReadBmpFacts(const AnsiString& bytes, BmpFacts& facts);
// True when each of red, green and blue differ by at most the tolerance.
bool NearColor(COLORREF a, COLORREF b, int tolerance = 24);
