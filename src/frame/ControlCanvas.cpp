#include "frame/ControlCanvas.h"

#include "frame/Control.h"

#include <algorithm>
#include <vector>

namespace {

// Canvases that hold a device context of their control.
std::vector<TControlCanvas*>& CanvasesWithContext()
{
    static std::vector<TControlCanvas*> list;
    return list;
}

}

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* control)
{
    if (m_control == control)
        return;
    FreeHandle();
    m_control = control;
}

void TControlCanvas::CreateHandle()
{
    if (!m_control || m_context)
        return;
    HWND window = nullptr;
    HDC dc = m_control->GetDeviceContext(window);
    m_context.emplace(window, dc);
    CanvasesWithContext().push_back(this);
    SetHandle(dc);
}

void TControlCanvas::FreeHandle()
{
    if (!m_context)
        return;
    SetHandle(nullptr);
    m_context.reset();
    auto& list = CanvasesWithContext();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void FreeDeviceContexts()
{
    auto list = CanvasesWithContext();
    for (TControlCanvas* canvas : list) {
        if (canvas->TryLock()) {
            canvas->FreeHandle();
            canvas->Unlock();
        }
    }
}
