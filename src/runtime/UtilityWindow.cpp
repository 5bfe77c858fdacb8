#include "runtime/UtilityWindow.h"

#include "runtime/MethodStub.h"
#include "runtime/Exceptions.h"
#include "runtime/Platform.h"
#include "runtime/ScopeGuard.h"

#include <memory>

namespace {

const char UtilityClassName[] = "TPUtilWindow";

// The class is registered once per process: no style, no extra bytes, no icon,
// cursor, brush or menu, the default window procedure. A class of that name with
// another procedure (left by someone else) is replaced.
void EnsureUtilityClass()
{
    WNDCLASSA existing {};
    bool registered = GetClassInfoA(ModuleInstance(), UtilityClassName, &existing) != 0;
    if (registered && existing.lpfnWndProc != &DefWindowProcA) {
        UnregisterClassA(UtilityClassName, ModuleInstance());
        registered = false;
    }
    if (registered)
        return;
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.hInstance = ModuleInstance();
    windowClass.lpszClassName = UtilityClassName;
    if (!RegisterClassA(&windowClass))
        RaiseLastWin32Error();
}

}

HWND AllocateUtilityWindow(TWndMethod method, TObject* sender)
{
    EnsureUtilityClass();
    HWND window = CreateWindowExA(
        WS_EX_TOOLWINDOW, UtilityClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ModuleInstance(), nullptr);
    if (!window)
        RaiseLastWin32Error();
    if (method) {
        // The window's last message frees its stub, however the window goes: by
        // ReleaseUtilityWindow or destroyed by someone else first.
        ScopeExit destroyWindow([window] { DestroyWindow(window); });
        auto stub = std::make_shared<WNDPROC>(nullptr);
        auto bound = [method = std::move(method), stub](TMessage& message) {
            ScopeExit releaseAtLastMessage([&message, stub = *stub] {
                if (message.Msg == WM_NCDESTROY)
                    ReleaseMethodStub(stub);
            });
            method(message);
        };
        *stub = CreateMethodStub(std::move(bound), sender);
        destroyWindow.Dismiss();
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(*stub));
    }
    return window;
}

void ReleaseUtilityWindow(HWND window)
{
    // The stub goes with the window's last message.
    if (window && IsWindow(window))
        DestroyWindow(window);
}
