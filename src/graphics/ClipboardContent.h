// A copy of what the clipboard holds, taken while it is open and put back later: the
// user's own content survives the program's passing use of the clipboard.
#pragma once

#include <cstddef>
#include <vector>

#include <windows.h>

class TClipboardContent {
public:
    TClipboardContent() = default;
    ~TClipboardContent();
    TClipboardContent(TClipboardContent&& other) noexcept;
    TClipboardContent& operator=(TClipboardContent&& other) noexcept;
    TClipboardContent(const TClipboardContent&) = delete;
    TClipboardContent& operator=(const TClipboardContent&) = delete;

    // Copies every format of the open clipboard whose data can be copied, in the
    // clipboard's order: memory blocks (texts, device-independent bitmaps, file lists,
    // registered formats), bitmaps, palettes and metafiles by their own copies.
    // Formats rendered on request are asked for now. Owner-display formats, private
    // handles and formats that yield no data are left out. EOutOfMemory "メモリが足りません"
    // when a format's copy cannot be allocated: nothing is kept then, and the caller has
    // not emptied the clipboard yet.
    static TClipboardContent Take();

    // Puts the copies on the open, emptied clipboard in their order; the clipboard owns
    // them from then on. A copy the clipboard refuses is freed and skipped.
    void PutBack();

    bool Empty() const { return m_formats.empty(); }
    std::size_t Count() const { return m_formats.size(); }
    // The formats kept, in their order.
    std::vector<UINT> Formats() const;

private:
    enum class Kind { Memory, Bitmap, Palette, EnhMetafile, MetafilePicture };
    struct Copy {
        UINT format;
        Kind kind;
        HANDLE data;
    };
    static void Free(Copy& copy);
    void FreeAll();

    std::vector<Copy> m_formats;
};
