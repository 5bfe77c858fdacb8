// Shared font, pen and brush records: all graphics objects with equal attributes
// refer to one record and so to one system handle, created on first use and deleted
// with the last reference.
#pragma once

#include "graphics/Colors.h"
#include "runtime/AnsiString.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include <windows.h>

class TBitmap;
class TGraphicsObject;

// Attribute data of the three kinds. Records are compared byte for byte, so every
// byte (padding and the bytes after a name's last character) must be set.
#pragma pack(push, 1)
struct TFontData {
    HFONT Handle;
    std::int32_t Height;
    std::uint8_t Pitch;
    std::uint8_t Style;
    std::uint8_t Charset;
    std::uint8_t NameLength;
    char Name[31];
    std::uint8_t Reserved;
};
struct TPenData {
    HPEN Handle;
    TColor Color;
    std::int32_t Width;
    std::uint8_t Style;
    std::uint8_t Reserved[3];
};
struct TBrushData {
    HBRUSH Handle;
    TColor Color;
    TBitmap* Bitmap;
    std::uint8_t Style;
    std::uint8_t Reserved[3];
};
#pragma pack(pop)
// The 32-bit program's record sizes; the handle and pointer fields grow on x86-64.
static_assert(sizeof(void*) != 4 || (sizeof(TFontData) == 44 && sizeof(TPenData) == 16 && sizeof(TBrushData) == 16));

// One shared record: reference count, system handle (or none), hash code and a copy
// of the attribute data.
struct TResource {
    static constexpr std::size_t MaxDataSize = sizeof(TFontData);

    std::unique_ptr<TResource> Next;
    LONG RefCount = 0;
    HGDIOBJ Handle = nullptr;
    std::uint16_t HashCode = 0;
    unsigned char Data[MaxDataSize] = {};

    template<typename T> T DataAs() const
    {
        static_assert(sizeof(T) <= MaxDataSize);
        T value;
        std::memcpy(&value, Data, sizeof value);
        return value;
    }
};

class TResourceManager {
public:
    explicit TResourceManager(std::size_t dataSize);
    ~TResourceManager();
    TResourceManager(const TResourceManager&) = delete;
    TResourceManager& operator=(const TResourceManager&) = delete;

    // The 16-bit hash of attribute data: per byte, rotate left by 5, then XOR the byte.
    static std::uint16_t Hash(const void* data, std::size_t size);

    // The record holding these attributes (made when there is none), with one more
    // reference.
    TResource* AllocResource(const void* data);
    // Drops one reference; the last one deletes the handle and the record.
    void FreeResource(TResource* resource);
    // Gives the object the record for the data, notifying it when the record differs.
    void ChangeResource(TGraphicsObject* object, const void* data);
    // Gives the object another object's record.
    void AssignResource(TGraphicsObject* object, TResource* resource);

    void Lock() { EnterCriticalSection(&m_lock); }
    void Unlock() { LeaveCriticalSection(&m_lock); }

    // Deletes the handles of records whose colour (the field after the handle) is a
    // system colour, so they are made again with the current system colours.
    void FreeSystemColorHandles();

    std::size_t DataSize() const { return m_dataSize; }
    // Number of records in the list (for checks).
    std::size_t Count();

private:
    std::unique_ptr<TResource> m_head;
    std::size_t m_dataSize;
    CRITICAL_SECTION m_lock;
};

// The process-wide managers, made on first use. They live until the process ends, so
// that graphics objects destroyed late at exit still find them.
TResourceManager& FontManager();
TResourceManager& PenManager();
TResourceManager& BrushManager();

// The screen's vertical logical pixels per inch.
int ScreenLogPixels();
// Attributes of a new font: "MS Sans Serif" 8 points, or on a Japanese system
// "ＭＳ Ｐゴシック" 9 points with the Shift-JIS character set.
const TFontData& DefaultFontData();
const TPenData& DefaultPenData();
const TBrushData& DefaultBrushData();
// The face name used for a font named "Default".
AnsiString DefaultFontName();

// Stock objects a canvas selects while its own are not valid.
HGDIOBJ StockPen();
HGDIOBJ StockBrush();
HGDIOBJ StockFont();
