#include "frame/MessageForm.h"

#include "frame/Button.h"
#include "runtime/ClassInfo.h"
#include "frame/ControlCanvas.h"
#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Screen.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/GdiHandles.h"
#include "graphics/Icon.h"
#include "graphics/Picture.h"
#include "runtime/ResStrings.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <array>

namespace {

// Caption string ids and system icons of the dialog types (custom has neither).
constexpr TextId TypeCaptionIds[] = { TextId::WarningCaption, TextId::ErrorCaption, TextId::InformationCaption,
    TextId::ConfirmationCaption };
const char* const TypeIcons[] = { IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION };

struct ButtonKind {
    const char* name;
    TextId captionId;
    TModalResult result;
};
constexpr ButtonKind ButtonKinds[] = {
    { "Yes", TextId::YesButton, 6 },
    { "No", TextId::NoButton, 7 },
    { "OK", TextId::OkButton, 1 },
    { "Cancel", TextId::CancelButton, 2 },
    { "Abort", TextId::AbortButton, 3 },
    { "Retry", TextId::RetryButton, 4 },
    { "Ignore", TextId::IgnoreButton, 5 },
    { "All", TextId::AllButton, 8 },
    { "NoToAll", TextId::NoToAllButton, 9 },
    { "YesToAll", TextId::YesToAllButton, 10 },
    { "Help", TextId::HelpButton, 0 },
};
constexpr int ButtonKindCount = 11;
constexpr int HelpButton = 10;

// Measured caption widths of the buttons (plus 8), filled on first need and kept for
// the life of the process.
std::array<int, ButtonKindCount>& ButtonWidths()
{
    static std::array<int, ButtonKindCount> widths {};
    return widths;
}

// The font's average character size: the 52 letters drawn as one string, the width
// divided by 52.
SIZE AverageCharSize(TCanvas* canvas)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size {};
    GetTextExtentPoint32A(canvas->Handle(), letters, 52, &size);
    size.cx /= 52;
    return size;
}

}

void TMessageForm::HelpButtonClick(TObject*)
{
    if (Application && m_helpContext != 0)
        PostMessageA(Application->Handle(), FM_INVOKEHELP, HELP_CONTEXT, m_helpContext);
}

TMessageForm* BuildMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    auto* form = MakeOwned<TMessageForm>(Application);
    ScopeExit destroy([form] { Application->DestroyComponent(form); });
    { // the form's canvas measures on the form's context while the dialog is laid out
        NONCLIENTMETRICSA metrics {};
        metrics.cbSize = 340;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0)) {
            if (HFONT font = CreateFontIndirectA(&metrics.lfMessageFont))
                form->Font()->SetHandle(font);
        }
        form->SetBorderStyle(bsDialog);
        TCanvas* canvas = form->Canvas();
        canvas->SetFont(form->Font());
        HWND window = nullptr;
        HDC given = form->GetDeviceContext(window);
        TWindowDC dc(window, given);
        TCanvasOnDC measuring(*canvas, dc);

        SIZE average = AverageCharSize(canvas);
        int x = average.cx;
        int y = average.cy;
        int horzMargin = MulDiv(8, x, 4);
        int vertMargin = MulDiv(8, y, 8);
        int horzSpacing = MulDiv(10, x, 4);
        int vertSpacing = MulDiv(10, y, 8);
        int buttonWidth = MulDiv(50, x, 4);
        int buttonHeight = MulDiv(14, y, 8);
        int buttonSpacing = MulDiv(4, x, 4);

        int buttonCount = 0;
        for (int b = 0; b < ButtonKindCount; ++b) {
            if (!(buttons & (1u << b)))
                continue;
            ++buttonCount;
            int& cached = ButtonWidths()[static_cast<std::size_t>(b)];
            if (cached == 0) {
                AnsiString caption = LoadResString(ButtonKinds[b].captionId);
                RECT measured = { 0, 0, 0, 0 };
                DrawTextA(canvas->Handle(), caption.c_str(), -1, &measured, DT_CALCRECT | DT_LEFT | DT_SINGLELINE);
                cached = measured.right - measured.left + 8;
            }
            buttonWidth = std::max(buttonWidth, cached);
        }

        // The text in at most half the screen's width; the terminating zero is measured too.
        RECT textRect = { 0, 0, Screen->Width() / 2, 0 };
        DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()) + 1, &textRect,
            DT_EXPANDTABS | DT_CALCRECT | DT_WORDBREAK);
        int textWidth = textRect.right;
        int textHeight = textRect.bottom;

        bool hasIcon = type != mtCustom;
        int blockWidth = textWidth;
        int blockHeight = textHeight;
        if (hasIcon) {
            blockWidth += 32 + horzSpacing;
            blockHeight = std::max(blockHeight, 32);
        }
        int groupWidth = buttonCount > 0 ? buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing : 0;
        form->SetClientWidth(std::max(blockWidth, groupWidth) + 2 * horzMargin);
        form->SetClientHeight(blockHeight + buttonHeight + vertSpacing + 2 * vertMargin);
        form->SetLeft(Screen->Width() / 2 - form->Width() / 2);
        form->SetTop(Screen->Height() / 2 - form->Height() / 2);
        form->SetCaption(hasIcon ? LoadResString(TypeCaptionIds[type]) : Application->AppTitle());

        if (hasIcon) {
            auto* image = MakeOwned<TImage>(form);
            image->SetName("Image");
            image->SetParent(form);
            image->Picture()->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, TypeIcons[type])));
            image->SetBounds(horzMargin, vertMargin, 32, 32);
        }

        auto* message = MakeOwned<TLabel>(form);
        message->SetName("Message");
        message->SetParent(form);
        message->SetWordWrap(true);
        message->SetCaption(text);
        int left = blockWidth - textWidth + horzMargin;
        message->SetBounds(left, vertMargin, textWidth, textHeight);

        int defaultButton = (buttons & mbOK) ? 2 : (buttons & mbYes) ? 0 : 5;
        int cancelButton = (buttons & mbCancel) ? 3 : (buttons & mbNo) ? 1 : 2;
        int clientWidth = form->ClientWidth();
        int buttonX = (clientWidth - groupWidth) / 2;
        int buttonY = blockHeight + vertMargin + vertSpacing;
        for (int b = 0; b < ButtonKindCount; ++b) {
            if (!(buttons & (1u << b)))
                continue;
            auto* button = MakeOwned<TButton>(form);
            button->SetName(ButtonKinds[b].name);
            button->SetParent(form);
            button->SetCaption(LoadResString(ButtonKinds[b].captionId));
            button->SetModalResult(ButtonKinds[b].result);
            if (b == defaultButton)
                button->SetDefault(true);
            if (b == cancelButton)
                button->SetCancel(true);
            button->SetBounds(buttonX, buttonY, buttonWidth, buttonHeight);
            buttonX += buttonWidth + buttonSpacing;
            if (b == HelpButton)
                button->OnClick = [form](TObject* sender) { form->HelpButtonClick(sender); };
        }
    }
    destroy.Dismiss();
    return form;
}

TModalResult RunMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext,
    int left, int top, const AnsiString& helpFile)
{
    TMessageForm* form = BuildMessageDialog(text, type, buttons);
    ScopeExit destroy([form] { Application->DestroyComponent(form); });
    form->SetHelpContext(helpContext);
    form->SetHelpFileName(helpFile);
    if (left >= 0)
        form->SetLeft(left);
    if (top >= 0)
        form->SetTop(top);
    if (left < 0 && top < 0)
        form->SetPosition(poScreenCenter);
    return form->ShowFormModal();
}

void ShowNotice(const AnsiString& text) { RunMessageDialog(text, mtCustom, mbOK, 0, -1, -1, AnsiString()); }

static const TClassRegistration<TMessageForm> messageFormInfo(
    "TMessageForm", [](TClassBuilder<TMessageForm>& c) { c.Parent<TForm>(); });
