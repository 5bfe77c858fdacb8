// Menus: the item tree and its errors, the native menu built from it, check and
// enable updates, the automatic access-key and separator passes, shortcut texts, and
// the popup list's window.
#include "tray/support/TrayTestSupport.h"
#include "common/ExpectThrow.h"
#include "tray/MenuAccessKeys.h"
#include "tray/PopupList.h"
#include "tray/PopupMenu.h"
#include "frame/Application.h"

#include <gtest/gtest.h>

namespace {

AnsiString MenuText(HMENU menu, int position)
{
    char text[256] {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

UINT MenuType(HMENU menu, int position)
{
    MENUITEMINFOA info {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
    return info.fType;
}

// A popup menu with items of the given captions, made in code.
struct CodeMenu {
    explicit CodeMenu(std::initializer_list<const char*> captions)
    {
        menu = MakeComponent<TPopupMenu>();
        for (const char* caption : captions) {
            TMenuItem* item = MakeOwned<TMenuItem>(menu.get());
            item->SetCaption(caption);
            menu->Items()->Add(item);
            items.push_back(item);
        }
    }
    TComponentPtr<TPopupMenu> menu;
    std::vector<TMenuItem*> items;
};

TEST(MenuItem, TreeErrorsCarryTheirTexts)
{
    CodeMenu m { "A", "B" };
    TMenuItem* root = m.menu->Items();
    auto expectError = [](const std::function<void()>& action, const char* text) {
        try {
            action();
            ADD_FAILURE() << "no error for " << text;
        } catch (const EMenuError& e) {
            EXPECT_EQ(e.Message(), text);
        }
    };
    expectError([&] { root->Add(m.items[0]); }, "メニューを二度追加しました");
    expectError([&] { root->Delete(2); }, "メニューインデックスが範囲を越えました");
    expectError([&] { m.items[0]->Items(0); }, "メニューインデックスが範囲を越えました");
    auto stray = MakeComponent<TMenuItem>();
    expectError([&] { root->Remove(stray.get()); }, "サブメニューがメニューにありません");

    // An item never goes below itself: the tree would become a ring.
    expectError([&] { root->Add(root); }, "メニューを二度追加しました");
    expectError([&] { m.items[1]->Add(root); }, "メニューを二度追加しました");
    EXPECT_EQ(root->Parent(), nullptr);
    EXPECT_EQ(m.items[1]->Count(), 0);
}

TEST(MenuItem, GroupIndexesNeverFallAlongTheChildren)
{
    CodeMenu m { "A", "B", "C" };
    TMenuItem* root = m.menu->Items();
    m.items[1]->SetGroupIndex(2);
    EXPECT_EQ(m.items[2]->GroupIndex(), 2); // raised with it
    ExpectThrowMessage<EMenuError>(
        [&] {
            m.items[0]->SetGroupIndex(1);
            m.items[2]->SetGroupIndex(1);
        },
        "GroupIndex は直前のメニューアイテムの GroupIndex より小さくすることができません");
    auto late = MakeComponent<TMenuItem>();
    root->Add(late.get());
    EXPECT_EQ(late->GroupIndex(), 2); // takes the group of the item before it
    root->Remove(late.get());
    EXPECT_EQ(late->Parent(), nullptr);
}

TEST(MenuItem, NativeMenuFollowsCaptionsStatesAndVisibility)
{
    CodeMenu m { "&Open", "-", "&Save", "Hidden" };
    m.items[2]->SetChecked(true);
    m.items[2]->SetShortCut(0x6074);
    m.items[3]->SetVisible(false);
    HMENU menu = m.menu->Items()->Handle();
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(MenuText(menu, 0), "&Open");
    EXPECT_EQ(MenuType(menu, 1) & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(MenuText(menu, 2), "&Save\tShift+Ctrl+F5");
    EXPECT_EQ(GetMenuItemID(menu, 1), m.items[1]->Command()); // a separator keeps its id
    EXPECT_TRUE(GetMenuState(menu, m.items[2]->Command(), MF_BYCOMMAND) & MF_CHECKED);

    // Check and enable changes reach the native menu at once.
    m.items[2]->SetChecked(false);
    EXPECT_FALSE(GetMenuState(menu, m.items[2]->Command(), MF_BYCOMMAND) & MF_CHECKED);
    m.items[0]->SetEnabled(false);
    EXPECT_TRUE(GetMenuState(menu, m.items[0]->Command(), MF_BYCOMMAND) & MF_GRAYED);

    // A caption "-" is a separator whatever else it has; visibility rebuilds.
    m.items[3]->SetVisible(true);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    m.items[0]->SetCaption("-");
    EXPECT_EQ(MenuType(menu, 0) & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));

    // Radio items of one group exclude each other.
    m.items[2]->SetRadioItem(true);
    m.items[3]->SetRadioItem(true);
    m.items[2]->SetChecked(true);
    m.items[3]->SetChecked(true);
    EXPECT_FALSE(m.items[2]->Checked());
}

TEST(MenuItem, SubmenusAreFoundByTheirNativeHandle)
{
    CodeMenu m { "File", "Exit" };
    TMenuItem* sub = MakeOwned<TMenuItem>(m.menu.get());
    sub->SetCaption("Recent");
    m.items[0]->Add(sub);
    HMENU menu = m.menu->Items()->Handle();
    HMENU subMenu = GetSubMenu(menu, 0);
    ASSERT_NE(subMenu, nullptr);
    EXPECT_EQ(subMenu, m.items[0]->Handle());
    EXPECT_EQ(m.menu->FindMenuItem(reinterpret_cast<UINT_PTR>(subMenu), TFindItemKind::fkHandle), m.items[0]);
    EXPECT_EQ(m.menu->FindMenuItem(sub->Command(), TFindItemKind::fkCommand), sub);
    // A parent's click fires as its submenu opens.
    int opened = 0;
    m.items[0]->OnClick = [&](TObject*) { ++opened; };
    EXPECT_TRUE(m.menu->DispatchMenuPopup(subMenu));
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(m.menu->DispatchMenuPopup(reinterpret_cast<HMENU>(0x1234)));
}

TEST(MenuAccessKeys, AutomaticKeysAreDistinct)
{
    CodeMenu m { "&Open", "&Options", "-", "Close" };
    EXPECT_TRUE(AssignAccessKeys(m.menu->Items(), false));
    EXPECT_EQ(m.items[0]->Caption(), "&Open");
    EXPECT_EQ(m.items[1]->Caption(), "O&ptions");
    EXPECT_EQ(m.items[2]->Caption(), "-");
    EXPECT_EQ(m.items[3]->Caption(), "&Close");
    // Once every child has a key of its own, nothing is left to do.
    EXPECT_FALSE(AssignAccessKeys(m.menu->Items(), false));
    // Manual keys: the pass does not run unless forced.
    CodeMenu manual { "&Open", "&Options" };
    manual.menu->SetAutoHotkeys(maManual);
    EXPECT_FALSE(AssignAccessKeys(manual.menu->Items(), false));
    EXPECT_EQ(manual.items[1]->Caption(), "&Options");
}

TEST(MenuAccessKeys, FarEastKeysGoInAGroupBeforeAFinalEllipsis)
{
    AnsiString about = "ソフトウェア情報(&A)...";
    AnsiString bare = StripAccessKey(about, true);
    EXPECT_EQ(bare, "ソフトウェア情報...");
    EXPECT_EQ(MarkAccessKey(bare, 'A', AnsiString::npos, true), about);
    EXPECT_EQ(MarkAccessKey("終了する", 'X', AnsiString::npos, true), "終了する(&X)");
    EXPECT_EQ(MarkAccessKey("Open", 'P', 1, true), "O&pen");
    EXPECT_EQ(StripAccessKey("Fish && &Chips", false), "Fish & Chips");
    EXPECT_EQ(AccessKeyOf("Fish && &chips"), 'C');
    EXPECT_EQ(AccessKeyOf("Fish && chips"), 0);
    EXPECT_EQ(AccessKeyOf("ソ&x"), 'X');

    // Double-byte captions without any usable character get the group with a
    // leftover key in a Far East locale.
    CodeMenu m { "終了する", "ヘルプ..." };
    EXPECT_TRUE(AssignAccessKeys(m.menu->Items(), false, true));
    EXPECT_EQ(m.items[1]->Caption(), "ヘルプ(&Z)...");
    EXPECT_EQ(m.items[0]->Caption(), "終了する(&Y)");
}

TEST(MenuAccessKeys, SurplusSeparatorsAreHidden)
{
    CodeMenu m { "-", "A", "-", "-", "B", "Gone", "-" };
    m.items[5]->SetVisible(false);
    EXPECT_TRUE(ReduceSeparators(m.menu->Items(), false));
    std::vector<bool> visible;
    for (TMenuItem* item : m.items)
        visible.push_back(item->Visible());
    EXPECT_EQ(visible, (std::vector<bool> { false, true, false, true, true, false, false }));

    CodeMenu kept { "A", "-", "B" };
    EXPECT_TRUE(ReduceSeparators(kept.menu->Items(), false)); // reports even an unchanged one
    EXPECT_TRUE(kept.items[1]->Visible());

    // Separators only, and no items at all: the walk back from the end stops where the
    // walk from the start did.
    CodeMenu lines { "-", "-" };
    EXPECT_TRUE(ReduceSeparators(lines.menu->Items(), false));
    EXPECT_FALSE(lines.items[1]->Visible());
    CodeMenu none({});
    EXPECT_FALSE(ReduceSeparators(none.menu->Items(), false));
}

TEST(ShortCuts, CaptionsAndTheirWayBack)
{
    EXPECT_EQ(ShortCutCaption(0x6074), "Shift+Ctrl+F5");
    EXPECT_EQ(ShortCutCaption(0x8000 | 'X'), "Alt+X");
    EXPECT_EQ(ShortCutCaption(VK_NUMPAD7), "7");
    EXPECT_EQ(ShortCutCaption(VK_RETURN), "Enter");
    EXPECT_EQ(ShortCutCaption(VK_F24), "F24");
    EXPECT_EQ(ShortCutCaption(0x4000), "");
    EXPECT_EQ(ShortCutFromCaption("ctrl+shift+f5"), 0x6074);
    EXPECT_EQ(ShortCutFromCaption("^A"), 0x4000 | 'A');
    EXPECT_EQ(ShortCutFromCaption("Alt+Del"), 0x8000 | VK_DELETE);
    EXPECT_EQ(ShortCutFromCaption("Shift+"), 0);
    EXPECT_EQ(ShortCutFromCaption("Nothing"), 0);
}

TEST(PopupList, CommandsReachTheirItemsThroughTheListWindow)
{
    CodeMenu m { "One", "Two" };
    std::vector<TObject*> clicked;
    m.menu->Items()->OnClick = [&](TObject* s) { clicked.push_back(s); };
    m.items[1]->OnClick = [&](TObject* s) { clicked.push_back(s); };
    HWND list = PopupList().Window();
    ASSERT_TRUE(IsWindow(list));
    SendMessageA(list, WM_COMMAND, m.items[1]->Command(), 0);
    EXPECT_EQ(clicked, (std::vector<TObject*> { m.items[1] }));
    // The root is never examined: an id of 0 (or the root's own) finds nothing.
    SendMessageA(list, WM_COMMAND, 0, 0);
    SendMessageA(list, WM_COMMAND, m.menu->Items()->Command(), 0);
    EXPECT_EQ(clicked.size(), 1u);
    // A disabled item does not click.
    m.items[1]->SetEnabled(false);
    SendMessageA(list, WM_COMMAND, m.items[1]->Command(), 0);
    EXPECT_EQ(clicked.size(), 1u);
}

TEST(PopupList, OwnerDrawnItemsMeasureAndDrawThemselves)
{
    CodeMenu m { "Owner drawn", "-" };
    m.menu->SetOwnerDraw(true);
    HMENU menu = m.menu->Items()->Handle();
    EXPECT_TRUE(MenuType(menu, 0) & MFT_OWNERDRAW);
    EXPECT_TRUE(MenuType(menu, 1) & MFT_SEPARATOR);
    MEASUREITEMSTRUCT measure {};
    measure.CtlType = ODT_MENU;
    measure.itemID = m.items[0]->Command();
    EXPECT_EQ(SendMessageA(PopupList().Window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
    EXPECT_GT(measure.itemWidth, 20u);
    EXPECT_GT(measure.itemHeight, 5u);

    // Drawn into a bitmap: the highlighted item's background is the highlight colour.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 20);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT draw {};
    draw.CtlType = ODT_MENU;
    draw.itemID = m.items[0]->Command();
    draw.itemState = ODS_SELECTED;
    draw.hDC = dc;
    draw.rcItem = RECT { 0, 0, 100, 20 };
    EXPECT_EQ(SendMessageA(PopupList().Window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), TRUE);
    EXPECT_EQ(GetPixel(dc, 1, 1), GetNearestColor(dc, GetSysColor(COLOR_HIGHLIGHT)));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST(PopupList, AnExceptionFromAnItemStaysInTheListWindow)
{
    CodeMenu m { "Fails" };
    int clicks = 0;
    m.items[0]->OnClick = [&](TObject*) {
        ++clicks;
        throw EAbort("quietly");
    };
    SendMessageA(PopupList().Window(), WM_COMMAND, m.items[0]->Command(), 0);
    EXPECT_EQ(clicks, 1);
}

TEST(PopupList, HighlightedItemsGiveTheirLongHint)
{
    CodeMenu m { "One" };
    m.items[0]->SetHint("short|the long part");
    SendMessageA(PopupList().Window(), WM_MENUSELECT, MAKEWPARAM(m.items[0]->Command(), 0), 0);
    EXPECT_EQ(Application->CurrentHint(), "the long part");
    SendMessageA(PopupList().Window(), WM_MENUSELECT, MAKEWPARAM(0xFFFF, 0), 0);
    EXPECT_EQ(Application->CurrentHint(), "");
}

TEST(PopupList, TypedCharactersChooseByAccessKey)
{
    CodeMenu m { "&Open", "&Save", "&Options", "Close" };
    m.menu->SetAutoHotkeys(maManual);
    HMENU menu = m.menu->Items()->Handle();
    HWND list = PopupList().Window();
    // One item with the key: execute it.
    EXPECT_EQ(SendMessageA(list, WM_MENUCHAR, 's', reinterpret_cast<LPARAM>(menu)), MAKELRESULT(1, 2));
    // Two: select (the first, nothing being highlighted).
    EXPECT_EQ(SendMessageA(list, WM_MENUCHAR, 'o', reinterpret_cast<LPARAM>(menu)), MAKELRESULT(0, 3));
    // No item with it: ignored.
    EXPECT_EQ(SendMessageA(list, WM_MENUCHAR, 'q', reinterpret_cast<LPARAM>(menu)), 0);
    // A disabled match closes.
    m.items[1]->SetEnabled(false);
    EXPECT_EQ(SendMessageA(list, WM_MENUCHAR, 's', reinterpret_cast<LPARAM>(menu)), MAKELRESULT(0, 1));
}

TEST(PopupList, TheWindowLivesWhilePopupMenusDo)
{
    // Every popup menu of earlier tests is gone: the list starts empty here.
    ASSERT_EQ(PopupList().Count(), 0);
    EXPECT_EQ(PopupList().Window(), nullptr);
    auto first = MakeComponent<TPopupMenu>();
    HWND window = PopupList().Window();
    EXPECT_TRUE(IsWindow(window));
    auto second = MakeComponent<TPopupMenu>();
    EXPECT_EQ(PopupList().Window(), window);
    first.reset();
    EXPECT_TRUE(IsWindow(window));
    second.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(PopupList().Window(), nullptr);
    auto third = MakeComponent<TPopupMenu>();
    EXPECT_TRUE(IsWindow(PopupList().Window()));
}

TEST(PopupMenu, PopupAtOpensTheMenuAndAChosenEntryClicksItsItem)
{
    CodeMenu m { "&Open", "&Save", "E&xit" };
    int popups = 0;
    m.menu->OnPopup = [&](TObject* sender) {
        EXPECT_EQ(sender, m.menu.get());
        ++popups;
    };
    TObject* clicked = nullptr;
    m.items[1]->OnClick = [&](TObject* s) { clicked = s; };
    PopupMenuDriver driver([](HWND menuWindow) { PostMessageA(menuWindow, WM_CHAR, 's', 0); });
    m.menu->PopupAt(120, 140);
    EXPECT_TRUE(driver.Seen());
    EXPECT_EQ(driver.ShownMenu(), m.menu->Items()->Handle());
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(m.menu->PopupPoint().x, 120);
    EXPECT_EQ(m.menu->TrackFlags(), static_cast<UINT>(TPM_RIGHTBUTTON));
    // The command is posted to the list window: it arrives with the next messages.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    EXPECT_EQ(clicked, m.items[1]);

    // A menu freed by its own OnPopup does not open.
    auto owner = MakeComponent<TComponent>();
    auto* doomed = MakeOwned<TPopupMenu>(owner.get());
    TMenuItem* item = MakeOwned<TMenuItem>(doomed);
    item->SetCaption("&Gone");
    doomed->Items()->Add(item);
    doomed->OnPopup = [&](TObject*) { owner->DestroyComponent(doomed); };
    PopupMenuDriver closer([](HWND) { EndMenu(); });
    doomed->PopupAt(120, 140);
    EXPECT_EQ(owner->ComponentCount(), 0);
    EXPECT_FALSE(closer.Seen());
}

}
