// TButtonGlyph: the face of a speed button, its optional glyph image and its caption
// laid out together. The images made for the button states live in image lists of
// the common controls that all glyphs of one size share.
#pragma once

#include "graphics/Colors.h"
#include "runtime/AnsiString.h"
#include "runtime/Events.h"

#include <memory>

#include <windows.h>
#include <commctrl.h>

class TBitmap;
class TCanvas;

enum TButtonLayout { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };
// Drawing states of a button: up, disabled, pressed, held down in a group.
enum TButtonState { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3 };

class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    // The image strip; assigning one drops the images made so far and takes the
    // number of images from its shape (width a multiple of height, fewer than 5).
    TBitmap* Glyph() const { return m_original.get(); }
    void SetGlyph(TBitmap* value);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int value);
    TColor TransparentColor() const { return m_transparentColor; }

    // Drops the images made so far (after a change of the system colours).
    void Invalidate();
    // Makes the image of the state now, if it is not made yet.
    void PrepareState(TButtonState state);

    // Lays glyph and caption out in the face and draws them; returns the text's rectangle.
    RECT Draw(TCanvas* canvas, const RECT& client, POINT offset, const AnsiString& caption, TButtonLayout layout,
        int margin, int spacing, TButtonState state, bool transparent, UINT textFlags);
    // The layout alone: where glyph and text go in the face.
    void CalcLayout(TCanvas* canvas, const RECT& client, POINT offset, const AnsiString& caption, TButtonLayout layout,
        int margin, int spacing, POINT& glyphPos, RECT& textBounds, UINT textFlags);

    // Called when the glyph changes.
    TNotifyEvent OnChange;

private:
    // Index of the state's image in the shared list (made on first use), or -1.
    int CreateButtonGlyph(TButtonState state);
    void DrawButtonGlyph(TCanvas* canvas, POINT at, TButtonState state, bool transparent);
    void DrawButtonText(TCanvas* canvas, const AnsiString& caption, RECT bounds, TButtonState state, UINT textFlags);
    void GlyphChanged();
    SIZE ImageSize() const;

    std::unique_ptr<TBitmap> m_original;
    int m_numGlyphs = 1;
    TColor m_transparentColor = 0x008080;
    int m_indexes[4] = { -1, -1, -1, -1 };
    HIMAGELIST m_list = nullptr; // the shared list of this glyph's size, while it has images there
};
