#include "app/headline_menu.h"

#include <algorithm>

#include "app/headline_rules.h"
#include "app/res/resource.h"
#include "app/resource_icon.h"
#include "gui/platform_ui.h"
#include "rtl/exceptions.h"
#include "rtl/text.h"
#include "rtl/utf8.h"

namespace {

// The channel and headline entries of a rebuild are of their own class, so the next rebuild
// and the click find them whatever their tag.
class THeadlineEntry : public TMenuItem {};

const int kCommandImages[] = {IDI_MENU_REFRESH,   IDI_MENU_SETTINGS,  IDI_MENU_ABOUT,   IDI_MENU_EXIT,
                              IDI_MENU_CUSTOMIZE, IDI_MENU_NEWSFEEDS, IDI_MENU_FEEDEDIT};

} // namespace

bool IsHeadlineEntry(const TMenuItem* entry)
{
    return dynamic_cast<const THeadlineEntry*>(entry) != nullptr;
}

bool IsWebLink(const std::string& link)
{
    const std::string t = rtl::Trim(link);
    return (rtl::StartsText("http://", t) || rtl::StartsText("https://", t)) &&
           rtl::Utf16Length(t) <= rtl::kMaxAddressLength;
}

THeadlineMenu::THeadlineMenu(TPopupMenu& popupMenu, TImageList& menuIconsList, TImageList& feedIconList,
                             TCurrentFeed& currentFeed, TCheckBox& cutChannelCheckBox)
    : FPopupMenu(popupMenu), FMenuIconsList(menuIconsList), FFeedIconList(feedIconList), FCurrentFeed(currentFeed),
      FCutChannelCheckBox(cutChannelCheckBox)
{
}

void THeadlineMenu::LoadCommandImages()
{
    for (int id : kCommandImages) {
        const TIconHandle icon = LoadResourceIcon(id, FMenuIconsList.Width());
        // Every later image index depends on this one being there.
        if (!icon || FMenuIconsList.AddIcon(icon.Get()) < 0)
            throw Exception("Das Menübild " + rtl::IntToStr(id) + " fehlt im Programm");
    }
}

TMenuItem* THeadlineMenu::AddFixed(const std::string& caption, int image, int tag, bool click)
{
    auto* entry = new TMenuItem();
    entry->SetCaption(caption);
    entry->SetImageIndex(image);
    entry->SetTag(tag);
    if (click)
        entry->OnClick = [this](TObject* sender) { MenuItemClick(static_cast<TMenuItem*>(sender)); };
    FPopupMenu.Items()->Add(entry);
    return entry;
}

TMenuItem* THeadlineMenu::NewSeparator(int tag)
{
    auto* entry = new TMenuItem();
    entry->SetCaption("-");
    entry->SetTag(tag);
    return entry;
}

void THeadlineMenu::CreateFixedEntries()
{
    FPopupMenu.SetImages(&FMenuIconsList);
    FRefreshEntry = AddFixed("Jetzt Aktualisieren", kImageRefresh, kTagRefresh, true);
    FNewsfeeds = AddFixed("Newsfeeds", kImageNewsfeeds, kTagNewsfeeds, false);
    FNewsfeeds->SetSubMenuImages(&FFeedIconList);
    AddFixed("Einstellungen ...", kImageSettings, kTagSettings, true);
    AddFixed("Über ...", kImageAbout, kTagAbout, true);
    AddFixed("-", -1, 0, false);
    AddFixed("Beenden", kImageExit, kTagExit, true);
}

void THeadlineMenu::Rebuild(const feed::TParseResult& result)
{
    TMenuItem& top = *FPopupMenu.Items();
    auto click = [this](TObject* sender) { MenuItemClick(static_cast<TMenuItem*>(sender)); };

    TMenuItem* first = NewSeparator(kTagFirstSeparator);
    top.Insert(0, first);

    // The previous document's entries go, and with them the separators of earlier rebuilds:
    // they would pile up below the headlines for as long as the program runs, and without them
    // every rebuild lays out the menu exactly as the first one does.
    for (int i = top.Count() - 1; i >= 0; --i) {
        TMenuItem* e = top.Items(i);
        bool oldSeparator =
            e != first && e->IsLine() && (e->Tag() == kTagFirstSeparator || e->Tag() == kTagSeparator);
        if (e->Tag() < kTagFeedBase || IsHeadlineEntry(e) || oldSeparator)
            top.Delete(i);
    }

    for (const feed::THeadline& h : result.Headlines) {
        auto* e = new THeadlineEntry();
        e->SetCaption(h.Caption);
        e->SetHint(h.Link);
        e->SetTag(h.N + 1);
        e->OnClick = click;
        if (h.Customize)
            e->SetImageIndex(kImageCustomize);
        // After many items without a headline the position N - 1 can lie among the fixed
        // commands or past the end: such a headline goes just above the commands.
        int fixedStart = top.IndexOf(FRefreshEntry);
        if (fixedStart < 0)
            fixedStart = top.Count();
        top.Insert(std::clamp(h.N - 1, 0, fixedStart), e);
    }

    top.Insert(0, NewSeparator(kTagSeparator));

    // The channel's picture is made again only when the feed's may have changed: each one made
    // costs milliseconds of every refresh.
    const TChannelPicture picture{FFeedIconList.Stamp(), FCurrentFeed.IconIndex, FMenuIconsList.Stamp()};
    if (!FChannelPicture || *FChannelPicture != picture) {
        if (FMenuIconsList.Count() > kImageChannel)
            FMenuIconsList.Delete(kImageChannel);
        TIconHandle feedIcon(FFeedIconList.GetIcon(FCurrentFeed.IconIndex));
        if (feedIcon)
            FMenuIconsList.AddIcon(feedIcon.Get());
        FChannelPicture = TChannelPicture{picture.FeedIcons, picture.IconIndex, FMenuIconsList.Stamp()};
    }
    auto* channel = new THeadlineEntry();
    channel->SetCaption(result.Channel.Caption);
    channel->SetImageIndex(kImageChannel);
    channel->SetHint(result.Channel.Link);
    channel->SetTag(kTagChannel);
    channel->OnClick = click;
    top.Insert(0, channel);

    int fixedStart = top.IndexOf(FRefreshEntry);
    if (fixedStart > 0 && !top.Items(fixedStart - 1)->IsLine())
        top.Insert(fixedStart, NewSeparator(kTagSeparator));

    if (FCutChannelCheckBox.Checked())
        channel->SetCaption(feed::CutToLongest(channel->Caption(), feed::LongestCaption(result)));
}

void THeadlineMenu::MenuItemClick(TMenuItem* entry)
{
    if (!entry)
        return;
    const long long tag = entry->Tag();
    if (IsHeadlineEntry(entry) || (tag >= 0 && tag < kTagFeedBase)) {
        if (IsWebLink(entry->Hint()))
            PlatformUi().ShellOpen(nullptr, "open", rtl::Trim(entry->Hint()), "", "", SW_SHOWNORMAL);
        return;
    }
    switch (tag) {
    case kTagExit:
        if (OnExit)
            OnExit();
        break;
    case kTagRefresh:
        if (OnRefresh)
            OnRefresh();
        break;
    case kTagSettings:
        if (OnShowSettings)
            OnShowSettings();
        break;
    case kTagAbout:
        if (OnAbout)
            OnAbout();
        break;
    default:
        break;
    }
}
