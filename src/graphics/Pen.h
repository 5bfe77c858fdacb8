// A pen: shared colour, width and style, and its own drawing mode.
#pragma once

#include "graphics/GraphicsObject.h"

enum class TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TPenMode : std::uint8_t {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

// The raster operation (SetROP2) of a pen mode.
int PenModeToROP2(TPenMode mode);

class TPen : public TGraphicsObject {
public:
    SV_CLASS_NAME(TPen)
    TPen();

    void Assign(TPersistent* source) override;

    // The shared pen handle, made once per shared record.
    HPEN Handle();

    TColor Color() const { return Data().Color; }
    void SetColor(TColor color);
    std::int32_t Width() const { return Data().Width; }
    // A negative width is ignored.
    void SetWidth(std::int32_t width);
    TPenStyle Style() const { return static_cast<TPenStyle>(Data().Style); }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode mode);

private:
    TPenData Data() const { return Resource()->DataAs<TPenData>(); }

    TPenMode m_mode = TPenMode::pmCopy;
};
