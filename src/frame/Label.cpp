#include "frame/Label.h"

#include "runtime/ClassInfo.h"
#include "graphics/GdiHandles.h"
#include "frame/WinControl.h"
#include "graphics/Canvas.h"

char AcceleratorChar(const AnsiString& caption)
{
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (ByteKindAt(caption, i) != ByteKind::Single || caption[i] != '&')
            continue;
        if (i + 1 >= caption.size())
            return 0;
        if (caption[i + 1] != '&')
            return ByteKindAt(caption, i + 1) == ByteKind::Single ? caption[i + 1] : 0;
        ++i;
    }
    return 0;
}

bool IsAccel(char typed, const AnsiString& caption)
{
    char accel = AcceleratorChar(caption);
    if (!accel || !typed)
        return false;
    char a = accel;
    char b = typed;
    CharUpperBuffA(&a, 1);
    CharUpperBuffA(&b, 1);
    return a == b;
}

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner)
{
    m_controlStyle |= csOpaque;
    m_width = 65;
    m_height = 17;
}

void TCustomLabel::SetAutoSize(bool value)
{
    if (m_autoSize == value)
        return;
    m_autoSize = value;
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment value)
{
    if (m_alignment == value)
        return;
    m_alignment = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value)
{
    if (m_layout == value)
        return;
    m_layout = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value)
{
    if (m_wordWrap == value)
        return;
    m_wordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value)
{
    if (m_showAccelChar == value)
        return;
    m_showAccelChar = value;
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value)
{
    if (Transparent() == value)
        return;
    if (value)
        m_controlStyle &= ~csOpaque;
    else
        m_controlStyle |= csOpaque;
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value)
{
    if (m_focusControl == value)
        return;
    if (m_focusControl)
        m_focusControl->RemoveFreeNotification(this);
    m_focusControl = value;
    if (value)
        value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation)
{
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_focusControl)
        m_focusControl = nullptr;
}

void TCustomLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::TextChanged()
{
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::FontChanged()
{
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::DoDrawText(RECT& rect, UINT flags)
{
    AnsiString text = Caption();
    // An empty caption (or a lone accelerator mark) still measures one line.
    if ((flags & DT_CALCRECT) && (text.empty() || (m_showAccelChar && text == "&")))
        text += ' ';
    if (!m_showAccelChar)
        flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    HDC dc = canvas->Handle();
    if (!m_enabled && !(flags & DT_CALCRECT)) {
        OffsetRect(&rect, 1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &rect, flags);
        OffsetRect(&rect, -1, -1);
        canvas->Font()->SetColor(clBtnShadow);
        dc = canvas->Handle();
    }
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

void TCustomLabel::Paint()
{
    TCanvas* canvas = Canvas();
    RECT rect = ClientRect();
    if (!Transparent()) {
        canvas->Brush()->SetColor(m_color);
        canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
        canvas->FillRect(rect);
    }
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    UINT flags = DT_EXPANDTABS | AlignmentFlags(m_alignment);
    if (m_wordWrap)
        flags |= DT_WORDBREAK;
    if (m_layout != tlTop) {
        RECT measured = rect;
        DoDrawText(measured, flags | DT_CALCRECT);
        int free = (rect.bottom - rect.top) - (measured.bottom - measured.top);
        OffsetRect(&rect, 0, m_layout == tlCenter ? free / 2 : free);
    }
    DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds()
{
    if (!m_autoSize || HasState(csReading | csLoading))
        return;
    RECT rect = ClientRect();
    {
        TScreenDC screen(nullptr, std::nothrow);
        TCanvasOnDC measuring(*Canvas(), screen);
        DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (m_wordWrap ? DT_WORDBREAK : 0));
    }
    int left = m_left;
    if (m_alignment == taRightJustify)
        left += m_width - rect.right;
    SetBounds(left, m_top, rect.right, rect.bottom);
}

bool TCustomLabel::DialogChar(char charCode, LPARAM)
{
    if (!m_focusControl || !m_enabled || !m_showAccelChar || !IsAccel(charCode, Caption()))
        return false;
    if (m_focusControl->CanFocus())
        m_focusControl->SetFocus();
    return true;
}

static const TClassRegistration<TCustomLabel> customLabelInfo("TCustomLabel", [](TClassBuilder<TCustomLabel>& c) {
    static const TEnumType alignments { "taLeftJustify", "taRightJustify", "taCenter" };
    static const TEnumType layouts { "tlTop", "tlCenter", "tlBottom" };
    c.Parent<TGraphicControl>();
    c.Boolean("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize);
    c.Enum("Alignment", alignments, &TCustomLabel::Alignment, &TCustomLabel::SetAlignment);
    c.Enum("Layout", layouts, &TCustomLabel::Layout, &TCustomLabel::SetLayout);
    c.Boolean("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap);
    c.Boolean("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar);
    c.Boolean("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent);
    c.Reference<TWinControl>("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
});

static const TClassRegistration<TLabel> labelInfo("TLabel", [](TClassBuilder<TLabel>& c) {
    c.Parent<TCustomLabel>();
    c.Constructor();
});
