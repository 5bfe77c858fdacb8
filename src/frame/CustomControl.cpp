#include "frame/CustomControl.h"

#include "runtime/ClassInfo.h"
#include "runtime/ScopeGuard.h"

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), m_canvas(std::make_unique<TControlCanvas>())
{
    m_canvas->SetControl(this);
}

TCustomControl::~TCustomControl() { m_canvas->SetControl(nullptr); }

void TCustomControl::Dispatch(TMessage& message)
{
    if (message.Msg == WM_PAINT) {
        m_controlState |= csCustomPaint;
        ScopeExit painted([this] { m_controlState &= ~csCustomPaint; });
        TWinControl::Dispatch(message);
        return;
    }
    TWinControl::Dispatch(message);
}

void TCustomControl::PaintWindow(HDC dc)
{
    TCanvasOnDC drawing(*m_canvas, dc);
    Paint();
}

static const TClassRegistration<TCustomControl> info(
    "TCustomControl", [](TClassBuilder<TCustomControl>& c) { c.Parent<TWinControl>(); });
