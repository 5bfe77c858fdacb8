// Menu items: a tree of items, each with a caption, state flags, a shortcut and a
// click event, and the native menu that shows an item's children.
#pragma once

#include "tray/ShortCut.h"
#include "runtime/Component.h"
#include "runtime/Events.h"

#include <cstdint>
#include <memory>
#include <vector>

#include <windows.h>

class TMenu;
class TBitmap;

enum TMenuItemAutoFlag { maAutomatic, maManual, maParent };
enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
using THelpContext = int;

class TMenuItem : public TComponent {
public:
    SV_CLASS_NAME(TMenuItem)
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // ---- the tree ----
    int Count() const { return static_cast<int>(m_children.size()); }
    // EMenuError 65367 for an index outside the children.
    TMenuItem* Items(int index) const;
    int IndexOf(const TMenuItem* child) const;
    // A child that already has a parent: EMenuError 65368; a group index smaller
    // than an item's before it: EMenuError 65371.
    void Insert(int index, TMenuItem* child);
    void Add(TMenuItem* child) { Insert(Count(), child); }
    // EMenuError 65367 outside the children.
    void Delete(int index);
    // EMenuError 65369 for an item that is not a child.
    void Remove(TMenuItem* child);
    TMenuItem* Parent() const { return m_parent; }
    // The menu whose root this item is (none for other items).
    TMenu* OwnerMenu() const { return m_menu; }
    // The menu of the tree the item is in, found from its root.
    TMenu* GetParentMenu() const;

    // ---- the native menu of the children ----
    // Created and filled on first use; EMenuError 65383 when the platform refuses.
    HMENU Handle();
    bool HandleAllocated() const { return m_handle != nullptr; }
    std::uint16_t Command() const { return m_command; }

    // The click: OnClick, when the item is enabled.
    virtual void Click();

    // ---- properties ----
    const AnsiString& Caption() const { return m_caption; }
    void SetCaption(const AnsiString& value);
    bool Checked() const { return m_checked; }
    void SetChecked(bool value);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);
    bool Default() const { return m_default; }
    void SetDefault(bool value);
    bool RadioItem() const { return m_radioItem; }
    void SetRadioItem(bool value);
    TMenuBreak Break() const { return m_break; }
    void SetBreak(TMenuBreak value);
    TShortCut ShortCut() const { return m_shortCut; }
    void SetShortCut(TShortCut value);
    std::uint8_t GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(std::uint8_t value);
    THelpContext HelpContext() const { return m_helpContext; }
    void SetHelpContext(THelpContext value) { m_helpContext = value; }
    const AnsiString& Hint() const { return m_hint; }
    void SetHint(const AnsiString& value) { m_hint = value; }
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int value);
    TMenuItemAutoFlag AutoHotkeys() const { return m_autoHotkeys; }
    void SetAutoHotkeys(TMenuItemAutoFlag value);
    TMenuItemAutoFlag AutoLineReduction() const { return m_autoLineReduction; }
    void SetAutoLineReduction(TMenuItemAutoFlag value);
    // The glyph; a non-empty one makes the item owner-drawn.
    TBitmap* Bitmap();
    bool HasBitmap() const;
    bool IsSeparator() const { return m_caption == "-"; }
    bool IsLine() const { return IsSeparator(); }
    // Whether the automatic passes apply to this item's children (maParent is
    // resolved through the parents up to the menu).
    bool AutoHotkeysOn() const;
    bool AutoLineReductionOn() const;

    TNotifyEvent OnClick;

    // Rebuilds the native menu of the children (when it exists): every entry is taken
    // out and the children appended anew. While loading, the rebuild waits for Loaded.
    void RebuildNativeMenu();
    // Appends the native entries of the children to the native menu.
    void PopulateNativeMenu(HMENU menu);

    // Set by the automatic passes without a change report.
    void SetCaptionQuietly(const AnsiString& value) { m_caption = value; }
    void SetVisibleQuietly(bool value) { m_visible = value; }

    // Form-stream protocol: nesting is parenting.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;
    void Loaded() override;

protected:
    // Reports a change to the parent (or, for a root, to its menu).
    void MenuChanged(bool rebuild);
    // A child (or something below it) changed.
    void SubItemChanged(TMenuItem* source, bool rebuild);

private:
    void CheckGroupIndex(int index, std::uint8_t group);
    void TurnSiblingsOff();
    void ReleaseChildren();
    void DestroyNativeMenu();

    AnsiString m_caption;
    HMENU m_handle = nullptr;
    bool m_checked = false;
    bool m_enabled = true;
    bool m_default = false;
    bool m_radioItem = false;
    bool m_visible = true;
    std::uint8_t m_groupIndex = 0;
    int m_imageIndex = -1;
    TMenuBreak m_break = mbNone;
    TShortCut m_shortCut = 0;
    THelpContext m_helpContext = 0;
    AnsiString m_hint;
    TMenuItemAutoFlag m_autoHotkeys = maParent;
    TMenuItemAutoFlag m_autoLineReduction = maParent;
    std::unique_ptr<TBitmap> m_bitmap;
    std::uint16_t m_command;
    TMenuItem* m_parent = nullptr;
    std::vector<TMenuItem*> m_children;
    TMenu* m_menu = nullptr;
    bool m_rebuildPending = false;

    friend class TMenu;
};

// Rebuilds the native menu of an item's children.
void RebuildNativeMenu(TMenuItem* item);
// Appends one item's native entry to a native menu (invisible items are left out).
void AppendNativeItem(TMenuItem* item, HMENU menu, bool rightToLeft);
