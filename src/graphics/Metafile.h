// The metafile graphic: registered for .wmf and .emf files and the metafile
// clipboard formats so that those keys are known, but it holds no image: it is
// always empty and cannot read metafile content.
#pragma once

#include "graphics/Graphic.h"

class TMetafile : public TGraphic {
public:
    SV_GRAPHIC_CLASS(TMetafile, TGraphic)

    void Assign(TPersistent* source) override;
    void Render(TCanvas* canvas, const RECT& rect) override;
    bool Empty() const override { return true; }
    int Height() const override { return 0; }
    int Width() const override { return 0; }
    void SetHeight(int value) override;
    void SetWidth(int value) override;
    // Metafile content is not supported: EInvalidGraphic "画像フォーマットが不正です".
    void LoadStream(TStream& stream) override;
    // Writes nothing: there is no image.
    void SaveStream(TStream& stream) override;
    void LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette) override;
    // Leaves the outputs as the caller set them: there is nothing to give.
    void SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette) override;
};
