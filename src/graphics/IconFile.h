// The Windows icon file: reading its directory, choosing the image that suits the
// screen, making a system icon from one image, and writing a system icon back as an
// icon file. Every length and offset is checked against the bytes before it is used;
// damaged files end in EInvalidGraphic "アイコンイメージが不正です".
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>
#include <vector>

#include <windows.h>

// Icon file types found in the 6-byte header.
enum : std::uint16_t {
    IconTypeStockApplication = 0, // stands for the system's application icon
    IconTypeIcon = 1,
};

struct TIconFileHeader {
    std::uint16_t Reserved = 0;
    std::uint16_t Type = 0;
    std::uint16_t Count = 0;
};

// One 16-byte directory entry.
struct TIconDirEntry {
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::uint8_t ColorCount = 0; // 0 = 256 colours or more
    std::uint8_t Reserved = 0;
    std::uint16_t Planes = 0;
    std::uint16_t BitCount = 0;
    std::uint32_t BytesInRes = 0;
    std::uint32_t ImageOffset = 0;
};

// Raises EInvalidGraphic "アイコンイメージが不正です".
[[noreturn]] void InvalidIcon();

// The header at the start of the bytes; a file shorter than 6 bytes is invalid.
TIconFileHeader ReadIconHeader(const AnsiString& ico);

// The header's count of directory entries, all of which must lie inside the bytes.
std::vector<TIconDirEntry> ReadIconDirectory(const AnsiString& ico);

// Colours the screen shows: 2^(bits per pixel x planes) up to 8 bits, above that
// "unlimited" (UnlimitedColours).
constexpr std::uint64_t UnlimitedColours = std::uint64_t(1) << 32;
std::uint64_t ScreenColours();

// Index of the entry that suits the target size and the screen's colours best:
// entry 0 unless a later one has no more colours than the screen, at least as many
// as the best so far, and a size at least as close to the target (not larger than
// the old one where that one was too small). Ties go to the later entry.
std::size_t ChooseIconEntry(const std::vector<TIconDirEntry>& entries, SIZE target, std::uint64_t screenColours);

// Makes a system icon of the given size from one image of the file (the entry's
// bytes: header, colour table, colour rows, mask rows). Invalid image data raises
// 65376; failing icon or bitmap creation is a GDI error.
HICON CreateIconFromImage(const AnsiString& ico, const TIconDirEntry& entry, SIZE size);

// The size an entry stands for: its width and height bytes, 0 meaning 256.
SIZE IconEntrySize(const TIconDirEntry& entry);

// The system's application icon, loaded once; shared, never destroyed by us.
HICON StockApplicationIcon();

// The system icon for a whole icon file: type 0 gives the stock application icon;
// type 1 the image chosen for the requested size (the system icon size when both
// coordinates are 0) and the screen's colours; any other type is invalid. The
// chosen image's size is returned in chosen (0, 0 for the stock icon).
HICON CreateIconFromIco(const AnsiString& ico, SIZE requested, SIZE& chosen);

// An icon file with one 16-colour image made from a system icon's colour and mask
// bitmaps.
AnsiString IconHandleToIco(HICON icon);

// The bytes that stand for the stock application icon: a header of type 0.
AnsiString StockApplicationIco();
