#include "runtime/Exceptions.h"

#include <windows.h>

AnsiString InOutErrorText(int code)
{
    switch (code) {
    case 2: return "ファイルが見つかりません";
    case 3: return "不正なファイル名です";
    case 4: return "オープンしたファイルが多すぎます";
    case 5: return "ファイルへのアクセスが拒否されました";
    case 100: return "ファイルの末尾以降を読み込みました";
    case 101: return "ディスクがいっぱいです";
    case 106: return "入力値が数値ではありません";
    default: return Format("I/O エラー (%d)", code);
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
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
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
        throw EWin32Error("Win32 API 呼び出しに失敗しました");
    throw EWin32Error(Format("Win32 エラー。コード : %d.\n%s", static_cast<int>(code), SystemErrorMessage(code)));
}
