#include "frame/Button.h"

#include "runtime/ClassInfo.h"
#include "frame/Label.h"

#include <functional>
#include <vector>

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    m_controlStyle = csSetCaption | csDoubleClicks;
    m_width = 75;
    m_height = 25;
    m_tabStop = true;
}

void TButton::FillCreationRecord(TCreateParams& params)
{
    TWinControl::FillCreationRecord(params);
    CreateSubClass(params, "BUTTON");
    params.Style |= m_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value)
{
    if (m_default == value)
        return;
    m_default = value;
    UpdateDefaultStyle(GetFocus());
}

void TButton::UpdateDefaultStyle(HWND focus)
{
    if (m_handle)
        SendMessageA(m_handle, BM_SETSTYLE, IsActiveWith(focus) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

namespace {

void UpdateButtonsIn(TWinControl* parent, const std::function<void(TButton*)>& update)
{
    for (TWinControl* child : std::vector<TWinControl*>(parent->WinControls())) {
        if (auto* button = dynamic_cast<TButton*>(child))
            update(button);
        else
            UpdateButtonsIn(child, update);
    }
}

}

void TButton::UpdateFormButtons(HWND focus)
{
    TWinControl* top = ParentForm();
    if (!top) {
        UpdateDefaultStyle(focus);
        return;
    }
    UpdateButtonsIn(top, [focus](TButton* button) { button->UpdateDefaultStyle(focus); });
}

bool TButton::IsActive() { return IsActiveWith(GetFocus()); }

bool TButton::IsActiveWith(HWND focus)
{
    if (m_handle && focus == m_handle)
        return true;
    if (!m_default)
        return false;
    return !dynamic_cast<TButton*>(FindControl(focus));
}

void TButton::Click()
{
    if (TCustomForm* form = ParentForm())
        form->SetModalResult(m_modalResult);
    TWinControl::Click();
}

bool TButton::DialogKey(WORD key, LPARAM keyData)
{
    if (key != VK_RETURN && key != VK_ESCAPE)
        return TWinControl::DialogKey(key, keyData);
    if (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    bool mine = key == VK_RETURN ? IsActive() : m_cancel;
    if (!mine || !CanFocus())
        return false;
    Click();
    return true;
}

bool TButton::DialogChar(char charCode, LPARAM)
{
    if (!IsAccel(charCode, Caption()) || !CanFocus())
        return false;
    Click();
    return true;
}

void TButton::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_COMMAND + FN_OFFSET:
        if (HIWORD(message.WParam) == BN_CLICKED)
            Click();
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        // The focused button draws as the default one while it has the focus, the
        // default button while no other button has it. While the focus is being taken
        // away it may not have arrived yet: the message names where it goes.
        HWND focus = message.Msg == WM_SETFOCUS ? m_handle : reinterpret_cast<HWND>(message.WParam);
        TWinControl::Dispatch(message);
        if (m_handle && IsWindow(m_handle))
            UpdateFormButtons(focus);
        return;
    }
    case WM_ERASEBKGND: DefaultHandler(message); return;
    }
    TWinControl::Dispatch(message);
}

static const TClassRegistration<TButton> buttonInfo("TButton", [](TClassBuilder<TButton>& c) {
    c.Parent<TWinControl>();
    c.Constructor();
    c.Boolean("Default", &TButton::Default, &TButton::SetDefault);
    c.Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel);
    c.Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult);
});
