#include "app/TickClipboard.h"

#include "graphics/Clipboard.h"
#include "graphics/Picture.h"
#include "runtime/ScopeGuard.h"

#include <cstring>

namespace {

// Registered formats that tell clipboard history, the cloud clipboard and clipboard
// managers not to record what is on the clipboard.
const char ExcludeFromMonitors[] = "ExcludeClipboardContentFromMonitorProcessing";
const char CanIncludeInHistory[] = "CanIncludeInClipboardHistory";
const char CanUploadToCloud[] = "CanUploadToCloudClipboard";

// Puts a DWORD under a registered format on the open clipboard. A marker that cannot
// be put costs the tick nothing.
void PutMarker(const char* name, DWORD value)
{
    UINT format = RegisterClipboardFormatA(name);
    if (!format)
        return;
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, sizeof value);
    if (!data)
        return;
    std::memcpy(GlobalLock(data), &value, sizeof value);
    GlobalUnlock(data);
    if (!SetClipboardData(format, data))
        GlobalFree(data);
}

}

TTickClipboard::~TTickClipboard()
{
    if (!m_taken || m_givenBack)
        return;
    try {
        GiveBack();
    } catch (...) {
        // Dropped in a destructor: the tick's own failure is the one reported.
    }
}

void TTickClipboard::PassThrough(TPicture* picture)
{
    TClipboard* clipboard = GlobalClipboard();
    clipboard->OpenWithin(Patience);
    ScopeExit close([clipboard] { clipboard->Close(); });
    m_user = TClipboardContent::Take();
    m_taken = true;
    clipboard->Assign(picture);
    PutMarker(ExcludeFromMonitors, 0);
    PutMarker(CanIncludeInHistory, 0);
    PutMarker(CanUploadToCloud, 0);
    picture->Assign(clipboard);
}

void TTickClipboard::GiveBack()
{
    // Tried once: a clipboard still held after the wait is reported, not waited for again.
    m_givenBack = true;
    TClipboard* clipboard = GlobalClipboard();
    clipboard->OpenWithin(Patience);
    ScopeExit close([clipboard] { clipboard->Close(); });
    clipboard->Clear();
    if (!m_user.Empty()) {
        std::vector<UINT> formats = m_user.Formats();
        UINT exclude = RegisterClipboardFormatA(ExcludeFromMonitors);
        bool marked = false;
        for (UINT format : formats)
            marked = marked || format == exclude;
        m_user.PutBack();
        // Putting the user's content back is no new copy: history and clipboard
        // managers, which saw it when the user copied it, need not record it again.
        if (!marked)
            PutMarker(ExcludeFromMonitors, 0);
    }
}
