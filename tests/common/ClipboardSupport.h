// The clipboard as other programs use it: a second process that holds it open or puts
// a user's content there, and the clipboard's content read out as bytes.
#pragma once

#include "runtime/AnsiString.h"

#include <utility>
#include <vector>

#include <windows.h>

// Another program that holds the clipboard open while this object lives, or for the
// given time only (counted from when it has the clipboard).
class ClipboardHolder {
public:
    explicit ClipboardHolder(DWORD holdMilliseconds = 0);
    ~ClipboardHolder();
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool Holding() const { return m_holding; }

private:
    HANDLE m_ready = nullptr;
    HANDLE m_release = nullptr;
    PROCESS_INFORMATION m_process {};
    bool m_holding = false;
};

// Another program puts a text with double-byte characters, a device-independent
// bitmap, a file list and a registered format on the clipboard and ends; false when it
// could not.
bool PutUserContentFromAnotherProgram();

// Each format on the clipboard in its order, with the bytes of its memory block (empty
// for bitmaps, palettes and metafiles, whose handles are no memory blocks).
using ClipboardBytes = std::vector<std::pair<UINT, AnsiString>>;
ClipboardBytes ReadClipboardBytes();
// The bytes of one format, or empty when the clipboard does not hold it.
AnsiString FormatBytes(const ClipboardBytes& content, UINT format);

// Puts the text on the clipboard, as the clipboard's owner or, when asked, from a
// window of its own that is gone afterwards, as another window would.
void PutClipboardText(const char* text, bool fromAWindowOfItsOwn = false);
