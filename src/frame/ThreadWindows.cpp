#include "frame/ThreadWindows.h"

#include "frame/Application.h"

namespace {

struct Search {
    HWND except;
    HWND application;
    HWND normal = nullptr;
    HWND topMost = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    if (window == search->except || window == search->application || !IsWindowVisible(window)
        || !IsWindowEnabled(window))
        return TRUE;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) {
        if (!search->topMost)
            search->topMost = window;
        return TRUE;
    }
    search->normal = window;
    return FALSE;
}

}

HWND FirstActivatableThreadWindow(HWND except)
{
    Search search { except, ApplicationWindow() };
    EnumThreadWindows(GetCurrentThreadId(), &Visit, reinterpret_cast<LPARAM>(&search));
    return search.normal ? search.normal : search.topMost;
}
