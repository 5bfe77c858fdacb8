#include "tray/KitTrayIcon.h"

#include "tray/KitApplication.h"
#include "tray/KitCustomImageList.h"
#include "tray/PopupMenu.h"
#include "frame/Application.h"
#include "frame/Form.h"
#include "graphics/GdiHandles.h"
#include "graphics/Icon.h"
#include "runtime/ClassInfo.h"
#include "runtime/Exceptions.h"
#include "runtime/UtilityWindow.h"

#include <cstring>

namespace {

constexpr int TimerUnavailableText = 65370;
// The largest interval of the 16-bit field that the pool's 50 ms tick divides.
constexpr std::uint16_t LargestPoolInterval = 65500;

int PlatformMajorVersion()
{
    return static_cast<int>(GetVersion() & 0xFF);
}

HWND ApplicationWindow()
{
    return Application ? Application->Handle() : nullptr;
}

// The first bytes of a text that fit the limit without cutting a double-byte character.
std::size_t CutLength(const AnsiString& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    return ByteKindAt(text, limit) == ByteKind::Trail ? limit - 1 : limit;
}

// An icon of the bitmap: a monochrome copy of it serves as the mask.
HICON KitBitmap2Icon(HBITMAP bitmap, int width, int height)
{
    TScreenDC screen;
    TMemoryDC source(screen), target(screen);
    TGdiBitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask)
        return nullptr;
    HGDIOBJ oldSource = SelectObject(source, bitmap);
    HGDIOBJ oldTarget = SelectObject(target, mask.Get());
    BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(target, oldTarget);
    SelectObject(source, oldSource);
    ICONINFO info {};
    info.fIcon = TRUE;
    info.hbmMask = mask.Get();
    info.hbmColor = bitmap;
    return CreateIconIndirect(&info);
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
    try {
        DeActivateTimer(m_timerMode);
    } catch (...) {
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
    if (PlatformMajorVersion() < 4 || value == m_active)
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

void TKitTrayIcon::SetIcon(TIcon* value)
{
    m_icon->Assign(value);
}

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

void TKitTrayIcon::GetIMLChange(TObject* sender)
{
    GetChange(sender);
}

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
    auto notify = [this](const TNotifyEvent& event) {
        if (event)
            event(this);
    };
    auto down = [&](TMouseButton button, TShiftState state) {
        if (OnMouseDown)
            OnMouseDown(this, button, state, x, y);
    };
    auto up = [&](TMouseButton button) {
        notify(OnClick);
        if (OnMouseUp)
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
    case WM_LBUTTONDOWN:
        down(mbLeft, shift);
        break;
    case WM_LBUTTONUP:
        up(mbLeft);
        break;
    case WM_LBUTTONDBLCLK:
        doubleClick(mbLeft);
        break;
    case WM_RBUTTONDOWN:
        down(mbRight, shift);
        Popup();
        break;
    case WM_RBUTTONUP:
        up(mbRight);
        break;
    case WM_RBUTTONDBLCLK:
        doubleClick(mbRight);
        break;
    case WM_MBUTTONDOWN:
        down(mbMiddle, shift);
        break;
    case WM_MBUTTONUP:
        up(mbMiddle);
        break;
    case WM_MBUTTONDBLCLK:
        doubleClick(mbMiddle);
        break;
    default:
        break;
    }
}

void TKitTrayIcon::Popup()
{
    if (!m_popupMenu)
        return;
    if (OnPopUp)
        OnPopUp(this);
    SetForegroundWindow(ApplicationWindow());
    if (Application)
        Application->ProcessPendingMessages();
    // The menu may have gone while pending messages ran.
    if (!m_popupMenu)
        return;
    m_popupMenu->SetInvokingComponent(this);
    m_popupMenu->PopupAt(m_cursorPos.x, m_cursorPos.y);
}

// The shell's taskbar was made anew (the shell restarted): an active icon is added
// again, so that the program keeps its only control.
void TKitTrayIcon::ShellRecreated()
{
    if (m_active && !HasState(csDesigning))
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
        TKitWndProcComponent::WndProc(message);
        if (!m_showMinimizedIcon)
            HideOwner();
        return;
    }
    if (command == SC_CLOSE && m_noClose && m_active) {
        HideOwner();
        return;
    }
    TKitWndProcComponent::WndProc(message);
}

// ---- animation ----------------------------------------------------------------------

void TKitTrayIcon::SetAnimated(bool value)
{
    if (value == m_animated)
        return;
    m_animated = value;
    if (value) {
        ActivateTimer();
        EnableTimer(true);
    } else {
        DeActivateTimer(m_timerMode);
    }
}

void TKitTrayIcon::SetTimerMode(TKitTimerMode value)
{
    if (value == m_timerMode)
        return;
    if (HasState(csLoading)) {
        m_timerMode = value;
        return;
    }
    DeActivateTimer(m_timerMode);
    m_timerMode = value;
    ActivateTimer();
}

void TKitTrayIcon::ActivateTimer()
{
    if (!m_animated)
        return;
    if (m_timerMode == tmGlobalTimer) {
        if (m_globalTimerId != 0)
            return;
        if (m_interval % 50 != 0) {
            unsigned rounded = (m_interval / 50u + 1u) * 50u;
            // The field holds 16 bits: a longer interval takes the largest that fits.
            m_interval = static_cast<std::uint16_t>(rounded > 65535u ? LargestPoolInterval : rounded);
        }
        std::uint16_t id = KitApplication()->AddTimer(m_interval, [this](TObject* sender) { GetTimer(sender); });
        if (id == 0)
            throw EOutOfResources(LoadResString(TimerUnavailableText));
        m_globalTimerId = id;
        if (TKitTimerItem* item = KitApplication()->GetTimer(id))
            item->SetEnabled(false);
    } else if (!m_hiTimer) {
        m_hiTimer = MakeOwned<TKitHiTimer>(this);
        m_hiTimer->OnTimer = [this](TObject* sender) { GetTimer(sender); };
        m_hiTimer->SetUseThread(m_timerMode == tmThreaded);
    }
}

void TKitTrayIcon::EnableTimer(bool on)
{
    if (!m_animated)
        return;
    m_frameIndex = 0;
    if (m_timerMode == tmGlobalTimer) {
        TKitTimerItem* item = m_globalTimerId ? KitApplication()->GetTimer(m_globalTimerId) : nullptr;
        if (!item)
            return;
        if (on)
            item->SetInterval(m_interval);
        item->SetEnabled(on);
        // The pool's platform timer runs only while an item was enabled at its start.
        if (on && !KitApplication()->TimerPool()->Active())
            KitApplication()->TimerPool()->UpdateMainTimer(true);
    } else if (m_hiTimer) {
        if (on) {
            m_hiTimer->SetInterval(m_interval);
            m_hiTimer->SetThreadPriority(m_threadPriority);
        }
        m_hiTimer->SetEnabled(on);
    }
}

void TKitTrayIcon::DeActivateTimer(TKitTimerMode mode)
{
    if (mode == tmGlobalTimer) {
        if (m_globalTimerId != 0)
            KitApplication()->RemoveTimer(m_globalTimerId);
        m_globalTimerId = 0;
    } else if (m_hiTimer) {
        TKitHiTimer* timer = m_hiTimer;
        m_hiTimer = nullptr;
        DestroyComponent(timer);
    }
}

void TKitTrayIcon::GetTimer(TObject*)
{
    if (!m_imageList || HasState(csDesigning))
        return;
    int count = m_imageList->ImageCount(m_imageListIndex);
    if (count <= 0)
        return;
    // Every image of the list is shown in turn; never one past its end.
    if (m_frameIndex < 0 || m_frameIndex >= count)
        m_frameIndex = 0;
    NOTIFYICONDATAA record = NotifyRecord();
    const int size = 16;
    TScreenDC screen;
    TGdiBitmap bitmap(CreateCompatibleBitmap(screen, size, size));
    if (!bitmap)
        return;
    {
        TMemoryDC dc(screen);
        HGDIOBJ old = SelectObject(dc, bitmap.Get());
        RECT all { 0, 0, size, size };
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        m_imageList->Draw(m_imageListIndex, m_frameIndex, dc, 0, 0);
        SelectObject(dc, old);
    }
    HICON icon = KitBitmap2Icon(bitmap.Get(), size, size);
    if (icon) {
        record.hIcon = icon;
        Shell_NotifyIconA(NIM_MODIFY, &record);
        DestroyIcon(icon);
    }
    m_frameIndex = m_frameIndex + 1 >= count ? 0 : m_frameIndex + 1;
}

// ---- form streams -------------------------------------------------------------------

static const TClassRegistration<TKitTrayIcon> trayIconInfo("TKitTrayIcon", [](TClassBuilder<TKitTrayIcon>& c) {
    static const TEnumType timerModes { "tmGlobalTimer", "tmHiTimer", "tmThreaded" };
    static const TEnumType priorities { "tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical" };
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
