// Conditional requests, compressed bodies and the Text page's field, through the real main window
// and the loopback server's /feed/ documents (ETag, Last-Modified, 304, Content-Encoding).
#include "refresh_fixture.h"

#include <commctrl.h>

#include "app/content_coding.h"
#include "gui/handles.h"

namespace {

class RefreshCostTest : public RefreshCycleTest {
protected:
    std::string FeedUrl(const std::string& query = "")
    {
        return Url("/feed/" + DocName + (query.empty() ? "" : "?" + query));
    }
    // The requests the server received for this test's document, oldest first, with their headers.
    std::vector<std::string> Requests()
    {
        TInternetHandle session(InternetOpenW(L"qv-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        TInternetHandle file(InternetOpenUrlW(session.Get(),
                                              rtl::Utf8ToWide(Url("/__log?tag=/feed/" + DocName)).c_str(), nullptr,
                                              0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
        std::string log;
        char buf[4096];
        DWORD n = 0;
        while (file && InternetReadFile(file.Get(), buf, sizeof buf, &n) && n > 0)
            log.append(buf, n);
        std::vector<std::string> out;
        for (std::size_t at = log.find("REQUEST "); at != std::string::npos;) {
            std::size_t next = log.find("REQUEST ", at + 8);
            out.push_back(log.substr(at, next - at));
            at = next;
        }
        return out;
    }
    void RefreshNow()
    {
        F().TimerTimer(F().Timer);
        ASSERT_TRUE(WaitForRefresh());
    }
    std::string Response(const char* header) { return HeaderValue(F().AdvHttp->ResponseHeaders(), header); }
    // What the user sees of the menu, the tray, the balloon and both memos.
    std::string Shown()
    {
        std::string s;
        for (int i = 0; i < F().PopupMenu->Items()->Count(); ++i)
            s += Caption(i) + "|";
        return s + "#" + std::to_string(F().TrayIcon->IconIndex()) + "#" + F().TrayIcon->Hint() + "#" +
               (BalloonShown() ? "balloon" : "") + "#" + F().DescMemo->Text() + "#" + F().Memo->Text();
    }
};

TEST_F(RefreshCostTest, ANotModifiedAnswerKeepsEverythingAndShowsNoNews)
{
    Serve(Rss({"Eins", "Zwei", "Drei"}));
    Start(FeedUrl(), "Balloonhint=0\r\n");
    ASSERT_TRUE(WaitForRefresh());
    const std::string etag = Response("ETag"), lastModified = Response("Last-Modified");
    ASSERT_FALSE(etag.empty());
    ASSERT_FALSE(lastModified.empty());
    F().BalloonHint->HideBalloon();
    // After unseen news, and after the menu was opened: each state comes back as it was.
    for (int before : {1, 0}) {
        if (before == 0)
            F().PopupMenuPopup(F().PopupMenu);
        const std::string shown = Shown();
        RefreshNow();
        EXPECT_EQ(F().AdvHttp->StatusCode(), 304);
        EXPECT_EQ(F().TrayIcon->IconIndex(), before);
        EXPECT_EQ(Shown(), shown);
    }
    EXPECT_EQ(F().TrayIcon->Hint(), "Testkanal:\rBeschreibung des Kanals");
    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].find("\r\nAccept-Encoding: gzip, deflate\r\n"), std::string::npos) << requests[0];
    EXPECT_EQ(requests[0].find("If-"), std::string::npos) << requests[0];
    for (std::size_t i : {1u, 2u}) {
        EXPECT_NE(requests[i].find("\r\nIf-None-Match: " + etag + "\r\n"), std::string::npos) << requests[i];
        EXPECT_NE(requests[i].find("\r\nIf-Modified-Since: " + lastModified + "\r\n"), std::string::npos);
    }
    // A changed document is answered in full and is news.
    Serve(Rss({"Eins", "Zwei neu", "Drei"}));
    RefreshNow();
    EXPECT_EQ(Caption(3), "Zwei neu");
    EXPECT_EQ(F().TrayIcon->IconIndex(), 1);
    EXPECT_TRUE(BalloonShown());
}

TEST_F(RefreshCostTest, AnotherFeedIsAskedWithoutTheValidatorsAndForgetsThem)
{
    Serve(Rss({"Eins", "Zwei"}));
    // A second feed at the very same address: only the choice of feed tells them apart.
    WriteTextFile(Folder / "Newsfeeds\\Zweit.nfd", FeedUrl() + "\r\n");
    Start(FeedUrl());
    ASSERT_TRUE(WaitForRefresh());
    auto choose = [this](const std::string& name) {
        TMenuItem* feeds = F().FeedStore->FeedsEntry();
        for (int i = 0; i < feeds->Count(); ++i)
            if (feeds->Items(i)->Caption() == name)
                feeds->Items(i)->Click();
        ASSERT_EQ(F().CurrentFeed.Name, name);
        ASSERT_TRUE(WaitForRefresh());
    };
    choose("Zweit");
    choose("Test");
    RefreshNow();
    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    const bool expected[] = {false, false, false, true};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(requests[i].find("If-None-Match: ") != std::string::npos, expected[i]) << requests[i];
        EXPECT_EQ(requests[i].find("If-Modified-Since: ") != std::string::npos, expected[i]) << requests[i];
    }
    EXPECT_EQ(F().AdvHttp->StatusCode(), 304);
}

TEST_F(RefreshCostTest, CompressedBodiesGiveTheSameHeadlinesAndTextPage)
{
    Serve(Rss({"Eins", "Zwei"}));
    Start(FeedUrl());
    ASSERT_TRUE(WaitForRefresh());
    for (const char* query :
         {"enc=gzip", "enc=deflate", "enc=rawdeflate", "enc=gzip&chunked=1", "enc=deflate&chunked=1"}) {
        const std::string document = Rss({"Eins", std::string("Meldung ") + query});
        Serve(document);
        F().CurrentFeed.URL = FeedUrl(query);
        RefreshNow();
        EXPECT_FALSE(Response("Content-Encoding").empty()) << query;
        EXPECT_EQ(Caption(3), std::string("Meldung ") + query);
        EXPECT_EQ(F().TrayIcon->IconIndex(), 1) << query;
        EXPECT_EQ(F().Memo->Text(), document) << query;
    }
}

TEST_F(RefreshCostTest, ABodyThatDoesNotDecodeIsAFailureInTheTooltip)
{
    Serve(Rss({"Eins", "Zwei"}));
    Start(FeedUrl());
    ASSERT_TRUE(WaitForRefresh());
    F().BalloonHint->HideBalloon();
    const std::string text = F().Memo->Text();
    const struct {
        const char* query;
        const char* hint;
    } cases[] = {
        {"enc=corrupt", "Fehler: komprimierte Daten beschädigt (gzip)"},
        {"enc=br", "Fehler: unbekannte Kodierung \"br\""},
        {"enc=bomb", "Fehler: Dokument entpackt größer als 64 MB"},
    };
    for (const auto& c : cases) {
        F().CurrentFeed.URL = FeedUrl(c.query);
        RefreshNow();
        EXPECT_EQ(F().TrayIcon->Hint(), c.hint);
        EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
        EXPECT_EQ(Caption(2), "Eins");
        EXPECT_EQ(F().Memo->Text(), text);
        EXPECT_FALSE(BalloonShown());
    }
    F().CurrentFeed.URL = FeedUrl("enc=gzip");
    RefreshNow();
    EXPECT_EQ(F().TrayIcon->Hint(), "");
}

TEST_F(RefreshCostTest, TheTextPageShowsTheDocumentWhenOpenedAndDuringARefreshWhileOpen)
{
    auto items = [](int n) {
        std::vector<std::string> titles;
        for (int i = 1; i <= n; ++i)
            titles.push_back("Meldung " + std::to_string(i));
        return titles;
    };
    Serve(Rss(items(40)));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    const HWND memo = F().Memo->Handle();
    // The field's scroll range follows its lines; reading it does not ask the field for its text.
    auto scrollLines = [memo] {
        SCROLLINFO si = {sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
        GetScrollInfo(memo, SB_VERT, &si);
        return si.nMax;
    };
    auto pump = [this] {
        for (int i = 0; i < 5; ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            App->ProcessMessages();
        }
    };
    F().Show();
    pump();
    EXPECT_LT(scrollLines(), 5); // the page is not on screen: the field has not taken the document
    SendMessageW(F().PageControl->Handle(), TCM_SETCURFOCUS, 3, 0);
    pump();
    ASSERT_TRUE(IsWindowVisible(memo));
    EXPECT_GT(scrollLines(), 40);
    EXPECT_EQ(F().Memo->Text(), Rss(items(40)));

    Serve(Rss(items(90)));
    RefreshNow();
    EXPECT_GT(scrollLines(), 90);
    EXPECT_EQ(F().Memo->Text(), Rss(items(90)));
}

} // namespace
