// Shared pieces of the frame tests: forms built in code, a windowless box that paints
// itself in one colour and records its mouse input, timers that run a check inside a
// message loop, and the application's error reports collected instead of shown.
#pragma once

#include "frame/Application.h"
#include "frame/Form.h"
#include "frame/GraphicControl.h"
#include "graphics/Brush.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

// A form without a stored resource.
class TPlainForm : public TForm {
public:
    SV_CLASS_NAME(TPlainForm)
    explicit TPlainForm(TComponent* owner) : TForm(owner, TFormSource::None) {}
};

// A windowless control filled with one colour; it writes down the mouse input it gets.
class TBox : public TGraphicControl {
public:
    SV_CLASS_NAME(TBox)
    TBox(TComponent* owner, TColor fill) : TGraphicControl(owner), Fill(fill)
    {
        OnMouseDown = [this](TObject*, TMouseButton, TShiftState shift, int x, int y) {
            Events.push_back(
                "down " + std::to_string(x) + "," + std::to_string(y) + ((shift & ssDouble) ? " double" : ""));
        };
        OnMouseMove = [this](TObject*, TShiftState, int x, int y) {
            Events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        };
        OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
            Events.push_back("up " + std::to_string(x) + "," + std::to_string(y));
        };
        OnClick = [this](TObject*) { Events.push_back("click"); };
    }
    void SetStyle(TControlStyle style) { SetControlStyle(style); }

    TColor Fill;
    int Paints = 0;
    std::vector<std::string> Events;

protected:
    void Paint() override
    {
        ++Paints;
        Canvas()->Brush()->SetColor(Fill);
        Canvas()->FillRect(RECT { 0, 0, Width(), Height() });
    }
};

// Runs the action once, after the delay, from a thread timer (so also inside any
// message loop of the GUI thread).
void RunLater(UINT delay, std::function<void()> action);
// Handles the waiting messages (and the ones they cause).
void PumpMessages();
// The colour of a pixel of the window's client area as the screen shows it.
COLORREF WindowPixel(HWND window, int x, int y);
LPARAM PointParam(int x, int y);

// Every test of the frame: the application's error reports are collected instead of
// being shown in a box, and the application is not left terminating.
class ControlTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::vector<AnsiString> Errors;
};

// A test on a borderless form made in code (client coordinates equal window
// coordinates), gone again after the test.
class BorderlessFormTest : public ControlTest {
protected:
    void TearDown() override;
    // Makes the form, hidden, at the place and size.
    void MakeForm(int left, int top, int width, int height);
    // Shows the form and lets it paint.
    void Show();

    TComponentPtr<TPlainForm> form;
};
