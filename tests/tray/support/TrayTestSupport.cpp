#include "tray/support/TrayTestSupport.h"

#include "common/TestSupport.h"
#include "frame/Application.h"
#include "tray/KitTrayIcon.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <shellapi.h>

namespace {

constexpr const char* OwnerClass = "TRecordingOwner";
constexpr const char* ChildMarker = "--sv-child-copy";

PopupMenuDriver* activeDriver = nullptr;

struct FoundMenu {
    HWND window = nullptr;
};

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM data)
{
    char name[16] {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32768") == 0 && IsWindowVisible(window)) {
        reinterpret_cast<FoundMenu*>(data)->window = window;
        return FALSE;
    }
    return TRUE;
}

}

RecordingOwner::RecordingOwner(TComponent* owner) : TComponent(owner) {}

RecordingOwner::~RecordingOwner()
{
    if (m_window) {
        SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
}

HWND RecordingOwner::FormHandle()
{
    if (!m_window) {
        WNDCLASSA existing {};
        if (!GetClassInfoA(GetModuleHandleA(nullptr), OwnerClass, &existing)) {
            WNDCLASSA windowClass {};
            windowClass.lpfnWndProc = &OwnProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = OwnerClass;
            RegisterClassA(&windowClass);
        }
        m_window = CreateWindowExA(0, OwnerClass, "Owner", WS_OVERLAPPEDWINDOW, 300, 300, 200, 100, nullptr, nullptr,
            GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return m_window;
}

void RecordingOwner::SetFormVisible(bool visible) { ShowWindow(FormHandle(), visible ? SW_SHOWNOACTIVATE : SW_HIDE); }

void RecordingOwner::DestroyOwnWindow()
{
    HWND window = m_window;
    DestroyWindow(window);
    m_window = nullptr;
}

int RecordingOwner::Seen(UINT message) const
{
    int count = 0;
    for (UINT m : received)
        count += m == message;
    return count;
}

LRESULT CALLBACK RecordingOwner::OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto* owner = reinterpret_cast<RecordingOwner*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
        owner->received.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

bool IconInTray(HWND callbackWindow)
{
    NOTIFYICONDATAA record {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = callbackWindow;
    record.uID = 0;
    record.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

PopupMenuDriver::PopupMenuDriver(std::function<void(HWND)> action) : m_action(std::move(action))
{
    activeDriver = this;
    m_timer = SetTimer(nullptr, 0, 15, &Tick);
}

PopupMenuDriver::~PopupMenuDriver()
{
    KillTimer(nullptr, m_timer);
    activeDriver = nullptr;
}

void CALLBACK PopupMenuDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    PopupMenuDriver* driver = activeDriver;
    if (!driver || driver->m_seen)
        return;
    FoundMenu found;
    EnumThreadWindows(GetCurrentThreadId(), &FindMenuWindow, reinterpret_cast<LPARAM>(&found));
    if (!found.window)
        return;
    driver->m_seen = true;
    driver->m_menu = reinterpret_cast<HMENU>(SendMessageA(found.window, 0x01E1 /* MN_GETHMENU */, 0, 0));
    driver->m_action(found.window);
}

bool InChildCopy() { return AnsiString(GetCommandLineA()).find(ChildMarker) != AnsiString::npos; }

void EndChildCopy()
{
    std::fflush(stdout);
    ExitProcess(::testing::Test::HasFailure() ? 1 : ChildPassed);
}

int RunChildCopy(const char* filter, DWORD timeoutMs)
{
    char path[MAX_PATH] {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    AnsiString command = AnsiString("\"") + path + "\" --gtest_filter=" + filter + " " + ChildMarker;
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!StartProcess(command, false, startup, process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 9);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

namespace {

BOOL CALLBACK CountTrayIconChildren(HWND window, LPARAM data)
{
    char name[64] {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "__winex11_tray_icon") == 0)
        ++*reinterpret_cast<int*>(data);
    return TRUE;
}

BOOL CALLBACK CountInTopLevel(HWND window, LPARAM data)
{
    CountTrayIconChildren(window, data);
    EnumChildWindows(window, &CountTrayIconChildren, data);
    return TRUE;
}

}

int ShownTrayIcons()
{
    int count = 0;
    EnumWindows(&CountInTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

LRESULT TrayCallback(TKitTrayIcon* tray, UINT mouseMessage)
{
    return SendMessageA(tray->CallbackWindow(), WM_TRAYNOTIFY, 0, mouseMessage);
}
