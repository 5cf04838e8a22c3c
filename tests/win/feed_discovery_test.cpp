// A feed whose address is a web site: the page's <link rel="alternate"> names the feed, whose
// address the feed file takes and whose headlines appear at once.
#include <gtest/gtest.h>

#include "refresh_fixture.h"
#include "rtl/string_list.h"

namespace {

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
    }
    // Serves the page and the feed, and starts the program with the page as the feed's address.
    void StartAtPage(const std::string& head)
    {
        WriteTextFile(Server().DocsFolder + PageName, "<!DOCTYPE html>\n<html><head><title>Seite</title>" + head +
                                                          "</head><body>Hallo</body></html>");
        Serve(Rss({"Erste Meldung", "Zweite Meldung"}));
        Start(Url("/docs/" + PageName));
    }
    std::string FeedFile() { return ReadFileBytes(Folder / "Newsfeeds\\Test.nfd"); }
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
