// A brush: shared colour, pattern bitmap and style.
#pragma once

#include "graphics/GraphicsObject.h"

enum class TBrushStyle : std::uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBrush : public TGraphicsObject {
public:
    SV_CLASS_NAME(TBrush)
    TBrush();

    void Assign(TPersistent* source) override;

    // The shared brush handle, made once per shared record. A pattern bitmap is made
    // device-dependent for it.
    HBRUSH Handle();

    TColor Color() const { return Data().Color; }
    // A colour set while the style is clear makes the brush solid again.
    void SetColor(TColor color);
    TBrushStyle Style() const { return static_cast<TBrushStyle>(Data().Style); }
    // Clear also makes the colour white.
    void SetStyle(TBrushStyle style);
    // The pattern bitmap (not owned); setting one starts from the default brush.
    TBitmap* Bitmap() const { return Data().Bitmap; }
    void SetBitmap(TBitmap* bitmap);

private:
    TBrushData Data() const { return Resource()->DataAs<TBrushData>(); }
};
