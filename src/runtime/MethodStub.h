// Binding a window to an object: a method stub is a window procedure made for one
// message method. The platform calls it like any window procedure; it hands the
// message to the method as a TMessage and answers the message's Result. An exception
// that escapes the method is handed to the application's HandleLoopException with
// the stub's sender and never reaches the platform.
#pragma once

#include "runtime/Messages.h"

#include <functional>

class TObject;

// A new window procedure bound to the method. Each stub is a distinct procedure
// address, so stubs can be chained on one window (SetWindowLongA with GWL_WNDPROC,
// CallWindowProcA of the procedure found before).
WNDPROC CreateMethodStub(TWndMethod method, TObject* sender = nullptr);
// Frees a stub made by CreateMethodStub; any other procedure (none, the default
// window procedure) is left alone.
void ReleaseMethodStub(WNDPROC stub);
bool IsMethodStub(WNDPROC procedure);

// Window classes whose windows are bound to an object from their very first message
// use InitialWindowProc as class procedure. Right before CreateWindowExA the creating
// code names the stub and what to do with the new window: at the window's first
// message attach(window) runs, the stub becomes the window's procedure and handles
// that message. Without a prepared binding the window gets the default procedure.
void PrepareWindowBinding(WNDPROC stub, std::function<void(HWND)> attach);
LRESULT CALLBACK InitialWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The frame object a window belongs to (a control's or the application's window), kept
// as a window property; none for windows of others.
void SetWindowObject(HWND window, TObject* object);
TObject* WindowObject(HWND window);
