#include "frame/Control.h"

#include "frame/Application.h"
#include "runtime/ClassInfo.h"
#include "graphics/IdentMaps.h"
#include "frame/Reader.h"
#include "frame/Form.h"
#include "frame/WinControl.h"
#include "graphics/Font.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstring>

#include <windowsx.h>

namespace {

// The windowless control that holds the mouse capture through its parent's window.
TControl* g_captureControl = nullptr;

bool IsDoubleClick(UINT msg) { return msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK; }

}

TShiftState KeysToShiftState(WPARAM keys)
{
    TShiftState shift = 0;
    if (keys & MK_SHIFT)
        shift |= ssShift;
    if (keys & MK_CONTROL)
        shift |= ssCtrl;
    if (keys & MK_LBUTTON)
        shift |= ssLeft;
    if (keys & MK_RBUTTON)
        shift |= ssRight;
    if (keys & MK_MBUTTON)
        shift |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

void CaptureMouseFor(TControl* control)
{
    g_captureControl = nullptr;
    ReleaseCapture();
    if (!control)
        return;
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        SetCapture(windowed->Handle());
        return;
    }
    if (!control->Parent())
        return;
    g_captureControl = control;
    SetCapture(control->Parent()->Handle());
}

TControl* CaptureControl()
{
    TWinControl* holder = FindControl(GetCapture());
    if (holder && g_captureControl && g_captureControl->Parent() == holder)
        return g_captureControl;
    return holder;
}

TControl::TControl(TComponent* owner) : TComponent(owner), m_font(std::make_unique<TFont>())
{
    WindowProc = [this](TMessage& message) { WndProc(message); };
    m_font->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    m_alive.Expire();
    if (Application)
        Application->ForgetMouseControl(this);
    if (g_captureControl == this) {
        g_captureControl = nullptr;
        ReleaseCapture();
    }
    if (m_parent)
        m_parent->RemoveControl(this);
    m_font->OnChange = nullptr;
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage message;
    message.Msg = msg;
    message.WParam = wParam;
    message.LParam = lParam;
    message.Result = 0;
    WindowProc(message);
    return message.Result;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == m_parent)
        return;
    if (parent == this)
        throw EInvalidOperation(Exception::ResText(TextId::ControlIsOwnParent));
    if (m_parent)
        m_parent->RemoveControl(this);
    if (parent) {
        parent->InsertControl(this);
        if (m_parentFont)
            ParentFontChanged();
        if (m_parentColor)
            ParentColorChanged();
        if (m_parentShowHint)
            ParentShowHintChanged();
    }
}

void TControl::SetName(const AnsiString& name)
{
    AnsiString old = Name();
    bool follow = (m_controlStyle & csSetCaption) && !HasState(csLoading) && Text() == old
        && !(Owner() && dynamic_cast<TControl*>(Owner()) && Owner()->HasState(csLoading));
    TComponent::SetName(name);
    if (follow)
        SetText(name);
}

TComponent* TControl::GetParentComponent() const { return m_parent; }

void TControl::SetParentComponent(TComponent* parent)
{
    if (auto* windowed = dynamic_cast<TWinControl*>(parent))
        SetParent(windowed);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    InvalidateChild(m_visible, false);
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    Invalidate();
    BoundsChanged();
}

void TControl::UpdateBoundsRect(const RECT& rect)
{
    m_left = rect.left;
    m_top = rect.top;
    m_width = rect.right - rect.left;
    m_height = rect.bottom - rect.top;
}

RECT TControl::ClientRect() { return { 0, 0, m_width, m_height }; }

void TControl::SetClientWidth(int value) { SetWidth(value + m_width - ClientWidth()); }

void TControl::SetClientHeight(int value) { SetHeight(value + m_height - ClientHeight()); }

POINT TControl::ClientOrigin()
{
    if (!m_parent)
        throw EInvalidOperation(Exception::ResText(TextId::ControlHasNoParentWindow, Name()));
    POINT origin = m_parent->ClientOrigin();
    origin.x += m_left;
    origin.y += m_top;
    return origin;
}

POINT TControl::ClientToScreen(POINT point)
{
    POINT origin = ClientOrigin();
    return { point.x + origin.x, point.y + origin.y };
}

POINT TControl::ScreenToClient(POINT point)
{
    POINT origin = ClientOrigin();
    return { point.x - origin.x, point.y - origin.y };
}

void TControl::SetVisible(bool value)
{
    if (m_visible == value)
        return;
    VisibleChanging();
    m_visible = value;
    Perform(FM_VISIBLECHANGED, value ? 1 : 0, 0);
}

void TControl::SetEnabled(bool value)
{
    if (m_enabled == value)
        return;
    m_enabled = value;
    EnabledChanged();
}

void TControl::EnabledChanged() { Invalidate(); }

bool TControl::IsShowing() { return m_visible && m_parent && m_parent->IsShowing(); }

AnsiString TControl::Text()
{
    LRESULT length = Perform(WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return {};
    AnsiString text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = Perform(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
    return text;
}

void TControl::SetText(const AnsiString& value)
{
    if (Text() == value)
        return;
    Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    TextChanged();
}

void TControl::TextChanged() { Invalidate(); }

void TControl::SetCursor(TCursor value)
{
    if (m_cursor == value)
        return;
    m_cursor = value;
    // Show the new cursor at once when the mouse is over the control.
    POINT point;
    if (GetCursorPos(&point)) {
        HWND window = WindowFromPoint(point);
        if (window && FindControl(window) && FindDragTarget(point, true) == this)
            SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
}

void TControl::SetColor(TColor value)
{
    if (m_color == value)
        return;
    m_color = value;
    m_parentColor = false;
    ColorChanged();
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::SetParentColor(bool value)
{
    if (m_parentColor == value)
        return;
    m_parentColor = value;
    if (value)
        ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (!m_parentColor || !m_parent)
        return;
    SetColor(m_parent->Color());
    m_parentColor = true;
}

void TControl::SetFont(TFont* value) { m_font->Assign(value); }

void TControl::FontChanged()
{
    m_parentFont = false;
    Invalidate();
}

void TControl::SetParentFont(bool value)
{
    if (m_parentFont == value)
        return;
    m_parentFont = value;
    if (value)
        ParentFontChanged();
}

void TControl::ParentFontChanged()
{
    if (!m_parentFont || !m_parent)
        return;
    m_font->Assign(m_parent->Font());
    m_parentFont = true;
}

void TControl::SetShowHint(bool value)
{
    m_parentShowHint = false;
    m_showHint = value;
}

void TControl::SetParentShowHint(bool value)
{
    if (m_parentShowHint == value)
        return;
    m_parentShowHint = value;
    if (value)
        ParentShowHintChanged();
}

void TControl::ParentShowHintChanged()
{
    if (m_parentShowHint && m_parent)
        m_showHint = m_parent->ShowHint();
}

void TControl::Invalidate() { InvalidateChild(m_visible, (m_controlStyle & csOpaque) != 0); }

void TControl::InvalidateChild(bool visible, bool opaque)
{
    if (!visible || !m_parent || !m_parent->HandleAllocated())
        return;
    RECT rect = BoundsRect();
    // The background needs no erasing when this control covers it, the parent paints
    // opaquely, or an opaque control below covers this one's whole rectangle.
    bool covered = false;
    const auto& siblings = m_parent->Controls();
    auto self = std::find(siblings.begin(), siblings.end(), this);
    for (auto it = siblings.begin(); it != self && !covered; ++it) {
        TControl* below = *it;
        if (below->m_visible && (below->m_controlStyle & csOpaque)) {
            RECT common;
            RECT bounds = below->BoundsRect();
            IntersectRect(&common, &rect, &bounds);
            covered = EqualRect(&common, &rect) != FALSE;
        }
    }
    bool erase = !(opaque || (m_parent->m_controlStyle & csOpaque) || covered);
    InvalidateRect(m_parent->Handle(), &rect, erase);
}

void TControl::Update()
{
    if (m_parent)
        m_parent->Update();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::BringToFront()
{
    if (!m_parent)
        return;
    auto& list = m_parent->m_controls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) {
        list.erase(it);
        list.push_back(this);
        Invalidate();
    }
}

void TControl::SendToBack()
{
    if (!m_parent)
        return;
    auto& list = m_parent->m_controls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) {
        list.erase(it);
        list.insert(list.begin(), this);
        Invalidate();
    }
}

TCustomForm* TControl::ParentForm()
{
    TControl* top = this;
    while (top->m_parent)
        top = top->m_parent;
    return dynamic_cast<TCustomForm*>(top);
}

bool TControl::DialogChar(char, LPARAM) { return false; }

HDC TControl::GetDeviceContext(HWND& window)
{
    if (!m_parent)
        throw EInvalidOperation(Exception::ResText(TextId::ControlHasNoParentWindow, Name()));
    HDC dc = m_parent->GetDeviceContext(window);
    SetViewportOrgEx(dc, m_left, m_top, nullptr);
    IntersectClipRect(dc, 0, 0, m_width, m_height);
    return dc;
}

void TControl::WndProc(TMessage& message)
{
    UINT msg = message.Msg;
    if (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) {
        TCustomForm* form = ParentForm();
        if (form && form != this && form->WantChildKey(this, message))
            return;
    } else if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSEWHEEL) {
        if (!(m_controlStyle & csDoubleClicks) && IsDoubleClick(msg))
            message.Msg = msg = msg - WM_LBUTTONDBLCLK + WM_LBUTTONDOWN;
        switch (msg) {
        case WM_MOUSEMOVE: HintMouseMessage(message); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // Automatic dragging takes the press over; no control of this program
            // drags, so the press simply ends here.
            if (m_dragMode == dmAutomatic)
                return;
            m_controlState |= csLButtonDown;
            break;
        case WM_LBUTTONUP: m_controlState &= ~csLButtonDown; break;
        }
    }
    Dispatch(message);
}

void TControl::HintMouseMessage(TMessage& message)
{
    if (Application)
        Application->HintMouseMessage(this, message);
}

void TControl::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_LBUTTONDOWN: WMLButtonDown(message); return;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(message); return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        DefaultHandler(message);
        DoMouseDown(message, mbRight, message.Msg == WM_RBUTTONDBLCLK ? ssDouble : 0);
        return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        DefaultHandler(message);
        DoMouseDown(message, mbMiddle, message.Msg == WM_MBUTTONDBLCLK ? ssDouble : 0);
        return;
    case WM_LBUTTONUP: WMLButtonUp(message); return;
    case WM_RBUTTONUP:
        DefaultHandler(message);
        DoMouseUp(message, mbRight);
        return;
    case WM_MBUTTONUP:
        DefaultHandler(message);
        DoMouseUp(message, mbMiddle);
        return;
    case WM_MOUSEMOVE: WMMouseMove(message); return;
    case WM_CANCELMODE: WMCancelMode(message); return;
    case FM_MOUSEENTER:
    case FM_MOUSELEAVE:
        if (m_parent)
            m_parent->Perform(message.Msg, 0, reinterpret_cast<LPARAM>(this));
        return;
    case FM_HITTEST: message.Result = HTCLIENT; return;
    case FM_VISIBLECHANGED: InvalidateChild(true, m_visible && (m_controlStyle & csOpaque)); return;
    }
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message)
{
    switch (message.Msg) {
    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(message.LParam);
        m_text = std::make_unique<AnsiString>(text ? text : "");
        message.Result = TRUE;
        break;
    }
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(message.LParam);
        std::size_t size = message.WParam;
        if (!buffer || size == 0) {
            message.Result = 0;
            break;
        }
        std::size_t count = m_text ? std::min(m_text->size(), size - 1) : 0;
        if (count)
            std::memcpy(buffer, m_text->data(), count);
        buffer[count] = '\0';
        message.Result = static_cast<LRESULT>(count);
        break;
    }
    case WM_GETTEXTLENGTH: message.Result = m_text ? static_cast<LRESULT>(m_text->size()) : 0; break;
    }
}

void TControl::DoMouseDown(TMessage& message, TMouseButton button, TShiftState shift)
{
    if (m_controlStyle & csNoStdEvents)
        return;
    MouseDown(
        button, KeysToShiftState(message.WParam) | shift, GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
}

void TControl::DoMouseUp(TMessage& message, TMouseButton button)
{
    if (m_controlStyle & csNoStdEvents)
        return;
    MouseUp(button, KeysToShiftState(message.WParam), GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
}

void TControl::WMLButtonDown(TMessage& message)
{
    // Another control of the form may hold the capture: it lets go first.
    TControl* holder = CaptureControl();
    if (holder && holder != this)
        holder->Perform(WM_CANCELMODE, 0, 0);
    DefaultHandler(message);
    if (m_controlStyle & csCaptureMouse)
        CaptureMouseFor(this);
    if (m_controlStyle & csClickEvents)
        m_controlState |= csClicked;
    DoMouseDown(message, mbLeft, 0);
}

void TControl::WMLButtonDblClk(TMessage& message)
{
    TControl* holder = CaptureControl();
    if (holder && holder != this)
        holder->Perform(WM_CANCELMODE, 0, 0);
    DefaultHandler(message);
    if (m_controlStyle & csCaptureMouse)
        CaptureMouseFor(this);
    DoMouseDown(message, mbLeft, ssDouble);
}

void TControl::WMLButtonUp(TMessage& message)
{
    DefaultHandler(message);
    if ((m_controlStyle & csCaptureMouse) && CaptureControl() == this)
        CaptureMouseFor(nullptr);
    if (m_controlState & csClicked) {
        m_controlState &= ~csClicked;
        POINT point = { GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam) };
        RECT client = ClientRect();
        if (PtInRect(&client, point)) {
            TAliveToken::Watcher alive = m_alive.Watch();
            Click();
            if (!alive)
                return;
        }
    }
    DoMouseUp(message, mbLeft);
}

void TControl::WMMouseMove(TMessage& message)
{
    DefaultHandler(message);
    if (!(m_controlStyle & csNoStdEvents))
        MouseMove(KeysToShiftState(message.WParam), GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
}

void TControl::WMCancelMode(TMessage& message)
{
    DefaultHandler(message);
    if (CaptureControl() == this) {
        CaptureMouseFor(nullptr);
        // A press in progress ends outside the control: no click.
        if (m_controlState & csLButtonDown)
            Perform(WM_LBUTTONUP, 0, MAKELPARAM(0xFFFF, 0xFFFF));
    } else {
        m_controlState &= ~csLButtonDown;
    }
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

// The control's stored properties, as form streams set them.
static const TClassRegistration<TControl> controlInfo("TControl", [](TClassBuilder<TControl>& c) {
    static const TEnumType dragModes { "dmManual", "dmAutomatic" };
    c.Parent<TComponent>();
    c.Integer("Left", &TControl::Left, &TControl::SetLeft);
    c.Integer("Top", &TControl::Top, &TControl::SetTop);
    c.Integer("Width", &TControl::Width, &TControl::SetWidth);
    c.Integer("Height", &TControl::Height, &TControl::SetHeight);
    c.Integer("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth);
    c.Integer("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight);
    c.Boolean("Visible", &TControl::Visible, &TControl::SetVisible);
    c.Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled);
    c.String("Caption", &TControl::SetCaption);
    c.Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, &CursorIdents(), 2);
    c.Integer("Color", &TControl::Color, &TControl::SetColor, &ColorIdents());
    c.Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
    c.Object<TFont>("Font", &TControl::Font, &TControl::SetFont);
    c.Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
    c.String("Hint", &TControl::SetHint);
    c.Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
    c.Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint);
    c.Enum("DragMode", dragModes, &TControl::DragMode, &TControl::SetDragMode);
    c.Event("OnClick", &TControl::OnClick);
    c.Event("OnMouseDown", &TControl::OnMouseDown);
    c.Event("OnMouseMove", &TControl::OnMouseMove);
    c.Event("OnMouseUp", &TControl::OnMouseUp);
    c.Defined("IsControl", [](TControl&, TReader& reader) { reader.ReadBoolean(); });
});
