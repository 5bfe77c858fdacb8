#include "app/support/AppTestSupport.h"

#include "graphics/Bitmap.h"
#include "graphics/Brush.h"
#include "graphics/Canvas.h"
#include "graphics/JPEGImage.h"
#include "graphics/support/SolidBitmap.h"
#include "runtime/Stream.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

namespace {
ClockAt* innermostClock = nullptr;
}

ClockAt::ClockAt(int hour, int minute) : m_previous(innermostClock)
{
    GetLocalTime(&m_reading);
    m_reading.wHour = static_cast<WORD>(hour);
    m_reading.wMinute = static_cast<WORD>(minute);
    m_reading.wSecond = 20;
    m_reading.wMilliseconds = 0;
    innermostClock = this;
}

ClockAt::~ClockAt() { innermostClock = m_previous; }

SYSTEMTIME ClockAt::Now()
{
    if (innermostClock)
        return innermostClock->m_reading;
    SYSTEMTIME now {};
    GetLocalTime(&now);
    return now;
}

namespace {
// Watchers by their thread timer: several may be alive at once.
std::map<UINT_PTR, ModalWatcher*>& Watchers()
{
    static std::map<UINT_PTR, ModalWatcher*> watchers;
    return watchers;
}
}

namespace {
OneShot* pendingShot = nullptr;
}

OneShot::OneShot(std::function<void()> action) : m_action(std::move(action))
{
    pendingShot = this;
    m_timer = SetTimer(nullptr, 0, 10, &OneShot::Fire);
}

OneShot::~OneShot()
{
    KillTimer(nullptr, m_timer);
    if (pendingShot == this)
        pendingShot = nullptr;
}

void CALLBACK OneShot::Fire(HWND, UINT, UINT_PTR, DWORD)
{
    OneShot* shot = pendingShot;
    if (!shot || shot->m_fired)
        return;
    shot->m_fired = true;
    KillTimer(nullptr, shot->m_timer);
    shot->m_action();
}

ModalWatcher::ModalWatcher(std::function<void()> step) : m_step(std::move(step))
{
    m_timer = SetTimer(nullptr, 0, 20, &ModalWatcher::Tick);
    Watchers()[m_timer] = this;
}

ModalWatcher::~ModalWatcher()
{
    KillTimer(nullptr, m_timer);
    Watchers().erase(m_timer);
}

void CALLBACK ModalWatcher::Tick(HWND, UINT, UINT_PTR id, DWORD)
{
    auto found = Watchers().find(id);
    if (found == Watchers().end())
        return;
    ModalWatcher* watcher = found->second;
    if (watcher->m_inStep)
        return;
    watcher->m_inStep = true;
    watcher->m_step();
    watcher->m_inStep = false;
}

namespace {

struct WindowSearch {
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectThreadWindow(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<WindowSearch*>(data);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, search->className) == 0 && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM data)
{
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        reinterpret_cast<std::vector<AnsiString>*>(data)->push_back(text);
    }
    return TRUE;
}

}

std::vector<HWND> ThreadWindows(const char* className)
{
    WindowSearch search { className, {} };
    EnumThreadWindows(GetCurrentThreadId(), &CollectThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ThreadWindow(const char* className)
{
    std::vector<HWND> found = ThreadWindows(className);
    return found.empty() ? nullptr : found.front();
}

std::vector<AnsiString> StaticTexts(HWND window)
{
    std::vector<AnsiString> texts;
    EnumChildWindows(window, &CollectStatic, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

AnsiString MessageBoxText(HWND box)
{
    char text[1024] = {};
    if (HWND item = GetDlgItem(box, 0xFFFF))
        GetWindowTextA(item, text, sizeof text);
    return text;
}

int ClipboardFormatCount() { return CountClipboardFormats(); }

AnsiString SolidBmp(COLORREF color, int width, int height)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    PaintSolid(bitmap, width, height, color);
    TMemoryStream stream;
    bitmap.SaveStream(stream);
    return stream.Bytes();
}

AnsiString SolidJpeg(COLORREF color, int width, int height)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    PaintSolid(bitmap, width, height, color);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    TMemoryStream stream;
    jpeg.SaveStream(stream);
    return stream.Bytes();
}

bool ReadBmpFacts(const AnsiString& bytes, BmpFacts& facts)
{
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]))
            | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8
            | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16
            | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
    };
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    std::uint32_t offset = u32(10);
    auto width = static_cast<std::int32_t>(u32(18));
    auto height = static_cast<std::int32_t>(u32(22));
    int bits = static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8;
    if ((bits != 24 && bits != 32) || width <= 0 || height == 0)
        return false;
    int rows = height < 0 ? -height : height;
    std::size_t stride = (static_cast<std::size_t>(width) * (bits / 8) + 3) & ~std::size_t(3);
    std::size_t at =
        offset + stride * static_cast<std::size_t>(rows / 2) + static_cast<std::size_t>(width / 2) * (bits / 8);
    if (at + 3 > bytes.size())
        return false;
    facts.width = width;
    facts.height = rows;
    facts.middle = RGB(static_cast<unsigned char>(bytes[at + 2]), static_cast<unsigned char>(bytes[at + 1]),
        static_cast<unsigned char>(bytes[at]));
    return true;
}

bool NearColor(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance
        && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}
