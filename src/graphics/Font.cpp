#include "graphics/Font.h"

#include "runtime/ClassInfo.h"
#include "graphics/IdentMaps.h"

#include <algorithm>

namespace {

void StoreName(TFontData& data, const AnsiString& name)
{
    std::size_t length = WholeCharacterLength(name, sizeof data.Name);
    std::memset(data.Name, 0, sizeof data.Name);
    std::memcpy(data.Name, name.data(), length);
    data.NameLength = static_cast<std::uint8_t>(length);
}

}

TFont::TFont() : TGraphicsObject(FontManager(), &DefaultFontData()), m_pixelsPerInch(ScreenLogPixels()) {}

void TFont::Assign(TPersistent* source)
{
    auto* font = dynamic_cast<TFont*>(source);
    if (!font) {
        TPersistent::Assign(source);
        return;
    }
    Lock();
    ScopeExit unlock([this] { Unlock(); });
    ShareResource(*font);
    SetColor(font->Color());
    if (m_pixelsPerInch != font->PixelsPerInch())
        SetSize(font->Size());
}

HFONT TFont::Handle()
{
    TResourceManager& manager = Manager();
    manager.Lock();
    ScopeExit unlock([&manager] { manager.Unlock(); });
    TResource* resource = Resource();
    if (!resource->Handle) {
        TFontData data = Data();
        LOGFONTA lf {};
        lf.lfHeight = data.Height;
        lf.lfWeight = (data.Style & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (data.Style & fsItalic) ? 1 : 0;
        lf.lfUnderline = (data.Style & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (data.Style & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = data.Charset;
        switch (static_cast<TFontPitch>(data.Pitch)) {
        case TFontPitch::fpVariable: lf.lfPitchAndFamily = VARIABLE_PITCH; break;
        case TFontPitch::fpFixed: lf.lfPitchAndFamily = FIXED_PITCH; break;
        default: lf.lfPitchAndFamily = DEFAULT_PITCH; break;
        }
        AnsiString name(data.Name, data.NameLength);
        if (SameText(name, "Default"))
            name = DefaultFontName();
        std::memcpy(lf.lfFaceName, name.data(), WholeCharacterLength(name, LF_FACESIZE - 1));
        resource->Handle = CreateFontIndirectA(&lf);
    }
    return static_cast<HFONT>(resource->Handle);
}

void TFont::SetHandle(HFONT handle)
{
    ChangeData<TFontData>([&](TFontData& data) {
        LOGFONTA lf {};
        GetObjectA(handle, sizeof lf, &lf);
        data.Handle = handle;
        data.Height = lf.lfHeight;
        data.Style = 0;
        if (lf.lfWeight >= FW_BOLD)
            data.Style |= fsBold;
        if (lf.lfItalic == 1)
            data.Style |= fsItalic;
        if (lf.lfUnderline == 1)
            data.Style |= fsUnderline;
        if (lf.lfStrikeOut == 1)
            data.Style |= fsStrikeOut;
        data.Charset = lf.lfCharSet;
        switch (lf.lfPitchAndFamily & 3) {
        case VARIABLE_PITCH: data.Pitch = static_cast<std::uint8_t>(TFontPitch::fpVariable); break;
        case FIXED_PITCH: data.Pitch = static_cast<std::uint8_t>(TFontPitch::fpFixed); break;
        default: data.Pitch = static_cast<std::uint8_t>(TFontPitch::fpDefault); break;
        }
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
        StoreName(data, lf.lfFaceName);
    });
}

void TFont::SetHeight(std::int32_t height)
{
    ChangeData<TFontData>([&](TFontData& data) { data.Height = height; });
}

int TFont::Size() const { return -MulDiv(Height(), 72, m_pixelsPerInch); }

void TFont::SetSize(int size) { SetHeight(-MulDiv(size, m_pixelsPerInch, 72)); }

AnsiString TFont::Name() const
{
    TFontData data = Data();
    return AnsiString(data.Name, data.NameLength);
}

void TFont::SetName(const AnsiString& name)
{
    if (name.empty())
        return;
    ChangeData<TFontData>([&](TFontData& data) { StoreName(data, name); });
}

void TFont::SetStyle(TFontStyles style)
{
    ChangeData<TFontData>([&](TFontData& data) { data.Style = style & 0x0F; });
}

void TFont::SetPitch(TFontPitch pitch)
{
    ChangeData<TFontData>([&](TFontData& data) { data.Pitch = static_cast<std::uint8_t>(pitch); });
}

void TFont::SetCharset(std::uint8_t charset)
{
    ChangeData<TFontData>([&](TFontData& data) { data.Charset = charset; });
}

void TFont::SetColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    Changed();
}

void TFont::Changed()
{
    TGraphicsObject::Changed();
    if (m_fontAdapter)
        m_fontAdapter->Changed();
}

// The font's published properties, as form streams set them ("Font.Height").
static const TClassRegistration<TFont> fontInfo("TFont", [](TClassBuilder<TFont>& c) {
    static const TEnumType styles { "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut" };
    static const TEnumType pitches { "fpDefault", "fpVariable", "fpFixed" };
    c.Parent<TPersistent>();
    c.Integer("Charset", &TFont::Charset, &TFont::SetCharset, &CharsetIdents(), 1);
    c.Integer("Color", &TFont::Color, &TFont::SetColor, &ColorIdents());
    c.Integer("Height", &TFont::Height, &TFont::SetHeight);
    c.String("Name", &TFont::SetName);
    c.Enum("Pitch", pitches, &TFont::Pitch, &TFont::SetPitch);
    c.Integer("Size", &TFont::Size, &TFont::SetSize);
    c.Set("Style", styles, &TFont::Style, &TFont::SetStyle);
});
