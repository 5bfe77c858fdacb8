// Speed buttons on real windows: pressing and releasing with the mouse captured, the
// inside test, hover frames of flat buttons read back from the screen, accelerators,
// disabled drawing, groups and glyphs.
#include "frame/support/ControlTestSupport.h"

#include "frame/Label.h"
#include "frame/Panel.h"
#include "frame/SpeedButton.h"
#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/support/SolidBitmap.h"

#include <string>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Orange = 0x0080FF;
constexpr TColor Green = 0x00FF00;

// A shown borderless form (client coordinates equal window coordinates) with a white
// panel at (10, 10) holding the buttons.
class SpeedButtons : public BorderlessFormTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        MakeForm(50, 50, 300, 200);
        panel = MakeOwned<TPanel>(form.get());
        panel->SetBounds(10, 10, 280, 180);
        panel->SetBevelOuter(bvNone);
        panel->SetColor(clWhite);
        panel->SetParent(form.get());
    }
    TSpeedButton* Button(int left, int top, int width, int height, const AnsiString& caption = {})
    {
        auto* button = MakeOwned<TSpeedButton>(form.get());
        button->SetParent(panel);
        button->SetBounds(left, top, width, height);
        button->SetCaption(caption);
        button->OnClick = [this, button](TObject* sender) { clicks.push_back(sender == button ? "click" : "other"); };
        return button;
    }
    LRESULT Mouse(UINT msg, int x, int y, WPARAM keys = 0)
    {
        return SendMessageA(panel->Handle(), msg, keys, PointParam(x, y));
    }
    COLORREF Pixel(int x, int y) { return WindowPixel(panel->Handle(), x, y); }
    int Count(const RECT& rect, TColor color)
    {
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                count += Pixel(x, y) == ColorToRGB(color) ? 1 : 0;
        return count;
    }

    TPanel* panel = nullptr;
    std::vector<std::string> clicks;
};

}

TEST_F(SpeedButtons, AClickNeedsPressAndReleaseOnTheButtonTheCaptureFollowsTheMouseOut)
{
    TSpeedButton* button = Button(20, 20, 60, 20, "Press");
    Show();
    Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    EXPECT_EQ(button->State(), bsDown);
    EXPECT_EQ(GetCapture(), panel->Handle());
    // Moved out, still captured: the button shows up again; released out: no click.
    Mouse(WM_MOUSEMOVE, 150, 100, MK_LBUTTON);
    EXPECT_EQ(button->State(), bsUp);
    Mouse(WM_MOUSEMOVE, 30, 30, MK_LBUTTON);
    EXPECT_EQ(button->State(), bsDown);
    Mouse(WM_MOUSEMOVE, 150, 100, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 150, 100);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(button->State(), bsUp);
    EXPECT_EQ(GetCapture(), nullptr);

    // Released on the row just below the button (y equal to its height): inside.
    Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 30, 20 + 20);
    EXPECT_EQ(clicks, (std::vector<std::string> { "click" }));
    // Released on the column just right of it (x equal to its width): outside.
    Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 20 + 60, 30);
    EXPECT_EQ(clicks.size(), 1u);

    // A disabled button ignores presses and draws its caption embossed.
    button->Font()->SetColor(clBlack);
    button->SetEnabled(false);
    UpdateWindow(panel->Handle());
    Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 30, 30);
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_EQ(button->State(), bsDisabled);
    RECT face = { 22, 22, 78, 38 };
    EXPECT_GT(Count(face, clBtnShadow), 5);
    EXPECT_EQ(Count(face, clBlack), 0);
}

TEST_F(SpeedButtons, FlatTransparentButtonOverALabelShowsItsFrameOnlyWhileHoveredOrPressed)
{
    auto* label = MakeOwned<TLabel>(form.get());
    label->SetParent(panel);
    label->SetLeft(40);
    label->SetTop(40);
    label->Font()->SetColor(Orange);
    label->SetCaption("url : http://example.org/");
    TSpeedButton* link = Button(35, 38, label->Width() + 10, label->Height() + 4);
    link->SetFlat(true);
    Show();
    RECT area = link->BoundsRect();
    RECT labelArea = label->BoundsRect();
    int text = Count(labelArea, Orange);
    ASSERT_GT(text, 0);
    // Not hovered: no frame, the label and the panel show through.
    EXPECT_EQ(
        Count(area, clBtnHighlight) - Count(area, clWhite) * (ColorToRGB(clBtnHighlight) == RGB(255, 255, 255)), 0);
    EXPECT_EQ(Pixel(area.left, area.top), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(area.right - 1, area.bottom - 1), RGB(255, 255, 255));

    // Hovered: a one-pixel raised frame, the label still visible inside it.
    link->Perform(FM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(link->MouseInControl());
    UpdateWindow(panel->Handle());
    EXPECT_EQ(Pixel(area.left, area.top + 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(Pixel(area.right - 1, area.top + 2), ColorToRGB(clBtnShadow));
    EXPECT_EQ(Pixel(area.left + 2, area.bottom - 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(Pixel(area.left + 1, area.top + 2), RGB(255, 255, 255));
    EXPECT_EQ(Count(labelArea, Orange), text);

    // Pressed: sunken.
    Mouse(WM_LBUTTONDOWN, area.left + 5, area.top + 3, MK_LBUTTON);
    UpdateWindow(panel->Handle());
    EXPECT_EQ(Pixel(area.left, area.top + 2), ColorToRGB(clBtnShadow));
    EXPECT_EQ(Pixel(area.right - 1, area.top + 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(Count(labelArea, Orange), text);
    Mouse(WM_LBUTTONUP, area.left + 5, area.top + 3);
    EXPECT_EQ(clicks, (std::vector<std::string> { "click" }));

    // The mouse leaves: the frame goes.
    link->Perform(FM_MOUSEENTER, 0, 0);
    link->Perform(FM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(link->MouseInControl());
    UpdateWindow(panel->Handle());
    EXPECT_EQ(Pixel(area.left, area.top + 2), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(area.right - 1, area.top + 2), RGB(255, 255, 255));
}

TEST_F(SpeedButtons, TheCaptionsAcceleratorClicksItWhenTypedInTheWindow)
{
    TSpeedButton* close = Button(20, 20, 77, 16, "CLOSE (&X)");
    TSpeedButton* other = Button(120, 20, 77, 16, "Other (&O)");
    Show();
    HWND window = form->Handle();
    for (char typed : { 'x', 'X' }) {
        PostMessageA(window, WM_CHAR, static_cast<unsigned char>(typed), 0);
        PumpMessages();
    }
    PostMessageA(window, WM_SYSCHAR, 'x', 1 << 29);
    PumpMessages();
    EXPECT_EQ(clicks, (std::vector<std::string> { "click", "click", "click" }));
    // Another character clicks nothing; a hidden button is not clicked.
    clicks.clear();
    PostMessageA(window, WM_CHAR, 'q', 0);
    PumpMessages();
    EXPECT_TRUE(clicks.empty());
    close->SetVisible(false);
    PostMessageA(window, WM_CHAR, 'x', 0);
    PumpMessages();
    EXPECT_TRUE(clicks.empty());
    (void)other;
}

TEST_F(SpeedButtons, GroupButtonsStayDownAndReleaseEachOther)
{
    TSpeedButton* first = Button(20, 20, 40, 20, "A");
    TSpeedButton* second = Button(70, 20, 40, 20, "B");
    first->SetGroupIndex(1);
    second->SetGroupIndex(1);
    Show();
    Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 30, 30);
    EXPECT_TRUE(first->Down());
    EXPECT_EQ(first->State(), bsExclusive);
    // Clicked again without AllowAllUp: still down.
    Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 30, 30);
    EXPECT_TRUE(first->Down());
    // The other button of the group goes down and releases the first.
    Mouse(WM_LBUTTONDOWN, 80, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 80, 30);
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(first->Down());
    EXPECT_EQ(first->State(), bsUp);
    EXPECT_EQ(clicks.size(), 3u);
    // With AllowAllUp (passed to the whole group) a click releases it.
    second->SetAllowAllUp(true);
    EXPECT_TRUE(first->AllowAllUp());
    Mouse(WM_LBUTTONDOWN, 80, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 80, 30);
    EXPECT_FALSE(second->Down());
    // Without a group index Down stays false.
    TSpeedButton* plain = Button(120, 20, 40, 20, "C");
    plain->SetDown(true);
    EXPECT_FALSE(plain->Down());
    // The exclusive state is dithered: face and highlight alternate.
    second->SetDown(true);
    second->Font()->SetColor(Red);
    UpdateWindow(panel->Handle());
    COLORREF a = Pixel(74, 24);
    COLORREF b = Pixel(75, 24);
    EXPECT_NE(a, b);
    EXPECT_TRUE((a == ColorToRGB(clBtnFace) && b == ColorToRGB(clBtnHighlight))
        || (b == ColorToRGB(clBtnFace) && a == ColorToRGB(clBtnHighlight)));
}

TEST_F(SpeedButtons, AGlyphIsDrawnBesideTheCaptionAndADisabledOneUsesItsSecondImage)
{
    // Two 16 x 16 images: green with a red corner (the transparent colour, taken from
    // the bottom-left pixel), then a grey square on white for the disabled state.
    TBitmap strip;
    strip.SetWidth(32);
    strip.SetHeight(16);
    strip.Canvas()->Brush()->SetColor(Green);
    strip.Canvas()->FillRect(RECT { 0, 0, 16, 16 });
    strip.Canvas()->Brush()->SetColor(Red);
    strip.Canvas()->FillRect(RECT { 0, 12, 4, 16 });
    strip.Canvas()->Brush()->SetColor(clWhite);
    strip.Canvas()->FillRect(RECT { 16, 0, 32, 16 });
    strip.Canvas()->Brush()->SetColor(clGray);
    strip.Canvas()->FillRect(RECT { 20, 4, 28, 12 });
    TSpeedButton* button = Button(20, 20, 80, 30);
    button->SetFlat(true);
    button->SetGlyph(&strip);
    EXPECT_EQ(button->NumGlyphs(), 2);
    Show();
    // No caption: the glyph is centred in the flat button's face, one pixel in.
    int gx = 20 + 1 + (78 - 16 + 1) / 2;
    int gy = 20 + 1 + (28 - 16 + 1) / 2;
    EXPECT_EQ(Pixel(gx + 8, gy + 8), ColorToRGB(Green));
    // The transparent corner shows the panel through the (transparent) button.
    EXPECT_EQ(Pixel(gx + 1, gy + 14), RGB(255, 255, 255));
    button->SetEnabled(false);
    UpdateWindow(panel->Handle());
    EXPECT_EQ(Pixel(gx + 8, gy + 8), ColorToRGB(clBtnShadow));
    EXPECT_EQ(Pixel(gx + 1, gy + 1), ColorToRGB(clBtnHighlight));

    // Glyphs of one size share an image list: a second button keeps its own image
    // while the first one's images are dropped and made again.
    TBitmap blue;
    PaintSolid(blue, 16, 16, 0xFF0000);
    blue.Canvas()->Brush()->SetColor(Red);
    blue.Canvas()->FillRect(RECT { 0, 15, 1, 16 });
    TSpeedButton* other = Button(120, 20, 80, 30);
    other->SetFlat(true);
    other->SetGlyph(&blue);
    UpdateWindow(panel->Handle());
    button->SetEnabled(true);
    strip.Canvas()->Brush()->SetColor(Orange);
    strip.Canvas()->FillRect(RECT { 4, 4, 12, 12 });
    button->SetGlyph(&strip);
    UpdateWindow(panel->Handle());
    EXPECT_EQ(Pixel(gx + 8, gy + 8), ColorToRGB(Orange));
    EXPECT_EQ(Pixel(gx + 1, gy + 1), ColorToRGB(Green));
    EXPECT_EQ(Pixel(gx + 100 + 8, gy + 8), ColorToRGB(0xFF0000));
}

TEST_F(SpeedButtons, APressEndedByLosingTheCaptureLeavesTheButtonUpAndDrawnUp)
{
    // Flat transparent buttons: sunken while pressed, nothing but the white panel when up
    // (the cursor is not over them).
    TSpeedButton* plain = Button(20, 20, 40, 20);
    TSpeedButton* grouped = Button(70, 20, 40, 20);
    plain->SetFlat(true);
    grouped->SetFlat(true);
    grouped->SetGroupIndex(1);
    Show();
    for (TSpeedButton* button : { plain, grouped }) {
        RECT area = button->BoundsRect();
        Mouse(WM_LBUTTONDOWN, area.left + 5, area.top + 5, MK_LBUTTON);
        UpdateWindow(panel->Handle());
        ASSERT_EQ(Pixel(area.left, area.top + 2), ColorToRGB(clBtnShadow));
        // Another control or window takes the capture: the press ends outside, at once,
        // without a mouse move before it.
        button->Perform(WM_CANCELMODE, 0, 0);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(button->State(), bsUp);
        EXPECT_FALSE(button->Down());
        UpdateWindow(panel->Handle());
        EXPECT_EQ(Pixel(area.left, area.top + 2), RGB(255, 255, 255));
        // Released at a point outside with no move before it: the same.
        Mouse(WM_LBUTTONDOWN, area.left + 5, area.top + 5, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, 200, 150);
        EXPECT_EQ(button->State(), bsUp);
        UpdateWindow(panel->Handle());
        EXPECT_EQ(Pixel(area.left, area.top + 2), RGB(255, 255, 255));
    }
    EXPECT_TRUE(clicks.empty());
}

TEST_F(SpeedButtons, AButtonMayBeFreedByItsOwnClickAndAGroupGoesOnWithoutIt)
{
    TSpeedButton* first = Button(20, 20, 40, 20, "A");
    TSpeedButton* second = Button(70, 20, 40, 20, "B");
    TSpeedButton* third = Button(120, 20, 40, 20, "C");
    for (TSpeedButton* button : { first, second, third }) {
        button->SetFlat(true);
        button->SetGroupIndex(3);
    }
    first->OnClick = [this, first](TObject*) { form->DestroyComponent(first); };
    Show();
    // The cursor rests on the button: after the click the hover state is looked at again.
    POINT over = panel->ClientToScreen(POINT { 30, 30 });
    SetCursorPos(over.x, over.y);
    Mouse(WM_MOUSEMOVE, 30, 30);
    Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 30, 30);
    PumpMessages();
    EXPECT_EQ(panel->ControlCount(), 2);
    EXPECT_EQ(GetCapture(), nullptr);
    // The rest of the group still works and still releases each other.
    Mouse(WM_LBUTTONDOWN, 80, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 80, 30);
    Mouse(WM_LBUTTONDOWN, 130, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 130, 30);
    EXPECT_FALSE(second->Down());
    EXPECT_TRUE(third->Down());
    SetCursorPos(0, 0);
}
