#include "gui/menus.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "rtl/wide.h"

void TMenuItem::SetSubMenuImages(TImageList* v)
{
    if (FSubMenuImagesComponent)
        FSubMenuImagesComponent->RemoveFreeNotification(this);
    FSubMenuImages = v;
    FSubMenuImagesComponent = v;
    if (v)
        v->FreeNotification(this);
}

// ---- TNativeMenu

std::string MenuText(const std::string& caption)
{
    std::string text;
    text.reserve(caption.size() + 4);
    for (char c : caption) {
        text += c;
        if (c == '&')
            text += '&';
    }
    return text;
}

TNativeMenu::TNativeMenu(TPopupMenu& menu) : FPopup(menu)
{
    FMenu = TMenuHandle(NewLevel(*menu.Items(), menu.Images()));
    Fill(0);
}

HMENU TNativeMenu::NewLevel(const TMenuItem& item, TImageList* images)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        throw std::runtime_error("CreatePopupMenu failed");
    FLevels.push_back({menu, item.Serial(), images, false});
    return menu;
}

bool TNativeMenu::FillLevel(HMENU level)
{
    for (std::size_t i = 0; i < FLevels.size(); ++i)
        if (FLevels[i].Menu == level) {
            if (!FLevels[i].Filled)
                Fill(i);
            return true;
        }
    return false;
}

// A level whose item has been destroyed since its parent level was made stays empty.
void TNativeMenu::Fill(std::size_t index)
{
    FLevels[index].Filled = true;
    const TLevel level = FLevels[index]; // a copy: NewLevel below may move the vector
    TMenuItem* parent = FPopup.Items()->FindBySerial(level.Item);
    if (!parent)
        return;
    UINT position = 0;
    std::wstring text;
    for (TMenuItem* item : parent->ShownItems()) {
        MENUITEMINFOW ii = {};
        ii.cbSize = sizeof ii;
        TMenuHandle subMenu;
        if (item->IsLine()) {
            ii.fMask = MIIM_FTYPE;
            ii.fType = MFT_SEPARATOR;
        } else {
            ii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
            ii.fType = MFT_STRING;
            // The platform takes "&" as an accelerator mark; captions are plain text here.
            text = rtl::Utf8ToWide(MenuText(item->Caption()));
            ii.dwTypeData = &text[0];
            // The level's default entry, drawn bold (a tray icon's double click chooses it).
            if (item->Default()) {
                ii.fMask |= MIIM_STATE;
                ii.fState = MFS_DEFAULT;
            }
            TImageList* images = level.Images;
            if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
                FImages.push_back(item->Serial());
                ii.fMask |= MIIM_BITMAP | MIIM_DATA;
                ii.hbmpItem = HBMMENU_CALLBACK;
                ii.dwItemData = FImages.size();
            }
            if (item->Count() > 0) {
                ii.fMask |= MIIM_SUBMENU;
                subMenu = TMenuHandle(NewLevel(*item, item->SubMenuImages() ? item->SubMenuImages() : images));
                ii.hSubMenu = subMenu.Get();
            } else {
                FCommands.push_back(item->Serial());
                ii.wID = static_cast<UINT>(FCommands.size());
            }
        }
        if (!InsertMenuItemW(level.Menu, position, TRUE, &ii)) {
            if (subMenu)
                FLevels.pop_back();
            throw std::runtime_error("InsertMenuItem failed");
        }
        subMenu.Release(); // the level owns it now
        ++position;
    }
}

TMenuItem* TNativeMenu::ItemOf(UINT command) const
{
    if (command == 0 || command > FCommands.size())
        return nullptr;
    return FPopup.Items()->FindBySerial(FCommands[command - 1]);
}

TImageList* TNativeMenu::LevelImages(const TMenuItem& item) const
{
    for (const TMenuItem* p = item.Parent(); p; p = p->Parent()) {
        if (p == FPopup.Items())
            return FPopup.Images();
        if (p->SubMenuImages())
            return p->SubMenuImages();
    }
    return nullptr;
}

TMenuItem* TNativeMenu::ImageItem(ULONG_PTR itemData) const
{
    if (itemData == 0 || itemData > FImages.size())
        return nullptr;
    return FPopup.Items()->FindBySerial(FImages[itemData - 1]);
}

// The tree is looked up again for every image: it may change while the menu is open, and an
// image list that is gone has been cleared from it by free-notification.
bool TNativeMenu::HandleOwnerMessage(UINT msg, LPARAM lParam)
{
    if (msg == WM_MEASUREITEM) {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (m->CtlType != ODT_MENU || m->itemData == 0 || m->itemData > FImages.size())
            return false;
        TMenuItem* item = ImageItem(m->itemData);
        TImageList* images = item ? LevelImages(*item) : nullptr;
        // A little room on both sides, so that the caption does not touch the picture.
        m->itemWidth = images ? images->Width() + 4 : 0;
        m->itemHeight = images ? images->Height() : 0;
        return true;
    }
    if (msg == WM_DRAWITEM) {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        HMENU level = reinterpret_cast<HMENU>(d->hwndItem);
        if (d->CtlType != ODT_MENU ||
            std::none_of(FLevels.begin(), FLevels.end(), [&](const TLevel& l) { return l.Menu == level; }))
            return false;
        if (TMenuItem* item = ImageItem(d->itemData))
            if (TImageList* images = LevelImages(*item)) {
                const RECT& r = d->rcItem;
                int x = r.left + (r.right - r.left - images->Width()) / 2;
                int y = r.top + (r.bottom - r.top - images->Height()) / 2;
                ImageList_Draw(images->Handle(), item->ImageIndex(), d->hDC, x, y, ILD_TRANSPARENT);
            }
        return true;
    }
    return false;
}

namespace {

const UINT_PTR kMenuOwnerSubclass = 0x51564D4E;

LRESULT CALLBACK MenuOwnerProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData)
{
    auto* menu = reinterpret_cast<TNativeMenu*>(refData);
    if ((msg == WM_MEASUREITEM || msg == WM_DRAWITEM) && menu->HandleOwnerMessage(msg, lParam))
        return TRUE;
    if (msg == WM_INITMENUPOPUP) {
        // No exception may cross into the menu loop: a level that cannot be made stays as it is.
        bool mine = false;
        GuardedCall([&] { mine = menu->FillLevel(reinterpret_cast<HMENU>(wParam)); });
        if (mine)
            return 0;
    }
    return DefSubclassProc(wnd, msg, wParam, lParam);
}

// Lets the owner make the menu's submenus and draw its images for as long as the menu is shown.
class TOwnerSubclass {
public:
    TOwnerSubclass(HWND owner, TNativeMenu& menu) : FOwner(owner)
    {
        SetWindowSubclass(owner, MenuOwnerProc, kMenuOwnerSubclass, reinterpret_cast<DWORD_PTR>(&menu));
    }
    ~TOwnerSubclass() { RemoveWindowSubclass(FOwner, MenuOwnerProc, kMenuOwnerSubclass); }
    TOwnerSubclass(const TOwnerSubclass&) = delete;
    TOwnerSubclass& operator=(const TOwnerSubclass&) = delete;

private:
    HWND FOwner;
};

} // namespace

// ---- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) {}

TPopupMenu::~TPopupMenu()
{
    DestroyComponents();
}

void TPopupMenu::SetImages(TImageList* v)
{
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = v;
    if (v)
        v->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FImages && AComponent == FImages)
        FImages = nullptr;
}

HWND TPopupMenu::WindowHandle()
{
    if (!FWindow.HandleAllocated())
        FWindow.CreateHandle("QvPopupMenuWindow", WS_EX_TOOLWINDOW, "", WS_POPUP, 0, 0, 0, 0, nullptr);
    return FWindow.Handle();
}

void TPopupMenu::Popup(int X, int Y, HWND owner)
{
    GuardedCall([&] {
        if (OnPopup)
            OnPopup(this);
        if (!owner)
            owner = WindowHandle();
        TMenuItem* chosen = nullptr;
        {
            TNativeMenu menu(*this);
            TOwnerSubclass drawing(owner, menu);
            UINT command = static_cast<UINT>(TrackPopupMenuEx(
                menu.Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NOANIMATION, X,
                Y, owner, nullptr));
            chosen = menu.ItemOf(command);
        }
        if (chosen)
            chosen->Click();
    });
}
