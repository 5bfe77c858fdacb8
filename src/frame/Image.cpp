#include "frame/Image.h"

#include "runtime/ClassInfo.h"
#include "frame/WinControl.h"
#include "graphics/Canvas.h"
#include "graphics/Icon.h"
#include "graphics/Metafile.h"
#include "graphics/Picture.h"
#include "runtime/ScopeGuard.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner), m_picture(std::make_unique<TPicture>())
{
    m_width = 105;
    m_height = 105;
    m_picture->SetOnChange([this](TObject*) { PictureChanged(); });
    m_picture->SetOnProgress(
        [this](TObject* sender, TProgressStage stage, std::uint8_t percent, bool redraw, const RECT& rect,
            const AnsiString& message) { Progress(sender, stage, percent, redraw, rect, message); });
}

TImage::~TImage()
{
    m_picture->SetOnChange(nullptr);
    m_picture->SetOnProgress(nullptr);
}

void TImage::SetPicture(TPicture* value) { m_picture->Assign(value); }

void TImage::SetStretch(bool value)
{
    if (m_stretch == value)
        return;
    m_stretch = value;
    PictureChanged();
}

void TImage::SetCenter(bool value)
{
    if (m_center == value)
        return;
    m_center = value;
    PictureChanged();
}

void TImage::SetTransparent(bool value)
{
    if (m_transparent == value)
        return;
    m_transparent = value;
    PictureChanged();
}

void TImage::SetAutoSize(bool value)
{
    m_autoSize = value;
    if (value)
        PictureChanged();
}

RECT TImage::DestRect()
{
    if (m_stretch)
        return ClientRect();
    int width = m_picture->Width();
    int height = m_picture->Height();
    if (m_center) {
        int left = (m_width - width) / 2;
        int top = (m_height - height) / 2;
        return { left, top, left + width, top + height };
    }
    return { 0, 0, width, height };
}

void TImage::Paint()
{
    TGraphic* graphic = m_picture->Graphic();
    if (!graphic)
        return;
    RECT rect = DestRect();
    m_drawing = true;
    ScopeExit drawn([this] { m_drawing = false; });
    Canvas()->StretchDraw(rect, graphic);
}

void TImage::PictureChanged()
{
    if (m_autoSize && m_picture->Width() > 0 && m_picture->Height() > 0)
        SetBounds(m_left, m_top, m_picture->Width(), m_picture->Height());
    TGraphic* graphic = m_picture->Graphic();
    bool opaque = false;
    if (graphic) {
        if (!graphic->InheritsFrom(TMetafile::StaticClass()) && !graphic->InheritsFrom(TIcon::StaticClass()))
            graphic->SetTransparent(m_transparent);
        opaque =
            !graphic->Transparent() && (m_stretch || (graphic->Width() >= m_width && graphic->Height() >= m_height));
        // On true-colour displays a palette change needs no realising.
        graphic->SetPaletteModified(false);
    }
    if (opaque)
        m_controlStyle |= csOpaque;
    else
        m_controlStyle &= ~csOpaque;
    if (!m_drawing)
        Invalidate();
}

void TImage::Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const RECT& rect,
    const AnsiString& message)
{
    if (m_incrementalDisplay && redrawNow && m_parent && m_parent->HandleAllocated()) {
        // Paint now what the graphic has so far.
        Invalidate();
        m_parent->Update();
    }
    if (OnProgress)
        OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

static const TClassRegistration<TImage> imageInfo("TImage", [](TClassBuilder<TImage>& c) {
    c.Parent<TGraphicControl>();
    c.Constructor();
    c.Object<TPicture>("Picture", &TImage::Picture, &TImage::SetPicture);
    c.Boolean("Stretch", &TImage::Stretch, &TImage::SetStretch);
    c.Boolean("Center", &TImage::Center, &TImage::SetCenter);
    c.Boolean("Transparent", &TImage::Transparent, &TImage::SetTransparent);
    c.Boolean("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize);
    c.Boolean("IncrementalDisplay", &TImage::IncrementalDisplay, &TImage::SetIncrementalDisplay);
    c.Event("OnProgress", &TImage::OnProgress);
});
