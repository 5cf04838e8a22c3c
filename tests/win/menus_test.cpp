#include "gui/menus.h"

#include <gtest/gtest.h>

#include <string>

#include "gui/application.h"
#include "gui/platform_ui.h"
#include "image_pixels.h"
#include "test_support.h"

namespace {

void AddSolid(TImageList& list, COLORREF rgb, bool halfMasked = false)
{
    TIconHandle icon(SolidIcon(rgb, halfMasked));
    ASSERT_GE(list.AddIcon(icon.Get()), 0);
}

TMenuItem* Item(TMenuItem* parent, const std::string& caption, int image = -1)
{
    auto* i = new TMenuItem();
    i->SetCaption(caption);
    i->SetImageIndex(image);
    parent->Add(i);
    return i;
}

std::string MenuText(HMENU menu, UINT pos)
{
    return MenuStringOf(menu, pos);
}

MENUITEMINFOW Info(HMENU menu, UINT pos)
{
    MENUITEMINFOW ii = {};
    ii.cbSize = sizeof ii;
    ii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_BITMAP;
    EXPECT_TRUE(GetMenuItemInfoW(menu, pos, TRUE, &ii));
    return ii;
}

// What the owner draws for an entry's image, read back at (x, y).
COLORREF DrawnImage(TNativeMenu& native, HMENU level, UINT pos, int x = 8, int y = 8)
{
    MENUITEMINFOW ii = {};
    ii.cbSize = sizeof ii;
    ii.fMask = MIIM_DATA;
    GetMenuItemInfoW(level, pos, TRUE, &ii);
    return DrawnPixel(
        [&](HDC dc, const RECT& r) {
            DRAWITEMSTRUCT d = {};
            d.CtlType = ODT_MENU;
            d.hwndItem = reinterpret_cast<HWND>(level);
            d.hDC = dc;
            d.rcItem = r;
            d.itemData = ii.dwItemData;
            EXPECT_TRUE(native.HandleOwnerMessage(WM_DRAWITEM, reinterpret_cast<LPARAM>(&d)));
        },
        x, y);
}

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override { app.Initialize(); }
    TApplication app;
};

TEST_F(PopupMenuTest, NativeMenuShowsCaptionsAmpersandsAndTheSeparatorRule)
{
    TPopupMenu menu(nullptr);
    TMenuItem* root = menu.Items();
    Item(root, "-");
    Item(root, "News & Views");
    Item(root, "-");
    Item(root, "-");
    Item(root, "AT&&T");
    Item(root, "-");
    TNativeMenu native(menu);
    ASSERT_EQ(GetMenuItemCount(native.Handle()), 3);
    // The system takes a single "&" as an accelerator mark: captions reach it doubled.
    EXPECT_EQ(MenuText(native.Handle(), 0), "News && Views");
    EXPECT_EQ(Info(native.Handle(), 1).fType & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(MenuText(native.Handle(), 2), "AT&&&&T");
    EXPECT_EQ(native.ItemOf(Info(native.Handle(), 0).wID), root->Items(1));
    EXPECT_EQ(native.ItemOf(Info(native.Handle(), 2).wID), root->Items(4));
    EXPECT_EQ(native.ItemOf(0), nullptr);
    EXPECT_EQ(native.ItemOf(99), nullptr);
}

TEST_F(PopupMenuTest, ImagesComeFromTheLevelListAndSubmenusInheritIt)
{
    TImageList top(nullptr), feeds(nullptr);
    AddSolid(top, RGB(255, 0, 0));
    AddSolid(top, RGB(0, 0, 255), true);
    AddSolid(feeds, RGB(0, 255, 0));
    TPopupMenu menu(nullptr);
    menu.SetImages(&top);
    TMenuItem* root = menu.Items();
    Item(root, "plain");
    Item(root, "red", 0);
    Item(root, "half blue", 1);
    TMenuItem* sub = Item(root, "Newsfeeds", 0);
    sub->SetSubMenuImages(&feeds);
    TMenuItem* folder = Item(sub, "folder", 0);
    TMenuItem* deep = Item(folder, "deep", 0);
    Item(root, "beyond the list", 7);

    TNativeMenu native(menu);
    HMENU h = native.Handle();
    EXPECT_EQ(Info(h, 0).hbmpItem, nullptr);
    EXPECT_EQ(Info(h, 4).hbmpItem, nullptr);
    EXPECT_EQ(Info(h, 1).hbmpItem, HBMMENU_CALLBACK);
    EXPECT_EQ(DrawnImage(native, h, 1), RGB(255, 0, 0));
    // Transparent pixels leave the menu's background as it was.
    EXPECT_EQ(DrawnImage(native, h, 2, 2, 2), kBackdrop);
    EXPECT_EQ(DrawnImage(native, h, 2, 12, 2), RGB(0, 0, 255));
    // The submenu entry itself uses the top list; its level uses its own, and deeper levels inherit.
    EXPECT_EQ(DrawnImage(native, h, 3), RGB(255, 0, 0));
    HMENU feedLevel = Info(h, 3).hSubMenu;
    ASSERT_NE(feedLevel, nullptr);
    // A submenu is made when it is about to open.
    EXPECT_EQ(GetMenuItemCount(feedLevel), 0);
    EXPECT_TRUE(native.FillLevel(feedLevel));
    EXPECT_EQ(MenuText(feedLevel, 0), "folder");
    EXPECT_EQ(DrawnImage(native, feedLevel, 0), RGB(0, 255, 0));
    HMENU deepLevel = Info(feedLevel, 0).hSubMenu;
    ASSERT_NE(deepLevel, nullptr);
    EXPECT_TRUE(native.FillLevel(deepLevel));
    EXPECT_EQ(DrawnImage(native, deepLevel, 0), RGB(0, 255, 0));
    EXPECT_EQ(native.LevelImages(*deep), &feeds);
    EXPECT_EQ(native.LevelImages(*sub), &top);
    EXPECT_EQ(native.ItemOf(Info(deepLevel, 0).wID), deep);

    MENUITEMINFOW ii = {};
    ii.cbSize = sizeof ii;
    ii.fMask = MIIM_DATA;
    GetMenuItemInfoW(h, 1, TRUE, &ii);
    MEASUREITEMSTRUCT m = {ODT_MENU, 0, 0, 0, 0, ii.dwItemData};
    EXPECT_TRUE(native.HandleOwnerMessage(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&m)));
    EXPECT_EQ(m.itemWidth, 20u);
    EXPECT_EQ(m.itemHeight, 16u);
    // Other owner-drawn things of the owner window are left to it.
    MEASUREITEMSTRUCT button = {ODT_BUTTON, 1, 0, 0, 0, ii.dwItemData};
    EXPECT_FALSE(native.HandleOwnerMessage(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&button)));
    DRAWITEMSTRUCT foreign = {};
    foreign.CtlType = ODT_MENU;
    foreign.hwndItem = reinterpret_cast<HWND>(GetSystemMenu(menu.WindowHandle(), FALSE));
    foreign.itemData = ii.dwItemData;
    EXPECT_FALSE(native.HandleOwnerMessage(WM_DRAWITEM, reinterpret_cast<LPARAM>(&foreign)));
}

TEST_F(PopupMenuTest, ImagesFollowTheTreeWhileTheMenuIsOpen)
{
    TImageList top(nullptr);
    AddSolid(top, RGB(255, 0, 0));
    AddSolid(top, RGB(0, 0, 255));
    TPopupMenu menu(nullptr);
    menu.SetImages(&top);
    TMenuItem* a = Item(menu.Items(), "a", 0);
    Item(menu.Items(), "b", 1);
    TNativeMenu native(menu);
    a->SetImageIndex(1);
    EXPECT_EQ(DrawnImage(native, native.Handle(), 0), RGB(0, 0, 255));
    menu.Items()->Delete(0); // gone: nothing is drawn
    EXPECT_EQ(DrawnImage(native, native.Handle(), 0), kBackdrop);
    menu.SetImages(nullptr);
    EXPECT_EQ(DrawnImage(native, native.Handle(), 1), kBackdrop);
}

TEST_F(PopupMenuTest, ASubmenuIsMadeOnceFromTheTreeAsItIsWhenItOpens)
{
    TPopupMenu menu(nullptr);
    TMenuItem* folder = Item(menu.Items(), "folder");
    Item(folder, "a");
    TMenuItem* gone = Item(menu.Items(), "gone");
    Item(gone, "x");
    TNativeMenu native(menu);
    HMENU level = Info(native.Handle(), 0).hSubMenu, goneLevel = Info(native.Handle(), 1).hSubMenu;
    Item(folder, "b"); // added after the top level was made, before the submenu opens
    menu.Items()->Remove(gone);
    delete gone;
    EXPECT_TRUE(native.FillLevel(level));
    EXPECT_TRUE(native.FillLevel(level));
    ASSERT_EQ(GetMenuItemCount(level), 2);
    EXPECT_EQ(MenuText(level, 1), "b");
    EXPECT_EQ(native.ItemOf(Info(level, 1).wID), folder->Items(1));
    EXPECT_TRUE(native.FillLevel(goneLevel));
    EXPECT_EQ(GetMenuItemCount(goneLevel), 0);
    EXPECT_FALSE(native.FillLevel(GetSystemMenu(menu.WindowHandle(), FALSE)));
}

TEST_F(PopupMenuTest, AnEntryWithoutSubEntriesIsACommandAndDestroyedItemsAreNotFound)
{
    TPopupMenu menu(nullptr);
    TMenuItem* empty = Item(menu.Items(), "Newsfeeds");
    Item(menu.Items(), "other");
    TNativeMenu native(menu);
    EXPECT_EQ(Info(native.Handle(), 0).hSubMenu, nullptr);
    UINT id = Info(native.Handle(), 0).wID;
    EXPECT_EQ(native.ItemOf(id), empty);
    menu.Items()->Delete(0);
    EXPECT_EQ(native.ItemOf(id), nullptr);
}

TEST_F(PopupMenuTest, ImageListsAreForgottenWhenDestroyed)
{
    auto* top = new TImageList(nullptr);
    auto* feeds = new TImageList(nullptr);
    TPopupMenu menu(nullptr);
    menu.SetImages(top);
    TMenuItem* sub = Item(menu.Items(), "sub");
    sub->SetSubMenuImages(feeds);
    delete top;
    delete feeds;
    EXPECT_EQ(menu.Images(), nullptr);
    EXPECT_EQ(sub->SubMenuImages(), nullptr);
}

// Drives the open menu from inside its modal loop: the loop reads the thread's keyboard messages.
std::vector<WPARAM> g_keys;
HWND g_keyTarget = nullptr;
void CALLBACK SendKeys(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    for (WPARAM k : g_keys) {
        PostMessageW(g_keyTarget, WM_KEYDOWN, k, 1);
        PostMessageW(g_keyTarget, WM_KEYUP, k, 0xC0000001);
    }
}

TEST_F(PopupMenuTest, PopupFiresOnPopupThenRunsTheChosenEntrysClick)
{
    TPopupMenu menu(nullptr);
    std::string log;
    Item(menu.Items(), "-");
    Item(menu.Items(), "first")->OnClick = [&](TObject*) { log += "first "; };
    Item(menu.Items(), "second")->OnClick = [&](TObject* s) {
        log += static_cast<TMenuItem*>(s)->Caption() + " ";
    };
    menu.OnPopup = [&](TObject* s) {
        EXPECT_EQ(s, &menu);
        log += "popup ";
        // The tree may still change here: the platform menu is built afterwards.
        Item(menu.Items(), "late");
    };
    HWND owner = menu.WindowHandle();
    ASSERT_NE(owner, nullptr);
    SetForegroundWindow(owner);
    g_keyTarget = owner;
    g_keys = {VK_DOWN, VK_DOWN, VK_RETURN};
    MovePointerAway();
    SetTimer(nullptr, 0, 200, SendKeys);
    menu.Popup(100, 100);
    EXPECT_EQ(log, "popup second ");
}

// Wine refuses a menu that holds more than 30 levels at once: made level by level, any depth opens.
TEST_F(PopupMenuTest, ATreeFortyLevelsDeepOpensByKeyboardAndItsDeepestEntryIsChosen)
{
    TPopupMenu menu(nullptr);
    TMenuItem* level = menu.Items();
    for (int i = 1; i <= 40; ++i)
        level = Item(level, "Ebene " + std::to_string(i));
    std::string chosen;
    Item(level, "Blatt")->OnClick = [&](TObject* s) { chosen = static_cast<TMenuItem*>(s)->Caption(); };
    g_keyTarget = menu.WindowHandle();
    SetForegroundWindow(g_keyTarget);
    g_keys = {VK_DOWN};
    g_keys.insert(g_keys.end(), 40, VK_RIGHT);
    g_keys.push_back(VK_RETURN);
    MovePointerAway();
    SetTimer(nullptr, 0, 200, SendKeys);
    menu.Popup(10, 10);
    EXPECT_EQ(chosen, "Blatt");
}

TEST_F(PopupMenuTest, ADismissedMenuRunsNothing)
{
    TPopupMenu menu(nullptr);
    int clicks = 0;
    Item(menu.Items(), "one")->OnClick = [&](TObject*) { ++clicks; };
    HWND owner = menu.WindowHandle();
    SetForegroundWindow(owner);
    g_keyTarget = owner;
    g_keys = {VK_ESCAPE};
    MovePointerAway();
    SetTimer(nullptr, 0, 200, SendKeys);
    menu.Popup(50, 50);
    EXPECT_EQ(clicks, 0);
}

TPopupMenu* g_openMenu = nullptr;

TEST_F(PopupMenuTest, AnEntryDestroyedWhileTheMenuIsOpenIsNotClicked)
{
    TPopupMenu menu(nullptr);
    int clicks = 0;
    Item(menu.Items(), "goes")->OnClick = [&](TObject*) { ++clicks; };
    Item(menu.Items(), "stays")->OnClick = [&](TObject*) { clicks += 10; };
    g_openMenu = &menu;
    g_keyTarget = menu.WindowHandle();
    SetForegroundWindow(g_keyTarget);
    // As a download finishing while the menu is open would rebuild it: the shown entry goes.
    MovePointerAway();
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        g_openMenu->Items()->Delete(0);
        g_keys = {VK_DOWN, VK_RETURN};
        SendKeys(nullptr, 0, 0, 0);
    });
    menu.Popup(50, 50);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(menu.Items()->Count(), 1);
}

class TRecordingUi : public TPlatformUi {
public:
    int MessageBox(HWND, const std::string& text, const std::string&, UINT) override
    {
        Messages += text + "|";
        return IDOK;
    }
    std::string Messages;
};

TEST_F(PopupMenuTest, AnExceptionFromAClickGoesToTheApplicationNotTheCaller)
{
    TRecordingUi ui;
    SetPlatformUi(&ui);
    TPopupMenu menu(nullptr);
    Item(menu.Items(), "boom")->OnClick = [](TObject*) { throw Exception("Fehler im Klick"); };
    g_keyTarget = menu.WindowHandle();
    SetForegroundWindow(g_keyTarget);
    g_keys = {VK_DOWN, VK_RETURN};
    MovePointerAway();
    SetTimer(nullptr, 0, 200, SendKeys);
    EXPECT_NO_THROW(menu.Popup(60, 60));
    SetPlatformUi(nullptr);
    EXPECT_EQ(ui.Messages, "Fehler im Klick|");
}

} // namespace
