#include "frame/GraphicControl.h"

#include "runtime/ClassInfo.h"

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), m_canvas(std::make_unique<TControlCanvas>())
{
    m_canvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { m_canvas->SetControl(nullptr); }

void TGraphicControl::Dispatch(TMessage& message)
{
    // A windowless control paints only when its parent hands it a device context.
    if (message.Msg == WM_PAINT) {
        if (message.WParam) {
            TCanvasOnDC drawing(*m_canvas, reinterpret_cast<HDC>(message.WParam));
            Paint();
        }
        return;
    }
    TControl::Dispatch(message);
}

static const TClassRegistration<TGraphicControl> info(
    "TGraphicControl", [](TClassBuilder<TGraphicControl>& c) { c.Parent<TControl>(); });
