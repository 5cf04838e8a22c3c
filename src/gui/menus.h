#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "gui/component.h"
#include "gui/handles.h"
#include "gui/image_list.h"
#include "gui/menu_item.h"
#include "gui/window.h"

class TPopupMenu;

// A caption as the platform menu must be given it to show it as written: "&" doubled.
std::string MenuText(const std::string& caption);

// The platform menu built from a popup menu's item tree for one showing. Entries are plain
// string items, so the system draws text, accelerator marks ("&") and themes itself and screen
// readers can read them. An entry's image is a bitmap callback (HBMMENU_CALLBACK): the system
// lays it out beside the caption and the menu's owner window draws it from the image list of
// the entry's level with its transparency, on whatever background the menu has (menu renderers
// that only copy bitmaps would show the transparent parts of a bitmap black). The separator
// rule of TMenuItem::ShownItems applies on every level. An entry with sub-entries opens a
// submenu; one without is a command. No accelerators are added.
//
// Only the top level is made at once. A submenu is an empty platform menu until it is about to
// open (WM_INITMENUPOPUP, FillLevel): a tree of thousands of entries costs only what is shown,
// and a tree nested deeper than the platform lets one menu hold (Wine refuses more than 30
// levels at one insertion) still opens level by level.
class TNativeMenu {
public:
    explicit TNativeMenu(TPopupMenu& menu);
    TNativeMenu(const TNativeMenu&) = delete;
    TNativeMenu& operator=(const TNativeMenu&) = delete;
    HMENU Handle() const { return FMenu.Get(); }
    // The item behind a command id of this menu; nullptr for 0, an unknown id, or an item that
    // has been destroyed since the menu was built.
    TMenuItem* ItemOf(UINT command) const;
    // Makes the entries of a submenu of this menu from the item tree as it is now, the first
    // time it is asked; a menu that is not one of this menu's levels is left alone. False then.
    bool FillLevel(HMENU level);
    // WM_MEASUREITEM and WM_DRAWITEM of this menu's images, as the owner window receives them
    // while the menu is shown. True when the message was one of them.
    bool HandleOwnerMessage(UINT msg, LPARAM lParam);
    // The image list an entry's image comes from: that of the level it stands in.
    TImageList* LevelImages(const TMenuItem& item) const;

private:
    struct TLevel {
        HMENU Menu;
        std::uint64_t Item; // serial of the item whose sub-entries the level shows
        TImageList* Images;
        bool Filled;
    };
    HMENU NewLevel(const TMenuItem& item, TImageList* images);
    void Fill(std::size_t level);
    TMenuItem* ImageItem(ULONG_PTR itemData) const;

    TPopupMenu& FPopup;
    TMenuHandle FMenu;
    std::vector<TLevel> FLevels;
    std::vector<std::uint64_t> FCommands; // command id - 1 -> item serial
    std::vector<std::uint64_t> FImages;   // item data - 1 -> serial of an item with an image
};

// A popup menu: the root item holds the top level, Images is the image list of that level
// (sub-levels take an item's SubMenuImages or inherit). It never opens by itself.
class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* v);
    TMenuItem* Items() const { return FItems; }

    // Fires OnPopup, builds the platform menu from the item tree, shows it at the screen point
    // (X, Y) and, once it has closed, runs the chosen entry's Click. The modal menu loop keeps
    // dispatching the thread's messages, so the tree may change while the menu is open; a
    // chosen entry that has been destroyed meanwhile is ignored.
    //
    // owner receives the menu's messages; nullptr uses a hidden window of this component. A
    // caller whose window is not in the foreground (a notification-area icon) must make the
    // menu dismissable itself:
    //     SetForegroundWindow(ownWindow);
    //     menu->Popup(x, y, ownWindow);
    //     PostMessage(ownWindow, WM_NULL, 0, 0);
    // While the menu is open the owner is subclassed to make its submenus and draw the entries'
    // images. Popup does not throw: an exception from OnPopup or from the click goes to the
    // application's exception display.
    void Popup(int X, int Y, HWND owner = nullptr);
    // The hidden window used when Popup is given no owner (created on first use).
    HWND WindowHandle();

    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    class TPopupWindow : public TWindowBase {};

    TImageList* FImages = nullptr;
    TMenuItem* FItems;
    TPopupWindow FWindow;
};
