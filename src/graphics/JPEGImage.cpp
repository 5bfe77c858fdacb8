#include "graphics/JPEGImage.h"

#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/GdiHandles.h"
#include "graphics/JpegLibrary.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Stream.h"

#include <algorithm>
#include <vector>

#include <jerror.h>

namespace {

// Bits per pixel of the screen (times its planes).
int ScreenBitsPerPixel()
{
    TScreenDC dc;
    return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
}

// A palette of the decoder's colour map: gray levels for grayscale output, otherwise
// the map's rows in the output order blue, green, red.
HPALETTE PaletteFromColorMap(const jpeg_decompress_struct& info)
{
    int count = std::clamp(info.actual_number_of_colors, 0, 256);
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
    auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    bool gray = info.out_color_components == 1;
    for (int i = 0; i < count; ++i) {
        PALETTEENTRY& e = palette->palPalEntry[i];
        if (gray) {
            e.peRed = e.peGreen = e.peBlue = info.colormap[0][i];
        } else {
            e.peRed = info.colormap[2][i];
            e.peGreen = info.colormap[1][i];
            e.peBlue = info.colormap[0][i];
        }
        e.peFlags = 0;
    }
    HPALETTE result = CreatePalette(palette);
    if (!result)
        throw EOutOfResources(Exception::ResText(TextId::OutOfSystemResources));
    return result;
}

// Gives the decoder the colours of a palette as its colour map (none when the
// palette has no entries).
void SetColorMap(TJpegDecompressor& decoder, HPALETTE palette)
{
    PALETTEENTRY entries[256];
    UINT count = GetPaletteEntries(palette, 0, 256, entries);
    jpeg_decompress_struct& info = decoder.Info();
    if (count == 0 || count > 256) {
        info.colormap = nullptr;
        return;
    }
    JSAMPARRAY map = nullptr;
    decoder.Call(
        [&] { map = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, count, 3); });
    for (UINT i = 0; i < count; ++i) {
        map[0][i] = entries[i].peBlue;
        map[1][i] = entries[i].peGreen;
        map[2][i] = entries[i].peRed;
    }
    info.colormap = map;
    info.actual_number_of_colors = static_cast<int>(count);
}

// Addresses of the rows of a bitmap: scan line 0 and the signed distance to the next.
struct RowLayout {
    JSAMPLE* first;
    std::ptrdiff_t step;
};
RowLayout Rows(TBitmap& bitmap)
{
    auto* line0 = static_cast<JSAMPLE*>(bitmap.ScanLine(0));
    auto* line1 = static_cast<JSAMPLE*>(bitmap.ScanLine(1));
    return { line0, line1 - line0 };
}

// Reads rows into the bitmap until the output height is reached, several at a time
// when the bitmap is top-down with rows of a multiple of 4 bytes.
void ReadRows(TJpegDecompressor& decoder, const RowLayout& rows)
{
    jpeg_decompress_struct& info = decoder.Info();
    JDIMENSION perRead = 1;
    if (rows.step > 0 && rows.step % 4 == 0)
        perRead = static_cast<JDIMENSION>(std::clamp(info.rec_outbuf_height, 1, 16));
    JSAMPROW pointers[16];
    while (info.output_scanline < info.output_height) {
        JDIMENSION count = std::min(perRead, info.output_height - info.output_scanline);
        for (JDIMENSION i = 0; i < count; ++i)
            pointers[i] = rows.first + rows.step * static_cast<std::ptrdiff_t>(info.output_scanline + i);
        decoder.Call([&] { jpeg_read_scanlines(&info, pointers, count); });
    }
}

} // namespace

TJPEGData::TJPEGData() = default;
TJPEGData::~TJPEGData() = default;

TJPEGDefaults& JPEGDefaults()
{
    static TJPEGDefaults defaults;
    return defaults;
}

TJPEGImage::TJPEGImage() : m_data(std::make_shared<TJPEGData>())
{
    const TJPEGDefaults& d = JPEGDefaults();
    m_compressionQuality = d.CompressionQuality;
    m_grayscale = d.Grayscale;
    m_performance = d.Performance;
    m_pixelFormat = d.PixelFormat;
    m_progressiveDisplay = d.ProgressiveDisplay;
    m_progressiveEncoding = d.ProgressiveEncoding;
    m_scale = d.Scale;
    m_smoothing = d.Smoothing;
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent* source)
{
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(source)) {
        m_data = jpeg->m_data;
        if (jpeg->m_bitmap) {
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->Assign(jpeg->m_bitmap.get());
            m_bitmap = std::move(bitmap);
        } else {
            m_bitmap.reset();
        }
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(bitmap);
        m_data = std::make_shared<TJPEGData>();
        m_bitmap = std::move(copy);
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::AssignInto(TPersistent* destination)
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(destination)) {
        bitmap->Assign(DecodedBitmap());
        return;
    }
    TGraphic::AssignInto(destination);
}

void TJPEGImage::Render(TCanvas* canvas, const RECT& rect) { canvas->StretchDraw(rect, DecodedBitmap()); }

bool TJPEGImage::SameImage(TGraphic* other)
{
    auto* jpeg = dynamic_cast<TJPEGImage*>(other);
    if (!jpeg)
        return false;
    if (m_data->data && jpeg->m_data->data)
        return TGraphic::SameImage(other);
    return m_data == jpeg->m_data;
}

bool TJPEGImage::Empty() const { return !m_data->data && (!m_bitmap || m_bitmap->Empty()); }

int TJPEGImage::Width() const { return m_bitmap ? m_bitmap->Width() : m_data->width; }

int TJPEGImage::Height() const { return m_bitmap ? m_bitmap->Height() : m_data->height; }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation(Exception::ResText(TextId::JpegSizeFixed)); }

void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation(Exception::ResText(TextId::JpegSizeFixed)); }

HPALETTE TJPEGImage::Palette()
{
    if (m_bitmap)
        return m_bitmap->Palette();
    if (m_tempPalette)
        return m_tempPalette.Get();
    if (m_pixelFormat == jf24Bit && ScreenBitsPerPixel() <= 8) {
        m_tempPalette.Reset(CreateHalftonePalette(TScreenDC()));
        return m_tempPalette.Get();
    }
    return nullptr;
}

void TJPEGImage::SetPalette(HPALETTE value)
{
    if (value == m_tempPalette.Get())
        return;
    bool discarded = false;
    if (m_bitmap && m_bitmap->Palette() != value) {
        m_bitmap.reset();
        discarded = true;
    } else if (m_bitmap && value) {
        // The decoded bitmap owns that handle: keep a copy of its own.
        value = CopyPalette(value);
    }
    m_tempPalette.Reset(value);
    if (discarded) {
        SetPaletteModified(true);
        NotifyChanged(this);
    }
}

void TJPEGImage::LoadStream(TStream& stream) { ReadStream(stream.Size() - stream.Position(), stream); }

void TJPEGImage::ReadGraphicData(TStream& stream)
{
    std::uint8_t count[4];
    stream.ReadBuffer(count, 4);
    auto size = static_cast<std::int32_t>(
        count[0] | count[1] << 8 | count[2] << 16 | static_cast<std::uint32_t>(count[3]) << 24);
    ReadStream(size, stream);
}

void TJPEGImage::ReadStream(std::int32_t size, TStream& stream)
{
    m_data = std::make_shared<TJPEGData>();
    m_bitmap.reset();
    // A count beyond what the stream holds is a read error, found before any memory
    // is set aside for it.
    if (size < 0 || size > stream.Size() - stream.Position())
        throw EReadError(Exception::ResText(TextId::StreamReadError));
    AnsiString bytes(static_cast<std::size_t>(size), '\0');
    stream.ReadBuffer(bytes.data(), size);
    m_data->data = std::make_unique<TMemoryStream>(std::move(bytes));
    if (size > 0) {
        TJpegDecompressor decoder(*m_data->data, nullptr);
        decoder.ReadHeader();
        const jpeg_decompress_struct& info = decoder.Info();
        m_data->width = static_cast<int>(info.image_width);
        m_data->height = static_cast<int>(info.image_height);
        m_data->grayscale = info.jpeg_color_space == JCS_GRAYSCALE;
        m_progressiveEncoding = jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info)) != 0;
    }
    SetPaletteModified(true);
    NotifyChanged(this);
}

void TJPEGImage::WriteGraphicData(TStream& stream)
{
    std::int32_t size = m_data->data ? m_data->data->Size() : 0;
    auto u = static_cast<std::uint32_t>(size);
    std::uint8_t count[4] = { static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
        static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24) };
    stream.WriteBuffer(count, 4);
    if (size > 0)
        stream.WriteBuffer(m_data->data->Memory(), size);
}

void TJPEGImage::SaveStream(TStream& stream)
{
    JPEGNeeded();
    if (m_data->data && m_data->data->Size() > 0)
        stream.WriteBuffer(m_data->data->Memory(), m_data->data->Size());
}

void TJPEGImage::LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette)
{
    if (!m_bitmap)
        m_bitmap = std::make_unique<TBitmap>();
    m_bitmap->LoadClipboardData(format, data, palette);
}

void TJPEGImage::SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette)
{
    DecodedBitmap()->SaveClipboardData(format, data, palette);
}

TBitmap* TJPEGImage::DecodedBitmap()
{
    if (!m_bitmap)
        Decode();
    return m_bitmap.get();
}

void TJPEGImage::JPEGNeeded()
{
    if (!m_data->data)
        Compress();
}

void TJPEGImage::Decode()
{
    m_bitmap = std::make_unique<TBitmap>();
    TBitmap& bitmap = *m_bitmap;
    bool generatePalette = true;

    // Decoder setup. An image that never had bytes decodes as an empty file.
    TMemoryStream noBytes;
    TJpegDecompressor decoder(m_data->data ? *m_data->data : noBytes, this);
    jpeg_decompress_struct& info = decoder.Info();
    decoder.ReadHeader();
    info.scale_num = 1;
    info.scale_denom = 1u << m_scale;
    info.do_block_smoothing = m_smoothing;
    // Colour comes in the row order of a device-independent bitmap; a colour space
    // that cannot be turned into it (CMYK) is refused by the library.
    if (m_grayscale || info.jpeg_color_space == JCS_GRAYSCALE)
        info.out_color_space = JCS_GRAYSCALE;
    else
        info.out_color_space = JCS_EXT_BGR;
    if (m_pixelFormat == jf8Bit || info.out_color_space == JCS_GRAYSCALE) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = 236;
    }
    if (m_performance == jpBestSpeed) {
        info.dct_method = JDCT_IFAST;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_ORDERED;
    }
    const J_DCT_METHOD finalDct = info.dct_method;
    const bool finalTwoPass = info.two_pass_quantize;
    const J_DITHER_MODE finalDither = info.dither_mode;
    bool multipleScans = false;
    decoder.Call([&] { multipleScans = jpeg_has_multiple_scans(&info); });
    if (m_progressiveDisplay && multipleScans) {
        info.enable_2pass_quant = info.two_pass_quantize;
        info.dct_method = JDCT_IFAST;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_ORDERED;
        info.buffered_image = TRUE;
    }

    try {
        bitmap.SetHandle(nullptr);
        const bool eightBit = m_pixelFormat == jf8Bit || info.out_color_space == JCS_GRAYSCALE;
        bitmap.SetPixelFormat(eightBit ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
        Progress(this, psStarting, 0, false, RECT {}, AnsiString());
        std::exception_ptr failure;
        try {
            if (m_tempPalette) {
                if (m_pixelFormat == jf8Bit) {
                    SetColorMap(decoder, m_tempPalette.Get());
                    bitmap.SetPalette(CopyPalette(m_tempPalette.Get()));
                    generatePalette = false;
                } else {
                    m_tempPalette.Reset();
                }
            }
            // A picture whose bitmap cannot exist fails as the bitmap would, before the
            // library sets aside its working memory (for a multi-scan file that is
            // every coefficient of the declared size, whatever the file holds).
            decoder.Call([&] { jpeg_calc_output_dimensions(&info); });
            CheckImageSize(info.output_width, info.output_height, eightBit ? 8 : 24);
            decoder.Call([&] { jpeg_start_decompress(&info); });
            // Rows are written straight into the bitmap: its layout must match.
            if (info.output_components != (eightBit ? 1 : 3))
                throw EJPEG(JpegErrorText(JERR_BAD_J_COLORSPACE));
            bitmap.SetHandle(nullptr);
            bitmap.SetWidth(static_cast<int>(info.output_width));
            bitmap.SetHeight(static_cast<int>(info.output_height));
            // Rows are addressed afresh before each pass: setting a palette gives the
            // bitmap a new image, and the old rows' memory goes with the old one.

            if (info.buffered_image) {
                bool complete = false;
                bool first = true;
                decoder.Call([&] { complete = jpeg_input_complete(&info); });
                while (!complete) {
                    decoder.Call([&] { jpeg_start_output(&info, info.input_scan_number); });
                    if (first && info.colormap && eightBit && generatePalette) {
                        bitmap.SetPalette(PaletteFromColorMap(info));
                        SetPaletteModified(true);
                    }
                    first = false;
                    ReadRows(decoder, Rows(bitmap));
                    decoder.Call([&] {
                        jpeg_finish_output(&info);
                        complete = jpeg_input_complete(&info);
                    });
                }
                info.dct_method = finalDct;
                info.dither_mode = finalDither;
                if (finalTwoPass) {
                    info.two_pass_quantize = TRUE;
                    info.colormap = nullptr;
                }
                decoder.Call([&] { jpeg_start_output(&info, info.input_scan_number); });
            }
            if ((!info.buffered_image || finalTwoPass) && info.colormap && generatePalette) {
                bitmap.SetPalette(PaletteFromColorMap(info));
                SetPaletteModified(true);
            }
            ReadRows(decoder, Rows(bitmap));
            decoder.Call([&] {
                if (info.buffered_image)
                    jpeg_finish_output(&info);
                jpeg_finish_decompress(&info);
            });
        } catch (...) {
            // Held until the end of the progress is reported, whose handler may throw.
            failure = std::current_exception();
        }
        Progress(this, psEnding, failure ? 0 : 100, PaletteModified(), RECT {}, AnsiString());
        if (PaletteModified())
            NotifyChanged(this);
        if (failure)
            std::rethrow_exception(failure);
    } catch (const EAbort&) {
        // Cancelled by a progress handler: the rows decoded so far stay.
    }
}

void TJPEGImage::Compress()
{
    if (m_data->data)
        m_data = std::make_shared<TJPEGData>();
    m_data->data = std::make_unique<TMemoryStream>();
    if (!m_bitmap || m_bitmap->Width() == 0 || m_bitmap->Height() == 0)
        return;
    // No half-written file is kept as the image's bytes, nor a cancelled one: a later
    // save encodes again. The empty data is made first, so that the undo cannot fail.
    auto none = std::make_shared<TJPEGData>();
    ScopeExit dropOnFailure([this, &none] { m_data = std::move(none); });
    try {
        TJpegCompressor encoder(*m_data->data, this);
        jpeg_compress_struct& info = encoder.Info();
        info.image_width = static_cast<JDIMENSION>(m_bitmap->Width());
        info.image_height = static_cast<JDIMENSION>(m_bitmap->Height());
        m_data->width = m_bitmap->Width();
        m_data->height = m_bitmap->Height();
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR; // the row order of a 24-bit bitmap
        TBitmap copy;
        copy.Assign(m_bitmap.get());
        copy.SetPixelFormat(TPixelFormat::pf24bit);
        const int quality = m_compressionQuality;
        const bool gray = m_grayscale;
        const bool progressive = m_progressiveEncoding;
        encoder.Call([&] {
            jpeg_set_defaults(&info);
            jpeg_set_quality(&info, quality, TRUE);
            if (gray)
                jpeg_set_colorspace(&info, JCS_GRAYSCALE);
            if (progressive)
                jpeg_simple_progression(&info);
        });
        if (gray)
            m_data->grayscale = true;
        const RowLayout rows = Rows(copy);
        const JDIMENSION perWrite = rows.step > 0 && rows.step % 4 == 0 ? info.image_height : 1;
        std::vector<JSAMPROW> pointers(perWrite);

        Progress(this, psStarting, 0, false, RECT {}, AnsiString());
        std::exception_ptr failure;
        try {
            encoder.Call([&] { jpeg_start_compress(&info, TRUE); });
            while (info.next_scanline < info.image_height) {
                JDIMENSION count = std::min(perWrite, info.image_height - info.next_scanline);
                for (JDIMENSION i = 0; i < count; ++i)
                    pointers[i] = rows.first + rows.step * static_cast<std::ptrdiff_t>(info.next_scanline + i);
                JSAMPROW* list = pointers.data();
                encoder.Call([&] { jpeg_write_scanlines(&info, list, count); });
            }
            encoder.Call([&] { jpeg_finish_compress(&info); });
        } catch (...) {
            // Held until the end of the progress is reported, whose handler may throw.
            failure = std::current_exception();
        }
        Progress(this, psEnding, failure ? 0 : 100, false, RECT {}, AnsiString());
        if (failure)
            std::rethrow_exception(failure);
    } catch (const EAbort&) {
        return;
    }
    dropOnFailure.Dismiss();
}

void TJPEGImage::DecodeSettingChanged()
{
    // Only a loaded image can be decoded again; a bitmap-only image keeps its bitmap.
    if (m_data->data && m_bitmap) {
        m_bitmap.reset();
        NotifyChanged(this);
    }
}

void TJPEGImage::SetCompressionQuality(std::uint8_t value)
{
    m_compressionQuality = std::clamp<std::uint8_t>(value, 1, 100);
}

void TJPEGImage::SetGrayscale(bool value)
{
    if (value != m_grayscale) {
        m_grayscale = value;
        DecodeSettingChanged();
    }
}

void TJPEGImage::SetPerformance(TJPEGPerformance value)
{
    if (value != m_performance) {
        m_performance = value;
        DecodeSettingChanged();
    }
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value)
{
    if (value != m_pixelFormat) {
        m_pixelFormat = value;
        DecodeSettingChanged();
    }
}

void TJPEGImage::SetProgressiveDisplay(bool value) { m_progressiveDisplay = value; }

void TJPEGImage::SetScale(TJPEGScale value)
{
    if (value != m_scale) {
        m_scale = value;
        DecodeSettingChanged();
    }
}

void TJPEGImage::SetSmoothing(bool value)
{
    if (value != m_smoothing) {
        m_smoothing = value;
        DecodeSettingChanged();
    }
}

namespace {

struct JPEGRegistration {
    JPEGRegistration()
    {
        if (ScreenBitsPerPixel() <= 8)
            JPEGDefaults().PixelFormat = jf8Bit;
        TPicture::RegisterExtension("jpeg", LoadResString(TextId::JpegFileDescription), TJPEGImage::StaticClass());
        TPicture::RegisterExtension("jpg", LoadResString(TextId::JpegFileDescription), TJPEGImage::StaticClass());
    }
    ~JPEGRegistration() { TPicture::UnregisterGraphic(TJPEGImage::StaticClass()); }
    JPEGRegistration(const JPEGRegistration&) = delete;
    JPEGRegistration& operator=(const JPEGRegistration&) = delete;
};

}

void RegisterJPEGGraphic() { static const JPEGRegistration registration; }
