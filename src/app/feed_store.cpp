#include "app/feed_store.h"

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

} // namespace

TIconHandle LoadFeedIcon(const std::string& iconFile)
{
    TIconHandle icon(LoadIconFile(iconFile, 16, 16));
    if (!icon)
        throw icons::EInvalidGraphic("Ungültige Icon-Datei: " + iconFile);
    return icon;
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

void TFeedStore::AddIconFile(const std::string& iconFile, TImage& fallback)
{
    // Looked up by name, so an icon file is used even when hidden. A damaged one must not end
    // the build: its entry gets the built-in picture.
    int index = -1;
    if (rtl::FileExists(iconFile)) {
        try {
            const TIconHandle icon = LoadFeedIcon(iconFile);
            index = FFeedIconList.AddIcon(icon.Get());
        } catch (const icons::EInvalidGraphic&) {
        }
        if (index < 0)
            FDamagedIcons.push_back(iconFile);
    }
    if (index < 0)
        index = FFeedIconList.AddIcon(fallback.Icon());
    // Entry n must find its picture at n - 1: a refused icon would shift every later one.
    if (index < 0)
        throw Exception("Das Icon kann nicht in die Liste aufgenommen werden: " + iconFile);
}

void TFeedStore::BuildFeedMenu(const std::string& folderPath, TMenuItem* parent)
{
    const std::string folder = rtl::IncludeTrailingBackslash(folderPath);
    ForEachEntry(folder, [&](const rtl::TFileEntry& fd) {
        // The listing asks for normal files and folders only: hidden and system entries make none.
        if (fd.Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            return true;
        const std::string& name = fd.Name;
        if (fd.IsDirectory() && name[0] != '.') {
            const int n = ++FFeedCounter;
            AddIconFile(folder + name + ".ico", FFolderIco);
            auto* entry = new TMenuItem();
            entry->SetCaption(name);
            entry->SetImageIndex(n - 1);
            entry->SetTag(FeedEntryTag(n));
            InsertOrdered(*parent, entry, kFolderKeyLength);
            BuildFeedMenu(folder + name, entry);
        }
        // Not "else": the name alone decides whether an entry is a feed file.
        if (IsFeedFileName(name)) {
            const int n = ++FFeedCounter;
            // Editors save with a byte-order mark, in UTF-8 or in the ANSI code page: read as documents are.
            TStringList file;
            file.SetText(DocumentToUtf8(ReadFileBytes(folder + name)));
            FMemo.SetLines(file);
            TStringList lines = FMemo.Lines();
            std::string url;
            if (lines.Count() > 0)
                url = lines.Strings(0).substr(0, rtl::CharacterPrefix(lines.Strings(0), kMaxUrlLength));
            AddIconFile(folder + name.substr(0, name.size() - 3) + "ico", FTheIcon);
            auto* entry = new TFeedEntry();
            entry->File = folder + name;
            entry->SetCaption(name.substr(0, name.size() - 4));
            entry->SetImageIndex(n - 1);
            entry->SetTag(FeedEntryTag(n));
            entry->SetHint(url);
            entry->OnClick = [this](TObject* sender) { SelectFeed(static_cast<TMenuItem*>(sender)); };
            InsertOrdered(*parent, entry, kFeedKeyLength);
        }
        return true;
    });
}

void TFeedStore::Rebuild()
{
    if (!FFeedsEntry)
        return;
    FFeedsEntry->Clear();
    FFeedCounter = 0;
    FFeedIconList.Clear();
    FDamagedIcons.clear();
    BuildFeedMenu(FPaths.FeedFolder, FFeedsEntry);
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
