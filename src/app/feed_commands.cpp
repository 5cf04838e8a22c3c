#include "app/feed_commands.h"

#include "app/ansi_document.h"
#include "app/feed_icons.h"
#include "app/headline_menu.h"
#include "app/klip.h"
#include "app/main_form.h"
#include "gui/application.h"
#include "gui/platform_ui.h"
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
        if (IsFeedEntry(e) && rtl::SameText(WithoutAccelerators(e->Caption()), key))
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
    F.NameEdit->SetText(F.CurrentFeed.Name);
    F.UrlEdit->SetText(F.CurrentFeed.URL);
    // An index outside the list leaves the picture empty.
    F.FeedIconImage->SetIcon(F.FeedIconList->GetIcon(F.CurrentFeed.IconIndex));
    F.DescMemo->Clear();
}

// The first entry's hint is the channel's link once a download has completed; it comes from the
// network, so only a web address is handed to the shell, which would run a program or open a
// file as readily.
void TFeedCommands::FeedIconImageClick()
{
    TMenuItem* top = F.PopupMenu->Items();
    if (top->Count() == 0)
        return;
    const std::string link = rtl::Trim(top->Items(0)->Hint());
    if (IsWebLink(link))
        PlatformUi().ShellOpen(F.Handle(), "open", link, "", "", SW_SHOW);
}

void TFeedCommands::RebuildFeedMenu()
{
    // A bad icon or feed file ends the build at that entry; the command goes on with the
    // entries made so far, as the start-up does.
    try {
        F.FeedStore->Rebuild();
    } catch (const std::exception& e) {
        Application->HandleException(e);
    }
}

void TFeedCommands::WriteFeedFile(const std::string& name, const std::string& url)
{
    WriteFileBytes(F.Paths.FeedFolder + name + ".nfd", url + "\r\n");
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
    if (rtl::FileExists(F.Paths.FeedFolder + name + ".nfd")) {
        ShowErrorMessage(kDuplicateMessage);
        return;
    }
    WriteFeedFile(name, url);
    MakeFeedCurrent(name);
}

void TFeedCommands::MakeFeedCurrent(const std::string& name)
{
    F.Memo->Clear();
    RebuildFeedMenu();
    // Not listed (the build ended before it): the current feed stays as it was.
    if (TMenuItem* entry = FindNewFeedEntry(*F.FeedStore->FeedsEntry(), name)) {
        F.CurrentFeed.Name = entry->Caption();
        F.CurrentFeed.URL = entry->Hint();
        F.CurrentFeed.IconIndex = static_cast<int>(entry->Tag() - 101);
        F.CurrentFeed.File = FeedFileOf(entry);
    }
    Application->ProcessMessages();
    // A URL the download refuses raises its error, but the new feed is current all the same
    // and the page must say so.
    try {
        F.TimerTimer(F.Timer);
    } catch (...) {
        RefreshFeedInfo();
        throw;
    }
    RefreshFeedInfo();
}

void TFeedCommands::DelteFeedBtnClick()
{
    // The current feed's own files: another feed of that name elsewhere in the tree stays.
    const std::string name = F.CurrentFeed.Name;
    const std::string feedFile = F.CurrentFeed.File;
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
    TMenuItem* same = FindFeedEntry(*F.FeedStore->FeedsEntry(), name, F.CurrentFeed.URL);
    F.CurrentFeed.IconIndex = same ? static_cast<int>(same->Tag() - 101) : -1;
}

void TFeedCommands::Klipladen1Click()
{
    F.OpenDialog->SetFilter("Klip|*.klip");
    F.OpenDialog->SetTitle("Klip öffnen ...");
    if (!F.OpenDialog->Execute())
        return;
    const TKlipFeed klip = ExtractKlip(DocumentToAnsi(ReadFileBytes(F.OpenDialog->FileName())));
    // The title comes from a downloaded file: it is used only as the sanitised name, and one that
    // would leave the feed folder or never be listed is refused like a duplicate.
    if (!klip.Success || rtl::FileExists(F.Paths.FeedFolder + klip.Name + ".nfd")) {
        ShowErrorMessage(kKlipFailureMessage);
        return;
    }
    WriteFeedFile(klip.Name, klip.URL);
    MakeFeedCurrent(klip.Name);
}

void TFeedCommands::AddIconBtnClick()
{
    F.OpenDialog->SetFilter("Alle Dateien|*.ico;*.bmp;*.jpg|Icons|*.ico|Bitmaps|*.bmp|Jpgs|*.jpg");
    F.OpenDialog->SetTitle("Icon laden ...");
    // Beside the current feed's own file; without it there is no folder to put the icon in
    // (the feed was deleted).
    const std::string feedFile = F.CurrentFeed.File;
    if (feedFile.empty() || !rtl::FileExists(feedFile)) {
        ShowErrorMessage(FeedFileMissingMessage(F.CurrentFeed.Name));
        return;
    }
    const std::string target = FeedIconTarget(feedFile);
    if (rtl::FileExists(target) && !ConfirmMessage(kReplaceIconQuestion))
        return;
    if (!F.OpenDialog->Execute())
        return;
    WriteFeedIcon(&F, F.OpenDialog->FileName(), target);
}
