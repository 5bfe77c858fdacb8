// TImage: a windowless control that shows a picture, at its own size in the top-left
// corner, centred, or stretched over the whole control.
#pragma once

#include "frame/GraphicControl.h"
#include "graphics/Graphic.h"

#include <memory>

class TPicture;

class TImage : public TGraphicControl {
public:
    SV_CLASS_NAME(TImage)
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* Picture() const { return m_picture.get(); }
    void SetPicture(TPicture* value);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool value);
    bool Center() const { return m_center; }
    void SetCenter(bool value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value);
    bool IncrementalDisplay() const { return m_incrementalDisplay; }
    void SetIncrementalDisplay(bool value) { m_incrementalDisplay = value; }

    TProgressEvent OnProgress;

    // Where the picture is drawn, in client coordinates.
    RECT DestRect();

protected:
    void Paint() override;
    // The picture (or how it is shown) changed.
    void PictureChanged();
    void Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const RECT& rect,
        const AnsiString& message);

private:
    std::unique_ptr<TPicture> m_picture;
    bool m_stretch = false;
    bool m_center = false;
    bool m_transparent = false;
    bool m_autoSize = false;
    bool m_incrementalDisplay = false;
    bool m_drawing = false;
};
