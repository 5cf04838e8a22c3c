#include "gui/menus.h"

#include <cstring>
#include <stdexcept>

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

HBITMAP MenuBitmapFromImage(const TImageList& images, int index)
{
    TIconHandle icon(images.GetIcon(index));
    if (!icon)
        return nullptr;
    ICONINFO info = {};
    if (!GetIconInfo(icon.Get(), &info))
        return nullptr;
    TBitmapHandle color(info.hbmColor), mask(info.hbmMask);
    if (!color || !mask)
        return nullptr;

    const int w = images.Width(), h = images.Height();
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h), mk(px.size());
    TWindowDc screen(nullptr);
    if (!GetDIBits(screen.Get(), color.Get(), 0, h, px.data(), &bi, DIB_RGB_COLORS) ||
        !GetDIBits(screen.Get(), mask.Get(), 0, h, mk.data(), &bi, DIB_RGB_COLORS))
        return nullptr;

    bool hasAlpha = false;
    for (std::uint32_t p : px)
        hasAlpha = hasAlpha || (p >> 24) != 0;
    for (std::size_t i = 0; i < px.size(); ++i) {
        std::uint32_t a = hasAlpha ? px[i] >> 24 : ((mk[i] & 0xFFFFFF) ? 0 : 255);
        auto channel = [&](int shift) { return (((px[i] >> shift) & 0xFF) * a + 127) / 255; };
        px[i] = (a << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
    }

    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) {
        if (bmp)
            DeleteObject(bmp);
        return nullptr;
    }
    std::memcpy(bits, px.data(), px.size() * sizeof px[0]);
    return bmp;
}

TNativeMenu::TNativeMenu(TMenuItem& root, TImageList* images) : FRoot(root)
{
    FMenu.Reset(BuildLevel(root, images));
}

HMENU TNativeMenu::BuildLevel(TMenuItem& level, TImageList* images)
{
    TMenuHandle menu(CreatePopupMenu());
    if (!menu)
        throw std::runtime_error("CreatePopupMenu failed");
    // Images share the check-mark column instead of taking a column of their own.
    MENUINFO mi = {};
    mi.cbSize = sizeof mi;
    mi.fMask = MIM_STYLE;
    mi.dwStyle = MNS_CHECKORBMP;
    SetMenuInfo(menu.Get(), &mi);

    UINT position = 0;
    for (TMenuItem* item : level.ShownItems()) {
        MENUITEMINFOA ii = {};
        ii.cbSize = sizeof ii;
        if (item->IsLine()) {
            ii.fMask = MIIM_FTYPE;
            ii.fType = MFT_SEPARATOR;
        } else {
            ii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
            ii.fType = MFT_STRING;
            ii.dwTypeData = const_cast<char*>(item->Caption().c_str());
            if (item->Default()) {
                ii.fMask |= MIIM_STATE;
                ii.fState = MFS_DEFAULT;
            }
            if (images && item->ImageIndex() >= 0) {
                if (HBITMAP bmp = MenuBitmapFromImage(*images, item->ImageIndex())) {
                    FBitmaps.emplace_back(bmp);
                    ii.fMask |= MIIM_BITMAP;
                    ii.hbmpItem = bmp;
                }
            }
            if (item->Count() > 0) {
                ii.fMask |= MIIM_SUBMENU;
                ii.hSubMenu = BuildLevel(*item, item->SubMenuImages() ? item->SubMenuImages() : images);
            } else {
                FCommands.push_back(item->Serial());
                ii.wID = static_cast<UINT>(FCommands.size());
            }
        }
        if (!InsertMenuItemA(menu.Get(), position, TRUE, &ii)) {
            if (ii.hSubMenu)
                DestroyMenu(ii.hSubMenu);
            throw std::runtime_error("InsertMenuItem failed");
        }
        ++position;
    }
    return menu.Release();
}

TMenuItem* TNativeMenu::ItemOf(UINT command) const
{
    if (command == 0 || command > FCommands.size())
        return nullptr;
    return FRoot.FindBySerial(FCommands[command - 1]);
}

// ---- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) {}

TPopupMenu::~TPopupMenu() { DestroyComponents(); }

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
            TNativeMenu menu(*FItems, FImages);
            UINT command = static_cast<UINT>(TrackPopupMenuEx(
                menu.Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY |
                                   TPM_NOANIMATION,
                X, Y, owner, nullptr));
            chosen = menu.ItemOf(command);
        }
        if (chosen)
            chosen->Click();
    });
}
