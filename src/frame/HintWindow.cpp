#include "frame/HintWindow.h"

#include "runtime/ClassInfo.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/GdiHandles.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Platform.h"

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner)
{
    m_visible = false;
    m_parentColor = false;
    SetColor(clInfoBk);
    LoadHintFont();
}

void THintWindow::LoadHintFont()
{
    NONCLIENTMETRICSA metrics {};
    metrics.cbSize = 340;
    HFONT font = nullptr;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0))
        font = CreateFontIndirectA(&metrics.lfStatusFont);
    if (font) {
        m_font->SetHandle(font);
    } else {
        m_font->SetHandle(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
        m_font->SetSize(8);
    }
    m_font->SetColor(clInfoText);
}

void THintWindow::FillCreationRecord(TCreateParams& params)
{
    TCustomControl::FillCreationRecord(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.WndParent = nullptr;
    params.WindowClass.style |= CS_SAVEBITS;
    if (NewShellPlatform())
        params.ExStyle |= WS_EX_TOOLWINDOW;
}

RECT THintWindow::CalcHintRect(int maxWidth, const AnsiString& hint)
{
    RECT rect = { 0, 0, maxWidth, 0 };
    {
        TScreenDC dc(nullptr, std::nothrow);
        TSelectObject font(dc, m_font->Handle());
        DrawTextA(dc, hint.c_str(), -1, &rect, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    }
    rect.right += 6;
    rect.bottom += 2;
    return rect;
}

void THintWindow::ActivateHint(RECT rect, const AnsiString& hint)
{
    {
        m_activating = true;
        ScopeExit activated([this] { m_activating = false; });
        SetCaption(hint);
    }
    rect.bottom += 4;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    int desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    if (rect.bottom > desktopHeight)
        OffsetRect(&rect, 0, desktopHeight - rect.bottom);
    if (rect.right > desktopWidth)
        OffsetRect(&rect, desktopWidth - rect.right, 0);
    if (rect.left < 0)
        OffsetRect(&rect, -rect.left, 0);
    if (rect.top < 0)
        OffsetRect(&rect, 0, -rect.top);
    SetBounds(rect.left, rect.top, width, height);
    SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(m_handle, nullptr, TRUE);
    UpdateWindow(m_handle);
}

void THintWindow::HideHint()
{
    if (m_handle && IsWindowVisible(m_handle))
        ShowWindow(m_handle, SW_HIDE);
}

void THintWindow::TextChanged()
{
    if (m_activating)
        return;
    // Outside a show the window takes the size of the text.
    RECT rect = CalcHintRect(GetSystemMetrics(SM_CXSCREEN), Caption());
    SetBounds(m_left, m_top, rect.right, rect.bottom + 2);
    Invalidate();
}

bool THintWindow::IsHintMsg(const MSG& message)
{
    UINT msg = message.message;
    return (msg >= WM_KEYDOWN && msg <= 0x0108) || msg == FM_ACTIVATE || msg == FM_DEACTIVATE || msg == FM_APPKEYDOWN
        || msg == FM_APPSYSCOMMAND || msg == WM_COMMAND || (msg > WM_MOUSEMOVE && msg <= WM_MOUSEWHEEL)
        || msg == WM_NCMOUSEMOVE;
}

void THintWindow::Paint()
{
    TCanvas* canvas = Canvas();
    RECT rect = ClientRect();
    canvas->Brush()->SetColor(m_color);
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas->FillRect(rect);
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    canvas->SetFont(Font());
    canvas->Font()->SetColor(clInfoText);
    rect.left += 2;
    rect.top += 2;
    AnsiString text = Caption();
    DrawTextA(canvas->Handle(), text.c_str(), -1, &rect, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void THintWindow::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_NCHITTEST: message.Result = HTTRANSPARENT; return;
    case WM_NCPAINT: {
        TWindowDC dc(m_handle, GetWindowDC(m_handle));
        RECT rect;
        GetWindowRect(m_handle, &rect);
        OffsetRect(&rect, -rect.left, -rect.top);
        DrawEdge(dc, &rect, BDR_RAISEDOUTER, BF_RECT);
        message.Result = 0;
        return;
    }
    }
    TCustomControl::Dispatch(message);
}

static const TClassRegistration<THintWindow> hintWindowInfo(
    "THintWindow", [](TClassBuilder<THintWindow>& c) { c.Parent<TCustomControl>(); });
