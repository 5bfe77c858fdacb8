// Answers the shell's folder browser from inside its modal loop: selects a folder and
// confirms it, or cancels. Records what the browser showed.
#pragma once

#include "app/support/AppTestSupport.h"

#include <memory>

class BrowserScript {
public:
    // An empty folder cancels the browser.
    explicit BrowserScript(AnsiString folder);

    bool Seen() const { return m_seen; }
    HWND Owner() const { return m_owner; }
    // The static texts of the browser (the title among them).
    const std::vector<AnsiString>& Texts() const { return m_texts; }

private:
    void Step();

    AnsiString m_folder;
    bool m_seen = false;
    bool m_answered = false;
    int m_attempts = 0;
    HWND m_owner = nullptr;
    std::vector<AnsiString> m_texts;
    std::unique_ptr<ModalWatcher> m_watcher;
};
