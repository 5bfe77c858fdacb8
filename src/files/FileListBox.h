// The file list: a list control (the platform's "LISTBOX") showing the names of the
// entries of one folder that match one or more wildcard masks, sorted by the platform
// list without regard to letter case. The wallpaper clock uses it as its folder
// scanner: Folder once per folder choice, Mask once a minute, then the first item.
#pragma once

#include "frame/WinControl.h"
#include "runtime/Events.h"

#include <cstdint>
#include <memory>

class TBitmap;

// Kinds of directory entries listed; ftNormal admits entries whatever their attributes.
enum TFileAttr { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };
using TFileType = std::uint32_t; // bit (1 << TFileAttr) per kind
constexpr TFileType FileTypeOf(TFileAttr attr) { return 1u << attr; }

class TFileListBox : public TWinControl {
public:
    SV_CLASS_NAME(TFileListBox)
    explicit TFileListBox(TComponent* owner);
    ~TFileListBox() override;

    // The listed folder as the system spells it (no final separator but for a root).
    const AnsiString& Folder() const { return m_folder; }
    // Resolves the path (a folder, or a folder and a file name or mask) and lists it.
    void SetFolder(const AnsiString& path) { SetFolderPath(path); }
    const AnsiString& Mask() const { return m_mask; }
    // A mask that differs in any byte is stored, then the folder is read again.
    void SetMask(const AnsiString& mask);
    TFileType FileType() const { return m_fileType; }
    void SetFileType(TFileType type);
    bool ShowGlyphs() const { return m_showGlyphs; }
    void SetShowGlyphs(bool value);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int value);

    // The items the platform list holds. Reading or changing them demands the list's
    // window, which is made when the list has a parent (none otherwise: no items).
    int Count();
    // EListError for an index out of range.
    AnsiString Items(int index);
    int ItemIndex();
    void SetItemIndex(int index);
    // Folder and the selected name joined with "\"; empty without a selection.
    AnsiString SelectedPath();

    // Reads the folder into the list (making its window first when it can have one).
    virtual void ReadFolder();
    // Makes the resolved path the listed folder (EInOutError when it cannot be entered).
    void ChangeFolder(const AnsiString& path);
    // Splits a path into a drive letter (0: none), a folder part and a file part,
    // resolving it against the current folder, which it puts back afterwards.
    void SplitFolderPath(const AnsiString& path, char& drive, AnsiString& folder, AnsiString& file);

    TNotifyEvent OnChange;

protected:
    void Dispatch(TMessage& message) override;
    void FillCreationRecord(TCreateParams& params) override;
    void WindowCreated() override;
    void FontChanged() override;

private:
    void SetFolderPath(const AnsiString& path);
    // Makes the window on demand when the list can have one (inside a parent, neither
    // being read nor destroyed); true when the window exists.
    bool ItemsWindow();
    void AddItem(const AnsiString& text, TBitmap* glyph);
    void Change();
    void ResetItemHeight();
    // Draws one item of the owner-drawn list: glyph (when shown) and name.
    void DrawItem(const DRAWITEMSTRUCT& item);

    AnsiString m_folder;
    AnsiString m_mask = "*.*";
    TFileType m_fileType = FileTypeOf(ftNormal);
    bool m_showGlyphs = false;
    int m_itemHeight = 16;
    int m_lastSelection = -1;
    std::unique_ptr<TBitmap> m_exeGlyph;
    std::unique_ptr<TBitmap> m_folderGlyph;
    std::unique_ptr<TBitmap> m_fileGlyph;
};
