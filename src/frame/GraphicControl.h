// TGraphicControl: a control without a window of its own (label, image, speed button)
// that paints itself on its parent's surface through its canvas.
#pragma once

#include "frame/Control.h"
#include "frame/ControlCanvas.h"

#include <memory>

class TGraphicControl : public TControl {
public:
    SV_CLASS_NAME(TGraphicControl)
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    TCanvas* Canvas() const { return m_canvas.get(); }
    void Dispatch(TMessage& message) override;

protected:
    // Draws the control on Canvas(), whose origin is the control's top-left corner.
    virtual void Paint() {}

private:
    std::unique_ptr<TControlCanvas> m_canvas;
};
