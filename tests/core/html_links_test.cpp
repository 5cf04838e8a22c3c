#include "app/html_links.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The feeds one per line ("type url (title)"), then the icon.
std::string Found(const std::string& page, const std::string& url = "https://www.example.org/blog/post.html")
{
    const html::TPageLinks links = html::FindPageLinks(page, url);
    std::string out;
    for (const html::TFeedLink& f : links.Feeds)
        out += f.Type + " " + f.Url + " (" + f.Title + ")\n";
    return out + "icon " + links.Icon;
}

TEST(HtmlLinks, FindsTheFeedsAndIconOfAPage)
{
    struct {
        const char* name;
        std::string page, found;
    } cases[] = {
        {"a blog system's head",
         R"(<!DOCTYPE html><html lang="en-US"><head><meta charset="UTF-8"><title>Blog &raquo; Post</title>
<link rel='dns-prefetch' href='//s.w.org' />
<link rel="alternate" type="application/rss+xml" title="Blog &raquo; Feed" href="https://www.example.org/feed/" />
<link rel="alternate" type="application/rss+xml" title="Blog &raquo; Comments Feed" href="https://www.example.org/comments/feed/" />
<link rel="https://api.w.org/" href="https://www.example.org/wp-json/" /><link rel="alternate" type="application/json" href="https://www.example.org/wp-json/wp/v2/posts/12" />
<link rel="alternate" type="application/json+oembed" href="https://www.example.org/wp-json/oembed/1.0/embed?url=x" />
<link rel="icon" href="https://www.example.org/wp-content/uploads/cropped-i-32x32.png" sizes="32x32" />
<link rel="icon" href="https://www.example.org/wp-content/uploads/cropped-i-192x192.png" sizes="192x192" />
<link rel="apple-touch-icon" href="https://www.example.org/wp-content/uploads/cropped-i-180x180.png" />
</head><body><p>Text</p></body></html>)",
         u8"application/rss+xml https://www.example.org/feed/ (Blog » Feed)\n"
         u8"application/rss+xml https://www.example.org/comments/feed/ (Blog » Comments Feed)\n"
         "icon https://www.example.org/wp-content/uploads/cropped-i-32x32.png"},
        {"addresses of every kind",
         R"(<link rel="alternate" type="application/atom+xml" href="atom.xml">
<link rel="alternate" type="application/rss+xml" href="/rss.xml">
<link rel="alternate" type="application/rss+xml" href="//cdn.example.net/rss.xml">
<link rel="alternate" type="application/rdf+xml" href="../index.rdf?x=1&amp;y=2">
<link rel="alternate" type="application/rss+xml" href="  http://other.example/feed  ">
<link rel="shortcut icon" href="/favicon.ico">)",
         "application/atom+xml https://www.example.org/blog/atom.xml ()\n"
         "application/rss+xml https://www.example.org/rss.xml ()\n"
         "application/rss+xml https://cdn.example.net/rss.xml ()\n"
         "application/rdf+xml https://www.example.org/index.rdf?x=1&y=2 ()\n"
         "application/rss+xml http://other.example/feed ()\n"
         "icon https://www.example.org/favicon.ico"},
        {"a base address, wherever it stands",
         R"(<link rel="alternate" type="application/rss+xml" href="feed.xml"><base href="/sub/dir/"><base href="/ignored/">
<link rel="icon" href="i.png">)",
         "application/rss+xml https://www.example.org/sub/dir/feed.xml ()\nicon "
         "https://www.example.org/sub/dir/i.png"},
        {"JSON Feed",
         R"(<link rel="alternate" type="application/feed+json" href="/feed.json" title="JSON">
<link rel="alternate" type="application/json" title="JSON Feed" href="/other.json">
<link rel="alternate" type="application/json" href="/api/posts.json">
<link rel="alternate" type="application/json" href="/jsonfeed/main">)",
         "application/feed+json https://www.example.org/feed.json (JSON)\n"
         "application/json https://www.example.org/other.json (JSON Feed)\n"
         "application/json https://www.example.org/jsonfeed/main ()\nicon "},
        {"spelled in other ways",
         "<LINK REL=Alternate TYPE='Application/RSS+XML; charset=utf-8' HREF=/a.xml TITLE='A'>"
         "<link href=\"/b.xml\" type=\"application/atom+xml\" rel=\"feed alternate\"/>"
         "<link\nrel=\"alternate\"\ntype=\"application/rss+xml\"\nhref=\"/c\n.xml\">"
         "<link rel=\"ICON\" type=\"image/x-icon\" href=\"/i.ico\">",
         "application/rss+xml https://www.example.org/a.xml (A)\n"
         "application/atom+xml https://www.example.org/b.xml ()\n"
         "application/rss+xml https://www.example.org/c.xml ()\nicon https://www.example.org/i.ico"},
        {"what does not count",
         R"x(<!-- <link rel="alternate" type="application/rss+xml" href="/commented.xml"> -->
<script>var s = '<link rel="alternate" type="application/rss+xml" href="/script.xml">';</script>
<title><link rel="alternate" type="application/rss+xml" href="/title.xml"></title>
<link rel="stylesheet" type="text/css" href="/s.css"><link rel="alternate" hreflang="de" href="/de/">
<link rel="alternate" type="application/rss+xml"><link rel="alternate" type="application/rss+xml" href="">
<link rel="alternate" type="application/rss+xml" href="javascript:alert(1)">
<link rel="alternate" type="application/rss+xml" href="mailto:x@example.org">
<link rel="alternate" type="text/html" href="/page.html"><a rel="alternate" type="application/rss+xml" href="/a.xml">
<link rel="mask-icon" href="/mask.svg"><link rel="icon" type="image/svg+xml" href="/i.svg"><link rel="icon" href="/j.SVG?v=2">)x",
         "icon "},
        {"each address once, feed addresses as web addresses",
         R"(<link rel="alternate" type="application/rss+xml" href="/f.xml" title="One">
<link rel="alternate" type="application/atom+xml" href="https://www.example.org/f.xml" title="Two">
<link rel="alternate" type="application/rss+xml" href="feed://www.example.org/g.xml">)",
         "application/rss+xml https://www.example.org/f.xml (One)\n"
         "application/rss+xml http://www.example.org/g.xml ()\nicon "},
        {"the 16-pixel icon first",
         R"(<link rel="icon" href="/a.png" sizes="48x48"><link rel="icon" href="/b.png" sizes="192x192 16x16">
<link rel="icon" href="/c.png">)",
         "icon https://www.example.org/b.png"},
        {"a page cut off inside a tag keeps what came before",
         R"(<link rel="alternate" type="application/rss+xml" href="/f.xml"><link rel="alternate" type="application/rss+xml" href="/g)",
         "application/rss+xml https://www.example.org/f.xml ()\nicon "},
        {"no links at all", "<html><body>Nothing here.</body></html>", "icon "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Found(c.page), c.found) << c.name;
}

TEST(HtmlLinks, TellsPagesFromFeeds)
{
    struct {
        std::string document, contentType;
        bool page;
    } cases[] = {
        {"<!DOCTYPE html>\n<html><head>", "", true},
        {"\xEF\xBB\xBF\r\n  <!doctype HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", "", true},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" \"x\">\n<html "
         "xmlns=\"http://www.w3.org/1999/xhtml\">",
         "", true},
        {"<!-- generated --><HTML>", "", true},
        {"<head><title>No html element</title>", "", true},
        {"Warning: something in x.php on line 3<br />\n<!DOCTYPE html>", "", true},
        {"<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>", "text/html", false},
        {"<?xml version=\"1.0\"?><?xml-stylesheet href=\"s.xsl\"?><rdf:RDF xmlns:rdf=\"x\">", "text/html", false},
        {"<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">", "", false},
        {"<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\" \"x\"><rss>", "", false},
        {"{\"version\": \"https://jsonfeed.org/version/1\", \"title\": \"<html>\"}", "text/html", false},
        {"<opml version=\"2.0\">", "", false},
        {"Just words, no markup.", "text/html; charset=utf-8", true},
        {"Just words, no markup.", "text/plain", false},
        {"", "application/xhtml+xml", true},
        {"", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(html::IsHtmlPage(c.document, c.contentType), c.page) << c.document << " / " << c.contentType;
}

TEST(HtmlLinks, FaviconIsAskedOfThePagesHost)
{
    EXPECT_EQ(html::FaviconAddress("https://www.example.org/blog/post.html?x=1"),
              "https://www.example.org/favicon.ico");
    EXPECT_EQ(html::FaviconAddress(" http://127.0.0.1:8080 "), "http://127.0.0.1:8080/favicon.ico");
    EXPECT_EQ(html::FaviconAddress("file:///c:/x.html"), "");
}

} // namespace
