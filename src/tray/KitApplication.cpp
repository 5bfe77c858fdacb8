#include "tray/KitApplication.h"

#include "runtime/ClassInfo.h"

namespace {

constexpr int LibraryCursorResource = 16548;

AnsiString ModuleFileName()
{
    char path[MAX_PATH + 1] {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return AnsiString(path, length > MAX_PATH ? MAX_PATH : length);
}

// The file name after the last folder separator, respecting double-byte characters.
AnsiString BaseName(const AnsiString& path)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (ByteKindAt(path, i) != ByteKind::Single)
            continue;
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':')
            start = i + 1;
    }
    return path.substr(start);
}

AnsiString ChangeExtension(const AnsiString& name, const char* extension)
{
    std::size_t dot = AnsiString::npos;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (ByteKindAt(name, i) == ByteKind::Single && name[i] == '.')
            dot = i;
    return (dot == AnsiString::npos ? name : name.substr(0, dot)) + extension;
}

}

TKitApplication::TKitApplication(TComponent* owner) : TComponent(owner)
{
    AnsiString program = BaseName(ModuleFileName());
    if (!HasState(csDesigning)) {
        m_mutexName = program;
        m_mutex = CreateMutexA(nullptr, FALSE, program.c_str());
        if (m_mutex && GetLastError() == ERROR_ALREADY_EXISTS)
            m_previousInstance = true;
    }
    m_timerPool = MakeOwned<TKitTimerPool>(this);
    m_timerPool->SetMinInterval(50);
    m_logName = ChangeExtension(program, ".LOG");
    LARGE_INTEGER frequency {};
    if (QueryPerformanceFrequency(&frequency))
        m_timerFrequency = frequency.QuadPart;
    // The screen keeps no table of registered cursors: the cursor is kept here.
    m_cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(LibraryCursorResource));
}

TKitApplication::~TKitApplication()
{
    if (m_timerPool)
        DestroyComponent(m_timerPool);
    m_timerPool = nullptr;
    if (m_mutex)
        CloseHandle(m_mutex);
    m_mutex = nullptr;
}

std::uint16_t TKitApplication::AddTimer(std::uint16_t interval, TNotifyEvent handler)
{
    int slot = 1;
    while (slot <= TimerSlots && m_slotUsed[static_cast<std::size_t>(slot - 1)])
        ++slot;
    if (slot > TimerSlots)
        return 0;
    auto identifier = static_cast<std::uint16_t>(TimerIdBase + slot);
    if (m_timerPool->AddTimer(identifier, interval, std::move(handler)) == -1)
        return 0;
    m_slotUsed[static_cast<std::size_t>(slot - 1)] = true;
    return identifier;
}

void TKitApplication::RemoveTimer(std::uint16_t identifier)
{
    if (identifier <= TimerIdBase || identifier > TimerIdBase + TimerSlots)
        return;
    m_timerPool->RemoveTimer(identifier);
    m_slotUsed[static_cast<std::size_t>(identifier - TimerIdBase - 1)] = false;
}

TKitTimerItem* TKitApplication::GetTimer(std::uint16_t identifier) const { return m_timerPool->GetTimer(identifier); }

TKitApplication* KitApplication()
{
    static TComponentPtr<TKitApplication> application = MakeComponent<TKitApplication>();
    return application.get();
}

namespace {

// Made when the program starts, before its entry routine.
const bool madeAtStart = (KitApplication(), true);

}
