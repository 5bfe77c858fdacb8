#include "frame/support/FrameTestSupport.h"

#include "frame/Application.h"
#include "runtime/MethodStub.h"
#include "frame/Screen.h"

#include <algorithm>

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message {};
        while (Application->ProcessOneMessage(message)) {
            if (done())
                return true;
        }
        if (done())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// ---- DialogWatcher -------------------------------------------------------------------

namespace {

DialogWatcher* activeWatcher = nullptr;

struct DialogParts {
    AnsiString text;
    bool errorIcon = false;
};

BOOL CALLBACK InspectChild(HWND child, LPARAM data)
{
    auto* parts = reinterpret_cast<DialogParts*>(data);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0)
        return TRUE;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (icon && icon == LoadIconA(nullptr, IDI_ERROR))
            parts->errorIcon = true;
    } else if (GetDlgCtrlID(child) == 0xFFFF) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        parts->text = text;
    }
    return TRUE;
}

struct ThreadDialogSearch {
    HWND found = nullptr;
};

BOOL CALLBACK FindThreadDialog(HWND window, LPARAM data)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window)) {
        reinterpret_cast<ThreadDialogSearch*>(data)->found = window;
        return FALSE;
    }
    return TRUE;
}

}

DialogWatcher::DialogWatcher(HWND watchEnabled, DWORD holdMs) : m_watchEnabled(watchEnabled), m_holdMs(holdMs)
{
    activeWatcher = this;
    m_timer = SetTimer(nullptr, 0, 30, &DialogWatcher::Tick);
}

DialogWatcher::~DialogWatcher()
{
    KillTimer(nullptr, m_timer);
    activeWatcher = nullptr;
}

void CALLBACK DialogWatcher::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    DialogWatcher* watcher = activeWatcher;
    if (!watcher)
        return;
    ThreadDialogSearch search;
    EnumThreadWindows(GetCurrentThreadId(), &FindThreadDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return;
    auto opened = std::find_if(watcher->m_opened.begin(), watcher->m_opened.end(),
        [&](const std::pair<HWND, DWORD>& box) { return box.first == search.found; });
    if (opened == watcher->m_opened.end()) {
        watcher->m_opened.emplace_back(search.found, GetTickCount());
        opened = watcher->m_opened.end() - 1;
    }
    if (GetTickCount() - opened->second < watcher->m_holdMs)
        return;
    SeenDialog seen;
    seen.seen = true;
    seen.owner = GetWindow(search.found, GW_OWNER);
    char caption[256] = {};
    GetWindowTextA(search.found, caption, sizeof caption);
    seen.caption = caption;
    DialogParts parts;
    EnumChildWindows(search.found, &InspectChild, reinterpret_cast<LPARAM>(&parts));
    seen.text = parts.text;
    seen.errorIcon = parts.errorIcon;
    if (watcher->m_watchEnabled)
        seen.appWindowEnabled = IsWindowEnabled(watcher->m_watchEnabled) != 0;
    watcher->m_last = seen;
    ++watcher->m_count;
    SendMessageA(search.found, WM_COMMAND, IDOK, 0);
}

// ---- TestForm ---------------------------------------------------------------------------

std::function<void(TestForm*)> TestForm::onConstruct;
std::function<void(TestForm*)> TestForm::onCreate;
bool TestForm::constructAsTForm = true;

TestForm::TestForm(TComponent* owner) : TComponent(owner), m_isTForm(constructAsTForm)
{
    if (onConstruct)
        onConstruct(this);
    Screen->AddForm(this, m_isTForm);
}

TestForm::~TestForm()
{
    Screen->RemoveForm(this);
    if (m_window) {
        SetWindowObject(m_window, nullptr);
        DestroyWindow(m_window);
    }
    ReleaseMethodStub(m_stub);
}

void TestForm::AfterConstruction()
{
    if (onCreate)
        onCreate(this);
}

HWND TestForm::FormHandle()
{
    if (!m_window) {
        WNDCLASSA existing {};
        if (!GetClassInfoA(GetModuleHandleA(nullptr), "TTestForm", &existing)) {
            WNDCLASSA windowClass {};
            windowClass.lpfnWndProc = &DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "TTestForm";
            RegisterClassA(&windowClass);
        }
        m_window = CreateWindowExA(0, "TTestForm", "TestForm", WS_OVERLAPPEDWINDOW, 10, 20, 300, 200,
            Application->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
        m_stub = CreateMethodStub([this](TMessage& message) { WndProc(message); }, this);
        SetWindowLongPtrA(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_stub));
        SetWindowObject(m_window, this);
    }
    return m_window;
}

void TestForm::SetFormVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    ShowWindow(FormHandle(), visible ? SW_SHOWNOACTIVATE : SW_HIDE);
    Application->UpdateAppWindowVisible();
}

void TestForm::CloseForm()
{
    ++closeCount;
    if (Application->PrimaryForm() == this)
        Application->TerminateApp();
    else
        SetFormVisible(false);
}

LRESULT TestForm::FormPerform(UINT message, WPARAM wParam, LPARAM lParam)
{
    TMessage record;
    record.Msg = message;
    record.WParam = wParam;
    record.LParam = lParam;
    WndProc(record);
    return record.Result;
}

void TestForm::WndProc(TMessage& message)
{
    if (message.Msg == WM_CLOSE) {
        CloseForm();
        return;
    }
    message.Result = DefWindowProcA(m_window, message.Msg, message.WParam, message.LParam);
}
