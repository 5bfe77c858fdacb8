// THintWindow: the small pop-up that shows a control's hint. It lets the mouse pass
// through, draws a raised edge around the text and never takes the activation.
#pragma once

#include "frame/CustomControl.h"

class THintWindow : public TCustomControl {
public:
    SV_CLASS_NAME(THintWindow)
    explicit THintWindow(TComponent* owner);

    // The rectangle the text needs within the maximum width (window size, at the origin).
    RECT CalcHintRect(int maxWidth, const AnsiString& hint);
    // Shows the text in the rectangle (screen coordinates, 4 pixels taller), kept on
    // the desktop, top-most and without activation.
    void ActivateHint(RECT rect, const AnsiString& hint);
    // Hides the window (it stays made).
    void HideHint();
    // Whether a fetched message ends a shown hint: keys, mouse buttons and the wheel,
    // commands, activation changes.
    static bool IsHintMsg(const MSG& message);

    void Dispatch(TMessage& message) override;

protected:
    void FillCreationRecord(TCreateParams& params) override;
    void Paint() override;
    void TextChanged() override;

private:
    // The status-bar font of the system, or an 8-point system font.
    void LoadHintFont();

    bool m_activating = false;
};
