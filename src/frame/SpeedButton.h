// TSpeedButton: a windowless button drawn on its parent. Plain, or flat (a frame only
// while the mouse is over it or it is pressed), optionally with a glyph, and in a
// group of buttons of which one stays down.
#pragma once

#include "frame/ButtonGlyph.h"
#include "frame/GraphicControl.h"

#include <memory>

class TBitmap;

class TSpeedButton : public TGraphicControl {
public:
    SV_CLASS_NAME(TSpeedButton)
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    bool Flat() const { return m_flat; }
    void SetFlat(bool value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    TBitmap* Glyph() const { return m_glyph->Glyph(); }
    void SetGlyph(TBitmap* value);
    int NumGlyphs() const { return m_glyph->NumGlyphs(); }
    void SetNumGlyphs(int value);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int value);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int value);
    bool Down() const { return m_down; }
    void SetDown(bool value);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool value);

    // What the button shows now, and whether the mouse is over it (flat buttons).
    TButtonState State() const { return m_state; }
    bool MouseInControl() const { return m_mouseInControl; }

    TNotifyEvent OnDblClick;

    void Click() override;
    bool DialogChar(char charCode, LPARAM keyData) override;
    void Loaded() override;
    void Dispatch(TMessage& message) override;

    // A button of the group went down: the others of the group go up and all take its AllowAllUp.
    void ButtonPressed(int groupIndex, TSpeedButton* button);

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void EnabledChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    void SysColorChanged() override;

private:
    // Inside the button for the press: 0 <= x < width, 0 <= y <= height.
    bool Inside(int x, int y);
    // Sets the hover flag from the control under the cursor.
    void UpdateTracking();
    void MouseEnter();
    void MouseLeave();
    void UpdateExclusive();

    std::unique_ptr<TButtonGlyph> m_glyph;
    TButtonState m_state = bsUp;
    bool m_dragging = false;
    bool m_mouseInControl = false;
    bool m_flat = false;
    bool m_transparent = true;
    TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
};
