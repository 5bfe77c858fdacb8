#include "graphics/GdiHandles.h"

#include "runtime/Exceptions.h"

void GdiError()
{
    AnsiString message = SystemErrorMessage(GetLastError());
    if (message.empty())
        message = Exception::ResText(65383);
    throw EOutOfResources(message);
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
