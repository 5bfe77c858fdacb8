#include "common/ClipboardSupport.h"

#include "common/TestSupport.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

AnsiString SiblingProgram(const char* name)
{
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    AnsiString path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

bool IsMemoryBlock(UINT format)
{
    switch (format) {
    case CF_BITMAP:
    case CF_PALETTE:
    case CF_ENHMETAFILE:
    case CF_METAFILEPICT:
    case CF_OWNERDISPLAY:
    case CF_DSPBITMAP:
    case CF_DSPENHMETAFILE:
    case CF_DSPMETAFILEPICT: return false;
    default: return !(format >= CF_PRIVATEFIRST && format <= CF_GDIOBJLAST);
    }
}

}

ClipboardHolder::ClipboardHolder(DWORD holdMilliseconds)
{
    static int made = 0;
    AnsiString suffix = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++made);
    AnsiString ready = "sv_clip_ready_" + suffix;
    AnsiString release = "sv_clip_release_" + suffix;
    m_ready = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
    m_release = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
    AnsiString command = "\"" + SiblingProgram("clipboard_holder.exe") + "\" " + ready + " " + release;
    if (holdMilliseconds)
        command += " " + std::to_string(holdMilliseconds);
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    if (StartProcess(command, false, startup, m_process))
        m_holding = WaitForSingleObject(m_ready, 20000) == WAIT_OBJECT_0
            && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

ClipboardHolder::~ClipboardHolder()
{
    SetEvent(m_release);
    if (m_process.hProcess) {
        WaitForSingleObject(m_process.hProcess, 20000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    CloseHandle(m_ready);
    CloseHandle(m_release);
}

bool PutUserContentFromAnotherProgram()
{
    AnsiString command = "\"" + SiblingProgram("clipboard_holder.exe") + "\" --put-sample";
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!StartProcess(command, false, startup, process))
        return false;
    DWORD code = 99;
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code == 0;
}

ClipboardBytes ReadClipboardBytes()
{
    ClipboardBytes content;
    if (!OpenClipboard(nullptr))
        return content;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        AnsiString bytes;
        HANDLE data = IsMemoryBlock(format) ? GetClipboardData(format) : nullptr;
        if (const char* from = data ? static_cast<const char*>(GlobalLock(data)) : nullptr) {
            bytes.assign(from, GlobalSize(data));
            GlobalUnlock(data);
        }
        content.emplace_back(format, bytes);
    }
    CloseClipboard();
    return content;
}

AnsiString FormatBytes(const ClipboardBytes& content, UINT format)
{
    for (const auto& [kept, bytes] : content)
        if (kept == format)
            return bytes;
    return {};
}

void PutClipboardText(const char* text, bool fromAWindowOfItsOwn)
{
    HWND window = fromAWindowOfItsOwn
        ? CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)
        : nullptr;
    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    std::size_t size = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), text, size);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
    if (window)
        DestroyWindow(window);
}
