// Helpers of the frame tests: running the message loop for a while, watching for a
// dialog box from inside its modal loop, and a minimal form for the application.
#pragma once

#include "frame/AppForm.h"
#include "runtime/Component.h"
#include "runtime/AnsiString.h"

#include <functional>
#include <utility>
#include <vector>

#include <windows.h>

// Handles messages through the application's loop until the predicate holds or the
// time is up; returns whether the predicate held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Handles messages for the given time.
void PumpFor(DWORD ms);

// What a dialog box of this thread showed.
struct SeenDialog {
    bool seen = false;
    HWND owner = nullptr;
    AnsiString caption;
    AnsiString text;
    bool errorIcon = false;
    // Windows of the thread that were disabled while the box was up.
    bool appWindowEnabled = true;
};

// While alive, a thread timer looks every few milliseconds for a dialog box
// ("#32770") of this thread, records what it shows and closes it with OK, once it has
// been open for holdMs. Thread timers run inside every modal loop of the thread, so
// the box is found from inside its own loop.
class DialogWatcher {
public:
    explicit DialogWatcher(HWND watchEnabled = nullptr, DWORD holdMs = 0);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    // Boxes closed so far.
    int Count() const { return m_count; }
    // Boxes seen so far, closed or not.
    int Seen() const { return static_cast<int>(m_opened.size()); }
    const SeenDialog& Last() const { return m_last; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR m_timer = 0;
    HWND m_watchEnabled;
    DWORD m_holdMs;
    int m_count = 0;
    SeenDialog m_last;
    // Each box seen and when it was first seen.
    std::vector<std::pair<HWND, DWORD>> m_opened;
};

// A minimal form: a top-level window owned by the application window, in the
// screen's lists. OnCreate runs after construction; closing the main form ends the
// application's loop, closing another hides it.
class TestForm : public TComponent, public IAppForm {
public:
    SV_CLASS_NAME(TestForm)
    explicit TestForm(TComponent* owner);
    ~TestForm() override;

    // Set by the test before CreateAppForm.
    static std::function<void(TestForm*)> onConstruct;
    static std::function<void(TestForm*)> onCreate;
    static bool constructAsTForm;

    void AfterConstruction() override;

    bool IsTForm() const override { return m_isTForm; }
    HWND FormHandle() override;
    bool FormHandleAllocated() const override { return m_window != nullptr; }
    HWND FormParentWindow() const override { return nullptr; }
    bool FormVisible() const override { return m_visible; }
    void SetFormVisible(bool visible) override;
    bool FormEnabled() const override { return true; }
    TWindowState FormWindowState() const override { return m_state; }
    void SetFormWindowState(TWindowState state) override { m_state = state; }
    RECT FormBounds() const override { return RECT { 10, 20, 310, 220 }; }
    void CloseForm() override;
    bool FormIsShortCut(TMessage&) override { return false; }
    LRESULT FormPerform(UINT message, WPARAM wParam, LPARAM lParam) override;

    int closeCount = 0;

private:
    void WndProc(TMessage& message);

    bool m_isTForm;
    bool m_visible = false;
    TWindowState m_state = wsNormal;
    HWND m_window = nullptr;
    WNDPROC m_stub = nullptr;
};
