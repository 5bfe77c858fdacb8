// TControl: a rectangle inside a parent that receives messages. Controls without a
// window of their own (labels, images, speed buttons) are drawn by their parent and
// get their mouse input routed through it; windowed controls build on TWinControl.
#pragma once

#include "runtime/AliveToken.h"
#include "runtime/Component.h"
#include "runtime/Messages.h"
#include "frame/Screen.h"
#include "graphics/Colors.h"
#include "runtime/Events.h"

#include <cstdint>
#include <functional>
#include <memory>

#include <windows.h>

class TWinControl;
class TCustomForm;
class TFont;
class TCanvas;

enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// Shift state: keys and mouse buttons held, and whether it was a double click.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1u << 0;
constexpr TShiftState ssAlt = 1u << 1;
constexpr TShiftState ssCtrl = 1u << 2;
constexpr TShiftState ssLeft = 1u << 3;
constexpr TShiftState ssRight = 1u << 4;
constexpr TShiftState ssMiddle = 1u << 5;
constexpr TShiftState ssDouble = 1u << 6;
// The shift state carried by a mouse message's key flags (and the Alt key's state).
TShiftState KeysToShiftState(WPARAM keys);

constexpr TCursor crArrow = -2;
constexpr TCursor crHandPoint = -21;

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

// What a control is (its class decides): control style bits.
using TControlStyle = unsigned;
constexpr TControlStyle csCaptureMouse = 1u << 0;    // a press captures the mouse for it
constexpr TControlStyle csClickEvents = 1u << 1;     // a press and release inside it makes a click
constexpr TControlStyle csDoubleClicks = 1u << 2;    // double clicks arrive as double clicks
constexpr TControlStyle csOpaque = 1u << 3;          // it covers its whole rectangle when painting
constexpr TControlStyle csNoStdEvents = 1u << 4;     // no OnMouseDown/OnMouseMove/OnMouseUp
constexpr TControlStyle csAcceptsControls = 1u << 5; // it contains other controls
constexpr TControlStyle csFramed = 1u << 6;          // its parent draws a 3-D frame around it
constexpr TControlStyle csSetCaption = 1u << 7;      // the caption follows the component name

// What a control is doing: control state bits.
using TControlState = unsigned;
constexpr TControlState csLButtonDown = 1u << 0;
constexpr TControlState csClicked = 1u << 1;
constexpr TControlState csPaintCopy = 1u << 2;
constexpr TControlState csCustomPaint = 1u << 3;
constexpr TControlState csReadingState = 1u << 4; // the window is being re-created and its state read back
constexpr TControlState csFocusing = 1u << 5;     // changing the focus itself
constexpr TControlState csCreating = 1u << 6;

enum TDragMode { dmManual = 0, dmAutomatic = 1 };

class TControl;

// A hint about to be shown, which its control may adjust (positions in screen
// coordinates, times in milliseconds).
struct THintInfo {
    TControl* HintControl = nullptr;
    POINT HintPos {}; // the pop-up's top-left
    int HintMaxWidth = 0;
    TColor HintColor = 0;
    RECT CursorRect {}; // moving within it does not restart the hint
    POINT CursorPos {};
    int ReshowTimeout = 0; // above 0: shown again after this time instead of hidden
    int HideTimeout = 0;
    AnsiString HintStr;
};

class TControl : public TComponent {
public:
    SV_CLASS_NAME(TControl)

    explicit TControl(TComponent* owner);
    ~TControl() override;

    // The control's message entry: builds a message record with result 0, passes it
    // through WindowProc and answers the result.
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
    // The method messages go through, initially WndProc.
    TWndMethod WindowProc;

    // A control with csSetCaption whose caption still equals its name keeps following
    // the name, except while it is read from a form resource.
    void SetName(const AnsiString& name) override;
    // Nesting in a form resource is parenting on screen.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

    TWinControl* Parent() const { return m_parent; }
    // Moves the control into another parent (or none). Making a control its own parent
    // raises EInvalidOperation.
    virtual void SetParent(TWinControl* parent);

    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int value) { SetBounds(value, m_top, m_width, m_height); }
    void SetTop(int value) { SetBounds(m_left, value, m_width, m_height); }
    void SetWidth(int value) { SetBounds(m_left, m_top, value, m_height); }
    void SetHeight(int value) { SetBounds(m_left, m_top, m_width, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return { m_left, m_top, m_left + m_width, m_top + m_height }; }
    virtual RECT ClientRect();
    int ClientWidth() { return ClientRect().right; }
    int ClientHeight() { return ClientRect().bottom; }
    virtual void SetClientWidth(int value);
    virtual void SetClientHeight(int value);
    // Client coordinates to screen coordinates and back.
    POINT ClientToScreen(POINT point);
    POINT ScreenToClient(POINT point);
    // The offset of the client area's origin from the screen's origin.
    virtual POINT ClientOrigin();

    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool value);
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool value);
    // Visible, and every parent up to the top visible too (for a windowless control).
    virtual bool IsShowing();

    // The caption (window text).
    AnsiString Text();
    void SetText(const AnsiString& value);
    AnsiString Caption() { return Text(); }
    void SetCaption(const AnsiString& value) { SetText(value); }

    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor value);

    TColor Color() const { return m_color; }
    virtual void SetColor(TColor value);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool value);
    TFont* Font() const { return m_font.get(); }
    void SetFont(TFont* value);
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool value);

    const AnsiString& Hint() const { return m_hint; }
    void SetHint(const AnsiString& value) { m_hint = value; }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return m_parentShowHint; }
    void SetParentShowHint(bool value);

    TDragMode DragMode() const { return m_dragMode; }
    void SetDragMode(TDragMode value) { m_dragMode = value; }

    TControlStyle ControlStyle() const { return m_controlStyle; }
    void SetControlStyle(TControlStyle value) { m_controlStyle = value; }
    TControlState ControlState() const { return m_controlState; }
    void SetControlState(TControlState value) { m_controlState = value; }

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    // Repaint requests: Invalidate marks the control's area for repainting, Update
    // paints what is marked now, Repaint does both.
    virtual void Invalidate();
    void Update();
    virtual void Repaint();
    // Marks a windowless control's rectangle on its parent's window.
    void InvalidateChild(bool visible, bool opaque);

    // Moves the control to the top (last) or bottom (first) of its siblings.
    virtual void BringToFront();
    virtual void SendToBack();

    // The form the control sits on (the top of its parent chain when that is a form).
    TCustomForm* ParentForm();

    // Device context of the control's area (released with ReleaseDC on the window it
    // names): for a windowless control the parent's, moved to the control's top-left
    // and clipped to its size; EInvalidOperation without a parent. A windowed control's
    // is its window's; EOutOfResources when there is none.
    virtual HDC GetDeviceContext(HWND& window);

    // Dialog character (an accelerator) offered by the form: true when consumed.
    virtual bool DialogChar(char charCode, LPARAM keyData);
    // The control's say in its hint: the rest time before it shows (active: a hint is
    // up already), and the hint itself before it is shown (false: not shown).
    virtual void HintShowPause(bool active, int& pause)
    {
        (void)active;
        (void)pause;
    }
    virtual bool HintShow(THintInfo& info)
    {
        (void)info;
        return true;
    }

    // The window procedure method: the rules every control shares, then Dispatch.
    virtual void WndProc(TMessage& message);
    // Hands the message to the handler this class declares for its number; a number
    // without a handler goes to DefaultHandler. Derived classes handle their numbers
    // and pass everything else to their base class's Dispatch.
    virtual void Dispatch(TMessage& message);
    // What a message without a handler gets.
    virtual void DefaultHandler(TMessage& message);

protected:
    virtual void Click();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // Change notifications, called after the value is stored.
    virtual void VisibleChanging() {}
    virtual void EnabledChanged();
    virtual void TextChanged();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void ParentShowHintChanged();
    virtual void BoundsChanged() {}
    // The system colours changed (glyphs and brushes of system colours are made again).
    virtual void SysColorChanged() { Invalidate(); }

    // Message handlers of TControl, called by Dispatch.
    void WMLButtonDown(TMessage& message);
    void WMLButtonDblClk(TMessage& message);
    void WMRButtonDown(TMessage& message);
    void WMMButtonDown(TMessage& message);
    void WMLButtonUp(TMessage& message);
    void WMRButtonUp(TMessage& message);
    void WMMButtonUp(TMessage& message);
    void WMMouseMove(TMessage& message);
    void WMCancelMode(TMessage& message);
    void WMWindowPosChanged(TMessage& message);

    // Writes the bounds without moving anything (a window reports its own bounds).
    void UpdateBoundsRect(const RECT& rect);
    void DoMouseDown(TMessage& message, TMouseButton button, TShiftState shift);
    // Hands a mouse move to the application's hint handling.
    void HintMouseMessage(TMessage& message);
    void DoMouseUp(TMessage& message, TMouseButton button);

    TWinControl* m_parent = nullptr;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_visible = true;
    bool m_enabled = true;
    std::unique_ptr<AnsiString> m_text; // the caption while no window holds it
    TCursor m_cursor = crDefault;
    TColor m_color = clWindow;
    bool m_parentColor = true;
    std::unique_ptr<TFont> m_font;
    bool m_parentFont = true;
    AnsiString m_hint;
    bool m_showHint = false;
    bool m_parentShowHint = true;
    TDragMode m_dragMode = dmManual;
    TControlStyle m_controlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
    TControlState m_controlState = 0;
    // A handler the control calls (OnClick) may free it: the caller watches the token
    // before touching the control again.
    TAliveToken m_alive;

    friend class TWinControl;
    friend class TCustomForm;
};

// Routes the mouse to a control: a windowless control gets the capture through its
// parent's window and becomes the capture control. Passing none releases the capture.
void CaptureMouseFor(TControl* control);
// The control that holds the mouse capture, or none.
TControl* CaptureControl();
