#include "frame/SpeedButton.h"

#include "frame/Application.h"
#include "runtime/ClassInfo.h"
#include "frame/Label.h"
#include "frame/WinControl.h"
#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/GdiHandles.h"

#include <windowsx.h>

namespace {

// An 8 x 8 brush alternating the button face and highlight colours pixel by pixel.
class TDitherBrush {
public:
    TDitherBrush()
    {
        TScreenDC screen;
        m_bitmap = TGdiBitmap(CreateCompatibleBitmap(screen, 8, 8));
        if (!m_bitmap)
            GdiError();
        {
            TMemoryDC dc(screen);
            TSelectObject select(dc, m_bitmap.Get());
            COLORREF face = ColorToRGB(clBtnFace);
            COLORREF light = ColorToRGB(clBtnHighlight);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    SetPixel(dc, x, y, ((x + y) & 1) ? light : face);
        }
        m_brush.Reset(CreatePatternBrush(m_bitmap.Get()));
        if (!m_brush)
            GdiError();
    }
    HBRUSH Handle() const { return m_brush.Get(); }

private:
    TGdiBitmap m_bitmap;
    TGdiBrush m_brush;
};

}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), m_glyph(std::make_unique<TButtonGlyph>())
{
    m_glyph->OnChange = [this](TObject*) { Invalidate(); };
    m_left = 0;
    m_top = 0;
    m_width = 22;
    m_height = 23;
    m_controlStyle = csCaptureMouse | csDoubleClicks;
    m_parentFont = true;
    m_color = clBtnFace;
    m_parentColor = false;
}

TSpeedButton::~TSpeedButton() { m_glyph->OnChange = nullptr; }

void TSpeedButton::Loaded()
{
    TGraphicControl::Loaded();
    m_glyph->PrepareState(m_enabled ? bsUp : bsDisabled);
}

void TSpeedButton::SetFlat(bool value)
{
    if (m_flat == value)
        return;
    m_flat = value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool value)
{
    if (m_transparent == value)
        return;
    m_transparent = value;
    if (value)
        m_controlStyle &= ~csOpaque;
    else
        m_controlStyle |= csOpaque;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* value)
{
    m_glyph->SetGlyph(value);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value)
{
    m_glyph->SetNumGlyphs(value);
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value)
{
    if (m_layout == value)
        return;
    m_layout = value;
    Invalidate();
}

void TSpeedButton::SetMargin(int value)
{
    if (m_margin == value || value < -1)
        return;
    m_margin = value;
    Invalidate();
}

void TSpeedButton::SetSpacing(int value)
{
    if (m_spacing == value)
        return;
    m_spacing = value;
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int value)
{
    if (m_groupIndex == value)
        return;
    m_groupIndex = value;
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value)
{
    if (m_allowAllUp == value)
        return;
    m_allowAllUp = value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool value)
{
    if (m_groupIndex == 0)
        value = false;
    if (value == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = value;
    if (value) {
        if (m_state == bsUp)
            Invalidate();
        m_state = bsExclusive;
    } else {
        m_state = bsUp;
        Repaint();
    }
    if (value)
        UpdateExclusive();
}

void TSpeedButton::UpdateExclusive()
{
    if (m_groupIndex == 0 || !m_parent)
        return;
    for (TControl* sibling : std::vector<TControl*>(m_parent->Controls()))
        if (auto* button = dynamic_cast<TSpeedButton*>(sibling))
            button->ButtonPressed(m_groupIndex, this);
}

void TSpeedButton::ButtonPressed(int groupIndex, TSpeedButton* button)
{
    if (groupIndex != m_groupIndex || button == this)
        return;
    if (button->m_down && m_down) {
        m_down = false;
        m_state = bsUp;
        Invalidate();
    }
    m_allowAllUp = button->m_allowAllUp;
}

bool TSpeedButton::Inside(int x, int y) { return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight(); }

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !m_enabled)
        return;
    if (!m_down) {
        m_state = bsDown;
        Invalidate();
    }
    m_dragging = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y)
{
    TGraphicControl::MouseMove(shift, x, y);
    if (m_dragging) {
        TButtonState newState = bsUp;
        if (!m_down)
            newState = Inside(x, y) ? bsDown : bsUp;
        else
            newState = bsExclusive;
        if (newState != m_state) {
            m_state = newState;
            Invalidate();
        }
    } else if (!m_mouseInControl) {
        UpdateTracking();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!m_dragging)
        return;
    m_dragging = false;
    bool inside = Inside(x, y);
    // A press may end outside without a move before it (a lost capture ends it at
    // once): the pressed look goes then too.
    bool wasPressed = m_state == bsDown;
    if (m_groupIndex == 0) {
        m_state = bsUp;
        m_mouseInControl = false;
        if (inside || wasPressed)
            Invalidate();
    } else if (inside) {
        SetDown(!m_down);
        if (m_down)
            Repaint();
    } else {
        m_state = m_down ? bsExclusive : bsUp;
        Repaint();
    }
    if (inside) {
        TAliveToken::Watcher alive = m_alive.Watch();
        Click();
        if (!alive)
            return;
    }
    UpdateTracking();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseEnter()
{
    if (m_flat && !m_mouseInControl && m_enabled && m_dragMode != dmAutomatic && GetCapture() == nullptr) {
        m_mouseInControl = true;
        Repaint();
    }
}

void TSpeedButton::MouseLeave()
{
    if (m_flat && m_mouseInControl && m_enabled && !m_dragging) {
        m_mouseInControl = false;
        Invalidate();
    }
}

void TSpeedButton::UpdateTracking()
{
    if (!m_flat || !m_enabled)
        return;
    POINT cursor;
    if (!GetCursorPos(&cursor))
        return;
    bool over = FindDragTarget(cursor, true) == this;
    if (over)
        MouseEnter();
    else
        MouseLeave();
}

void TSpeedButton::EnabledChanged()
{
    m_glyph->PrepareState(m_enabled ? bsUp : bsDisabled);
    UpdateTracking();
    Repaint();
}

void TSpeedButton::FontChanged()
{
    TGraphicControl::FontChanged();
    Invalidate();
}

void TSpeedButton::TextChanged() { Invalidate(); }

void TSpeedButton::SysColorChanged()
{
    m_glyph->Invalidate();
    m_glyph->PrepareState(m_enabled ? bsUp : bsDisabled);
    Invalidate();
}

bool TSpeedButton::DialogChar(char charCode, LPARAM)
{
    if (!IsAccel(charCode, Caption()) || !m_enabled || !m_visible || !m_parent || !m_parent->Showing())
        return false;
    Click();
    return true;
}

void TSpeedButton::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_LBUTTONDBLCLK:
        TGraphicControl::Dispatch(message);
        if (m_down && OnDblClick)
            OnDblClick(this);
        return;
    case FM_MOUSEENTER:
        TGraphicControl::Dispatch(message);
        MouseEnter();
        return;
    case FM_MOUSELEAVE:
        TGraphicControl::Dispatch(message);
        MouseLeave();
        return;
    }
    TGraphicControl::Dispatch(message);
}

void TSpeedButton::Paint()
{
    if (!m_enabled) {
        m_state = bsDisabled;
        m_dragging = false;
    } else if (m_state == bsDisabled) {
        m_state = (m_down && m_groupIndex != 0) ? bsExclusive : bsUp;
    }
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    RECT face = { 0, 0, m_width, m_height };
    bool pressed = m_state == bsDown || m_state == bsExclusive;
    if (m_flat) {
        if (pressed || (m_mouseInControl && m_state != bsDisabled)) {
            UINT flags = BF_RECT | (m_transparent ? 0 : BF_MIDDLE);
            DrawEdge(canvas->Handle(), &face, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, flags);
        } else if (!m_transparent) {
            canvas->Brush()->SetColor(m_color);
            canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
            canvas->FillRect(face);
        }
        InflateRect(&face, -1, -1);
    } else {
        UINT state = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0);
        DrawFrameControl(canvas->Handle(), &face, DFC_BUTTON, state);
    }
    POINT offset = pressed ? POINT { 1, 1 } : POINT { 0, 0 };
    if (m_state == bsExclusive && !(m_flat && m_mouseInControl)) {
        TDitherBrush dither;
        FillRect(canvas->Handle(), &face, dither.Handle());
    }
    m_glyph->Draw(canvas, face, offset, Caption(), m_layout, m_margin, m_spacing, m_state, m_transparent, 0);
}

static const TClassRegistration<TSpeedButton> speedButtonInfo("TSpeedButton", [](TClassBuilder<TSpeedButton>& c) {
    static const TEnumType layouts { "blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom" };
    c.Parent<TGraphicControl>();
    c.Constructor();
    c.Boolean("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat);
    c.Boolean("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent);
    c.Object<TBitmap>("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
    c.Integer("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs);
    c.Enum("Layout", layouts, &TSpeedButton::Layout, &TSpeedButton::SetLayout);
    c.Integer("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin);
    c.Integer("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing);
    c.Integer("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex);
    c.Boolean("Down", &TSpeedButton::Down, &TSpeedButton::SetDown);
    c.Boolean("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp);
    c.Event("OnDblClick", &TSpeedButton::OnDblClick);
});
