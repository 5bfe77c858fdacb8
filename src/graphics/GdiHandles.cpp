#include "graphics/GdiHandles.h"

#include "runtime/Exceptions.h"

void GdiError()
{
    DWORD code = GetLastError();
    if (code != 0) {
        char* text = nullptr;
        DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
        if (length != 0 && text) {
            AnsiString message(text, length);
            LocalFree(text);
            while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
                message.pop_back();
            throw EOutOfResources(message);
        }
    }
    throw EOutOfResources(Exception::ResText(65383));
}

TScreenDC::TScreenDC() : m_dc(GetDC(nullptr))
{
    if (!m_dc)
        GdiError();
}

TMemoryDC::TMemoryDC(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith))
{
    if (!m_dc)
        GdiError();
}
