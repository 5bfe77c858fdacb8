#include "frame/WinControl.h"

#include "frame/Application.h"
#include "runtime/ClassInfo.h"
#include "frame/ControlCanvas.h"
#include "frame/Form.h"
#include "frame/Screen.h"
#include "runtime/MethodStub.h"
#include "graphics/Brush.h"
#include "graphics/Font.h"
#include "graphics/GdiHandles.h"
#include "runtime/LoopException.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Exceptions.h"
#include "runtime/Platform.h"

#include <algorithm>
#include <optional>

#include <windowsx.h>

namespace {

constexpr UINT CN_KEYDOWN = WM_KEYDOWN + FN_OFFSET;
constexpr UINT CN_CHAR = WM_CHAR + FN_OFFSET;
constexpr UINT CN_SYSKEYDOWN = WM_SYSKEYDOWN + FN_OFFSET;
constexpr UINT CN_SYSCHAR = WM_SYSCHAR + FN_OFFSET;
constexpr UINT CN_CTLCOLORMSGBOX = WM_CTLCOLORMSGBOX + FN_OFFSET;
constexpr UINT CN_CTLCOLORSTATIC = WM_CTLCOLORSTATIC + FN_OFFSET;

}

HCURSOR CursorHandle(TCursor index)
{
    struct Entry {
        TCursor index;
        WORD id;
        bool own;
    };
    static const Entry table[] = {
        { -2, 32512, false },
        { -3, 32515, false },
        { -4, 32513, false },
        { -5, 32646, false },
        { -6, 32643, false },
        { -7, 32645, false },
        { -8, 32642, false },
        { -9, 32644, false },
        { -10, 32516, false },
        { -11, 32514, false },
        { -12, 32767, true },
        { -13, 32766, true },
        { -14, 32765, true },
        { -15, 32764, true },
        { -16, 32763, true },
        { -17, 32762, true },
        { -18, 32648, false },
        { -19, 32650, false },
        { -20, 32651, false },
        { -21, 32761, true },
        { -22, 32646, false },
    };
    for (const Entry& entry : table) {
        if (entry.index != index)
            continue;
        HCURSOR cursor = nullptr;
        if (entry.own)
            cursor = LoadCursorA(ModuleInstance(), MAKEINTRESOURCEA(entry.id));
        if (!cursor && entry.index == -21)
            cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
        if (!cursor)
            cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(entry.own ? 32512 : entry.id));
        return cursor;
    }
    return LoadCursorA(nullptr, IDC_ARROW);
}

namespace {

// What the application's message loop asks of the controls.
class FrameControls : public IFrameControls {
public:
    TObject* ControlAtPos(POINT screenPoint) override { return FindDragTarget(screenPoint, true); }
    TObject* CaptureControl() override { return ::CaptureControl(); }
    LRESULT PerformOn(TObject* control, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        auto* target = dynamic_cast<TControl*>(control);
        return target ? target->Perform(message, wParam, lParam) : 0;
    }
    AnsiString ControlHint(TObject* control) override
    {
        auto* target = dynamic_cast<TControl*>(control);
        return target ? target->Hint() : AnsiString();
    }
};

void InstallFrameControls()
{
    static FrameControls controls;
    static bool installed = false;
    if (!installed && Application) {
        Application->SetFrameControls(&controls);
        installed = true;
    }
}

// A memory device context with a bitmap of the window's size in it, while painting
// double-buffered.
class MemoryPaint {
public:
    MemoryPaint(int width, int height)
        : m_bitmap(CreateCompatibleBitmap(TScreenDC(nullptr, std::nothrow), std::max(width, 1), std::max(height, 1)))
        , m_dc(nullptr, std::nothrow)
    {
        if (!m_dc || !m_bitmap)
            throw EOutOfResources(Exception::ResText(TextId::DeviceContextFailed));
        m_selected.emplace(m_dc, m_bitmap.Get());
    }
    HDC dc() const { return m_dc; }

private:
    TGdiBitmap m_bitmap;
    TMemoryDC m_dc;
    std::optional<TSelectObject> m_selected;
};

}

TWinControl* FindControl(HWND window)
{
    if (!window)
        return nullptr;
    return dynamic_cast<TWinControl*>(WindowObject(window));
}

TControl* FindDragTarget(POINT screenPoint, bool allowDisabled)
{
    TWinControl* control = FindControl(WindowFromPoint(screenPoint));
    if (!control)
        return nullptr;
    TControl* child = control->ChildAtPoint(control->ScreenToClient(screenPoint), allowDisabled, false);
    return child ? child : control;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), m_brush(std::make_unique<TBrush>())
{
    InstallFrameControls();
    m_brush->SetColor(m_color);
    m_objectInstance = CreateMethodStub([this](TMessage& message) { MainWndProc(message); }, this);
}

TWinControl::~TWinControl()
{
    // The screen forgets its active control when that goes, with or without its form.
    if (Screen && Screen->ActiveControl() == this)
        Screen->SetActiveControl(nullptr);
    // Leave the parent while this is still a windowed control.
    if (m_parent)
        m_parent->RemoveControl(this);
    if (m_handle)
        DestroyWindowHandle();
    for (TControl* child : m_controls)
        child->m_parent = nullptr;
    for (TWinControl* child : m_winControls)
        child->m_parent = nullptr;
    m_controls.clear();
    m_winControls.clear();
    m_tabList.clear();
    ReleaseMethodStub(m_objectInstance);
}

HWND TWinControl::Handle()
{
    EnsureWindow();
    return m_handle;
}

void TWinControl::EnsureWindow()
{
    if (m_handle)
        return;
    if (m_parent)
        m_parent->EnsureWindow();
    MakeWindow();
}

void TWinControl::MakeWindow()
{
    BuildWindow();
    OrderWindow();
    WindowCreated();
}

void TWinControl::OrderWindow()
{
    if (!m_parent || !m_handle)
        return;
    // Later siblings lie above: this window goes directly below the next one that has
    // a window, or on top when there is none.
    HWND above = HWND_TOP;
    const auto& siblings = m_parent->m_winControls;
    auto self = std::find(siblings.begin(), siblings.end(), this);
    if (self != siblings.end()) {
        for (auto it = self + 1; it != siblings.end(); ++it) {
            if ((*it)->m_handle) {
                above = (*it)->m_handle;
                break;
            }
        }
    }
    SetWindowPos(m_handle, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::FillCreationRecord(TCreateParams& params)
{
    params = TCreateParams();
    params.Caption = m_text ? m_text->c_str() : "";
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (m_controlStyle & csAcceptsControls) {
        params.Style |= WS_CLIPCHILDREN;
        params.ExStyle |= WS_EX_CONTROLPARENT;
    }
    if (!m_enabled)
        params.Style |= WS_DISABLED;
    if (m_tabStop)
        params.Style |= WS_TABSTOP;
    params.X = m_left;
    params.Y = m_top;
    params.Width = m_width;
    params.Height = m_height;
    if (m_parent)
        params.WndParent = m_parent->Handle();
    else
        params.WndParent = m_parentWindow;
    params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    params.WindowClass.lpfnWndProc = &DefWindowProcA;
    params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    params.WindowClass.hbrBackground = nullptr;
    params.WindowClass.hInstance = ModuleInstance();
    lstrcpynA(params.WinClassName, ClassName(), sizeof params.WinClassName);
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* className)
{
    HINSTANCE own = params.WindowClass.hInstance;
    WNDCLASSA info {};
    if (!GetClassInfoA(ModuleInstance(), className, &info) && !GetClassInfoA(nullptr, className, &info))
        GetClassInfoA(GetModuleHandleA(nullptr), className, &info);
    params.WindowClass = info;
    params.WindowClass.hInstance = own;
    params.WindowClass.style &= ~static_cast<UINT>(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
    params.WindowClass.style |= CS_VREDRAW | CS_HREDRAW;
}

void TWinControl::BuildWindow()
{
    TCreateParams params;
    FillCreationRecord(params);
    if ((params.Style & WS_CHILD) && !params.WndParent) {
        // A control read from a form resource may be created before it is parented:
        // the owner's window stands in.
        auto* owner = dynamic_cast<TWinControl*>(Owner());
        if (owner && owner->HasState(csReading))
            params.WndParent = owner->Handle();
        else
            throw EInvalidOperation(Exception::ResText(TextId::ControlHasNoParentWindow, Name()));
    }
    m_defWndProc = params.WindowClass.lpfnWndProc;
    WNDCLASSA registered {};
    bool known = GetClassInfoA(params.WindowClass.hInstance, params.WinClassName, &registered) != FALSE;
    if (!known || registered.lpfnWndProc != &InitialWindowProc) {
        if (known)
            UnregisterClassA(params.WinClassName, params.WindowClass.hInstance);
        params.WindowClass.lpfnWndProc = &InitialWindowProc;
        params.WindowClass.lpszClassName = params.WinClassName;
        if (!RegisterClassA(&params.WindowClass))
            RaiseLastWin32Error();
    }
    CreateWindowHandle(params);
    m_text.reset();
    RECT rect;
    GetWindowRect(m_handle, &rect);
    if (GetWindowLongA(m_handle, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(m_handle), reinterpret_cast<POINT*>(&rect), 2);
    UpdateBoundsRect(rect);
    Perform(WM_SETFONT, reinterpret_cast<WPARAM>(m_font->Handle()), 1);
}

void TWinControl::CreateWindowHandle(const TCreateParams& params)
{
    PrepareWindowBinding(m_objectInstance, [this](HWND window) {
        m_handle = window;
        SetWindowObject(window, this);
    });
    HWND window = CreateWindowExA(params.ExStyle, params.WinClassName, params.Caption, params.Style, params.X, params.Y,
        params.Width, params.Height, params.WndParent, nullptr, params.WindowClass.hInstance, params.Param);
    PrepareWindowBinding(nullptr, nullptr);
    if (!window) {
        DWORD error = GetLastError();
        // A window that was bound and then refused its creation is gone already.
        if (m_handle && !IsWindow(m_handle))
            m_handle = nullptr;
        SetLastError(error);
        RaiseLastWin32Error();
    }
    m_handle = window;
}

void TWinControl::DestroyHandle()
{
    if (!m_handle)
        return;
    for (TWinControl* child : m_winControls)
        child->DestroyHandle();
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle()
{
    // The window holds the caption; keep it for a window made later.
    int length = GetWindowTextLengthA(m_handle);
    AnsiString text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    int got = GetWindowTextA(m_handle, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::clamp(got, 0, length)));
    m_text = std::make_unique<AnsiString>(std::move(text));
    WindowDestroying();
    HWND window = m_handle;
    if (GetCapture() == window)
        CaptureMouseFor(nullptr);
    DestroyWindow(window);
    m_handle = nullptr;
    m_showing = false;
}

void TWinControl::RecreateWnd()
{
    if (!m_handle)
        return;
    DestroyHandle();
    RefreshShowing();
}

void TWinControl::SetParentWindow(HWND value)
{
    if (m_parent || m_parentWindow == value)
        return;
    if (m_handle && value) {
        ::SetParent(m_handle, value);
    }
    m_parentWindow = value;
    RefreshShowing();
}

bool TWinControl::ContainsControl(TControl* control)
{
    while (control && control != this)
        control = control->Parent();
    return control == this;
}

void TWinControl::InsertControl(TControl* control)
{
    control->m_parent = this;
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        m_winControls.push_back(windowed);
        m_tabList.push_back(windowed);
        if (m_handle)
            windowed->RefreshShowing();
    } else {
        m_controls.push_back(control);
        control->Invalidate();
    }
}

void TWinControl::RemoveControl(TControl* control)
{
    auto windowed = std::find(m_winControls.begin(), m_winControls.end(), control);
    if (windowed != m_winControls.end()) {
        if ((*windowed)->m_handle)
            (*windowed)->DestroyHandle();
        m_tabList.erase(std::remove(m_tabList.begin(), m_tabList.end(), *windowed), m_tabList.end());
        m_winControls.erase(windowed);
    }
    auto windowless = std::find(m_controls.begin(), m_controls.end(), control);
    if (windowless != m_controls.end()) {
        control->InvalidateChild(control->m_visible, false);
        m_controls.erase(windowless);
    }
    if (auto* form = ParentForm())
        form->ControlRemoved(control);
    control->m_parent = nullptr;
}

TControl* TWinControl::ChildAtPoint(POINT point, bool allowDisabled, bool allowWindowed)
{
    auto hits = [&](TControl* child) {
        if (!child->m_visible || (!child->m_enabled && !allowDisabled))
            return false;
        POINT local = { point.x - child->m_left, point.y - child->m_top };
        RECT client = child->ClientRect();
        return PtInRect(&client, local) && child->Perform(FM_HITTEST, 0, MAKELPARAM(local.x, local.y)) != 0;
    };
    if (allowWindowed) {
        for (auto it = m_winControls.rbegin(); it != m_winControls.rend(); ++it)
            if (hits(*it))
                return *it;
    }
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it)
        if (hits(*it))
            return *it;
    return nullptr;
}

void TWinControl::RefreshShowing()
{
    bool show = m_visible && !(m_controlState & csReadingState);
    if (show) {
        if (!m_handle)
            EnsureWindow();
        for (TWinControl* child : std::vector<TWinControl*>(m_winControls))
            child->RefreshShowing();
    }
    if (m_handle && m_showing != show) {
        m_showing = show;
        ScopeExit undo([this, show] { m_showing = !show; });
        Perform(FM_SHOWINGCHANGED, 0, 0);
        undo.Dismiss();
    }
}

void TWinControl::ShowingChanged()
{
    SetWindowPos(m_handle, nullptr, 0, 0, 0, 0,
        m_showing ? SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE
                  : SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::VisibleChangedMessage(TMessage&)
{
    if (!m_visible && m_parent) {
        if (TCustomForm* form = ParentForm())
            form->ControlRemoved(this);
    }
    // Showing follows only when every ancestor shows, up to a form or a control placed
    // in a foreign window.
    TWinControl* top = this;
    while (top->m_parent) {
        top = top->m_parent;
        if (!top->m_showing)
            return;
    }
    if (dynamic_cast<TCustomForm*>(top) || top->m_parentWindow)
        RefreshShowing();
}

bool TWinControl::IsShowing() { return m_showing && (!m_parent || m_parent->IsShowing()); }

RECT TWinControl::ClientRect()
{
    RECT rect = { 0, 0, m_width, m_height };
    if (HWND window = Handle())
        GetClientRect(window, &rect);
    return rect;
}

POINT TWinControl::ClientOrigin()
{
    POINT origin = { 0, 0 };
    ::ClientToScreen(Handle(), &origin);
    return origin;
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    if (m_handle && !IsIconic(m_handle)) {
        SetWindowPos(m_handle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        m_left = left;
        m_top = top;
        m_width = width;
        m_height = height;
    }
    BoundsChanged();
}

void TWinControl::Invalidate()
{
    if (m_handle)
        InvalidateRect(m_handle, nullptr, (m_controlStyle & csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update()
{
    if (m_handle)
        UpdateWindow(m_handle);
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}

void TWinControl::BringToFront()
{
    if (m_parent) {
        auto& list = m_parent->m_winControls;
        auto it = std::find(list.begin(), list.end(), this);
        if (it != list.end()) {
            list.erase(it);
            list.push_back(this);
        }
    }
    if (m_handle)
        SetWindowPos(m_handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TWinControl::SendToBack()
{
    if (m_parent) {
        auto& list = m_parent->m_winControls;
        auto it = std::find(list.begin(), list.end(), this);
        if (it != list.end()) {
            list.erase(it);
            list.insert(list.begin(), this);
        }
    }
    if (m_handle)
        SetWindowPos(m_handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TWinControl::SetTabStop(bool value)
{
    if (m_tabStop == value)
        return;
    m_tabStop = value;
    if (m_handle) {
        LONG style = GetWindowLongA(m_handle, GWL_STYLE);
        SetWindowLongA(m_handle, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
}

int TWinControl::TabOrder() const
{
    if (!m_parent)
        return -1;
    const auto& siblings = m_parent->m_tabList;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
}

void TWinControl::SetTabOrder(int value)
{
    if (!m_parent)
        return;
    auto& siblings = m_parent->m_tabList;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it == siblings.end())
        return;
    siblings.erase(it);
    std::size_t index = value < 0 ? siblings.size() : std::min(static_cast<std::size_t>(value), siblings.size());
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(index), this);
}

void TWinControl::SetCtl3D(bool value)
{
    if (m_ctl3D == value)
        return;
    m_ctl3D = value;
    if (m_parent)
        m_parent->Invalidate();
}

bool TWinControl::CanFocus()
{
    TCustomForm* form = ParentForm();
    if (!form)
        return false;
    TWinControl* control = this;
    while (control != form) {
        if (!control->m_visible || !control->m_enabled)
            return false;
        control = control->m_parent;
    }
    return form->m_visible && form->m_enabled;
}

bool TWinControl::Focused() { return m_handle && GetFocus() == m_handle; }

void TWinControl::SetFocus()
{
    if (TCustomForm* form = ParentForm())
        form->FocusControl(this);
    else if (m_parentWindow)
        ::SetFocus(Handle());
}

bool TWinControl::DialogChar(char charCode, LPARAM keyData)
{
    for (TControl* child : std::vector<TControl*>(m_controls))
        if (child->DialogChar(charCode, keyData))
            return true;
    for (TWinControl* child : std::vector<TWinControl*>(m_winControls))
        if (child->DialogChar(charCode, keyData))
            return true;
    return false;
}

bool TWinControl::DialogKey(WORD key, LPARAM keyData)
{
    for (TWinControl* child : std::vector<TWinControl*>(m_winControls))
        if (child->DialogKey(key, keyData))
            return true;
    return false;
}

void TWinControl::EnabledChanged()
{
    if (!m_enabled && m_parent) {
        if (TCustomForm* form = ParentForm())
            form->ControlRemoved(this);
    }
    if (m_handle)
        EnableWindow(m_handle, m_enabled);
    Invalidate();
}

void TWinControl::TextChanged() { Invalidate(); }

void TWinControl::FontChanged()
{
    m_parentFont = false;
    if (m_handle)
        Perform(WM_SETFONT, reinterpret_cast<WPARAM>(m_font->Handle()), 0);
    for (TControl* child : m_controls)
        child->ParentFontChanged();
    for (TWinControl* child : m_winControls)
        child->ParentFontChanged();
    Invalidate();
}

void TWinControl::ColorChanged()
{
    m_brush->SetColor(m_color);
    for (TControl* child : m_controls)
        child->ParentColorChanged();
    for (TWinControl* child : m_winControls)
        child->ParentColorChanged();
    Invalidate();
}

void TWinControl::SysColorChanged()
{
    for (TControl* child : std::vector<TControl*>(m_controls))
        child->SysColorChanged();
    for (TWinControl* child : std::vector<TWinControl*>(m_winControls))
        child->SysColorChanged();
    Invalidate();
}

void TWinControl::MainWndProc(TMessage& message)
{
    ++m_messageDepth;
    RunAtEntryPoint([&] { WindowProc(message); }, this);
    FreeDeviceContexts();
    if (--m_messageDepth == 0 && m_freeAfterMessage) {
        // Messages sent while the control is destroyed come through here again.
        m_freeAfterMessage = false;
        m_messageDepth = 1;
        FreeNow();
    }
}

void TWinControl::FreeNow()
{
    if (TComponent* owner = Owner()) {
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            if (owner->Components(i) == this) {
                owner->DestroyComponent(this);
                return;
            }
        }
    }
    TComponentDeleter()(this);
}

void TWinControl::WndProc(TMessage& message)
{
    UINT msg = message.Msg;
    switch (msg) {
    case WM_SETFOCUS: {
        TCustomForm* form = ParentForm();
        if (form && !form->SetFocusedControl(this))
            return;
        break;
    }
    case WM_KILLFOCUS:
        if (m_controlState & csFocusing)
            return;
        break;
    case WM_CANCELMODE:
        if (m_handle && GetCapture() == m_handle) {
            TControl* holder = CaptureControl();
            if (holder && holder != this && holder->Parent() == this)
                holder->Perform(WM_CANCELMODE, 0, 0);
        }
        break;
    case WM_NCHITTEST: {
        TControl::WndProc(message);
        if (message.Result == HTTRANSPARENT) {
            POINT screen = { GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam) };
            if (ChildAtPoint(ScreenToClient(screen), false, false))
                message.Result = HTCLIENT;
        }
        return;
    }
    default:
        if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSEWHEEL && msg != WM_MOUSEWHEEL) {
            if (RouteMouseToChild(message)) {
                if (message.Result == 0 && m_handle)
                    DefWindowProcA(m_handle, message.Msg, message.WParam, message.LParam);
                return;
            }
        }
        break;
    }
    TControl::WndProc(message);
}

bool TWinControl::RouteMouseToChild(TMessage& message)
{
    TControl* child = nullptr;
    if (m_handle && GetCapture() == m_handle) {
        TControl* holder = CaptureControl();
        if (holder && holder != this && holder->Parent() == this)
            child = holder;
    } else {
        POINT point = { GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam) };
        child = ChildAtPoint(point, false, false);
    }
    if (!child)
        return false;
    int x = GET_X_LPARAM(message.LParam) - child->m_left;
    int y = GET_Y_LPARAM(message.LParam) - child->m_top;
    message.Result = child->Perform(message.Msg, message.WParam, MAKELPARAM(x, y));
    return true;
}

void TWinControl::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_PAINT: WMPaint(message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(message); return;
    case WM_SETCURSOR: WMSetCursor(message); return;
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(message);
        if (m_handle) {
            RECT rect;
            GetWindowRect(m_handle, &rect);
            if (GetWindowLongA(m_handle, GWL_STYLE) & WS_CHILD)
                MapWindowPoints(HWND_DESKTOP, GetParent(m_handle), reinterpret_cast<POINT*>(&rect), 2);
            UpdateBoundsRect(rect);
        }
        return;
    case WM_NCDESTROY:
        DefaultHandler(message);
        if (m_handle)
            SetWindowObject(m_handle, nullptr);
        m_handle = nullptr;
        m_showing = false;
        return;
    case FM_VISIBLECHANGED: VisibleChangedMessage(message); return;
    case FM_SHOWINGCHANGED: ShowingChanged(); return;
    case CN_KEYDOWN: CNKeyDown(message); return;
    case CN_CHAR:
    case CN_SYSCHAR: CNChar(message); return;
    }
    if (message.Msg >= CN_CTLCOLORMSGBOX && message.Msg <= CN_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        SetTextColor(dc, ColorToRGB(m_font->Color()));
        SetBkColor(dc, ColorToRGB(m_brush->Color()));
        message.Result = reinterpret_cast<LRESULT>(m_brush->Handle());
        return;
    }
    TControl::Dispatch(message);
}

void TWinControl::DefaultHandler(TMessage& message)
{
    if (!m_handle) {
        TControl::DefaultHandler(message);
        return;
    }
    if (message.Msg == WM_CONTEXTMENU && m_parent) {
        message.Result = m_parent->Perform(message.Msg, message.WParam, message.LParam);
        if (message.Result)
            return;
    }
    if (message.Msg >= WM_CTLCOLORMSGBOX && message.Msg <= WM_CTLCOLORSTATIC) {
        message.Result = SendMessageA(
            reinterpret_cast<HWND>(message.LParam), message.Msg + FN_OFFSET, message.WParam, message.LParam);
        return;
    }
    // A child control's notification goes back to the control that sent it.
    if (message.Msg == WM_COMMAND && message.LParam && WindowObject(reinterpret_cast<HWND>(message.LParam))) {
        message.Result = SendMessageA(
            reinterpret_cast<HWND>(message.LParam), message.Msg + FN_OFFSET, message.WParam, message.LParam);
        return;
    }
    // An owner-drawn child control draws its own items: the request goes back to it.
    if (message.Msg == WM_DRAWITEM) {
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        if (item && item->CtlType != ODT_MENU && item->hwndItem && WindowObject(item->hwndItem)) {
            message.Result = SendMessageA(item->hwndItem, message.Msg + FN_OFFSET, message.WParam, message.LParam);
            return;
        }
    }
    message.Result = CallWindowProcA(
        m_defWndProc ? m_defWndProc : &DefWindowProcA, m_handle, message.Msg, message.WParam, message.LParam);
}

void TWinControl::CNKeyDown(TMessage& message)
{
    message.Result = 1;
    TCustomForm* form = ParentForm();
    if (form && form->IsShortCut(message))
        return;
    WORD key = static_cast<WORD>(message.WParam);
    if (key == VK_TAB || (key >= VK_LEFT && key <= VK_DOWN) || key == VK_RETURN || key == VK_ESCAPE
        || key == VK_CANCEL) {
        LRESULT code = Perform(WM_GETDLGCODE, 0, 0);
        if (code & DLGC_WANTALLKEYS) {
            message.Result = 0;
            return;
        }
        bool wanted =
            (key == VK_TAB && (code & DLGC_WANTTAB)) || (key >= VK_LEFT && key <= VK_DOWN && (code & DLGC_WANTARROWS));
        if (!wanted && form && form->DialogKey(key, message.LParam))
            return;
    }
    message.Result = 0;
}

void TWinControl::CNChar(TMessage& message)
{
    char character = static_cast<char>(message.WParam);
    bool offer;
    if (message.Msg == CN_SYSCHAR)
        offer = character != ' ';
    else
        offer = !(Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS);
    TCustomForm* form = ParentForm();
    message.Result = (offer && form && form->DialogChar(character, message.LParam)) ? 1 : 0;
}

void TWinControl::WMPaint(TMessage& message)
{
    if (m_doubleBuffered && message.WParam == 0) {
        RECT client;
        GetClientRect(m_handle, &client);
        MemoryPaint memory(client.right, client.bottom);
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_handle, &paint);
        ScopeExit endPaint([&] { EndPaint(m_handle, &paint); });
        ScopeExit unbuffered([this] { m_paintingBuffered = false; });
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.dc()), reinterpret_cast<LPARAM>(memory.dc()));
        message.WParam = reinterpret_cast<WPARAM>(memory.dc());
        m_paintingBuffered = true;
        WMPaint(message);
        message.WParam = 0;
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.dc(), 0, 0, SRCCOPY);
        return;
    }
    if (m_controls.empty() && !(m_controlState & csCustomPaint))
        DefaultPaint(message);
    else
        PaintWithChildren(reinterpret_cast<HDC>(message.WParam));
}

void TWinControl::DefaultPaint(TMessage& message) { DefaultHandler(message); }

void TWinControl::PaintWindow(HDC dc)
{
    TMessage message;
    message.Msg = WM_PAINT;
    message.WParam = reinterpret_cast<WPARAM>(dc);
    DefaultHandler(message);
}

void TWinControl::PaintWithChildren(HDC given)
{
    PAINTSTRUCT paint;
    HDC dc = given ? given : BeginPaint(m_handle, &paint);
    ScopeExit endPaint([&] {
        if (!given)
            EndPaint(m_handle, &paint);
    });
    if (m_controls.empty()) {
        PaintWindow(dc);
    } else {
        int saved = SaveDC(dc);
        int clip = SIMPLEREGION;
        for (TControl* child : m_controls) {
            if (child->m_visible && (child->m_controlStyle & csOpaque)) {
                clip = ExcludeClipRect(
                    dc, child->m_left, child->m_top, child->m_left + child->m_width, child->m_top + child->m_height);
                if (clip == NULLREGION)
                    break;
            }
        }
        if (clip != NULLREGION)
            PaintWindow(dc);
        RestoreDC(dc, saved);
    }
    PaintChildren(dc, nullptr);
}

void TWinControl::PaintChildren(HDC dc, TControl* first)
{
    std::vector<TControl*> children(m_controls);
    auto start = children.begin();
    if (first) {
        auto found = std::find(children.begin(), children.end(), first);
        if (found != children.end())
            start = found;
    }
    for (auto it = start; it != children.end(); ++it) {
        TControl* child = *it;
        if (!child->m_visible)
            continue;
        RECT bounds = child->BoundsRect();
        if (!RectVisible(dc, &bounds))
            continue;
        int saved = SaveDC(dc);
        POINT origin;
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - child->m_left, origin.y - child->m_top, nullptr);
        IntersectClipRect(dc, 0, 0, child->m_width, child->m_height);
        child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        RestoreDC(dc, saved);
    }
    for (TWinControl* child : m_winControls) {
        if (!(child->m_controlStyle & csFramed) || !child->m_visible || !child->m_ctl3D)
            continue;
        RECT outer = { child->m_left - 1, child->m_top - 1, child->m_left + child->m_width,
            child->m_top + child->m_height };
        FrameRect(dc, &outer, TGdiBrush(CreateSolidBrush(ColorToRGB(clBtnShadow))).Get());
        RECT inner = { child->m_left, child->m_top, child->m_left + child->m_width + 1,
            child->m_top + child->m_height + 1 };
        FrameRect(dc, &inner, TGdiBrush(CreateSolidBrush(ColorToRGB(clBtnHighlight))).Get());
    }
}

void TWinControl::WMEraseBkgnd(TMessage& message)
{
    // While painting double-buffered the memory bitmap is erased instead of the window.
    if (!m_doubleBuffered || message.WParam == static_cast<WPARAM>(message.LParam)) {
        RECT client = { 0, 0, 0, 0 };
        if (m_handle)
            GetClientRect(m_handle, &client);
        FillRect(reinterpret_cast<HDC>(message.WParam), &client, m_brush->Handle());
    }
    message.Result = 1;
}

void TWinControl::WMSetCursor(TMessage& message)
{
    if (m_handle && reinterpret_cast<HWND>(message.WParam) == m_handle) {
        int hit = static_cast<short>(LOWORD(message.LParam));
        if (hit == HTERROR) {
            if (HIWORD(message.LParam) == WM_LBUTTONDOWN && Application && Application->Handle()
                && GetForegroundWindow() != GetLastActivePopup(Application->Handle())) {
                Application->BringToFront();
                return;
            }
        } else if (hit == HTCLIENT) {
            TCursor cursor = Screen ? Screen->Cursor() : crDefault;
            if (cursor == crDefault) {
                POINT point;
                GetCursorPos(&point);
                if (TControl* child = ChildAtPoint(ScreenToClient(point), false, false))
                    cursor = child->m_cursor;
                if (cursor == crDefault)
                    cursor = m_cursor;
            }
            if (cursor != crDefault) {
                ::SetCursor(CursorHandle(cursor));
                message.Result = 1;
                return;
            }
        }
    }
    TControl::Dispatch(message);
}

HDC TWinControl::GetDeviceContext(HWND& window)
{
    window = Handle();
    HDC dc = GetDC(window);
    if (!dc)
        throw EOutOfResources(Exception::ResText(TextId::DeviceContextFailed));
    return dc;
}

// The windowed control's stored properties.
static const TClassRegistration<TWinControl> winControlInfo("TWinControl", [](TClassBuilder<TWinControl>& c) {
    c.Parent<TControl>();
    c.Boolean("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D);
    c.Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
    c.Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, nullptr, 2);
});
