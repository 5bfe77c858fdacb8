// TCustomControl: a windowed control that paints itself through its own canvas.
#pragma once

#include "frame/ControlCanvas.h"
#include "frame/WinControl.h"

#include <memory>

class TCustomControl : public TWinControl {
public:
    SV_CLASS_NAME(TCustomControl)
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;

    TCanvas* Canvas() const { return m_canvas.get(); }
    void Dispatch(TMessage& message) override;

protected:
    // Draws the control's client area on Canvas().
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TControlCanvas> m_canvas;
};
