#include "tray/KitTrayIcon.h"

#include "tray/KitCustomImageList.h"
#include "tray/PopupMenu.h"
#include "frame/Application.h"
#include "frame/Form.h"
#include "graphics/Icon.h"
#include "runtime/ClassInfo.h"
#include "runtime/Exceptions.h"
#include "runtime/Platform.h"
#include "runtime/UtilityWindow.h"

#include <cstring>

namespace {

// The first bytes of a text that fit the limit without cutting a double-byte character.
std::size_t CutLength(const AnsiString& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    return ByteKindAt(text, limit) == ByteKind::Trail ? limit - 1 : limit;
}

}

TKitTrayIcon::TKitTrayIcon(TComponent* owner) : TKitWndProcComponent(owner)
{
    SetHandleApp(false);
    m_icon = std::make_unique<TIcon>();
    m_icon->SetOnChange([this](TObject* sender) { IconChanged(sender); });
    m_callbackWindow = AllocateUtilityWindow([this](TMessage& message) { CallbackWndProc(message); }, this);
    m_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    m_active = true;
    m_changeLink = std::make_unique<TKitChangeLink>();
    m_changeLink->OnChange = [this](TObject* sender) { GetIMLChange(sender); };
}

TKitTrayIcon::~TKitTrayIcon()
{
    m_alive.Expire();
    try {
        DeActivateTimer(m_timerMode);
    } catch (...) {
        // A destructor reports nothing: the icon goes whether or not its timer stopped.
    }
    if (m_imageList)
        m_imageList->UnRegisterChanges(m_changeLink.get());
    m_changeLink.reset();
    SetEnabled(false);
    m_hint.clear();
    NotifyIcon(NIM_DELETE);
    ReleaseUtilityWindow(m_callbackWindow);
    m_callbackWindow = nullptr;
    m_icon.reset();
}

void TKitTrayIcon::Loaded()
{
    TKitWndProcComponent::Loaded();
    if (m_active) {
        m_active = false;
        SetActive(true);
    }
}

void TKitTrayIcon::SetActive(bool value)
{
    if (!NewShellPlatform() || value == m_active)
        return;
    m_active = value;
    if (HasState(csDesigning))
        return;
    if (value) {
        SetEnabled(true);
        if (Application)
            Application->SetShowPrimaryForm(false);
        ShowWindow(ApplicationWindow(), SW_HIDE);
        if (Application)
            Application->ProcessPendingMessages();
        ActivateTimer();
        NotifyIcon(NIM_ADD);
        EnableTimer(true);
    } else {
        SilentRemove();
        SetEnabled(false);
        if (Application)
            Application->SetShowPrimaryForm(true);
        ShowWindow(ApplicationWindow(), SW_SHOWNORMAL);
        NotifyIcon(NIM_DELETE);
        DeActivateTimer(m_timerMode);
        // Disabled again at the end, as deactivation always has done; it is already
        // off, so this changes nothing and is kept for the documented order.
        SetEnabled(false);
    }
}

NOTIFYICONDATAA TKitTrayIcon::NotifyRecord()
{
    NOTIFYICONDATAA record = NotifyRecordWithoutIcon();
    record.hIcon = m_icon && !m_icon->Empty() ? m_icon->Handle() : nullptr;
    return record;
}

NOTIFYICONDATAA TKitTrayIcon::NotifyRecordWithoutIcon() const
{
    NOTIFYICONDATAA record {};
    record.cbSize = TrayRecordSize;
    record.hWnd = m_callbackWindow;
    record.uID = 0;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    std::size_t length = CutLength(m_hint, TrayTipLength);
    std::memcpy(record.szTip, m_hint.data(), length);
    record.szTip[length] = '\0';
    return record;
}

void TKitTrayIcon::NotifyIcon(DWORD message)
{
    if (HasState(csDesigning))
        return;
    NOTIFYICONDATAA record {};
    if (message == NIM_DELETE) {
        // The shell needs only the window and id to take the icon out: an icon whose
        // data cannot make a handle does not keep it in the tray.
        try {
            record = NotifyRecord();
        } catch (const Exception&) {
            record = NotifyRecordWithoutIcon();
        }
    } else {
        record = NotifyRecord();
    }
    if (message == NIM_ADD)
        m_handedToShell = true;
    else if (message == NIM_DELETE)
        m_handedToShell = false;
    Shell_NotifyIconA(message, &record);
}

void TKitTrayIcon::SetHint(const AnsiString& value)
{
    if (value == m_hint && !HasState(csLoading))
        return;
    m_hint = value;
    if (m_active)
        NotifyIcon(NIM_MODIFY);
}

void TKitTrayIcon::SetIcon(TIcon* value) { m_icon->Assign(value); }

void TKitTrayIcon::IconChanged(TObject*)
{
    if (!HasState(csDesigning) && m_active)
        NotifyIcon(NIM_MODIFY);
}

void TKitTrayIcon::SetPopUpMenu(TPopupMenu* value)
{
    if (value == m_popupMenu)
        return;
    m_popupMenu = value;
    if (value)
        value->FreeNotification(this);
}

void TKitTrayIcon::SetImageList(TKitCustomImageList* value)
{
    if (m_imageList)
        m_imageList->UnRegisterChanges(m_changeLink.get());
    m_imageList = value;
    if (value) {
        value->RegisterChanges(m_changeLink.get());
        value->FreeNotification(this);
    }
    GetIMLChange(value);
}

void TKitTrayIcon::GetIMLChange(TObject* sender) { GetChange(sender); }

void TKitTrayIcon::Notification(TComponent* component, TOperation operation)
{
    TKitWndProcComponent::Notification(component, operation);
    if (operation != TOperation::opRemove)
        return;
    if (component == m_popupMenu)
        m_popupMenu = nullptr;
    if (m_imageList && component == m_imageList)
        SetImageList(nullptr);
}

// ---- the shell's callbacks ----------------------------------------------------------

void TKitTrayIcon::CallbackWndProc(TMessage& message)
{
    if (m_taskbarCreated && message.Msg == m_taskbarCreated) {
        ShellRecreated();
        message.Result = DefWindowProcA(m_callbackWindow, message.Msg, message.WParam, message.LParam);
        return;
    }
    if (message.Msg != WM_TRAYNOTIFY) {
        message.Result = DefWindowProcA(m_callbackWindow, message.Msg, message.WParam, message.LParam);
        return;
    }
    GetCursorPos(&m_cursorPos);
    int x = m_cursorPos.x, y = m_cursorPos.y;
    TShiftState shift = KeysToShiftState(message.WParam);
    // A handler may free the icon: nothing of it is touched after that.
    TAliveToken::Watcher alive = m_alive.Watch();
    auto notify = [this, alive](const TNotifyEvent& event) {
        if (alive && event)
            event(this);
    };
    auto down = [&](TMouseButton button, TShiftState state) {
        if (alive && OnMouseDown)
            OnMouseDown(this, button, state, x, y);
    };
    auto up = [&](TMouseButton button) {
        notify(OnClick);
        if (alive && OnMouseUp)
            OnMouseUp(this, button, shift, x, y);
    };
    auto doubleClick = [&](TMouseButton button) {
        notify(OnDblClick);
        down(button, shift | ssDouble);
    };
    switch (static_cast<UINT>(message.LParam)) {
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(this, shift, x, y);
        break;
    case WM_LBUTTONDOWN: down(mbLeft, shift); break;
    case WM_LBUTTONUP: up(mbLeft); break;
    case WM_LBUTTONDBLCLK: doubleClick(mbLeft); break;
    case WM_RBUTTONDOWN:
        down(mbRight, shift);
        if (alive)
            Popup();
        break;
    case WM_RBUTTONUP: up(mbRight); break;
    case WM_RBUTTONDBLCLK: doubleClick(mbRight); break;
    case WM_MBUTTONDOWN: down(mbMiddle, shift); break;
    case WM_MBUTTONUP: up(mbMiddle); break;
    case WM_MBUTTONDBLCLK: doubleClick(mbMiddle); break;
    default: break;
    }
}

void TKitTrayIcon::Popup()
{
    if (!m_popupMenu)
        return;
    TAliveToken::Watcher alive = m_alive.Watch();
    if (OnPopUp)
        OnPopUp(this);
    if (!alive)
        return;
    SetForegroundWindow(ApplicationWindow());
    if (Application)
        Application->ProcessPendingMessages();
    // The icon or its menu may have gone while pending messages ran.
    if (!alive || !m_popupMenu)
        return;
    m_popupMenu->SetInvokingComponent(this);
    m_popupMenu->PopupAt(m_cursorPos.x, m_cursorPos.y);
}

// The shell's taskbar was made anew (the shell restarted): an icon that was in the
// tray is added again, so that the program keeps its only control. One made in code
// and never activated stays out, as before.
void TKitTrayIcon::ShellRecreated()
{
    if (m_active && m_handedToShell && !HasState(csDesigning))
        NotifyIcon(NIM_ADD);
}

// ---- the owner form -----------------------------------------------------------------

void TKitTrayIcon::HideOwner()
{
    ShowWindow(ApplicationWindow(), SW_HIDE);
    if (auto* form = dynamic_cast<TCustomForm*>(Owner()))
        form->HideForm();
    else if (auto* appForm = dynamic_cast<IAppForm*>(Owner()))
        appForm->SetFormVisible(false);
}

void TKitTrayIcon::WndProc(TMessage& message)
{
    if (OwnerDestroying() || message.Msg != WM_SYSCOMMAND) {
        TKitWndProcComponent::WndProc(message);
        return;
    }
    WPARAM command = message.WParam & 0xFFF0;
    if (command == SC_MINIMIZE) {
        TAliveToken::Watcher alive = m_alive.Watch();
        TKitWndProcComponent::WndProc(message);
        if (alive && !m_showMinimizedIcon)
            HideOwner();
        return;
    }
    if (command == SC_CLOSE && m_noClose && m_active) {
        HideOwner();
        return;
    }
    TKitWndProcComponent::WndProc(message);
}

// ---- form streams -------------------------------------------------------------------

static const TClassRegistration<TKitTrayIcon> trayIconInfo("TKitTrayIcon", [](TClassBuilder<TKitTrayIcon>& c) {
    static const TEnumType timerModes { "tmGlobalTimer", "tmHiTimer", "tmThreaded" };
    static const TEnumType priorities { "tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest",
        "tpTimeCritical" };
    c.Parent<TComponent>();
    c.Constructor();
    c.String("About", &TKitTrayIcon::SetAbout);
    c.Boolean("Active", &TKitTrayIcon::Active, &TKitTrayIcon::SetActive);
    c.String("Hint", &TKitTrayIcon::SetHint);
    c.Object<TIcon>("Icon", &TKitTrayIcon::Icon, &TKitTrayIcon::SetIcon);
    c.Boolean("NoClose", &TKitTrayIcon::NoClose, &TKitTrayIcon::SetNoClose);
    c.Boolean("ShowMinimizedIcon", &TKitTrayIcon::ShowMinimizedIcon, &TKitTrayIcon::SetShowMinimizedIcon);
    c.Reference<TPopupMenu>("PopupMenu", &TKitTrayIcon::PopupMenu, &TKitTrayIcon::SetPopUpMenu);
    c.Reference<TKitCustomImageList>("ImageList", &TKitTrayIcon::ImageList, &TKitTrayIcon::SetImageList);
    c.Enum("TimerMode", timerModes, &TKitTrayIcon::TimerMode,
        [](TKitTrayIcon& o, long long v) { o.SetTimerMode(static_cast<TKitTimerMode>(v)); });
    c.Enum("ThreadPriority", priorities, &TKitTrayIcon::ThreadPriority,
        [](TKitTrayIcon& o, long long v) { o.SetThreadPriority(static_cast<TThreadPriority>(v)); });
    c.Integer("Interval", &TKitTrayIcon::Interval, &TKitTrayIcon::SetInterval, nullptr, 2);
    c.Boolean("Animated", &TKitTrayIcon::Animated, &TKitTrayIcon::SetAnimated);
    c.Event<TNotifyEvent>("OnClick", &TKitTrayIcon::OnClick);
    c.Event<TNotifyEvent>("OnDblClick", &TKitTrayIcon::OnDblClick);
    c.Event<TMouseEvent>("OnMouseDown", &TKitTrayIcon::OnMouseDown);
    c.Event<TMouseMoveEvent>("OnMouseMove", &TKitTrayIcon::OnMouseMove);
    c.Event<TMouseEvent>("OnMouseUp", &TKitTrayIcon::OnMouseUp);
    c.Event<TNotifyEvent>("OnPopUp", &TKitTrayIcon::OnPopUp);
});
