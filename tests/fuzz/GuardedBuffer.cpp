#include "GuardedBuffer.h"

#include <cstring>
#include <new>

#include <windows.h>

namespace {

std::size_t PageSize()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

}

GuardedBuffer::~GuardedBuffer()
{
    if (m_base)
        VirtualFree(m_base, 0, MEM_RELEASE);
}

void GuardedBuffer::Reserve(std::size_t size)
{
    if (m_base && size <= m_usable)
        return;
    const std::size_t page = PageSize();
    const std::size_t usable = (size + page - 1) / page * page + page;
    char* base = static_cast<char*>(VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base)
        throw std::bad_alloc();
    DWORD old = 0;
    if (!VirtualProtect(base + usable, page, PAGE_NOACCESS, &old)) {
        VirtualFree(base, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    if (m_base)
        VirtualFree(m_base, 0, MEM_RELEASE);
    m_base = base;
    m_usable = usable;
}

const char* GuardedBuffer::Place(const AnsiString& bytes)
{
    Reserve(bytes.size());
    char* start = m_base + m_usable - bytes.size();
    if (!bytes.empty())
        std::memcpy(start, bytes.data(), bytes.size());
    return start;
}
