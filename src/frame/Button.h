// TButton: the push button, a platform "BUTTON" window. A click ends a modal show of
// its form with the button's modal result, then runs OnClick; Enter clicks the
// default (or focused) button, Escape the cancel button.
#pragma once

#include "frame/Form.h"
#include "frame/WinControl.h"

class TButton : public TWinControl {
public:
    SV_CLASS_NAME(TButton)
    explicit TButton(TComponent* owner);

    bool Default() const { return m_default; }
    void SetDefault(bool value);
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool value) { m_cancel = value; }
    TModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TModalResult value) { m_modalResult = value; }

    void Click() override;
    bool DialogKey(WORD key, LPARAM keyData) override;
    bool DialogChar(char charCode, LPARAM keyData) override;
    void Dispatch(TMessage& message) override;

protected:
    void FillCreationRecord(TCreateParams& params) override;

private:
    // The button Enter clicks: the focused button, else the default one while no
    // other button has the focus.
    bool IsActive();
    void UpdateDefaultStyle();

    bool m_default = false;
    bool m_cancel = false;
    TModalResult m_modalResult = mrNone;
};
