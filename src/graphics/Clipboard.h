// The system clipboard for pictures: one object for the whole process, which opens
// the clipboard around every operation (nested opens only count) and empties it once
// before the first data of an opening is put there.
#pragma once

#include "runtime/Persistent.h"

#include <windows.h>

class TBitmap;
class TGraphic;
class TMetafile;
class TPicture;

// The window the clipboard is opened on: the application names its own; without
// one, each opening makes a utility window of its own.
using TClipboardWindowProvider = HWND (*)();
void SetClipboardWindowProvider(TClipboardWindowProvider provider);

class TClipboard : public TPersistent {
public:
    SV_CLASS_NAME(TClipboard)

    TClipboard() = default;
    ~TClipboard() override;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    // Opens the clipboard at depth 0 (on the application's window, or on a utility
    // window of its own when there is none), else only counts. Exception
    // "クリップボードを開くことができません" when another program holds it.
    void Open();
    // As Open, but while another program holds the clipboard, tries again until the
    // given time has passed; then the same exception.
    void OpenWithin(DWORD milliseconds);
    // Counts down; at depth 0 closes the clipboard and releases its own window.
    void Close();
    // Empties the clipboard (opening and closing around it).
    void Clear();

    // A picture or any other graphic is put on the clipboard in the format its graphic
    // gives; anything else is an assignment error.
    void Assign(TPersistent* source) override;

    int OpenCount() const { return m_openRefCount; }
    HWND ClipboardWindow() const { return m_clipboardWindow; }

protected:
    // Fills a picture from the first clipboard format a graphic class reads, a bitmap
    // from the bitmap format, a metafile from the metafile format.
    void AssignInto(TPersistent* destination) override;
    // Before data is put: empties the clipboard once per opening.
    void Adding();

private:
    void AssignGraphic(TGraphic* graphic);
    void AssignPicture(TPicture* picture);
    void AssignToPicture(TPicture* picture);
    void AssignToBitmap(TBitmap* bitmap);
    void AssignToMetafile(TMetafile* metafile);
    template<typename Source> void PutData(Source* source);
    void SetData(UINT format, HANDLE data);

    int m_openRefCount = 0;
    HWND m_clipboardWindow = nullptr;
    bool m_allocated = false;
    bool m_emptied = false;
};

// The clipboard object of the process, made on first use.
TClipboard* GlobalClipboard();
