// The canvas of a control: it draws on the control's device context, which it asks
// for on first use. Contexts handed out while a message is handled are given back
// when the message is done (FreeDeviceContexts).
#pragma once

#include "graphics/Canvas.h"

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
    HDC m_dc = nullptr;       // the context this canvas asked for
    HWND m_window = nullptr;  // the window it belongs to
};

// Gives back the device contexts that control canvases took while a message was
// handled, except those of canvases locked at the moment.
void FreeDeviceContexts();
