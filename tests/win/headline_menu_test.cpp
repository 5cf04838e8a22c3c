#include "app/headline_menu.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/feed_parser.h"
#include "app/feed_store.h"
#include "app/res/resource.h"
#include "gui/application.h"
#include "gui/forms.h"
#include "rtl/text.h"
#include "image_pixels.h"
#include "test_support.h"

namespace {

std::string Item(const std::string& title, const std::string& link)
{
    return "<item>\r\n<title>" + title + "</title>\r\n<link>" + link + "</link>\r\n<description>about " + title +
           "</description>\r\n</item>\r\n";
}

std::string Rss(const std::string& channelTitle, const std::string& items)
{
    return "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n<title>" + channelTitle +
           "</title>\r\n<link>http://channel.example/</link>\r\n<description>Die Nachrichten</description>\r\n" +
           items + "</channel>\r\n</rss>\r\n";
}

std::string Rdf(const std::string& items)
{
    return "<?xml version=\"1.0\"?>\r\n<rdf:RDF xmlns=\"http://purl.org/rss/1.0/\">\r\n<channel>\r\n"
           "<title>RDF Kanal</title>\r\n<link>http://rdf.example/</link>\r\n<description>d</description>\r\n"
           "<items>\r\n<rdf:Seq>\r\n<rdf:li resource=\"http://rdf.example/1\" />\r\n</rdf:Seq>\r\n</items>\r\n"
           "</channel>\r\n" +
           items + "</rdf:RDF>\r\n";
}

const char* const kFixed = "Jetzt Aktualisieren|Newsfeeds|Einstellungen ...|Über ...|Beenden";

class HeadlineMenuTest : public testing::Test {
protected:
    TApplication App;
    TScriptedUi Ui;
    std::unique_ptr<TForm> Form;
    TCheckBox* Cut = nullptr;
    TImageList* MenuIcons = nullptr;
    TImageList* FeedIcons = nullptr;
    TPopupMenu* Popup = nullptr;
    TCurrentFeed Current;
    std::unique_ptr<THeadlineMenu> Menu;
    feed::TBalloonNews Balloon;

    void SetUp() override
    {
        App.Initialize();
        Form.reset(new TForm(nullptr));
        Cut = new TCheckBox(Form.get(), Form.get(), "cut", 0, 0, 50, 17);
        MenuIcons = new TImageList(Form.get());
        FeedIcons = new TImageList(Form.get());
        Popup = new TPopupMenu(Form.get());
        for (COLORREF c : {RGB(200, 0, 0), RGB(0, 160, 0)}) {
            TIconHandle icon(SolidIcon(c));
            FeedIcons->AddIcon(icon.Get());
        }
        Current = {"gruen", "http://feed.example/", 1};
        Menu.reset(new THeadlineMenu(*Popup, *MenuIcons, *FeedIcons, Current, *Cut));
        Menu->LoadCommandImages();
        Menu->CreateFixedEntries();
    }
    void Rebuild(const std::string& document, int maxEntrys = 15, int maxChars = 80)
    {
        Menu->Rebuild(feed::Parse(document, maxEntrys, maxChars, Balloon));
    }
    TMenuItem* At(int i) const { return Popup->Items()->Items(i); }
    int Count() const { return Popup->Items()->Count(); }
    // The top level as stored, hidden separators included.
    std::string Stored() const
    {
        std::string s;
        for (int i = 0; i < Count(); ++i)
            s += (i ? "|" : "") + At(i)->Caption();
        return s;
    }
    // The top level as the platform menu shows it.
    std::string Shown() const
    {
        TNativeMenu native(*Popup);
        std::string s;
        for (int i = 0; i < GetMenuItemCount(native.Handle()); ++i) {
            const std::string text = MenuStringOf(native.Handle(), static_cast<UINT>(i));
            s += (i ? "|" : "") + (text.empty() ? std::string("-") : text);
        }
        return s;
    }
    std::string LastFive() const
    {
        std::string s;
        for (int i = Count() - 5; i < Count(); ++i)
            s += (i > Count() - 5 ? "|" : "") + At(i)->Caption();
        return s;
    }
};

TEST_F(HeadlineMenuTest, FixedEntriesWithTheirImagesTagsAndTheNewsfeedsImageList)
{
    EXPECT_EQ(MenuIcons->Count(), 7);
    EXPECT_EQ(Stored(), "Jetzt Aktualisieren|Newsfeeds|Einstellungen ...|Über ...|-|Beenden");
    const int images[] = {0, 5, 1, 2, -1, 3};
    const int tags[] = {1002, 10005, 1004, 1005, 0, 999};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(At(i)->ImageIndex(), images[i]) << i;
        EXPECT_EQ(At(i)->Tag(), tags[i]) << i;
    }
    EXPECT_EQ(Popup->Images(), MenuIcons);
    EXPECT_EQ(Menu->NewsfeedsEntry(), At(1));
    EXPECT_EQ(At(1)->SubMenuImages(), FeedIcons);
    EXPECT_FALSE(At(1)->OnClick);
    EXPECT_FALSE(At(4)->OnClick);
    // The pictures are the program's own, and differ from one another.
    EXPECT_NE(ImageColor(*MenuIcons, 3), kBackdrop);
    EXPECT_NE(ImageColor(*MenuIcons, 3), ImageColor(*MenuIcons, 2));
}

TEST_F(HeadlineMenuTest, Rss20DocumentPutsTheChannelASeparatorAndTheHeadlinesOnTop)
{
    Rebuild(Rss("News &amp; Views",
                Item("One", "http://a/1") + Item("Two", "http://a/2") + Item("Three", "http://a/3")));
    EXPECT_EQ(Stored(), std::string("News & Views|-|One|Two|Three|-|") + kFixed);
    EXPECT_EQ(At(0)->Tag(), 0);
    EXPECT_EQ(At(0)->Hint(), "http://channel.example/");
    EXPECT_EQ(At(0)->ImageIndex(), 7);
    EXPECT_EQ(At(1)->Tag(), 10007);
    EXPECT_EQ(At(2)->Tag(), 2);
    EXPECT_EQ(At(3)->Tag(), 3);
    EXPECT_EQ(At(4)->Tag(), 4);
    EXPECT_EQ(At(2)->Hint(), "http://a/1");
    EXPECT_EQ(At(2)->ImageIndex(), -1);
    EXPECT_EQ(At(5)->Tag(), 10006);
    EXPECT_EQ(LastFive(), kFixed);
    // Image 7 is the current feed's icon.
    ASSERT_EQ(MenuIcons->Count(), 8);
    EXPECT_EQ(ImageColor(*MenuIcons, 7), RGB(0, 160, 0));
}

TEST_F(HeadlineMenuTest, RdfDocumentHasTwoSeparatorsBeforeTheFirstHeadline)
{
    Rebuild(Rdf(Item("Erste", "http://r/1") + Item("Zweite", "http://r/2")));
    EXPECT_EQ(At(0)->Caption(), "RDF Kanal");
    EXPECT_TRUE(At(1)->IsLine());
    EXPECT_TRUE(At(2)->IsLine());
    EXPECT_EQ(At(3)->Caption(), "Erste");
    EXPECT_EQ(At(3)->Tag(), 3);
    EXPECT_EQ(At(4)->Caption(), "Zweite");
    EXPECT_EQ(LastFive(), kFixed);
    EXPECT_EQ(Shown(), std::string("RDF Kanal|-|Erste|Zweite|-|") + kFixed);
}

TEST_F(HeadlineMenuTest, EveryRebuildLaysOutTheMenuAsTheFirstAndNothingPilesUp)
{
    const std::string rss = Rss("Kanal", Item("One", "http://a/1") + Item("Two", "http://a/2"));
    const std::string rdf = Rdf(Item("Erste", "http://r/1") + Item("Zweite", "http://r/2"));
    Rebuild(rss);
    const std::string first = Stored();
    for (int i = 0; i < 5; ++i) {
        Rebuild(rdf);
        Rebuild(rss);
    }
    EXPECT_EQ(Stored(), first);
    EXPECT_EQ(MenuIcons->Count(), 8);
    Rebuild(rdf);
    EXPECT_EQ(At(3)->Caption(), "Erste");
    EXPECT_EQ(Shown(), std::string("RDF Kanal|-|Erste|Zweite|-|") + kFixed);
}

TEST_F(HeadlineMenuTest, WhatIsShownFollowsTheSeparatorRule)
{
    // No items: the channel, one separator, the five commands.
    Rebuild(Rss("Leer", ""));
    EXPECT_EQ(Shown(), std::string("Leer|-|") + kFixed);
    // Two neighbouring items of one title: the second leaves a gap that shows as a separator.
    Rebuild(Rss("Kanal", Item("Same", "http://a/1") + Item("Same", "http://a/2") + Item("Next", "http://a/3") +
                             Item("Last", "http://a/4")));
    EXPECT_EQ(Shown(), std::string("Kanal|-|Same|-|Next|Last|-|") + kFixed);
}

TEST_F(HeadlineMenuTest, CustomizeHeadlinesShowTheCheckListAndOpenLikeOthers)
{
    Rebuild(Rss("Kanal", Item("Customize this feed", "http://custom/") + Item("Other", "http://o/")));
    EXPECT_EQ(At(2)->Caption(), "Customize this feed");
    EXPECT_EQ(At(2)->ImageIndex(), 4);
    EXPECT_EQ(At(3)->ImageIndex(), -1);
    At(2)->Click();
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].File, "http://custom/");
    // Shortened below 19 characters, it no longer counts as that headline.
    Rebuild(Rss("Kanal", Item("Customize this feed", "http://custom/")), 15, 10);
    EXPECT_EQ(At(2)->Caption(), "Customize ...");
    EXPECT_EQ(At(2)->ImageIndex(), -1);
}

TEST_F(HeadlineMenuTest, TheChannelIsCutToTheLongestHeadlineWhenTheBoxIsChecked)
{
    const std::string doc = Rss("Achtzehn Zeichen!!", Item("Zehn Zeich", "http://a/") + Item("kurz", "http://b/"));
    Rebuild(doc);
    EXPECT_EQ(At(0)->Caption(), "Achtzehn Zeichen!!");
    Cut->SetChecked(true);
    Rebuild(doc);
    EXPECT_EQ(At(0)->Caption(), "Achtzeh...");
    Rebuild(Rss("Achtzehn Zeichen!!", ""));
    EXPECT_EQ(At(0)->Caption(), "...");
    // Not longer than the longest: unchanged.
    Rebuild(Rss("Kurz", Item("Zehn Zeich", "http://a/")));
    EXPECT_EQ(At(0)->Caption(), "Kurz");
}

TEST_F(HeadlineMenuTest, OnlyWebLinksAreOpenedAndTheHintIsTheCleanedLink)
{
    struct {
        const char* link;
        const char* opened; // nullptr: not opened
    } cases[] = {
        {"http://example.com/a", "http://example.com/a"},
        {"\r\n   https://example.com/b  \r\n", "https://example.com/b"},
        {"HTTP://EXAMPLE.COM/C", "HTTP://EXAMPLE.COM/C"},
        {"HtTpS://x/", "HtTpS://x/"},
        {"file:///C:/Windows/system32/calc.exe", nullptr},
        {"C:\\Windows\\notepad.exe", nullptr},
        {"\\\\server\\share\\run.exe", nullptr},
        {"calc", nullptr},
        {"javascript:alert(1)", nullptr},
        {"data:text/html,<script>alert(1)</script>", nullptr},
        {"mailto:a@b.c", nullptr},
        {"http:/one-slash", nullptr},
        {" ftp://x/", nullptr},
        {"", nullptr},
    };
    std::string items;
    for (const auto& c : cases)
        items += Item("T" + std::to_string(&c - cases), c.link);
    Rebuild(Rss("Kanal", items), 100);
    for (const auto& c : cases) {
        int i = 2 + static_cast<int>(&c - cases);
        ASSERT_EQ(At(i)->Hint(), rtl::Trim(c.link)); // the parser cleans links
        Ui.ShellCalls.clear();
        At(i)->Click();
        if (c.opened) {
            ASSERT_EQ(Ui.ShellCalls.size(), 1u) << c.link;
            EXPECT_EQ(Ui.ShellCalls[0].Verb, "open");
            EXPECT_EQ(Ui.ShellCalls[0].File, c.opened);
            EXPECT_EQ(Ui.ShellCalls[0].Parameters, "");
            EXPECT_EQ(Ui.ShellCalls[0].Directory, "");
            EXPECT_EQ(Ui.ShellCalls[0].Show, SW_SHOWNORMAL);
        } else {
            EXPECT_TRUE(Ui.ShellCalls.empty()) << c.link;
        }
    }
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(HeadlineMenuTest, TheChannelEntryOpensTheChannelLink)
{
    Rebuild(Rss("Kanal", ""));
    At(0)->Click();
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].File, "http://channel.example/");
    // Without a channel link nothing happens.
    Rebuild("<rss><channel><title>Ohne</title></channel></rss>");
    Ui.ShellCalls.clear();
    At(0)->Click();
    EXPECT_TRUE(Ui.ShellCalls.empty());
}

TEST_F(HeadlineMenuTest, TheCommandsRunByTheirTags)
{
    std::string log;
    Menu->OnExit = [&] { log += "exit "; };
    Menu->OnRefresh = [&] { log += "refresh "; };
    Menu->OnShowSettings = [&] { log += "settings "; };
    Menu->OnAbout = [&] { log += "about "; };
    for (int i = 0; i < Count(); ++i)
        At(i)->Click();
    EXPECT_EQ(log, "refresh settings about exit ");
    EXPECT_TRUE(Ui.ShellCalls.empty());
    // An entry of the feed range that is no headline does nothing here.
    TMenuItem other;
    other.SetTag(150);
    other.SetHint("http://x/");
    Menu->MenuItemClick(&other);
    EXPECT_TRUE(Ui.ShellCalls.empty());
    EXPECT_EQ(log, "refresh settings about exit ");
}

TEST_F(HeadlineMenuTest, HeadlinesFromOccurrence99OnOpenTheirLinksAndGoWithTheNextRebuild)
{
    std::string items;
    for (int i = 1; i <= 100; ++i)
        items += Item("H" + std::to_string(i), "http://h/" + std::to_string(i));
    Rebuild(Rss("Viele", items), 100);
    TMenuItem* h99 = At(1 + 99);
    TMenuItem* h100 = At(1 + 100);
    EXPECT_EQ(h99->Caption(), "H99");
    EXPECT_EQ(h99->Tag(), 100);
    EXPECT_EQ(h100->Tag(), 101);
    EXPECT_TRUE(IsHeadlineEntry(h100));
    h100->Click();
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].File, "http://h/100");

    Rebuild(Rss("Wenige", Item("Nur", "http://n/")));
    EXPECT_EQ(Shown(), std::string("Wenige|-|Nur|-|") + kFixed);
    EXPECT_EQ(Count(), 9);
}

TEST_F(HeadlineMenuTest, AHeadlinePastTheEndGoesJustAboveTheCommands)
{
    feed::TParseResult r;
    r.Channel.Caption = "Kanal";
    r.Headlines.push_back({1, "first", "http://1/", false});
    r.Headlines.push_back({5, "fifth", "http://5/", false});      // would land among the commands
    r.Headlines.push_back({40, "fortieth", "http://40/", false}); // past the end
    Menu->Rebuild(r);
    EXPECT_EQ(LastFive(), kFixed);
    EXPECT_EQ(Shown(), std::string("Kanal|-|first|-|fifth|fortieth|-|") + kFixed);
    EXPECT_EQ(At(Count() - 6)->Caption(), "-");
}

// The open menu as the user sees it, kept as a test artefact: headlines with the feed's icon on
// the channel entry, the command pictures, and the "Newsfeeds" submenu opened on its feeds.
RECT g_shot = {};
std::vector<WPARAM> g_keys;
HWND g_owner = nullptr;

BOOL CALLBACK UniteMenuWindows(HWND w, LPARAM)
{
    RECT r;
    if (ClassNameOf(w) == "#32768" && IsWindowVisible(w) && GetWindowRect(w, &r))
        UnionRect(&g_shot, &g_shot, &r);
    return TRUE;
}

void CALLBACK PressKeys(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    for (WPARAM k : g_keys)
        PostMessageW(g_owner, WM_KEYDOWN, k, 1);
}

TEST(HeadlineMenuScreenshot, TheOpenMenuWithHeadlinesImagesAndTheNewsfeedsSubmenu)
{
    TApplication app;
    app.Initialize();
    TScriptedUi ui;
    TTempFolder folder("qv_menushot");
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* memo = new TMemo(form.get(), form.get(), 0, 0, 100, 100, TMemo::ssBoth, false);
    auto* cut = new TCheckBox(form.get(), form.get(), "cut", 0, 0, 50, 17);
    auto* theIcon = new TImage(form.get(), form.get(), 0, 0, 16, 16);
    auto* folderIco = new TImage(form.get(), form.get(), 0, 0, 16, 16);
    auto resourceIcon = [](int id) {
        return static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
    };
    theIcon->SetIcon(TIconHandle(resourceIcon(IDI_THEICON)));
    folderIco->SetIcon(TIconHandle(resourceIcon(IDI_FOLDERICO)));
    auto* menuIcons = new TImageList(form.get());
    auto* feedIcons = new TImageList(form.get());
    auto* popup = new TPopupMenu(form.get());
    TAppPaths paths;
    paths.FeedFolder = folder / "Newsfeeds\\";
    rtl::CreateDir(paths.FeedFolder);
    rtl::CreateDir((paths.FeedFolder + "Technik"));
    for (const char* f : {"tagesschau", "Spiegel", "Technik\\heise", "Technik\\golem"})
        WriteTextFile(paths.FeedFolder + f + ".nfd", "http://example.com/rss\r\n");
    TIconHandle star(resourceIcon(IDI_MENU_CUSTOMIZE));
    TCurrentFeed current{"tagesschau", "", 0};
    TFeedStore store(*feedIcons, *memo, *theIcon, *folderIco, current, paths);
    THeadlineMenu menu(*popup, *menuIcons, *feedIcons, current, *cut);
    menu.LoadCommandImages();
    menu.CreateFixedEntries();
    store.SetFeedsEntry(menu.NewsfeedsEntry());
    store.Rebuild();
    store.FindFeedByName("tagesschau", menu.NewsfeedsEntry());
    feed::TBalloonNews balloon;
    menu.Rebuild(feed::Parse(Rss("tagesschau.de - Die Nachrichten der ARD",
                                 Item("Bundestag beschlie&szlig;t Haushalt f&uuml;r 2027", "http://a/1") +
                                     Item("Wetter: Sturm an der K&uuml;ste erwartet", "http://a/2") +
                                     Item("Customize this feed", "http://a/3") +
                                     Item("Fu&szlig;ball: Pokal-Auslosung & Termine", "http://a/4")),
                             15, 80, balloon));

    // Channel, 4 headlines, "Jetzt Aktualisieren", then "Newsfeeds": 7 steps down, right opens it.
    g_owner = popup->WindowHandle();
    SetForegroundWindow(g_owner);
    g_keys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT};
    MovePointerAway();
    SetTimer(nullptr, 0, 300, PressKeys);
    SetTimer(nullptr, 0, 1200, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        g_shot = {};
        EnumWindows(UniteMenuWindows, 0);
        InflateRect(&g_shot, 8, 8);
        SaveScreenRect(g_shot, "tray_menu_open");
        g_keys = {VK_ESCAPE, VK_ESCAPE, VK_ESCAPE};
        PressKeys(nullptr, 0, 0, 0);
    });
    popup->Popup(200, 120);
    // Both levels were open: the picture spans the top level and the submenu beside it.
    EXPECT_GT(g_shot.right - g_shot.left, 300);
    EXPECT_TRUE(ui.ShellCalls.empty());
}

} // namespace
