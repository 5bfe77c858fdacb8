#include "frame/support/ControlTestSupport.h"

#include <map>

namespace {

std::map<UINT_PTR, std::function<void()>>& PendingActions()
{
    static std::map<UINT_PTR, std::function<void()>> actions;
    return actions;
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto& actions = PendingActions();
    auto found = actions.find(id);
    if (found == actions.end())
        return;
    std::function<void()> action = std::move(found->second);
    actions.erase(found);
    try {
        action();
    } catch (...) {
        HandleLoopException(nullptr);
    }
}

}

void RunLater(UINT delay, std::function<void()> action)
{
    UINT_PTR id = SetTimer(nullptr, 0, delay, &RunPending);
    ASSERT_NE(id, 0u);
    PendingActions()[id] = std::move(action);
}

void PumpMessages()
{
    for (int round = 0; round < 5; ++round) {
        Application->ProcessPendingMessages();
        Sleep(5);
    }
    Application->ProcessPendingMessages();
}

COLORREF WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

LPARAM PointParam(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

void ControlTest::SetUp()
{
    Application->OnAppException = [this](TObject*, Exception& error) { Errors.push_back(error.Message()); };
    Application->SetTerminating(false);
}

void ControlTest::TearDown()
{
    PumpMessages();
    Application->OnAppException = nullptr;
    Application->SetTerminating(false);
    // A WM_QUIT left in the queue would end the next test's loop.
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

void BorderlessFormTest::TearDown()
{
    form.reset();
    ControlTest::TearDown();
}

void BorderlessFormTest::MakeForm(int left, int top, int width, int height)
{
    form = MakeComponent<TPlainForm>();
    form->SetBorderStyle(bsNone);
    form->SetBounds(left, top, width, height);
}

void BorderlessFormTest::Show()
{
    form->ShowForm();
    UpdateWindow(form->Handle());
    PumpMessages();
}
