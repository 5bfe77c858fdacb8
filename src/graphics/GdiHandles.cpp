#include "graphics/GdiHandles.h"

#include "runtime/Exceptions.h"

void GdiError()
{
    // A failed call that left no error code behind (code 0 reads "the operation
    // completed successfully") gets the frame's own text.
    DWORD code = GetLastError();
    AnsiString message = code != 0 ? SystemErrorMessage(code) : AnsiString();
    if (message.empty())
        message = Exception::ResText(TextId::OutOfSystemResources);
    throw EOutOfResources(message);
}

void CheckImageSize(long long width, long long height, int bitsPerPixel)
{
    long long stride = (width * bitsPerPixel + 31) / 32 * 4;
    if (width < 0 || height < 0 || stride * height > 0x7FFFFFFFLL) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        GdiError();
    }
}

TWindowDC::TWindowDC(HWND window) : m_window(window), m_dc(GetDC(window))
{
    if (!m_dc)
        GdiError();
}

TMemoryDC::TMemoryDC(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith))
{
    if (!m_dc)
        GdiError();
}
