// A graphic for tests: its image is a byte string, stored as is.
#pragma once

#include "graphics/Graphic.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

class TByteGraphic : public TGraphic {
public:
    SV_GRAPHIC_CLASS(TByteGraphic, TGraphic)

    AnsiString bytes;
    int width = 0;

    void Render(TCanvas*, const RECT&) override {}
    bool Empty() const override { return bytes.empty(); }
    int Height() const override { return 1; }
    int Width() const override { return width; }
    void SetHeight(int) override {}
    void SetWidth(int value) override
    {
        width = value;
        NotifyChanged(this);
    }
    void LoadStream(TStream& stream) override
    {
        bytes.resize(static_cast<std::size_t>(stream.Size() - stream.Position()));
        stream.ReadBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        if (bytes.rfind("bad", 0) == 0)
            throw EInvalidGraphic("bad bytes");
    }
    void SaveStream(TStream& stream) override
    {
        stream.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    }
    void LoadClipboardData(std::uint16_t, HANDLE, HPALETTE) override {}
    void SaveClipboardData(std::uint16_t& format, HANDLE&, HPALETTE&) override { format = 0xC123; }
    void Assign(TPersistent* source) override
    {
        if (auto* other = dynamic_cast<TByteGraphic*>(source)) {
            bytes = other->bytes;
            width = other->width;
            return;
        }
        TGraphic::Assign(source);
    }
};

// Another byte graphic class, derived from the first.
class TOtherByteGraphic : public TByteGraphic {
public:
    SV_GRAPHIC_CLASS(TOtherByteGraphic, TByteGraphic)
};
