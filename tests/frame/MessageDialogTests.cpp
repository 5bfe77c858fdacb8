// The notice box on real windows: its layout from the message font's measured
// character size, caption, centring, and the OK button that Enter and Escape click.
#include "frame/support/ControlTestSupport.h"
#include "frame/support/FrameTestSupport.h"

#include "frame/Button.h"
#include "frame/Label.h"
#include "frame/MessageForm.h"
#include "frame/Panel.h"
#include "frame/Screen.h"

#include <algorithm>

namespace {

const char NoPhotos[] =
    "このフォルダには ファイル名の先頭が 'sv_' となっている\nSorviaの写真が見当たりません。\n\n再度 フォルダを選択してください。";
const char FirstPhoto[] =
    "このソフトは １分単位で壁紙の更新を行なおうとします。\n最初の写真が出るまで しばらくお待ちください。";

// What the test measures itself with the system's message font.
struct Measure {
    Measure()
    {
        NONCLIENTMETRICSA metrics {};
        metrics.cbSize = 340;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0);
        font = CreateFontIndirectA(&metrics.lfMessageFont);
        dc = GetDC(nullptr);
        old = SelectObject(dc, font);
        SIZE size {};
        GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
        x = size.cx / 52;
        y = size.cy;
    }
    ~Measure()
    {
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        DeleteObject(font);
    }
    RECT Text(const AnsiString& text, UINT extra = 0)
    {
        RECT rect = { 0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0 };
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()) + 1, &rect,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | extra);
        return rect;
    }
    int CaptionWidth(const AnsiString& caption)
    {
        RECT rect = { 0, 0, 0, 0 };
        DrawTextA(dc, caption.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE);
        return rect.right + 8;
    }
    HFONT font;
    HDC dc;
    HGDIOBJ old;
    int x;
    int y;
};

// What the notice box showed, read from inside its modal loop.
struct SeenNotice {
    bool seen = false;
    AnsiString caption;
    RECT formBounds {};
    int clientWidth = 0;
    int clientHeight = 0;
    RECT label {};
    RECT button {};
    AnsiString buttonCaption;
    bool isDefault = false;
    bool isCancel = false;
    bool defaultStyle = false;
    int buttonCount = 0;
};

TMessageForm* OpenNotice()
{
    for (int i = Screen->CustomFormCount() - 1; i >= 0; --i)
        if (auto* form = dynamic_cast<TMessageForm*>(Screen->CustomForms(i)))
            if (form->Visible())
                return form;
    return nullptr;
}

class MessageDialogTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        savedTitle = Application->AppTitle();
        Application->SetAppTitle("SV_WALLPAPER");
    }
    void TearDown() override
    {
        Application->SetAppTitle(savedTitle);
        ControlTest::TearDown();
    }

    // Shows the notice; from inside its loop the box is read and closed with the key
    // (0: with the close box).
    SeenNotice Show(const AnsiString& text, WPARAM closingKey)
    {
        SeenNotice seen;
        std::function<void()> look = [&seen, closingKey, &look] {
            TMessageForm* form = OpenNotice();
            if (!form) {
                RunLater(20, look);
                return;
            }
            seen.seen = true;
            seen.caption = form->Caption();
            GetWindowRect(form->Handle(), &seen.formBounds);
            seen.clientWidth = form->ClientWidth();
            seen.clientHeight = form->ClientHeight();
            auto* label = dynamic_cast<TLabel*>(form->FindComponent("Message"));
            auto* button = dynamic_cast<TButton*>(form->FindComponent("OK"));
            for (int i = 0; i < form->ComponentCount(); ++i)
                seen.buttonCount += dynamic_cast<TButton*>(form->Components(i)) ? 1 : 0;
            if (label)
                seen.label = label->BoundsRect();
            if (button) {
                seen.button = button->BoundsRect();
                seen.buttonCaption = button->Caption();
                seen.isDefault = button->Default();
                seen.isCancel = button->Cancel();
                seen.defaultStyle = (GetWindowLongA(button->Handle(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
                if (closingKey)
                    PostMessageA(button->Handle(), WM_KEYDOWN, closingKey, 0);
                else
                    PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
            } else {
                form->SetModalResult(mrCancel);
            }
        };
        RunLater(20, look);
        ShowNotice(text);
        return seen;
    }

    AnsiString savedTitle;
};

}

TEST_F(MessageDialogTest, TheProgramsTwoNoticesAreLaidOutFromTheMessageFont)
{
    Measure measure;
    int horzMargin = MulDiv(8, measure.x, 4);
    int vertMargin = MulDiv(8, measure.y, 8);
    int vertSpacing = MulDiv(10, measure.y, 8);
    int buttonWidth = std::max(MulDiv(50, measure.x, 4), measure.CaptionWidth("OK"));
    int buttonHeight = MulDiv(14, measure.y, 8);
    int formsBefore = Screen->CustomFormCount();
    for (const char* text : { NoPhotos, FirstPhoto }) {
        SeenNotice seen = Show(text, VK_RETURN);
        ASSERT_TRUE(seen.seen) << text;
        RECT textRect = measure.Text(text);
        int clientWidth = std::max<int>(textRect.right, buttonWidth) + 2 * horzMargin;
        EXPECT_EQ(seen.caption, "SV_WALLPAPER");
        EXPECT_EQ(seen.clientWidth, clientWidth);
        EXPECT_EQ(seen.clientHeight, textRect.bottom + buttonHeight + vertSpacing + 2 * vertMargin);
        // The text block at the margins, the one button centred under it.
        EXPECT_EQ(seen.label.left, horzMargin);
        EXPECT_EQ(seen.label.top, vertMargin);
        EXPECT_EQ(seen.label.right - seen.label.left, textRect.right);
        EXPECT_EQ(seen.label.bottom - seen.label.top, textRect.bottom);
        EXPECT_EQ(seen.buttonCount, 1);
        EXPECT_EQ(seen.buttonCaption, "OK");
        EXPECT_EQ(seen.button.left, (clientWidth - buttonWidth) / 2);
        EXPECT_EQ(seen.button.top, textRect.bottom + vertMargin + vertSpacing);
        EXPECT_EQ(seen.button.right - seen.button.left, buttonWidth);
        EXPECT_EQ(seen.button.bottom - seen.button.top, buttonHeight);
        EXPECT_TRUE(seen.isDefault && seen.isCancel && seen.defaultStyle);
        // The box is centred on the screen.
        int width = seen.formBounds.right - seen.formBounds.left;
        int height = seen.formBounds.bottom - seen.formBounds.top;
        EXPECT_EQ(seen.formBounds.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
        EXPECT_EQ(seen.formBounds.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    }
    // Each box was freed when it closed.
    EXPECT_EQ(Screen->CustomFormCount(), formsBefore);
}

TEST_F(MessageDialogTest, EscapeClosesTooAndShortTextsStillFitTheButton)
{
    Measure measure;
    int horzMargin = MulDiv(8, measure.x, 4);
    int buttonWidth = std::max(MulDiv(50, measure.x, 4), measure.CaptionWidth("OK"));
    SeenNotice seen = Show("OK", VK_ESCAPE);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.clientWidth, buttonWidth + 2 * horzMargin);
    EXPECT_EQ(seen.button.left, horzMargin);
}

TEST_F(MessageDialogTest, AmpersandsArePrefixesAndTabsAreExpandedWhenMeasuring)
{
    Measure measure;
    // "&&" measures as one "&": narrower than the same text taken literally.
    SeenNotice ampersands = Show("&&&&&&&&&&&&&&&&", VK_RETURN);
    RECT prefixed = measure.Text("&&&&&&&&&&&&&&&&");
    RECT literal = measure.Text("&&&&&&&&&&&&&&&&", DT_NOPREFIX);
    ASSERT_TRUE(ampersands.seen);
    EXPECT_EQ(ampersands.label.right - ampersands.label.left, prefixed.right);
    EXPECT_LT(prefixed.right, literal.right);
    // A tab takes the room of several characters.
    SeenNotice tabbed = Show("WWWWWWWWWW\tW", VK_RETURN);
    RECT plain = measure.Text("WWWWWWWWWW W");
    ASSERT_TRUE(tabbed.seen);
    EXPECT_EQ(tabbed.label.right - tabbed.label.left, measure.Text("WWWWWWWWWW\tW").right);
    EXPECT_GT(tabbed.label.right - tabbed.label.left, plain.right);
}

TEST_F(MessageDialogTest, LongLinesWrapAtHalfTheScreenAndTheBoxGrowsInHeight)
{
    AnsiString line;
    for (int i = 0; i < 60; ++i)
        line += "word ";
    SeenNotice seen = Show(line, VK_RETURN);
    ASSERT_TRUE(seen.seen);
    Measure measure;
    EXPECT_LE(seen.label.right - seen.label.left, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_GT(seen.label.bottom - seen.label.top, measure.y);
}

TEST_F(MessageDialogTest, OtherDialogTypesCarryTheirIconCaptionAndButtons)
{
    TMessageForm* form = BuildMessageDialog("確認しますか", mtConfirmation, mbYes | mbNo | mbCancel);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Caption(), "確認");
    ASSERT_NE(form->FindComponent("Image"), nullptr);
    auto* yes = dynamic_cast<TButton*>(form->FindComponent("Yes"));
    auto* no = dynamic_cast<TButton*>(form->FindComponent("No"));
    auto* cancel = dynamic_cast<TButton*>(form->FindComponent("Cancel"));
    ASSERT_TRUE(yes && no && cancel);
    EXPECT_EQ(yes->Caption(), "はい(&Y)");
    EXPECT_TRUE(yes->Default());
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_FALSE(no->Cancel());
    EXPECT_EQ(no->ModalResult(), 7);
    // In bit order, left to right, the same width apart.
    EXPECT_LT(yes->Left(), no->Left());
    EXPECT_EQ(cancel->Left() - no->Left(), no->Left() - yes->Left());
    // The text stands right of the icon.
    auto* label = dynamic_cast<TLabel*>(form->FindComponent("Message"));
    ASSERT_NE(label, nullptr);
    EXPECT_GT(label->Left(), 32);
    Application->DestroyComponent(form);
}

TEST_F(MessageDialogTest, PushButtonsEndTheDialogWithTheirResultByMouseEnterEscapeAndFocus)
{
    // From inside the dialog's loop: act on the named button once it is up.
    auto runWith = [](std::function<void(TMessageForm*)> act) {
        std::function<void()> look = [act, &look] {
            TMessageForm* form = OpenNotice();
            if (!form) {
                RunLater(20, look);
                return;
            }
            act(form);
        };
        RunLater(20, look);
        return RunMessageDialog("続けますか", mtConfirmation, mbYes | mbNo, 0, -1, -1, AnsiString());
    };
    auto button = [](TMessageForm* form, const char* name) {
        return dynamic_cast<TButton*>(form->FindComponent(name))->Handle();
    };
    // Enter clicks the default button (Yes), Escape the cancel button (No).
    EXPECT_EQ(runWith([&](TMessageForm* form) { PostMessageA(button(form, "Yes"), WM_KEYDOWN, VK_RETURN, 0); }), 6);
    EXPECT_EQ(runWith([&](TMessageForm* form) { PostMessageA(button(form, "Yes"), WM_KEYDOWN, VK_ESCAPE, 0); }), 7);
    // A mouse click on a button ends the dialog with that button's result.
    EXPECT_EQ(runWith([&](TMessageForm* form) {
        HWND no = button(form, "No");
        PostMessageA(no, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(5, 5));
        PostMessageA(no, WM_LBUTTONUP, 0, PointParam(5, 5));
    }),
        7);
    // With the focus on No, Enter clicks No.
    EXPECT_EQ(runWith([&](TMessageForm* form) {
        SetFocus(button(form, "No"));
        PostMessageA(button(form, "No"), WM_KEYDOWN, VK_RETURN, 0);
    }),
        7);
    // The accelerator character of a caption clicks its button.
    EXPECT_EQ(runWith([&](TMessageForm* form) { PostMessageA(button(form, "Yes"), WM_CHAR, 'n', 0); }), 7);
}

TEST_F(MessageDialogTest, EmptyUnbreakableAndDoubleByteTextsGiveABoxTheCloseBoxCloses)
{
    Measure measure;
    int horzMargin = MulDiv(8, measure.x, 4);
    int buttonWidth = std::max(MulDiv(50, measure.x, 4), measure.CaptionWidth("OK"));
    AnsiString unbreakable(400, 'W');
    int formsBefore = Screen->CustomFormCount();
    for (const AnsiString& text : { AnsiString(), unbreakable, AnsiString("表示&&設定\t終了(&Q)\n二行目\tです") }) {
        SeenNotice seen = Show(text, 0);
        ASSERT_TRUE(seen.seen) << text;
        RECT textRect = measure.Text(text);
        EXPECT_EQ(seen.label.right - seen.label.left, textRect.right) << text;
        EXPECT_EQ(seen.label.bottom - seen.label.top, textRect.bottom) << text;
        EXPECT_GE(seen.label.bottom - seen.label.top, measure.y) << text;
        EXPECT_EQ(seen.clientWidth, std::max<int>(textRect.right, buttonWidth) + 2 * horzMargin) << text;
    }
    EXPECT_EQ(Screen->CustomFormCount(), formsBefore);
}

TEST_F(MessageDialogTest, ANoticeOpenedOnTopOfAnotherLeavesTheFirstOneUsable)
{
    // The open box whose text is the given one.
    auto find = [](const char* text) -> TMessageForm* {
        for (int i = 0; i < Screen->CustomFormCount(); ++i)
            if (auto* form = dynamic_cast<TMessageForm*>(Screen->CustomForms(i)))
                if (auto* label = dynamic_cast<TLabel*>(form->FindComponent("Message")))
                    if (form->Visible() && label->Caption() == text)
                        return form;
        return nullptr;
    };
    auto okOf = [](TMessageForm* form) { return dynamic_cast<TButton*>(form->FindComponent("OK"))->Handle(); };
    int formsBefore = Screen->CustomFormCount();
    bool innerSeen = false;
    bool outerEnabledAfter = false;
    std::function<void()> closeInner = [&] {
        TMessageForm* inner = find("inner");
        if (!inner) {
            RunLater(20, closeInner);
            return;
        }
        innerSeen = true;
        PostMessageA(okOf(inner), WM_KEYDOWN, VK_RETURN, 0);
    };
    std::function<void()> openInner = [&] {
        TMessageForm* outer = find("outer");
        if (!outer) {
            RunLater(20, openInner);
            return;
        }
        // As a timer of the program may do while a box is up.
        RunLater(20, closeInner);
        ShowNotice("inner");
        outer = find("outer");
        if (!outer)
            return;
        outerEnabledAfter = IsWindowEnabled(outer->Handle()) != 0;
        if (outerEnabledAfter)
            PostMessageA(okOf(outer), WM_KEYDOWN, VK_RETURN, 0);
        else
            outer->SetModalResult(mrCancel);
    };
    RunLater(20, openInner);
    ShowNotice("outer");
    EXPECT_TRUE(innerSeen);
    EXPECT_TRUE(outerEnabledAfter);
    EXPECT_EQ(Screen->CustomFormCount(), formsBefore);
}

TEST_F(MessageDialogTest, TheDefaultButtonLooksDefaultWheneverNoOtherButtonHasTheFocus)
{
    TComponentPtr<TPlainForm> form = MakeComponent<TPlainForm>();
    form->SetBounds(100, 100, 300, 120);
    auto* yes = MakeOwned<TButton>(form.get());
    yes->SetParent(form.get());
    yes->SetBounds(10, 10, 75, 25);
    yes->SetDefault(true);
    auto* no = MakeOwned<TButton>(form.get());
    no->SetParent(form.get());
    no->SetBounds(100, 10, 75, 25);
    auto* other = MakeOwned<TPanel>(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 50, 60, 30);
    other->SetTabStop(true);
    form->ShowForm();
    SetForegroundWindow(form->Handle());
    PumpMessages();
    auto looksDefault = [](TButton* button) {
        return (GetWindowLongA(button->Handle(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
    };
    other->SetFocus();
    PumpMessages();
    EXPECT_TRUE(looksDefault(yes));
    EXPECT_FALSE(looksDefault(no));
    // The focused button is the one Enter clicks, and looks it.
    no->SetFocus();
    PumpMessages();
    EXPECT_FALSE(looksDefault(yes));
    EXPECT_TRUE(looksDefault(no));
    // The focus leaves the buttons: the default one is the active one again.
    other->SetFocus();
    PumpMessages();
    EXPECT_FALSE(looksDefault(no));
    EXPECT_TRUE(looksDefault(yes));
}
