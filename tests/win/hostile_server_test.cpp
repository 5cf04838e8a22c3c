// Feeds and servers that try to crash, hang or fool the program: each through the path the user
// takes, against the loopback servers.
#include <gtest/gtest.h>

#include <string>

#include "app/refresh_cycle.h"
#include "http_test_support.h"
#include "refresh_fixture.h"
#include "rtl/utf8.h"

namespace {

int Requests(const std::string& tag)
{
    return ServerLogOf(tag).Count;
}

class HostileServerTest : public RefreshCycleTest {
protected:
    void Press(TButton* button) { SendMessageW(button->Handle(), BM_CLICK, 0, 0); }
    // The user's refresh from the tray menu ("Jetzt Aktualisieren" is its first command).
    void RefreshFromMenu()
    {
        TMenuItem* items = F().PopupMenu->Items();
        for (int i = 0; i < items->Count(); ++i)
            if (items->Items(i)->Caption() == "Jetzt Aktualisieren")
                items->Items(i)->Click();
    }
    std::string Hint() { return F().TrayIcon->Hint(); }
};

TEST_F(HostileServerTest, ALinkLongerThanBrowsersTakeIsNeverHandedToTheShell)
{
    const std::string tooLong = "http://x" + std::string(10000, 'a');
    const std::string longest = "http://x/" + std::string(rtl::kMaxAddressLength - 9, 'b');
    Serve("<rss><channel><title>Kanal</title><link>" + tooLong + "</link>" + "<item><title>Lang</title><link>" +
          tooLong + "</link></item>" + "<item><title>Gerade noch</title><link>" + longest +
          "</link></item></channel></rss>");
    Start();
    ASSERT_TRUE(WaitForRefresh());
    ASSERT_EQ(Caption(2), "Lang");
    const struct {
        int Downs;
        std::string Opened;
    } choices[] = {{0, ""}, {1, ""}, {2, longest}};
    for (const auto& c : choices) {
        SCOPED_TRACE(c.Downs);
        Ui.ShellCalls.clear();
        std::vector<WPARAM> keys(static_cast<std::size_t>(c.Downs) + 1, VK_DOWN);
        keys.push_back(VK_RETURN);
        ChooseInMenu(*F().PopupMenu, keys);
        App->ProcessMessages();
        if (c.Opened.empty()) {
            EXPECT_TRUE(Ui.ShellCalls.empty());
        } else {
            ASSERT_EQ(Ui.ShellCalls.size(), 1u);
            EXPECT_EQ(Ui.ShellCalls[0].File, c.Opened);
        }
    }
    // The channel's link on the Feed page goes the same way.
    Ui.ShellCalls.clear();
    F().FeedIconImageClick(F().FeedIconImage);
    EXPECT_TRUE(Ui.ShellCalls.empty());
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(HostileServerTest, AnAddressLongerThanBrowsersTakeIsNeverAskedFor)
{
    const std::string tail(3000, 'z');
    const struct {
        std::string Feed, Tag, Hint;
        bool Message;
    } cases[] = {
        {Url("/docs/lang-" + TestTag() + "?" + tail), "lang-" + TestTag(),
         "Fehler: Die Adresse ist länger als 2083 Zeichen", true},
        {Url("/redirect/weiter-" + TestTag() + "?to=http://127.0.0.1/&pad=3000"), "weiter-" + TestTag(),
         "Fehler: Weiterleitung auf eine Adresse mit mehr als 2083 Zeichen", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Hint);
        App.reset();
        Ui.Messages.clear();
        Start(c.Feed);
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Hint(), c.Hint);
        EXPECT_EQ(Ui.Messages.size(), c.Message ? 1u : 0u);
        EXPECT_EQ(Requests(c.Tag), c.Message ? 0 : 1);
    }
}

TEST_F(HostileServerTest, AHeaderOverTheLimitsEndsTheDownloadAndALaterRefreshStillSends)
{
    const std::string tooLarge = "Fehler: Die Antwort des Servers hat zu viele oder zu lange Kopfzeilen";
    const struct {
        std::string Query, Hint;
    } cases[] = {
        {"count=10000", tooLarge},                                       // Set-Cookie lines over the header buffer
        {"count=101&name=X-Zeile", tooLarge},                            // short lines, too many of them
        {"count=90&name=X-Zeile", "Fehler: das Dokument ist kein Feed"}, // within the limits
    };
    Serve(Rss({"A", "B"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Query);
        const std::string flood = "/headers/flut-" + TestTag() + "?" + c.Query;
        F().CurrentFeed.URL = Url(flood);
        Press(F().RefreshBtn);
        ASSERT_TRUE(WaitForRefresh(60000));
        EXPECT_EQ(Hint().rfind(c.Hint, 0), 0u) << Hint();
        EXPECT_EQ(Caption(2), "A");
        // The same server again: nothing it sent before rides along with the next request.
        F().CurrentFeed.URL = Url("/docs/" + DocName);
        Press(F().RefreshBtn);
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Hint(), "");
    }
    EXPECT_EQ(ServerLogOf("/docs/" + DocName).Text.find("Cookie:"), std::string::npos);
}

} // namespace

namespace {

TEST_F(HostileServerTest, OnlyTheUsersRefreshAsksForCredentialsAndOnlyWhereTheUserNamedThem)
{
    const std::string proxy =
        "[Proxy]\r\nEnabled=1\r\nHost=127.0.0.1\r\nPort=" + std::to_string(Server().ProxyPort) + "\r\n";
    const struct {
        const char* Name;
        std::string Feed, Ini;
        bool Dialog; // on the user's refresh
    } cases[] = {
        {"Basic", Url("/auth/basic-" + TestTag()), "", false},
        {"NTLM", Url("/auth/ntlm-" + TestTag() + "?scheme=NTLM"), "", false},
        {"Negotiate", Url("/auth/negotiate-" + TestTag() + "?scheme=Negotiate"), "", false},
        {"407 from a server that is no proxy", Url("/auth/proxy-" + TestTag() + "?code=407"), "", false},
        {"a feed address with a user", UserUrl("/auth/user-" + TestTag()), "", true},
        // Named by another host than the cases before: Wine's pool would otherwise now and then
        // take a connection to the server itself, kept from a case before, for the first request.
        {"the configured proxy", "http://localhost:" + std::to_string(Server().Port) + "/docs/" + DocName, proxy,
         true},
    };
    Serve(Rss({"A", "B"}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        App.reset();
        Start(c.Feed, c.Ini);
        // The start and the timer's tick fail at once, without a dialog.
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Hint().rfind("Fehler: Anmeldung verlangt", 0), 0u) << Hint();
        ASSERT_TRUE(Tick(F()));
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(FindOwnDialog(), nullptr);
        EXPECT_EQ(Hint().rfind("Fehler: Anmeldung verlangt", 0), 0u) << Hint();
        // The user's refresh, by the menu and by the button.
        for (bool menu : {true, false}) {
            menu ? RefreshFromMenu() : Press(F().RefreshBtn);
            // A download that waits for no dialog ends at once.
            HWND dialog = nullptr;
            PumpUntil([&] { return (dialog = FindOwnDialog()) != nullptr || !F().Refresh->Fetching(); });
            EXPECT_EQ(dialog != nullptr, c.Dialog) << (menu ? "menu" : "button");
            if (dialog)
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            ASSERT_TRUE(WaitForRefresh());
            EXPECT_EQ(Hint().rfind("Fehler: Anmeldung verlangt", 0), 0u) << Hint();
        }
        EXPECT_TRUE(Ui.Messages.empty());
    }
}

} // namespace

namespace {

TEST_F(HostileServerTest, BytesThatAreNoFeedSaySoAndTheHeadlinesStay)
{
    std::string garbage(20000, '\0');
    unsigned seed = 25;
    for (char& c : garbage)
        c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    const std::string name = "keinfeed_" + TestTag() + ".bin";
    const struct {
        const char* Name;
        std::string Body, Path, Hint;
    } cases[] = {
        {"zero bytes", std::string(5000, '\0'), "", "Fehler: das Dokument ist kein Feed"},
        {"binary garbage", garbage, "", "Fehler: das Dokument ist kein Feed"},
        {"nothing", "", "/ok/leer-" + TestTag() + "?body=", "Fehler: das Dokument ist leer"},
        {"a bogus chunk size", "", "/chunked/zz-" + TestTag() + "?chunks=4&size=1000&bogus=1",
         "Fehler: das Dokument ist kein Feed"},
    };
    Serve(Rss({"A", "B"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        F().BalloonHint->HideBalloon();
        WriteTextFile(Server().DocsFolder + name, c.Body);
        F().CurrentFeed.URL = Url(c.Path.empty() ? "/docs/" + name : c.Path);
        Press(F().RefreshBtn);
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Hint().rfind(c.Hint, 0), 0u) << Hint();
        EXPECT_GT(Hint().size(), 8u);
        EXPECT_EQ(Caption(2), "A");
        EXPECT_FALSE(BalloonShown());
    }
    rtl::DeleteFile(Server().DocsFolder + name);
}

} // namespace

namespace {

TEST_F(HostileServerTest, ADownloadFollowsTenRedirectsAndNoMore)
{
    Serve(Rss({"Angekommen", "B"}));
    const std::string target = Url("/docs/" + DocName);
    const struct {
        std::string Query;
        int Requests;
        bool Arrives;
    } cases[] = {
        {"code=302&hops=10&to=" + target, 10, true},
        {"code=302&hops=11&to=" + target, 11, false},
        {"code=302&to=self", 11, false},
        {"code=301&to=self", 11, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Query);
        const std::string path = "/redirect/kreis-" + std::to_string(&c - cases) + "-" + TestTag();
        App.reset();
        Start(Url(path + "?" + c.Query));
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Requests(path), c.Requests);
        if (c.Arrives) {
            EXPECT_EQ(Caption(2), "Angekommen");
            EXPECT_EQ(Hint(), "");
        } else {
            EXPECT_EQ(Hint(), "Fehler: zu viele Weiterleitungen");
        }
    }
}

} // namespace
