// The canvas of a control: it draws on the control's device context, which it asks
// for on first use. Contexts handed out while a message is handled are given back
// when the message is done (FreeDeviceContexts).
#pragma once

#include "graphics/Canvas.h"
#include "graphics/GdiHandles.h"

#include <optional>

#include <windows.h>

class TControl;

class TControlCanvas : public TCanvas {
public:
    SV_CLASS_NAME(TControlCanvas)
    TControlCanvas() = default;
    ~TControlCanvas() override;

    TControl* Control() const { return m_control; }
    void SetControl(TControl* control);
    // Gives the device context back (when the canvas made it).
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl* m_control = nullptr;
    std::optional<TWindowDC> m_context; // the context this canvas asked for
};

// A canvas drawing on a device context it was handed for one paint or measure: the
// canvas is locked and uses the context until this object goes away, then lets go
// of the context and is unlocked again.
class TCanvasOnDC {
public:
    TCanvasOnDC(TCanvas& canvas, HDC dc) : m_canvas(canvas)
    {
        m_canvas.Lock();
        m_canvas.SetHandle(dc);
    }
    ~TCanvasOnDC()
    {
        m_canvas.SetHandle(nullptr);
        m_canvas.Unlock();
    }
    TCanvasOnDC(const TCanvasOnDC&) = delete;
    TCanvasOnDC& operator=(const TCanvasOnDC&) = delete;

private:
    TCanvas& m_canvas;
};

// Gives back the device contexts that control canvases took while a message was
// handled, except those of canvases locked at the moment.
void FreeDeviceContexts();
