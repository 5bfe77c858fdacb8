#include "app/FolderBrowser.h"

#include <cstring>
#include <memory>

#include <objbase.h>
#include <shlobj.h>

namespace {

// The identifier list handed out by the browser goes back to the shell's allocator.
struct ItemListRelease {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};

}

AnsiString BrowseForFolder(HWND owner, const AnsiString& title)
{
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    std::unique_ptr<ITEMIDLIST, ItemListRelease> chosen(SHBrowseForFolderA(&info));

    char path[MAX_PATH] = {};
    if (chosen && !SHGetPathFromIDListA(chosen.get(), path))
        path[0] = '\0';
    return path;
}

namespace {

// Looks for a visible dialog owned by the searched owner window.
struct BrowserSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindBrowser(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<BrowserSearch*>(data);
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}

HWND OpenFolderBrowser(HWND owner)
{
    BrowserSearch search { owner, nullptr };
    EnumThreadWindows(GetCurrentThreadId(), &FindBrowser, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
