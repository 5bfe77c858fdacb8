// The about window's stored form read into real controls and shown modally: its
// panels, pictures, captions and buttons read back from the screen, and closing it
// with its close button or the button's accelerator, again and again.
#include "ControlTestSupport.h"

#include "runtime/ClassInfo.h"
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

class TAboutForm : public TForm {
public:
    SV_CLASS_NAME(TAboutForm)
    explicit TAboutForm(TComponent* owner) : TForm(owner) {}
    void SpeedButton2Click(TObject*)
    {
        clicks.push_back("close");
        CloseForm();
    }
    void LinkClick(TObject* sender) { clicks.push_back(static_cast<TComponent*>(sender)->Name().c_str()); }

    std::vector<std::string> clicks;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TLabel* Label1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
};

const TClassRegistration<TAboutForm> aboutInfo("TInfoForm1", [](TClassBuilder<TAboutForm>& c) {
    c.Parent<TForm>();
    c.Field("Panel1", &TAboutForm::Panel1);
    c.Field("Panel2", &TAboutForm::Panel2);
    c.Field("Image1", &TAboutForm::Image1);
    c.Field("Image2", &TAboutForm::Image2);
    c.Field("Label1", &TAboutForm::Label1);
    c.Field("SpeedButton2", &TAboutForm::SpeedButton2);
    c.Method<TNotifyEvent>("SpeedButton2Click", &TAboutForm::SpeedButton2Click);
    for (const char* name : { "SpeedButton1Click", "SpeedButton3Click", "SpeedButton4Click" })
        c.Method<TNotifyEvent>(name, &TAboutForm::LinkClick);
});

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
        ControlTest::TearDown();
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
                    wrong += WindowPixel(p, image->Left() + x, image->Top() + y) != ColorToRGB(picture->Canvas()->Pixels(x, y));
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

    TComponentPtr<TAboutForm> form;
};

}

TEST_F(AboutWindow, ReadIntoRealControlsItShowsPanelsPicturesCaptionsAndClosesAgainAndAgain)
{
    TAboutForm* created = nullptr;
    Application->CreateAppForm(created);
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
    EXPECT_EQ(form->clicks, (std::vector<std::string> { "close", "close", "close" }));
    EXPECT_TRUE(Errors.empty());
}
