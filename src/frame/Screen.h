// The screen: all forms of the program, the active and focused form, the screen
// cursor and the display's measures.
#pragma once

#include "runtime/Component.h"

#include <vector>

#include <windows.h>

class IAppForm;
class TCustomForm;
class TWinControl;

using TCursor = short;
constexpr TCursor crDefault = 0;

class TScreen : public TComponent {
public:
    SV_CLASS_NAME(TScreen)
    explicit TScreen(TComponent* owner);

    // Every form in creation order; TForm forms are also in the form list, every form
    // (custom forms included) in the custom form list. Adding or removing a form
    // updates the application window's visibility.
    void AddForm(IAppForm* form, bool isTForm);
    void RemoveForm(IAppForm* form);
    int FormCount() const { return static_cast<int>(m_forms.size()); }
    IAppForm* Forms(int index) const { return m_forms.at(static_cast<std::size_t>(index)); }
    int CustomFormCount() const { return static_cast<int>(m_customForms.size()); }
    IAppForm* CustomForms(int index) const { return m_customForms.at(static_cast<std::size_t>(index)); }

    // Kept by the forms and controls.
    TCustomForm* ActiveForm() const { return m_activeForm; }
    void SetActiveForm(TCustomForm* form) { m_activeForm = form; }
    TCustomForm* ActiveCustomForm() const { return m_activeCustomForm; }
    void SetActiveCustomForm(TCustomForm* form) { m_activeCustomForm = form; }
    TCustomForm* FocusedForm() const { return m_focusedForm; }
    void SetFocusedForm(TCustomForm* form) { m_focusedForm = form; }
    // The saved focused forms of modal loops (a stack).
    std::vector<TCustomForm*>& SavedFocusedForms() { return m_savedFocusedForms; }
    TWinControl* ActiveControl() const { return m_activeControl; }
    void SetActiveControl(TWinControl* control) { m_activeControl = control; }
    // Forgets every reference to the form (when it goes away).
    void ForgetForm(TCustomForm* form);

    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor);
    int CursorCount() const { return m_cursorCount; }

    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    int PixelsPerInch() const { return m_pixelsPerInch; }
    // Reads the display's measures again (after a settings change).
    void ReloadMetrics();
    // The fonts of the system changed (nothing is cached here).
    void ReloadFonts() {}

private:
    std::vector<IAppForm*> m_forms;
    std::vector<IAppForm*> m_customForms;
    TCustomForm* m_activeForm = nullptr;
    TCustomForm* m_activeCustomForm = nullptr;
    TCustomForm* m_focusedForm = nullptr;
    std::vector<TCustomForm*> m_savedFocusedForms;
    TWinControl* m_activeControl = nullptr;
    TCursor m_cursor = crDefault;
    int m_cursorCount = 0;
    int m_pixelsPerInch = 96;
};

// The process-wide screen object (exists from start-up to exit).
extern TScreen* Screen;
