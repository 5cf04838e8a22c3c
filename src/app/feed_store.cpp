#include "app/feed_store.h"

#include <set>

#include "app/utf8_document.h"
#include "app/feed_order.h"
#include "app/menu_tags.h"
#include "app/icons/bitmap.h"
#include "gui/graphics.h"
#include "gui/handles.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "rtl/string_list.h"
#include "rtl/text.h"
#include "rtl/utf8.h"

namespace {

constexpr std::size_t kMaxUrlLength = 4096;

// Feed entries are told from folder entries by their class: an empty folder has no
// sub-entries either, and a folder may bear the name of a feed.
class TFeedEntry : public TMenuItem {
public:
    std::string File;
};

bool IsFeedFileName(const std::string& name)
{
    return !name.empty() && name[0] != '.' && name.size() > 4 && name.compare(name.size() - 4, 4, ".nfd") == 0;
}

// A folder named like a feed file is a folder: it has no address to read.
bool IsFeedFile(const rtl::TFileEntry& fd)
{
    return !fd.IsDirectory() && IsFeedFileName(fd.Name);
}

// The store is always enumerated with "*.*".
void ForEachEntry(const std::string& folder, const std::function<bool(const rtl::TFileEntry&)>& fn)
{
    rtl::ForEachFileEntry(folder + "*.*", fn);
}

void FindFeedFileInto(const std::string& folderPath, const std::string& fileName, std::string& result)
{
    const std::string folder = rtl::IncludeTrailingBackslash(folderPath);
    ForEachEntry(folder, [&](const rtl::TFileEntry& fd) {
        const std::string& name = fd.Name;
        if (fd.IsDirectory() && name[0] != '.')
            FindFeedFileInto(folder + name, fileName, result);
        if (name == fileName) {
            result = folder + name;
            return false;
        }
        return true;
    });
}

// How many entries BuildFeedMenu makes of the folder tree (by the same rules).
int CountEntries(const std::string& folderPath)
{
    const std::string folder = rtl::IncludeTrailingBackslash(folderPath);
    int n = 0;
    ForEachEntry(folder, [&](const rtl::TFileEntry& fd) {
        if (fd.Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) || rtl::PathTooLong(folder + fd.Name))
            return true;
        if (fd.IsDirectory() && fd.Name[0] != '.')
            n += 1 + CountEntries(folder + fd.Name);
        if (IsFeedFile(fd))
            ++n;
        return true;
    });
    return n;
}

} // namespace

TIconHandle LoadFeedIcon(const std::string& iconFile)
{
    TIconHandle icon(LoadIconFile(iconFile, 16, 16));
    if (!icon)
        throw icons::EInvalidGraphic("Ungültige Icon-Datei: " + iconFile);
    return icon;
}

std::string FeedFileBytes(const std::string& url)
{
    const bool ascii = rtl::IsAscii(url);
    return (ascii ? "" : "\xEF\xBB\xBF") + url + "\r\n";
}

void WriteFeedFile(const std::string& path, const std::string& url)
{
    WriteFileBytes(path, FeedFileBytes(url));
}

bool IsFeedEntry(const TMenuItem* entry)
{
    return dynamic_cast<const TFeedEntry*>(entry) != nullptr;
}

std::string FeedFileOf(const TMenuItem* entry)
{
    const TFeedEntry* feed = dynamic_cast<const TFeedEntry*>(entry);
    return feed ? feed->File : std::string();
}

std::string FindFeedFile(const std::string& folder, const std::string& fileName)
{
    std::string result;
    FindFeedFileInto(folder, fileName, result);
    return result;
}

TFeedStore::TFeedStore(TImageList& feedIconList, TMemo& memo, TImage& theIcon, TImage& folderIco,
                       TCurrentFeed& currentFeed, const TAppPaths& paths)
    : FFeedIconList(feedIconList), FMemo(memo), FTheIcon(theIcon), FFolderIco(folderIco),
      FCurrentFeed(currentFeed), FPaths(paths)
{
}

void TFeedStore::AddIconFile(int n, const std::string& iconFile, bool exists, TImage& fallback)
{
    const bool slot = n - 1 < FFeedIconList.Count();
    const auto put = [&](HICON icon) {
        if (slot)
            return FFeedIconList.ReplaceIcon(n - 1, icon) ? n - 1 : -1;
        return FFeedIconList.AddIcon(icon);
    };
    // A damaged icon file must not end the build: its entry gets the built-in picture.
    int index = -1;
    if (exists) {
        try {
            const TIconHandle icon = LoadFeedIcon(iconFile);
            index = put(icon.Get());
        } catch (const icons::EInvalidGraphic&) {
        }
        if (index < 0)
            FDamagedIcons.push_back(iconFile);
    }
    if (index < 0) {
        // Copying a picture within the list costs far less than drawing an icon into it.
        const auto first = FFallbackIndex.find(&fallback);
        if (slot && first != FFallbackIndex.end() && FFeedIconList.CopyImage(n - 1, first->second))
            index = n - 1;
        else if ((index = put(fallback.Icon())) >= 0)
            FFallbackIndex.emplace(&fallback, index);
    }
    // Entry n must find its picture at n - 1: a refused icon would shift every later one.
    if (index < 0)
        throw Exception("Das Icon kann nicht in die Liste aufgenommen werden: " + iconFile);
}

// The feed files are read through the Text page's field as the first program did, so that it
// shows the last one read; the field is filled once, with that file, at the end: a field's text
// costs window messages, a thousand feeds a second of them.
void TFeedStore::BuildFeedMenu(const std::string& folderPath, TMenuItem* parent)
{
    FLastFeedFile.Clear();
    FFallbackIndex.clear();
    bool read = false;
    try {
        BuildLevel(folderPath, parent);
        read = FFeedCounter > 0;
    } catch (...) {
        FMemo.SetLines(FLastFeedFile);
        throw;
    }
    if (read)
        FMemo.SetLines(FLastFeedFile);
}

void TFeedStore::BuildLevel(const std::string& folderPath, TMenuItem* parent)
{
    const std::string folder = rtl::IncludeTrailingBackslash(folderPath);
    // Icon files are looked up by name, so one is used even when hidden. The folder's listing
    // answers that (asking the file system costs a third of a millisecond a name under Wine);
    // only a name in another script written in other letter case is asked for.
    std::vector<rtl::TFileEntry> entries;
    std::set<std::string> files;
    ForEachEntry(folder, [&](const rtl::TFileEntry& fd) {
        entries.push_back(fd);
        if (!fd.IsDirectory())
            files.insert(rtl::LowerCase(fd.Name));
        return true;
    });
    const auto iconExists = [&](const std::string& name) {
        if (files.count(rtl::LowerCase(name)))
            return true;
        const bool ascii = rtl::IsAscii(name);
        return !ascii && rtl::FileExists(folder + name);
    };
    for (const rtl::TFileEntry& fd : entries) {
        // The listing asks for normal files and folders only: hidden and system entries make none.
        if (fd.Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            continue;
        const std::string& name = fd.Name;
        if ((IsFeedFile(fd) || (fd.IsDirectory() && name[0] != '.')) && rtl::PathTooLong(folder + name)) {
            FTooLong.push_back(folder + name);
            continue;
        }
        if (fd.IsDirectory() && name[0] != '.') {
            const int n = ++FFeedCounter;
            AddIconFile(n, folder + name + ".ico", iconExists(name + ".ico"), FFolderIco);
            auto* entry = new TMenuItem();
            entry->SetCaption(name);
            entry->SetImageIndex(n - 1);
            entry->SetTag(FeedEntryTag(n));
            InsertOrdered(*parent, entry, kFolderKeyLength);
            BuildLevel(folder + name, entry);
        }
        // Not "else": a file's name alone decides whether it is a feed file.
        if (IsFeedFile(fd)) {
            const int n = ++FFeedCounter;
            // Editors save with a byte-order mark, in UTF-8 or in the ANSI code page: read as documents are.
            const auto written = FWrittenFiles.find(folder + name);
            FLastFeedFile.SetText(
                DocumentToUtf8(written != FWrittenFiles.end() ? written->second : ReadFileBytes(folder + name)));
            std::string url;
            if (FLastFeedFile.Count() > 0) {
                const std::string& first = FLastFeedFile.Strings(0);
                url = first.substr(0, rtl::CharacterPrefix(first, kMaxUrlLength));
            }
            const std::string icon = name.substr(0, name.size() - 3) + "ico";
            AddIconFile(n, folder + icon, iconExists(icon), FTheIcon);
            auto* entry = new TFeedEntry();
            entry->File = folder + name;
            entry->SetCaption(name.substr(0, name.size() - 4));
            entry->SetImageIndex(n - 1);
            entry->SetTag(FeedEntryTag(n));
            entry->SetHint(url);
            entry->OnClick = [this](TObject* sender) { SelectFeed(static_cast<TMenuItem*>(sender)); };
            InsertOrdered(*parent, entry, kFeedKeyLength);
        }
    }
}

void TFeedStore::KnowWrittenFeedFile(const std::string& path, std::string bytes)
{
    FWrittenFiles[path] = std::move(bytes);
}

void TFeedStore::Rebuild()
{
    if (!FFeedsEntry)
        return;
    // What was written before this rebuild is known only to it: a later one reads every file.
    struct TForget {
        std::unordered_map<std::string, std::string>& Files;
        ~TForget() { Files.clear(); }
    } forget{FWrittenFiles};
    FFeedsEntry->Clear();
    FFeedCounter = 0;
    FFeedIconList.Clear();
    FDamagedIcons.clear();
    FTooLong.clear();
    // Slots for every entry first: the list then grows once, not a few pictures at a time.
    FFeedIconList.SetCount(CountEntries(FPaths.FeedFolder));
    try {
        BuildFeedMenu(FPaths.FeedFolder, FFeedsEntry);
    } catch (...) {
        FFeedIconList.SetCount(FFeedCounter);
        throw;
    }
    FFeedIconList.SetCount(FFeedCounter); // the folder may have changed between the two listings
}

void TFeedStore::FindFeedByName(const std::string& name, TMenuItem* entry)
{
    if (!entry)
        return;
    for (int i = 0; i < entry->Count(); ++i) {
        TMenuItem* s = entry->Items(i);
        if (IsFeedEntry(s) && s->Caption() == name) {
            FCurrentFeed.URL = s->Hint();
            FCurrentFeed.IconIndex = FeedImageOfTag(s->Tag());
            FCurrentFeed.File = FeedFileOf(s);
            return;
        }
    }
    for (int i = 0; i < entry->Count(); ++i)
        if (entry->Items(i)->Count() > 0)
            FindFeedByName(name, entry->Items(i));
}

void TFeedStore::SelectFeed(TMenuItem* entry)
{
    FCurrentFeed.IconIndex = FeedImageOfTag(entry->Tag());
    FCurrentFeed.Name = entry->Caption();
    FCurrentFeed.URL = entry->Hint();
    FCurrentFeed.File = FeedFileOf(entry);
    if (OnRefresh)
        OnRefresh();
    if (OnFeedInfo)
        OnFeedInfo();
}
