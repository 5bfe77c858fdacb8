#include "app/AppTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

ClockAt::ClockAt(int hour, int minute)
{
    if (const char* tz = std::getenv("TZ")) {
        m_hadTZ = true;
        m_saved = tz;
    }
    // Local time = UTC - offset; an offset of several hours either way is taken.
    std::time_t now = std::time(nullptr);
    long utcSeconds = static_cast<long>(now % 86400);
    long wanted = hour * 3600L + minute * 60L + 20;
    long offset = (utcSeconds - wanted) % 86400;
    if (offset > 43200)
        offset -= 86400;
    if (offset < -43200)
        offset += 86400;
    long magnitude = offset < 0 ? -offset : offset;
    char setting[64];
    std::snprintf(setting, sizeof setting, "TZ=TST%s%ld:%02ld:%02ld", offset < 0 ? "-" : "",
        magnitude / 3600, magnitude / 60 % 60, magnitude % 60);
    _putenv(setting);
}

ClockAt::~ClockAt()
{
    AnsiString setting = "TZ=" + (m_hadTZ ? m_saved : AnsiString());
    _putenv(setting.c_str());
}

namespace {
ModalWatcher* activeWatcher = nullptr;
}

ModalWatcher::ModalWatcher(std::function<void()> step) : m_step(std::move(step))
{
    activeWatcher = this;
    m_timer = SetTimer(nullptr, 0, 20, &ModalWatcher::Tick);
}

ModalWatcher::~ModalWatcher()
{
    KillTimer(nullptr, m_timer);
    activeWatcher = nullptr;
}

void CALLBACK ModalWatcher::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    ModalWatcher* watcher = activeWatcher;
    if (!watcher || watcher->m_inStep)
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

int ClipboardFormatCount()
{
    return CountClipboardFormats();
}
