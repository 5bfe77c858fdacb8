// The drawing surface: a device context with a font, a pen and a brush that are
// selected into it only when a drawing call needs them.
#pragma once

#include "graphics/Brush.h"
#include "graphics/Font.h"
#include "graphics/Pen.h"
#include "runtime/Events.h"
#include "runtime/Persistent.h"

#include <functional>
#include <memory>
#include <vector>

class TBitmap;
class TGraphic;

// Which parts of a canvas are selected into its device context.
using TCanvasState = std::uint8_t;
constexpr TCanvasState csHandleValid = 1;
constexpr TCanvasState csFontValid = 2;
constexpr TCanvasState csPenValid = 4;
constexpr TCanvasState csBrushValid = 8;
constexpr TCanvasState csAllValid = csHandleValid | csFontValid | csPenValid | csBrushValid;

class TCanvas : public TPersistent {
public:
    SV_CLASS_NAME(TCanvas)
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    // The device context with font, pen and brush selected (made on demand); raises
    // EInvalidOperation "Canvas に対する描画ができません" when there is none.
    HDC Handle();
    // Gives the canvas a device context (or takes it away with 0); the pen position
    // is kept across.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return m_handle != nullptr; }
    TCanvasState State() const { return m_state; }

    TFont* Font() const { return m_font.get(); }
    TPen* Pen() const { return m_pen.get(); }
    TBrush* Brush() const { return m_brush.get(); }
    void SetFont(TFont* font) { m_font->Assign(font); }
    void SetPen(TPen* pen) { m_pen->Assign(pen); }
    void SetBrush(TBrush* brush) { m_brush->Assign(brush); }

    POINT PenPos() const;
    void SetPenPos(POINT point) { MoveTo(point.x, point.y); }
    DWORD CopyMode() const { return m_copyMode; }
    void SetCopyMode(DWORD mode) { m_copyMode = mode; }
    // ExtTextOut flags for TextOut.
    UINT TextFlags() const { return m_textFlags; }
    void SetTextFlags(UINT flags) { m_textFlags = flags; }

    // Another thread may lock a canvas (a bitmap's handle is taken away from every
    // canvas that holds it).
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return m_lockCount; }

    // Drawing.
    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    // Points 0 to count - 1.
    void Polygon(const POINT* points, int count);
    void Polyline(const POINT* points, int count);
    void Polygon(const std::vector<POINT>& points) { Polygon(points.data(), static_cast<int>(points.size())); }
    void Polyline(const std::vector<POINT>& points) { Polyline(points.data(), static_cast<int>(points.size())); }
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);
    void TextOut(int x, int y, const AnsiString& text);
    SIZE TextExtent(const AnsiString& text);
    int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
    int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
    void CopyRect(const RECT& dest, TCanvas* source, const RECT& sourceRect);
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const RECT& rect, TGraphic* graphic);
    // Draws the source part of the bitmap with the pixels of the colour replaced by
    // this canvas's brush (left unchanged when the brush is clear).
    void BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color);

    // Selects the stock objects in place of the canvas's own and marks them invalid.
    void DeselectHandles();

protected:
    // Makes the device context; the plain canvas has none to make.
    virtual void CreateHandle() {}
    virtual void Changing();
    virtual void Changed();
    // Selects what is missing of the given parts.
    void RequiredState(TCanvasState required);

private:
    // A bitmap draws itself from its own canvas and makes the target canvas ready.
    friend class TBitmap;

    void CreateFont();
    void CreatePen();
    void CreateBrush();
    void FontChanged(TObject* sender);
    void PenChanged(TObject* sender);
    void BrushChanged(TObject* sender);

    HDC m_handle = nullptr;
    TCanvasState m_state = 0;
    std::unique_ptr<TFont> m_font;
    std::unique_ptr<TPen> m_pen;
    std::unique_ptr<TBrush> m_brush;
    POINT m_penPos = { 0, 0 };
    DWORD m_copyMode = SRCCOPY;
    UINT m_textFlags = 0;
    CRITICAL_SECTION m_lock;
    int m_lockCount = 0;
};

// A process-wide list of canvases that any thread may walk under its lock.
class TCanvasList {
public:
    TCanvasList();
    ~TCanvasList();
    TCanvasList(const TCanvasList&) = delete;
    TCanvasList& operator=(const TCanvasList&) = delete;

    void Add(TCanvas* canvas);
    void Remove(TCanvas* canvas);
    // Calls the action for every listed canvas while the list is locked.
    void ForEach(const std::function<void(TCanvas*)>& action);
    std::size_t Count();

private:
    CRITICAL_SECTION m_lock;
    std::vector<TCanvas*> m_items;
};

// Every canvas, from its creation to its destruction.
TCanvasList& CanvasList();

// The system colours changed: every canvas lets go of its objects, and pens and
// brushes of system colours are made again with the new colours.
void SystemColorsChanged();
