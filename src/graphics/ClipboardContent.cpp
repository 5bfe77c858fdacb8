#include "graphics/ClipboardContent.h"

#include "graphics/GdiHandles.h"

#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <cstring>
#include <utility>

namespace {

// A copy that cannot be made for lack of memory ends the taking before the clipboard is
// touched: dropping the format would lose that part of the user's content once the
// clipboard is emptied.
HGLOBAL AllocateCopy(SIZE_T size)
{
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy)
        throw EOutOfMemory(Exception::ResText(TextId::OutOfMemory));
    return copy;
}

// Handles in these ranges mean something only to the program that put them there, and
// owner-display content is drawn by its owner on request: none of them can be copied.
bool CannotBeCopied(UINT format)
{
    return format == CF_OWNERDISPLAY || (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST)
        || (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

HGLOBAL CopyMemoryBlock(HANDLE source)
{
    SIZE_T size = GlobalSize(source);
    if (size == 0)
        return nullptr;
    const void* from = GlobalLock(source);
    if (!from)
        return nullptr;
    ScopeExit unlock([source] { GlobalUnlock(source); });
    HGLOBAL copy = AllocateCopy(size);
    std::memcpy(GlobalLock(copy), from, size);
    GlobalUnlock(copy);
    return copy;
}

HPALETTE CopyPalette(HPALETTE source)
{
    UINT count = GetPaletteEntries(source, 0, 0, nullptr);
    if (count == 0)
        return nullptr;
    std::vector<char> record(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(record.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    GetPaletteEntries(source, 0, count, palette->palPalEntry);
    return CreatePalette(palette);
}

// A memory block holding a METAFILEPICT record, whose metafile handle is copied too.
HGLOBAL CopyMetafilePicture(HANDLE source)
{
    if (GlobalSize(source) < sizeof(METAFILEPICT))
        return nullptr;
    auto* from = static_cast<const METAFILEPICT*>(GlobalLock(source));
    if (!from)
        return nullptr;
    METAFILEPICT record = *from;
    GlobalUnlock(source);
    record.hMF = CopyMetaFileA(record.hMF, nullptr);
    if (!record.hMF)
        return nullptr;
    // The metafile's copy is the record's once the record exists.
    ScopeExit dropMetafile([&record] { DeleteMetaFile(record.hMF); });
    HGLOBAL copy = AllocateCopy(sizeof record);
    dropMetafile.Dismiss();
    std::memcpy(GlobalLock(copy), &record, sizeof record);
    GlobalUnlock(copy);
    return copy;
}

}

TClipboardContent::~TClipboardContent() { FreeAll(); }

TClipboardContent::TClipboardContent(TClipboardContent&& other) noexcept : m_formats(std::exchange(other.m_formats, {}))
{
}

TClipboardContent& TClipboardContent::operator=(TClipboardContent&& other) noexcept
{
    if (this != &other) {
        FreeAll();
        m_formats = std::exchange(other.m_formats, {});
    }
    return *this;
}

TClipboardContent TClipboardContent::Take()
{
    TClipboardContent content;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        if (CannotBeCopied(format))
            continue;
        // Asks the owner to render a format it promised only now, as a paste would.
        HANDLE data = GetClipboardData(format);
        if (!data)
            continue;
        Copy copy { format, Kind::Memory, nullptr };
        switch (format) {
        case CF_BITMAP:
        case CF_DSPBITMAP:
            copy.kind = Kind::Bitmap;
            copy.data = CopyImage(data, IMAGE_BITMAP, 0, 0, 0);
            break;
        case CF_PALETTE:
            copy.kind = Kind::Palette;
            copy.data = CopyPalette(static_cast<HPALETTE>(data));
            break;
        case CF_ENHMETAFILE:
        case CF_DSPENHMETAFILE:
            copy.kind = Kind::EnhMetafile;
            copy.data = CopyEnhMetaFileA(static_cast<HENHMETAFILE>(data), nullptr);
            break;
        case CF_METAFILEPICT:
        case CF_DSPMETAFILEPICT:
            copy.kind = Kind::MetafilePicture;
            copy.data = CopyMetafilePicture(data);
            break;
        default: copy.data = CopyMemoryBlock(data); break;
        }
        if (copy.data) {
            ScopeExit dropCopy([&copy] { Free(copy); });
            content.m_formats.push_back(copy);
            dropCopy.Dismiss();
        }
    }
    return content;
}

void TClipboardContent::PutBack()
{
    std::vector<Copy> formats = std::exchange(m_formats, {});
    for (Copy& copy : formats) {
        if (!SetClipboardData(copy.format, copy.data))
            Free(copy);
        copy.data = nullptr;
    }
}

std::vector<UINT> TClipboardContent::Formats() const
{
    std::vector<UINT> formats;
    for (const Copy& copy : m_formats)
        formats.push_back(copy.format);
    return formats;
}

void TClipboardContent::Free(Copy& copy)
{
    if (!copy.data)
        return;
    switch (copy.kind) {
    case Kind::Bitmap:
    case Kind::Palette: {
        TGdiObject<HGDIOBJ> owned(copy.data);
        break;
    }
    case Kind::EnhMetafile: DeleteEnhMetaFile(static_cast<HENHMETAFILE>(copy.data)); break;
    case Kind::MetafilePicture:
        if (auto* record = static_cast<METAFILEPICT*>(GlobalLock(copy.data))) {
            DeleteMetaFile(record->hMF);
            GlobalUnlock(copy.data);
        }
        GlobalFree(copy.data);
        break;
    case Kind::Memory: GlobalFree(copy.data); break;
    }
    copy.data = nullptr;
}

void TClipboardContent::FreeAll()
{
    for (Copy& copy : m_formats)
        Free(copy);
    m_formats.clear();
}
