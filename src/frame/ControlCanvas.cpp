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

TControlCanvas::~TControlCanvas()
{
    FreeHandle();
}

void TControlCanvas::SetControl(TControl* control)
{
    if (m_control == control)
        return;
    FreeHandle();
    m_control = control;
}

void TControlCanvas::CreateHandle()
{
    if (!m_control || m_dc)
        return;
    HWND window = nullptr;
    HDC dc = m_control->GetDeviceContext(window);
    m_dc = dc;
    m_window = window;
    CanvasesWithContext().push_back(this);
    SetHandle(dc);
}

void TControlCanvas::FreeHandle()
{
    if (!m_dc)
        return;
    HDC dc = m_dc;
    m_dc = nullptr;
    SetHandle(nullptr);
    ReleaseDC(m_window, dc);
    m_window = nullptr;
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
