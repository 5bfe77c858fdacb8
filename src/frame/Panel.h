// TCustomPanel and TPanel: a windowed container with bevelled edges, a face in its
// colour and an optional caption in the middle line.
#pragma once

#include "frame/CustomControl.h"

class TCanvas;

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TBevelCut { bvNone = 0, bvLowered = 1, bvRaised = 2, bvSpace = 3 };
enum TPanelBorderStyle { pbsNone = 0, pbsSingle = 1 };

// Draws a 3-D frame of the given width inside the rectangle (top and left lines in
// the top colour, bottom and right lines in the bottom colour) and leaves the
// rectangle shrunk by the width, so that the next frame goes inside this one.
void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width);

// DrawText flags of an alignment.
UINT AlignmentFlags(TAlignment alignment);

class TCustomPanel : public TCustomControl {
public:
    SV_CLASS_NAME(TCustomPanel)
    explicit TCustomPanel(TComponent* owner);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int value);
    TPanelBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TPanelBorderStyle value);
    bool FullRepaint() const { return m_fullRepaint; }
    void SetFullRepaint(bool value) { m_fullRepaint = value; }
    void SetCtl3D(bool value) override;

    // The area left to aligned children: inside the border and the bevels.
    RECT AlignedClientRect();

protected:
    void FillCreationRecord(TCreateParams& params) override;
    void Paint() override;
    void BoundsChanged() override;

private:
    // The thickness of border and bevels along one edge.
    int EdgeWidth() const;

    TAlignment m_alignment = taCenter;
    TBevelCut m_bevelOuter = bvRaised;
    TBevelCut m_bevelInner = bvNone;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    TPanelBorderStyle m_borderStyle = pbsNone;
    bool m_fullRepaint = true;
    int m_paintedWidth = 0;
    int m_paintedHeight = 0;
};

class TPanel : public TCustomPanel {
public:
    SV_CLASS_NAME(TPanel)
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};
