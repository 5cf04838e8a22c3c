#include "app/opml_reader.h"
#include "app/opml_writer.h"

#include <gtest/gtest.h>

#include "rtl/string_list.h"

#include <string>
#include <vector>

namespace {

using opml::TOutline;

// The tree in one line per outline: folders as "[title]" with their outlines indented below.
void Describe(const std::vector<TOutline>& outlines, std::string& out, int depth = 0)
{
    for (const TOutline& o : outlines) {
        out += std::string(std::size_t(depth) * 2, ' ');
        out += o.IsFeed() ? o.Title + " <" + o.XmlUrl + "> <" + o.HtmlUrl + ">\n"
                          : "[" + o.Title + "]" + (o.HtmlUrl.empty() ? "" : " <" + o.HtmlUrl + ">") + "\n";
        Describe(o.Children, out, depth + 1);
    }
}

std::string Tree(const std::string& file)
{
    const opml::TOpmlDocument d = opml::ReadOpml(file);
    EXPECT_TRUE(d.Ok) << d.Error << "\n" << file;
    std::string out;
    Describe(d.Outlines, out);
    return out;
}

std::string Body(const std::string& outlines, const std::string& declaration = "")
{
    return declaration + "<opml version=\"2.0\"><head><title>Subs</title></head><body>" + outlines +
           "</body></opml>";
}

TEST(OpmlReader, ReadsTheShapesOtherReadersWrite)
{
    struct {
        const char* name;
        std::string file, tree;
    } cases[] = {
        {"flat OPML 1.0",
         "<?xml version=\"1.0\"?>\n<opml version=\"1.0\">\n<head><title>My feeds</title></head>\n<body>\n"
         "  <outline text=\"One\" type=\"rss\" xmlUrl=\"http://one.example/rss\" "
         "htmlUrl=\"http://one.example/\"/>\n"
         "  <outline title=\"Two\" text=\"ignored\" type=\"rss\" xmlUrl=\"https://two.example/atom\"/>\n"
         "</body>\n</opml>\n",
         "One <http://one.example/rss> <http://one.example/>\nTwo <https://two.example/atom> <>\n"},
        {"nested folders",
         Body("<outline text=\"News\"><outline text=\"World\"><outline text=\"A\" xmlUrl=\"http://a/\"/></outline>"
              "<outline text=\"B\" xmlUrl=\"http://b/\"/></outline><outline text=\"C\" xmlUrl=\"http://c/\"/>"
              "<outline text=\"Empty\"></outline><outline text=\"Also empty\" htmlUrl=\"http://site/\"/>"),
         "[News]\n  [World]\n    A <http://a/> <>\n  B <http://b/> <>\nC <http://c/> <>\n[Empty]\n[Also empty]\n"},
        {"references and white space in titles",
         Body("<outline text=\"Tom &amp; Jerry &quot;Live&quot; &#39;n&#x27; &lt;b&gt; &eacute;&nbsp;x\" "
              "xmlUrl=\" http://t/?a=1&amp;b=2 \"/>"
              "<outline text=\"\n   Spread\n   over   lines  \" xmlUrl=\"http://s/&b\"/>"
              "<outline text=\"&#32;kept &#32;spaces\" xmlUrl=\"http://k/\"/>"),
         u8"Tom & Jerry \"Live\" 'n' <b> é\u00A0x <http://t/?a=1&b=2> <>\nSpread over lines <http://s/&b> <>\n"
         " kept  spaces <http://k/> <>\n"},
        {"missing titles",
         Body("<outline xmlUrl=\"https://user@www.example.org:8080/feed\"/><outline text=\"\" title=\"\" "
              "xmlUrl=\"http://[::1]:81/x\"/><outline text=\"Text only\" xmlUrl=\"http://t/\"/><outline "
              "xmlUrl=\"feeds.example.net/rss\"/>"),
         "www.example.org <https://user@www.example.org:8080/feed> <>\n[::1] <http://[::1]:81/x> <>\nText only "
         "<http://t/> <>\nfeeds.example.net <feeds.example.net/rss> <>\n"},
        {"duplicates are kept for the import to judge",
         Body("<outline text=\"A\" xmlUrl=\"http://a/\"/><outline text=\"A\" xmlUrl=\"http://a/\"/>"),
         "A <http://a/> <>\nA <http://a/> <>\n"},
        {"attribute spellings of older writers",
         Body("<outline TEXT='Single' XMLURL='http://s/'/><outline text=Bare xmlurl=http://b/ />"
              "<outline text=\"Url\" type=\"RSS\" url=\"http://u/\"/><outline text=\"Link\" type=\"link\" "
              "url=\"http://l/\"/><outline text=\"Feed scheme\" xmlUrl=\"feed://f.example/rss\"/><outline "
              "text=\"Feed prefix\" xmlUrl=\"feed:https://g.example/rss\"/><outline text=\"Broken\"\"attr\" "
              "xmlUrl=\"http://x/\"/>"),
         "Single <http://s/> <>\nBare <http://b/> <>\nUrl <http://u/> <>\n[Link]\nFeed scheme "
         "<http://f.example/rss> <>\nFeed prefix <https://g.example/rss> <>\nBroken <http://x/> <>\n"},
        {"a quote that pairs only with the tag's start",
         Body("<outline a'b=\"c'/><outline text=\"After\" xmlUrl=\"http://a/\"/>"), "[]\nAfter <http://a/> <>\n"},
        {"outlines inside a feed belong to its folder",
         Body("<outline text=\"F\"><outline text=\"Parent\" xmlUrl=\"http://p/\"><outline text=\"Child\" "
              "xmlUrl=\"http://c/\"/></outline></outline>"),
         "[F]\n  Parent <http://p/> <>\n  Child <http://c/> <>\n"},
        {"markup around the outlines",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><!-- exported <outline text=\"no\"/> -->"
         "<!DOCTYPE opml [<!ENTITY x \"<y>\">]><opml:opml xmlns:opml=\"x\"><opml:head/><opml:body>"
         "<![CDATA[<outline text=\"no\"/>]]><opml:outline text=\"P\" xmlUrl=\"http://p/\"/>"
         "<div><outline text=\"In a div\" xmlUrl=\"http://d/\"/></div></opml:body></opml:opml>\n<!-- end -->",
         "P <http://p/> <>\nIn a div <http://d/> <>\n"},
        {"outlines outside the body are no subscriptions",
         "<opml><head><outline text=\"H\" xmlUrl=\"http://h/\"/></head><outline text=\"R\" xmlUrl=\"http://r/\"/>"
         "<body><outline text=\"B\" xmlUrl=\"http://b/\"/></body></opml>",
         "B <http://b/> <>\n"},
        {"UTF-8 names", Body(u8"<outline text=\"Новости · ニュース 🚀\" xmlUrl=\"http://n/\"/>"),
         u8"Новости · ニュース 🚀 <http://n/> <>\n"},
        {"broken bytes after a UTF-8 byte-order mark",
         "\xEF\xBB\xBF" + Body("<outline text=\"a\xBC\" xmlUrl=\"http://b/\"/>"), u8"a\uFFFD <http://b/> <>\n"},
        {"declared ISO-8859-1",
         Body("<outline text=\"M\xFCnchen \x80\" xmlUrl=\"http://m/\"/>",
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
         u8"München € <http://m/> <>\n"},
        {"undeclared Windows-1252", Body("<outline text=\"Caf\xE9 \x93quoted\x94\" xmlUrl=\"http://c/\"/>"),
         u8"Café “quoted” <http://c/> <>\n"},
        {"UTF-16 with a byte-order mark",
         [] {
             const std::string a = Body(u8"<outline text=\"Zürich\" xmlUrl=\"http://z/\"/>");
             std::string u16 = "\xFF\xFE";
             for (unsigned char c : std::string(a)) {
                 // Only "ü" lies beyond ASCII here.
                 if (c == 0xC3)
                     continue;
                 u16 += c == 0xBC ? '\xFC' : char(c);
                 u16 += '\0';
             }
             return u16;
         }(),
         u8"Zürich <http://z/> <>\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tree(c.file), c.tree) << c.name;
}

TEST(OpmlReader, ReadsTheSampleLists)
{
    const std::string folder = std::string(QV_SOURCE_DIR) + "/tests/data/opml/";
    EXPECT_EQ(Tree(ReadFileBytes(folder + "nested-export.opml")),
              "[Technik]\n  Heise & Co <https://www.example.de/rss/news.rdf> <https://www.example.de/>\n"
              "  Golem <https://rss.example.de/golem.xml> <>\n  [Blogs]\n"
              "    blog.example.org <https://blog.example.org/feed/> <>\n" +
                  std::string(u8"Zürcher Nachrichten <https://zh.example.ch/feed.xml> <>\n"));
    EXPECT_EQ(Tree(ReadFileBytes(folder + "flat-latin1.opml")),
              std::string(u8"München <http://m.example/rss> <>\n") +
                  "Flat <http://f.example/rss> <http://f.example/>\n");
}

TEST(OpmlReader, TheHeadTitleIsRead)
{
    EXPECT_EQ(opml::ReadOpml(Body("")).Title, "Subs");
    EXPECT_EQ(opml::ReadOpml("<opml><head><title> A &amp;\n B </title></head><body/></opml>").Title, "A & B");
}

TEST(OpmlReader, RefusesWhatIsNoCompleteListAsAWhole)
{
    const std::string good =
        Body("<outline text=\"A\" xmlUrl=\"http://a/\"/>\n<outline text=\"B\" xmlUrl=\"http://b/\"/>");
    std::string deep, wide;
    for (std::size_t i = 0; i <= opml::kMaxDepth; ++i)
        deep += "<outline text=\"F\">";
    for (std::size_t i = 0; i <= opml::kMaxDepth; ++i)
        deep += "</outline>";
    for (std::size_t i = 0; i <= opml::kMaxOutlines; ++i)
        wide += "<outline text=\"x\" xmlUrl=\"http://x/\"/>";
    struct {
        std::string file;
        const char* error;
    } cases[] = {
        {"", "keine OPML-Datei"},
        {"just text", "keine OPML-Datei"},
        {"<!DOCTYPE html><html><head><title>Site</title></head><body></body></html>", "keine OPML-Datei"},
        {"<klip><title>K</title><contentsource>http://k/</contentsource></klip>", "keine OPML-Datei"},
        {"<rss><channel><item><title>A</title></item></channel></rss>", "keine OPML-Datei"},
        {good.substr(0, good.size() - 7), "beschädigt: die Datei endet vor </opml>"},
        {good.substr(0, good.find("</body>")), "beschädigt: die Datei endet vor </body>"},
        {good.substr(0, good.find("http://b/")), "beschädigt: ein Tag ist nicht geschlossen (Zeile 2)"},
        {Body("<outline text=\"A\"></outlin>"), "beschädigt: </outlin> passt zu keinem offenen Element"},
        {Body("<outline text=\"A\">"), "beschädigt: </body> passt zu keinem offenen Element"},
        {good + "<opml/>", "beschädigt: nach </opml> folgt weiteres Markup"},
        {Body("<!-- open comment"), "beschädigt: ein Kommentar ist nicht geschlossen"},
        {Body(deep), "zu tief verschachtelt (mehr als 32 Ebenen)"},
        {Body(wide), "mehr als 50000 Einträge"},
        {Body("") + std::string(opml::kMaxOpmlBytes, ' '), "zu groß (mehr als 16 MB)"},
#ifndef _WIN32 // the portable build converts no other code page than Windows-1252
        {Body("", "<?xml version=\"1.0\" encoding=\"windows-1251\"?>"), "Zeichensatz \"windows-1251\""},
#endif
    };
    for (const auto& c : cases) {
        const opml::TOpmlDocument d = opml::ReadOpml(c.file);
        EXPECT_FALSE(d.Ok) << c.file.substr(0, 300);
        EXPECT_NE(d.Error.find(c.error), std::string::npos) << d.Error << "\n" << c.file.substr(0, 300);
        EXPECT_TRUE(d.Outlines.empty() && d.Title.empty());
    }
}

TEST(OpmlReader, TenThousandFeedsInFolders)
{
    std::string body;
    for (int f = 0; f < 100; ++f) {
        body += "<outline text=\"Folder " + std::to_string(f) + "\">\n";
        for (int i = 0; i < 100; ++i)
            body += "  <outline type=\"rss\" text=\"Feed " + std::to_string(i) + "\" xmlUrl=\"https://f" +
                    std::to_string(f) + ".example/" + std::to_string(i) + ".xml\" htmlUrl=\"https://f" +
                    std::to_string(f) + ".example/\"/>\n";
        body += "</outline>\n";
    }
    const opml::TOpmlDocument d = opml::ReadOpml(Body(body));
    ASSERT_TRUE(d.Ok) << d.Error;
    EXPECT_EQ(opml::CountFeeds(d.Outlines), 10000u);
    ASSERT_EQ(d.Outlines.size(), 100u);
    EXPECT_EQ(d.Outlines[99].Children[99].XmlUrl, "https://f99.example/99.xml");
}

TEST(OpmlWriter, WritesOpml2InUtf8)
{
    const std::vector<TOutline> tree = {{"News", "", "", {{"A & B", "http://a/?x=1&y=2", "http://a/", {}}}},
                                        {"C", "http://c/", "", {}}};
    EXPECT_EQ(
        opml::WriteOpml(tree, "Quorvane"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n  <head>\n"
        "    <title>Quorvane</title>\n  </head>\n  <body>\n"
        "    <outline text=\"News\" title=\"News\">\n"
        "      <outline text=\"A &amp; B\" title=\"A &amp; B\" type=\"rss\" xmlUrl=\"http://a/?x=1&amp;y=2\" "
        "htmlUrl=\"http://a/\"/>\n"
        "    </outline>\n"
        "    <outline text=\"C\" title=\"C\" type=\"rss\" xmlUrl=\"http://c/\"/>\n"
        "  </body>\n</opml>\n");
}

TEST(OpmlWriter, ReadingWhatItWritesGivesTheSameTree)
{
    std::vector<TOutline> tree = {
        {u8"Ünïcödé · Новости 🚀", "https://u.example/feed?a=1&b=<2>", "https://u.example/", {}},
        {"Quotes \"double\" and 'single'", "http://q/", "", {}},
        {" leading,  double   and trailing ", "http://s/", "", {}},
        {"Tab\tand\nline", "http://t/", "", {}},
        {"Empty folder", "", "", {}},
        {"", "", "", {{"In a nameless folder", "http://n/", "", {}}}},
    };
    TOutline* level = &tree.emplace_back(TOutline{"Deep", "", "", {}});
    for (int i = 0; i < 20; ++i)
        level = &level->Children.emplace_back(TOutline{"Level " + std::to_string(i), "", "", {}});
    level->Children.push_back({"Bottom", "http://bottom/", "", {}});

    const std::string file = opml::WriteOpml(tree, "Mine & yours");
    const opml::TOpmlDocument back = opml::ReadOpml(file);
    ASSERT_TRUE(back.Ok) << back.Error;
    EXPECT_EQ(back.Title, "Mine & yours");
    EXPECT_TRUE(back.Outlines == tree) << file;
}

TEST(OpmlWriter, BrokenTextStillMakesAFileThatReads)
{
    const std::vector<TOutline> tree = {{"Bad \xFF\xC3 byte\x01", "http://b/", "", {}}};
    const opml::TOpmlDocument back = opml::ReadOpml(opml::WriteOpml(tree, ""));
    ASSERT_TRUE(back.Ok) << back.Error;
    const std::string expected = u8"Bad \uFFFD\uFFFD byte";
    EXPECT_EQ(back.Outlines.at(0).Title, expected);
}

TEST(OpmlSniff, TheRootElementTellsAnOpmlFile)
{
    struct {
        std::string file;
        bool opml;
    } cases[] = {
        {Body(""), true},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c --><OPML version=\"1.1\">", true},
        {std::string("\xFE\xFF\0<\0o\0p\0m\0l\0>", 14), true},
        {std::string(100000, ' ') + "<opml>", false},
        {"<klip><title>K</title></klip>", false},
        {"<?xml version=\"1.0\"?><rss version=\"2.0\"/>", false},
        {"<!-- <opml> -->", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(opml::LooksLikeOpml(c.file), c.opml) << c.file.substr(0, 80);
}

} // namespace
