// Helpers of the tray tests: an owner form whose window records the messages that
// reach its own procedure, the shell's view of the tray icon, popup menus driven from
// inside their modal loop, and checks that run in a second copy of the test program.
#pragma once

#include "frame/AppForm.h"
#include "runtime/Component.h"

#include <functional>
#include <vector>

#include <windows.h>

// A form stand-in with a plain window; its own window procedure records every
// message number it receives.
class RecordingOwner : public TComponent, public IAppForm {
public:
    SV_CLASS_NAME(RecordingOwner)
    explicit RecordingOwner(TComponent* owner);
    ~RecordingOwner() override;

    bool IsTForm() const override { return false; }
    HWND FormHandle() override;
    bool FormHandleAllocated() const override { return m_window != nullptr; }
    HWND FormParentWindow() const override { return nullptr; }
    bool FormVisible() const override { return m_window && IsWindowVisible(m_window); }
    void SetFormVisible(bool visible) override;
    bool FormEnabled() const override { return true; }
    TWindowState FormWindowState() const override { return wsNormal; }
    void SetFormWindowState(TWindowState) override {}
    RECT FormBounds() const override { return RECT { 0, 0, 200, 100 }; }
    void CloseForm() override {}
    bool FormIsShortCut(TMessage&) override { return false; }
    LRESULT FormPerform(UINT, WPARAM, LPARAM) override { return 0; }

    // Destroys the window the way the platform does (WM_DESTROY, WM_NCDESTROY).
    void DestroyOwnWindow();
    // How often the own procedure saw the message.
    int Seen(UINT message) const;
    std::vector<UINT> received;

private:
    static LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_window = nullptr;
};

// Whether the shell holds an icon of the window with id 0 (NIM_MODIFY without
// changes succeeds only then).
bool IconInTray(HWND callbackWindow);

// While alive, a thread timer waits for the popup menu window ("#32768") of this
// thread and runs the action on it once, from inside TrackPopupMenu's loop.
class PopupMenuDriver {
public:
    explicit PopupMenuDriver(std::function<void(HWND menuWindow)> action);
    ~PopupMenuDriver();
    PopupMenuDriver(const PopupMenuDriver&) = delete;
    PopupMenuDriver& operator=(const PopupMenuDriver&) = delete;

    bool Seen() const { return m_seen; }
    // The native menu the window showed.
    HMENU ShownMenu() const { return m_menu; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR m_timer = 0;
    std::function<void(HWND)> m_action;
    bool m_seen = false;
    HMENU m_menu = nullptr;
};

// Runs this test program again with the gtest filter and the child marker on its
// command line; returns its exit code, or -1 when it could not start.
int RunChildCopy(const char* filter, DWORD timeoutMs = 60000);
// True inside such a second copy.
bool InChildCopy();
// Ends the second copy from its test: ChildPassed when the test had no failure.
constexpr int ChildPassed = 42;
[[noreturn]] void EndChildCopy();

class TKitTrayIcon;
// The icons the shell draws (Wine's tray icon windows).
int ShownTrayIcons();
// Sends the icon's callback window the shell's notice of a mouse message.
LRESULT TrayCallback(TKitTrayIcon* tray, UINT mouseMessage);
