#include "graphics/Graphic.h"

#include "runtime/ClassInfo.h"

#include "runtime/Stream.h"

bool TGraphicClassRef::InheritsFrom(const TGraphicClassRef* other) const
{
    for (const TGraphicClassRef* cls = this; cls; cls = cls->parent)
        if (cls == other)
            return true;
    return false;
}

std::unique_ptr<TGraphic> TGraphicClassRef::NewInstance() const { return create ? create() : nullptr; }

TGraphicClass TGraphic::StaticClass()
{
    static const TGraphicClassRef ref { "TGraphic", nullptr, nullptr };
    return &ref;
}

void TGraphic::NotifyChanged(TObject*)
{
    m_modified = true;
    if (m_onChange)
        m_onChange(this);
}

bool TGraphic::SameImage(TGraphic* other)
{
    if (!other)
        return false;
    if (Empty() || other->Empty())
        return Empty() && other->Empty();
    if (other->ClassType() != ClassType())
        return false;
    TMemoryStream mine;
    TMemoryStream theirs;
    WriteGraphicData(mine);
    other->WriteGraphicData(theirs);
    return mine.Bytes() == theirs.Bytes();
}

HPALETTE TGraphic::Palette() { return nullptr; }

void TGraphic::ReadGraphicData(TStream& stream) { LoadStream(stream); }

void TGraphic::SetPalette(HPALETTE) {}

void TGraphic::SetTransparent(bool value)
{
    if (value != m_transparent) {
        m_transparent = value;
        NotifyChanged(this);
    }
}

void TGraphic::WriteGraphicData(TStream& stream) { SaveStream(stream); }

void TGraphic::LoadFile(const AnsiString& fileName)
{
    TFileStream stream(fileName, TFileStream::Mode::OpenReadDenyWrite);
    LoadStream(stream);
}

void TGraphic::SaveFile(const AnsiString& fileName)
{
    TFileStream stream(fileName, TFileStream::Mode::Create);
    SaveStream(stream);
}

void TGraphic::Progress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow, const RECT& R,
    const AnsiString& Msg)
{
    if (m_onProgress)
        m_onProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

bool TGraphic::DataNeedsWriting(TPersistent* ancestor)
{
    if (!ancestor)
        return !Empty();
    auto* other = dynamic_cast<TGraphic*>(ancestor);
    if (!other)
        return true;
    return !SameImage(other);
}

// A graphic stored as a property of its own (an icon property of a component):
// the defined binary property "Data" holds the graphic's own data.
static const TClassRegistration<TGraphic> graphicInfo("TGraphic", [](TClassBuilder<TGraphic>& c) {
    c.Parent<TPersistent>();
    c.DefinedBinary("Data", &TGraphic::ReadData);
});
