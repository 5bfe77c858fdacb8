#include "graphics/Icon.h"

#include "runtime/ClassInfo.h"

#include "graphics/Canvas.h"
#include "graphics/IconFile.h"
#include "runtime/Exceptions.h"

TIconImage::TIconImage(HICON handle, std::unique_ptr<TMemoryStream> memoryImage)
    : Handle(handle)
    , MemoryImage(std::move(memoryImage))
{
}

TIconImage::~TIconImage()
{
    if (Handle && Handle != StockApplicationIcon())
        DestroyIcon(Handle);
}

TIcon::TIcon() : m_image(std::make_shared<TIconImage>()) {}

void TIcon::NewImage(HICON handle, std::unique_ptr<TMemoryStream> memoryImage)
{
    m_image = std::make_shared<TIconImage>(handle, std::move(memoryImage));
}

void TIcon::Assign(TPersistent* source)
{
    if (!source) {
        NewImage(nullptr, nullptr);
        NotifyChanged(this);
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        if (icon->m_image != m_image)
            m_image = icon->m_image;
        NotifyChanged(this);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::Render(TCanvas* canvas, const RECT& rect)
{
    HandleNeeded();
    DrawIconEx(canvas->Handle(), rect.left, rect.top, m_image->Handle, 0, 0, 0, nullptr, DI_NORMAL);
}

bool TIcon::Empty() const { return !m_image->Handle && !m_image->MemoryImage; }

int TIcon::Height() const { return m_image->Size.cy != 0 ? m_image->Size.cy : GetSystemMetrics(SM_CYICON); }

int TIcon::Width() const { return m_image->Size.cx != 0 ? m_image->Size.cx : GetSystemMetrics(SM_CXICON); }

void TIcon::CheckSizeChangeable() const
{
    if (m_image->Handle)
        throw EInvalidGraphicOperation(Exception::ResText(TextId::IconSizeFixed));
}

void TIcon::SetHeight(int value)
{
    CheckSizeChangeable();
    m_requestedSize.cy = value;
}

void TIcon::SetWidth(int value)
{
    CheckSizeChangeable();
    m_requestedSize.cx = value;
}

void TIcon::LoadStream(TStream& stream)
{
    auto bytes = std::make_unique<TMemoryStream>();
    std::int32_t rest = stream.Size() - stream.Position();
    if (rest > 0)
        bytes->CopyFrom(stream, rest);
    // Only the type is looked at now: a cursor file is refused. The directory and
    // the images are checked when the handle is made.
    TIconFileHeader header = ReadIconHeader(bytes->Bytes());
    if (header.Type >= 2)
        InvalidIcon();
    NewImage(nullptr, std::move(bytes));
    NotifyChanged(this);
}

void TIcon::SaveStream(TStream& stream)
{
    ImageNeeded();
    const AnsiString& bytes = m_image->MemoryImage->Bytes();
    stream.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

void TIcon::LoadClipboardData(std::uint16_t, HANDLE, HPALETTE)
{
    throw EInvalidGraphicOperation(Exception::ResText(TextId::ClipboardTakesNoIcons));
}

void TIcon::SaveClipboardData(std::uint16_t&, HANDLE&, HPALETTE&)
{
    throw EInvalidGraphicOperation(Exception::ResText(TextId::ClipboardTakesNoIcons));
}

HICON TIcon::Handle()
{
    HandleNeeded();
    return m_image->Handle;
}

void TIcon::SetHandle(HICON value)
{
    NewImage(value, nullptr);
    NotifyChanged(this);
}

void TIcon::HandleNeeded()
{
    TIconImage& image = *m_image;
    if (image.Handle || !image.MemoryImage)
        return;
    SIZE chosen {};
    image.Handle = CreateIconFromIco(image.MemoryImage->Bytes(), m_requestedSize, chosen);
    image.Size = chosen;
}

void TIcon::ImageNeeded()
{
    TIconImage& image = *m_image;
    if (image.MemoryImage)
        return;
    if (!image.Handle)
        InvalidIcon();
    AnsiString bytes = image.Handle == StockApplicationIcon() ? StockApplicationIco() : IconHandleToIco(image.Handle);
    image.MemoryImage = std::make_unique<TMemoryStream>(std::move(bytes));
}

// The icon as form streams store it ("Icon.Data": the bare icon file).
static const TClassRegistration<TIcon> iconInfo("TIcon", [](TClassBuilder<TIcon>& c) { c.Parent<TGraphic>(); });
