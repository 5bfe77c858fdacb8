#include "ClipboardCallTimes.h"

#include "Milliseconds.h"

#include <windows.h>

namespace {

using SetFunction = HANDLE(WINAPI*)(UINT, HANDLE);
using GetFunction = HANDLE(WINAPI*)(UINT);
SetFunction g_set = nullptr;
GetFunction g_get = nullptr;

HANDLE WINAPI TimedSet(UINT format, HANDLE data)
{
    double start = NowMs();
    HANDLE result = g_set(format, data);
    ClipboardCalls().set += NowMs() - start;
    return result;
}

HANDLE WINAPI TimedGet(UINT format)
{
    double start = NowMs();
    HANDLE result = g_get(format);
    ClipboardCalls().get += NowMs() - start;
    return result;
}

// Points every import slot of this program that holds `from` at `to`; the count of slots.
int Redirect(void* from, void* to)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return 0;
    int count = 0;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
         ++module) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk); slot->u1.Function; ++slot) {
            if (reinterpret_cast<void*>(slot->u1.Function) != from)
                continue;
            DWORD old = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old))
                continue;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(to);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
            ++count;
        }
    }
    return count;
}

} // namespace

ClipboardCallTimes& ClipboardCalls()
{
    static ClipboardCallTimes times;
    return times;
}

bool TimeClipboardCalls()
{
    if (g_set)
        return true;
    HMODULE user = GetModuleHandleA("user32.dll");
    auto set = reinterpret_cast<SetFunction>(reinterpret_cast<void*>(GetProcAddress(user, "SetClipboardData")));
    auto get = reinterpret_cast<GetFunction>(reinterpret_cast<void*>(GetProcAddress(user, "GetClipboardData")));
    if (!set || !get)
        return false;
    g_set = set;
    g_get = get;
    return Redirect(reinterpret_cast<void*>(set), reinterpret_cast<void*>(&TimedSet)) > 0
        && Redirect(reinterpret_cast<void*>(get), reinterpret_cast<void*>(&TimedGet)) > 0;
}
