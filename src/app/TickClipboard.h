// The tick's passage of the photo through the clipboard, which keeps whatever the user
// had copied: that content is taken before the photo goes on and put back when the
// tick is done with the clipboard, or when it fails on the way.
#pragma once

#include "graphics/ClipboardContent.h"

class TPicture;

class TTickClipboard {
public:
    // How long the tick waits for another program to let go of the clipboard.
    static constexpr DWORD Patience = 1000;

    TTickClipboard() = default;
    // Puts the user's content back if the tick failed before it did so itself; a
    // clipboard still held by another program then keeps the photo, as before.
    ~TTickClipboard();
    TTickClipboard(const TTickClipboard&) = delete;
    TTickClipboard& operator=(const TTickClipboard&) = delete;

    // Keeps the user's content, puts the picture on the clipboard (marked so that
    // clipboard history, cloud clipboard and clipboard managers leave it alone) and
    // reads it back into the picture, which then holds a bitmap.
    void PassThrough(TPicture* picture);
    // Empties the clipboard and puts the user's content back in its order; an empty
    // clipboard stays empty. The clipboard's error when another program keeps it.
    void GiveBack();

private:
    TClipboardContent m_user;
    bool m_taken = false;
    bool m_givenBack = false;
};
