#include "files/FileListBox.h"

#include "files/FileSearch.h"
#include "files/PathParts.h"
#include "runtime/ClassInfo.h"
#include "frame/Screen.h"
#include "runtime/Messages.h"
#include "graphics/Bitmap.h"
#include "graphics/Brush.h"
#include "graphics/Canvas.h"
#include "graphics/Colors.h"
#include "graphics/Font.h"
#include "graphics/GdiHandles.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

namespace {

constexpr TCursor crHourGlass = -11;

// The search attribute bit of each of the first six kinds.
constexpr int AttrBits[] = { faReadOnly, faHidden, faSysFile, faVolumeID, faDirectory, faArchive };

std::unique_ptr<TBitmap> LoadGlyph(const char* name)
{
    auto glyph = std::make_unique<TBitmap>();
    if (HBITMAP handle = LoadBitmapA(GetModuleHandleA(nullptr), name))
        glyph->SetHandle(handle);
    // Drawn over the item's background: the bottom-left pixel's colour shows through.
    glyph->SetTransparent(true);
    return glyph;
}

bool HasWildcard(const AnsiString& text) { return text.find_first_of("*?") != AnsiString::npos; }

bool EndsWithSeparator(const AnsiString& path)
{
    return !path.empty() && path.back() == '\\' && ByteKindAt(path, path.size() - 1) != ByteKind::Trail;
}

}

TFileListBox::TFileListBox(TComponent* owner) : TWinControl(owner)
{
    SetWidth(145);
    m_folder = GetCurrentFolder();
    m_exeGlyph = LoadGlyph("EXECUTABLE");
    m_folderGlyph = LoadGlyph("CLOSEDFOLDER");
    m_fileGlyph = LoadGlyph("UNKNOWNFILE");
    SetTabStop(true);
    ResetItemHeight();
}

TFileListBox::~TFileListBox() = default;

void TFileListBox::FillCreationRecord(TCreateParams& params)
{
    TWinControl::FillCreationRecord(params);
    CreateSubClass(params, "LISTBOX");
    params.Style |=
        LBS_NOTIFY | LBS_HASSTRINGS | LBS_SORT | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TFileListBox::WindowCreated()
{
    TWinControl::WindowCreated();
    SendMessageA(m_handle, LB_SETITEMHEIGHT, 0, m_itemHeight);
    ReadFolder();
}

void TFileListBox::FontChanged()
{
    TWinControl::FontChanged();
    ResetItemHeight();
}

void TFileListBox::ResetItemHeight()
{
    int height = 0;
    if (TScreenDC dc(nullptr, std::nothrow); dc) {
        TSelectObject font(dc, Font()->Handle());
        SIZE size {};
        if (GetTextExtentPoint32A(dc, "Wg", 2, &size))
            height = size.cy;
    }
    if (m_showGlyphs && m_exeGlyph && m_exeGlyph->Height() + 1 > height)
        height = m_exeGlyph->Height() + 1;
    if (height > 0)
        SetItemHeight(height);
}

void TFileListBox::SetItemHeight(int value)
{
    if (value <= 0)
        return;
    m_itemHeight = value;
    if (HandleAllocated())
        SendMessageA(m_handle, LB_SETITEMHEIGHT, 0, value);
}

void TFileListBox::SetMask(const AnsiString& mask)
{
    if (mask == m_mask)
        return;
    m_mask = mask;
    ReadFolder();
}

void TFileListBox::SetFileType(TFileType type)
{
    if (type == m_fileType)
        return;
    m_fileType = type;
    ReadFolder();
}

void TFileListBox::SetShowGlyphs(bool value)
{
    if (value == m_showGlyphs)
        return;
    m_showGlyphs = value;
    if (value && m_exeGlyph && m_itemHeight < m_exeGlyph->Height() + 1)
        ResetItemHeight();
    Invalidate();
}

bool TFileListBox::ItemsWindow()
{
    if (!HandleAllocated() && (Parent() || ParentWindow()) && !(ComponentState() & (csLoading | csDestroying)))
        Handle();
    return HandleAllocated();
}

int TFileListBox::Count()
{
    if (!ItemsWindow())
        return 0;
    LRESULT n = SendMessageA(m_handle, LB_GETCOUNT, 0, 0);
    return n == LB_ERR ? 0 : static_cast<int>(n);
}

AnsiString TFileListBox::Items(int index)
{
    if (index < 0 || index >= Count())
        throw EListError(Exception::ResText(TextId::ListIndexOutOfRange, index));
    LRESULT length = SendMessageA(m_handle, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length < 0)
        throw EListError(Exception::ResText(TextId::ListIndexOutOfRange, index));
    AnsiString text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(m_handle, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

int TFileListBox::ItemIndex()
{
    if (!ItemsWindow())
        return -1;
    LRESULT index = SendMessageA(m_handle, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TFileListBox::SetItemIndex(int index)
{
    if (ItemsWindow())
        SendMessageA(m_handle, LB_SETCURSEL, index, 0);
}

AnsiString TFileListBox::SelectedPath()
{
    int index = ItemIndex();
    if (index < 0)
        return {};
    return EndsWithSeparator(m_folder) ? m_folder + Items(index) : m_folder + "\\" + Items(index);
}

void TFileListBox::Dispatch(TMessage& message)
{
    if (message.Msg == WM_DRAWITEM + FN_OFFSET) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
        message.Result = TRUE;
        return;
    }
    if (message.Msg == WM_COMMAND + FN_OFFSET) {
        // A click on another item: the selection changed.
        if (HIWORD(message.WParam) == LBN_SELCHANGE && ItemIndex() != m_lastSelection)
            Change();
        return;
    }
    TWinControl::Dispatch(message);
}

void TFileListBox::DrawItem(const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1))
        return;
    TCanvas canvas;
    canvas.SetHandle(item.hDC);
    canvas.SetFont(Font());
    canvas.SetBrush(Brush());
    if (item.itemState & ODS_SELECTED) {
        canvas.Brush()->SetColor(clHighlight);
        canvas.Font()->SetColor(clHighlightText);
    }
    canvas.FillRect(item.rcItem);
    int textOffset = 2;
    auto* glyph = reinterpret_cast<TBitmap*>(item.itemData);
    if (m_showGlyphs && glyph && !glyph->Empty()) {
        int height = item.rcItem.bottom - item.rcItem.top;
        canvas.Draw(item.rcItem.left + 2, item.rcItem.top + (height - glyph->Height()) / 2, glyph);
        textOffset = glyph->Width() + 6;
    }
    canvas.TextOut(item.rcItem.left + textOffset, item.rcItem.top, Items(static_cast<int>(item.itemID)));
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &item.rcItem);
    canvas.SetHandle(nullptr);
}

void TFileListBox::AddItem(const AnsiString& text, TBitmap* glyph)
{
    LRESULT index = SendMessageA(m_handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0)
        throw EOutOfResources(Exception::ResText(TextId::ListCannotInsert));
    SendMessageA(m_handle, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(glyph));
    if (index == 100 && Screen)
        Screen->SetCursor(crHourGlass);
}

void TFileListBox::Change()
{
    m_lastSelection = ItemIndex();
    if (OnChange)
        OnChange(this);
}

void TFileListBox::ReadFolder()
{
    if (!HandleAllocated()) {
        // Making the window reads the folder.
        ItemsWindow();
        return;
    }
    int attributes = 0;
    for (int kind = ftReadOnly; kind <= ftArchive; ++kind)
        if (m_fileType & FileTypeOf(static_cast<TFileAttr>(kind)))
            attributes |= AttrBits[kind];
    ChangeCurrentFolder(m_folder);
    SendMessageA(m_handle, LB_RESETCONTENT, 0, 0);

    {
        TCursor savedCursor = Screen ? Screen->Cursor() : 0;
        ScopeExit restoreCursor([savedCursor] {
            if (Screen)
                Screen->SetCursor(savedCursor);
        });
        std::size_t start = 0;
        for (;;) {
            std::size_t end = m_mask.find(';', start);
            AnsiString piece = m_mask.substr(start, end == AnsiString::npos ? AnsiString::npos : end - start);
            TSearchRec entry;
            if (FindFirstEntry(piece, attributes, entry) == 0) {
                do {
                    if (!(m_fileType & FileTypeOf(ftNormal)) && !(entry.Attr & attributes))
                        continue;
                    if (entry.Attr & faDirectory) {
                        AddItem(Format("[%s]", entry.Name), m_showGlyphs ? m_folderGlyph.get() : nullptr);
                    } else {
                        AnsiString ext = AnsiLowerCase(ExtractFileExt(entry.Name));
                        bool program = ext == ".exe" || ext == ".com" || ext == ".bat" || ext == ".pif";
                        AddItem(entry.Name, program ? m_exeGlyph.get() : m_fileGlyph.get());
                    }
                } while (FindNextEntry(entry) == 0);
                EndSearch(entry);
            }
            if (end == AnsiString::npos)
                break;
            start = end + 1;
        }
    }
    Change();
}

void TFileListBox::ChangeFolder(const AnsiString& path)
{
    if (CompareFileNames(path, m_folder) == 0)
        return;
    if (FolderExists(m_folder))
        ChangeCurrentFolder(m_folder);
    ChangeCurrentFolder(path);
    m_folder = GetCurrentFolder();
    ReadFolder();
}

void TFileListBox::SplitFolderPath(const AnsiString& path, char& drive, AnsiString& folder, AnsiString& file)
{
    AnsiString saved = GetCurrentFolder();
    drive = saved.empty() ? 0 : saved[0];
    folder = path;
    AnsiString driveText;
    if (folder.size() >= 2 && folder.front() == '[' && LastDelimiter("]", folder) == folder.size()) {
        folder = folder.substr(1, folder.size() - 2);
    } else {
        driveText = ExtractFileDrive(folder);
        if (!driveText.empty())
            folder.erase(0, driveText.size());
        else
            driveText = ExtractFileDrive(saved);
        drive = driveText.size() >= 2 && driveText[1] == ':' ? driveText[0] : 0;
    }
    // The current folder goes back when it still exists, whatever happens.
    ScopeExit restore([&saved] {
        if (!saved.empty() && FolderExists(saved))
            SetCurrentDirectoryA(saved.c_str());
    });
    if (!driveText.empty() && FolderExists(driveText))
        ChangeCurrentFolder(driveText);
    file = ExtractFileName(folder);
    if (folder.size() == file.size() + 1) {
        folder = "\\";
    } else if (folder.size() > file.size()) {
        folder.erase(folder.size() - file.size() - 1);
    } else {
        folder = GetCurrentFolder();
        folder.erase(0, ExtractFileDrive(folder).size());
        if (folder.empty())
            folder = "\\";
    }
    if (!folder.empty())
        ChangeCurrentFolder(folder);
    if (!file.empty() && !HasWildcard(file) && !FileExists(file)) {
        ChangeCurrentFolder(file);
        folder = folder == "\\" ? "\\" + file : folder + "\\" + file;
        file.clear();
    }
    if (!drive)
        folder = driveText + folder;
}

void TFileListBox::SetFolderPath(const AnsiString& path)
{
    if (path.empty() || CompareFileNames(SelectedPath(), path) == 0)
        return;
    char drive = 0;
    AnsiString folder, file;
    SplitFolderPath(path, drive, folder, file);
    if (drive)
        ChangeFolder(Format("%s:%s", AnsiString(1, drive), folder));
    else
        ChangeFolder(folder);
    if (HasWildcard(file)) {
        SetMask(file);
    } else if (!file.empty()) {
        auto select = [&] {
            if (!ItemsWindow())
                return;
            LRESULT index = SendMessageA(m_handle, LB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(file.c_str()));
            SetItemIndex(index == LB_ERR ? -1 : static_cast<int>(index));
            Change();
        };
        select();
        if (!FileExists(file))
            throw EInvalidOperation(Exception::ResText(TextId::InvalidFileNamePath, path));
        if (ItemIndex() < 0) {
            SetMask(file);
            select();
        }
    }
}

// The file list as form streams set it.
static const TClassRegistration<TFileListBox> fileListInfo("TFileListBox", [](TClassBuilder<TFileListBox>& c) {
    static const TEnumType kinds { "ftReadOnly", "ftHidden", "ftSystem", "ftVolumeID", "ftDirectory", "ftArchive",
        "ftNormal" };
    c.Parent<TWinControl>();
    c.Constructor();
    c.String("Mask", &TFileListBox::SetMask);
    c.Set("FileType", kinds, &TFileListBox::FileType, &TFileListBox::SetFileType);
    c.Boolean("ShowGlyphs", &TFileListBox::ShowGlyphs, &TFileListBox::SetShowGlyphs);
    c.Integer("ItemHeight", &TFileListBox::ItemHeight, &TFileListBox::SetItemHeight);
    c.Event("OnChange", &TFileListBox::OnChange);
});
