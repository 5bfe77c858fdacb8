#include "runtime/Platform.h"

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

PlatformVersion RunningPlatform()
{
    DWORD version = GetVersion();
    return { version & 0xFF, (version >> 8) & 0xFF, (version & 0x80000000u) == 0 };
}

bool NewShellPlatform() { return RunningPlatform().major >= 4; }
