// A feed without an icon gets its site's icon by itself, beside its download: the channel's web
// page names it, or the host's /favicon.ico is it. Against the loopback server.
#include <gtest/gtest.h>

#include "image_pixels.h"
#include "refresh_fixture.h"
#include "rtl/string_list.h"

namespace {

std::string Picture(const std::string& name)
{
    return ReadFileBytes(std::string("Z:") + QV_SOURCE_DIR + "/tests/data/icons/" + name);
}

// A PNG wrapped as the one image of an icon file, as sites serve their favicons now.
std::string PngInIco(const std::string& png)
{
    std::string ico("\0\0\1\0\1\0\x20\x20\0\0\1\0\x20\0", 14);
    for (std::uint32_t v : {static_cast<std::uint32_t>(png.size()), 22u})
        for (int i = 0; i < 4; ++i)
            ico.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return ico + png;
}

class SiteIconFetchTest : public RefreshCycleTest {
protected:
    std::vector<std::string> Served;

    void TearDown() override
    {
        RefreshCycleTest::TearDown();
        for (const std::string& name : Served)
            rtl::DeleteFile(Server().DocsFolder + name);
    }
    void Put(const std::string& name, const std::string& bytes)
    {
        WriteTextFile(Server().DocsFolder + name, bytes);
        Served.push_back(name);
    }
    // The feed's channel links to link; its document is served and the program started.
    void StartWithChannelLink(const std::string& link)
    {
        std::string doc = Rss({"Erste Meldung", "Zweite Meldung"});
        doc.replace(doc.find("http://example.invalid/"), 23, link);
        Serve(doc);
        Start();
    }
    std::string IconFile() const { return Folder / "Newsfeeds\\Test.ico"; }
    bool WaitForIcon()
    {
        return PumpUntil([this] { return rtl::FileExists(IconFile()); }, 10000);
    }
    COLORREF MenuPicture() { return ImageColor(*F().FeedIconList, F().CurrentFeed.IconIndex); }
};

TEST_F(SiteIconFetchTest, ThePagesIconOrTheHostsFaviconBecomesTheFeedsIcon)
{
    const std::string page = "site_" + TestTag() + ".html";
    struct {
        const char* name;
        std::string pageHead; // the page's head; "" serves no page at all
        std::string iconName, iconBytes;
        COLORREF colour;
    } cases[] = {
        {"link rel=icon", R"(<link rel="shortcut icon" href="blue.png">)", "blue.png", Picture("blue32.png"),
         RGB(0, 0, 255)},
        {"a PNG inside an icon file", R"(<link rel="icon" type="image/x-icon" href="png.ico">)", "png.ico",
         PngInIco(Picture("blue32.png")), RGB(0, 0, 255)},
        {"only /favicon.ico", "<title>Ohne Icon</title>", "favicon.ico", Picture("two-sizes.ico"), RGB(255, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::DeleteFile(IconFile());
        Put(page, "<!DOCTYPE html><html><head>" + c.pageHead + "</head><body></body></html>");
        Put(c.iconName, c.iconBytes);
        StartWithChannelLink(Url("/docs/" + page));
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Caption(2), "Erste Meldung");
        ASSERT_TRUE(WaitForIcon());
        EXPECT_EQ(ReadFileBytes(IconFile()).size(), 1406u);
        App->ProcessMessages();
        EXPECT_EQ(MenuPicture(), c.colour);
        App.reset();
        rtl::DeleteFile(Server().DocsFolder + c.iconName);
    }
}

// What cannot become an icon leaves the built-in picture, without a word, and the headlines do not
// wait for a server that never answers.
TEST_F(SiteIconFetchTest, FailureIsSilentAndNeverHoldsUpTheHeadlines)
{
    struct {
        const char* name;
        std::string link; // the channel's link
    } cases[] = {
        {"a broken image and no favicon", "BROKEN"},
        {"a page that never answers", Url("/late/x?hold=30")},
    };
    const std::string page = "broken_" + TestTag() + ".html";
    Put(page, R"(<html><head><link rel="icon" href="broken.png"></head></html>)");
    Put("broken.png", "\x89PNG\r\n\x1a\n this is no picture");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool silent = c.link != "BROKEN";
        StartWithChannelLink(silent ? c.link : Url("/docs/" + page));
        // The page holds its answer longer than the refresh may take.
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Caption(2), "Erste Meldung");
        const COLORREF builtIn = MenuPicture();
        if (!silent) {
            EXPECT_TRUE(PumpUntil([this] { return !F().SiteIcons->Busy(); }, 15000));
        }
        EXPECT_FALSE(rtl::FileExists(IconFile()));
        EXPECT_EQ(MenuPicture(), builtIn);
        EXPECT_TRUE(Ui.Messages.empty());
        App.reset();
    }
}

TEST_F(SiteIconFetchTest, AnIconTheUserGaveIsNeverReplaced)
{
    const std::string page = "own_" + TestTag() + ".html";
    Put(page, R"(<html><head><link rel="icon" href="blue.png"></head></html>)");
    Put("blue.png", Picture("blue32.png"));
    const std::string own = Picture("two-sizes.ico");
    WriteTextFile(IconFile(), own);
    StartWithChannelLink(Url("/docs/" + page));
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_FALSE(F().SiteIcons->Busy());
    EXPECT_EQ(ReadFileBytes(IconFile()), own);
}

} // namespace
