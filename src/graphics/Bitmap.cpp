#include "graphics/Bitmap.h"

#include "graphics/GdiHandles.h"

#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Guards the swap of a bitmap's shared image.
CRITICAL_SECTION& BitmapImageLock()
{
    static CRITICAL_SECTION* lock = [] {
        static CRITICAL_SECTION section;
        InitializeCriticalSection(&section);
        return &section;
    }();
    return *lock;
}

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(Exception::ResText(TextId::BitmapInvalid)); }

template<typename T> T GDICheck(T value)
{
    if (!value)
        GdiError();
    return value;
}

// Ends an image's bitmap: every bitmap canvas gives it back, then it is deleted.
void DropBitmap(HBITMAP& handle)
{
    DeselectBitmap(handle);
    TGdiBitmap owned(std::exchange(handle, nullptr));
}

// Ends an image's palette, unless it is the system's stock one.
void DropPalette(HPALETTE& palette)
{
    if (palette != SystemPalette16()) {
        TGdiPalette owned(palette);
    }
    palette = nullptr;
}

int ScreenBitsPerPixel(HDC screen) { return GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES); }

// Room for a BITMAPINFO with its masks or up to 256 colours.
struct BitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

}

void FixupBitFields(DIBSECTION& dib)
{
    BITMAPINFOHEADER& bi = dib.dsBmih;
    if ((bi.biCompression & BI_BITFIELDS) != 0 && dib.dsBitfields[0] == 0) {
        if (bi.biBitCount == 16) {
            dib.dsBitfields[0] = 0xF800;
            dib.dsBitfields[1] = 0x07E0;
            dib.dsBitfields[2] = 0x001F;
        } else if (bi.biBitCount == 32) {
            dib.dsBitfields[0] = 0xFF0000;
            dib.dsBitfields[1] = 0x00FF00;
            dib.dsBitfields[2] = 0x0000FF;
        }
    }
}

namespace {

int PaletteToColors(HPALETTE palette, RGBQUAD* colors)
{
    PALETTEENTRY entries[256];
    int count = static_cast<int>(GetPaletteEntries(palette, 0, 256, entries));
    for (int i = 0; i < count; ++i)
        colors[i] = RGBQUAD { entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0 };
    return count;
}

// The colour table of a DIB section (none for more than 8 bits).
int DIBColorTable(HBITMAP dib, RGBQUAD* colors)
{
    TMemoryDC memory(nullptr);
    TSelectObject selected(memory, dib);
    if (!selected)
        GdiError();
    return static_cast<int>(GetDIBColorTable(memory, 0, 256, colors));
}

}

HPALETTE SystemPalette16() { return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)); }

HPALETTE CopyPalette(HPALETTE palette)
{
    if (!palette || palette == SystemPalette16())
        return palette;
    WORD count = 0;
    if (!GetObjectA(palette, sizeof count, &count) || count == 0)
        return nullptr;
    std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = count;
    GetPaletteEntries(palette, 0, count, log->palPalEntry);
    return GDICheck(CreatePalette(log));
}

HPALETTE PaletteFromColors(const RGBQUAD* colors, int count)
{
    if (count <= 0)
        return nullptr;
    count = std::min(count, 256);
    std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + static_cast<std::size_t>(count) * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i)
        log->palPalEntry[i] = PALETTEENTRY { colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0 };
    return GDICheck(CreatePalette(log));
}

TCanvasList& BitmapCanvasList()
{
    // Never destroyed, like the list of all canvases: bitmaps of static objects are
    // freed at exit after the static objects and still walk it.
    alignas(TCanvasList) static unsigned char storage[sizeof(TCanvasList)];
    static TCanvasList* list = new (storage) TCanvasList;
    return *list;
}

void DeselectBitmap(HBITMAP handle)
{
    if (!handle)
        return;
    BitmapCanvasList().ForEach([handle](TCanvas* canvas) {
        auto* bitmapCanvas = static_cast<TBitmapCanvas*>(canvas);
        if (bitmapCanvas->Bitmap() && bitmapCanvas->Bitmap()->Image().Handle == handle)
            bitmapCanvas->FreeContext();
    });
}

HBITMAP CopyBitmap(HBITMAP source, HPALETTE oldPalette, HPALETTE newPalette, DIBSECTION& target, TCanvas* canvas)
{
    BITMAPINFOHEADER& bi = target.dsBmih;
    if (bi.biSize != 0) {
        if (bi.biWidth == 0 || bi.biHeight == 0)
            return nullptr;
    } else if (target.dsBm.bmWidth == 0 || target.dsBm.bmHeight == 0) {
        return nullptr;
    }
    DeselectBitmap(source);
    DIBSECTION from = {};
    bool fromDIB = false;
    if (source) {
        int got = GetObjectA(source, sizeof from, &from);
        if (got < static_cast<int>(sizeof(BITMAP)))
            InvalidBitmap();
        fromDIB = got >= static_cast<int>(sizeof(DIBSECTION)) && from.dsBm.bmBits;
    }
    TScreenDC screen;
    TMemoryDC memory(screen);
    // Deleted again unless the copy is complete.
    TGdiBitmap result;
    bool isDIB = bi.biSize != 0;
    int width, height;
    bool done = false;
    if (isDIB) {
        bi.biSize = sizeof(BITMAPINFOHEADER);
        bi.biPlanes = 1;
        if (bi.biBitCount == 0)
            bi.biBitCount = static_cast<WORD>(ScreenBitsPerPixel(screen));
        if (bi.biBitCount <= 8 && bi.biClrUsed > (1u << bi.biBitCount))
            bi.biClrUsed = 0;
        target.dsBm.bmWidth = bi.biWidth;
        target.dsBm.bmHeight = bi.biHeight;
        width = bi.biWidth;
        height = std::abs(bi.biHeight);
        BitmapInfo info = {};
        info.header = bi;
        if (bi.biBitCount <= 8) {
            if (bi.biBitCount == 1 && !fromDIB) {
                info.colors[0] = RGBQUAD { 0, 0, 0, 0 };
                info.colors[1] = RGBQUAD { 255, 255, 255, 0 };
            } else if (newPalette) {
                PaletteToColors(newPalette, info.colors);
            } else if (source) {
                if (fromDIB) {
                    int count = DIBColorTable(source, info.colors);
                    bi.biClrUsed = static_cast<DWORD>(std::min(count, 1 << bi.biBitCount));
                    info.header.biClrUsed = bi.biClrUsed;
                } else {
                    BitmapInfo query = info;
                    if (!GetDIBits(screen, source, 0, static_cast<UINT>(std::abs(from.dsBm.bmHeight)), nullptr,
                            query.get(), DIB_RGB_COLORS))
                        GdiError();
                    std::memcpy(info.colors, query.colors, sizeof info.colors);
                }
            }
        } else if ((bi.biBitCount == 16 || bi.biBitCount == 32) && (bi.biCompression & BI_BITFIELDS) != 0) {
            FixupBitFields(target);
            std::memcpy(info.colors, target.dsBitfields, sizeof target.dsBitfields);
        }
        CheckImageSize(width, height, bi.biBitCount);
        void* bits = nullptr;
        SetLastError(0);
        result.Reset(CreateDIBSection(screen, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!result || !bits) {
            DWORD error = GetLastError();
            result.Reset();
            SetLastError(error);
            GdiError();
        }
        // Same size and more than 8 bits: one GetDIBits call does it (bit-field
        // targets are drawn instead: GetDIBits leaves their pixels black here).
        if (source && from.dsBm.bmWidth == width && std::abs(from.dsBm.bmHeight) == height && bi.biBitCount > 8
            && bi.biCompression == BI_RGB) {
            done = GetDIBits(memory, source, 0, static_cast<UINT>(height), bits, info.get(), DIB_RGB_COLORS) != 0;
        }
    } else {
        width = target.dsBm.bmWidth;
        height = std::abs(target.dsBm.bmHeight);
        CheckImageSize(width, height, target.dsBm.bmBitsPixel == 1 ? 1 : ScreenBitsPerPixel(screen));
        SetLastError(0);
        if (target.dsBm.bmPlanes == 1 && target.dsBm.bmBitsPixel == 1)
            result.Reset(GDICheck(CreateBitmap(width, height, 1, 1, nullptr)));
        else
            result.Reset(GDICheck(CreateCompatibleBitmap(screen, width, height)));
    }
    if (!done) {
        // Both are given back as the block ends, before the bitmap is handed on.
        TSelectObject selected(memory, result.Get());
        if (!selected)
            GdiError();
        TSelectPalette palette(memory, newPalette, false);
        COLORREF text = 0, back = 0;
        if (canvas) {
            text = ColorToRGB(canvas->Font()->Color());
            back = ColorToRGB(canvas->Brush()->Color());
            if (isDIB && bi.biBitCount == 1) {
                RGBQUAD two[2] = {
                    { GetBValue(text), GetGValue(text), GetRValue(text), 0 },
                    { GetBValue(back), GetGValue(back), GetRValue(back), 0 },
                };
                SetDIBColorTable(memory, 0, 2, two);
            }
        }
        // The fill shows only where the source does not reach; a source that
        // covers the whole target overwrites every pixel of it.
        bool covered = source && from.dsBm.bmWidth >= width && std::abs(from.dsBm.bmHeight) >= height;
        if (canvas) {
            if (!covered) {
                RECT all = { 0, 0, width, height };
                FillRect(memory, &all, canvas->Brush()->Handle());
            }
            SetTextColor(memory, text);
            SetBkColor(memory, back);
        } else if (!covered) {
            PatBlt(memory, 0, 0, width, height, WHITENESS);
        }
        if (source) {
            TMemoryDC from_dc(screen);
            TSelectObject fromSelected(from_dc, source);
            if (!fromSelected)
                GdiError();
            TSelectPalette fromPalette(from_dc, oldPalette, true);
            if (canvas) {
                SetTextColor(from_dc, text);
                SetBkColor(from_dc, back);
            }
            int w = std::min(width, static_cast<int>(from.dsBm.bmWidth));
            int h = std::min(height, static_cast<int>(std::abs(from.dsBm.bmHeight)));
            if (!BitBlt(memory, 0, 0, w, h, from_dc, 0, 0, SRCCOPY))
                GdiError();
        }
    }
    GdiFlush();
    bool topDown = isDIB && bi.biHeight < 0;
    target = DIBSECTION {};
    GetObjectA(result.Get(), sizeof target, &target);
    if (topDown && target.dsBmih.biSize != 0)
        target.dsBmih.biHeight = -std::abs(target.dsBmih.biHeight);
    return result.Release();
}

TBitmapImage::~TBitmapImage()
{
    FreeHandle();
    DropBitmap(DIBHandle);
}

void TBitmapImage::FreeHandle()
{
    if (Handle != DIBHandle)
        DropBitmap(Handle);
    Handle = nullptr;
    DropBitmap(MaskHandle);
    DropPalette(Palette);
}

TBitmapCanvas::TBitmapCanvas(TBitmap* bitmap) : m_bitmap(bitmap) {}

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::FreeContext()
{
    if (!m_dc)
        return;
    Lock();
    m_selectedBitmap.reset();
    m_selectedPalette.reset();
    SetHandle(nullptr);
    m_dc.reset();
    BitmapCanvasList().Remove(this);
    Unlock();
}

void TBitmapCanvas::CreateHandle()
{
    if (!m_bitmap)
        return;
    Lock();
    ScopeExit unlock([this] { Unlock(); });
    m_bitmap->HandleNeeded();
    const TBitmapImage& image = m_bitmap->Image();
    DeselectBitmap(image.Handle);
    DeselectBitmap(image.MaskHandle);
    m_bitmap->PaletteNeeded();
    m_dc.emplace(nullptr);
    if (image.Handle)
        m_selectedBitmap.emplace(*m_dc, image.Handle);
    m_selectedPalette.emplace(*m_dc, image.Palette, true);
    SetHandle(*m_dc);
    BitmapCanvasList().Add(this);
}

TBitmap::TBitmap() : m_image(std::make_shared<TBitmapImage>()) {}

TBitmap::~TBitmap()
{
    FreeContext();
    SetImage(nullptr);
    m_canvas.reset();
}

void TBitmap::SetImage(std::shared_ptr<TBitmapImage> image)
{
    EnterCriticalSection(&BitmapImageLock());
    m_image.swap(image);
    LeaveCriticalSection(&BitmapImageLock());
    // The old image (if this was its last holder) goes outside the lock.
}

void TBitmap::FreeContext()
{
    if (m_canvas)
        m_canvas->FreeContext();
}

void TBitmap::Assign(TPersistent* source)
{
    auto* bitmap = dynamic_cast<TBitmap*>(source);
    if (source && !bitmap) {
        TGraphic::Assign(source);
        return;
    }
    if (bitmap == this)
        return;
    FreeContext();
    if (bitmap) {
        EnterCriticalSection(&BitmapImageLock());
        std::shared_ptr<TBitmapImage> shared = bitmap->m_image;
        LeaveCriticalSection(&BitmapImageLock());
        SetImage(std::move(shared));
        m_transparentColor = bitmap->m_transparentColor;
        m_transparentMode = bitmap->m_transparentMode;
        if (Transparent() != bitmap->Transparent())
            TGraphic::SetTransparent(bitmap->Transparent());
    } else {
        SetImage(std::make_shared<TBitmapImage>());
    }
    SetPaletteModified(Palette() != nullptr);
    NotifyChanged(this);
}

void TBitmap::NotifyChanged(TObject* sender)
{
    m_maskBitsValid = false;
    TGraphic::NotifyChanged(sender);
}

bool TBitmap::Empty() const { return !m_image->Handle && !m_image->DIBHandle; }

int TBitmap::Width() const { return m_image->DIB.dsBm.bmWidth; }

int TBitmap::Height() const { return std::abs(m_image->DIB.dsBm.bmHeight); }

bool TBitmap::Monochrome() const { return m_image->DIB.dsBm.bmPlanes == 1 && m_image->DIB.dsBm.bmBitsPixel == 1; }

TBitmapHandleType TBitmap::HandleType() const
{
    const TBitmapImage& image = *m_image;
    if ((image.Handle && image.Handle != image.DIBHandle) || (!image.DIBHandle && image.DIB.dsBmih.biSize == 0))
        return TBitmapHandleType::bmDDB;
    return TBitmapHandleType::bmDIB;
}

TPixelFormat TBitmap::PixelFormat() const
{
    if (HandleType() == TBitmapHandleType::bmDDB)
        return TPixelFormat::pfDevice;
    const DIBSECTION& dib = m_image->DIB;
    switch (dib.dsBmih.biBitCount) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16:
        if (dib.dsBmih.biCompression == BI_RGB)
            return TPixelFormat::pf15bit;
        if (dib.dsBmih.biCompression == BI_BITFIELDS && dib.dsBitfields[1] == 0x07E0)
            return TPixelFormat::pf16bit;
        return TPixelFormat::pfCustom;
    case 24: return TPixelFormat::pf24bit;
    case 32: return dib.dsBmih.biCompression == BI_RGB ? TPixelFormat::pf32bit : TPixelFormat::pfCustom;
    default: return TPixelFormat::pfCustom;
    }
}

void TBitmap::HandleNeeded()
{
    if (!m_image->Handle && m_image->DIBHandle)
        m_image->Handle = m_image->DIBHandle;
}

void TBitmap::PaletteNeeded()
{
    TBitmapImage& image = *m_image;
    if (m_ignorePalette || image.Palette || !image.DIBHandle)
        return;
    if (image.Handle == image.DIBHandle)
        DeselectBitmap(image.DIBHandle);
    RGBQUAD colors[256];
    int count = image.DIB.dsBmih.biBitCount <= 8 ? DIBColorTable(image.DIBHandle, colors) : 0;
    count = std::min(count, 1 << std::min<int>(image.DIB.dsBmih.biBitCount, 8));
    if (image.DIB.dsBmih.biClrUsed > 0)
        count = std::min(count, static_cast<int>(image.DIB.dsBmih.biClrUsed));
    if (count > 0) {
        TScreenDC screen;
        if (count == 16 && (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) && GetDeviceCaps(screen, SIZEPALETTE) >= 16)
            image.Palette = SystemPalette16();
        else
            image.Palette = PaletteFromColors(colors, count);
    }
    if (image.Palette)
        return;
    TScreenDC screen;
    image.Halftone =
        image.Halftone || ScreenBitsPerPixel(screen) < image.DIB.dsBm.bmBitsPixel * image.DIB.dsBm.bmPlanes;
    if (image.Halftone)
        image.Palette = CreateHalftonePalette(screen);
    if (!image.Palette)
        m_ignorePalette = true;
}

HPALETTE TBitmap::Palette()
{
    PaletteNeeded();
    return m_image->Palette;
}

void TBitmap::DIBNeeded()
{
    TBitmapImage& image = *m_image;
    if (!image.Handle || image.DIBHandle)
        return;
    PaletteNeeded();
    if (image.DIB.dsBmih.biSize == 0) {
        BITMAP bm = {};
        GetObjectA(image.Handle, sizeof bm, &bm);
        image.DIB = DIBSECTION {};
        image.DIB.dsBm = bm;
        BITMAPINFOHEADER& bi = image.DIB.dsBmih;
        bi.biSize = sizeof bi;
        bi.biWidth = bm.bmWidth;
        bi.biHeight = bm.bmHeight;
        bi.biPlanes = 1;
        bi.biBitCount = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    }
    DIBSECTION target = image.DIB;
    image.DIBHandle = CopyBitmap(image.Handle, image.Palette, image.Palette, target, nullptr);
    image.DIB = target;
}

// The description a copy of the image is made from: a device-dependent image stays
// device-dependent even when it has a DIB copy beside it.
static DIBSECTION CopyDescription(const TBitmap& bitmap, const TBitmapImage& image)
{
    DIBSECTION description = image.DIB;
    if (bitmap.HandleType() == TBitmapHandleType::bmDDB)
        description.dsBmih.biSize = 0;
    return description;
}

void TBitmap::CopyImage(HBITMAP handle, HPALETTE palette, DIBSECTION description)
{
    FreeContext();
    // The palette is the new image's: it goes if the copy fails.
    ScopeExit dropPalette([&palette] { DropPalette(palette); });
    auto image = std::make_shared<TBitmapImage>();
    image->Handle = CopyBitmap(handle, m_image->Palette, palette, description, m_canvas.get());
    dropPalette.Dismiss();
    image->DIB = description;
    image->Palette = palette;
    if (image->Handle && description.dsBmih.biSize != 0)
        image->DIBHandle = image->Handle;
    image->OS2Format = m_image->OS2Format;
    SetImage(std::move(image));
}

void TBitmap::MakeImagePrivate()
{
    TBitmapImage& image = *m_image;
    if (!ImageShared()) {
        if (image.Handle && image.DIBHandle && image.Handle != image.DIBHandle)
            DropBitmap(image.DIBHandle);
        return;
    }
    HandleNeeded();
    HPALETTE palette = image.Halftone ? nullptr : image.Palette;
    CopyImage(image.Handle, CopyPalette(palette), CopyDescription(*this, image));
}

void TBitmap::Changing(TObject*)
{
    MakeImagePrivate();
    m_image->DIB.dsBmih.biClrUsed = 0;
    m_image->DIB.dsBmih.biClrImportant = 0;
    m_image->SaveStream.reset();
}

HBITMAP TBitmap::Handle()
{
    FreeContext();
    HandleNeeded();
    Changing(this);
    return m_image->Handle;
}

void TBitmap::SetHandle(HBITMAP value)
{
    if (m_image->Handle == value)
        return;
    FreeContext();
    auto image = std::make_shared<TBitmapImage>();
    if (value)
        GetObjectA(value, sizeof image->DIB, &image->DIB);
    image->Handle = value;
    if (value && image->DIB.dsBm.bmBits)
        image->DIBHandle = value;
    else
        image->DIB.dsBmih.biSize = 0;
    if (!ImageShared()) {
        image->Palette = m_image->Palette;
        image->Halftone = m_image->Halftone;
        m_image->Palette = nullptr;
    } else {
        image->Palette = CopyPalette(m_image->Palette);
        image->Halftone = m_image->Halftone;
    }
    SetImage(std::move(image));
    NotifyChanged(this);
}

HBITMAP TBitmap::ReleaseHandle()
{
    HandleNeeded();
    Changing(this);
    FreeContext();
    HBITMAP handle = m_image->Handle;
    if (handle == m_image->DIBHandle)
        m_image->DIBHandle = nullptr;
    m_image->Handle = nullptr;
    return handle;
}

void TBitmap::SetHandleType(TBitmapHandleType value)
{
    if (Empty()) {
        if (ImageShared()) {
            auto image = std::make_shared<TBitmapImage>();
            image->DIB = m_image->DIB;
            SetImage(std::move(image));
        }
        m_image->DIB.dsBmih.biSize = value == TBitmapHandleType::bmDDB ? 0 : sizeof(BITMAPINFOHEADER);
        return;
    }
    TBitmapImage& image = *m_image;
    if (value == TBitmapHandleType::bmDDB) {
        if (image.Handle && image.Handle != image.DIBHandle)
            return;
        FreeContext();
        PaletteNeeded();
        DIBSECTION description = image.DIB;
        description.dsBmih.biSize = 0;
        if (!ImageShared()) {
            image.Handle = CopyBitmap(image.DIBHandle, image.Palette, image.Palette, description, m_canvas.get());
        } else {
            CopyImage(image.DIBHandle, CopyPalette(image.Palette), description);
        }
    } else {
        HandleNeeded();
        if (image.Handle == image.DIBHandle)
            return;
        FreeContext();
        PaletteNeeded();
        DIBNeeded();
        if (!ImageShared()) {
            auto fresh = std::make_shared<TBitmapImage>();
            fresh->Handle = image.DIBHandle;
            fresh->DIBHandle = image.DIBHandle;
            fresh->DIB = image.DIB;
            fresh->Palette = image.Palette;
            fresh->Halftone = image.Halftone;
            fresh->OS2Format = image.OS2Format;
            image.DIBHandle = nullptr;
            image.Palette = nullptr;
            SetImage(std::move(fresh));
        } else {
            CopyImage(image.DIBHandle, CopyPalette(image.Palette), image.DIB);
        }
    }
    NotifyChanged(this);
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == PixelFormat())
        return;
    if (value == TPixelFormat::pfDevice) {
        SetHandleType(TBitmapHandleType::bmDDB);
        return;
    }
    if (value == TPixelFormat::pfCustom)
        throw EInvalidGraphic(Exception::ResText(TextId::PixelFormatInvalid));
    static const WORD bitCounts[] = { 0, 1, 4, 8, 16, 16, 24, 32 };
    DIBSECTION description = {};
    description.dsBm = m_image->DIB.dsBm;
    BITMAPINFOHEADER& bi = description.dsBmih;
    bi.biSize = sizeof bi;
    bi.biWidth = Width();
    bi.biHeight = Height();
    bi.biPlanes = 1;
    bi.biBitCount = bitCounts[static_cast<int>(value)];
    HPALETTE palette = nullptr;
    bool temporary = false;
    switch (value) {
    case TPixelFormat::pf4bit: palette = SystemPalette16(); break;
    case TPixelFormat::pf8bit: {
        TScreenDC screen;
        palette = GDICheck(CreateHalftonePalette(screen));
        temporary = true;
        break;
    }
    case TPixelFormat::pf16bit:
        bi.biCompression = BI_BITFIELDS;
        description.dsBitfields[0] = 0xF800;
        description.dsBitfields[1] = 0x07E0;
        description.dsBitfields[2] = 0x001F;
        break;
    default: palette = CopyPalette(m_image->Halftone ? nullptr : m_image->Palette); break;
    }
    HandleNeeded();
    CopyImage(m_image->Handle, palette, description);
    if (temporary) {
        // The halftone palette only chose the colour table; the image makes its own
        // palette from that table when one is needed.
        FreeContext();
        DropPalette(m_image->Palette);
    }
    if (m_image->Palette)
        SetPaletteModified(true);
    NotifyChanged(this);
}

void TBitmap::SetWidth(int value)
{
    if (Width() == value)
        return;
    HandleNeeded();
    DIBSECTION description = CopyDescription(*this, *m_image);
    description.dsBm.bmWidth = value;
    description.dsBmih.biWidth = value;
    CopyImage(m_image->Handle, CopyPalette(m_image->Halftone ? nullptr : m_image->Palette), description);
    NotifyChanged(this);
}

void TBitmap::SetHeight(int value)
{
    if (Height() == value)
        return;
    HandleNeeded();
    DIBSECTION description = CopyDescription(*this, *m_image);
    description.dsBm.bmHeight = value;
    description.dsBmih.biHeight = value;
    CopyImage(m_image->Handle, CopyPalette(m_image->Halftone ? nullptr : m_image->Palette), description);
    NotifyChanged(this);
}

void TBitmap::SetPalette(HPALETTE value)
{
    if (m_image->Palette == value)
        return;
    FreeContext();
    if (value || ImageShared()) {
        HandleNeeded();
        CopyImage(m_image->Handle, value, CopyDescription(*this, *m_image));
    } else {
        DropPalette(m_image->Palette);
        m_image->Halftone = false;
    }
    TBitmapImage& image = *m_image;
    if (value && image.DIBHandle && image.DIB.dsBmih.biBitCount <= 8) {
        RGBQUAD colors[256];
        int count = PaletteToColors(value, colors);
        DeselectBitmap(image.DIBHandle);
        TMemoryDC memory(nullptr);
        TSelectObject selected(memory, image.DIBHandle);
        if (!selected)
            GdiError();
        SetDIBColorTable(memory, 0, static_cast<UINT>(count), colors);
    }
    SetPaletteModified(true);
    NotifyChanged(this);
}

void* TBitmap::ScanLine(int row)
{
    Changing(this);
    if (row < 0 || row > Height())
        throw EInvalidGraphicOperation(Exception::ResText(TextId::ScanLineOutOfRange));
    // Rows are addressed in the DIB; a device-dependent bitmap becomes one, so that
    // what is written through the address is the image.
    if (HandleType() == TBitmapHandleType::bmDDB && !Empty())
        SetHandleType(TBitmapHandleType::bmDIB);
    DIBNeeded();
    GdiFlush();
    const DIBSECTION& dib = m_image->DIB;
    if (!m_image->DIBHandle || !dib.dsBm.bmBits)
        return nullptr;
    std::int64_t line = ((static_cast<std::int64_t>(dib.dsBmih.biWidth) * dib.dsBmih.biBitCount + 31) / 32) * 4;
    std::int64_t index = dib.dsBmih.biHeight > 0 ? std::int64_t(dib.dsBmih.biHeight) - 1 - row : row;
    auto base = reinterpret_cast<std::intptr_t>(dib.dsBm.bmBits);
    return reinterpret_cast<void*>(base + static_cast<std::intptr_t>(index * line));
}

TCanvas* TBitmap::Canvas()
{
    if (!m_canvas) {
        m_canvas = std::make_unique<TBitmapCanvas>(this);
        m_canvas->OnChange = [this](TObject*) { NotifyChanged(this); };
        m_canvas->OnChanging = [this](TObject* sender) { Changing(sender); };
    }
    return m_canvas.get();
}

void TBitmap::Dormant()
{
    FreeContext();
    // The handles go: other bitmaps sharing the image keep theirs.
    if (ImageShared())
        MakeImagePrivate();
    DIBNeeded();
    TBitmapImage& image = *m_image;
    if (!image.DIBHandle)
        return;
    if (image.Handle != image.DIBHandle)
        DropBitmap(image.Handle);
    image.Handle = image.DIBHandle;
    DropBitmap(image.MaskHandle);
    DropPalette(image.Palette);
    image.Halftone = false;
    m_maskValid = false;
}

TColor TBitmap::TransparentColor()
{
    if (m_transparentColor == clDefault) {
        if (Monochrome())
            return 0x02FFFFFF;
        if (Empty())
            return 0x02000000;
        return Canvas()->Pixels(0, Height() - 1) | 0x02000000;
    }
    return ColorToRGB(m_transparentColor) | 0x02000000;
}

void TBitmap::SetTransparentColor(TColor value)
{
    if (m_transparentColor == value)
        return;
    m_transparentMode = value == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    m_transparentColor = value;
    if (ImageShared())
        MakeImagePrivate();
    NotifyChanged(this);
}

void TBitmap::SetTransparentMode(TTransparentMode value)
{
    if (value == m_transparentMode)
        return;
    if (value == TTransparentMode::tmAuto)
        SetTransparentColor(clDefault);
    else
        SetTransparentColor(TransparentColor() & 0xFFFFFF);
}

void TBitmap::MaskHandleNeeded()
{
    TBitmapImage& image = *m_image;
    if (m_maskValid && m_maskBitsValid && image.MaskHandle)
        return;
    DropBitmap(image.MaskHandle);
    HandleNeeded();
    if (Empty())
        return;
    int width = Width(), height = Height();
    TGdiBitmap mask(GDICheck(CreateBitmap(width, height, 1, 1, nullptr)));
    {
        TMemoryDC maskDC(nullptr);
        TSelectObject selected(maskDC, mask.Get());
        if (!selected)
            GdiError();
        if (m_transparentColor == clNone) {
            PatBlt(maskDC, 0, 0, width, height, BLACKNESS);
        } else {
            COLORREF color = TransparentColor() & 0xFFFFFF;
            Canvas();
            m_canvas->RequiredState(csHandleValid);
            HDC source = m_canvas->m_handle;
            COLORREF oldBack = SetBkColor(source, color);
            BitBlt(maskDC, 0, 0, width, height, source, 0, 0, SRCCOPY);
            SetBkColor(source, oldBack);
        }
    }
    m_image->MaskHandle = mask.Release();
    m_maskValid = true;
    m_maskBitsValid = true;
}

HBITMAP TBitmap::MaskHandle()
{
    MaskHandleNeeded();
    return m_image->MaskHandle;
}

void TBitmap::Render(TCanvas* canvas, const RECT& rect)
{
    if (!canvas || Empty())
        return;
    canvas->RequiredState(csAllValid);
    HDC target = canvas->m_handle;
    PaletteNeeded();
    TSelectPalette palette(target, m_image->Palette, true);
    int targetBits = GetDeviceCaps(target, BITSPIXEL) * GetDeviceCaps(target, PLANES);
    int ownBits = m_image->DIB.dsBm.bmBitsPixel * m_image->DIB.dsBm.bmPlanes;
    int oldMode = 0;
    POINT brushOrigin = {};
    if (targetBits <= 8 && targetBits < ownBits) {
        GetBrushOrgEx(target, &brushOrigin);
        oldMode = SetStretchBltMode(target, HALFTONE);
        SetBrushOrgEx(target, brushOrigin.x, brushOrigin.y, nullptr);
    } else if (!Monochrome()) {
        oldMode = SetStretchBltMode(target, COLORONCOLOR);
    }
    // The target's mode goes back before its palette does.
    ScopeExit restoreMode([target, oldMode] {
        if (oldMode)
            SetStretchBltMode(target, oldMode);
    });
    int width = Width(), height = Height();
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (Transparent()) {
        MaskHandleNeeded();
        Canvas();
        m_canvas->RequiredState(csHandleValid);
        HDC source = m_canvas->m_handle;
        TMemoryDC maskDC(target);
        DeselectBitmap(m_image->MaskHandle);
        TSelectObject maskSelected(maskDC, m_image->MaskHandle);
        if (!maskSelected)
            GdiError();
        // The image with its transparent pixels black, then: keep the target where
        // the mask is white, add the image where it is black.
        TGdiBitmap cut(GDICheck(CreateCompatibleBitmap(source, width, height)));
        TMemoryDC cutDC(target);
        TSelectObject cutSelected(cutDC, cut.Get());
        if (!cutSelected)
            GdiError();
        BitBlt(cutDC, 0, 0, width, height, source, 0, 0, SRCCOPY);
        SetBkColor(cutDC, RGB(255, 255, 255));
        SetTextColor(cutDC, RGB(0, 0, 0));
        BitBlt(cutDC, 0, 0, width, height, maskDC, 0, 0, 0x00220326);
        COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
        COLORREF oldBack = SetBkColor(target, RGB(255, 255, 255));
        StretchBlt(target, rect.left, rect.top, w, h, maskDC, 0, 0, width, height, SRCAND);
        StretchBlt(target, rect.left, rect.top, w, h, cutDC, 0, 0, width, height, SRCPAINT);
        SetTextColor(target, oldText);
        SetBkColor(target, oldBack);
    } else {
        Canvas();
        m_canvas->RequiredState(csHandleValid);
        StretchBlt(target, rect.left, rect.top, w, h, m_canvas->m_handle, 0, 0, width, height, canvas->CopyMode());
    }
}

void TBitmap::LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette)
{
    if (format != CF_BITMAP || !data)
        throw EInvalidGraphic(Exception::ResText(TextId::UnknownClipboardData));
    FreeContext();
    DIBSECTION description = {};
    GetObjectA(data, sizeof description, &description);
    if (!description.dsBm.bmBits)
        description.dsBmih.biSize = 0;
    HPALETTE own = CopyPalette(palette);
    // The copy of the palette is the new image's: it goes if the copy fails.
    ScopeExit dropPalette([&own] { DropPalette(own); });
    auto image = std::make_shared<TBitmapImage>();
    image->Handle = CopyBitmap(static_cast<HBITMAP>(data), palette, own, description, nullptr);
    dropPalette.Dismiss();
    image->DIB = description;
    image->Palette = own;
    if (image->Handle && description.dsBmih.biSize != 0)
        image->DIBHandle = image->Handle;
    image->OS2Format = false;
    SetImage(std::move(image));
    if (own)
        SetPaletteModified(true);
    NotifyChanged(this);
}

void TBitmap::SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette)
{
    format = CF_BITMAP;
    HandleNeeded();
    DIBSECTION description = m_image->DIB;
    description.dsBmih.biSize = 0;
    description.dsBm.bmBits = nullptr;
    TGdiBitmap copy(CopyBitmap(m_image->Handle, m_image->Palette, m_image->Palette, description, m_canvas.get()));
    HPALETTE paletteCopy = CopyPalette(m_image->Palette);
    data = copy.Release();
    palette = paletteCopy;
}

void TBitmap::LoadStream(TStream& stream) { ReadStream(stream, stream.Size() - stream.Position()); }

void TBitmap::SaveStream(TStream& stream) { WriteStream(stream, false); }

void TBitmap::ReadGraphicData(TStream& stream)
{
    std::int32_t size = 0;
    stream.ReadBuffer(&size, sizeof size);
    ReadStream(stream, size);
}

void TBitmap::WriteGraphicData(TStream& stream) { WriteStream(stream, true); }

void TBitmap::LoadFromResourceName(HINSTANCE module, const AnsiString& name)
{
    TResourceStream stream(module, name, MAKEINTRESOURCEA(2));
    FreeContext();
    ReadDIB(stream, stream.Size());
}

void TBitmap::LoadFromResourceID(HINSTANCE module, int id) { LoadFromResourceName(module, "#" + IntToStr(id)); }
