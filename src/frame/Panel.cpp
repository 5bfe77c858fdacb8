#include "frame/Panel.h"

#include "runtime/ClassInfo.h"
#include "graphics/Canvas.h"
#include "runtime/Platform.h"

#include <algorithm>

void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width)
{
    canvas->Pen()->SetWidth(1);
    --rect.bottom;
    --rect.right;
    for (int i = 0; i < width; ++i) {
        canvas->Pen()->SetColor(topColor);
        canvas->Polyline(
            { POINT { rect.left, rect.bottom }, POINT { rect.left, rect.top }, POINT { rect.right, rect.top } });
        canvas->Pen()->SetColor(bottomColor);
        canvas->Polyline({ POINT { rect.right, rect.top }, POINT { rect.right, rect.bottom },
            POINT { rect.left - 1, rect.bottom } });
        InflateRect(&rect, -1, -1);
    }
    ++rect.bottom;
    ++rect.right;
}

UINT AlignmentFlags(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
    }
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner)
{
    m_controlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks;
    m_width = 185;
    m_height = 41;
    m_parentColor = false;
    SetColor(clBtnFace);
}

void TCustomPanel::FillCreationRecord(TCreateParams& params)
{
    TCustomControl::FillCreationRecord(params);
    if (m_borderStyle == pbsSingle) {
        if (NewShellPlatform() && m_ctl3D)
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
    params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::SetCtl3D(bool value)
{
    if (m_ctl3D == value)
        return;
    TCustomControl::SetCtl3D(value);
    if (m_borderStyle == pbsSingle)
        RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment value)
{
    if (m_alignment == value)
        return;
    m_alignment = value;
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    if (m_bevelOuter == value)
        return;
    m_bevelOuter = value;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    if (m_bevelInner == value)
        return;
    m_bevelInner = value;
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value)
{
    if (value < 1)
        value = 1;
    if (m_bevelWidth == value)
        return;
    m_bevelWidth = value;
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int value)
{
    if (value < 0)
        value = 0;
    if (m_borderWidth == value)
        return;
    m_borderWidth = value;
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TPanelBorderStyle value)
{
    if (m_borderStyle == value)
        return;
    m_borderStyle = value;
    RecreateWnd();
}

int TCustomPanel::EdgeWidth() const
{
    int width = m_borderWidth;
    if (m_bevelOuter != bvNone)
        width += m_bevelWidth;
    if (m_bevelInner != bvNone)
        width += m_bevelWidth;
    return width;
}

RECT TCustomPanel::AlignedClientRect()
{
    RECT rect = ClientRect();
    int edge = EdgeWidth();
    InflateRect(&rect, -edge, -edge);
    return rect;
}

void TCustomPanel::BoundsChanged()
{
    TCustomControl::BoundsChanged();
    if (!m_handle)
        return;
    RECT client;
    GetClientRect(m_handle, &client);
    int oldWidth = m_paintedWidth;
    int oldHeight = m_paintedHeight;
    m_paintedWidth = client.right;
    m_paintedHeight = client.bottom;
    if (m_fullRepaint || !Caption().empty()) {
        Invalidate();
        return;
    }
    // Only the edges moved: repaint the strips of border and bevels that changed.
    int edge = EdgeWidth() + 1;
    if (oldWidth != client.right) {
        RECT strip = { std::min<LONG>(oldWidth, client.right) - edge, 0, client.right, client.bottom };
        InvalidateRect(m_handle, &strip, TRUE);
    }
    if (oldHeight != client.bottom) {
        RECT strip = { 0, std::min<LONG>(oldHeight, client.bottom) - edge, client.right, client.bottom };
        InvalidateRect(m_handle, &strip, TRUE);
    }
}

void TCustomPanel::Paint()
{
    TCanvas* canvas = Canvas();
    RECT rect = ClientRect();
    m_paintedWidth = rect.right;
    m_paintedHeight = rect.bottom;
    auto bevel = [&](TBevelCut cut) {
        TColor top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        TColor bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
        Frame3D(canvas, rect, top, bottom, m_bevelWidth);
    };
    if (m_bevelOuter != bvNone)
        bevel(m_bevelOuter);
    Frame3D(canvas, rect, m_color, m_color, m_borderWidth);
    if (m_bevelInner != bvNone)
        bevel(m_bevelInner);
    canvas->Brush()->SetColor(m_color);
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas->FillRect(rect);
    AnsiString caption = Caption();
    if (caption.empty())
        return;
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    canvas->SetFont(Font());
    int lineHeight = canvas->TextHeight("W");
    RECT band = rect;
    band.top = rect.top + ((rect.bottom - rect.top) - lineHeight) / 2;
    band.bottom = band.top + lineHeight;
    DrawTextA(canvas->Handle(), caption.c_str(), -1, &band, DT_EXPANDTABS | DT_VCENTER | AlignmentFlags(m_alignment));
}

static const TClassRegistration<TCustomPanel> customPanelInfo("TCustomPanel", [](TClassBuilder<TCustomPanel>& c) {
    static const TEnumType alignments { "taLeftJustify", "taRightJustify", "taCenter" };
    static const TEnumType bevels { "bvNone", "bvLowered", "bvRaised", "bvSpace" };
    static const TEnumType borderStyles { "bsNone", "bsSingle" };
    c.Parent<TCustomControl>();
    c.Enum("Alignment", alignments, &TCustomPanel::Alignment, &TCustomPanel::SetAlignment);
    c.Enum("BevelOuter", bevels, &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter);
    c.Enum("BevelInner", bevels, &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner);
    c.Integer("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth);
    c.Integer("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth);
    c.Enum("BorderStyle", borderStyles, &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle);
    c.Boolean("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint);
});

static const TClassRegistration<TPanel> panelInfo("TPanel", [](TClassBuilder<TPanel>& c) {
    c.Parent<TCustomPanel>();
    c.Constructor();
});
