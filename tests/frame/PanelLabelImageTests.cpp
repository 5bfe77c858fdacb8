// Panels, labels and images on real windows, their drawing read back from the screen:
// bevels, transparent and filled labels, auto size, and where pictures are drawn.
#include "frame/support/ControlTestSupport.h"

#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/Picture.h"
#include "graphics/support/SolidBitmap.h"

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Yellow = 0x00FFFF;

// A shown borderless form with a white panel, bevel lowered and two pixels wide.
class DisplayControls : public BorderlessFormTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        MakeForm(60, 60, 300, 200);
        panel = MakeOwned<TPanel>(form.get());
        panel->SetBounds(10, 10, 200, 150);
        panel->SetBevelOuter(bvLowered);
        panel->SetBevelWidth(2);
        panel->SetColor(clWhite);
        panel->SetParent(form.get());
    }
    // How many pixels of the rectangle (in the panel) have the colour.
    int Count(const RECT& rect, TColor color)
    {
        int count = 0;
        HWND window = panel->Handle();
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                count += WindowPixel(window, x, y) == ColorToRGB(color) ? 1 : 0;
        return count;
    }
    // A bitmap of one colour.
    static std::unique_ptr<TBitmap> Filled(int width, int height, TColor color)
    {
        auto bitmap = std::make_unique<TBitmap>();
        PaintSolid(*bitmap, width, height, color);
        return bitmap;
    }

    TPanel* panel = nullptr;
};

}

TEST_F(DisplayControls, LoweredBevelOfWidthTwoIsTwoNestedFramesAroundTheFace)
{
    Show();
    HWND window = panel->Handle();
    COLORREF shadow = ColorToRGB(clBtnShadow);
    COLORREF light = ColorToRGB(clBtnHighlight);
    COLORREF white = RGB(255, 255, 255);
    int w = 200;
    int h = 150;
    for (int ring = 0; ring < 2; ++ring) {
        // Shadow along the top and left, highlight along the bottom and right.
        EXPECT_EQ(WindowPixel(window, ring, ring), shadow) << ring;
        EXPECT_EQ(WindowPixel(window, w / 2, ring), shadow) << ring;
        EXPECT_EQ(WindowPixel(window, ring, h / 2), shadow) << ring;
        EXPECT_EQ(WindowPixel(window, w - 1 - ring, h / 2), light) << ring;
        EXPECT_EQ(WindowPixel(window, w / 2, h - 1 - ring), light) << ring;
        // The bottom-left and top-right corners belong to the bottom line.
        EXPECT_EQ(WindowPixel(window, w - 1 - ring, ring), light) << ring;
        EXPECT_EQ(WindowPixel(window, ring, h - 1 - ring), light) << ring;
    }
    EXPECT_EQ(WindowPixel(window, 2, 2), white);
    EXPECT_EQ(WindowPixel(window, w - 3, h - 3), white);
    EXPECT_EQ(WindowPixel(window, w / 2, h / 2), white);

    // A raised bevel swaps the colours; a caption is drawn in the middle line.
    panel->SetBevelOuter(bvRaised);
    panel->SetCaption("WWW");
    panel->Font()->SetColor(Red);
    UpdateWindow(window);
    EXPECT_EQ(WindowPixel(window, 0, 0), light);
    EXPECT_EQ(WindowPixel(window, w - 1, h - 1), shadow);
    EXPECT_GT(Count(RECT { 60, h / 2 - 10, 140, h / 2 + 10 }, Red), 10);
    EXPECT_EQ(Count(RECT { 60, 10, 140, 30 }, Red), 0);
}

TEST_F(DisplayControls, TransparentLabelShowsThePanelAroundItsTextAndAnOpaqueOneFillsItsRectangle)
{
    auto* seeThrough = MakeOwned<TLabel>(form.get());
    seeThrough->SetParent(panel);
    seeThrough->SetTransparent(true);
    seeThrough->SetLeft(10);
    seeThrough->SetTop(10);
    seeThrough->Font()->SetColor(Blue);
    seeThrough->SetCaption("Il|Il|Il");
    auto* filled = MakeOwned<TLabel>(form.get());
    filled->SetParent(panel);
    filled->SetColor(Yellow);
    filled->SetLeft(10);
    filled->SetTop(60);
    filled->Font()->SetColor(Blue);
    filled->SetCaption("Il|Il|Il");
    Show();
    RECT clear = seeThrough->BoundsRect();
    RECT solid = filled->BoundsRect();
    int area = (clear.right - clear.left) * (clear.bottom - clear.top);
    ASSERT_GT(area, 0);
    // Text pixels and face pixels only: nothing of the label's own colour.
    int text = Count(clear, Blue);
    int face = Count(clear, clWhite);
    EXPECT_GT(text, 0);
    EXPECT_EQ(Count(clear, Yellow), 0);
    EXPECT_GT(face, area / 4);
    // The opaque one: its colour wherever the text is not.
    EXPECT_GT(Count(solid, Blue), 0);
    EXPECT_EQ(Count(solid, clWhite), 0);
    EXPECT_GT(Count(solid, Yellow), area / 4);
}

TEST_F(DisplayControls, AutoSizeFollowsTheTextAndAnEmptyCaptionKeepsOneLine)
{
    auto* label = MakeOwned<TLabel>(form.get());
    label->SetParent(panel);
    label->Font()->SetHeight(-15);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, label->Font()->Handle());
    SIZE blank {};
    GetTextExtentPoint32A(dc, " ", 1, &blank);
    SIZE words {};
    GetTextExtentPoint32A(dc, "Hello label", 11, &words);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // A new label measures its (empty) caption as one blank.
    label->SetCaption("x");
    label->SetCaption("");
    EXPECT_EQ(label->Width(), blank.cx);
    EXPECT_EQ(label->Height(), blank.cy);
    label->SetCaption("Hello label");
    EXPECT_EQ(label->Width(), words.cx);
    EXPECT_EQ(label->Height(), words.cy);
    // A lone "&" is a prefix with nothing after it: one line too.
    label->SetCaption("&");
    EXPECT_EQ(label->Height(), blank.cy);

    // A right-justified label keeps its right edge.
    label->SetCaption("Hello label");
    label->SetAlignment(taRightJustify);
    label->SetLeft(100);
    int right = label->Left() + label->Width();
    label->SetCaption("Hi");
    EXPECT_EQ(label->Left() + label->Width(), right);
    EXPECT_LT(label->Width(), words.cx);

    // Without AutoSize the bounds stay as set.
    label->SetAutoSize(false);
    label->SetBounds(5, 5, 77, 33);
    label->SetCaption("Something else");
    EXPECT_EQ(label->Width(), 77);
    EXPECT_EQ(label->Height(), 33);
}

TEST_F(DisplayControls, ImagesDrawAtTheTopLeftCentredOrStretched)
{
    auto* image = MakeOwned<TImage>(form.get());
    image->SetParent(panel);
    image->SetBounds(20, 20, 60, 40);
    auto small = Filled(20, 10, Red);
    image->Picture()->SetGraphic(small.get());
    Show();
    HWND window = panel->Handle();
    // Smaller than the control: the picture at the top-left, the panel elsewhere.
    EXPECT_EQ(WindowPixel(window, 20, 20), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 39, 29), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 40, 29), RGB(255, 255, 255));
    EXPECT_EQ(WindowPixel(window, 20, 30), RGB(255, 255, 255));
    EXPECT_EQ(WindowPixel(window, 79, 59), RGB(255, 255, 255));

    image->SetCenter(true);
    UpdateWindow(window);
    // Centred: at ((60 - 20) / 2, (40 - 10) / 2) = (20, 15) in the image.
    EXPECT_EQ(WindowPixel(window, 20, 20), RGB(255, 255, 255));
    EXPECT_EQ(WindowPixel(window, 40, 35), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 59, 44), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 60, 44), RGB(255, 255, 255));

    image->SetStretch(true);
    UpdateWindow(window);
    EXPECT_EQ(WindowPixel(window, 20, 20), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 79, 59), ColorToRGB(Red));
    EXPECT_EQ(WindowPixel(window, 80, 59), RGB(255, 255, 255));

    // AutoSize takes the picture's size.
    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 20);
    EXPECT_EQ(image->Height(), 10);
}

TEST_F(DisplayControls, ProgressRepaintsAtOnceOnlyWithIncrementalDisplayAndIsPassedOn)
{
    auto* image = MakeOwned<TImage>(form.get());
    image->SetParent(panel);
    image->SetBounds(20, 20, 30, 30);
    auto red = Filled(30, 30, Red);
    image->Picture()->SetGraphic(red.get());
    Show();
    HWND window = panel->Handle();
    ASSERT_EQ(WindowPixel(window, 30, 30), ColorToRGB(Red));
    std::vector<int> reports;
    image->OnProgress = [&](TObject*, TProgressStage, std::uint8_t percent, bool, const RECT&, const AnsiString&) {
        reports.push_back(percent);
    };
    TBitmap* held = image->Picture()->Bitmap();
    TGraphic* graphic = image->Picture()->Graphic();

    // The picture changes while no messages are handled: without incremental display
    // a progress report leaves the screen as it was.
    held->Canvas()->Brush()->SetColor(Blue);
    held->Canvas()->FillRect(RECT { 0, 0, 30, 30 });
    graphic->Progress(graphic, psRunning, 40, true, RECT { 0, 0, 30, 30 }, "");
    EXPECT_EQ(WindowPixel(window, 30, 30), ColorToRGB(Red));
    // With it, the report asking for a redraw paints at once.
    image->SetIncrementalDisplay(true);
    graphic->Progress(graphic, psRunning, 60, false, RECT { 0, 0, 30, 30 }, "");
    EXPECT_EQ(WindowPixel(window, 30, 30), ColorToRGB(Red));
    graphic->Progress(graphic, psRunning, 80, true, RECT { 0, 0, 30, 30 }, "");
    EXPECT_EQ(WindowPixel(window, 30, 30), ColorToRGB(Blue));
    EXPECT_EQ(reports, (std::vector<int> { 40, 60, 80 }));
}

TEST_F(DisplayControls, ALabelsAcceleratorFocusesItsControlAndADisabledLabelIsEmbossed)
{
    auto* target = MakeOwned<TPanel>(form.get());
    target->SetParent(form.get());
    target->SetBounds(220, 10, 60, 30);
    target->SetTabStop(true);
    auto* label = MakeOwned<TLabel>(form.get());
    label->SetParent(panel);
    label->SetLeft(10);
    label->SetTop(100);
    label->Font()->SetColor(clBlack);
    label->SetCaption("&Name");
    label->SetFocusControl(target);
    Show();
    SetForegroundWindow(form->Handle());
    PumpMessages();
    PostMessageA(form->Handle(), WM_CHAR, 'n', 0);
    PumpMessages();
    EXPECT_EQ(GetFocus(), target->Handle());
    // Without ShowAccelChar the "&" is plain text: the character is not taken.
    EXPECT_TRUE(label->DialogChar('N', 0));
    EXPECT_FALSE(label->DialogChar('x', 0));
    label->SetShowAccelChar(false);
    EXPECT_FALSE(label->DialogChar('n', 0));

    label->SetShowAccelChar(true);
    label->SetEnabled(false);
    UpdateWindow(panel->Handle());
    RECT area = label->BoundsRect();
    EXPECT_GT(Count(area, clBtnShadow), 0);
    EXPECT_EQ(Count(area, clBlack), 0);
}

TEST_F(DisplayControls, ResizingRepaintsTheWholePanelOrOnlyTheEdgesThatMoved)
{
    Show();
    HWND window = panel->Handle();
    auto updated = [&](int x, int y) {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(window, region, FALSE);
        bool inside = PtInRegion(region, x, y) != FALSE;
        DeleteObject(region);
        return inside;
    };
    ValidateRect(window, nullptr);
    panel->SetBounds(10, 10, 220, 150);
    EXPECT_TRUE(updated(110, 75));
    UpdateWindow(window);

    // Without full repaint and without caption: the strips of the bevels that moved.
    panel->SetFullRepaint(false);
    ValidateRect(window, nullptr);
    panel->SetBounds(10, 10, 240, 160);
    EXPECT_FALSE(updated(110, 75));
    EXPECT_TRUE(updated(218, 75));
    EXPECT_TRUE(updated(110, 148));
    UpdateWindow(window);
    EXPECT_EQ(WindowPixel(window, 217, 75), RGB(255, 255, 255));
    EXPECT_EQ(WindowPixel(window, 239, 75), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(WindowPixel(window, 110, 159), ColorToRGB(clBtnHighlight));
}

TEST_F(DisplayControls, APictureChangedOrClearedWhileShownRepaintsWhatItUncovers)
{
    auto* image = MakeOwned<TImage>(form.get());
    image->SetParent(panel);
    image->SetBounds(20, 20, 40, 40);
    image->SetCenter(true);
    // Larger than the control and centred: only its middle shows, clipped to the control.
    TBitmap large;
    PaintSolid(large, 80, 80, Red);
    large.Canvas()->Brush()->SetColor(clBlack);
    large.Canvas()->FillRect(RECT { 20, 20, 60, 60 });
    image->Picture()->SetGraphic(&large);
    Show();
    HWND window = panel->Handle();
    EXPECT_EQ(Count(RECT { 20, 20, 60, 60 }, clBlack), 40 * 40);
    EXPECT_EQ(Count(RECT { 0, 0, 200, 150 }, Red), 0);

    // A smaller picture: the parent shows again around it.
    auto small = Filled(10, 10, Red);
    image->Picture()->SetGraphic(small.get());
    UpdateWindow(window);
    EXPECT_EQ(Count(RECT { 20, 20, 60, 60 }, Red), 100);
    EXPECT_EQ(Count(RECT { 20, 20, 60, 60 }, clBlack), 0);
    EXPECT_EQ(WindowPixel(window, 21, 21), RGB(255, 255, 255));

    // Cleared: nothing of it is left.
    image->Picture()->SetGraphic(nullptr);
    UpdateWindow(window);
    EXPECT_EQ(Count(RECT { 20, 20, 60, 60 }, clWhite), 40 * 40);
}

TEST_F(DisplayControls, ALabelAnImageOrAPanelMayBeFreedByItsOwnClick)
{
    auto* label = MakeOwned<TLabel>(form.get());
    label->SetParent(panel);
    label->SetBounds(10, 10, 60, 20);
    label->SetAutoSize(false);
    label->SetCaption("Label");
    auto* image = MakeOwned<TImage>(form.get());
    image->SetParent(panel);
    image->SetBounds(10, 50, 40, 40);
    std::vector<std::string> seen;
    label->OnClick = [&](TObject*) {
        seen.push_back("label");
        form->DestroyComponent(label);
    };
    label->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("label up"); };
    image->OnClick = [&](TObject*) {
        seen.push_back("image");
        form->DestroyComponent(image);
    };
    Show();
    HWND window = panel->Handle();
    for (POINT at : { POINT { 20, 20 }, POINT { 20, 60 } }) {
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(at.x, at.y));
        SendMessageA(window, WM_LBUTTONUP, 0, PointParam(at.x, at.y));
    }
    PumpMessages();
    EXPECT_EQ(seen, (std::vector<std::string> { "label", "image" }));
    EXPECT_EQ(panel->ControlCount(), 0);
    EXPECT_EQ(GetCapture(), nullptr);

    // A windowed one goes with its window while the window's own message is handled.
    auto* inner = MakeOwned<TPanel>(form.get());
    inner->SetParent(form.get());
    inner->SetBounds(220, 10, 50, 50);
    inner->OnClick = [&](TObject*) {
        seen.push_back("panel");
        form->DestroyComponent(inner);
    };
    inner->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("panel up"); };
    UpdateWindow(form->Handle());
    HWND innerWindow = inner->Handle();
    SendMessageA(innerWindow, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(5, 5));
    SendMessageA(innerWindow, WM_LBUTTONUP, 0, PointParam(5, 5));
    PumpMessages();
    EXPECT_EQ(seen.back(), "panel");
    EXPECT_FALSE(IsWindow(innerWindow));
    EXPECT_EQ(GetCapture(), nullptr);
}
