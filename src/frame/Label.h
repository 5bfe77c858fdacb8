// TCustomLabel and TLabel: a windowless line (or block) of text drawn on its parent,
// transparent or filled with its colour, sized to its text while AutoSize is on.
#pragma once

#include "frame/GraphicControl.h"
#include "frame/Panel.h"

class TWinControl;

enum TTextLayout { tlTop = 0, tlCenter = 1, tlBottom = 2 };

class TCustomLabel : public TGraphicControl {
public:
    SV_CLASS_NAME(TCustomLabel)
    explicit TCustomLabel(TComponent* owner);

    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool value);
    bool Transparent() const { return (m_controlStyle & csOpaque) == 0; }
    void SetTransparent(bool value);
    TWinControl* FocusControl() const { return m_focusControl; }
    void SetFocusControl(TWinControl* value);

    bool DialogChar(char charCode, LPARAM keyData) override;
    void Loaded() override;

protected:
    void Paint() override;
    // Draws (or with DT_CALCRECT measures) the caption in the rectangle on Canvas().
    void DoDrawText(RECT& rect, UINT flags);
    // Takes the size of the caption while AutoSize is on (not while reading).
    void AdjustBounds();
    void TextChanged() override;
    void FontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool m_autoSize = true;
    TAlignment m_alignment = taLeftJustify;
    TTextLayout m_layout = tlTop;
    bool m_wordWrap = false;
    bool m_showAccelChar = true;
    TWinControl* m_focusControl = nullptr;
};

class TLabel : public TCustomLabel {
public:
    SV_CLASS_NAME(TLabel)
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// The accelerator character of a caption: the character after a single "&" (an "&&"
// is a plain "&"), or 0 when there is none.
char AcceleratorChar(const AnsiString& caption);
// Whether the typed character is the caption's accelerator (letters compared without
// regard to case).
bool IsAccel(char typed, const AnsiString& caption);
