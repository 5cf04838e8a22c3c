#include "gui/menu_item.h"

#include <algorithm>

#include "rtl/text.h"

namespace {
std::uint64_t g_nextSerial = 1;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FSerial(g_nextSerial++) {}

TMenuItem::~TMenuItem()
{
    Clear();
    if (FParent)
        FParent->Remove(this);
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EMenuError("Menu index out of range: " + rtl::IntToStr(index));
    return FItems[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item)
        return;
    if (item->FParent)
        throw EMenuError("Menu item inserted twice");
    if (index < 0 || index > Count())
        throw EMenuError("Menu index out of range: " + rtl::IntToStr(index));
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end())
        return;
    FItems.erase(it);
    item->FParent = nullptr;
}

void TMenuItem::Delete(int index)
{
    TMenuItem* item = Items(index);
    Remove(item);
    Free(item);
}

void TMenuItem::Clear()
{
    while (!FItems.empty())
        Delete(Count() - 1);
}

std::vector<TMenuItem*> TMenuItem::ShownItems() const
{
    std::vector<TMenuItem*> shown;
    shown.reserve(FItems.size());
    for (TMenuItem* item : FItems) {
        if (item->IsLine() && (shown.empty() || shown.back()->IsLine()))
            continue;
        shown.push_back(item);
    }
    if (!shown.empty() && shown.back()->IsLine())
        shown.pop_back();
    return shown;
}

TMenuItem* TMenuItem::FindBySerial(std::uint64_t serial)
{
    if (FSerial == serial)
        return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->FindBySerial(serial))
            return found;
    return nullptr;
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FSubMenuImagesComponent) {
        FSubMenuImages = nullptr;
        FSubMenuImagesComponent = nullptr;
    }
}

// SetSubMenuImages is defined in gui/menus.cpp, where TImageList is a complete type and can be
// converted to the component that free-notification needs.
