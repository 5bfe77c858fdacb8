#include "graphics/IconFile.h"

#include "graphics/GdiHandles.h"
#include "graphics/LittleEndian.h"
#include "runtime/Exceptions.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t HeaderBytes = 6;
constexpr std::size_t EntryBytes = 16;
constexpr std::size_t InfoHeaderBytes = sizeof(BITMAPINFOHEADER); // 40

// Bytes in one row of a bitmap, padded to a multiple of 4.
std::uint64_t RowBytes(std::uint64_t width, std::uint64_t bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

// A header with room for the largest colour table an icon image can have.
struct TIconBitmapInfo {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[256];

    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

// The bits of a device-dependent bitmap as GetBitmapBits gives them.
AnsiString BitmapBits(HBITMAP bitmap, BITMAP& description)
{
    if (GetObjectA(bitmap, sizeof description, &description) < static_cast<int>(sizeof description))
        InvalidIcon();
    std::size_t size =
        static_cast<std::size_t>(description.bmWidthBytes) * static_cast<std::size_t>(description.bmHeight);
    AnsiString bits(size, '\0');
    if (size != 0 && GetBitmapBits(bitmap, static_cast<LONG>(size), bits.data()) == 0)
        GdiError();
    return bits;
}

// The rows of a bitmap in the given depth, bottom-up as an icon stores them; INFO gets
// the header and colour table they were read with.
AnsiString ReadRows(HDC screen, HBITMAP bitmap, int width, int height, int bitsPerPixel, TIconBitmapInfo& info)
{
    std::memset(&info, 0, sizeof info);
    info.Header.biSize = InfoHeaderBytes;
    info.Header.biWidth = width;
    info.Header.biHeight = height;
    info.Header.biPlanes = 1;
    info.Header.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.Header.biCompression = BI_RGB;
    info.Header.biClrUsed = 1u << bitsPerPixel;
    AnsiString rows(static_cast<std::size_t>(RowBytes(width, bitsPerPixel) * height), '\0');
    if (GetDIBits(screen, bitmap, 0, height, rows.data(), info.Info(), DIB_RGB_COLORS) == 0)
        GdiError();
    return rows;
}

// Copies a bitmap into a new one of the given size, stretching as needed. The new
// bitmap is monochrome when asked, otherwise compatible with the screen.
TGdiBitmap CopyStretched(
    HDC screen, HBITMAP source, int sourceWidth, int sourceHeight, int sourceTop, SIZE size, bool monochrome)
{
    TGdiBitmap target(
        monochrome ? CreateBitmap(size.cx, size.cy, 1, 1, nullptr) : CreateCompatibleBitmap(screen, size.cx, size.cy));
    if (!target)
        GdiError();
    TMemoryDC from(screen);
    TMemoryDC to(screen);
    TSelectObject selectSource(from, source);
    TSelectObject selectTarget(to, target.Get());
    SetStretchBltMode(to, COLORONCOLOR);
    if (!StretchBlt(to, 0, 0, size.cx, size.cy, from, 0, sourceTop, sourceWidth, sourceHeight, SRCCOPY))
        GdiError();
    return target;
}

}

void InvalidIcon() { throw EInvalidGraphic(Exception::ResText(TextId::IconInvalid)); }

TIconFileHeader ReadIconHeader(const AnsiString& ico)
{
    if (ico.size() < HeaderBytes)
        InvalidIcon();
    TIconFileHeader header;
    header.Reserved = Word(ico, 0);
    header.Type = Word(ico, 2);
    header.Count = Word(ico, 4);
    return header;
}

std::vector<TIconDirEntry> ReadIconDirectory(const AnsiString& ico)
{
    TIconFileHeader header = ReadIconHeader(ico);
    if (ico.size() < HeaderBytes + EntryBytes * header.Count)
        InvalidIcon();
    std::vector<TIconDirEntry> entries(header.Count);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::size_t at = HeaderBytes + EntryBytes * i;
        TIconDirEntry& entry = entries[i];
        entry.Width = static_cast<std::uint8_t>(ico[at]);
        entry.Height = static_cast<std::uint8_t>(ico[at + 1]);
        entry.ColorCount = static_cast<std::uint8_t>(ico[at + 2]);
        entry.Reserved = static_cast<std::uint8_t>(ico[at + 3]);
        entry.Planes = Word(ico, at + 4);
        entry.BitCount = Word(ico, at + 6);
        entry.BytesInRes = Dword(ico, at + 8);
        entry.ImageOffset = Dword(ico, at + 12);
    }
    return entries;
}

std::uint64_t ScreenColours()
{
    TScreenDC screen;
    int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    return bits <= 8 ? std::uint64_t(1) << bits : UnlimitedColours;
}

std::size_t ChooseIconEntry(const std::vector<TIconDirEntry>& entries, SIZE target, std::uint64_t screenColours)
{
    if (entries.empty())
        InvalidIcon();
    auto colours = [](const TIconDirEntry& entry) {
        return entry.ColorCount == 0 ? UnlimitedColours : std::uint64_t(entry.ColorCount);
    };
    // Closer (or as close) in one dimension, and not larger where the old one was smaller.
    auto closer = [](int newSize, int oldSize, int targetSize) {
        int newDiff = newSize - targetSize;
        int oldDiff = oldSize - targetSize;
        return std::abs(newDiff) <= std::abs(oldDiff) && !(newDiff > 0 && newDiff > oldDiff);
    };
    std::size_t best = 0;
    std::uint64_t bestColours = colours(entries[0]);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const TIconDirEntry& entry = entries[i];
        std::uint64_t count = colours(entry);
        if (count <= screenColours && count >= bestColours && closer(entry.Width, entries[best].Width, target.cx)
            && closer(entry.Height, entries[best].Height, target.cy)) {
            best = i;
            bestColours = count;
        }
    }
    return best;
}

SIZE IconEntrySize(const TIconDirEntry& entry)
{
    return SIZE { entry.Width == 0 ? 256 : entry.Width, entry.Height == 0 ? 256 : entry.Height };
}

HICON CreateIconFromImage(const AnsiString& ico, const TIconDirEntry& entry, SIZE size)
{
    // The image must lie wholly inside the file.
    std::uint64_t end = std::uint64_t(entry.ImageOffset) + entry.BytesInRes;
    if (end > ico.size() || entry.BytesInRes < InfoHeaderBytes)
        InvalidIcon();
    const char* image = ico.data() + entry.ImageOffset;
    std::uint64_t imageBytes = entry.BytesInRes;

    TIconBitmapInfo info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(&info.Header, image, InfoHeaderBytes);
    BITMAPINFOHEADER& header = info.Header;
    const WORD bits = header.biBitCount;
    if (header.biSize != InfoHeaderBytes || header.biWidth <= 0 || header.biHeight < 2 || header.biPlanes != 1
        || header.biCompression != BI_RGB
        || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
        InvalidIcon();

    // Header height counts colour image and mask together.
    const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
    const std::uint64_t height = static_cast<std::uint64_t>(header.biHeight) / 2;
    const std::uint64_t tableBytes = bits <= 8 ? (std::uint64_t(1) << bits) * sizeof(RGBQUAD) : 0;
    const std::uint64_t colourBytes = RowBytes(width, bits) * height;
    const std::uint64_t maskBytes = RowBytes(width, 1) * height;
    if (InfoHeaderBytes + tableBytes + colourBytes + maskBytes > imageBytes)
        InvalidIcon();
    std::memcpy(info.Colors, image + InfoHeaderBytes, static_cast<std::size_t>(tableBytes));
    const char* colourRows = image + InfoHeaderBytes + tableBytes;
    const char* maskRows = colourRows + colourBytes;

    // The colour table is always the full 2^bits entries; counts the file may carry
    // are not trusted.
    header.biHeight = static_cast<LONG>(height);
    header.biSizeImage = 0;
    header.biClrUsed = 0;
    header.biClrImportant = 0;

    TScreenDC screen;
    TGdiBitmap colourSource(CreateDIBitmap(screen, &header, CBM_INIT, colourRows, info.Info(), DIB_RGB_COLORS));
    if (!colourSource)
        GdiError();
    TGdiBitmap colour =
        CopyStretched(screen, colourSource.Get(), static_cast<int>(width), static_cast<int>(height), 0, size, false);

    header.biBitCount = 1;
    std::memset(info.Colors, 0, sizeof info.Colors);
    info.Colors[1] = RGBQUAD { 0xFF, 0xFF, 0xFF, 0 };
    TGdiBitmap maskSource(CreateDIBitmap(screen, &header, CBM_INIT, maskRows, info.Info(), DIB_RGB_COLORS));
    if (!maskSource)
        GdiError();
    TGdiBitmap mask =
        CopyStretched(screen, maskSource.Get(), static_cast<int>(width), static_cast<int>(height), 0, size, true);

    BITMAP colourDescription {};
    BITMAP maskDescription {};
    AnsiString colourBits = BitmapBits(colour.Get(), colourDescription);
    AnsiString maskBits = BitmapBits(mask.Get(), maskDescription);
    HICON icon = CreateIcon(GetModuleHandleA(nullptr), size.cx, size.cy, static_cast<BYTE>(colourDescription.bmPlanes),
        static_cast<BYTE>(colourDescription.bmBitsPixel), reinterpret_cast<const BYTE*>(maskBits.data()),
        reinterpret_cast<const BYTE*>(colourBits.data()));
    if (!icon)
        GdiError();
    return icon;
}

HICON StockApplicationIcon()
{
    static const HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
    return icon;
}

HICON CreateIconFromIco(const AnsiString& ico, SIZE requested, SIZE& chosen)
{
    chosen = SIZE { 0, 0 };
    TIconFileHeader header = ReadIconHeader(ico);
    if (header.Type == IconTypeStockApplication)
        return StockApplicationIcon();
    if (header.Type != IconTypeIcon)
        InvalidIcon();
    std::vector<TIconDirEntry> entries = ReadIconDirectory(ico);
    SIZE target = requested;
    if (target.cx == 0 && target.cy == 0)
        target = SIZE { GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON) };
    const TIconDirEntry& entry = entries[ChooseIconEntry(entries, target, ScreenColours())];
    SIZE size = IconEntrySize(entry);
    HICON icon = CreateIconFromImage(ico, entry, size);
    chosen = size;
    return icon;
}

AnsiString StockApplicationIco() { return AnsiString(HeaderBytes, '\0'); }

AnsiString IconHandleToIco(HICON icon)
{
    ICONINFO iconInfo {};
    GetIconInfo(icon, &iconInfo);
    // GetIconInfo hands out copies of the icon's bitmaps: they are ours to delete.
    TGdiBitmap colour(iconInfo.hbmColor);
    TGdiBitmap mask(iconInfo.hbmMask);
    if (!mask)
        InvalidIcon();

    TScreenDC screen;
    if (!colour) {
        // A monochrome icon keeps its image under the mask in one bitmap of twice
        // the height: the mask on top, the image below.
        BITMAP both {};
        if (GetObjectA(mask.Get(), sizeof both, &both) < static_cast<int>(sizeof both) || both.bmHeight < 2)
            InvalidIcon();
        SIZE half { both.bmWidth, both.bmHeight / 2 };
        colour = CopyStretched(screen, mask.Get(), half.cx, half.cy, half.cy, half, false);
        mask = CopyStretched(screen, mask.Get(), half.cx, half.cy, 0, half, true);
    }

    BITMAP colourDescription {};
    if (GetObjectA(colour.Get(), sizeof colourDescription, &colourDescription)
        < static_cast<int>(sizeof colourDescription))
        InvalidIcon();
    const int width = colourDescription.bmWidth;
    const int height = colourDescription.bmHeight;

    TIconBitmapInfo colourInfo;
    const AnsiString colourRows = ReadRows(screen, colour.Get(), width, height, 4, colourInfo);
    TIconBitmapInfo maskInfo;
    const AnsiString maskRows = ReadRows(screen, mask.Get(), width, height, 1, maskInfo);
    const std::size_t colourBytes = colourRows.size();
    const std::size_t maskBytes = maskRows.size();

    AnsiString out;
    PutWord(out, 0);
    PutWord(out, IconTypeIcon);
    PutWord(out, 1);
    out.push_back(static_cast<char>(width & 0xFF));
    out.push_back(static_cast<char>(height & 0xFF));
    out.push_back(16);
    out.push_back(0);
    PutWord(out, 0);
    PutWord(out, 0);
    PutDword(out, static_cast<std::uint32_t>(InfoHeaderBytes + 16 * sizeof(RGBQUAD) + colourBytes + maskBytes));
    PutDword(out, static_cast<std::uint32_t>(HeaderBytes + EntryBytes));

    BITMAPINFOHEADER written = colourInfo.Header;
    written.biHeight = height * 2;
    out.append(reinterpret_cast<const char*>(&written), InfoHeaderBytes);
    out.append(reinterpret_cast<const char*>(colourInfo.Colors), 16 * sizeof(RGBQUAD));
    out += colourRows;
    out += maskRows;
    return out;
}
