#include "app/feed_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/icons/bitmap.h"
#include "gui/application.h"
#include "gui/forms.h"
#include "gui/menus.h"
#include "rtl/exceptions.h"
#include "image_pixels.h"
#include "test_support.h"

namespace {

const COLORREF kOrange = RGB(246, 130, 20), kYellow = RGB(250, 210, 70), kRed = RGB(200, 0, 0),
               kBlue = RGB(0, 0, 200), kGreen = RGB(0, 160, 0);

std::string Captions(const TMenuItem& level)
{
    std::string s;
    for (int i = 0; i < level.Count(); ++i)
        s += (i ? " " : "") + level.Items(i)->Caption();
    return s;
}

TMenuItem* Find(TMenuItem& level, const std::string& caption)
{
    for (int i = 0; i < level.Count(); ++i)
        if (level.Items(i)->Caption() == caption)
            return level.Items(i);
    return nullptr;
}

class FeedStoreTest : public testing::Test {
protected:
    TApplication App;
    TTempFolder Folder{"qv_feedstore"};
    std::unique_ptr<TForm> Form;
    TMemo* Memo = nullptr;
    TImage* TheIcon = nullptr;
    TImage* FolderIco = nullptr;
    TImageList* Icons = nullptr;
    TCurrentFeed Current;
    TAppPaths Paths;
    TMenuItem Feeds;
    std::unique_ptr<TFeedStore> Store;

    void SetUp() override
    {
        App.Initialize();
        Form.reset(new TForm(nullptr));
        Memo = new TMemo(Form.get(), Form.get(), 0, 0, 200, 100, TMemo::ssBoth, false);
        TheIcon = new TImage(Form.get(), Form.get(), 0, 0, 16, 16);
        TheIcon->SetIcon(TIconHandle(SolidIcon(kOrange)));
        FolderIco = new TImage(Form.get(), Form.get(), 0, 0, 16, 16);
        FolderIco->SetIcon(TIconHandle(SolidIcon(kYellow)));
        Icons = new TImageList(Form.get());
        Paths.FeedFolder = Folder / "Newsfeeds\\";
        rtl::CreateDir(Paths.FeedFolder);
        Store.reset(new TFeedStore(*Icons, *Memo, *TheIcon, *FolderIco, Current, Paths));
        Store->SetFeedsEntry(&Feeds);
    }
    std::string Feed(const std::string& relative) const { return Paths.FeedFolder + relative; }
    void Dir(const std::string& relative) const { rtl::CreateDir(Feed(relative)); }
    void File(const std::string& relative, const std::string& text) const { WriteTextFile(Feed(relative), text); }
    void Icon(const std::string& relative, COLORREF rgb) const { File(relative, SolidIco(rgb)); }
    // The colour of the entry's picture in the feed icon list.
    COLORREF EntryColor(const TMenuItem* entry) const { return ImageColor(*Icons, entry->ImageIndex()); }
};

TEST_F(FeedStoreTest, SubmenuOrderFollowsTheShortKeysWithLaterEntriesFirst)
{
    Dir("one");
    Dir("two");
    for (const char* n : {"b", "a", "ab"})
        File(std::string("one\\") + n + ".nfd", "http://x/\r\n");
    for (const char* n : {"Alpha", "Apple", "Beta"})
        File(std::string("two\\") + n + ".nfd", "http://x/\r\n");

    // Wine lists a folder sorted by name; both results hold for the other listing orders that
    // the examples name as well (b a ab gives ab a b too).
    ASSERT_EQ(Listing(Feed("one\\")), "a.nfd ab.nfd b.nfd");
    ASSERT_EQ(Listing(Feed("two\\")), "Alpha.nfd Apple.nfd Beta.nfd");
    TMenuItem one, two;
    Store->BuildFeedMenu(Feed("one"), &one);
    Store->BuildFeedMenu(Feed("two\\"), &two);
    EXPECT_EQ(Captions(one), "ab a b");
    EXPECT_EQ(Captions(two), "Apple Alpha Beta");
}

TEST_F(FeedStoreTest, EntriesCarryCounterTagsImagesUrlsAndTheirIcons)
{
    Dir("News");
    Icon("News.ico", kRed);        // beside the sub-folder: its icon
    Icon("News\\News.ico", kBlue); // inside it: not its icon (and no feed's)
    File("News\\inner.nfd", "http://inner.example/rss\r\nsecond line\r\n");
    File("zeit.nfd", "http://zeit.example/\r\n");
    Icon("zeit.ico", kGreen);
    File("plain.nfd", "http://plain.example/\r\n");
    Dir("Other");

    Store->Rebuild();
    EXPECT_EQ(Captions(Feeds), "News Other plain zeit");
    EXPECT_EQ(Store->FeedCounter(), 5);
    ASSERT_EQ(Icons->Count(), 5);

    TMenuItem* news = Find(Feeds, "News");
    TMenuItem* inner = Find(*news, "inner");
    TMenuItem* zeit = Find(Feeds, "zeit");
    TMenuItem* plain = Find(Feeds, "plain");
    TMenuItem* other = Find(Feeds, "Other");
    ASSERT_TRUE(news && inner && zeit && plain && other);
    std::vector<long long> tags;
    for (TMenuItem* e : {news, inner, zeit, plain, other}) {
        EXPECT_EQ(e->ImageIndex(), e->Tag() - 101) << e->Caption();
        tags.push_back(e->Tag());
    }
    std::sort(tags.begin(), tags.end());
    EXPECT_EQ(tags, (std::vector<long long>{101, 102, 103, 104, 105}));
    // A folder's contents are counted right after the folder itself.
    EXPECT_EQ(inner->Tag(), news->Tag() + 1);

    EXPECT_EQ(EntryColor(news), kRed);
    EXPECT_EQ(EntryColor(inner), kOrange);
    EXPECT_EQ(EntryColor(zeit), kGreen);
    EXPECT_EQ(EntryColor(plain), kOrange);
    EXPECT_EQ(EntryColor(other), kYellow);

    EXPECT_EQ(inner->Hint(), "http://inner.example/rss");
    EXPECT_EQ(zeit->Hint(), "http://zeit.example/");
    EXPECT_EQ(news->Hint(), "");
    EXPECT_FALSE(news->OnClick);
    EXPECT_TRUE(zeit->OnClick);
    EXPECT_TRUE(IsFeedEntry(zeit));
    EXPECT_FALSE(IsFeedEntry(news));
    // The feed files are read through the text page: it shows the last one read.
    ASSERT_EQ(Listing(Paths.FeedFolder), "News News.ico Other plain.nfd zeit.ico zeit.nfd");
    EXPECT_EQ(Memo->Text(), "http://zeit.example/");
}

TEST_F(FeedStoreTest, OnlyExactNfdNamesNotBeginningWithADotAreFeeds)
{
    File("x.NFD", "http://upper/\r\n");
    File(".hidden.nfd", "http://dot/\r\n");
    File("notes.nfd.bak", "http://bak/\r\n");
    File("readme.txt", "text\r\n");
    File("nfd", "http://bare/\r\n");
    File(".nfd", "http://empty-name/\r\n");
    Dir(".cache");
    File(".cache\\inside.nfd", "http://cache/\r\n");
    File("real.nfd", "http://real/\r\n");
    Store->Rebuild();
    EXPECT_EQ(Captions(Feeds), "real");
    EXPECT_EQ(Icons->Count(), 1);
}

TEST_F(FeedStoreTest, HiddenAndSystemEntriesMakeNoEntriesButHiddenIconsAreUsed)
{
    File("secret.nfd", "http://secret/\r\n");
    File("system.nfd", "http://system/\r\n");
    Dir("Hidden");
    File("Hidden\\deep.nfd", "http://deep/\r\n");
    File("shown.nfd", "http://shown/\r\n");
    Icon("shown.ico", kGreen);
    SetFileAttributesW(rtl::Utf8ToWide(Feed("secret.nfd")).c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(rtl::Utf8ToWide(Feed("system.nfd")).c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW(rtl::Utf8ToWide(Feed("Hidden")).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    SetFileAttributesW(rtl::Utf8ToWide(Feed("shown.ico")).c_str(), FILE_ATTRIBUTE_HIDDEN);
    if (!(GetFileAttributesW(rtl::Utf8ToWide(Feed("secret.nfd")).c_str()) & FILE_ATTRIBUTE_HIDDEN))
        GTEST_SKIP() << "this file system keeps no hidden attribute";
    Store->Rebuild();
    EXPECT_EQ(Captions(Feeds), "shown");
    EXPECT_EQ(EntryColor(Find(Feeds, "shown")), kGreen);
}

TEST_F(FeedStoreTest, AnEmptyFeedFileGivesAnEntryWithAnEmptyUrlThatStillSelects)
{
    File("leer.nfd", "");
    Store->Rebuild();
    TMenuItem* e = Find(Feeds, "leer");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Hint(), "");

    std::string log;
    Store->OnRefresh = [&] { log += "refresh:" + Current.URL + "|"; };
    Store->OnFeedInfo = [&] { log += "info:" + Current.Name; };
    Current = {"vorher", "http://vorher/", 3};
    e->Click();
    EXPECT_EQ(log, "refresh:|info:leer");
    EXPECT_EQ(Current.Name, "leer");
    EXPECT_EQ(Current.URL, "");
    EXPECT_EQ(Current.IconIndex, 0);
}

TEST_F(FeedStoreTest, OnlyTheFirstLineUpTo4096CharactersIsTheUrl)
{
    File("lang.nfd", "http://x/" + std::string(5000, 'a') + "\r\nhttp://second/\r\n");
    File("lf.nfd", "http://lf/\nhttp://second/\n");
    Store->Rebuild();
    EXPECT_EQ(Find(Feeds, "lang")->Hint(), "http://x/" + std::string(4096 - 9, 'a'));
    EXPECT_EQ(Find(Feeds, "lf")->Hint(), "http://lf/");
}

// The 8-bit program's feed files are in the ANSI code page (Windows-1252 here); editors save
// with a byte-order mark or in UTF-8. The address comes out as text in each case.
TEST_F(FeedStoreTest, FeedFilesSavedByEditorsWithAByteOrderMarkGiveTheirUrl)
{
    File("bom.nfd", "\xEF\xBB\xBFhttp://bom.example/\xD0\x9D\r\n");
    File("wide.nfd", std::string("\xFF\xFEh\0:\0/\0/\0w\0\r\0\n\0", 18));
    File("ansi.nfd", "http://k\xF6ln.example/\r\n");
    Store->Rebuild();
    EXPECT_EQ(Find(Feeds, "bom")->Hint(), "http://bom.example/Н");
    EXPECT_EQ(Find(Feeds, "wide")->Hint(), "h://w");
    EXPECT_EQ(Find(Feeds, "ansi")->Hint(), "http://köln.example/");
}

TEST_F(FeedStoreTest, AMissingFeedFolderGivesAnEmptySubmenu)
{
    Paths.FeedFolder = Folder / "nowhere\\";
    EXPECT_NO_THROW(Store->Rebuild());
    EXPECT_EQ(Feeds.Count(), 0);
    EXPECT_EQ(Store->FeedCounter(), 0);
}

TEST_F(FeedStoreTest, AnUnreadableIconGivesTheDefaultPictureAndTheBuildGoesOn)
{
    File("a.nfd", "http://a/\r\n");
    File("b.nfd", "http://b/\r\n");
    File("b.ico", "this is no icon");
    File("c.nfd", "http://c/\r\n");
    ASSERT_NO_THROW(Store->Rebuild());
    EXPECT_EQ(Captions(Feeds), "a b c");
    EXPECT_EQ(Icons->Count(), 3);
    EXPECT_EQ(EntryColor(Find(Feeds, "b")), kOrange);
    EXPECT_EQ(Store->DamagedIcons(), std::vector<std::string>{Feed("b.ico")});
    // Mended, it is no longer named.
    Icon("b.ico", kRed);
    Store->Rebuild();
    EXPECT_EQ(EntryColor(Find(Feeds, "b")), kRed);
    EXPECT_TRUE(Store->DamagedIcons().empty());
}

TEST_F(FeedStoreTest, AnUnreadableFeedFileEndsTheBuildWithAnError)
{
    Dir("Ordner");
    File("Ordner\\a.nfd", "http://a/\r\n");
    File("Ordner\\b.nfd", "http://b/\r\n");
    File("z.nfd", "http://z/\r\n");
    HANDLE lock = CreateFileW(rtl::Utf8ToWide(Feed("Ordner\\b.nfd")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_THROW(Store->Rebuild(), EInOutError);
    CloseHandle(lock);
    // The error crosses the folder levels: nothing after b.nfd is made, at any level.
    EXPECT_EQ(Captions(Feeds), "Ordner");
    EXPECT_EQ(Captions(*Find(Feeds, "Ordner")), "a");
}

// Made with the "\\?\" form, as another program may make them; the store leaves them out.
TEST_F(FeedStoreTest, PathsTooLongForThePlatformAndFoldersNamedLikeFeedsMakeNoFeedEntries)
{
    const std::string longName(std::max<int>(1, MAX_PATH - static_cast<int>(Feed("").size()) - 8), 'x');
    const std::wstring prefix = L"\\\\?\\" + rtl::Utf8ToWide(Feed(""));
    ASSERT_TRUE(CreateDirectoryW((prefix + rtl::Utf8ToWide(longName)).c_str(), nullptr)); // its path fits
    ASSERT_TRUE(CreateDirectoryW((prefix + rtl::Utf8ToWide(longName + "\\zu lang")).c_str(), nullptr));
    HANDLE h = CreateFileW((prefix + rtl::Utf8ToWide(longName + "\\lang.nfd")).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    File("kurz.nfd", "http://kurz/\r\n");
    Dir("X.nfd");
    File("X.nfd\\innen.nfd", "http://innen/\r\n");
    ASSERT_NO_THROW(Store->Rebuild());
    EXPECT_EQ(Captions(Feeds), "kurz X.nfd " + longName);
    EXPECT_EQ(Find(Feeds, longName)->Count(), 0);
    EXPECT_FALSE(IsFeedEntry(Find(Feeds, "X.nfd")));
    EXPECT_EQ(Captions(*Find(Feeds, "X.nfd")), "innen");
    std::vector<std::string> tooLong = Store->TooLongPaths();
    std::sort(tooLong.begin(), tooLong.end());
    EXPECT_EQ(tooLong, (std::vector<std::string>{Feed(longName + "\\lang.nfd"), Feed(longName + "\\zu lang")}));
    EXPECT_EQ(Icons->Count(), Store->FeedCounter());
    // The temporary folder's clean-up uses the ordinary form: the long names go first.
    RemoveDirectoryW((prefix + rtl::Utf8ToWide(longName + "\\zu lang")).c_str());
    DeleteFileW((prefix + rtl::Utf8ToWide(longName + "\\lang.nfd")).c_str());
}

TEST_F(FeedStoreTest, TheFullRebuildStartsTheCounterAndTheIconListAgain)
{
    File("a.nfd", "http://a/\r\n");
    Store->Rebuild();
    File("b.nfd", "http://b/\r\n");
    Store->Rebuild();
    EXPECT_EQ(Captions(Feeds), "a b");
    EXPECT_EQ(Store->FeedCounter(), 2);
    EXPECT_EQ(Icons->Count(), 2);
    EXPECT_EQ(Find(Feeds, "b")->Tag(), 102);
}

TEST_F(FeedStoreTest, FindFeedByNameDescendsIntoFoldersAndTheLastOneSearchedWins)
{
    Dir("Alt");
    File("Alt\\moved.nfd", "http://moved/\r\n");
    Dir("Eins");
    File("Eins\\twin.nfd", "http://one/\r\n");
    Dir("Zwei");
    File("Zwei\\twin.nfd", "http://two/\r\n");
    File("top.nfd", "http://top/\r\n");
    Store->Rebuild();

    Current = {"moved", "", 0};
    Store->FindFeedByName("moved", &Feeds);
    EXPECT_EQ(Current.URL, "http://moved/");
    EXPECT_EQ(Current.IconIndex, Find(*Find(Feeds, "Alt"), "moved")->Tag() - 101);

    Store->FindFeedByName("twin", &Feeds);
    EXPECT_EQ(Current.URL, "http://two/");
    EXPECT_EQ(Current.IconIndex, Find(*Find(Feeds, "Zwei"), "twin")->Tag() - 101);

    // Letter case counts; nothing found leaves the values alone.
    Store->FindFeedByName("TOP", &Feeds);
    EXPECT_EQ(Current.URL, "http://two/");
    Store->FindFeedByName("top", &Feeds);
    EXPECT_EQ(Current.URL, "http://top/");
}

TEST_F(FeedStoreTest, AFolderBearingTheFeedsNameIsNotTakenForTheFeed)
{
    Dir("heise");
    File("heise\\heise.nfd", "http://heise/\r\n");
    Store->Rebuild();
    Store->FindFeedByName("heise", &Feeds);
    EXPECT_EQ(Current.URL, "http://heise/");
    EXPECT_EQ(Current.IconIndex, Find(*Find(Feeds, "heise"), "heise")->Tag() - 101);
}

TEST(FindFeedFile, ADirectMatchWinsOverEarlierSubFoldersAndEndsTheSearch)
{
    TTempFolder f("qv_findfeedfile");
    auto dir = [&](const std::string& r) { rtl::CreateDir((f / r)); };
    dir("a");
    dir("z");
    WriteTextFile(f / "a\\x.nfd", "");
    WriteTextFile(f / "x.nfd", "");
    WriteTextFile(f / "z\\x.nfd", "");
    ASSERT_EQ(Listing(f.Path()), "a x.nfd z");
    EXPECT_EQ(FindFeedFile(f.Path(), "x.nfd"), f / "x.nfd");
    // Without a trailing backslash as well.
    std::string noSlash = f.Path().substr(0, f.Path().size() - 1);
    EXPECT_EQ(FindFeedFile(noSlash, "x.nfd"), f / "x.nfd");
}

TEST(FindFeedFile, AmongSubFoldersTheLastOneSearchedWinsAndHiddenFilesCount)
{
    TTempFolder f("qv_findfeedfile2");
    rtl::CreateDir((f / "a"));
    rtl::CreateDir((f / "b"));
    rtl::CreateDir((f / "b\\c"));
    WriteTextFile(f / "a\\y.ico", "");
    WriteTextFile(f / "b\\c\\y.ico", "");
    WriteTextFile(f / "a\\Y.nfd", "");
    SetFileAttributesW(rtl::Utf8ToWide((f / "b\\c\\y.ico")).c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(FindFeedFile(f.Path(), "y.ico"), f / "b\\c\\y.ico");
    EXPECT_EQ(FindFeedFile(f.Path(), "y.nfd"), ""); // letter case counts
    EXPECT_EQ(FindFeedFile(f / "missing", "y.ico"), "");
}

} // namespace
