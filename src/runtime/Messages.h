// Window message records and the frame's private messages, which travel between the
// application, forms and controls.
#pragma once

#include <functional>

#include <windows.h>

// One window message as an object's message method sees it. Result starts at 0 and
// is what the window procedure answers.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// The message method of one object, as bound to a window.
using TWndMethod = std::function<void(TMessage& message)>;

// Private messages of the frame; their numbers are fixed.
constexpr UINT FM_ACTIVATE = 0xB000;
constexpr UINT FM_DEACTIVATE = 0xB001;
constexpr UINT FM_HITTEST = 0xB00A;
constexpr UINT FM_VISIBLECHANGED = 0xB00B;
constexpr UINT FM_MOUSEENTER = 0xB013;
constexpr UINT FM_MOUSELEAVE = 0xB014;
constexpr UINT FM_APPKEYDOWN = 0xB016;
constexpr UINT FM_APPSYSCOMMAND = 0xB017;
constexpr UINT FM_SHOWINGCHANGED = 0xB019;
constexpr UINT FM_FOCUSTOP = 0xB01A;
constexpr UINT FM_INVOKEHELP = 0xB01F;
constexpr UINT FM_WINDOWHOOK = 0xB020;
constexpr UINT FM_RELEASE = 0xB021;
constexpr UINT FM_DIALOGHANDLE = 0xB031;
constexpr UINT FM_ACTIONUPDATE = 0xB03F;
constexpr UINT FM_ACTIONEXECUTE = 0xB040;

// A message reflected to a control as a notification carries its number plus this
// offset (WM_KEYDOWN 0x0100 becomes 0xBD00).
constexpr UINT FN_OFFSET = 0xBC00;
