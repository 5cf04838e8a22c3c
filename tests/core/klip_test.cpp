#include "app/klip.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "feed_parser_reference.h"
#include "rtl/string_list.h"

namespace {

TEST(KlipExtraction, TitleAndContentSourceAreTakenTrimmed)
{
    TKlipFeed k = ExtractKlip("<?xml version=\"1.0\"?>\n<klip>\n<owner><title>  Heise News  </title>\n"
                              "<contentsource>\n  http://www.heise.de/newsticker/heise.rdf\n</contentsource>\n"
                              "</owner>\n</klip>\n");
    EXPECT_TRUE(k.Success);
    EXPECT_EQ(k.Title, "Heise News");
    EXPECT_EQ(k.Name, "Heise News");
    EXPECT_EQ(k.URL, "http://www.heise.de/newsticker/heise.rdf");
}

TEST(KlipExtraction, CommentsInTheFieldsAreRemovedAndTheTextJoined)
{
    TKlipFeed k = ExtractKlip("<klip><title><!-- generated -->Name</title>"
                              "<contentsource>http://a/<!-- x -->b.rss</contentsource></klip>");
    EXPECT_EQ(k.Title, "Name");
    EXPECT_EQ(k.URL, "http://a/b.rss");
    TKlipFeed open =
        ExtractKlip("<klip><title>Keep<!-- never closed</title><contentsource>u</contentsource></klip>");
    EXPECT_EQ(open.Title, "Keep");
}

TEST(KlipExtraction, ARootTagWithAttributesStillYieldsTheFields)
{
    TKlipFeed k = ExtractKlip(
        "<klip version=\"1.0\">\r\n<title>T</title><contentsource>http://c/</contentsource>\r\n</klip>");
    EXPECT_TRUE(k.Success);
    EXPECT_EQ(k.Title, "T");
    EXPECT_EQ(k.URL, "http://c/");
}

TEST(KlipExtraction, FieldsAreLookedForOnlyInsideTheKlipBody)
{
    TKlipFeed k =
        ExtractKlip("<title>Outside</title><klip><title>Inside</title><contentsource>u</contentsource></klip>"
                    "<contentsource>later</contentsource>");
    EXPECT_EQ(k.Title, "Inside");
    EXPECT_EQ(k.URL, "u");
}

TEST(KlipExtraction, TitleAndAddressAreCleanedAsHeadlinesAndLinksAre)
{
    TKlipFeed k = ExtractKlip("<klip><title><![CDATA[News &amp; Views]]>\n  &#8211; Caf&eacute;</title>"
                              "<contentsource> <![CDATA[http://a/?x=1&amp;y=2]]> </contentsource></klip>");
    EXPECT_EQ(k.Title, "News & Views – Café");
    EXPECT_EQ(k.URL, "http://a/?x=1&y=2");
    EXPECT_TRUE(k.Success);
}

TEST(KlipExtraction, FailsWithoutAContentSourceOrAUsableName)
{
    EXPECT_FALSE(ExtractKlip("<klip><title>T</title></klip>").Success);
    EXPECT_FALSE(
        ExtractKlip("<klip><title>T</title><contentsource> <!-- none --> </contentsource></klip>").Success);
    EXPECT_FALSE(ExtractKlip("<klip><contentsource>http://c/</contentsource></klip>").Success); // no title
    EXPECT_FALSE(ExtractKlip("<klip><title>.hidden</title><contentsource>u</contentsource></klip>").Success);
    EXPECT_FALSE(ExtractKlip("").Success);
    EXPECT_FALSE(ExtractKlip("not a klip at all").Success);
}

TEST(KlipExtraction, ATitleThatNamesAPathStaysInTheFeedFolder)
{
    TKlipFeed k = ExtractKlip("<klip><title>..\\..\\Windows\\evil</title><contentsource>u</contentsource></klip>");
    EXPECT_EQ(k.Name, "..-..-Windows-evil");
    EXPECT_FALSE(k.Success); // begins with "."
    TKlipFeed abs = ExtractKlip("<klip><title>C:\\x/y</title><contentsource>u</contentsource></klip>");
    EXPECT_EQ(abs.Name, "C--x-y");
    EXPECT_TRUE(abs.Success);
}

TEST(KlipExtraction, AgreesWithTheLiteralElementRuleOnGeneratedFiles)
{
    static const char* const kParts[] = {"<klip>",
                                         "</klip>",
                                         "<klip a=\"1\">",
                                         "<title>",
                                         "</title>",
                                         "<contentsource>",
                                         "</contentsource>",
                                         "<!--",
                                         "-->",
                                         " ",
                                         "\n",
                                         "\r",
                                         "\r\n",
                                         "x",
                                         "http://a/",
                                         "<",
                                         "/"};
    std::mt19937 rng(3);
    for (int round = 0; round < 5000; ++round) {
        std::string s;
        int parts = static_cast<int>(rng() % 24);
        for (int i = 0; i < parts; ++i)
            s += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
        TKlipFeed k = ExtractKlip(s);
        TStringList lines;
        lines.SetText(s);
        lines.SetText(reference::GetElement(lines.Text(), "klip", 1));
        std::string body = lines.Text();
        ASSERT_EQ(k.Title,
                  reference::CleanCaption(reference::StripComments(reference::GetElement(body, "title", 1))))
            << s;
        ASSERT_EQ(k.URL,
                  reference::CleanLink(reference::StripComments(reference::GetElement(body, "contentsource", 1))))
            << s;
    }
}

TEST(FeedNames, TypedCharactersAreReplacedAsForFileNames)
{
    EXPECT_EQ(SanitizeFeedName("a/b:c*d?e"), "a-b-c+d e");
    EXPECT_EQ(SanitizeFeedName("\\\"<>|"), "-'-- ");
    EXPECT_EQ(SanitizeFeedName("Über Feed"), "Über Feed");
}

TEST(FeedNames, AcceptableNamesAreFilesTheStoreListsInsideTheFolder)
{
    for (const char* ok : {"Feed", "News & Views", "a.b", "Console", "COM0", "LPT10", "x con"})
        EXPECT_TRUE(IsAcceptableFeedName(ok)) << ok;
    for (const char* bad :
         {"", ".hidden", "..", "a\\b", "a/b", "C:x", "tab\there", "con", "NUL", "aux.txt", "COM1", "lpt9", "PRN "})
        EXPECT_FALSE(IsAcceptableFeedName(bad)) << bad;
}

} // namespace
