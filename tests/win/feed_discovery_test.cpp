// A feed whose address is a web site: the page's <link rel="alternate"> names the feed, whose
// address the feed file takes and whose headlines appear at once.
#include <gtest/gtest.h>

#include "refresh_fixture.h"
#include "rtl/string_list.h"
#include "rtl/wide.h"

namespace {

// The feed picker answered as the user answers it: once it is up, the keys are pressed on its
// list; what it showed is kept for the test. A picker still up long after is closed, so that a
// key that went astray fails the test instead of hanging it.
struct TPickerAnswer {
    std::vector<WORD> Keys;
    int DoubleClickLine = -1; // a line double-clicked instead
    bool Shown = false;
    std::string Caption;
    std::vector<std::string> Lines;
    int Selected = -1;
    unsigned long long GiveUpAt = 0;
};
TPickerAnswer* g_picker = nullptr;

VOID CALLBACK AnswerPicker(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dlg = FindWindowOf("TListQueryForm");
    if (!g_picker || !dlg || !IsWindowVisible(dlg))
        return;
    if (g_picker->Shown) {
        if (GetTickCount64() > g_picker->GiveUpAt)
            PostMessageW(dlg, WM_CLOSE, 0, 0);
        return;
    }
    g_picker->Shown = true;
    g_picker->GiveUpAt = GetTickCount64() + 10000;
    g_picker->Caption = WindowTextOf(dlg);
    HWND list = FindWindowOf("ListBox", "", dlg);
    for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
        std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        line.resize(
            static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]))));
        g_picker->Lines.push_back(rtl::WideToUtf8(line));
    }
    g_picker->Selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    for (WORD key : g_picker->Keys)
        PressKey(list, key);
    RECT line = {};
    if (g_picker->DoubleClickLine >= 0 &&
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(g_picker->DoubleClickLine),
                     reinterpret_cast<LPARAM>(&line)) != LB_ERR)
        for (int click = 0; click < 2; ++click)
            MouseClick(list, {line.left + 20, (line.top + line.bottom) / 2});
}

// Watches for the picker while it lives.
class TPickerWatch {
public:
    explicit TPickerWatch(TPickerAnswer& answer) : FTimer(SetTimer(nullptr, 0, 50, AnswerPicker))
    {
        g_picker = &answer;
    }
    ~TPickerWatch()
    {
        KillTimer(nullptr, FTimer);
        g_picker = nullptr;
    }
    TPickerWatch(const TPickerWatch&) = delete;
    TPickerWatch& operator=(const TPickerWatch&) = delete;

private:
    UINT_PTR FTimer;
};

class FeedDiscoveryTest : public RefreshCycleTest {
protected:
    std::string PageName;

    void SetUp() override
    {
        RefreshCycleTest::SetUp();
        PageName = "page_" + TestTag() + ".html";
    }
    void TearDown() override
    {
        RefreshCycleTest::TearDown();
        rtl::DeleteFile(Server().DocsFolder + PageName);
        rtl::DeleteFile(Server().DocsFolder + SecondName());
    }
    // Serves the page and the feed, and starts the program with the page as the feed's address.
    void StartAtPage(const std::string& head)
    {
        WriteTextFile(Server().DocsFolder + PageName, "<!DOCTYPE html>\n<html><head><title>Seite</title>" + head +
                                                          "</head><body>Hallo</body></html>");
        Serve(Rss({"Erste Meldung", "Zweite Meldung"}));
        Start(Url("/docs/" + PageName));
    }
    std::string FeedFile(const std::string& name = "Test")
    {
        return ReadFileBytes(Folder / ("Newsfeeds\\" + name + ".nfd"));
    }
    // A click as the button takes it from the mouse or the space bar.
    static void ClickButton(TWinControl* button) { SendMessageW(button->Handle(), BM_CLICK, 0, 0); }
    std::string PageUrl() { return Url("/docs/" + PageName); }
    std::string FirstFeed() { return Url("/docs/" + DocName); }
    std::string SecondFeed() { return Url("/docs/" + SecondName()); }
    std::string SecondName() { return "second_" + DocName; }
    // A page naming two feeds, the first with a title, each with headlines of its own.
    void ServeTwoFeedPage()
    {
        WriteTextFile(
            Server().DocsFolder + PageName,
            "<html><head><link rel=\"alternate\" type=\"application/rss+xml\" title=\"Alle Meldungen\" href=\"" +
                DocName + "\"><link rel=\"alternate\" type=\"application/atom+xml\" href=\"" + SecondFeed() +
                "\"></head><body></body></html>");
        Serve(Rss({"Erste Meldung"}));
        WriteTextFile(Server().DocsFolder + SecondName(), Rss({"Andere Meldung"}));
    }
};

TEST_F(FeedDiscoveryTest, ThePagesFirstFeedLinkBecomesTheFeedsAddress)
{
    struct {
        const char* name;
        std::string head; // DOC stands for the feed's file name
    } cases[] = {
        {"relative", R"(<link rel="alternate" type="application/rss+xml" title="RSS" href="DOC">)"},
        {"absolute, before a second one",
         R"(<link rel="alternate" type="application/rss+xml" href="ABS"><link rel="alternate" type="application/atom+xml" href="other.xml">)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string head = c.head;
        for (const auto& [from, to] : {std::make_pair(std::string("DOC"), DocName),
                                       std::make_pair(std::string("ABS"), Url("/docs/" + DocName))})
            if (head.find(from) != std::string::npos)
                head.replace(head.find(from), from.size(), to);
        StartAtPage(head);
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Caption(2), "Erste Meldung");
        EXPECT_EQ(FeedFile(), Url("/docs/" + DocName) + "\r\n");
        EXPECT_EQ(F().CurrentFeed.URL, Url("/docs/" + DocName));
        EXPECT_EQ(F().UrlEdit->Text(), Url("/docs/" + DocName));
        App.reset();
    }
}

TEST_F(FeedDiscoveryTest, APageWithoutFeedLinksSaysSoInTheTooltip)
{
    StartAtPage(
        R"(<link rel="stylesheet" href="s.css"><!-- <link rel="alternate" type="application/rss+xml" href="x"> -->)");
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: die Seite ist kein Feed und nennt keinen");
    EXPECT_EQ(FeedFile(), Url("/docs/" + PageName) + "\r\n");
    EXPECT_EQ(Caption(0), "Jetzt Aktualisieren"); // no headlines made of the page
}

} // namespace

namespace {

// "Neues Feed ..." with a site's address whose page names two feeds: the user picks one in the
// list (the first is selected), or none.
TEST_F(FeedDiscoveryTest, ANewFeedsPageWithSeveralFeedsLetsTheUserPickOne)
{
    struct {
        const char* name;
        std::vector<WORD> keys;
        int doubleClicked;
        int picked; // -1: none
    } cases[] = {
        {"arrow down, Enter", {VK_DOWN, VK_RETURN}, -1, 1},
        {"Enter at once", {VK_RETURN}, -1, 0},
        {"Escape", {VK_ESCAPE}, -1, -1},
        {"double-click on the second", {}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        ASSERT_TRUE(WaitForRefresh());
        ServeTwoFeedPage();
        rtl::DeleteFile(Folder / "Newsfeeds\\Neu.nfd");
        Ui.PromptAnswers = {{true, "Neu"}, {true, PageUrl()}};
        TPickerAnswer answer;
        answer.Keys = c.keys;
        answer.DoubleClickLine = c.doubleClicked;
        {
            TPickerWatch watch(answer);
            ClickButton(F().NewFeedBtn);
            ASSERT_TRUE(WaitForRefresh());
        }
        ASSERT_TRUE(answer.Shown);
        EXPECT_EQ(answer.Caption, "Neues Feed erstellen");
        EXPECT_EQ(answer.Lines, (std::vector<std::string>{"Alle Meldungen  (" + FirstFeed() + ")", SecondFeed()}));
        EXPECT_EQ(answer.Selected, 0);
        EXPECT_EQ(F().CurrentFeed.Name, "Neu");
        if (c.picked < 0) {
            EXPECT_EQ(FeedFile("Neu"), PageUrl() + "\r\n");
            EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: die Seite ist kein Feed und nennt keinen");
        } else {
            const std::string picked = c.picked == 0 ? FirstFeed() : SecondFeed();
            EXPECT_EQ(FeedFile("Neu"), picked + "\r\n");
            EXPECT_EQ(F().UrlEdit->Text(), picked);
            EXPECT_EQ(Caption(2), c.picked == 0 ? "Erste Meldung" : "Andere Meldung");
        }
        App.reset();
    }
}

// Only the user's own new feed asks: a Klip import and a timer refresh take the first feed.
TEST_F(FeedDiscoveryTest, ImportsAndTimerRefreshesTakeThePagesFirstFeedWithoutAsking)
{
    struct {
        const char* name;
        bool klip;
    } cases[] = {{"Klip import", true}, {"timer refresh", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The page's address gives a feed at first; it becomes a web page before the next refresh.
        WriteTextFile(Server().DocsFolder + PageName, Rss({"Vorher"}));
        Start(PageUrl());
        ASSERT_TRUE(WaitForRefresh());
        ASSERT_EQ(Caption(2), "Vorher");
        ServeTwoFeedPage();
        TPickerAnswer answer;
        answer.Keys = {VK_ESCAPE};
        std::string file = "Test";
        {
            TPickerWatch watch(answer);
            if (c.klip) {
                file = "Welt";
                rtl::DeleteFile(Folder / "Newsfeeds\\Welt.nfd");
                WriteTextFile(Folder / "welt.klip",
                              "<klip><title>Welt</title><contentsource>" + PageUrl() + "</contentsource></klip>");
                Ui.FileAnswers = {{true, Folder / "welt.klip"}};
                ClickButton(F().BitBtn1);
            } else {
                F().Timer->SetInterval(10);
                ASSERT_TRUE(PumpUntil([this] { return F().Refresh->Fetching(); }));
            }
            ASSERT_TRUE(WaitForRefresh());
        }
        EXPECT_FALSE(answer.Shown);
        EXPECT_EQ(FeedFile(file), FirstFeed() + "\r\n");
        EXPECT_EQ(Caption(2), "Erste Meldung");
        App.reset();
    }
}

} // namespace
