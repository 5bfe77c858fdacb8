// Forms: top-level windows built from a stored form resource. TCustomForm carries the
// behaviour (creation, showing and hiding, closing, running modally, dialog keys and
// focus); TForm is the concrete base of the program's forms.
#pragma once

#include "frame/AppForm.h"
#include "frame/Application.h"
#include "frame/ControlCanvas.h"
#include "frame/WinControl.h"

#include <memory>

class TIcon;
#include <new>
#include <vector>

enum TFormBorderStyle { bsNone = 0, bsSingle = 1, bsSizeable = 2, bsDialog = 3, bsToolWindow = 4, bsSizeToolWin = 5 };
enum TPosition {
    poDesigned = 0,
    poDefault = 1,
    poDefaultPosOnly = 2,
    poDefaultSizeOnly = 3,
    poScreenCenter = 4,
    poDesktopCenter = 5,
    poMainFormCenter = 6,
    poOwnerFormCenter = 7
};
enum TDefaultMonitor { dmDesktop = 0, dmPrimary = 1, dmMainForm = 2, dmActiveForm = 3 };
enum TFormStyle { fsNormal = 0, fsMDIChild = 1, fsMDIForm = 2, fsStayOnTop = 3 };
enum TPrintScale { poNone = 0, poProportional = 1, poPrintToFit = 2 };
enum TCloseAction { caNone = 0, caHide = 1, caFree = 2, caMinimize = 3 };

using TBorderIcons = unsigned;
enum : TBorderIcons { biSystemMenu = 1u << 0, biMinimize = 1u << 1, biMaximize = 1u << 2, biHelp = 1u << 3 };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;

// How a form is built: from its class's stored resources, or empty (a form made in
// code, which reads nothing).
enum class TFormSource { Resource, None };

using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TCustomForm;

// The form of that name (case-blind) among the screen's forms, or none: how references
// from one form's stream into another form are resolved.
TCustomForm* FindGlobalForm(const AnsiString& name);

class TCustomForm : public TWinControl, public IAppForm {
public:
    SV_CLASS_NAME(TCustomForm)

    explicit TCustomForm(TComponent* owner, TFormSource source = TFormSource::Resource);
    ~TCustomForm() override;

    // The part of construction that needs the complete object of the derived class,
    // run once the constructor has finished (by the owner that takes the form): the
    // form resources are read (not for TForm itself; a class without any raises
    // EResNotFound 65392), OnCreate runs (with OldCreateOrder at the end of reading,
    // else after it), then a pending visible state and a deferred activation.
    void AfterConstruction() override;
    // Before the destructor: hidden, dropped from the saved focus, OnDestroy (unless
    // OldCreateOrder), the window destroyed and the owned components freed.
    void BeforeDestruction() override;

    void SetVisible(bool value) override;
    // IAppForm: what the application object and the screen use of a form.
    bool IsTForm() const override { return false; }
    HWND FormHandle() override { return Handle(); }
    bool FormHandleAllocated() const override { return HandleAllocated(); }
    HWND FormParentWindow() const override { return ParentWindow(); }
    bool FormVisible() const override { return Visible(); }
    void SetFormVisible(bool visible) override { SetVisible(visible); }
    bool FormEnabled() const override { return Enabled(); }
    TWindowState FormWindowState() const override { return m_windowState; }
    void SetFormWindowState(TWindowState state) override { SetWindowState(state); }
    RECT FormBounds() const override { return BoundsRect(); }
    bool FormIsShortCut(TMessage& message) override;
    LRESULT FormPerform(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        return Perform(message, wParam, lParam);
    }

    void ShowForm();
    void HideForm();
    void CloseForm() override;
    bool CanCloseForm();
    // Frees the form once the message loop gets to it: safe from the form's own handlers.
    void ReleaseForm();
    TModalResult ShowFormModal();

    TModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TModalResult value) { m_modalResult = value; }
    bool IsModal() const { return m_modal; }

    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return m_borderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TWindowState WindowState() const { return m_windowState; }
    void SetWindowState(TWindowState value);
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition value) { m_position = value; }
    TDefaultMonitor DefaultMonitor() const { return m_defaultMonitor; }
    void SetDefaultMonitor(TDefaultMonitor value) { m_defaultMonitor = value; }
    TFormStyle FormStyle() const { return m_formStyle; }
    void SetFormStyle(TFormStyle value);
    bool OldCreateOrder() const { return m_oldCreateOrder; }
    void SetOldCreateOrder(bool value) { m_oldCreateOrder = value; }
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool value) { m_keyPreview = value; }
    TPrintScale PrintScale() const { return m_printScale; }
    void SetPrintScale(TPrintScale value) { m_printScale = value; }
    int PixelsPerInch() const { return m_pixelsPerInch; }
    void SetPixelsPerInch(int value);
    int TextHeight() const { return m_textHeight; }
    void SetTextHeight(int value) { m_textHeight = value; }
    const AnsiString& HelpFile() const { return m_helpFile; }
    void SetHelpFile(const AnsiString& value) { m_helpFile = value; }
    // The form's own icon; while it is empty the application's icon is used.
    TIcon* Icon() const { return m_icon.get(); }
    void SetIcon(TIcon* icon);
    TCanvas* Canvas() const { return m_canvas.get(); }

    // The control that has (or gets) the focus when the form is active.
    TWinControl* ActiveControl() const { return m_activeControl; }
    void SetActiveControl(TWinControl* control);
    // Whether the control may become the focused control (WM_SETFOCUS of a control).
    bool SetFocusedControl(TWinControl* control);
    // Focus moves: Tab order within the form, or within the parent of the active control.
    void SelectNext(TWinControl* current, bool forward, TWinControl* within);
    // Offers a key of a child control before it is handled (KeyPreview).
    virtual bool WantChildKey(TControl* child, TMessage& message);
    // Focuses the control (it becomes the active control) when the form is active.
    void FocusControl(TWinControl* control);
    // A control leaves the form, or is hidden or disabled: the focus leaves it.
    void ControlRemoved(TControl* control);
    // Shortcut keys: OnShortCut first.
    bool IsShortCut(TMessage& message);
    void SetFocus() override;
    bool Active() const { return m_active; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TShortCutEvent OnShortCut;
    TNotifyEvent OnResize;
    TNotifyEvent OnPaint;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

    bool DialogKey(WORD key, LPARAM keyData) override;
    void Dispatch(TMessage& message) override;

    // Used by the form-stream reader around reading a form's own state.
    bool Creating() const { return m_creating; }
    void BeginReadState();
    void EndReadState();
    void SetClientWidth(int value) override;
    void SetClientHeight(int value) override;

protected:
    TCustomForm(TComponent* owner, TFormSource source, bool isTForm);
    // The icon the window shows: the form's own, else the application's.
    HICON WindowIcon();
    void IconChanged();
    void FillCreationRecord(TCreateParams& params) override;
    void FontChanged() override;
    // Scales the children's bounds and fonts by multiplier / divisor.
    void ScaleControls(TWinControl* parent, int multiplier, int divisor);
    void WindowCreated() override;
    void WindowDestroying() override;
    void ShowingChanged() override;
    void PaintWindow(HDC dc) override;

    // Create handling: OnCreate (exceptions to the application), then a pending visible state.
    void DoCreate();
    void DoDestroy();
    void DoShow();
    void DoHide();
    void DoClose(TCloseAction& action);
    // Places the form according to Position on its first show, then sets poDesigned.
    void PlaceOnFirstShow();
    // Moves the form onto its default monitor.
    void MoveToDefaultMonitor(TPosition position);
    // The modal close step: true when the modal loop may end.
    void ModalCloseStep();
    void Activate();
    void Deactivate();
    void SetActive(bool value);
    // Hides the window of a shown form (see the rules for the active window).
    void HideWindow();

private:
    TFormSource m_source;
    bool m_fontRead = false;
    bool m_creating = false;
    bool m_visiblePending = false;
    bool m_showingChange = false;
    bool m_modal = false;
    bool m_activatePending = false;
    bool m_constructed = false;
    bool m_destroying = false;
    bool m_active = false;
    bool m_clientWidthPending = false;
    bool m_clientHeightPending = false;
    int m_pendingClientWidth = 0;
    int m_pendingClientHeight = 0;
    TModalResult m_modalResult = mrNone;
    TFormBorderStyle m_borderStyle = bsSizeable;
    TBorderIcons m_borderIcons = biSystemMenu | biMinimize | biMaximize;
    TWindowState m_windowState = wsNormal;
    TPosition m_position = poDesigned;
    TDefaultMonitor m_defaultMonitor = dmActiveForm;
    TFormStyle m_formStyle = fsNormal;
    bool m_oldCreateOrder = false;
    bool m_keyPreview = false;
    TPrintScale m_printScale = poProportional;
    int m_pixelsPerInch = 96;
    int m_textHeight = 0;
    AnsiString m_helpFile;
    std::unique_ptr<TIcon> m_icon;
    std::unique_ptr<TControlCanvas> m_canvas;
    TWinControl* m_activeControl = nullptr;
    TWinControl* m_focusedControl = nullptr;
};

class TForm : public TCustomForm {
public:
    SV_CLASS_NAME(TForm)
    explicit TForm(TComponent* owner, TFormSource source = TFormSource::Resource) : TCustomForm(owner, source, true) {}
    bool IsTForm() const override { return true; }
};
