// The message dialog: TMessageForm, a form laid out in code for a text, a dialog type
// and a set of buttons; ShowNotice, the program's notice box with one OK button.
#pragma once

#include "frame/Form.h"

enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

// Buttons of a message dialog, a set of bits in layout order.
using TMsgDlgButtons = unsigned;
enum : TMsgDlgButtons {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};

class TMessageForm : public TForm {
public:
    SV_CLASS_NAME(TMessageForm)
    explicit TMessageForm(TComponent* owner) : TForm(owner, TFormSource::None) {}

    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int value) { m_helpContext = value; }
    const AnsiString& HelpFileName() const { return m_helpFileName; }
    void SetHelpFileName(const AnsiString& value) { m_helpFileName = value; }

    // The Help button's click: asks the application for help on the help context.
    void HelpButtonClick(TObject* sender);

private:
    int m_helpContext = 0;
    AnsiString m_helpFileName;
};

// A new hidden dialog owned by the application, laid out for the text, type and buttons.
TMessageForm* BuildMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons);
// Builds the dialog, places it (at the screen centre when left and top are both
// negative), shows it modally and frees it; returns the modal result.
TModalResult RunMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext,
    int left, int top, const AnsiString& helpFile);
// A modal box with the text, one OK button and the application title as caption.
void ShowNotice(const AnsiString& text);
