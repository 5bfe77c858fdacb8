// What the application object and the screen need of a form. The form class
// implements it; the application keeps its main form and the screen its form lists
// through it.
#pragma once

#include "runtime/Messages.h"

#include <windows.h>

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

class IAppForm {
public:
    virtual ~IAppForm() = default;

    // A TForm (not only a custom form): only such a form becomes the main form.
    virtual bool IsTForm() const = 0;
    // The form's window, created when it does not exist yet.
    virtual HWND FormHandle() = 0;
    virtual bool FormHandleAllocated() const = 0;
    // The foreign window the form is placed into, or none.
    virtual HWND FormParentWindow() const = 0;

    virtual bool FormVisible() const = 0;
    virtual void SetFormVisible(bool visible) = 0;
    virtual bool FormEnabled() const = 0;
    virtual TWindowState FormWindowState() const = 0;
    virtual void SetFormWindowState(TWindowState state) = 0;
    // Outer bounds (left, top, right, bottom) in screen coordinates.
    virtual RECT FormBounds() const = 0;

    // Closing as the user does it (the close box, WM_CLOSE).
    virtual void CloseForm() = 0;
    // Whether the form's menus take the key message as a shortcut (and run it).
    virtual bool FormIsShortCut(TMessage& message) = 0;
    // Runs a message through the form's own message handling.
    virtual LRESULT FormPerform(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Idle-time update of the form's actions (the program uses none).
    virtual void FormUpdateActions() {}
};
