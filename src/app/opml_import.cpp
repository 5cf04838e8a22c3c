#include "app/opml_import.h"

#include <memory>

#include "app/feed_store.h"
#include "app/klip.h"
#include "app/opml_reader.h"
#include "gui/menus.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "rtl/text.h"
#include "rtl/utf8.h"

namespace {

// The names in a folder, in lower case (ASCII letters), with every name written into it since:
// one listing of the folder instead of asking the file system for every name tried.
class TFolderNames {
public:
    explicit TFolderNames(const std::string& folder)
    {
        rtl::ForEachFileEntry(folder + "*", [&](const rtl::TFileEntry& e) {
            FNames.insert(rtl::LowerCase(e.Name));
            return true;
        });
    }
    // A name in another script may be taken in other letter case: the file system has the last
    // word when the file is made.
    bool Taken(const std::string& name) const { return FNames.count(rtl::LowerCase(name)) != 0; }
    void Add(const std::string& name) { FNames.insert(rtl::LowerCase(name)); }

private:
    std::set<std::string> FNames;
};

// The name, cut at the end of a character where needed, so that folder + name + rest is a path
// the platform takes (Windows refuses MAX_PATH characters and more, and the feed folder skips
// such paths): "" when not even one character fits.
std::string FittingName(std::string name, const std::string& folder, const char* rest)
{
    while (!name.empty() && rtl::PathTooLong(folder + name + rest))
        name.resize(rtl::CharacterPrefix(name, rtl::CharacterCount(name) - 1));
    return name;
}

// Room a feed file's name keeps for a number.
constexpr const char* kFeedFileRest = " 9999.nfd";
// Room a folder's path keeps for a feed file of a few characters in it.
constexpr const char* kFolderRest = "\\Feed 9999.nfd";

// A name for the feed file of an outline, made safe, short enough for its folder, free there.
std::string FreeFeedName(const opml::TOutline& feed, const std::string& folder, const TFolderNames& names)
{
    std::string name = SanitizeFeedName(rtl::Trim(feed.Title));
    if (!IsAcceptableFeedName(name))
        name = SanitizeFeedName(opml::AddressHost(feed.XmlUrl));
    name = FittingName(name, folder, kFeedFileRest);
    if (!IsAcceptableFeedName(name))
        name = "Feed";
    std::string candidate = name;
    for (int n = 2; names.Taken(candidate + ".nfd"); ++n)
        candidate = name + " " + std::to_string(n);
    return candidate;
}

// A feed file an import makes: where, for which outline, under which name in its folder's names.
struct TPlannedFeed {
    const opml::TOutline* Outline;
    std::string Folder;
    TFolderNames* Names;
    std::size_t File; // in the list of files to write
};

// The import's plan: the folders made, the names chosen and every feed file's bytes, before any
// file is written.
struct TImportPlan {
    std::vector<std::unique_ptr<TFolderNames>> Folders;
    std::vector<TPlannedFeed> Feeds;
    std::vector<rtl::TNewFile> Files;
};

void Plan(const std::vector<opml::TOutline>& outlines, const std::string& folder, std::set<std::string>& known,
          TImportPlan& plan, TOpmlImportCounts& counts)
{
    plan.Folders.push_back(std::make_unique<TFolderNames>(folder));
    TFolderNames& names = *plan.Folders.back();
    for (const opml::TOutline& o : outlines) {
        if (!o.IsFeed()) {
            const std::string name = FittingName(SanitizeFeedName(rtl::Trim(o.Title)), folder, kFolderRest);
            const std::string sub = folder + name;
            const bool usable = IsAcceptableFeedName(name) && (rtl::DirectoryExists(sub) || rtl::CreateDir(sub));
            if (usable)
                names.Add(name);
            Plan(o.Children, usable ? sub + "\\" : folder, known, plan, counts);
            continue;
        }
        const std::string url = rtl::Trim(o.XmlUrl);
        if (!known.insert(url).second) {
            ++counts.Skipped;
            continue;
        }
        const std::string file = FreeFeedName(o, folder, names) + ".nfd";
        names.Add(file);
        plan.Feeds.push_back({&o, folder, &names, plan.Files.size()});
        plan.Files.push_back({folder + file, FeedFileBytes(url)});
    }
}

void CollectAddresses(const TMenuItem& level, std::set<std::string>& urls)
{
    for (int i = 0; i < level.Count(); ++i) {
        const TMenuItem* e = level.Items(i);
        if (IsFeedEntry(e))
            urls.insert(rtl::Trim(e->Hint()));
        else
            CollectAddresses(*e, urls);
    }
}

std::string Feeds(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " Feed" : " Feeds");
}

} // namespace

TOpmlImportCounts ImportOutlines(const std::vector<opml::TOutline>& outlines, const std::string& folder,
                                 std::set<std::string>& knownUrls, const TWrittenFeedFile& written)
{
    TOpmlImportCounts counts;
    TImportPlan plan;
    Plan(outlines, folder, knownUrls, plan, counts);
    rtl::WriteNewFiles(plan.Files);
    std::string failed;
    for (const TPlannedFeed& feed : plan.Feeds) {
        rtl::TNewFile& file = plan.Files[feed.File];
        // A name the listing did not show as taken but the file system does (other letter case
        // in another script, a file made meanwhile): the next free one.
        while (file.Result == rtl::TNewFileResult::Exists) {
            file.FileName = feed.Folder + FreeFeedName(*feed.Outline, feed.Folder, *feed.Names) + ".nfd";
            feed.Names->Add(rtl::ExtractFileName(file.FileName));
            file.Result = rtl::WriteNewFile(file.FileName, file.Bytes);
        }
        if (file.Result == rtl::TNewFileResult::Failed) {
            if (failed.empty())
                failed = file.FileName;
            continue;
        }
        if (written)
            written(file.FileName, file.Bytes);
        ++counts.Imported;
    }
    if (!failed.empty())
        throw EInOutError("Datei kann nicht erstellt werden: " + failed, 0);
    return counts;
}

std::set<std::string> FeedAddresses(const TMenuItem& feedsEntry)
{
    std::set<std::string> urls;
    CollectAddresses(feedsEntry, urls);
    return urls;
}

std::vector<opml::TOutline> OutlinesOfMenu(const TMenuItem& feedsEntry)
{
    std::vector<opml::TOutline> outlines;
    for (int i = 0; i < feedsEntry.Count(); ++i) {
        const TMenuItem* e = feedsEntry.Items(i);
        opml::TOutline o;
        o.Title = e->Caption();
        if (IsFeedEntry(e))
            o.XmlUrl = rtl::Trim(e->Hint());
        else
            o.Children = OutlinesOfMenu(*e);
        // A feed file without an address is no subscription another reader could take.
        if (!IsFeedEntry(e) || !o.XmlUrl.empty())
            outlines.push_back(std::move(o));
    }
    return outlines;
}

std::string OpmlImportMessage(const TOpmlImportCounts& counts)
{
    std::string text = Feeds(counts.Imported) + " importiert";
    if (counts.Skipped > 0)
        text += ", " + Feeds(counts.Skipped) + " übersprungen (schon vorhanden)";
    return text + ".";
}
