#include "app/feed_commands.h"

#include <set>

#include "app/feed_icons.h"
#include "app/feed_store.h"
#include "app/headline_menu.h"
#include "app/klip.h"
#include "app/opml_import.h"
#include "app/opml_reader.h"
#include "app/opml_writer.h"
#include "app/menu_tags.h"
#include "app/refresh_schedule.h"
#include "app/utf8_document.h"
#include "gui/application.h"
#include "gui/dialogs.h"
#include "gui/image_list.h"
#include "gui/dialogs.h"
#include "gui/menus.h"
#include "gui/platform_ui.h"
#include "gui/std_controls.h"
#include "rtl/files.h"
#include "rtl/string_list.h"
#include "rtl/text.h"

namespace {

constexpr const char* kDuplicateMessage = "Dieses Newsfeed besteht bereits";
constexpr const char* kReplaceIconQuestion = "Diese Feed besitzt schon ein Icon, möchten sie das ersetzten?";
constexpr const char* kNewFeedCaption = "Neues Feed erstellen";

std::string WithoutAccelerators(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (c != '&')
            r += c;
    return r;
}

} // namespace

std::string UnusableFeedNameMessage(const std::string& name)
{
    return "Der Name \"" + name +
           "\" kann nicht verwendet werden.\rEin Feed-Name darf nicht leer sein, nicht mit "
           "\".\" beginnen und kein Gerätename wie \"CON\" sein.";
}

std::string FeedFileMissingMessage(const std::string& name)
{
    return "Die Datei des Feeds \"" + name + "\" wurde nicht gefunden.\rDas Icon kann nicht gespeichert werden.";
}

TMenuItem* FindNewFeedEntry(const TMenuItem& level, const std::string& name)
{
    const std::string key = WithoutAccelerators(name);
    for (int i = 0; i < level.Count(); ++i) {
        TMenuItem* e = level.Items(i);
        if (IsFeedEntry(e) && rtl::SameFileName(WithoutAccelerators(e->Caption()), key))
            return e;
    }
    return nullptr;
}

TMenuItem* FindFeedEntry(const TMenuItem& level, const std::string& name, const std::string& url)
{
    for (int i = 0; i < level.Count(); ++i) {
        TMenuItem* e = level.Items(i);
        if (IsFeedEntry(e) && e->Caption() == name && e->Hint() == url)
            return e;
        if (TMenuItem* deeper = FindFeedEntry(*e, name, url))
            return deeper;
    }
    return nullptr;
}

void TFeedCommands::RefreshFeedInfo()
{
    FParts.NameEdit.SetText(FParts.CurrentFeed.Name);
    FParts.UrlEdit.SetText(FParts.CurrentFeed.URL);
    // An index outside the list leaves the picture empty.
    FParts.FeedIconImage.SetIcon(FParts.FeedIcons.GetIcon(FParts.CurrentFeed.IconIndex));
    FParts.Description.Clear();
}

// The first entry's hint is the channel's link once a download has completed; it comes from the
// network, so only a web address is handed to the shell, which would run a program or open a
// file as readily.
void TFeedCommands::FeedIconImageClick()
{
    TMenuItem* top = FParts.Menu.Items();
    if (top->Count() == 0)
        return;
    const std::string link = rtl::Trim(top->Items(0)->Hint());
    if (IsWebLink(link))
        PlatformUi().ShellOpen(FParts.Window.Handle(), "open", link, "", "", SW_SHOW);
}

void TFeedCommands::RebuildFeedMenu()
{
    // A bad icon or feed file ends the build at that entry; the command goes on with the
    // entries made so far, as the start-up does.
    try {
        FParts.Store.Rebuild();
    } catch (const std::exception& e) {
        Application->HandleException(e);
    }
}

void TFeedCommands::WriteFeedFile(const std::string& name, const std::string& url)
{
    ::WriteFeedFile(FParts.Paths.FeedFolder + name + ".nfd", url);
}

void TFeedCommands::NewFeedBtnClick()
{
    std::string name = InputBox(kNewFeedCaption, "Geben Sie einen neuen Namen ein", "Feed");
    const std::string url = InputBox(kNewFeedCaption, "Geben Sie den URL des Feeds ein", "http://");
    name = SanitizeFeedName(name);
    // The store never lists a name that is empty or begins with "."; a device name is no file.
    if (!IsAcceptableFeedName(name)) {
        ShowErrorMessage(UnusableFeedNameMessage(name));
        return;
    }
    if (rtl::FileExists(FParts.Paths.FeedFolder + name + ".nfd")) {
        ShowErrorMessage(kDuplicateMessage);
        return;
    }
    WriteFeedFile(name, url);
    MakeFeedCurrent(name, true);
}

void TFeedCommands::MakeFeedCurrent(const std::string& name, bool created)
{
    FParts.Document.Clear();
    RebuildFeedMenu();
    // Not listed (the build ended before it): the current feed stays as it was.
    if (TMenuItem* entry = FindNewFeedEntry(*FParts.Store.FeedsEntry(), name)) {
        FParts.CurrentFeed.Name = entry->Caption();
        FParts.CurrentFeed.URL = entry->Hint();
        FParts.CurrentFeed.IconIndex = FeedImageOfTag(entry->Tag());
        FParts.CurrentFeed.File = FeedFileOf(entry);
    }
    Application->ProcessMessages();
    // A URL the download refuses raises its error, but the new feed is current all the same
    // and the page must say so.
    try {
        if (OnRefresh)
            OnRefresh(created);
    } catch (...) {
        RefreshFeedInfo();
        throw;
    }
    RefreshFeedInfo();
}

int ChoosePageFeed(const std::vector<html::TFeedLink>& feeds)
{
    std::vector<std::string> lines;
    lines.reserve(feeds.size());
    for (const html::TFeedLink& f : feeds)
        lines.push_back(f.Title.empty() || f.Title == f.Url ? f.Url : f.Title + "  (" + f.Url + ")");
    int index = 0;
    if (!PlatformUi().ListQuery(kNewFeedCaption, "Die Seite nennt mehrere Feeds. Welchen möchten Sie abonnieren?",
                                lines, index))
        return -1;
    return index;
}

void TFeedCommands::MoveCurrentFeed(const std::string& url)
{
    const std::string file = FParts.CurrentFeed.File;
    if (file.empty() || !rtl::FileExists(file))
        return;
    std::string bytes;
    try {
        bytes = ReadFileBytes(file);
    } catch (const std::exception&) {
        return;
    }
    // A file the address cannot be written into without changing how the rest reads stays as it is.
    const std::optional<std::string> moved = ReplaceFirstLine(bytes, url);
    if (!moved || !rtl::ReplaceFileWith(file, *moved))
        return;
    if (TMenuItem* entry =
            FindFeedEntry(*FParts.Store.FeedsEntry(), FParts.CurrentFeed.Name, FParts.CurrentFeed.URL))
        entry->SetHint(url);
    FParts.CurrentFeed.URL = url;
    FParts.UrlEdit.SetText(url);
}

void TFeedCommands::DelteFeedBtnClick()
{
    // The current feed's own files: another feed of that name elsewhere in the tree stays.
    const std::string name = FParts.CurrentFeed.Name;
    const std::string feedFile = FParts.CurrentFeed.File;
    const std::string iconFile = FeedIconTarget(feedFile);
    if (!ConfirmMessage("Soll das Newsfeed \"" + name + "\" gelöscht werden?"))
        return;
    if (!feedFile.empty() && rtl::FileExists(feedFile))
        rtl::DeleteFile(feedFile);
    if (!iconFile.empty() && rtl::FileExists(iconFile))
        rtl::DeleteFile(iconFile);
    RebuildFeedMenu();
    // The current feed stays (name and URL), but the rebuild renumbered the icon list: its old
    // index would show another feed's picture. A feed of the same name and URL still listed
    // gives the index; otherwise there is none and the default feed picture is shown.
    TMenuItem* same = FindFeedEntry(*FParts.Store.FeedsEntry(), name, FParts.CurrentFeed.URL);
    FParts.CurrentFeed.IconIndex = same ? FeedImageOfTag(same->Tag()) : -1;
}

void TFeedCommands::Klipladen1Click()
{
    FParts.OpenDialog.SetFilter(
        "Klip und OPML|*.klip;*.opml;*.xml|Klip|*.klip|OPML|*.opml;*.xml|Alle Dateien|*.*");
    FParts.OpenDialog.SetTitle("Klip öffnen ...");
    if (!FParts.OpenDialog.Execute())
        return;
    // One byte past the largest list is enough to refuse a file too large for one; no file of
    // any size is read whole for that.
    const std::string bytes = ReadFileBytes(FParts.OpenDialog.FileName(), opml::kMaxOpmlBytes + 1);
    if (bytes.size() > opml::kMaxOpmlBytes || opml::LooksLikeOpml(bytes)) {
        ImportOpml(bytes);
        return;
    }
    const TKlipFeed klip = ExtractKlip(DocumentToUtf8(bytes));
    // The title comes from a downloaded file: it is used only as the sanitised name, and one that
    // would leave the feed folder or never be listed is refused like a duplicate.
    if (!klip.Success || rtl::FileExists(FParts.Paths.FeedFolder + klip.Name + ".nfd")) {
        ShowErrorMessage(kKlipFailureMessage);
        return;
    }
    WriteFeedFile(klip.Name, klip.URL);
    MakeFeedCurrent(klip.Name);
}

// The whole list is read before anything is written, so a damaged one changes nothing; the
// store is rebuilt once at the end, and the current feed stays current (its picture's index is
// taken anew from the rebuilt list).
void TFeedCommands::ImportOpml(const std::string& bytes)
{
    const opml::TOpmlDocument list = opml::ReadOpml(bytes);
    if (!list.Ok) {
        ShowErrorMessage(list.Error);
        return;
    }
    std::set<std::string> known = FeedAddresses(*FParts.Store.FeedsEntry());
    TOpmlImportCounts counts;
    try {
        counts = ImportOutlines(list.Outlines, FParts.Paths.FeedFolder, known,
                                [this](const std::string& path, const std::string& bytes) {
                                    FParts.Store.KnowWrittenFeedFile(path, bytes);
                                });
    } catch (...) {
        RebuildFeedMenu(); // what was written before the failure is listed
        throw;
    }
    RebuildFeedMenu();
    TMenuItem* same = FindFeedEntry(*FParts.Store.FeedsEntry(), FParts.CurrentFeed.Name, FParts.CurrentFeed.URL);
    if (same)
        FParts.CurrentFeed.IconIndex = FeedImageOfTag(same->Tag());
    ShowInfoMessage(OpmlImportMessage(counts));
}

void TFeedCommands::ExportFeedsBtnClick()
{
    FParts.SaveDialog.SetFilter("OPML|*.opml|Alle Dateien|*.*");
    FParts.SaveDialog.SetTitle("Feeds exportieren ...");
    FParts.SaveDialog.SetDefaultExt("opml");
    FParts.SaveDialog.SetFileName("Quorvane-Feeds.opml");
    FParts.SaveDialog.SetOptions(ofPathMustExist | ofOverwritePrompt | ofEnableSizing);
    if (!FParts.SaveDialog.Execute())
        return;
    WriteFileBytes(FParts.SaveDialog.FileName(),
                   opml::WriteOpml(OutlinesOfMenu(*FParts.Store.FeedsEntry()), "Quorvane-Feeds"));
}

void TFeedCommands::AddIconBtnClick()
{
    FParts.OpenDialog.SetFilter("Alle Dateien|*.ico;*.bmp;*.jpg|Icons|*.ico|Bitmaps|*.bmp|Jpgs|*.jpg");
    FParts.OpenDialog.SetTitle("Icon laden ...");
    // Beside the current feed's own file; without it there is no folder to put the icon in
    // (the feed was deleted).
    const std::string feedFile = FParts.CurrentFeed.File;
    if (feedFile.empty() || !rtl::FileExists(feedFile)) {
        ShowErrorMessage(FeedFileMissingMessage(FParts.CurrentFeed.Name));
        return;
    }
    const std::string target = FeedIconTarget(feedFile);
    if (rtl::FileExists(target) && !ConfirmMessage(kReplaceIconQuestion))
        return;
    if (!FParts.OpenDialog.Execute())
        return;
    WriteFeedIcon(&FParts.Window, FParts.OpenDialog.FileName(), target);
}
