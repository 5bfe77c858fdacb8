// The application's hint machinery: which control's hint is pending or shown, the
// one-shot timer that shows and hides it, the hint window, and the watchers that
// stand in for the message loop's cancel test while RunApp is not running.
#include "frame/Application.h"

#include "frame/Control.h"
#include "frame/HintWindow.h"
#include "frame/WinControl.h"
#include "runtime/LoopException.h"
#include "graphics/GdiHandles.h"

#include <climits>
#include <vector>

#include <windowsx.h>

namespace {

// The nearest control from this one up whose ShowHint is set, or none.
TControl* HintControlOf(TControl* control)
{
    while (control && !control->ShowHint())
        control = control->Parent();
    return control;
}

// The part of a hint before the first "|" (all of it when there is none).
AnsiString ShortHint(const AnsiString& hint)
{
    std::size_t bar = hint.find('|');
    return bar == AnsiString::npos ? hint : hint.substr(0, bar);
}

// The program has the foreground: the foreground window belongs to this thread.
bool ForegroundTask()
{
    HWND foreground = GetForegroundWindow();
    return foreground && GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId();
}

// How far below the hot spot the cursor's image really ends: the last scan line of
// its mask that is not transparent, or the system's cursor height.
int CursorHeightMargin()
{
    int result = GetSystemMetrics(SM_CYCURSOR);
    ICONINFO info {};
    if (!GetIconInfo(GetCursor(), &info))
        return result;
    // The copies of the cursor's bitmaps are this function's.
    TGdiBitmap maskCopy(info.hbmMask);
    TGdiBitmap colorCopy(info.hbmColor);
    BITMAP mask {};
    if (info.hbmMask && GetObjectA(info.hbmMask, sizeof mask, &mask) && mask.bmWidth > 0 && mask.bmHeight > 0) {
        int height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
        int stride = ((mask.bmWidth + 31) / 32) * 4;
        std::vector<unsigned char> bits(static_cast<std::size_t>(stride) * mask.bmHeight);
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } format {};
        format.header.biSize = sizeof format.header;
        format.header.biWidth = mask.bmWidth;
        format.header.biHeight = -mask.bmHeight;
        format.header.biPlanes = 1;
        format.header.biBitCount = 1;
        int lines = GetDIBits(TScreenDC(nullptr, std::nothrow), info.hbmMask, 0, mask.bmHeight, bits.data(),
            reinterpret_cast<BITMAPINFO*>(&format), DIB_RGB_COLORS);
        if (lines == mask.bmHeight) {
            auto opaque = [&](int row) {
                for (int x = 0; x < mask.bmWidth; ++x) {
                    auto bit = [&](int r) {
                        return (bits[static_cast<std::size_t>(r * stride + x / 8)] >> (7 - x % 8)) & 1;
                    };
                    bool andBit = bit(row) != 0;
                    bool xorBit = !info.hbmColor && bit(row + height) != 0;
                    if (!andBit || xorBit)
                        return true;
                }
                return false;
            };
            for (int row = height - 1; row >= 0; --row) {
                if (opaque(row)) {
                    result = row + 1 - static_cast<int>(info.yHotspot);
                    break;
                }
            }
        }
    }
    return result;
}

}

void TApplication::SetHintEnabled(bool enabled)
{
    if (enabled == m_hintEnabled)
        return;
    m_hintEnabled = enabled;
    if (enabled) {
        m_hintWindow = MakeComponent<THintWindow>();
        m_hintWindow->SetColor(HintBackColor);
    } else {
        CancelHint();
        m_hintWindow.reset();
    }
}

void TApplication::ForgetMouseControl(TObject* control)
{
    if (m_mouseControl == control)
        m_mouseControl = nullptr;
    if (m_hintControl && static_cast<TObject*>(m_hintControl) == control)
        CancelHint();
}

void TApplication::ReleaseHintWindowHandle()
{
    if (m_hintWindow)
        m_hintWindow->DestroyHandle();
}

void TApplication::HintMouseMessage(TControl* control, TMessage& message)
{
    POINT point = control->ClientToScreen(POINT { GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam) });
    TControl* next = HintControlOf(FindDragTarget(point, true));
    if (!next) {
        CancelHint();
        return;
    }
    if (next == m_hintControl && PtInRect(&m_hintCursorRect, point))
        return;
    int pause = m_hintActive ? HintShortDelay : HintDelay;
    next->HintShowPause(m_hintActive, pause);
    if (!m_hintActive || pause != 0) {
        CancelHint();
        m_hintControl = next;
        StartHintTimer(pause, true);
    } else {
        m_hintControl = next;
        ActivateHint(point);
    }
}

void TApplication::ActivateHint(POINT cursor)
{
    if (!m_hintEnabled || !m_hintControl || !m_hintWindow || !ForegroundTask()
        || HintControlOf(FindDragTarget(cursor, true)) != m_hintControl) {
        CancelHint();
        return;
    }
    POINT origin = m_hintControl->ClientOrigin();
    THintInfo info;
    info.HintControl = m_hintControl;
    info.HintPos = { cursor.x, cursor.y + CursorHeightMargin() };
    info.HintMaxWidth = GetSystemMetrics(SM_CXSCREEN);
    info.HintColor = HintBackColor;
    info.CursorRect = { origin.x, origin.y, origin.x + m_hintControl->Width(), origin.y + m_hintControl->Height() };
    info.CursorPos = { cursor.x - origin.x, cursor.y - origin.y };
    info.HideTimeout = HintHideDelay;
    info.HintStr = ShortHint(m_hintControl->Hint());
    bool canShow = m_hintControl->HintShow(info);
    if (canShow && OnAppShowHint)
        OnAppShowHint(info.HintStr, canShow);
    if (!canShow || info.HintStr.empty()) {
        if (canShow && info.ReshowTimeout > 0) {
            m_hintWindow->HideHint();
            StartHintTimer(info.ReshowTimeout, true);
        } else {
            CancelHint();
        }
        return;
    }
    m_hintCursorRect = info.CursorRect;
    RECT rect = m_hintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr);
    OffsetRect(&rect, info.HintPos.x, info.HintPos.y);
    m_hintWindow->SetColor(info.HintColor);
    m_hintWindow->ActivateHint(rect, info.HintStr);
    m_hintActive = true;
    m_hintShown = true;
    HookHintHooks();
    if (info.ReshowTimeout > 0)
        StartHintTimer(info.ReshowTimeout, true);
    else
        StartHintTimer(info.HideTimeout, false);
}

void TApplication::CancelHint()
{
    if (!m_hintControl)
        return;
    if (m_hintWindow)
        m_hintWindow->HideHint();
    m_hintControl = nullptr;
    m_hintActive = false;
    m_hintShown = false;
    UnhookHintHooks();
    StopHintTimer();
}

void TApplication::HintCancelTest(const MSG& message)
{
    if (THintWindow::IsHintMsg(message))
        CancelHint();
}

void TApplication::StartHintTimer(int delay, bool showMode)
{
    StopHintTimer();
    m_hintTimer = SetTimer(nullptr, 0, static_cast<UINT>(delay), &HintTimerProc);
    m_hintTimerShows = showMode;
    if (!m_hintTimer)
        CancelHint();
}

void TApplication::StopHintTimer()
{
    if (m_hintTimer) {
        KillTimer(nullptr, m_hintTimer);
        m_hintTimer = 0;
    }
}

void CALLBACK TApplication::HintTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!Application || id != Application->m_hintTimer) {
        KillTimer(nullptr, id);
        return;
    }
    CallCatching([] { Application->HintTimerExpired(); }, [] { Application->HandleLoopException(Application); });
}

void TApplication::HintTimerExpired()
{
    StopHintTimer();
    if (m_hintTimerShows) {
        POINT cursor;
        if (GetCursorPos(&cursor))
            ActivateHint(cursor);
    } else if (m_hintWindow) {
        // The control and the active state stay: moving within the control shows
        // nothing until the mouse leaves it.
        m_hintWindow->HideHint();
        m_hintShown = false;
    }
}

// ---- watchers while RunApp's loop is not running --------------------------------------

// Whether the cursor is over a window of the frame; only the GUI thread asks, since
// the frame's objects are made and destroyed there.
static bool CursorOverFrame()
{
    POINT cursor;
    return GetCursorPos(&cursor) && FindControl(WindowFromPoint(cursor));
}

LRESULT CALLBACK TApplication::HintGetMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && Application && lParam) {
        CallCatching(
            [&] {
                if (Application->m_hintCheckRequested.exchange(false) && Application->m_hintShown && !CursorOverFrame())
                    Application->CancelHint();
                else if (wParam == PM_REMOVE)
                    Application->HintCancelTest(*reinterpret_cast<const MSG*>(lParam));
            },
            [] { Application->HandleLoopException(Application); });
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The watcher thread reads only the cursor position and whether a hint is shown. When
// the cursor has moved while a hint is up, it asks the GUI thread to look whether the
// cursor left the frame's windows; the GUI thread's message hook does the rest.
DWORD WINAPI TApplication::HintWatcher(void* data)
{
    auto* application = static_cast<TApplication*>(data);
    POINT last { LONG_MIN, LONG_MIN };
    while (WaitForSingleObject(application->m_hintWatcherStop, 100) == WAIT_TIMEOUT) {
        POINT cursor;
        if (!application->m_hintShown || !GetCursorPos(&cursor))
            continue;
        if (cursor.x == last.x && cursor.y == last.y)
            continue;
        last = cursor;
        application->m_hintCheckRequested = true;
        PostThreadMessageA(application->m_hintGuiThreadId, WM_NULL, 0, 0);
    }
    return 0;
}

void TApplication::HookHintHooks()
{
    if (m_running || m_hintHook)
        return;
    m_hintCheckRequested = false;
    m_hintGuiThreadId = GetCurrentThreadId();
    m_hintHook = SetWindowsHookExA(WH_GETMESSAGE, &HintGetMessageHook, nullptr, m_hintGuiThreadId);
    m_hintWatcherStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_hintWatcherStop)
        m_hintWatcher = CreateThread(nullptr, 1000, &HintWatcher, this, 0, &m_hintWatcherId);
}

void TApplication::UnhookHintHooks()
{
    if (m_hintHook) {
        UnhookWindowsHookEx(m_hintHook);
        m_hintHook = nullptr;
    }
    if (m_hintWatcher) {
        SetEvent(m_hintWatcherStop);
        if (GetCurrentThreadId() != m_hintWatcherId)
            WaitForSingleObject(m_hintWatcher, INFINITE);
        CloseHandle(m_hintWatcher);
        m_hintWatcher = nullptr;
        m_hintWatcherId = 0;
    }
    if (m_hintWatcherStop) {
        CloseHandle(m_hintWatcherStop);
        m_hintWatcherStop = nullptr;
    }
}
