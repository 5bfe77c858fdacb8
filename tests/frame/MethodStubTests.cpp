#include "frame/support/FrameTestSupport.h"

#include "frame/Application.h"
#include "runtime/MethodStub.h"
#include "runtime/UtilityWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// A hook that subclasses a window the way the window-procedure hook component does:
// it keeps the procedure it found and hands every message on to it.
struct ChainHook {
    HWND window;
    std::string tag;
    std::vector<std::string>* journal;
    WNDPROC stub = nullptr;
    WNDPROC saved = nullptr;

    void Install()
    {
        stub = CreateMethodStub([this](TMessage& message) {
            if (message.Msg == WM_USER + 7)
                journal->push_back(tag);
            message.Result = CallWindowProcA(saved, window, message.Msg, message.WParam, message.LParam);
        });
        saved = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(stub));
    }
    void Remove()
    {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
        ReleaseMethodStub(stub);
    }
};

}

TEST(MethodStub, EveryMessageOfAUtilityWindowReachesItsMethod)
{
    std::vector<UINT> seen;
    HWND window = AllocateUtilityWindow([&](TMessage& message) {
        seen.push_back(message.Msg);
        EXPECT_EQ(message.Result, 0);
        if (message.Msg == WM_USER + 1)
            message.Result = static_cast<LRESULT>(message.WParam + message.LParam);
    });
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsMethodStub(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC))));
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 40, 2), 42);
    PostMessageA(window, WM_USER + 2, 0, 0);
    PumpUntil([&] { return !seen.empty() && seen.back() == WM_USER + 2; }, 1000);
    ReleaseUtilityWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(seen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_USER + 1), 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_USER + 2), 1);
}

TEST(MethodStub, StubsChainOnOneWindowAndComeOffInReverseOrder)
{
    std::vector<std::string> journal;
    HWND window = AllocateUtilityWindow(nullptr);
    ChainHook first { window, "first", &journal };
    ChainHook second { window, "second", &journal };
    first.Install();
    second.Install();
    EXPECT_NE(first.stub, second.stub);
    SendMessageA(window, WM_USER + 7, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string> { "second", "first" }));

    journal.clear();
    second.Remove();
    SendMessageA(window, WM_USER + 7, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string> { "first" }));
    first.Remove();
    journal.clear();
    SendMessageA(window, WM_USER + 7, 0, 0);
    EXPECT_TRUE(journal.empty());
    ReleaseUtilityWindow(window);
    EXPECT_FALSE(IsMethodStub(first.stub));
}

TEST(MethodStub, AnExceptionInAMethodIsReportedAndNeverReachesThePlatform)
{
    TObject sender;
    TObject* reportedSender = nullptr;
    AnsiString reported;
    Application->OnAppException = [&](TObject* from, Exception& error) {
        reportedSender = from;
        reported = error.Message();
    };
    HWND window = AllocateUtilityWindow(
        [](TMessage& message) {
            if (message.Msg == WM_USER + 3) {
                message.Result = 5;
                throw EInvalidOperation("from the window");
            }
        },
        &sender);
    LRESULT result = SendMessageA(window, WM_USER + 3, 0, 0);
    Application->OnAppException = nullptr;
    ReleaseUtilityWindow(window);
    EXPECT_EQ(reported, "from the window");
    EXPECT_EQ(reportedSender, &sender);
    EXPECT_EQ(result, 5);
}

TEST(MethodStub, AStubReleasedInsideItsOwnCallLivesUntilTheOutermostCallReturns)
{
    // The method holds a token: it lives exactly as long as the method does.
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    TObject sender;
    TObject* reportedSender = &sender;
    bool aliveAtReport = false;
    Application->OnAppException = [&](TObject* from, Exception&) {
        reportedSender = from;
        aliveAtReport = !watch.expired();
    };
    HWND window = AllocateUtilityWindow(nullptr);
    WNDPROC stub = nullptr;
    bool aliveAfterRelease = false;
    stub = CreateMethodStub(
        [&, token](TMessage& message) {
            if (message.Msg == WM_USER + 9) {
                // A nested call through the same stub releases it; the outer call goes on
                // and then raises.
                CallWindowProcA(stub, window, WM_USER + 10, 0, 0);
                aliveAfterRelease = !watch.expired();
                throw EInvalidOperation("after the release");
            }
            if (message.Msg == WM_USER + 10)
                ReleaseMethodStub(stub);
        },
        &sender);
    token.reset();
    CallWindowProcA(stub, window, WM_USER + 9, 0, 0);
    Application->OnAppException = nullptr;
    EXPECT_TRUE(aliveAfterRelease);
    EXPECT_TRUE(aliveAtReport);
    EXPECT_EQ(reportedSender, nullptr) << "a released stub's sender is not reported";
    EXPECT_TRUE(watch.expired()) << "released once the outermost call returned";
    EXPECT_FALSE(IsMethodStub(stub));
    ReleaseUtilityWindow(window);
}

TEST(MethodStub, AStubReleasedAndMadeAgainInItsOwnCallKeepsBothTargetsApart)
{
    // The released stub's place is free again at once; the stub made next takes it
    // while the first call still runs.
    std::vector<std::string> journal;
    TObject first, second;
    std::vector<TObject*> senders;
    Application->OnAppException = [&](TObject* from, Exception&) { senders.push_back(from); };
    HWND window = AllocateUtilityWindow(nullptr);
    WNDPROC stub = nullptr;
    WNDPROC again = nullptr;
    stub = CreateMethodStub(
        [&](TMessage& message) {
            journal.push_back("first " + std::to_string(message.Msg - WM_USER));
            if (message.Msg != WM_USER + 1)
                return;
            ReleaseMethodStub(stub);
            again = CreateMethodStub(
                [&](TMessage& inner) {
                    journal.push_back("second " + std::to_string(inner.Msg - WM_USER));
                    inner.Result = 2;
                    if (inner.Msg == WM_USER + 3)
                        throw EInvalidOperation("second");
                },
                &second);
            EXPECT_EQ(CallWindowProcA(again, window, WM_USER + 2, 0, 0), 2);
            message.Result = 1;
            throw EInvalidOperation("first, after the release");
        },
        &first);
    EXPECT_EQ(CallWindowProcA(stub, window, WM_USER + 1, 0, 0), 1);
    ASSERT_TRUE(again);
    EXPECT_TRUE(IsMethodStub(again)) << "the running call's end releases nothing else";
    EXPECT_EQ(CallWindowProcA(again, window, WM_USER + 3, 0, 0), 2);
    Application->OnAppException = nullptr;
    EXPECT_EQ(journal, (std::vector<std::string> { "first 1", "second 2", "second 3" }));
    EXPECT_EQ(senders, (std::vector<TObject*> { nullptr, &second }));
    ReleaseMethodStub(again);
    ReleaseUtilityWindow(window);
}

TEST(MethodStub, AUtilityWindowFreesItsStubHoweverItGoes)
{
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    HWND window = AllocateUtilityWindow([token](TMessage&) {});
    token.reset();
    auto stub = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    ASSERT_TRUE(IsMethodStub(stub));
    // Destroyed by someone else before its owner releases it.
    DestroyWindow(window);
    ReleaseUtilityWindow(window);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(IsMethodStub(stub));

    token = std::make_shared<int>(0);
    watch = token;
    window = AllocateUtilityWindow([token](TMessage&) {});
    token.reset();
    ReleaseUtilityWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(watch.expired());
}

TEST(MethodStub, WindowsOfAPreparedClassAreBoundFromTheirFirstMessage)
{
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = &InitialWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TBindingProbe";
    ASSERT_TRUE(RegisterClassA(&windowClass));

    HWND attached = nullptr;
    std::vector<UINT> seen;
    WNDPROC stub = CreateMethodStub([&](TMessage& message) {
        seen.push_back(message.Msg);
        message.Result = DefWindowProcA(attached, message.Msg, message.WParam, message.LParam);
    });
    PrepareWindowBinding(stub, [&](HWND window) { attached = window; });
    HWND window = CreateWindowExA(
        0, "TBindingProbe", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(attached, window);
    ASSERT_FALSE(seen.empty());
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_NCCREATE)), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_CREATE)), seen.end());
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)), stub);

    SetWindowObject(window, Application);
    EXPECT_EQ(WindowObject(window), Application);
    EXPECT_EQ(WindowObject(GetDesktopWindow()), nullptr);
    DestroyWindow(window);
    ReleaseMethodStub(stub);
    UnregisterClassA("TBindingProbe", GetModuleHandleA(nullptr));
}
