// The tray icon: one icon in the notification area of the taskbar, the program kept
// out of the taskbar, and mouse actions on the icon turned into events and a popup
// menu. It hooks its owner form's window to watch its minimize and close commands.
#pragma once

#include "tray/KitHiTimer.h"
#include "tray/KitWndProcComponent.h"
#include "frame/Control.h"
#include "runtime/AliveToken.h"

#include <cstdint>
#include <memory>

#include <shellapi.h>
#include <windows.h>

class TIcon;
class TPopupMenu;
class TKitCustomImageList;
class TKitChangeLink;

enum TKitTimerMode { tmGlobalTimer, tmHiTimer, tmThreaded };

// The callback message the shell sends for the icon.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 0x65;
// The notify record of the first shell version (88 bytes in the 32-bit program).
constexpr DWORD TrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
// Bytes of the tip, its terminating zero not counted.
constexpr std::size_t TrayTipLength = 63;

class TKitTrayIcon : public TKitWndProcComponent {
public:
    SV_CLASS_NAME(TKitTrayIcon)
    explicit TKitTrayIcon(TComponent* owner);
    ~TKitTrayIcon() override;

    bool Active() const { return m_active; }
    void SetActive(bool value);
    const AnsiString& Hint() const { return m_hint; }
    void SetHint(const AnsiString& value);
    TIcon* Icon() const { return m_icon.get(); }
    void SetIcon(TIcon* value);
    bool NoClose() const { return m_noClose; }
    void SetNoClose(bool value) { m_noClose = value; }
    bool ShowMinimizedIcon() const { return m_showMinimizedIcon; }
    void SetShowMinimizedIcon(bool value) { m_showMinimizedIcon = value; }
    TPopupMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopUpMenu(TPopupMenu* value);
    TKitCustomImageList* ImageList() const { return m_imageList; }
    void SetImageList(TKitCustomImageList* value);
    TKitTimerMode TimerMode() const { return m_timerMode; }
    void SetTimerMode(TKitTimerMode value);
    TThreadPriority ThreadPriority() const { return m_threadPriority; }
    void SetThreadPriority(TThreadPriority value) { m_threadPriority = value; }
    std::uint16_t Interval() const { return m_interval; }
    void SetInterval(std::uint16_t value) { m_interval = value == 0 ? 1 : value; }
    bool Animated() const { return m_animated; }
    void SetAnimated(bool value);

    // The notify record as the shell gets it: the callback window, id 0, all three
    // flags, the icon and the hint cut to 63 bytes (never inside a double-byte
    // character).
    NOTIFYICONDATAA NotifyRecord();
    // Hands the record to the shell with NIM_ADD, NIM_MODIFY or NIM_DELETE.
    void NotifyIcon(DWORD message);

    // The hidden window the shell's callback messages arrive at.
    HWND CallbackWindow() const { return m_callbackWindow; }
    // The cursor position taken at the last callback message (screen coordinates).
    POINT CursorPos() const { return m_cursorPos; }
    // The animation's frame shown next, and its pool entry (0: none).
    int FrameIndex() const { return m_frameIndex; }
    std::uint16_t GlobalTimerId() const { return m_globalTimerId; }
    TKitHiTimer* HiTimer() const { return m_hiTimer; }

    void Loaded() override;
    void WndProc(TMessage& message) override;

    // Window procedure of the callback window.
    void CallbackWndProc(TMessage& message);
    void IconChanged(TObject* sender);
    void GetIMLChange(TObject* sender);
    // One animation frame.
    void GetTimer(TObject* sender);

    TNotifyEvent OnDblClick;
    TNotifyEvent OnClick;
    TNotifyEvent OnPopUp;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ActivateTimer();
    void EnableTimer(bool on);
    void DeActivateTimer(TKitTimerMode mode);
    void HideOwner();
    void Popup();
    void ShellRecreated();
    NOTIFYICONDATAA NotifyRecordWithoutIcon() const;

    bool m_animated = false;
    bool m_active = false;
    bool m_noClose = false;
    AnsiString m_hint;
    std::unique_ptr<TIcon> m_icon;
    POINT m_cursorPos { 0, 0 };
    TPopupMenu* m_popupMenu = nullptr;
    HWND m_callbackWindow = nullptr;
    TThreadPriority m_threadPriority = tpNormal;
    TKitCustomImageList* m_imageList = nullptr;
    int m_imageListIndex = 0;
    std::unique_ptr<TKitChangeLink> m_changeLink;
    TKitTimerMode m_timerMode = tmGlobalTimer;
    std::uint16_t m_interval = 200;
    int m_frameIndex = 0;
    std::uint16_t m_globalTimerId = 0;
    TKitHiTimer* m_hiTimer = nullptr; // owned: a component of the tray icon
    bool m_showMinimizedIcon = false;
    UINT m_taskbarCreated = 0;
    // The icon was handed to the shell (NIM_ADD) and not taken back since.
    bool m_handedToShell = false;
    // False once the icon is destroyed; a callback in progress holds a copy, so that
    // a handler freeing the icon ends the handling there.
    TAliveToken m_alive;
};
