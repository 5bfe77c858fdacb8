// A second program for the fault runs: it acts on the running SV_WALLPAPER from the
// outside, as the system and a user would, and reports what the program shows.
//
//   program_driver.exe [--desktop NAME] COMMAND ...
//       --desktop: work in the named desktop (the virtual desktop the program runs in)
//       instead of the default one; its windows are seen only from there.
//   program_driver.exe tick [--hold-clipboard] [--lock FILE] [--wait MS]
//       Delivers the minute timer's message to the program (WM_TIMER to its utility
//       windows; only the minute timer acts on it, the others are idle), waits until
//       the program has handled it, then reports and closes the boxes it shows
//       within MS milliseconds (default 3000). --hold-clipboard keeps the clipboard
//       open in this process during the tick, --lock keeps FILE open without sharing.
//   program_driver.exe boxes [--wait MS] [--keep]
//       Reports and closes the boxes the program shows (waiting up to MS for one);
//       --keep leaves them open.
//   program_driver.exe choose PATH [--wait MS]
//       Waits for the program's folder browser, opens its tree down to PATH,
//       selects it there and confirms (select: the same without confirming).
//   program_driver.exe clipboard
//       Prints the number of formats on the clipboard.
//   program_driver.exe message CODE
//       Prints the system's text for the error code, without its line end.
//
// Reports are lines "error: TEXT" (the error box's text, UTF-8; the line begins with
// "caption CAPTION: " when the box is not captioned SV_WALLPAPER), "notice" (the
// program's notice box), "browser" (a folder browser left open, which is cancelled) on
// standard output.
// Exit code 0 when done, 1 when the program or what was asked for was not found, 2 on
// bad arguments.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

DWORD programProcess = 0;

// The program's application window: its class and title are the program's own.
HWND ApplicationWindow()
{
    HWND window = FindWindowA("TApplication", "SV_WALLPAPER");
    if (window)
        GetWindowThreadProcessId(window, &programProcess);
    return window;
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct WindowSearch {
    const char* className;
    std::vector<HWND> found;
};

// EnumWindows calls back with the platform's calling convention, which a lambda
// does not have on i686.
BOOL CALLBACK CollectProgramWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == programProcess && ClassOf(window) == search->className)
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> ProgramWindows(const char* className)
{
    WindowSearch search { className, {} };
    EnumWindows(CollectProgramWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[2048] = {};
    // WM_GETTEXT across processes is copied by the system.
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// A dialog holding a tree is the folder browser; one with a static text is a message box.
HWND ChildOfClass(HWND parent, const char* className) { return FindWindowExA(parent, nullptr, className, nullptr); }

bool IsBrowser(HWND dialog) { return ChildOfClass(dialog, "SysTreeView32") != nullptr; }

// Reports the visible boxes of the program and closes them unless asked to keep
// them; the number reported.
int ReportBoxes(bool close)
{
    int count = 0;
    for (HWND dialog : ProgramWindows("#32770")) {
        if (!IsWindowVisible(dialog))
            continue;
        // A browser left open (a choice that failed) is cancelled, which keeps the
        // program's folder, so that the next choice starts from the tray menu again.
        if (IsBrowser(dialog)) {
            std::printf("browser\n");
            if (close)
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            continue;
        }
        // The message box's text is its static control 0xFFFF.
        HWND text = GetDlgItem(dialog, 0xFFFF);
        std::wstring body = text ? TextOf(text) : TextOf(dialog);
        for (wchar_t& c : body)
            if (c == L'\n' || c == L'\r')
                c = L' ';
        // The error box carries the application's title; any other caption is shown.
        std::wstring caption = TextOf(dialog);
        if (caption != L"SV_WALLPAPER")
            std::printf("caption %s: ", Utf8(caption).c_str());
        std::printf("error: %s\n", Utf8(body).c_str());
        if (close)
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        ++count;
    }
    for (HWND form : ProgramWindows("TMessageForm")) {
        if (!IsWindowVisible(form))
            continue;
        std::printf("notice\n");
        if (close)
            PostMessageA(form, WM_CLOSE, 0, 0);
        ++count;
    }
    std::fflush(stdout);
    return count;
}

bool ProgramShowsBox()
{
    for (HWND dialog : ProgramWindows("#32770"))
        if (IsWindowVisible(dialog) && !IsBrowser(dialog))
            return true;
    for (HWND form : ProgramWindows("TMessageForm"))
        if (IsWindowVisible(form))
            return true;
    return false;
}

// Waits up to the time for a box, then reports and closes what is there. A box that
// was closed is gone before this returns, so the next report starts clean.
int WaitAndReportBoxes(DWORD wait, bool close = true)
{
    DWORD start = GetTickCount();
    while (!ProgramShowsBox() && GetTickCount() - start < wait)
        Sleep(50);
    // A moment for a second box the same event may open.
    Sleep(200);
    int count = ReportBoxes(close);
    for (int i = 0; close && i < 100 && ProgramShowsBox(); ++i)
        Sleep(50);
    return count;
}

// The program's GUI thread has come back to its message loop (or a modal one).
void WaitForProgramLoop(HWND application)
{
    // Messages sent from another thread are taken before posted ones: the first send
    // may be answered before the posted timer message is taken, the second only after.
    for (int i = 0; i < 2; ++i)
        SendMessageTimeoutA(application, WM_NULL, 0, 0, SMTO_NORMAL, 120000, nullptr);
}

DWORD WaitOption(int argc, char** argv, DWORD fallback)
{
    for (int i = 0; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--wait") == 0)
            return static_cast<DWORD>(std::atoi(argv[i + 1]));
    return fallback;
}

const char* Option(int argc, char** argv, const char* name)
{
    for (int i = 0; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return nullptr;
}

bool HasFlag(int argc, char** argv, const char* name)
{
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

int Tick(int argc, char** argv)
{
    HWND application = ApplicationWindow();
    if (!application)
        return 1;
    bool holding = false;
    if (HasFlag(argc, argv, "--hold-clipboard")) {
        holding = OpenClipboard(nullptr) != 0;
        if (!holding) {
            std::fprintf(stderr, "could not open the clipboard\n");
            return 1;
        }
    }
    HANDLE locked = INVALID_HANDLE_VALUE;
    if (const char* file = Option(argc, argv, "--lock")) {
        locked = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (locked == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "could not lock %s\n", file);
            return 1;
        }
    }
    std::vector<HWND> utilities = ProgramWindows("TPUtilWindow");
    for (HWND window : utilities)
        if (!PostMessageA(window, WM_TIMER, 1, 0))
            std::fprintf(
                stderr, "the timer message did not go to %p: %lu\n", static_cast<void*>(window), GetLastError());
    std::fprintf(stderr, "timer message to %zu utility windows\n", utilities.size());
    WaitForProgramLoop(application);
    WaitAndReportBoxes(WaitOption(argc, argv, 3000));
    if (holding)
        CloseClipboard();
    if (locked != INVALID_HANDLE_VALUE) {
        CloseHandle(locked);
        DeleteFileA(Option(argc, argv, "--lock"));
    }
    return utilities.empty() ? 1 : 0;
}

// The folder browser's tree, read and driven from this process: item texts are read
// through a buffer in the program's memory, as the tree's messages expect.
class RemoteTree {
public:
    RemoteTree(HWND tree) : m_tree(tree)
    {
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, programProcess);
        if (m_process)
            m_remote = static_cast<char*>(VirtualAllocEx(
                m_process, nullptr, sizeof(TVITEMW) + 2 * 520, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteTree()
    {
        if (m_remote)
            VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteTree(const RemoteTree&) = delete;
    RemoteTree& operator=(const RemoteTree&) = delete;

    bool Ready() const { return m_remote != nullptr; }

    HTREEITEM Next(HTREEITEM item, UINT how)
    {
        return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    }

    // Expanding fills the item's children (the browser lists a folder when it opens).
    void Expand(HTREEITEM item) { Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item)); }

    void Select(HTREEITEM item)
    {
        Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    }

    std::wstring Text(HTREEITEM item)
    {
        TVITEMW query {};
        query.mask = TVIF_TEXT | TVIF_HANDLE;
        query.hItem = item;
        query.pszText = reinterpret_cast<wchar_t*>(m_remote + sizeof(TVITEMW));
        query.cchTextMax = 520;
        wchar_t text[520] = {};
        if (!WriteProcessMemory(m_process, m_remote, &query, sizeof query, nullptr)
            || !WriteProcessMemory(m_process, m_remote + sizeof(TVITEMW), text, sizeof text, nullptr))
            return L"";
        Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(m_remote));
        ReadProcessMemory(m_process, m_remote + sizeof(TVITEMW), text, sizeof text - 2, nullptr);
        return text;
    }

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(m_tree, message, wParam, lParam, SMTO_NORMAL, 20000, &result);
        return static_cast<LRESULT>(result);
    }

    HWND m_tree;
    HANDLE m_process = nullptr;
    char* m_remote = nullptr;
};

std::wstring Wide(const char* text)
{
    int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring result(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1)
        MultiByteToWideChar(CP_ACP, 0, text, -1, result.data(), size);
    return result;
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// The item of the drive ("... (Z:)"): searched two levels below the top (the desktop,
// then the computer), opening items on the way.
HTREEITEM FindDrive(RemoteTree& tree, const std::wstring& drive)
{
    std::wstring label = L"(" + drive + L")";
    std::vector<HTREEITEM> level;
    for (HTREEITEM item = tree.Next(nullptr, TVGN_ROOT); item; item = tree.Next(item, TVGN_NEXT))
        level.push_back(item);
    for (int depth = 0; depth < 3; ++depth) {
        std::vector<HTREEITEM> below;
        for (HTREEITEM item : level) {
            std::wstring text = tree.Text(item);
            if (text.size() >= label.size() && SameName(text.substr(text.size() - label.size()), label))
                return item;
            tree.Expand(item);
            for (HTREEITEM child = tree.Next(item, TVGN_CHILD); child; child = tree.Next(child, TVGN_NEXT))
                below.push_back(child);
        }
        level = std::move(below);
    }
    return nullptr;
}

// Selects the path ("X:\folder\folder", or "X:\" for a drive's root) in the program's
// folder browser, by opening its tree item by item, and confirms it.
int Choose(const char* path, DWORD wait, bool confirm)
{
    DWORD start = GetTickCount();
    HWND browser = nullptr;
    while (!browser && GetTickCount() - start < wait) {
        if (ApplicationWindow())
            for (HWND dialog : ProgramWindows("#32770"))
                if (IsWindowVisible(dialog) && IsBrowser(dialog))
                    browser = dialog;
        if (!browser)
            Sleep(100);
    }
    if (!browser) {
        std::fprintf(stderr, "no folder browser\n");
        return 1;
    }
    // A moment for the browser to fill its first level.
    Sleep(300);
    RemoteTree tree(ChildOfClass(browser, "SysTreeView32"));
    if (!tree.Ready())
        return 1;
    std::wstring wide = Wide(path);
    std::vector<std::wstring> parts;
    std::size_t from = 0;
    while (from <= wide.size()) {
        std::size_t to = wide.find(L'\\', from);
        if (to == std::wstring::npos)
            to = wide.size();
        if (to > from)
            parts.push_back(wide.substr(from, to - from));
        from = to + 1;
    }
    if (parts.empty())
        return 2;
    HTREEITEM item = FindDrive(tree, parts[0]);
    for (std::size_t i = 1; item && i < parts.size(); ++i) {
        tree.Expand(item);
        HTREEITEM found = nullptr;
        for (HTREEITEM child = tree.Next(item, TVGN_CHILD); child && !found; child = tree.Next(child, TVGN_NEXT))
            if (SameName(tree.Text(child), parts[i]))
                found = child;
        if (!found)
            std::fprintf(stderr, "no item %s under the item of part %zu\n", Utf8(parts[i]).c_str(), i - 1);
        item = found;
    }
    if (!item) {
        std::fprintf(stderr, "cannot find %s in the folder browser\n", path);
        return 1;
    }
    tree.Select(item);
    if (!confirm)
        return 0;
    Sleep(200);
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(browser); ++i)
        Sleep(50);
    if (IsWindow(browser)) {
        std::fprintf(stderr, "the browser did not close\n");
        return 1;
    }
    return 0;
}

}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--desktop") == 0) {
        HDESK desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
        if (!desktop || !SetThreadDesktop(desktop)) {
            std::fprintf(stderr, "cannot enter the desktop %s\n", argv[2]);
            return 1;
        }
        argc -= 2;
        argv += 2;
    }
    if (argc < 2)
        return 2;
    std::string command = argv[1];
    if (command == "tick")
        return Tick(argc, argv);
    if (command == "boxes") {
        if (!ApplicationWindow())
            return 1;
        WaitAndReportBoxes(WaitOption(argc, argv, 3000), !HasFlag(argc, argv, "--keep"));
        return 0;
    }
    if (command == "choose" && argc >= 3)
        return Choose(argv[2], WaitOption(argc, argv, 20000), true);
    if (command == "select" && argc >= 3)
        return Choose(argv[2], WaitOption(argc, argv, 20000), false);
    if (command == "message" && argc >= 3) {
        wchar_t text[1024] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
            static_cast<DWORD>(std::atoi(argv[2])), 0, text, 1024, nullptr);
        std::wstring message = text;
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
            message.pop_back();
        std::printf("%s\n", Utf8(message).c_str());
        return message.empty() ? 1 : 0;
    }
    if (command == "clipboard") {
        std::printf("%d\n", CountClipboardFormats());
        return 0;
    }
    return 2;
}
