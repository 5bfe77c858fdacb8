#include "tray/MenuItem.h"

#include "tray/Menu.h"
#include "tray/MenuCommands.h"
#include "tray/PopupMenu.h"
#include "graphics/Bitmap.h"
#include "frame/Reader.h"
#include "runtime/ClassInfo.h"
#include "runtime/Exceptions.h"
#include "runtime/Platform.h"

#include <algorithm>
#include <cstddef>

namespace {

// The menu record of the first shell version (44 bytes in the 32-bit program): the
// fields up to the item bitmap.
constexpr UINT MenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);

}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) { m_command = AllocateMenuCommand(); }

TMenuItem::~TMenuItem()
{
    IncludeState(csDestroying);
    if (m_parent) {
        TMenuItem* parent = m_parent;
        int index = parent->IndexOf(this);
        if (index >= 0)
            parent->Delete(index);
    }
    ReleaseChildren();
    DestroyNativeMenu();
    ReleaseMenuCommand(m_command);
}

// Children owned by a component are destroyed through it; others leave the tree and
// stay with whoever holds them.
void TMenuItem::ReleaseChildren()
{
    while (!m_children.empty()) {
        TMenuItem* child = m_children.front();
        TComponent* owner = child->Owner();
        if (owner && child->ComponentIndex() >= 0) {
            owner->DestroyComponent(child);
        } else {
            m_children.erase(m_children.begin());
            child->m_parent = nullptr;
        }
    }
}

void TMenuItem::DestroyNativeMenu()
{
    if (!m_handle)
        return;
    // Submenus belong to their own items: take them out before the menu goes.
    while (GetMenuItemCount(m_handle) > 0)
        if (!RemoveMenu(m_handle, 0, MF_BYPOSITION))
            break;
    DestroyMenu(m_handle);
    m_handle = nullptr;
}

// ---- the tree -----------------------------------------------------------------------

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EMenuError(LoadResString(TextId::MenuIndexOutOfRange));
    return m_children[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* child) const
{
    auto it = std::find(m_children.begin(), m_children.end(), child);
    return it == m_children.end() ? -1 : static_cast<int>(it - m_children.begin());
}

void TMenuItem::CheckGroupIndex(int index, std::uint8_t group)
{
    for (int i = 0; i < index && i < Count(); ++i)
        if (m_children[static_cast<std::size_t>(i)]->m_groupIndex > group)
            throw EMenuError(LoadResString(TextId::GroupIndexTooLow));
    for (int i = std::max(index, 0); i < Count(); ++i) {
        TMenuItem* item = m_children[static_cast<std::size_t>(i)];
        if (item->m_groupIndex < group)
            item->m_groupIndex = group;
    }
}

void TMenuItem::Insert(int index, TMenuItem* child)
{
    if (!child)
        return;
    if (child->m_parent)
        throw EMenuError(LoadResString(TextId::MenuInsertedTwice));
    // Nor may an item go below itself: the tree would close into a ring.
    for (const TMenuItem* item = this; item; item = item->m_parent)
        if (item == child)
            throw EMenuError(LoadResString(TextId::MenuInsertedTwice));
    index = std::clamp(index, 0, Count());
    if (index > 0) {
        TMenuItem* before = m_children[static_cast<std::size_t>(index - 1)];
        if (before->m_groupIndex > child->m_groupIndex)
            child->m_groupIndex = before->m_groupIndex;
    }
    CheckGroupIndex(index, child->m_groupIndex);
    m_children.insert(m_children.begin() + index, child);
    child->m_parent = this;
    if (m_handle)
        RebuildNativeMenu();
    MenuChanged(Count() == 1);
}

void TMenuItem::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw EMenuError(LoadResString(TextId::MenuIndexOutOfRange));
    TMenuItem* child = m_children[static_cast<std::size_t>(index)];
    m_children.erase(m_children.begin() + index);
    child->m_parent = nullptr;
    if (m_handle)
        RebuildNativeMenu();
    MenuChanged(Count() == 0);
}

void TMenuItem::Remove(TMenuItem* child)
{
    int index = IndexOf(child);
    if (index < 0)
        throw EMenuError(LoadResString(TextId::SubmenuNotInMenu));
    Delete(index);
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* item = this;
    while (item->m_parent)
        item = item->m_parent;
    return item->m_menu;
}

// ---- change reports and the native menu ---------------------------------------------

void TMenuItem::MenuChanged(bool rebuild)
{
    if (m_parent)
        m_parent->SubItemChanged(this, rebuild);
    else if (m_menu)
        m_menu->MenuChanged(this, rebuild);
}

void TMenuItem::SubItemChanged(TMenuItem* source, bool rebuild)
{
    if (rebuild && m_handle) {
        RebuildNativeMenu();
        return;
    }
    if (m_parent)
        m_parent->SubItemChanged(source, false);
    else if (m_menu)
        m_menu->MenuChanged(source, false);
}

HMENU TMenuItem::Handle()
{
    if (!m_handle) {
        m_handle = dynamic_cast<TPopupMenu*>(Owner()) && m_menu ? CreatePopupMenu() : CreateMenu();
        if (!m_handle)
            throw EMenuError(LoadResString(TextId::OutOfSystemResources));
        PopulateNativeMenu(m_handle);
    }
    return m_handle;
}

void TMenuItem::PopulateNativeMenu(HMENU menu)
{
    TMenu* owner = GetParentMenu();
    bool rightToLeft = owner && owner->IsRightToLeft();
    for (TMenuItem* child : m_children)
        AppendNativeItem(child, menu, rightToLeft);
}

void TMenuItem::RebuildNativeMenu()
{
    if (HasState(csDestroying))
        return;
    if (HasState(csLoading)) {
        m_rebuildPending = true;
        return;
    }
    if (!m_handle)
        return;
    while (GetMenuItemCount(m_handle) > 0)
        if (!RemoveMenu(m_handle, 0, MF_BYPOSITION))
            break;
    PopulateNativeMenu(m_handle);
    MenuChanged(false);
}

void RebuildNativeMenu(TMenuItem* item)
{
    if (item)
        item->RebuildNativeMenu();
}

void AppendNativeItem(TMenuItem* item, HMENU menu, bool rightToLeft)
{
    if (!item->Visible())
        return;
    AnsiString text = item->Caption();
    bool topOfMenuBar =
        !item->Parent() || (item->Parent()->OwnerMenu() && !dynamic_cast<TPopupMenu*>(item->Parent()->OwnerMenu()));
    if (item->Count() == 0 && item->ShortCut() != 0 && !topOfMenuBar)
        text += "\t" + ShortCutCaption(item->ShortCut());
    TMenu* owner = item->GetParentMenu();
    bool ownerDraw = (owner && (owner->OwnerDraw() || owner->HasImageFor(item))) || item->HasBitmap();
    static const UINT breaks[] = { 0, MFT_MENUBREAK, MFT_MENUBARBREAK };
    UINT state = (item->Checked() ? MFS_CHECKED : 0u) | (item->Enabled() ? 0u : MFS_GRAYED)
        | (item->Default() ? MFS_DEFAULT : 0u);
    HMENU subMenu = item->Count() > 0 ? item->Handle() : nullptr;
    if (NewShellPlatform()) {
        MENUITEMINFOA info {};
        info.cbSize = MenuItemInfoSize;
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA;
        info.fType = (item->IsSeparator() ? MFT_SEPARATOR : 0u) | (item->RadioItem() ? MFT_RADIOCHECK : 0u)
            | breaks[item->Break()] | (rightToLeft ? MFT_RIGHTORDER | MFT_RIGHTJUSTIFY : 0u)
            | (ownerDraw ? MFT_OWNERDRAW : 0u);
        info.fState = state;
        info.wID = item->Command();
        info.hSubMenu = subMenu;
        info.dwTypeData = text.data();
        InsertMenuItemA(menu, static_cast<UINT>(-1), TRUE, &info);
    } else {
        UINT flags = (item->IsSeparator() ? MF_SEPARATOR : 0u) | breaks[item->Break()]
            | (item->Checked() ? MF_CHECKED : 0u) | (item->Enabled() ? 0u : MF_DISABLED | MF_GRAYED) | MF_BYPOSITION;
        if (subMenu)
            InsertMenuA(menu, static_cast<UINT>(-1), flags | MF_POPUP, reinterpret_cast<UINT_PTR>(subMenu),
                item->Caption().c_str());
        else
            InsertMenuA(menu, static_cast<UINT>(-1), flags, item->Command(), text.c_str());
    }
}

// ---- clicks and properties ----------------------------------------------------------

void TMenuItem::Click()
{
    if (!m_enabled)
        return;
    if (OnClick) {
        TNotifyEvent handler = OnClick;
        handler(this);
    }
}

void TMenuItem::SetCaption(const AnsiString& value)
{
    if (value == m_caption)
        return;
    m_caption = value;
    MenuChanged(true);
}

void TMenuItem::SetChecked(bool value)
{
    if (value == m_checked)
        return;
    m_checked = value;
    if (m_parent && !HasState(csReading) && m_parent->HasState(csDestroying) == false)
        CheckMenuItem(m_parent->Handle(), m_command, MF_BYCOMMAND | (value ? MF_CHECKED : MF_UNCHECKED));
    if (value && m_radioItem)
        TurnSiblingsOff();
}

void TMenuItem::TurnSiblingsOff()
{
    if (!m_parent)
        return;
    for (TMenuItem* sibling : m_parent->m_children)
        if (sibling != this && sibling->m_radioItem && sibling->m_groupIndex == m_groupIndex)
            sibling->SetChecked(false);
}

void TMenuItem::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    if (RunningPlatform().nt && Count() > 0) {
        MenuChanged(true);
    } else if (m_parent && !HasState(csReading)) {
        EnableMenuItem(m_parent->Handle(), m_command, MF_BYCOMMAND | (value ? MF_ENABLED : MF_DISABLED | MF_GRAYED));
        MenuChanged(false);
    }
}

void TMenuItem::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    MenuChanged(true);
}

void TMenuItem::SetDefault(bool value)
{
    if (value == m_default)
        return;
    if (value && m_parent)
        for (TMenuItem* sibling : m_parent->m_children)
            if (sibling != this)
                sibling->m_default = false;
    m_default = value;
    MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool value)
{
    if (value == m_radioItem)
        return;
    m_radioItem = value;
    if (m_checked && value)
        TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak value)
{
    if (value == m_break)
        return;
    m_break = value;
    MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut value)
{
    if (value == m_shortCut)
        return;
    m_shortCut = value;
    MenuChanged(true);
}

void TMenuItem::SetGroupIndex(std::uint8_t value)
{
    if (value == m_groupIndex)
        return;
    if (m_parent)
        m_parent->CheckGroupIndex(m_parent->IndexOf(this), value);
    m_groupIndex = value;
    if (m_checked && m_radioItem)
        TurnSiblingsOff();
}

void TMenuItem::SetImageIndex(int value)
{
    if (value == m_imageIndex)
        return;
    m_imageIndex = value;
    MenuChanged(true);
}

void TMenuItem::SetAutoHotkeys(TMenuItemAutoFlag value)
{
    if (value == m_autoHotkeys)
        return;
    m_autoHotkeys = value;
    MenuChanged(true);
}

void TMenuItem::SetAutoLineReduction(TMenuItemAutoFlag value)
{
    if (value == m_autoLineReduction)
        return;
    m_autoLineReduction = value;
    MenuChanged(true);
}

TBitmap* TMenuItem::Bitmap()
{
    if (!m_bitmap)
        m_bitmap = std::make_unique<TBitmap>();
    return m_bitmap.get();
}

bool TMenuItem::HasBitmap() const { return m_bitmap && !m_bitmap->Empty(); }

bool TMenuItem::AutoHotkeysOn() const
{
    for (const TMenuItem* item = this; item; item = item->m_parent) {
        if (item->m_autoHotkeys != maParent)
            return item->m_autoHotkeys == maAutomatic;
        if (item->m_menu)
            return item->m_menu->AutoHotkeys() == maAutomatic;
    }
    return true;
}

bool TMenuItem::AutoLineReductionOn() const
{
    for (const TMenuItem* item = this; item; item = item->m_parent) {
        if (item->m_autoLineReduction != maParent)
            return item->m_autoLineReduction == maAutomatic;
        if (item->m_menu)
            return item->m_menu->AutoLineReduction() == maAutomatic;
    }
    return true;
}

// ---- form streams -------------------------------------------------------------------

TComponent* TMenuItem::GetParentComponent() const
{
    if (m_parent && m_parent->m_menu)
        return m_parent->m_menu;
    return m_parent;
}

void TMenuItem::SetParentComponent(TComponent* value)
{
    if (m_parent)
        m_parent->Remove(this);
    if (auto* menu = dynamic_cast<TMenu*>(value))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(value))
        item->Add(this);
}

void TMenuItem::Loaded()
{
    TComponent::Loaded();
    if (m_rebuildPending) {
        m_rebuildPending = false;
        RebuildNativeMenu();
    }
}

static const TClassRegistration<TMenuItem> menuItemInfo("TMenuItem", [](TClassBuilder<TMenuItem>& c) {
    static const TEnumType autoFlags { "maAutomatic", "maManual", "maParent" };
    static const TEnumType breaks { "mbNone", "mbBreak", "mbBarBreak" };
    c.Parent<TComponent>();
    c.Constructor();
    c.Enum("AutoHotkeys", autoFlags, &TMenuItem::AutoHotkeys,
        [](TMenuItem& o, long long v) { o.SetAutoHotkeys(static_cast<TMenuItemAutoFlag>(v)); });
    c.Enum("AutoLineReduction", autoFlags, &TMenuItem::AutoLineReduction,
        [](TMenuItem& o, long long v) { o.SetAutoLineReduction(static_cast<TMenuItemAutoFlag>(v)); });
    c.Object<TBitmap>("Bitmap", [](TMenuItem& o) { return o.Bitmap(); });
    c.Enum(
        "Break", breaks, &TMenuItem::Break, [](TMenuItem& o, long long v) { o.SetBreak(static_cast<TMenuBreak>(v)); });
    c.String("Caption", &TMenuItem::SetCaption);
    c.Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked);
    c.Boolean("Default", &TMenuItem::Default, &TMenuItem::SetDefault);
    c.Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled);
    c.Integer("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex, nullptr, 1);
    c.Integer("HelpContext", &TMenuItem::HelpContext, &TMenuItem::SetHelpContext);
    c.String("Hint", &TMenuItem::SetHint);
    c.Integer("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex);
    c.Boolean("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem);
    c.Integer("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut, nullptr, 2);
    c.Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible);
    c.Event<TNotifyEvent>("OnClick", &TMenuItem::OnClick);
    c.Defined(
        "ShortCutText", [](TMenuItem& o, TReader& reader) { o.SetShortCut(ShortCutFromCaption(reader.ReadString())); });
});
