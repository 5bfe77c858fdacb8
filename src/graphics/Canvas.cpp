#include "graphics/Canvas.h"

#include "graphics/Bitmap.h"
#include "graphics/GdiHandles.h"
#include "graphics/Graphic.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <new>

namespace {

// Guards the lock counts of all canvases.
CRITICAL_SECTION& CounterLock()
{
    static CRITICAL_SECTION* lock = [] {
        static CRITICAL_SECTION section;
        InitializeCriticalSection(&section);
        return &section;
    }();
    return *lock;
}

}

TCanvasList::TCanvasList() { InitializeCriticalSection(&m_lock); }

TCanvasList::~TCanvasList() { DeleteCriticalSection(&m_lock); }

void TCanvasList::Add(TCanvas* canvas)
{
    EnterCriticalSection(&m_lock);
    if (std::find(m_items.begin(), m_items.end(), canvas) == m_items.end())
        m_items.push_back(canvas);
    LeaveCriticalSection(&m_lock);
}

void TCanvasList::Remove(TCanvas* canvas)
{
    EnterCriticalSection(&m_lock);
    m_items.erase(std::remove(m_items.begin(), m_items.end(), canvas), m_items.end());
    LeaveCriticalSection(&m_lock);
}

void TCanvasList::ForEach(const std::function<void(TCanvas*)>& action)
{
    EnterCriticalSection(&m_lock);
    ScopeExit leave([this] { LeaveCriticalSection(&m_lock); });
    std::vector<TCanvas*> items = m_items;
    for (TCanvas* canvas : items)
        action(canvas);
}

std::size_t TCanvasList::Count()
{
    EnterCriticalSection(&m_lock);
    std::size_t n = m_items.size();
    LeaveCriticalSection(&m_lock);
    return n;
}

TCanvasList& CanvasList()
{
    // Lives until the process ends and is never destroyed: canvases of long-lived
    // objects go late at exit, after the static objects, and still find it.
    alignas(TCanvasList) static unsigned char storage[sizeof(TCanvasList)];
    static TCanvasList* list = new (storage) TCanvasList;
    return *list;
}

void SystemColorsChanged()
{
    std::vector<TCanvas*> locked;
    CanvasList().ForEach([&](TCanvas* canvas) {
        canvas->Lock();
        locked.push_back(canvas);
        canvas->DeselectHandles();
    });
    PenManager().FreeSystemColorHandles();
    BrushManager().FreeSystemColorHandles();
    for (TCanvas* canvas : locked)
        canvas->Unlock();
}

TCanvas::TCanvas()
{
    InitializeCriticalSection(&m_lock);
    m_font = std::make_unique<TFont>();
    m_font->OnChange = [this](TObject* sender) { FontChanged(sender); };
    m_font->SetOwnerCriticalSection(&m_lock);
    m_pen = std::make_unique<TPen>();
    m_pen->OnChange = [this](TObject* sender) { PenChanged(sender); };
    m_pen->SetOwnerCriticalSection(&m_lock);
    m_brush = std::make_unique<TBrush>();
    m_brush->OnChange = [this](TObject* sender) { BrushChanged(sender); };
    m_brush->SetOwnerCriticalSection(&m_lock);
    CanvasList().Add(this);
}

TCanvas::~TCanvas()
{
    CanvasList().Remove(this);
    // A derived canvas gives its context back first; a context given from outside
    // must not keep this canvas's objects selected.
    if (m_handle)
        DeselectHandles();
    m_font.reset();
    m_pen.reset();
    m_brush.reset();
    DeleteCriticalSection(&m_lock);
}

HDC TCanvas::Handle()
{
    Changing();
    RequiredState(csAllValid);
    return m_handle;
}

void TCanvas::SetHandle(HDC dc)
{
    if (m_handle == dc)
        return;
    if (m_handle) {
        DeselectHandles();
        GetCurrentPositionEx(m_handle, &m_penPos);
        m_handle = nullptr;
        m_state &= static_cast<TCanvasState>(~csHandleValid);
    }
    if (dc) {
        m_state |= csHandleValid;
        m_handle = dc;
        MoveToEx(dc, m_penPos.x, m_penPos.y, nullptr);
    }
}

POINT TCanvas::PenPos() const
{
    POINT point = m_penPos;
    if (m_handle)
        GetCurrentPositionEx(m_handle, &point);
    return point;
}

void TCanvas::DeselectHandles()
{
    if (m_handle && (m_state & (csFontValid | csPenValid | csBrushValid))) {
        SelectObject(m_handle, StockPen());
        SelectObject(m_handle, StockBrush());
        SelectObject(m_handle, StockFont());
        m_state &= static_cast<TCanvasState>(~(csFontValid | csPenValid | csBrushValid));
    }
}

void TCanvas::Lock()
{
    EnterCriticalSection(&CounterLock());
    ++m_lockCount;
    LeaveCriticalSection(&CounterLock());
    EnterCriticalSection(&m_lock);
}

void TCanvas::Unlock()
{
    LeaveCriticalSection(&m_lock);
    EnterCriticalSection(&CounterLock());
    --m_lockCount;
    LeaveCriticalSection(&CounterLock());
}

bool TCanvas::TryLock()
{
    EnterCriticalSection(&CounterLock());
    bool free = m_lockCount == 0;
    LeaveCriticalSection(&CounterLock());
    if (free)
        Lock();
    return free;
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TCanvas::RequiredState(TCanvasState required)
{
    TCanvasState needed = required & static_cast<TCanvasState>(~m_state);
    if (!needed)
        return;
    if (needed & csHandleValid) {
        CreateHandle();
        if (!m_handle)
            throw EInvalidOperation(Exception::ResText(TextId::CanvasCannotDraw));
    }
    if (needed & csFontValid)
        CreateFont();
    if (needed & csPenValid)
        CreatePen();
    if (needed & csBrushValid)
        CreateBrush();
    m_state |= needed;
}

void TCanvas::CreateFont()
{
    SelectObject(m_handle, m_font->Handle());
    SetTextColor(m_handle, ColorToRGB(m_font->Color()));
}

void TCanvas::CreatePen()
{
    SelectObject(m_handle, m_pen->Handle());
    SetROP2(m_handle, PenModeToROP2(m_pen->Mode()));
}

void TCanvas::CreateBrush()
{
    HBRUSH brush = m_brush->Handle();
    UnrealizeObject(brush);
    SelectObject(m_handle, brush);
    COLORREF color = ColorToRGB(m_brush->Color());
    if (m_brush->Style() == TBrushStyle::bsSolid) {
        SetBkColor(m_handle, color);
        SetBkMode(m_handle, OPAQUE);
    } else {
        // The inverted colour, kept a valid RGB value.
        SetBkColor(m_handle, ~color & 0xFFFFFF);
        SetBkMode(m_handle, TRANSPARENT);
    }
}

void TCanvas::FontChanged(TObject*)
{
    if (m_state & csFontValid) {
        m_state &= static_cast<TCanvasState>(~csFontValid);
        SelectObject(m_handle, StockFont());
    }
}

void TCanvas::PenChanged(TObject*)
{
    if (m_state & csPenValid) {
        m_state &= static_cast<TCanvasState>(~csPenValid);
        SelectObject(m_handle, StockPen());
    }
}

void TCanvas::BrushChanged(TObject*)
{
    if (m_state & csBrushValid) {
        m_state &= static_cast<TCanvasState>(~csBrushValid);
        SelectObject(m_handle, StockBrush());
    }
}

void TCanvas::FillRect(const RECT& rect)
{
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    ::FillRect(m_handle, &rect, m_brush->Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& rect)
{
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    ::FrameRect(m_handle, &rect, m_brush->Handle());
    Changed();
}

void TCanvas::MoveTo(int x, int y)
{
    RequiredState(csHandleValid);
    MoveToEx(m_handle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::LineTo(m_handle, x, y);
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::Rectangle(m_handle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::Polygon(const POINT* points, int count)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    if (points && count > 0)
        ::Polygon(m_handle, points, count);
    Changed();
}

void TCanvas::Polyline(const POINT* points, int count)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    if (points && count > 0)
        ::Polyline(m_handle, points, count);
    Changed();
}

TColor TCanvas::Pixels(int x, int y)
{
    RequiredState(csHandleValid);
    return GetPixel(m_handle, x, y);
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
    Changing();
    RequiredState(csHandleValid | csPenValid);
    SetPixel(m_handle, x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::TextOut(int x, int y, const AnsiString& text)
{
    Changing();
    RequiredState(csHandleValid | csFontValid | csBrushValid);
    ExtTextOutA(m_handle, x, y, m_textFlags, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    MoveTo(x + TextWidth(text), y);
    Changed();
}

SIZE TCanvas::TextExtent(const AnsiString& text)
{
    RequiredState(csHandleValid | csFontValid);
    SIZE size = { 0, 0 };
    GetTextExtentPoint32A(m_handle, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* source, const RECT& sourceRect)
{
    Changing();
    RequiredState(csHandleValid | csFontValid | csBrushValid);
    source->RequiredState(csHandleValid | csBrushValid);
    StretchBlt(m_handle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source->m_handle,
        sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top,
        m_copyMode);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    Changing();
    RequiredState(csHandleValid);
    SetBkColor(m_handle, ColorToRGB(m_brush->Color()));
    SetTextColor(m_handle, ColorToRGB(m_font->Color()));
    RECT rect = { x, y, x + graphic->Width(), y + graphic->Height() };
    graphic->Render(this, rect);
    Changed();
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic* graphic)
{
    if (!graphic)
        return;
    Changing();
    RequiredState(csAllValid);
    graphic->Render(this, rect);
    Changed();
}

void TCanvas::BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color)
{
    if (!bitmap || bitmap->Empty())
        return;
    int sw = source.right - source.left, sh = source.bottom - source.top;
    int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    if (sw <= 0 || sh <= 0)
        return;
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    TCanvas* from = bitmap->Canvas();
    from->RequiredState(csHandleValid);
    HDC src = from->m_handle;
    // The mask: white where the source part has the colour.
    TGdiBitmap mask(CreateBitmap(sw, sh, 1, 1, nullptr));
    TGdiBitmap part(CreateCompatibleBitmap(src, sw, sh));
    if (mask && part) {
        TMemoryDC maskDC(src);
        TMemoryDC partDC(src);
        TSelectObject maskSelected(maskDC, mask.Get());
        TSelectObject partSelected(partDC, part.Get());
        COLORREF oldBack = SetBkColor(src, ColorToRGB(color));
        BitBlt(maskDC, 0, 0, sw, sh, src, source.left, source.top, SRCCOPY);
        SetBkColor(src, oldBack);
        // The source part with the colour's pixels black.
        BitBlt(partDC, 0, 0, sw, sh, src, source.left, source.top, SRCCOPY);
        SetBkColor(partDC, RGB(255, 255, 255));
        SetTextColor(partDC, RGB(0, 0, 0));
        BitBlt(partDC, 0, 0, sw, sh, maskDC, 0, 0, 0x00220326); // DSna
        COLORREF oldText = SetTextColor(m_handle, RGB(0, 0, 0));
        oldBack = SetBkColor(m_handle, RGB(255, 255, 255));
        if (m_brush->Style() == TBrushStyle::bsClear) {
            StretchBlt(m_handle, dest.left, dest.top, dw, dh, maskDC, 0, 0, sw, sh, SRCAND);
            StretchBlt(m_handle, dest.left, dest.top, dw, dh, partDC, 0, 0, sw, sh, SRCPAINT);
        } else {
            {
                TSelectObject brush(partDC, m_brush->Handle());
                BitBlt(partDC, 0, 0, sw, sh, maskDC, 0, 0, 0x00EA02E9); // DPSao
            }
            StretchBlt(m_handle, dest.left, dest.top, dw, dh, partDC, 0, 0, sw, sh, SRCCOPY);
        }
        SetTextColor(m_handle, oldText);
        SetBkColor(m_handle, oldBack);
    }
    Changed();
}
