// The about window read from its stored form at construction and shown modally: its
// size scaled to the font, its panels, pictures, captions and buttons read back from
// the screen, and closing it with its close button or the button's accelerator, again
// and again.
#include "frame/support/ControlTestSupport.h"

#include "app/Infowindow1.h"
#include "app/support/MainWindowFixture.h"
#include "frame/Screen.h"
#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "frame/SpeedButton.h"
#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/Picture.h"

#include <string>

namespace {

int Count(HWND window, const RECT& rect, COLORREF color)
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            count += WindowPixel(window, x, y) == color ? 1 : 0;
    return count;
}

// What the open about window showed.
struct SeenAbout {
    bool seen = false;
    bool centred = false;
    int bevelErrors = -1;
    int logoMismatches = -1;
    int badgeMismatches = -1;
    int blueText = 0;
    int orangeText = 0;
    int orangeLabelsWhite = 0;
    bool closeButtonFramed = false;
    bool linkFramed = true;
};

class AboutWindow : public ControlTest {
protected:
    void TearDown() override
    {
        form.reset();
        InfoForm1 = nullptr;
        while (Application->ComponentCount() > 0)
            Application->DestroyComponent(Application->Components(Application->ComponentCount() - 1));
        ControlTest::TearDown();
    }

    // The about window made as the entry routine makes it, its links going to the
    // test's shell.
    TInfoForm1* Create()
    {
        TInfoForm1* created = nullptr;
        Application->CreateAppForm(created);
        if (created) {
            InfoForm1 = created;
            created->SetDesktopShell(std::make_unique<RecordingShell>(shell));
        }
        return created;
    }

    // Reads what the window shows; the closing action runs afterwards.
    void Look(SeenAbout& seen)
    {
        seen.seen = true;
        HWND window = form->Handle();
        RECT bounds;
        GetWindowRect(window, &bounds);
        seen.centred = bounds.left == (GetSystemMetrics(SM_CXSCREEN) - (bounds.right - bounds.left)) / 2;
        // Both panels: two one-pixel lowered frames.
        seen.bevelErrors = 0;
        for (TPanel* panel : { form->Panel1, form->Panel2 }) {
            HWND p = panel->Handle();
            int w = panel->Width();
            int h = panel->Height();
            for (int ring = 0; ring < 2; ++ring) {
                seen.bevelErrors += WindowPixel(p, w / 2, ring) != ColorToRGB(clBtnShadow);
                seen.bevelErrors += WindowPixel(p, ring, h / 2) != ColorToRGB(clBtnShadow);
                seen.bevelErrors += WindowPixel(p, w / 2, h - 1 - ring) != ColorToRGB(clBtnHighlight);
                seen.bevelErrors += WindowPixel(p, w - 1 - ring, h / 2) != ColorToRGB(clBtnHighlight);
            }
        }
        // The pictures at their places, pixel for pixel (a sample grid).
        auto mismatches = [](TImage* image) {
            TBitmap* picture = image->Picture()->Bitmap();
            HWND p = image->Parent()->Handle();
            int wrong = 0;
            for (int y = 0; y < picture->Height(); y += 7)
                for (int x = 0; x < picture->Width(); x += 7)
                    wrong += WindowPixel(p, image->Left() + x, image->Top() + y)
                        != ColorToRGB(picture->Canvas()->Pixels(x, y));
            return wrong;
        };
        seen.logoMismatches = mismatches(form->Image1);
        seen.badgeMismatches = mismatches(form->Image2);
        HWND left = form->Panel1->Handle();
        seen.blueText = Count(left, form->Label1->BoundsRect(), RGB(0, 0, 255));
        for (const char* name : { "Label2", "Label3", "Label6" }) {
            auto* label = dynamic_cast<TLabel*>(form->FindComponent(name));
            seen.orangeText += Count(left, label->BoundsRect(), RGB(255, 128, 0));
            seen.orangeLabelsWhite += Count(left, label->BoundsRect(), RGB(255, 255, 255)) > 0;
        }
        // The close button is a raised push button; the flat links show no frame.
        RECT close = form->SpeedButton2->BoundsRect();
        seen.closeButtonFramed = WindowPixel(left, close.right - 1, close.bottom - 1) == ColorToRGB(cl3DDkShadow)
            && WindowPixel(left, close.left + 3, close.top + 2) == ColorToRGB(clBtnFace);
        auto* link = dynamic_cast<TSpeedButton*>(form->FindComponent("SpeedButton1"));
        RECT linkArea = link->BoundsRect();
        seen.linkFramed = WindowPixel(left, linkArea.right - 1, linkArea.bottom - 1) == ColorToRGB(clBtnShadow);
    }

    TComponentPtr<TInfoForm1> form;
    ShellLog shell;
};

}

TEST_F(AboutWindow, ReadIntoRealControlsItShowsPanelsPicturesCaptionsAndClosesAgainAndAgain)
{
    TInfoForm1* created = Create();
    ASSERT_NE(created, nullptr);
    form.reset(created);
    Application->RemoveComponent(created).release();
    ASSERT_TRUE(form->Panel1 && form->Panel2 && form->Image1 && form->Image2 && form->Label1 && form->SpeedButton2);
    // The labels took the size of their text after reading.
    auto* orange = dynamic_cast<TLabel*>(form->FindComponent("Label2"));
    ASSERT_NE(orange, nullptr);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, orange->Font()->Handle());
    SIZE text {};
    AnsiString caption = orange->Caption();
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(orange->Width(), text.cx);
    EXPECT_EQ(orange->Height(), text.cy);

    for (int round = 0; round < 3; ++round) {
        SeenAbout seen;
        RunLater(50, [&, round] {
            Look(seen);
            if (round == 1) {
                // The close button's accelerator, typed in the window.
                PostMessageA(form->Handle(), WM_CHAR, 'x', 0);
                return;
            }
            RECT close = form->SpeedButton2->BoundsRect();
            int x = (close.left + close.right) / 2;
            int y = (close.top + close.bottom) / 2;
            HWND left = form->Panel1->Handle();
            PostMessageA(left, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
            PostMessageA(left, WM_LBUTTONUP, 0, PointParam(x, y));
        });
        EXPECT_EQ(form->ShowFormModal(), mrCancel) << round;
        ASSERT_TRUE(seen.seen) << round;
        EXPECT_TRUE(seen.centred) << round;
        EXPECT_EQ(seen.bevelErrors, 0) << round;
        EXPECT_EQ(seen.logoMismatches, 0) << round;
        EXPECT_EQ(seen.badgeMismatches, 0) << round;
        EXPECT_GT(seen.blueText, 0) << round;
        EXPECT_GT(seen.orangeText, 0) << round;
        EXPECT_EQ(seen.orangeLabelsWhite, 3) << round;
        EXPECT_TRUE(seen.closeButtonFramed) << round;
        EXPECT_FALSE(seen.linkFramed) << round;
        EXPECT_FALSE(form->Visible());
    }
    // Only the close button ran: no link asked the shell for anything.
    EXPECT_TRUE(shell.executions.empty());
    EXPECT_TRUE(Errors.empty());
}

TEST_F(AboutWindow, IsReadFromItsStoredFormAtConstructionAndScaledToTheFont)
{
    // Not the main form: the first one made is.
    TPlainForm* main = nullptr;
    Application->CreateAppForm(main);
    TInfoForm1* form = Create();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Caption(), "SV_WALLPAPER Ver.1.0");
    EXPECT_EQ(form->BorderStyle(), bsToolWindow);
    EXPECT_EQ(form->Position(), poScreenCenter);
    EXPECT_FALSE(form->OldCreateOrder());
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->Left(), 330);
    EXPECT_EQ(form->Font()->Name(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(form->Font()->Height(), -12);
    ASSERT_NE(form->Panel1, nullptr);
    EXPECT_EQ(form->FindComponent("Panel1"), form->Panel1);
    // The client area is the stored one, scaled by the height of "0" in the form font
    // against the stored 12.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, form->Font()->Handle());
    SIZE zero {};
    GetTextExtentPoint32A(dc, "0", 1, &zero);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(form->ClientWidth(), MulDiv(415, zero.cy, 12));
    EXPECT_EQ(form->ClientHeight(), MulDiv(144, zero.cy, 12));
    EXPECT_TRUE(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    form->ShowForm();
    EXPECT_EQ(form->Left(), (GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2);
    // Other forms' streams find it by its stored name.
    EXPECT_EQ(FindGlobalForm("infoform1"), form);
    EXPECT_EQ(FindGlobalForm("NoSuchForm"), nullptr);
}
