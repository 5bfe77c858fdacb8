// A menu: the owner of one item tree (its root item) and of the root's native menu;
// finds items by command id, native submenu or shortcut and dispatches commands and
// submenu openings to them.
#pragma once

#include "tray/MenuItem.h"
#include "runtime/Component.h"

#include <functional>

#include <windows.h>

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum class TFindItemKind { fkCommand, fkHandle, fkShortCut };

using TMenuChangeEvent = std::function<void(TObject* sender, TMenuItem* source, bool rebuild)>;

class TMenu : public TComponent {
public:
    SV_CLASS_NAME(TMenu)
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    // The root item, owned by the menu.
    TMenuItem* Items() const { return m_items; }
    // The root's native menu.
    virtual HMENU Handle() { return m_items->Handle(); }

    // Depth-first over the root's children (the root itself is not examined).
    TMenuItem* FindMenuItem(UINT_PTR value, TFindItemKind kind) const;
    // The item with the command id clicks; false when no item has it.
    bool DispatchMenuCommand(std::uint16_t command);
    // The item whose native submenu opens updates itself; false when none has it.
    bool DispatchMenuPopup(HMENU menu);

    bool OwnerDraw() const { return m_ownerDraw; }
    void SetOwnerDraw(bool value);
    // Menus carry no image list here: no item has an image.
    bool HasImageFor(const TMenuItem*) const { return false; }
    TBiDiMode BiDiMode() const { return m_biDiMode; }
    void SetBiDiMode(TBiDiMode value) { m_biDiMode = value; }
    bool ParentBiDiMode() const { return m_parentBiDiMode; }
    void SetParentBiDiMode(bool value) { m_parentBiDiMode = value; }
    // Right to left only when asked for on a system whose locale reads right to left.
    bool IsRightToLeft() const;
    TMenuItemAutoFlag AutoHotkeys() const { return m_items->AutoHotkeys(); }
    void SetAutoHotkeys(TMenuItemAutoFlag value) { m_items->SetAutoHotkeys(value); }
    TMenuItemAutoFlag AutoLineReduction() const { return m_items->AutoLineReduction(); }
    void SetAutoLineReduction(TMenuItemAutoFlag value) { m_items->SetAutoLineReduction(value); }
    HWND WindowHandle() const { return m_windowHandle; }
    void SetWindowHandle(HWND value) { m_windowHandle = value; }

    TMenuChangeEvent OnChange;

    // A change reported by the root item.
    virtual void MenuChanged(TMenuItem* source, bool rebuild);

    // Items read inside the menu become children of its root.
    TComponent* GetChildParent() override { return this; }

protected:
    HWND m_windowHandle = nullptr;

private:
    TMenuItem* m_items = nullptr;
    bool m_ownerDraw = false;
    TBiDiMode m_biDiMode = bdLeftToRight;
    bool m_parentBiDiMode = true;
};

// True when a locale reading right to left is the system's.
bool SystemReadsRightToLeft();
