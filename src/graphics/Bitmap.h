// The raster graphic: a device-dependent bitmap or a DIB section held in a shared
// image record, converted between the two kinds on demand, read from and written
// as BMP data.
#pragma once

#include "graphics/Canvas.h"
#include "graphics/GdiHandles.h"
#include "graphics/Graphic.h"
#include "runtime/Stream.h"

#include <memory>
#include <optional>

enum class TBitmapHandleType { bmDIB, bmDDB };
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum class TTransparentMode { tmAuto, tmFixed };

// The image a bitmap holds, shared by assigned copies until one of them changes.
// It owns its handles, its palette and its saved file data.
class TBitmapImage {
public:
    TBitmapImage() = default;
    ~TBitmapImage();
    TBitmapImage(const TBitmapImage&) = delete;
    TBitmapImage& operator=(const TBitmapImage&) = delete;

    // Deselects and deletes the device-dependent bitmap and the mask, and deletes the
    // palette (never the system's stock palette).
    void FreeHandle();

    HBITMAP Handle = nullptr;     // the bitmap given out: a DDB, or the DIB handle
    HBITMAP MaskHandle = nullptr; // transparency mask, made on demand
    HPALETTE Palette = nullptr;
    HBITMAP DIBHandle = nullptr; // the DIB section, when one exists
    // Describes the current bitmap; its header size is also the preferred kind of an
    // empty bitmap (0 device-dependent, 40 DIB).
    DIBSECTION DIB = {};
    // Header, colour table and pixels of a run-length-compressed file, as read.
    std::unique_ptr<TMemoryStream> SaveStream;
    bool OS2Format = false; // read with a 12-byte core header; written back so
    bool Halftone = false;  // the palette is a halftone one made by the bitmap
};

class TBitmap;

// A canvas that draws on a bitmap: its device context holds the bitmap's handle.
class TBitmapCanvas : public TCanvas {
public:
    SV_CLASS_NAME(TBitmapCanvas)
    explicit TBitmapCanvas(TBitmap* bitmap);
    ~TBitmapCanvas() override;

    TBitmap* Bitmap() const { return m_bitmap; }
    // Gives the device context back; the bitmap can then be copied or deleted.
    void FreeContext();

protected:
    void CreateHandle() override;

private:
    TBitmap* m_bitmap;
    // The context and what is selected into it, given back in the reverse order.
    std::optional<TMemoryDC> m_dc;
    std::optional<TSelectObject> m_selectedBitmap;
    std::optional<TSelectPalette> m_selectedPalette;
};

// The bitmap canvases that hold a device context.
TCanvasList& BitmapCanvasList();
// Every bitmap canvas whose bitmap uses the handle gives its device context back.
void DeselectBitmap(HBITMAP handle);

// The system's 16-colour palette (a stock object).
HPALETTE SystemPalette16();
// A copy of a palette; none for none, the system palette for itself.
HPALETTE CopyPalette(HPALETTE palette);

// A palette of colour-table entries (at most 256 are used); none for none.
HPALETTE PaletteFromColors(const RGBQUAD* colors, int count);
// Missing bit-field masks of a bit-fields image: 5-6-5 for 16 bits, 8-8-8 for 32.
void FixupBitFields(DIBSECTION& dib);

// The copying routine behind every conversion: a new bitmap as the target
// description asks (DIB when its header size is 40, else device-dependent), with the
// source drawn at its top-left; the description is rewritten to describe the result.
// None when the target has no area.
HBITMAP CopyBitmap(HBITMAP source, HPALETTE oldPalette, HPALETTE newPalette, DIBSECTION& target, TCanvas* canvas);

class TBitmap : public TGraphic {
public:
    SV_GRAPHIC_CLASS(TBitmap, TGraphic)
    TBitmap();
    ~TBitmap() override;

    void Assign(TPersistent* source) override;
    void NotifyChanged(TObject* sender) override;
    void Render(TCanvas* canvas, const RECT& rect) override;
    bool Empty() const override;
    int Height() const override;
    HPALETTE Palette() override;
    int Width() const override;
    void ReadGraphicData(TStream& stream) override;
    void SetHeight(int value) override;
    // Takes ownership of the palette; the pixels are rendered through it.
    void SetPalette(HPALETTE value) override;
    void SetWidth(int value) override;
    void WriteGraphicData(TStream& stream) override;
    void LoadStream(TStream& stream) override;
    void SaveStream(TStream& stream) override;
    void LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette) override;
    void SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette) override;
    virtual HBITMAP Handle();
    virtual HBITMAP MaskHandle();
    virtual void SetHandleType(TBitmapHandleType value);

    // Takes ownership of the bitmap handle.
    void SetHandle(HBITMAP value);
    // Gives the handle up to the caller, who then owns it.
    HBITMAP ReleaseHandle();
    TBitmapHandleType HandleType() const;
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat value);
    bool Monochrome() const;
    bool IgnorePalette() const { return m_ignorePalette; }
    void SetIgnorePalette(bool value) { m_ignorePalette = value; }

    // Address of a pixel row (the row equal to the height gives the address one line
    // beyond, to learn the distance between lines). EInvalidGraphicOperation outside.
    void* ScanLine(int row);
    // The canvas that draws on this bitmap, made on first request.
    TCanvas* Canvas();
    // Keeps only the DIB: the device-dependent bitmap, mask and palette are released.
    void Dormant();

    TColor TransparentColor();
    void SetTransparentColor(TColor value);
    TTransparentMode TransparentMode() const { return m_transparentMode; }
    void SetTransparentMode(TTransparentMode value);

    // A bitmap resource: a BMP file without its 14-byte file header.
    void LoadFromResourceName(HINSTANCE module, const AnsiString& name);
    void LoadFromResourceID(HINSTANCE module, int id);

    // Is the image shared with another bitmap (for checks)?
    bool ImageShared() const { return m_image.use_count() > 1; }
    const TBitmapImage& Image() const { return *m_image; }

private:
    friend class TBitmapCanvas;

    // Before every change: the image becomes private, colour counts are reset and
    // saved file data is dropped.
    void Changing(TObject* sender);
    void MakeImagePrivate();
    void FreeContext();
    void HandleNeeded();
    void PaletteNeeded();
    void DIBNeeded();
    void MaskHandleNeeded();
    // Replaces the image by a new one holding a copy of the handle as the
    // description asks; takes the palette (owned).
    void CopyImage(HBITMAP handle, HPALETTE palette, DIBSECTION description);
    // Replaces the image under the process-wide image lock.
    void SetImage(std::shared_ptr<TBitmapImage> image);
    // Reads a BMP of size bytes (file header first), or the part after the file
    // header.
    void ReadStream(TStream& stream, std::int32_t size);
    void ReadDIB(TStream& stream, std::int32_t size);
    // Writes the BMP file; with the size in front when asked.
    void WriteStream(TStream& stream, bool withSize);

    std::shared_ptr<TBitmapImage> m_image;
    std::unique_ptr<TBitmapCanvas> m_canvas;
    bool m_ignorePalette = false;
    bool m_maskBitsValid = false;
    bool m_maskValid = false;
    TColor m_transparentColor = clDefault;
    TTransparentMode m_transparentMode = TTransparentMode::tmAuto;
};
