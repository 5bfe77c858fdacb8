#include "graphics/Clipboard.h"

#include "runtime/UtilityWindow.h"
#include "graphics/Bitmap.h"
#include "graphics/GdiHandles.h"
#include "graphics/Metafile.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <memory>

namespace {

TClipboardWindowProvider clipboardWindowProvider = nullptr;

}

void SetClipboardWindowProvider(TClipboardWindowProvider provider) { clipboardWindowProvider = provider; }

TClipboard* GlobalClipboard()
{
    static const std::unique_ptr<TClipboard> clipboard = std::make_unique<TClipboard>();
    return clipboard.get();
}

TClipboard::~TClipboard()
{
    if (m_openRefCount > 0) {
        m_openRefCount = 1;
        Close();
    }
}

void TClipboard::Open()
{
    if (m_openRefCount == 0) {
        m_clipboardWindow = clipboardWindowProvider ? clipboardWindowProvider() : nullptr;
        if (!m_clipboardWindow) {
            m_clipboardWindow = AllocateUtilityWindow({});
            m_allocated = true;
        }
        if (!OpenClipboard(m_clipboardWindow)) {
            if (m_allocated)
                ReleaseUtilityWindow(m_clipboardWindow);
            m_allocated = false;
            m_clipboardWindow = nullptr;
            throw Exception(Exception::ResText(TextId::ClipboardCannotOpen));
        }
        m_emptied = false;
    }
    ++m_openRefCount;
}

void TClipboard::OpenWithin(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        try {
            Open();
            return;
        } catch (const Exception&) {
            if (GetTickCount() - start >= milliseconds)
                throw;
        }
        // Another program's use of the clipboard is brief: a paste, a clipboard
        // manager reading a change.
        Sleep(20);
    }
}

void TClipboard::Close()
{
    if (m_openRefCount == 0)
        return;
    if (--m_openRefCount == 0) {
        CloseClipboard();
        if (m_allocated)
            ReleaseUtilityWindow(m_clipboardWindow);
        m_allocated = false;
        m_clipboardWindow = nullptr;
    }
}

void TClipboard::Clear()
{
    Open();
    EmptyClipboard();
    Close();
}

void TClipboard::Adding()
{
    if (m_openRefCount != 0 && !m_emptied) {
        Clear();
        m_emptied = true;
    }
}

void TClipboard::SetData(UINT format, HANDLE data)
{
    SetLastError(0);
    if (SetClipboardData(format, data))
        return;
    // Refused: the handle stays ours, so it is deleted rather than lost, and the
    // caller learns why.
    DWORD error = GetLastError();
    if (format == CF_BITMAP || format == CF_PALETTE) {
        TGdiObject<HGDIOBJ> refused(data);
    } else if (format == CF_ENHMETAFILE) {
        DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));
    } else {
        GlobalFree(data);
    }
    SetLastError(error);
    RaiseLastWin32Error();
}

template<typename Source> void TClipboard::PutData(Source* source)
{
    Open();
    ScopeExit close([this] { Close(); });
    Adding();
    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    source->SaveClipboardData(format, data, palette);
    // The palette belongs to the data: it goes with data the clipboard did not take.
    TGdiPalette ownPalette(palette);
    if (data) {
        SetData(format, data);
        if (ownPalette)
            SetData(CF_PALETTE, ownPalette.Release());
    }
}

void TClipboard::AssignPicture(TPicture* picture) { PutData(picture); }

void TClipboard::AssignGraphic(TGraphic* graphic) { PutData(graphic); }

void TClipboard::Assign(TPersistent* source)
{
    if (auto* picture = dynamic_cast<TPicture*>(source))
        AssignPicture(picture);
    else if (auto* graphic = dynamic_cast<TGraphic*>(source))
        AssignGraphic(graphic);
    else
        TPersistent::Assign(source);
}

void TClipboard::AssignToPicture(TPicture* picture)
{
    Open();
    ScopeExit close([this] { Close(); });
    UINT format = EnumClipboardFormats(0);
    for (; format != 0; format = EnumClipboardFormats(format))
        if (format <= 0xFFFF && TPicture::SupportsClipboardData(static_cast<std::uint16_t>(format)))
            break;
    if (format == 0)
        throw Exception(Exception::ResText(TextId::ClipboardFormatInvalid));
    HANDLE data = GetClipboardData(format);
    auto palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    picture->LoadClipboardData(static_cast<std::uint16_t>(format), data, palette);
}

void TClipboard::AssignToBitmap(TBitmap* bitmap)
{
    Open();
    ScopeExit close([this] { Close(); });
    bitmap->LoadClipboardData(
        CF_BITMAP, GetClipboardData(CF_BITMAP), static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)));
}

void TClipboard::AssignToMetafile(TMetafile* metafile)
{
    Open();
    ScopeExit close([this] { Close(); });
    metafile->LoadClipboardData(
        CF_METAFILEPICT, GetClipboardData(CF_METAFILEPICT), static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)));
}

void TClipboard::AssignInto(TPersistent* destination)
{
    if (auto* picture = dynamic_cast<TPicture*>(destination))
        AssignToPicture(picture);
    else if (auto* bitmap = dynamic_cast<TBitmap*>(destination))
        AssignToBitmap(bitmap);
    else if (auto* metafile = dynamic_cast<TMetafile*>(destination))
        AssignToMetafile(metafile);
    else
        TPersistent::AssignInto(destination);
}
