#include "graphics/Pen.h"

int PenModeToROP2(TPenMode mode)
{
    static const int rop2[16] = {
        R2_BLACK,
        R2_WHITE,
        R2_NOP,
        R2_NOT,
        R2_COPYPEN,
        R2_NOTCOPYPEN,
        R2_MERGEPENNOT,
        R2_MASKPENNOT,
        R2_MERGENOTPEN,
        R2_MASKNOTPEN,
        R2_MERGEPEN,
        R2_NOTMERGEPEN,
        R2_MASKPEN,
        R2_NOTMASKPEN,
        R2_XORPEN,
        R2_NOTXORPEN,
    };
    auto index = static_cast<unsigned>(mode);
    return index < 16 ? rop2[index] : R2_COPYPEN;
}

TPen::TPen() : TGraphicsObject(PenManager(), &DefaultPenData()) {}

void TPen::Assign(TPersistent* source)
{
    auto* pen = dynamic_cast<TPen*>(source);
    if (!pen) {
        TPersistent::Assign(source);
        return;
    }
    Lock();
    ScopeExit unlock([this] { Unlock(); });
    ShareResource(*pen);
    SetMode(pen->Mode());
}

HPEN TPen::Handle()
{
    TResourceManager& manager = Manager();
    manager.Lock();
    ScopeExit unlock([&manager] { manager.Unlock(); });
    TResource* resource = Resource();
    if (!resource->Handle) {
        TPenData data = Data();
        static const UINT styles[7] = { PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME };
        LOGPEN lp {};
        lp.lopnStyle = data.Style < 7 ? styles[data.Style] : PS_SOLID;
        lp.lopnWidth.x = data.Width;
        lp.lopnColor = ColorToRGB(data.Color);
        resource->Handle = CreatePenIndirect(&lp);
    }
    return static_cast<HPEN>(resource->Handle);
}

void TPen::SetColor(TColor color)
{
    ChangeData<TPenData>([&](TPenData& data) { data.Color = color; });
}

void TPen::SetWidth(std::int32_t width)
{
    if (width < 0)
        return;
    ChangeData<TPenData>([&](TPenData& data) { data.Width = width; });
}

void TPen::SetStyle(TPenStyle style)
{
    ChangeData<TPenData>([&](TPenData& data) { data.Style = static_cast<std::uint8_t>(style); });
}

void TPen::SetMode(TPenMode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    Changed();
}
