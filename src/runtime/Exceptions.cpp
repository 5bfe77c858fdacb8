#include "runtime/Exceptions.h"

#include <windows.h>

AnsiString InOutErrorText(int code)
{
    switch (code) {
    case 2: return Exception::ResText(TextId::IoFileNotFound);
    case 3: return Exception::ResText(TextId::IoInvalidFileName);
    case 4: return Exception::ResText(TextId::IoTooManyOpenFiles);
    case 5: return Exception::ResText(TextId::IoAccessDenied);
    case 100: return Exception::ResText(TextId::IoReadPastEnd);
    case 101: return Exception::ResText(TextId::IoDiskFull);
    case 106: return Exception::ResText(TextId::IoNotANumber);
    default: return Exception::ResText(TextId::IoError, code);
    }
}

int& InOutResult()
{
    static thread_local int pending = 0;
    return pending;
}

void RaiseInOutError(int code)
{
    InOutResult() = 0;
    throw EInOutError(InOutErrorText(code), code);
}

AnsiString SystemErrorMessage(unsigned long code)
{
    char* text = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    AnsiString message = length != 0 && text ? AnsiString(text, length) : AnsiString();
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

void RaiseLastWin32Error()
{
    DWORD code = GetLastError();
    if (code == 0)
        throw EWin32Error(Exception::ResText(TextId::Win32CallFailed));
    throw EWin32Error(Exception::ResText(TextId::Win32ErrorCode, static_cast<int>(code), SystemErrorMessage(code)));
}
