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

void RaiseLastWin32Error()
{
    DWORD code = GetLastError();
    if (code == 0)
        throw EWin32Error("Win32 API 呼び出しに失敗しました");
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    AnsiString system = text ? text : "";
    if (text)
        LocalFree(text);
    while (!system.empty() && (system.back() == '\n' || system.back() == '\r'))
        system.pop_back();
    throw EWin32Error(Format("Win32 エラー。コード : %d.\n%s", static_cast<int>(code), system));
}
