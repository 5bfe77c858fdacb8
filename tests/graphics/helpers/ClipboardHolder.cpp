// A second program for the clipboard tests: opens the system clipboard and keeps it
// open until told to let go, as another program on the desktop may do.
//
//   clipboard_holder.exe READY-EVENT RELEASE-EVENT
//
// Opens the clipboard, signals the named event READY-EVENT, waits (at most 30 s) for
// the named event RELEASE-EVENT, closes the clipboard and exits. Exit code 0 when
// the clipboard was held, 1 when it could not be opened, 2 on bad arguments.
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (!ready || !release)
        return 2;
    if (!OpenClipboard(nullptr)) {
        SetEvent(ready);
        return 1;
    }
    SetEvent(ready);
    WaitForSingleObject(release, 30000);
    CloseClipboard();
    CloseHandle(ready);
    CloseHandle(release);
    return 0;
}
