#include "graphics/Picture.h"

#include "runtime/ClassInfo.h"
#include "graphics/Bitmap.h"
#include "graphics/FileFormatsList.h"
#include "graphics/Icon.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

namespace {
// The longest class name a stored picture may carry.
constexpr std::size_t MaxStoredClassName = 63;
}

AnsiString GraphicFileExtension(const AnsiString& fileName)
{
    std::size_t dot = AnsiString::npos;
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        char c = fileName[i];
        if (IsLeadByte(c) && i + 1 < fileName.size()) {
            ++i; // the trail byte is never a separator
            continue;
        }
        if (c == '.')
            dot = i;
        else if (c == '\\' || c == ':')
            dot = AnsiString::npos;
    }
    return dot == AnsiString::npos ? AnsiString() : fileName.substr(dot + 1);
}

TPicture::TPicture()
{
    TFileFormatsList::Instance();
    TClipboardFormats::Instance();
}

TPicture::~TPicture() = default;

void TPicture::RegisterExtension(const AnsiString& extension, const AnsiString& description, TGraphicClass cls)
{
    TFileFormatsList::Instance().Add(extension, description, 0, cls);
}

void TPicture::RegisterClipboardFormat(std::uint16_t format, TGraphicClass cls)
{
    TClipboardFormats::Instance().Add(format, cls);
}

bool TPicture::SupportsClipboardData(std::uint16_t format)
{
    return TClipboardFormats::Instance().FindFormat(format) != nullptr;
}

void TPicture::UnregisterGraphic(TGraphicClass cls)
{
    if (FileFormatsListExists())
        TFileFormatsList::Instance().Remove(cls);
    if (ClipboardFormatsExist())
        TClipboardFormats::Instance().Remove(cls);
}

void TPicture::InstallProgress(TGraphic& graphic)
{
    graphic.SetOnProgress(
        [this](TObject* sender, TProgressStage stage, std::uint8_t percent, bool redraw, const RECT& r,
            const AnsiString& msg) { Progress(sender, stage, percent, redraw, r, msg); });
}

void TPicture::InstallHandlers(TGraphic& graphic)
{
    graphic.SetOnChange([this](TObject* sender) { Changed(sender); });
    InstallProgress(graphic);
}

void TPicture::Replace(std::unique_ptr<TGraphic> graphic)
{
    // The old graphic goes only now that the new one is complete. A change handler
    // that raises finds the picture already holding the new graphic.
    if (graphic)
        InstallHandlers(*graphic);
    m_graphic = std::move(graphic);
    Changed(this);
}

void TPicture::LoadFile(const AnsiString& fileName)
{
    AnsiString extension = GraphicFileExtension(fileName);
    TGraphicClass cls = TFileFormatsList::Instance().FindExt(extension);
    if (!cls)
        throw EInvalidGraphic(Exception::ResText(TextId::UnknownExtension, extension));
    std::unique_ptr<TGraphic> graphic = cls->NewInstance();
    InstallProgress(*graphic);
    graphic->LoadFile(fileName);
    Replace(std::move(graphic));
}

void TPicture::SaveFile(const AnsiString& fileName)
{
    if (m_graphic)
        m_graphic->SaveFile(fileName);
}

void TPicture::LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette)
{
    TGraphicClass cls = TClipboardFormats::Instance().FindFormat(format);
    if (!cls)
        throw EInvalidGraphic(Exception::ResText(TextId::UnknownClipboardData));
    std::unique_ptr<TGraphic> graphic = cls->NewInstance();
    InstallProgress(*graphic);
    graphic->LoadClipboardData(format, data, palette);
    Replace(std::move(graphic));
}

void TPicture::SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette)
{
    if (m_graphic)
        m_graphic->SaveClipboardData(format, data, palette);
}

void TPicture::Assign(TPersistent* source)
{
    if (!source) {
        SetGraphic(nullptr);
    } else if (auto* picture = dynamic_cast<TPicture*>(source)) {
        SetGraphic(picture->Graphic());
    } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        SetGraphic(graphic);
    } else {
        TPersistent::Assign(source);
    }
}

void TPicture::AssignInto(TPersistent* destination)
{
    auto* target = dynamic_cast<TGraphic*>(destination);
    if (m_graphic && target && m_graphic->InheritsFrom(target->ClassType())) {
        destination->Assign(m_graphic.get());
        return;
    }
    TPersistent::AssignInto(destination);
}

void TPicture::SetGraphic(TGraphic* graphic)
{
    if (!graphic) {
        Replace(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> copy = graphic->ClassType()->NewInstance();
    if (!copy)
        TPersistent::AssignError(graphic); // an abstract class cannot be copied
    copy->Assign(graphic);
    Replace(std::move(copy));
}

TGraphic* TPicture::ForceGraphic(TGraphicClass cls)
{
    if (!m_graphic || !m_graphic->InheritsFrom(cls))
        Replace(cls->NewInstance());
    return m_graphic.get();
}

TBitmap* TPicture::Bitmap() { return static_cast<TBitmap*>(ForceGraphic(TBitmap::StaticClass())); }

TIcon* TPicture::Icon() { return static_cast<TIcon*>(ForceGraphic(TIcon::StaticClass())); }

void TPicture::ReadPictureData(TStream& stream)
{
    std::uint8_t length = 0;
    stream.ReadBuffer(&length, 1);
    // Stored class names are at most 63 bytes; a longer one is damaged data.
    if (length > MaxStoredClassName)
        throw EReadError(Exception::ResText(TextId::InvalidPropertyValue));
    char name[MaxStoredClassName];
    stream.ReadBuffer(name, length);
    TGraphicClass cls = TFileFormatsList::Instance().FindClassName(AnsiString(name, length));
    std::unique_ptr<TGraphic> graphic;
    if (cls) {
        graphic = cls->NewInstance();
        graphic->ReadGraphicData(stream);
    }
    Replace(std::move(graphic));
}

void TPicture::WritePictureData(TStream& stream)
{
    if (!m_graphic) {
        std::uint8_t zero = 0;
        stream.WriteBuffer(&zero, 1);
        return;
    }
    AnsiString name = m_graphic->ClassName();
    if (name.size() > MaxStoredClassName)
        name.resize(MaxStoredClassName);
    auto length = static_cast<std::uint8_t>(name.size());
    stream.WriteBuffer(&length, 1);
    stream.WriteBuffer(name.data(), length);
    m_graphic->WriteGraphicData(stream);
}

bool TPicture::DataNeedsWriting(TPersistent* ancestor) const
{
    if (!ancestor)
        return m_graphic != nullptr;
    auto* other = dynamic_cast<TPicture*>(ancestor);
    if (!other)
        return true;
    TGraphic* theirs = other->Graphic();
    if (m_graphic.get() == theirs)
        return false;
    if (m_graphic && theirs && m_graphic->SameImage(theirs))
        return false;
    return true;
}

void TPicture::Changed(TObject*)
{
    if (m_onChange)
        m_onChange(this);
    if (m_notify)
        m_notify->Changed();
}

void TPicture::Progress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow, const RECT& R,
    const AnsiString& Msg)
{
    if (m_onProgress)
        m_onProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

// The picture as form streams store it: the defined binary property "Data".
static const TClassRegistration<TPicture> pictureInfo("TPicture", [](TClassBuilder<TPicture>& c) {
    c.Parent<TPersistent>();
    c.DefinedBinary("Data", &TPicture::ReadPictureData);
});
