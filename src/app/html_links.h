#pragma once
#include <string>
#include <string_view>
#include <vector>

// What a web page says about its feeds and its icon, for a feed whose address turns out to be a
// site rather than a feed.
namespace html {

// A feed the page offers: <link rel="alternate"> with the type of an RSS, RDF, Atom or JSON Feed
// document. Url is resolved against the page (and its <base href>); Title is the link's title.
struct TFeedLink {
    std::string Url;
    std::string Type; // the media type in lower case, without parameters
    std::string Title;
};

struct TPageLinks {
    std::vector<TFeedLink> Feeds; // in the page's order, each address once
    std::string Icon;             // the page's icon (<link rel="icon">, "shortcut icon"), "" when none
};

// The feed links and the icon of a page (HTML or XHTML, any letter case, quoted or bare attribute
// values). Links inside comments, scripts, styles and the title do not count; only http and https
// addresses are given. Of several icons the one for 16 pixels is taken, else the smallest above,
// else the first; pictures the platform cannot decode (SVG) are passed over. pageUrl is where the
// page came from. Never fails: a page without such links gives none.
TPageLinks FindPageLinks(std::string_view page, std::string_view pageUrl);

// Whether a downloaded document is a web page rather than a feed: decided by its first element
// (html, head, body or another element of HTML, or an HTML document type, gives true; rss, RDF,
// feed and every other XML root gives false; JSON is no page), and only when the document has no
// markup to tell by, by the Content-Type (text/html, application/xhtml+xml). Servers send feeds
// as text/html often enough that the type alone never decides.
bool IsHtmlPage(std::string_view document, std::string_view contentType = {});

// The icon every site is asked for when its pages name none: "/favicon.ico" on the page's host;
// "" for an address that is not http or https.
std::string FaviconAddress(std::string_view pageUrl);

} // namespace html
