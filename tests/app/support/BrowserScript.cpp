#include "app/support/BrowserScript.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

// The visible folder browser of this thread: a dialog box with a tree of folders.
HWND FindBrowser(HWND& tree)
{
    for (HWND dialog : ThreadWindows("#32770")) {
        tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
        if (tree)
            return dialog;
    }
    return nullptr;
}

}

BrowserScript::BrowserScript(AnsiString folder)
    : m_folder(std::move(folder))
    , m_watcher(std::make_unique<ModalWatcher>([this] { Step(); }))
{
}

void BrowserScript::Step()
{
    HWND tree = nullptr;
    HWND browser = FindBrowser(tree);
    if (!browser || m_answered)
        return;
    if (!m_seen) {
        m_seen = true;
        m_owner = GetWindow(browser, GW_OWNER);
        m_texts = StaticTexts(browser);
    }
    if (m_folder.empty()) {
        m_answered = true;
        PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    // Selecting once has been seen to select nothing in a new prefix: try again until
    // the tree has a current item.
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(m_folder.c_str()));
    if (SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) == 0 && ++m_attempts < 20)
        return;
    m_answered = true;
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
}
