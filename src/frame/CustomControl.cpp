#include "frame/CustomControl.h"

#include "runtime/ClassInfo.h"

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner)
    , m_canvas(std::make_unique<TControlCanvas>())
{
    m_canvas->SetControl(this);
}

TCustomControl::~TCustomControl()
{
    m_canvas->SetControl(nullptr);
}

void TCustomControl::Dispatch(TMessage& message)
{
    if (message.Msg == WM_PAINT) {
        m_controlState |= csCustomPaint;
        try {
            TWinControl::Dispatch(message);
        } catch (...) {
            m_controlState &= ~csCustomPaint;
            throw;
        }
        m_controlState &= ~csCustomPaint;
        return;
    }
    TWinControl::Dispatch(message);
}

void TCustomControl::PaintWindow(HDC dc)
{
    m_canvas->Lock();
    try {
        m_canvas->SetHandle(dc);
        Paint();
    } catch (...) {
        m_canvas->SetHandle(nullptr);
        m_canvas->Unlock();
        throw;
    }
    m_canvas->SetHandle(nullptr);
    m_canvas->Unlock();
}

static const TClassRegistration<TCustomControl> info("TCustomControl", [](TClassBuilder<TCustomControl>& c) { c.Parent<TWinControl>(); });
