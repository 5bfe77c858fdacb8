// A second program for the clipboard tests: holds the system clipboard open, or puts
// content there, as another program on the desktop may do.
//
//   clipboard_holder.exe READY-EVENT RELEASE-EVENT [HOLD-MS]
//   clipboard_holder.exe --put-sample
//
// The first form opens the clipboard, signals the named event READY-EVENT, waits for
// the named event RELEASE-EVENT (at most HOLD-MS milliseconds, 30 s when not given),
// closes the clipboard and exits. Exit code 0 when the clipboard was held, 1 when it
// could not be opened, 2 on bad arguments.
//
// The second form puts a user's kind of content on the clipboard and exits: a text
// with double-byte characters, a device-independent bitmap, a list of two files and a
// registered format. Exit code 0 when it is there, 1 when it could not be put.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HGLOBAL Block(const void* bytes, std::size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory) {
        std::memcpy(GlobalLock(memory), bytes, size);
        GlobalUnlock(memory);
    }
    return memory;
}

int PutSample()
{
    // The clipboard's owner is a window, as a program's copy command has.
    HWND window = CreateWindowExA(0, "STATIC", "copier", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!OpenClipboard(window))
        return 1;
    EmptyClipboard();
    // "表示ソフト" and a half-width kana in code page 932: trail bytes 0x5C included.
    const char text[] = "\x95\x5C\x8E\xA6\x83\x5C\x83\x74\x83\x67 \xB1 copied";
    bool put = SetClipboardData(CF_TEXT, Block(text, sizeof text)) != nullptr;

    // A 3 x 2 picture of 24 bits per pixel, rows padded to four bytes.
    unsigned char dib[sizeof(BITMAPINFOHEADER) + 2 * 12] = {};
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = 3;
    header->biHeight = 2;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biSizeImage = 24;
    for (std::size_t i = 0; i < 24; ++i)
        dib[sizeof(BITMAPINFOHEADER) + i] = static_cast<unsigned char>(17 * i + 3);
    put = SetClipboardData(CF_DIB, Block(dib, sizeof dib)) != nullptr && put;

    const char files[] = "C:\\users\\\x95\x5C.txt\0C:\\photos\\sv_a_1200.jpg\0";
    std::string drop(sizeof(DROPFILES), '\0');
    auto* list = reinterpret_cast<DROPFILES*>(drop.data());
    list->pFiles = sizeof(DROPFILES);
    list->fWide = FALSE;
    drop.append(files, sizeof files);
    put = SetClipboardData(CF_HDROP, Block(drop.data(), drop.size())) != nullptr && put;

    UINT registered = RegisterClipboardFormatA("SV sample of a user's format");
    const char bytes[] = { 0, 1, 2, '\xFF', '\xFE', 0, 'x' };
    put = registered && SetClipboardData(registered, Block(bytes, sizeof bytes)) != nullptr && put;
    CloseClipboard();
    DestroyWindow(window);
    return put ? 0 : 1;
}

}

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--put-sample") == 0)
        return PutSample();
    if (argc != 3 && argc != 4)
        return 2;
    DWORD hold = argc == 4 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 30000;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (!ready || !release)
        return 2;
    if (!OpenClipboard(nullptr)) {
        SetEvent(ready);
        return 1;
    }
    SetEvent(ready);
    WaitForSingleObject(release, hold);
    CloseClipboard();
    CloseHandle(ready);
    CloseHandle(release);
    return 0;
}
