#include "tray/Menu.h"

#include "tray/MenuAccessKeys.h"
#include "runtime/ClassInfo.h"

namespace {

TMenuItem* FindIn(const TMenuItem* item, UINT_PTR value, TFindItemKind kind)
{
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        bool match = false;
        switch (kind) {
        case TFindItemKind::fkCommand: match = child->Command() == value; break;
        case TFindItemKind::fkHandle:
            match = child->HandleAllocated() && reinterpret_cast<UINT_PTR>(child->Handle()) == value;
            break;
        case TFindItemKind::fkShortCut: match = child->ShortCut() != 0 && child->ShortCut() == value; break;
        }
        if (match)
            return child;
        if (TMenuItem* found = FindIn(child, value, kind))
            return found;
    }
    return nullptr;
}

}

bool SystemReadsRightToLeft()
{
    LANGID language = PRIMARYLANGID(GetSystemDefaultLangID());
    return language == LANG_ARABIC || language == LANG_HEBREW || language == LANG_FARSI;
}

TMenu::TMenu(TComponent* owner) : TComponent(owner)
{
    m_items = MakeOwned<TMenuItem>(this);
    m_items->m_menu = this;
    m_items->m_autoHotkeys = maAutomatic;
    m_items->m_autoLineReduction = maAutomatic;
}

TMenu::~TMenu()
{
    if (m_items)
        DestroyComponent(m_items);
    m_items = nullptr;
}

TMenuItem* TMenu::FindMenuItem(UINT_PTR value, TFindItemKind kind) const { return FindIn(m_items, value, kind); }

bool TMenu::DispatchMenuCommand(std::uint16_t command)
{
    TMenuItem* item = FindMenuItem(command, TFindItemKind::fkCommand);
    if (!item)
        return false;
    item->Click();
    return true;
}

bool TMenu::DispatchMenuPopup(HMENU menu)
{
    TMenuItem* item = FindMenuItem(reinterpret_cast<UINT_PTR>(menu), TFindItemKind::fkHandle);
    if (!item)
        return false;
    item->Click();
    bool keys = AssignAccessKeys(item, false);
    bool lines = ReduceSeparators(item, false);
    if (keys || lines)
        item->RebuildNativeMenu();
    return true;
}

void TMenu::SetOwnerDraw(bool value)
{
    if (value == m_ownerDraw)
        return;
    m_ownerDraw = value;
    m_items->RebuildNativeMenu();
}

bool TMenu::IsRightToLeft() const { return m_biDiMode != bdLeftToRight && SystemReadsRightToLeft(); }

void TMenu::MenuChanged(TMenuItem* source, bool rebuild)
{
    if (HasState(csLoading | csDestroying))
        return;
    if (OnChange)
        OnChange(this, source, rebuild);
}

static const TClassRegistration<TMenu> menuInfo("TMenu", [](TClassBuilder<TMenu>& c) {
    static const TEnumType autoFlags { "maAutomatic", "maManual" };
    static const TEnumType biDiModes { "bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
        "bdRightToLeftReadingOnly" };
    c.Parent<TComponent>();
    c.Enum("AutoHotkeys", autoFlags, &TMenu::AutoHotkeys,
        [](TMenu& o, long long v) { o.SetAutoHotkeys(static_cast<TMenuItemAutoFlag>(v)); });
    c.Enum("AutoLineReduction", autoFlags, &TMenu::AutoLineReduction,
        [](TMenu& o, long long v) { o.SetAutoLineReduction(static_cast<TMenuItemAutoFlag>(v)); });
    c.Enum("BiDiMode", biDiModes, &TMenu::BiDiMode,
        [](TMenu& o, long long v) { o.SetBiDiMode(static_cast<TBiDiMode>(v)); });
    c.Boolean("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw);
    c.Boolean("ParentBiDiMode", &TMenu::ParentBiDiMode, &TMenu::SetParentBiDiMode);
    c.Event<TMenuChangeEvent>("OnChange", &TMenu::OnChange);
});
