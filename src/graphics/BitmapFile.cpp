// Reading and writing the BMP format for the bitmap graphic: the 14-byte file header,
// the info header (or the 12-byte OS/2 core header), bit-field masks, the colour table
// and the pixel rows. Every length and count is checked against the bytes the data
// holds before anything is read or allocated.
#include "graphics/Bitmap.h"

#include "graphics/GdiHandles.h"
#include "graphics/LittleEndian.h"

#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(Exception::ResText(TextId::BitmapInvalid)); }

[[noreturn]] void ReadError() { throw EReadError(Exception::ResText(TextId::StreamReadError)); }

// Reads from a stream, never more than the bytes that belong to the bitmap.
class LimitedReader {
public:
    LimitedReader(TStream& stream, std::int64_t size) : m_stream(stream), m_left(size) {}

    void Read(void* buffer, std::int64_t count)
    {
        if (count < 0 || count > m_left)
            ReadError();
        m_stream.ReadBuffer(buffer, static_cast<std::int32_t>(count));
        m_left -= count;
    }
    template<typename T> T Get()
    {
        T value;
        Read(&value, sizeof value);
        return value;
    }
    std::int64_t Left() const { return m_left; }
    TStream& Stream() { return m_stream; }

private:
    TStream& m_stream;
    std::int64_t m_left;
};

std::int64_t LineLength(std::int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }

// A memory device context holding a 1 x 1 screen-compatible bitmap and, when given,
// a palette: what compressed pixels are decoded against.
class DecodeContext {
public:
    explicit DecodeContext(HPALETTE palette)
        : m_dc(TScreenDC())
        , m_bitmap(CreateCompatibleBitmap(TScreenDC(), 1, 1))
        , m_selected(m_dc, m_bitmap.Get())
        , m_palette(m_dc, palette, false)
    {
    }
    operator HDC() const { return m_dc; }

private:
    // Given back in the reverse order: the palette, the bitmap, then the context goes.
    TMemoryDC m_dc;
    TGdiBitmap m_bitmap;
    TSelectObject m_selected;
    TSelectPalette m_palette;
};

// Bitmap creation failed: the system's error when there is one, else an invalid image.
[[noreturn]] void CreationFailed()
{
    if (GetLastError() != 0)
        RaiseLastWin32Error();
    InvalidBitmap();
}

// The rows of a device-dependent bitmap of 24 or 32 bits, fetched
// band by band as a bottom-up DIB of the bitmap's own depth: the bytes its DIB copy
// would hold, written without making (and keeping) an image-sized copy. Any other
// image, or rows that cannot be fetched, leave it false: the DIB copy is taken.
class DeviceRows {
public:
    // On success describes the rows in dib as the DIB copy's description would.
    DeviceRows(const TBitmapImage& image, DIBSECTION& dib)
    {
        // A screen bitmap's description has no header at all: the header written is
        // then the DIB copy's, all of its other fields 0.
        static const BITMAPINFOHEADER none = {};
        BITMAP bm = {};
        if (!image.Handle || image.DIBHandle || image.SaveStream || image.OS2Format
            || std::memcmp(&image.DIB.dsBmih, &none, sizeof none) != 0
            || GetObjectA(image.Handle, sizeof bm, &bm) != sizeof bm || bm.bmBits)
            return;
        int bits = bm.bmPlanes * bm.bmBitsPixel;
        if ((bits != 24 && bits != 32) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
            return;
        std::int64_t line = LineLength(bm.bmWidth, bits);
        if (line * bm.bmHeight > 0x7FFFFFFF)
            return;
        m_handle = image.Handle;
        m_height = bm.bmHeight;
        m_line = static_cast<std::size_t>(line);
        m_band = static_cast<int>(std::clamp<std::int64_t>((std::int64_t(2) << 20) / line, 1, bm.bmHeight));
        m_info.biSize = sizeof m_info;
        m_info.biWidth = bm.bmWidth;
        m_info.biHeight = bm.bmHeight;
        m_info.biPlanes = 1;
        m_info.biBitCount = static_cast<WORD>(bits);
        m_info.biCompression = BI_RGB;
        m_rows.resize(m_line * static_cast<std::size_t>(m_band));
        DeselectBitmap(m_handle);
        // The first band now: when it cannot be had, nothing has been written yet.
        m_fetched = Fetch(0);
        if (!m_fetched)
            return;
        dib = DIBSECTION {};
        dib.dsBm = bm;
        dib.dsBm.bmBits = nullptr;
        dib.dsBmih = m_info;
    }
    explicit operator bool() const { return m_fetched > 0; }

    // Writes all rows, bottom row first. A band that cannot be fetched after the
    // first is a failure of the system's resources.
    void WriteTo(TStream& stream)
    {
        for (int start = 0; start < m_height;) {
            int count = start == 0 ? m_fetched : Fetch(start);
            if (count <= 0)
                GdiError();
            stream.WriteBuffer(m_rows.data(), static_cast<std::int32_t>(m_line * static_cast<std::size_t>(count)));
            start += count;
        }
    }

private:
    // Fetches the band of rows from start (counted from the bottom); the rows got.
    int Fetch(int start)
    {
        int count = std::min(m_band, m_height - start);
        TScreenDC screen;
        BITMAPINFO info = {};
        info.bmiHeader = m_info;
        int got = GetDIBits(
            screen, m_handle, static_cast<UINT>(start), static_cast<UINT>(count), m_rows.data(), &info, DIB_RGB_COLORS);
        return got == count ? got : 0;
    }

    HBITMAP m_handle = nullptr;
    int m_height = 0;
    std::size_t m_line = 0;
    int m_band = 0;
    int m_fetched = 0;
    BITMAPINFOHEADER m_info = {};
    std::vector<char> m_rows;
};

// The 14-byte file header, after the stored size when the caller keeps one: the
// signature "BM", the file's size, two reserved words and where the pixels start.
void PutFileHeader(AnsiString& out, bool withSize, std::uint32_t total, std::uint32_t bitsOffset)
{
    if (withSize)
        PutDword(out, total);
    PutWord(out, 0x4D42);
    PutDword(out, total);
    PutWord(out, 0);
    PutWord(out, 0);
    PutDword(out, bitsOffset);
}

}

void TBitmap::ReadStream(TStream& stream, std::int32_t size)
{
    FreeContext();
    if (size < 0)
        InvalidBitmap();
    if (size == 0) {
        SetImage(std::make_shared<TBitmapImage>());
        NotifyChanged(this);
        return;
    }
    // A count larger than what the stream holds: the data is cut short.
    if (size > stream.Size() - stream.Position())
        ReadError();
    BITMAPFILEHEADER header;
    if (size < static_cast<std::int32_t>(sizeof header))
        ReadError();
    std::int32_t start = stream.Position();
    stream.ReadBuffer(&header, sizeof header);
    if (header.bfType != 0x4D42)
        InvalidBitmap();
    ReadDIB(stream, size - static_cast<std::int32_t>(sizeof header));
    // Whatever the pixels left unread, the next data starts after the counted bytes.
    stream.SetPosition(start + size);
}

void TBitmap::ReadDIB(TStream& stream, std::int32_t size)
{
    LimitedReader reader(stream, size);
    std::uint32_t headerSize = reader.Get<std::uint32_t>();
    BITMAPINFOHEADER bi = {};
    bool os2 = false;
    DWORD masks[3] = {};
    AnsiString headerBytes;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        os2 = true;
        std::uint16_t core[4];
        reader.Read(core, sizeof core);
        bi.biWidth = core[0];
        bi.biHeight = core[1];
        bi.biPlanes = core[2];
        bi.biBitCount = core[3];
        bi.biSize = sizeof bi;
        headerSize = sizeof(BITMAPINFOHEADER);
    } else {
        // Width, height, planes and bit count must be there at least.
        if (headerSize < 16)
            InvalidBitmap();
        if (static_cast<std::int64_t>(headerSize) - 4 > reader.Left())
            ReadError();
        headerBytes.resize(headerSize);
        std::memcpy(headerBytes.data(), &headerSize, 4);
        reader.Read(headerBytes.data() + 4, headerSize - 4);
        std::memcpy(&bi, headerBytes.data(), std::min<std::size_t>(headerSize, sizeof bi));
        bi.biSize = sizeof bi;
        if (headerSize >= 52)
            std::memcpy(masks, headerBytes.data() + 40, sizeof masks);
    }

    // Run-length (and other) compressed data is kept as read, for writing back.
    std::unique_ptr<TMemoryStream> saved;
    std::unique_ptr<LimitedReader> savedReader;
    LimitedReader* in = &reader;
    if (bi.biCompression != BI_RGB && bi.biCompression != BI_BITFIELDS) {
        saved = std::make_unique<TMemoryStream>();
        saved->WriteBuffer(headerBytes.data(), static_cast<std::int32_t>(headerBytes.size()));
        if (reader.Left() > 0)
            saved->CopyFrom(stream, static_cast<std::int32_t>(reader.Left()));
        saved->SetPosition(static_cast<std::int32_t>(headerBytes.size()));
        savedReader = std::make_unique<LimitedReader>(*saved, saved->Size() - saved->Position());
        in = savedReader.get();
    }

    if (bi.biPlanes != 1)
        InvalidBitmap();
    // Every size is checked before anything is computed from it or set aside, whatever
    // the compression: a width and a height, and rows of at most 2 GB together. The
    // width is below 2^31 and the bit count below 2^16, so a row length cannot overflow.
    std::int64_t height = std::abs(static_cast<std::int64_t>(bi.biHeight));
    if (bi.biWidth <= 0 || height == 0)
        InvalidBitmap();
    std::int64_t lineLength = LineLength(bi.biWidth, bi.biBitCount);
    if (lineLength > 0 && height > 0x7FFFFFFF / lineLength)
        InvalidBitmap();
    std::int64_t sectionSize = lineLength * height;
    if (headerSize == sizeof(BITMAPINFOHEADER) && (bi.biBitCount == 16 || bi.biBitCount == 32)
        && bi.biCompression == BI_BITFIELDS)
        in->Read(masks, sizeof masks);

    std::int64_t colorCount = bi.biClrUsed;
    if (colorCount == 0)
        colorCount = bi.biBitCount == 1 ? 2 : bi.biBitCount == 4 ? 16 : bi.biBitCount == 8 ? 256 : 0;
    int entrySize = os2 ? 3 : 4;
    if (colorCount * entrySize > in->Left())
        ReadError();
    std::vector<RGBQUAD> colors(static_cast<std::size_t>(colorCount));
    for (auto& color : colors) {
        unsigned char entry[4] = {};
        in->Read(entry, entrySize);
        color = RGBQUAD { entry[0], entry[1], entry[2], entry[3] };
    }

    std::int64_t imageSize = bi.biSizeImage ? static_cast<std::int64_t>(bi.biSizeImage) : sectionSize;
    std::int64_t pixelBytes = std::min(imageSize, in->Left());

    // What the bitmap is created from: the header, masks or colours.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info = {};
    info.header = bi;
    info.header.biClrUsed = 0;
    int tableCount = 0;
    if (bi.biBitCount <= 8) {
        tableCount = static_cast<int>(std::min<std::int64_t>(colorCount, 1 << bi.biBitCount));
        std::copy(colors.begin(), colors.begin() + tableCount, info.colors);
        info.header.biClrUsed = static_cast<DWORD>(tableCount);
    } else if (bi.biCompression == BI_BITFIELDS) {
        // Missing masks get the usual ones, as they are written.
        DIBSECTION fields = {};
        fields.dsBmih = bi;
        std::memcpy(fields.dsBitfields, masks, sizeof masks);
        FixupBitFields(fields);
        std::memcpy(info.colors, fields.dsBitfields, sizeof masks);
    }

    // Both are the new image's once it is made, and deleted if it is not.
    TGdiBitmap handle;
    TGdiPalette palette;
    if (!saved) {
        if (bi.biWidth <= 0 || height == 0 || sectionSize <= 0 || sectionSize > 0x7FFFFFFF)
            InvalidBitmap();
        void* bits = nullptr;
        DWORD error = 0;
        {
            TScreenDC screen;
            SetLastError(0);
            handle.Reset(
                CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
            error = GetLastError();
        }
        if (!handle || !bits) {
            handle.Reset();
            SetLastError(error);
            CreationFailed();
        }
        in->Read(bits, std::min(pixelBytes, sectionSize));
        if (bi.biBitCount > 8 && !colors.empty())
            palette.Reset(PaletteFromColors(colors.data(), static_cast<int>(colors.size())));
    } else {
        std::vector<unsigned char> pixels(static_cast<std::size_t>(pixelBytes));
        in->Read(pixels.data(), pixelBytes);
        // The decoder never reads past the bytes that are there.
        info.header.biSizeImage = static_cast<DWORD>(pixelBytes);
        if (tableCount > 0)
            palette.Reset(PaletteFromColors(info.colors, tableCount));
        else if (!colors.empty())
            palette.Reset(PaletteFromColors(colors.data(), static_cast<int>(colors.size())));
        DecodeContext decode(palette.Get());
        SetLastError(0);
        if (!pixels.empty())
            handle.Reset(CreateDIBitmap(
                decode, &info.header, CBM_INIT, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS));
        if (!handle)
            CreationFailed();
    }

    auto image = std::make_shared<TBitmapImage>();
    GetObjectA(handle.Get(), sizeof image->DIB, &image->DIB);
    image->Handle = handle.Release();
    if (image->DIB.dsBm.bmBits)
        image->DIBHandle = image->Handle;
    if (image->DIBHandle)
        image->DIB.dsBmih.biHeight = bi.biHeight; // keeps top-down rows known as such
    image->DIB.dsBmih.biXPelsPerMeter = bi.biXPelsPerMeter;
    image->DIB.dsBmih.biYPelsPerMeter = bi.biYPelsPerMeter;
    image->DIB.dsBmih.biClrUsed = bi.biClrUsed;
    image->DIB.dsBmih.biClrImportant = bi.biClrImportant;
    image->Palette = palette.Release();
    if (saved) {
        saved->SetPosition(0);
        image->SaveStream = std::move(saved);
    }
    image->OS2Format = os2;
    FreeContext();
    SetImage(std::move(image));
    if (palette)
        SetPaletteModified(true);
    NotifyChanged(this);
}

void TBitmap::WriteStream(TStream& stream, bool withSize)
{
    if (m_image->SaveStream) {
        const AnsiString& data = m_image->SaveStream->Bytes();
        BITMAPINFOHEADER saved = {};
        std::memcpy(&saved, data.data(), std::min(data.size(), sizeof saved));
        std::int64_t entries = saved.biClrUsed;
        if (entries == 0 && saved.biBitCount <= 8)
            entries = std::int64_t(1) << saved.biBitCount;
        std::uint32_t total = static_cast<std::uint32_t>(14 + data.size());
        AnsiString out;
        PutFileHeader(out, withSize, total, static_cast<std::uint32_t>(14 + saved.biSize + 4 * entries));
        out += data;
        stream.WriteBuffer(out.data(), static_cast<std::int32_t>(out.size()));
        return;
    }

    const TBitmapImage& image = *m_image;
    DIBSECTION actual = {};
    DeviceRows device(image, actual);
    if (!device) {
        DIBNeeded();
        if (!image.DIBHandle || GetObjectA(image.DIBHandle, sizeof actual, &actual) < static_cast<int>(sizeof actual)
            || !actual.dsBm.bmBits) {
            if (withSize) {
                std::uint32_t zero = 0;
                stream.WriteBuffer(&zero, sizeof zero);
            }
            return;
        }
    }
    BITMAPINFOHEADER bi = actual.dsBmih;
    if (image.DIB.dsBm.bmBits == actual.dsBm.bmBits && image.DIB.dsBmih.biHeight < 0)
        bi.biHeight = -std::abs(bi.biHeight); // top-down rows, written as stored
    int bits = bi.biBitCount;
    std::int64_t imageSize = LineLength(bi.biWidth, bits) * std::abs(static_cast<std::int64_t>(bi.biHeight));

    RGBQUAD table[256];
    int count = 0;
    if (bits <= 8) {
        DeselectBitmap(image.DIBHandle);
        TMemoryDC dc(nullptr);
        TSelectObject selected(dc, image.DIBHandle);
        count = static_cast<int>(GetDIBColorTable(dc, 0, 256, table));
    }
    DWORD clrUsed = image.DIB.dsBmih.biClrUsed;
    if (count > 0 && clrUsed > 0 && static_cast<int>(clrUsed) < count)
        count = static_cast<int>(clrUsed);
    if (count == 0 && !image.OS2Format && image.Palette && !image.Halftone) {
        PALETTEENTRY entries[256];
        count = static_cast<int>(GetPaletteEntries(image.Palette, 0, 256, entries));
        for (int i = 0; i < count; ++i)
            table[i] = RGBQUAD { entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0 };
    }

    DIBSECTION masks = actual;
    FixupBitFields(masks);
    bool withMasks = !image.OS2Format && bits > 8 && (bi.biCompression & 3) != 0;
    std::int64_t headerSize;
    int os2Entries = 0;
    if (image.OS2Format) {
        os2Entries = bits <= 8 ? 1 << bits : 0;
        headerSize = 12 + 3 * os2Entries;
    } else {
        headerSize = 40 + (withMasks ? 12 : 0) + 4 * count;
    }
    std::uint32_t total = static_cast<std::uint32_t>(14 + headerSize + imageSize);

    AnsiString out;
    out.reserve(static_cast<std::size_t>(headerSize + 18));
    PutFileHeader(out, withSize, total, static_cast<std::uint32_t>(14 + headerSize));
    if (image.OS2Format) {
        PutDword(out, 12);
        PutWord(out, static_cast<std::uint16_t>(bi.biWidth));
        PutWord(out, static_cast<std::uint16_t>(bi.biHeight));
        PutWord(out, 1);
        PutWord(out, static_cast<std::uint16_t>(bits));
        for (int i = 0; i < os2Entries; ++i) {
            RGBQUAD c = i < count ? table[i] : RGBQUAD {};
            out += static_cast<char>(c.rgbBlue);
            out += static_cast<char>(c.rgbGreen);
            out += static_cast<char>(c.rgbRed);
        }
    } else {
        PutDword(out, 40);
        PutDword(out, static_cast<std::uint32_t>(bi.biWidth));
        PutDword(out, static_cast<std::uint32_t>(bi.biHeight));
        PutWord(out, 1);
        PutWord(out, static_cast<std::uint16_t>(bits));
        PutDword(out, bi.biCompression);
        PutDword(out, static_cast<std::uint32_t>(imageSize));
        PutDword(out, static_cast<std::uint32_t>(image.DIB.dsBmih.biXPelsPerMeter));
        PutDword(out, static_cast<std::uint32_t>(image.DIB.dsBmih.biYPelsPerMeter));
        PutDword(out, static_cast<std::uint32_t>(count));
        PutDword(out, std::min<std::uint32_t>(image.DIB.dsBmih.biClrImportant, static_cast<std::uint32_t>(count)));
        if (withMasks)
            for (DWORD mask : masks.dsBitfields)
                PutDword(out, mask);
        out.append(reinterpret_cast<const char*>(table), static_cast<std::size_t>(count) * sizeof(RGBQUAD));
    }
    stream.WriteBuffer(out.data(), static_cast<std::int32_t>(out.size()));
    if (device) {
        device.WriteTo(stream);
        return;
    }
    GdiFlush();
    stream.WriteBuffer(actual.dsBm.bmBits, static_cast<std::int32_t>(imageSize));
}
