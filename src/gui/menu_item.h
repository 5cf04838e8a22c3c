#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/component.h"
#include "rtl/exceptions.h"

class TImageList;

class EMenuError : public Exception {
public:
    using Exception::Exception;
};

// One entry of a menu and the level of entries below it. The item tree is the truth; the
// platform menu is built from it each time the menu opens (gui/menus.h), so items may be
// inserted, changed and destroyed at any time.
//
// A parent owns its sub-entries and destroys them with itself. An item may in addition have a
// component owner; destroying it either way takes it out of both.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner = nullptr);
    ~TMenuItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& v) { FCaption = v; }
    // A separator is an entry whose caption is "-".
    bool IsLine() const { return FCaption == "-"; }
    // Index into the image list of the level the item stands in; -1 shows no image.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v) { FImageIndex = v; }
    // Data only (a link or URL); never shown.
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& v) { FHint = v; }
    // The default entry of its level: drawn in bold, and what a double click on a
    // notification-area icon chooses.
    bool Default() const { return FDefault; }
    void SetDefault(bool v) { FDefault = v; }
    // The image list of this item's sub-entries and of every deeper level that has none of its
    // own; nullptr inherits the list of the level above. Free-notified.
    TImageList* SubMenuImages() const { return FSubMenuImages; }
    void SetSubMenuImages(TImageList* v);

    TMenuItem* Parent() const { return FParent; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Throws EMenuError when the index is out of range.
    TMenuItem* Items(int index) const;
    int IndexOf(const TMenuItem* item) const;
    // Takes ownership. Insert accepts 0..Count(); an item that already has a parent is refused.
    void Add(TMenuItem* item) { Insert(Count(), item); }
    void Insert(int index, TMenuItem* item);
    // Takes the item out of this level without destroying it; the caller owns it then.
    void Remove(TMenuItem* item);
    // Takes the entry out and destroys it.
    void Delete(int index);
    void Clear();

    // The sub-entries a platform menu shows: separators at the top or bottom of the level and
    // every separator that follows another shown one are left out.
    std::vector<TMenuItem*> ShownItems() const;

    // Unique for the life of the process: identifies an item across a modal menu loop, during
    // which the item may have been destroyed and its address reused.
    std::uint64_t Serial() const { return FSerial; }
    // This item or one below it with the serial, nullptr when there is none.
    TMenuItem* FindBySerial(std::uint64_t serial);

    TNotifyEvent OnClick;
    virtual void Click();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::string FCaption;
    int FImageIndex = -1;
    std::string FHint;
    bool FDefault = false;
    TImageList* FSubMenuImages = nullptr;
    TComponent* FSubMenuImagesComponent = nullptr;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
    std::uint64_t FSerial;
};
