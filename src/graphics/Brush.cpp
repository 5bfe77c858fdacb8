#include "graphics/Brush.h"

#include "graphics/Bitmap.h"
#include "runtime/ScopeGuard.h"

TBrush::TBrush() : TGraphicsObject(BrushManager(), &DefaultBrushData()) {}

void TBrush::Assign(TPersistent* source)
{
    auto* brush = dynamic_cast<TBrush*>(source);
    if (!brush) {
        TPersistent::Assign(source);
        return;
    }
    ShareResource(*brush);
}

HBRUSH TBrush::Handle()
{
    TResourceManager& manager = Manager();
    manager.Lock();
    ScopeExit unlock([&manager] { manager.Unlock(); });
    TResource* resource = Resource();
    if (!resource->Handle) {
        TBrushData data = Data();
        LOGBRUSH lb {};
        lb.lbColor = ColorToRGB(data.Color);
        if (data.Bitmap) {
            lb.lbStyle = BS_PATTERN;
            data.Bitmap->SetHandleType(TBitmapHandleType::bmDDB);
            lb.lbHatch = reinterpret_cast<ULONG_PTR>(data.Bitmap->Handle());
        } else {
            auto style = static_cast<TBrushStyle>(data.Style);
            switch (style) {
            case TBrushStyle::bsSolid: lb.lbStyle = BS_SOLID; break;
            case TBrushStyle::bsClear: lb.lbStyle = BS_HOLLOW; break;
            default:
                lb.lbStyle = BS_HATCHED;
                lb.lbHatch = static_cast<ULONG_PTR>(data.Style - 2);
                break;
            }
        }
        resource->Handle = CreateBrushIndirect(&lb);
    }
    return static_cast<HBRUSH>(resource->Handle);
}

void TBrush::SetColor(TColor color)
{
    ChangeData<TBrushData>([&](TBrushData& data) {
        data.Color = color;
        if (data.Style == static_cast<std::uint8_t>(TBrushStyle::bsClear))
            data.Style = static_cast<std::uint8_t>(TBrushStyle::bsSolid);
    });
}

void TBrush::SetStyle(TBrushStyle style)
{
    ChangeData<TBrushData>([&](TBrushData& data) {
        data.Style = static_cast<std::uint8_t>(style);
        if (style == TBrushStyle::bsClear)
            data.Color = clWhite;
    });
}

void TBrush::SetBitmap(TBitmap* bitmap)
{
    ChangeData<TBrushData>([&](TBrushData& data) {
        data = DefaultBrushData();
        data.Bitmap = bitmap;
    });
}
