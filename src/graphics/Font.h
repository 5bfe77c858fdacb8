// A font: shared attributes (height, pitch, style, character set, name) and its own
// colour and pixels per inch.
#pragma once

#include "graphics/GraphicsObject.h"

enum class TFontPitch : std::uint8_t { fpDefault, fpVariable, fpFixed };

// Style bits.
using TFontStyles = std::uint8_t;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

class TFont : public TGraphicsObject {
public:
    SV_CLASS_NAME(TFont)
    TFont();

    void Assign(TPersistent* source) override;

    // The shared font handle, made once per shared record.
    HFONT Handle();
    // Takes the attributes of a system font; the shared record keeps that handle.
    void SetHandle(HFONT handle);

    std::int32_t Height() const { return Data().Height; }
    void SetHeight(std::int32_t height);
    // Points: -MulDiv(height, 72, pixels per inch).
    int Size() const;
    void SetSize(int size);
    AnsiString Name() const;
    // Cut to 31 characters; an empty name is ignored.
    void SetName(const AnsiString& name);
    TFontStyles Style() const { return Data().Style; }
    void SetStyle(TFontStyles style);
    TFontPitch Pitch() const { return static_cast<TFontPitch>(Data().Pitch); }
    void SetPitch(TFontPitch pitch);
    std::uint8_t Charset() const { return Data().Charset; }
    void SetCharset(std::uint8_t charset);

    // Not shared: two fonts of different colours use one handle.
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    int PixelsPerInch() const { return m_pixelsPerInch; }
    void SetPixelsPerInch(int ppi) { m_pixelsPerInch = ppi; }

    IChangeNotifier* FontAdapter() const { return m_fontAdapter; }
    void SetFontAdapter(IChangeNotifier* adapter) { m_fontAdapter = adapter; }

protected:
    void Changed() override;

private:
    TFontData Data() const { return Resource()->DataAs<TFontData>(); }

    TColor m_color = clWindowText;
    int m_pixelsPerInch;
    IChangeNotifier* m_fontAdapter = nullptr;
};
