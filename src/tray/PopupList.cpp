#include "tray/PopupList.h"

#include "tray/MenuAccessKeys.h"
#include "tray/PopupMenu.h"
#include "frame/Application.h"
#include "graphics/GdiHandles.h"
#include "runtime/LoopException.h"
#include "runtime/UtilityWindow.h"

#include <algorithm>

namespace {

// Set once the list is gone at exit, so that menus freed later leave it alone.
bool listGone = false;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The long part of a hint: after the first "|", or all of it.
AnsiString LongHint(const AnsiString& hint)
{
    std::size_t bar = hint.find('|');
    return bar == AnsiString::npos ? hint : hint.substr(bar + 1);
}

HFONT MenuFont()
{
    NONCLIENTMETRICSA metrics {};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return CreateFontIndirectA(&metrics.lfMenuFont);
}

}

TPopupList& PopupList()
{
    static TPopupList list;
    return list;
}

TPopupList::~TPopupList()
{
    listGone = true;
    if (m_window)
        ReleaseUtilityWindow(m_window);
    m_window = nullptr;
}

void TPopupList::Add(TPopupMenu* menu)
{
    if (m_menus.empty())
        m_window = AllocateUtilityWindow([this](TMessage& message) { WndProc(message); }, this);
    m_menus.push_back(menu);
}

void TPopupList::Remove(TPopupMenu* menu)
{
    if (listGone)
        return;
    std::erase(m_menus, menu);
    if (m_menus.empty() && m_window) {
        ReleaseUtilityWindow(m_window);
        m_window = nullptr;
    }
}

bool TPopupList::Alive(TPopupMenu* menu) const
{
    return std::find(m_menus.begin(), m_menus.end(), menu) != m_menus.end();
}

TMenuItem* TPopupList::FindItem(UINT_PTR value, bool byHandle) const
{
    for (TPopupMenu* menu : m_menus)
        if (TMenuItem* item = menu->FindMenuItem(value, byHandle ? TFindItemKind::fkHandle : TFindItemKind::fkCommand))
            return item;
    return nullptr;
}

void TPopupList::WndProc(TMessage& message)
{
    RunAtEntryPoint(
        [&] {
            // Handlers may free menus: walk a copy and skip those gone meanwhile.
            std::vector<TPopupMenu*> menus = m_menus;
            switch (message.Msg) {
            case WM_COMMAND:
                for (TPopupMenu* menu : menus)
                    if (Alive(menu) && menu->DispatchMenuCommand(LOWORD(message.WParam)))
                        return;
                break;
            case WM_INITMENUPOPUP:
                for (TPopupMenu* menu : menus)
                    if (Alive(menu) && menu->DispatchMenuPopup(reinterpret_cast<HMENU>(message.WParam)))
                        return;
                break;
            case WM_MENUSELECT: {
                TMenuItem* item = nullptr;
                if (HIWORD(message.WParam) & MF_POPUP) {
                    if (message.LParam)
                        item = FindItem(reinterpret_cast<UINT_PTR>(GetSubMenu(
                                            reinterpret_cast<HMENU>(message.LParam), LOWORD(message.WParam))),
                            true);
                } else {
                    item = FindItem(LOWORD(message.WParam), false);
                }
                if (Application)
                    Application->SetCurrentHint(item ? LongHint(item->Hint()) : AnsiString());
                return;
            }
            case WM_MENUCHAR: {
                auto menu = reinterpret_cast<HMENU>(message.LParam);
                for (TPopupMenu* popup : menus) {
                    if (!Alive(popup))
                        continue;
                    bool own = popup->Items()->HandleAllocated() && popup->Items()->Handle() == menu;
                    if (own || popup->FindMenuItem(reinterpret_cast<UINT_PTR>(menu), TFindItemKind::fkHandle)) {
                        message.Result = MenuCharAnswer(popup, menu, static_cast<char>(LOBYTE(LOWORD(message.WParam))));
                        return;
                    }
                }
                break;
            }
            case WM_MEASUREITEM: {
                auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
                if (measure && measure->CtlType == ODT_MENU && FindItem(measure->itemID, false)) {
                    MeasureItem(*measure);
                    message.Result = TRUE;
                    return;
                }
                break;
            }
            case WM_DRAWITEM: {
                auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
                if (draw && draw->CtlType == ODT_MENU && FindItem(draw->itemID, false)) {
                    DrawItem(*draw);
                    message.Result = TRUE;
                    return;
                }
                break;
            }
            default: break;
            }
            message.Result = DefWindowProcA(m_window, message.Msg, message.WParam, message.LParam);
        },
        this);
}

LRESULT TPopupList::MenuCharAnswer(TPopupMenu* popup, HMENU menu, char character)
{
    enum { Ignore = 0, Close = 1, Execute = 2, Select = 3 };
    int answer = Ignore;
    int first = -1, afterHighlight = -1;
    bool highlightSeen = false;
    char wanted = Upper(character);
    int count = GetMenuItemCount(menu);
    TMenuItem* opener = popup->Items()->HandleAllocated() && popup->Items()->Handle() == menu
        ? popup->Items()
        : popup->FindMenuItem(reinterpret_cast<UINT_PTR>(menu), TFindItemKind::fkHandle);

    auto consider = [&](int position, bool matches, UINT state) {
        if (!matches)
            return false;
        if (state & MF_DISABLED) {
            if (answer == Ignore)
                answer = Close;
            return true;
        }
        if (answer == Ignore || answer == Close) {
            answer = Execute;
            first = position;
        } else {
            answer = Select;
        }
        if (highlightSeen)
            afterHighlight = position;
        if (state & MF_HILITE)
            highlightSeen = true;
        return false;
    };

    // Items whose access key is the character.
    for (int position = 0; position < count; ++position) {
        UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, position);
        TMenuItem* item = sub ? popup->FindMenuItem(reinterpret_cast<UINT_PTR>(sub), TFindItemKind::fkHandle)
                              : popup->FindMenuItem(GetMenuItemID(menu, position), TFindItemKind::fkCommand);
        consider(position, item && AccessKeyOf(item->Caption()) == wanted, state);
    }
    // Without any: items without access key whose caption begins with the character.
    if (answer == Ignore) {
        for (int position = 0; position < count; ++position) {
            UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
            HMENU sub = GetSubMenu(menu, position);
            TMenuItem* item = nullptr;
            if (sub)
                item = popup->FindMenuItem(reinterpret_cast<UINT_PTR>(sub), TFindItemKind::fkHandle);
            else if (opener && opener != popup->Items() && position < opener->Count())
                item = opener->Items(position);
            bool matches = item && !item->Caption().empty() && Upper(item->Caption()[0]) == wanted
                && AccessKeyOf(item->Caption()) == 0;
            if (matches && (state & MF_DISABLED))
                return MAKELRESULT(0, 1);
            consider(position, matches, state);
        }
    }
    switch (answer) {
    case Execute: return MAKELRESULT(first, 2);
    case Select: return MAKELRESULT(afterHighlight >= 0 ? afterHighlight : first, 3);
    case Close: return MAKELRESULT(0, 1);
    default: return 0;
    }
}

void TPopupList::MeasureItem(MEASUREITEMSTRUCT& measure)
{
    TMenuItem* item = FindItem(measure.itemID, false);
    SIZE size {};
    {
        TScreenDC dc;
        TGdiFont font(MenuFont());
        TSelectObject selected(dc, font.Get());
        AnsiString text = StripAccessKey(item->Caption(), false);
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    measure.itemWidth = static_cast<UINT>(size.cx + 2 * GetSystemMetrics(SM_CXMENUCHECK));
    measure.itemHeight =
        item->IsSeparator() ? 8u : static_cast<UINT>(std::max<LONG>(size.cy + 4, GetSystemMetrics(SM_CYMENU)));
}

void TPopupList::DrawItem(const DRAWITEMSTRUCT& draw)
{
    TMenuItem* item = FindItem(draw.itemID, false);
    bool selected = (draw.itemState & ODS_SELECTED) != 0;
    RECT rect = draw.rcItem;
    FillRect(draw.hDC, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (item->IsSeparator()) {
        RECT line { rect.left, (rect.top + rect.bottom) / 2 - 1, rect.right, (rect.top + rect.bottom) / 2 + 1 };
        DrawEdge(draw.hDC, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    TGdiFont font(MenuFont());
    TSelectObject selectedFont(draw.hDC, font.Get());
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC,
        GetSysColor(!item->Enabled() ? COLOR_GRAYTEXT
                : selected           ? COLOR_HIGHLIGHTTEXT
                                     : COLOR_MENUTEXT));
    rect.left += GetSystemMetrics(SM_CXMENUCHECK);
    DrawTextA(draw.hDC, item->Caption().c_str(), static_cast<int>(item->Caption().size()), &rect,
        DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}
