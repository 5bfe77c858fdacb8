#include "frame/Form.h"

#include "runtime/ClassInfo.h"
#include "frame/ControlCanvas.h"
#include "graphics/IdentMaps.h"
#include "frame/Reader.h"
#include "frame/Screen.h"
#include "frame/ThreadWindows.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/Icon.h"
#include "runtime/LoopException.h"
#include "graphics/GdiHandles.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <cstring>

namespace {

// The keys held down, as a shift state.
TShiftState KeyboardShiftState()
{
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

// The windowed controls of a container in tab order (creation order, depth first).
void CollectTabOrder(TWinControl* container, std::vector<TWinControl*>& list)
{
    for (TWinControl* child : container->TabList()) {
        list.push_back(child);
        CollectTabOrder(child, list);
    }
}

int ShowCommand(TWindowState state)
{
    switch (state) {
    case wsMinimized: return SW_SHOWMINNOACTIVE;
    case wsMaximized: return SW_SHOWMAXIMIZED;
    default: return SW_SHOWNORMAL;
    }
}

MONITORINFO MonitorInfo(HMONITOR monitor)
{
    MONITORINFO info {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    return info;
}

}

TCustomForm::TCustomForm(TComponent* owner, TFormSource source) : TCustomForm(owner, source, false) {}

TCustomForm::TCustomForm(TComponent* owner, TFormSource source, bool isTForm)
    : TWinControl(owner)
    , m_source(source)
    , m_icon(std::make_unique<TIcon>())
    , m_canvas(std::make_unique<TControlCanvas>())
{
    m_icon->SetWidth(GetSystemMetrics(SM_CXSMICON));
    m_icon->SetHeight(GetSystemMetrics(SM_CYSMICON));
    m_icon->SetOnChange([this](TObject*) { IconChanged(); });
    m_controlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    m_left = 0;
    m_top = 0;
    m_width = 320;
    m_height = 240;
    m_visible = false;
    m_color = clBtnFace;
    m_brush->SetColor(m_color);
    m_parentFont = false;
    m_parentColor = false;
    if (Screen)
        m_pixelsPerInch = Screen->PixelsPerInch();
    m_canvas->SetControl(this);
    if (Screen)
        Screen->AddForm(this, isTForm);
}

TCustomForm::~TCustomForm()
{
    BeforeDestruction();
    m_icon->SetOnChange(nullptr);
    m_canvas->SetControl(nullptr);
}

void TCustomForm::AfterConstruction()
{
    TWinControl::AfterConstruction();
    if (m_constructed)
        return;
    bool created = false;
    if (m_source == TFormSource::Resource && std::strcmp(ClassName(), "TForm") != 0) {
        TNameSpaceLock lock;
        {
            m_creating = true;
            ScopeExit created([this] { m_creating = false; });
            m_oldCreateOrder = false;
            if (!InitInheritedComponent(*this, typeid(TForm)))
                throw EResNotFound(Exception::ResText(TextId::ResourceNotFound, ClassName()));
        }
        if (m_oldCreateOrder) {
            DoCreate();
            created = true;
        }
    }
    m_constructed = true;
    if (!created)
        DoCreate();
    if (m_activatePending) {
        m_activatePending = false;
        Activate();
    }
}

TCustomForm* FindGlobalForm(const AnsiString& name)
{
    if (!Screen || name.empty())
        return nullptr;
    for (int i = 0; i < Screen->CustomFormCount(); ++i) {
        auto* form = dynamic_cast<TCustomForm*>(Screen->CustomForms(i));
        if (form && SameText(form->Name(), name))
            return form;
    }
    return nullptr;
}

namespace {
// The reader looks for other forms among the screen's forms.
const struct FormFinderRegistration {
    FormFinderRegistration()
    {
        RegisterFindGlobalComponent([](const AnsiString& name) -> TComponent* { return FindGlobalForm(name); });
    }
} formFinderRegistration;
}

void TCustomForm::BeforeDestruction()
{
    if (m_destroying)
        return;
    m_destroying = true;
    TNameSpaceLock lock;
    TWinControl::BeforeDestruction();
    // References waiting in other forms' streams for this one are dropped, and so
    // are this form's own references still waiting for another form: they would
    // write into this form once that one is read.
    if (!Name().empty())
        RemoveFixupReferences(nullptr, Name());
    RemoveFixupReferences(this, {});
    if (Screen) {
        auto& saved = Screen->SavedFocusedForms();
        saved.erase(std::remove(saved.begin(), saved.end(), this), saved.end());
    }
    if (m_formStyle != fsMDIChild)
        RunAtEntryPoint([this] { HideForm(); }, this);
    DoDestroy();
    DestroyHandle();
    if (Screen) {
        Screen->RemoveForm(this);
        Screen->ForgetForm(this);
    }
    DestroyComponents();
}

void TCustomForm::DoCreate()
{
    if (OnCreate)
        RunAtEntryPoint([this] { OnCreate(this); }, this);
    if (m_visiblePending) {
        m_visiblePending = false;
        SetVisible(true);
    }
}

void TCustomForm::DoDestroy()
{
    if (OnDestroy)
        RunAtEntryPoint([this] { OnDestroy(this); }, this);
}

void TCustomForm::DoShow()
{
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide)
        OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action)
{
    if (OnClose)
        OnClose(this, action);
}

void TCustomForm::SetVisible(bool value)
{
    if (m_creating) {
        m_visiblePending = value;
        return;
    }
    if (value && !m_visible)
        MoveToDefaultMonitor(m_position);
    TWinControl::SetVisible(value);
}

void TCustomForm::ShowForm()
{
    SetVisible(true);
    BringToFront();
}

void TCustomForm::HideForm() { SetVisible(false); }

void TCustomForm::ShowingChanged()
{
    if (m_showingChange)
        throw EInvalidOperation(Exception::ResText(TextId::CannotChangeVisibleInShowHide));
    if (!m_showing && m_formStyle == fsMDIChild && m_visible)
        throw EInvalidOperation(Exception::ResText(TextId::CannotHideMdiChild));
    if (Application)
        Application->UpdateAppWindowVisible();
    AutoReset<bool> changing(m_showingChange, true);
    if (m_showing) {
        RunAtEntryPoint([this] { DoShow(); }, this);
        PlaceOnFirstShow();
        ShowWindow(m_handle, ShowCommand(m_windowState));
    } else {
        RunAtEntryPoint([this] { DoHide(); }, this);
        HideWindow();
    }
}

void TCustomForm::HideWindow()
{
    constexpr UINT hideFlags = SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (m_modal) {
        SetWindowPos(m_handle, nullptr, 0, 0, 0, 0, hideFlags);
        return;
    }
    HWND next = nullptr;
    if (GetActiveWindow() == m_handle && !IsIconic(m_handle))
        next = FirstActivatableThreadWindow(m_handle);
    if (next) {
        SetWindowPos(m_handle, nullptr, 0, 0, 0, 0, hideFlags);
        SetActiveWindow(next);
    } else {
        ShowWindow(m_handle, SW_HIDE);
    }
}

void TCustomForm::PlaceOnFirstShow()
{
    bool centred = false;
    int left = m_left;
    int top = m_top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    TPosition position = m_position;
    if (position == poMainFormCenter && m_formStyle == fsMDIChild)
        position = poScreenCenter;
    switch (position) {
    case poScreenCenter:
        left = (screenWidth - m_width) / 2;
        top = (screenHeight - m_height) / 2;
        centred = true;
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* over = nullptr;
        if (position == poOwnerFormCenter)
            over = dynamic_cast<TCustomForm*>(Owner());
        if (!over && Application)
            over = dynamic_cast<TCustomForm*>(Application->PrimaryForm());
        if (over && over != this) {
            left = over->m_left + (over->m_width - m_width) / 2;
            top = over->m_top + (over->m_height - m_height) / 2;
        } else {
            left = (screenWidth - m_width) / 2;
            top = (screenHeight - m_height) / 2;
        }
        centred = true;
        break;
    }
    case poDesktopCenter:
        left = GetSystemMetrics(SM_XVIRTUALSCREEN) + (GetSystemMetrics(SM_CXVIRTUALSCREEN) - m_width) / 2;
        top = GetSystemMetrics(SM_YVIRTUALSCREEN) + (GetSystemMetrics(SM_CYVIRTUALSCREEN) - m_height) / 2;
        centred = true;
        break;
    default: break;
    }
    if (centred) {
        SetBounds(left, top, m_width, m_height);
        if (m_visible)
            MoveToDefaultMonitor(position);
    }
    m_position = poDesigned;
}

void TCustomForm::MoveToDefaultMonitor(TPosition position)
{
    if (m_defaultMonitor == dmDesktop || !Application || !Application->PrimaryForm())
        return;
    HMONITOR target = nullptr;
    switch (m_defaultMonitor) {
    case dmMainForm:
        target = MonitorFromWindow(Application->PrimaryForm()->FormHandle(), MONITOR_DEFAULTTONEAREST);
        break;
    case dmActiveForm: {
        TCustomForm* active = Screen ? Screen->ActiveCustomForm() : nullptr;
        if (!active)
            return;
        target = MonitorFromWindow(active->Handle(), MONITOR_DEFAULTTONEAREST);
        break;
    }
    default: target = MonitorFromPoint(POINT { 0, 0 }, MONITOR_DEFAULTTOPRIMARY); break;
    }
    RECT bounds = BoundsRect();
    HMONITOR current = MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST);
    if (!target || target == current)
        return;
    RECT to = MonitorInfo(target).rcMonitor;
    RECT from = MonitorInfo(current).rcMonitor;
    int left;
    int top;
    if (position == poScreenCenter || position == poMainFormCenter) {
        left = to.left + ((to.right - to.left) - m_width) / 2;
        top = to.top + ((to.bottom - to.top) - m_height) / 2;
    } else {
        left = to.left + (m_left - from.left);
        top = to.top + (m_top - from.top);
        if (left + m_width > to.right)
            left = to.right - m_width;
        if (top + m_height > to.bottom)
            top = to.bottom - m_height;
    }
    SetBounds(left, top, m_width, m_height);
}

void TCustomForm::CloseForm()
{
    if (m_modal) {
        m_modalResult = mrCancel;
        return;
    }
    if (!CanCloseForm())
        return;
    TCloseAction action = caHide;
    if (m_formStyle == fsMDIChild)
        action = (m_borderIcons & biMinimize) ? caMinimize : caNone;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application && Application->PrimaryForm() == static_cast<IAppForm*>(this)) {
        Application->TerminateApp();
        return;
    }
    switch (action) {
    case caHide: HideForm(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: ReleaseForm(); break;
    default: break;
    }
}

bool TCustomForm::CanCloseForm()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::ReleaseForm() { PostMessageA(Handle(), FM_RELEASE, 0, 0); }

TModalResult TCustomForm::ShowFormModal()
{
    if (m_visible || !m_enabled || m_modal || m_formStyle == fsMDIChild)
        throw EInvalidOperation(Exception::ResText(TextId::CannotMakeVisibleModal));
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    m_modal = true;
    HWND activeWindow = GetActiveWindow();
    TCursor savedCursor = crDefault;
    int savedCursorCount = 0;
    if (Screen) {
        Screen->SavedFocusedForms().push_back(Screen->FocusedForm());
        Screen->SetFocusedForm(this);
        savedCursor = Screen->Cursor();
        Screen->SetCursor(crDefault);
        savedCursorCount = Screen->CursorCount();
    }
    std::vector<HWND> disabled;
    TModalResult result = mrNone;
    ScopeExit restore([&] {
        if (Screen) {
            Screen->SetCursor(Screen->CursorCount() == savedCursorCount ? savedCursor : crDefault);
        }
        EnableThreadWindows(disabled);
        if (Screen) {
            auto& saved = Screen->SavedFocusedForms();
            if (!saved.empty()) {
                Screen->SetFocusedForm(saved.back());
                saved.pop_back();
            } else {
                Screen->SetFocusedForm(nullptr);
            }
        }
        if (activeWindow)
            SetActiveWindow(activeWindow);
        m_modal = false;
    });
    disabled = DisableThreadWindows(nullptr);
    ShowForm();
    try {
        Perform(FM_ACTIVATE, 0, 0);
        m_modalResult = mrNone;
        do {
            Application->HandleOneMessage();
            if (Application->Terminating())
                m_modalResult = mrCancel;
            else if (m_modalResult != mrNone)
                ModalCloseStep();
        } while (m_modalResult == mrNone);
        result = m_modalResult;
        Perform(FM_DEACTIVATE, 0, 0);
        if (GetActiveWindow() != m_handle)
            activeWindow = nullptr;
    } catch (...) {
        // Not a guard: hiding the form may raise in its turn.
        HideForm();
        throw;
    }
    HideForm();
    return result;
}

void TCustomForm::ModalCloseStep()
{
    CallCatching(
        [this] {
            TCloseAction action = caNone;
            if (CanCloseForm()) {
                action = caHide;
                DoClose(action);
            }
            switch (action) {
            case caNone: m_modalResult = mrNone; break;
            case caFree: ReleaseForm(); break;
            default: break;
            }
        },
        [this] {
            m_modalResult = mrNone;
            HandleLoopException(this);
        });
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    if (m_borderStyle == value)
        return;
    m_borderStyle = value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value)
{
    if (m_borderIcons == value)
        return;
    m_borderIcons = value;
    RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState value)
{
    if (m_windowState == value)
        return;
    m_windowState = value;
    if (m_handle && m_showing) {
        switch (value) {
        case wsMinimized: ShowWindow(m_handle, SW_MINIMIZE); break;
        case wsMaximized: ShowWindow(m_handle, SW_SHOWMAXIMIZED); break;
        default: ShowWindow(m_handle, SW_RESTORE); break;
        }
    }
}

void TCustomForm::SetFormStyle(TFormStyle value)
{
    if (m_formStyle == value)
        return;
    bool wasOnTop = m_formStyle == fsStayOnTop;
    m_formStyle = value;
    if (m_handle && (wasOnTop || value == fsStayOnTop))
        SetWindowPos(m_handle, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
            SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetPixelsPerInch(int value)
{
    // Values 1 to 35 are no resolution anybody designs at.
    if (value != 0 && value < 36)
        return;
    m_pixelsPerInch = value;
}

void TCustomForm::SetIcon(TIcon* icon) { m_icon->Assign(icon); }

HICON TCustomForm::WindowIcon()
{
    if (!m_icon->Empty())
        return m_icon->Handle();
    return Application ? Application->Icon() : nullptr;
}

void TCustomForm::IconChanged()
{
    if (m_handle && m_borderStyle != bsDialog)
        SendMessageA(m_handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(WindowIcon()));
}

void TCustomForm::FillCreationRecord(TCreateParams& params)
{
    TWinControl::FillCreationRecord(params);
    params.WindowClass.style = CS_DBLCLKS;
    if (!m_parent && !m_parentWindow) {
        params.WndParent = Application ? Application->Handle() : nullptr;
        params.Style &= 0xBFFCFFFF;
    }
    if (m_position == poDefault || m_position == poDefaultPosOnly) {
        params.X = static_cast<int>(CW_USEDEFAULT);
        params.Y = static_cast<int>(CW_USEDEFAULT);
    }
    TFormBorderStyle style = m_borderStyle;
    if (m_formStyle == fsMDIChild && (style == bsNone || style == bsDialog))
        style = bsSizeable;
    TBorderIcons icons = m_borderIcons;
    switch (style) {
    case bsNone:
        if (!m_parent && !m_parentWindow)
            params.Style |= WS_POPUP;
        icons = 0;
        break;
    case bsSingle:
    case bsToolWindow: params.Style |= WS_CAPTION; break;
    case bsSizeable:
    case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        if (m_position == poDefault || m_position == poDefaultSizeOnly) {
            params.Width = static_cast<int>(CW_USEDEFAULT);
            params.Height = static_cast<int>(CW_USEDEFAULT);
        }
        break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        params.WindowClass.style |= CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
        icons &= biSystemMenu | biHelp;
        break;
    }
    if (style == bsToolWindow || style == bsSizeToolWin) {
        params.ExStyle = WS_EX_TOOLWINDOW;
        icons &= biSystemMenu;
    }
    if (style == bsNone || style == bsSingle || style == bsSizeable) {
        if (m_formStyle != fsMDIChild || (icons & biSystemMenu)) {
            if (icons & biMinimize)
                params.Style |= WS_MINIMIZEBOX;
            if (icons & biMaximize)
                params.Style |= WS_MAXIMIZEBOX;
        }
        if (m_windowState == wsMinimized)
            params.Style |= WS_MINIMIZE;
        else if (m_windowState == wsMaximized)
            params.Style |= WS_MAXIMIZE;
    } else {
        m_windowState = wsNormal;
    }
    if (icons & biSystemMenu)
        params.Style |= WS_SYSMENU;
    if (icons & biHelp)
        params.ExStyle |= WS_EX_CONTEXTHELP;
}

void TCustomForm::WindowCreated()
{
    if (m_borderStyle != bsDialog) {
        if (HICON icon = WindowIcon())
            SendMessageA(m_handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
    if (m_formStyle == fsStayOnTop)
        SetWindowPos(m_handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::WindowDestroying()
{
    if (m_handle)
        SendMessageA(m_handle, WM_SETICON, ICON_BIG, 0);
}

void TCustomForm::PaintWindow(HDC dc)
{
    TCanvasOnDC drawing(*m_canvas, dc);
    if (OnPaint)
        OnPaint(this);
}

void TCustomForm::FontChanged()
{
    if (m_creating)
        m_fontRead = true;
    TWinControl::FontChanged();
}

void TCustomForm::SetActiveControl(TWinControl* control)
{
    if (m_activeControl == control)
        return;
    if (control && (control == this || control->ParentForm() != this || (!HasState(csLoading) && !control->CanFocus())))
        throw EInvalidOperation(Exception::ResText(TextId::CannotFocusWindow));
    m_activeControl = control;
    if (m_active && control && !HasState(csLoading))
        ::SetFocus(control->Handle());
}

bool TCustomForm::SetFocusedControl(TWinControl* control)
{
    if (m_destroying)
        return true;
    if (control != this)
        m_activeControl = control;
    m_focusedControl = control;
    if (Screen) {
        Screen->SetActiveControl(control);
        Screen->SetActiveCustomForm(this);
        if (IsTForm())
            Screen->SetActiveForm(this);
    }
    return true;
}

void TCustomForm::FocusControl(TWinControl* control)
{
    SetActiveControl(control);
    if (m_active && control && GetFocus() != control->Handle())
        ::SetFocus(control->Handle());
}

void TCustomForm::SetFocus()
{
    if (!m_visible || !m_enabled)
        throw EInvalidOperation(Exception::ResText(TextId::CannotFocusWindow));
    if (!m_active || GetFocus() != m_handle) {
        if (m_activeControl && m_activeControl->HandleAllocated())
            ::SetFocus(m_activeControl->Handle());
        else
            ::SetFocus(Handle());
    }
}

void TCustomForm::ControlRemoved(TControl* control)
{
    auto inside = [control](TControl* candidate) {
        for (TControl* walk = candidate; walk; walk = walk->Parent())
            if (walk == control)
                return true;
        return false;
    };
    if (m_activeControl && inside(m_activeControl))
        m_activeControl = nullptr;
    if (m_focusedControl && inside(m_focusedControl)) {
        m_focusedControl = nullptr;
        if (m_handle && IsWindowVisible(m_handle) && GetActiveWindow() == m_handle)
            ::SetFocus(m_handle);
    }
    if (Screen && Screen->ActiveControl() && inside(Screen->ActiveControl()))
        Screen->SetActiveControl(nullptr);
}

void TCustomForm::SelectNext(TWinControl* current, bool forward, TWinControl* within)
{
    bool checkTabStop = within == nullptr;
    TWinControl* container = within ? within : this;
    std::vector<TWinControl*> order;
    CollectTabOrder(container, order);
    if (order.empty())
        return;
    int count = static_cast<int>(order.size());
    auto found = std::find(order.begin(), order.end(), current);
    int start = found == order.end() ? (forward ? -1 : count) : static_cast<int>(found - order.begin());
    for (int step = 1; step <= count; ++step) {
        int index = ((forward ? start + step : start - step) % count + count) % count;
        TWinControl* candidate = order[static_cast<std::size_t>(index)];
        if (candidate == current)
            break;
        if (candidate->CanFocus() && (!checkTabStop || candidate->TabStop())) {
            FocusControl(candidate);
            return;
        }
    }
}

bool TCustomForm::DialogKey(WORD key, LPARAM keyData)
{
    if (GetKeyState(VK_MENU) >= 0) {
        if (key == VK_TAB) {
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(m_activeControl, GetKeyState(VK_SHIFT) >= 0, nullptr);
                return true;
            }
        } else if (key >= VK_LEFT && key <= VK_DOWN) {
            if (m_activeControl) {
                SelectNext(m_activeControl, key == VK_RIGHT || key == VK_DOWN, m_activeControl->Parent());
                return true;
            }
            return false;
        }
    }
    return TWinControl::DialogKey(key, keyData);
}

bool TCustomForm::IsShortCut(TMessage& message)
{
    bool handled = false;
    if (OnShortCut)
        OnShortCut(message, handled);
    return handled;
}

bool TCustomForm::FormIsShortCut(TMessage& message) { return IsShortCut(message); }

bool TCustomForm::WantChildKey(TControl* child, TMessage& message)
{
    if (!m_keyPreview || child == this)
        return false;
    if (message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN) {
        if (!OnKeyDown)
            return false;
        WORD key = static_cast<WORD>(message.WParam);
        OnKeyDown(this, key, KeyboardShiftState());
        if (key == 0)
            return true;
        message.WParam = key;
    } else if (message.Msg == WM_CHAR) {
        if (!OnKeyPress)
            return false;
        char key = static_cast<char>(message.WParam);
        OnKeyPress(this, key);
        if (key == 0)
            return true;
        message.WParam = static_cast<unsigned char>(key);
    }
    return false;
}

void TCustomForm::Activate()
{
    if (OnActivate)
        OnActivate(this);
}

void TCustomForm::Deactivate()
{
    if (OnDeactivate)
        OnDeactivate(this);
}

void TCustomForm::SetActive(bool value)
{
    m_active = value;
    if (!value)
        return;
    if (!m_activeControl) {
        // The first windowed control that can take the focus, tab stop or not.
        std::vector<TWinControl*> order;
        CollectTabOrder(this, order);
        for (TWinControl* candidate : order) {
            if (candidate->CanFocus()) {
                m_activeControl = candidate;
                break;
            }
        }
    }
    if (Screen) {
        Screen->SetActiveCustomForm(this);
        if (IsTForm())
            Screen->SetActiveForm(this);
        if (Screen->FocusedForm() != this) {
            TCustomForm* previous = Screen->FocusedForm();
            Screen->SetFocusedForm(this);
            if (previous)
                previous->Perform(FM_DEACTIVATE, 0, 0);
            Perform(FM_ACTIVATE, 0, 0);
        }
    }
    if (m_activeControl && m_activeControl->HandleAllocated())
        ::SetFocus(m_activeControl->Handle());
}

void TCustomForm::BeginReadState()
{
    m_clientWidthPending = false;
    m_clientHeightPending = false;
    m_textHeight = 0;
    m_fontRead = false;
}

void TCustomForm::SetClientWidth(int value)
{
    if (m_creating || HasState(csReading)) {
        m_pendingClientWidth = value;
        m_clientWidthPending = true;
        return;
    }
    TWinControl::SetClientWidth(value);
}

void TCustomForm::SetClientHeight(int value)
{
    if (m_creating || HasState(csReading)) {
        m_pendingClientHeight = value;
        m_clientHeightPending = true;
        return;
    }
    TWinControl::SetClientHeight(value);
}

void TCustomForm::EndReadState()
{
    int screenPpi = Screen ? Screen->PixelsPerInch() : 96;
    bool scaled = false;
    if (m_pixelsPerInch != 0 && m_textHeight > 0) {
        if (m_fontRead && m_pixelsPerInch != screenPpi)
            m_font->SetHeight(MulDiv(m_font->Height(), screenPpi, m_pixelsPerInch));
        m_pixelsPerInch = screenPpi;
        int measured = m_textHeight;
        if (TScreenDC dc(nullptr, std::nothrow); dc) {
            TSelectObject font(dc, m_font->Handle());
            SIZE size {};
            if (GetTextExtentPoint32A(dc, "0", 1, &size))
                measured = size.cy;
        }
        if (measured != m_textHeight) {
            ScaleControls(this, measured, m_textHeight);
            if (m_clientWidthPending)
                m_pendingClientWidth = MulDiv(m_pendingClientWidth, measured, m_textHeight);
            if (m_clientHeightPending)
                m_pendingClientHeight = MulDiv(m_pendingClientHeight, measured, m_textHeight);
            scaled = true;
        }
    }
    if (m_clientWidthPending && m_pendingClientWidth > 0)
        TWinControl::SetClientWidth(m_pendingClientWidth);
    if (m_clientHeightPending && m_pendingClientHeight > 0)
        TWinControl::SetClientHeight(m_pendingClientHeight);
    if (!scaled)
        ScaleControls(this, 1, 1);
    m_clientWidthPending = false;
    m_clientHeightPending = false;
}

void TCustomForm::ScaleControls(TWinControl* parent, int multiplier, int divisor)
{
    if (multiplier == divisor)
        return;
    auto scale = [&](TControl* control) {
        control->SetBounds(MulDiv(control->Left(), multiplier, divisor), MulDiv(control->Top(), multiplier, divisor),
            MulDiv(control->Width(), multiplier, divisor), MulDiv(control->Height(), multiplier, divisor));
        if (!control->ParentFont())
            control->Font()->SetHeight(MulDiv(control->Font()->Height(), multiplier, divisor));
    };
    for (TControl* child : std::vector<TControl*>(parent->Controls()))
        scale(child);
    for (TWinControl* child : std::vector<TWinControl*>(parent->WinControls())) {
        scale(child);
        ScaleControls(child, multiplier, divisor);
    }
}

void TCustomForm::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_CLOSE: CloseForm(); return;
    case WM_QUERYENDSESSION: message.Result = (CanCloseForm() && CallTerminateProcs()) ? TRUE : FALSE; return;
    case FM_RELEASE: FreeAfterMessage(); return;
    case FM_ACTIVATE:
        if (!m_constructed)
            m_activatePending = true;
        else
            Activate();
        return;
    case FM_DEACTIVATE: Deactivate(); return;
    case WM_ACTIVATE:
        DefaultHandler(message);
        if (m_formStyle != fsMDIForm)
            SetActive(LOWORD(message.WParam) != WA_INACTIVE);
        return;
    case WM_SETFOCUS:
        if (m_activeControl && m_activeControl != this && m_activeControl->HandleAllocated() && !m_destroying) {
            ::SetFocus(m_activeControl->Handle());
            return;
        }
        break;
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application
            && Application->PrimaryForm() == static_cast<IAppForm*>(this)) {
            message.Result = SendMessageA(Application->Handle(), message.Msg, message.WParam, message.LParam);
            return;
        }
        break;
    case FM_APPSYSCOMMAND:
        if (Application)
            message.Result = SendMessageA(Application->Handle(), message.Msg, message.WParam, message.LParam);
        return;
    case WM_NCCREATE:
        DefaultHandler(message);
        if (m_handle && m_borderStyle != bsNone && (m_borderIcons & biSystemMenu) && m_formStyle != fsMDIChild) {
            HMENU menu = GetSystemMenu(m_handle, FALSE);
            if (m_borderStyle == bsDialog) {
                DeleteMenu(menu, SC_TASKLIST, MF_BYCOMMAND);
                DeleteMenu(menu, 7, MF_BYPOSITION);
                DeleteMenu(menu, 5, MF_BYPOSITION);
                DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
                DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
                DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
                DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
            } else {
                if (!(m_borderIcons & biMinimize))
                    EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
                if (!(m_borderIcons & biMaximize))
                    EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
            }
        }
        return;
    case WM_PAINT: {
        if (m_handle && IsIconic(m_handle)) {
            DefaultHandler(message);
            return;
        }
        m_controlState |= csCustomPaint;
        ScopeExit painted([this] { m_controlState &= ~csCustomPaint; });
        TWinControl::Dispatch(message);
        return;
    }
    case WM_SYSCOLORCHANGE:
        // Every top-level window hears of it; the shared pens and brushes are made
        // again once, by the main form (or any form while there is none).
        DefaultHandler(message);
        if (!Application || !Application->PrimaryForm() || Application->PrimaryForm() == static_cast<IAppForm*>(this))
            SystemColorsChanged();
        SysColorChanged();
        return;
    case WM_SIZE:
        DefaultHandler(message);
        if (OnResize && m_constructed)
            OnResize(this);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (OnKeyDown) {
            WORD key = static_cast<WORD>(message.WParam);
            OnKeyDown(this, key, KeyboardShiftState());
            if (key == 0)
                return;
        }
        break;
    case WM_CHAR:
        if (OnKeyPress) {
            char key = static_cast<char>(message.WParam);
            OnKeyPress(this, key);
            if (key == 0)
                return;
        }
        break;
    }
    TWinControl::Dispatch(message);
}

// The form's stored properties and how a form reads its own state.
static const TClassRegistration<TCustomForm> customFormInfo("TCustomForm", [](TClassBuilder<TCustomForm>& c) {
    static const TEnumType borderStyles { "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
        "bsSizeToolWin" };
    static const TEnumType borderIcons { "biSystemMenu", "biMinimize", "biMaximize", "biHelp" };
    static const TEnumType windowStates { "wsNormal", "wsMinimized", "wsMaximized" };
    static const TEnumType positions { "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
        "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter" };
    static const TEnumType monitors { "dmDesktop", "dmPrimary", "dmMainForm", "dmActiveForm" };
    static const TEnumType formStyles { "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop" };
    static const TEnumType printScales { "poNone", "poProportional", "poPrintToFit" };
    c.Parent<TWinControl>();
    c.Set("BorderIcons", borderIcons, &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons);
    c.Enum("BorderStyle", borderStyles, &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle);
    c.Enum("WindowState", windowStates, &TCustomForm::WindowState, &TCustomForm::SetWindowState);
    c.Enum("Position", positions, &TCustomForm::Position, &TCustomForm::SetPosition);
    c.Enum("DefaultMonitor", monitors, &TCustomForm::DefaultMonitor, &TCustomForm::SetDefaultMonitor);
    c.Enum("FormStyle", formStyles, &TCustomForm::FormStyle, &TCustomForm::SetFormStyle);
    c.Enum("PrintScale", printScales, &TCustomForm::PrintScale, &TCustomForm::SetPrintScale);
    c.Integer("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch);
    c.Boolean("OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::SetOldCreateOrder);
    c.Boolean("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview);
    c.String("HelpFile", &TCustomForm::SetHelpFile);
    c.Object<TIcon>("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon);
    c.Reference<TWinControl>("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
    c.Event("OnCreate", &TCustomForm::OnCreate);
    c.Event("OnDestroy", &TCustomForm::OnDestroy);
    c.Event("OnShow", &TCustomForm::OnShow);
    c.Event("OnHide", &TCustomForm::OnHide);
    c.Event("OnClose", &TCustomForm::OnClose);
    c.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
    c.Event("OnActivate", &TCustomForm::OnActivate);
    c.Event("OnDeactivate", &TCustomForm::OnDeactivate);
    c.Event("OnShortCut", &TCustomForm::OnShortCut);
    c.Event("OnResize", &TCustomForm::OnResize);
    c.Event("OnPaint", &TCustomForm::OnPaint);
    c.Event("OnKeyDown", &TCustomForm::OnKeyDown);
    c.Event("OnKeyPress", &TCustomForm::OnKeyPress);
    c.Defined("TextHeight",
        [](TCustomForm& form, TReader& reader) { form.SetTextHeight(static_cast<int>(reader.ReadInteger())); });
    c.Defined("IgnoreFontProperty", [](TCustomForm& form, TReader& reader) {
        if (reader.ReadBoolean())
            form.SetParentFont(true);
    });
    c.ReadState([](TCustomForm& form, TReader& reader) {
        form.BeginReadState();
        reader.ReadData(form);
        form.EndReadState();
    });
});

static const TClassRegistration<TForm> formInfo("TForm", [](TClassBuilder<TForm>& c) { c.Parent<TCustomForm>(); });
