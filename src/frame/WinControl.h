// TWinControl: a control that owns a platform window (created on first demand) and can
// contain other controls, windowed or not.
#pragma once

#include "frame/Control.h"

#include <vector>

class TBrush;

// What a window is created with: filled by FillCreationRecord, used by BuildWindow.
struct TCreateParams {
    const char* Caption = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSA WindowClass {};
    char WinClassName[64] {};
};

class TWinControl : public TControl {
public:
    SV_CLASS_NAME(TWinControl)

    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window, created on demand (and the parents' windows before it).
    HWND Handle();
    bool HandleAllocated() const { return m_handle != nullptr; }
    // Creates the window when there is none (making sure the parent has one first).
    void EnsureWindow();
    // Destroys the window (and the children's windows); the control stays.
    void DestroyHandle();
    // Destroys and re-creates the window, keeping the control's state.
    void RecreateWnd();

    // A foreign window to place the control in when it has no parent control.
    HWND ParentWindow() const { return m_parentWindow; }
    void SetParentWindow(HWND value);

    // Children in creation order, which is their z-order, the bottom first.
    const std::vector<TControl*>& Controls() const { return m_controls; }
    const std::vector<TWinControl*>& WinControls() const { return m_winControls; }
    int ControlCount() const { return static_cast<int>(m_controls.size() + m_winControls.size()); }
    bool ContainsControl(TControl* control);

    // The child at a point in client coordinates, the top one first; none when no child
    // is hit. Windowed children are tested (before the windowless ones) only when allowed.
    TControl* ChildAtPoint(POINT point, bool allowDisabled, bool allowWindowed);

    bool Showing() const { return m_showing; }
    // Brings the showing state in line with Visible (creating the window when it is to
    // be shown), the windowed children first.
    void RefreshShowing();

    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool value);
    // Position among the windowed siblings in tab order (-1 without parent).
    int TabOrder() const;
    void SetTabOrder(int value);
    // Windowed children in tab order.
    const std::vector<TWinControl*>& TabList() const { return m_tabList; }

    bool DoubleBuffered() const { return m_doubleBuffered; }
    void SetDoubleBuffered(bool value) { m_doubleBuffered = value; }
    TBrush* Brush() const { return m_brush.get(); }
    // The 3-D look (framed children get a sunken frame).
    bool Ctl3D() const { return m_ctl3D; }
    virtual void SetCtl3D(bool value);

    // Paints the windowless children on the device context, from the given one on (from
    // the first when none), then frames the framed windowed children.
    void PaintChildren(HDC dc, TControl* first);
    // Paints the control itself around its opaque windowless children, then the children.
    void PaintWithChildren(HDC dc);

    RECT ClientRect() override;
    POINT ClientOrigin() override;
    void SetBounds(int left, int top, int width, int height) override;
    bool IsShowing() override;
    void Invalidate() override;
    void Repaint() override;
    void BringToFront() override;
    void SendToBack() override;
    void Update();

    // Focus.
    virtual bool CanFocus();
    bool Focused();
    virtual void SetFocus();

    bool DialogChar(char charCode, LPARAM keyData) override;
    HDC GetDeviceContext(HWND& window) override;
    // Dialog key (Tab, arrows, ...) offered before translation: true when consumed.
    virtual bool DialogKey(WORD key, LPARAM keyData);

    void WndProc(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    // The entry from the platform for this control's window: runs WindowProc inside a
    // guard that hands exceptions to the application and releases temporary contexts.
    void MainWndProc(TMessage& message);

protected:
    // Window creation: FillCreationRecord fills the record, BuildWindow registers the
    // class and creates the window, MakeWindow attaches it to the control and orders it.
    virtual void FillCreationRecord(TCreateParams& params);
    virtual void BuildWindow();
    virtual void MakeWindow();
    // Creates the window from a filled record (CreateWindowExA).
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void DestroyWindowHandle();
    // Bases the window on a system class ("LISTBOX", "BUTTON").
    void CreateSubClass(TCreateParams& params, const char* className);
    // Called once the window exists and is bound (after MakeWindow's ordering).
    virtual void WindowCreated() {}
    // Called just before the window is destroyed, while it still exists.
    virtual void WindowDestroying() {}

    // Paint handling on WM_PAINT when given a device context (custom controls).
    virtual void PaintWindow(HDC dc);
    // What WM_PAINT without windowless children does.
    virtual void DefaultPaint(TMessage& message);

    virtual void ShowingChanged();
    void VisibleChangedMessage(TMessage& message);
    void EnabledChanged() override;
    void TextChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    // Passed on to every child.
    void SysColorChanged() override;

    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // Places the window in z-order after the preceding windowed sibling's window.
    void OrderWindow();
    // Routes a mouse message to a windowless child; true when the message ended there.
    bool RouteMouseToChild(TMessage& message);

    // Message handlers of TWinControl.
    void WMPaint(TMessage& message);
    void WMEraseBkgnd(TMessage& message);
    void WMSetCursor(TMessage& message);
    void WMSetFocus(TMessage& message);
    void WMKillFocus(TMessage& message);
    void WMNCDestroy(TMessage& message);
    void WMContextMenu(TMessage& message);
    void WMCtlColor(TMessage& message);
    void CNCtlColor(TMessage& message);
    void CNKeyDown(TMessage& message);
    void CNChar(TMessage& message);

private:
    void FreeNow();

protected:
    // Frees the control once the message being handled (and every message nested in
    // it) is done: a control may ask for its own release from its handlers.
    void FreeAfterMessage() { m_freeAfterMessage = true; }

    HWND m_handle = nullptr;
    WNDPROC m_objectInstance = nullptr; // the window procedure bound to MainWndProc
    WNDPROC m_defWndProc = nullptr;
    int m_messageDepth = 0;
    bool m_freeAfterMessage = false;
    std::vector<TControl*> m_controls;       // windowless children
    std::vector<TWinControl*> m_winControls; // windowed children
    std::vector<TWinControl*> m_tabList;     // windowed children in tab order
    bool m_showing = false;
    bool m_tabStop = false;
    bool m_doubleBuffered = false;
    bool m_ctl3D = true;
    bool m_paintingBuffered = false;
    HWND m_parentWindow = nullptr;
    std::unique_ptr<TBrush> m_brush;

    friend class TControl;
};

// The control a window belongs to, or none when the window is not one of the frame's.
TWinControl* FindControl(HWND window);
// The control (windowed or not) at a screen point, or none.
TControl* FindDragTarget(POINT screenPoint, bool allowDisabled);
// The cursor shown for a cursor index: the system's standard cursors, and the hand
// (crHandPoint) and the drag and data-access cursors (-17 to -12) from the program's
// own cursor resources (identifiers 32761 to 32767), falling back to the system's.
HCURSOR CursorHandle(TCursor index);
