#include "app/opml_writer.h"

#include "rtl/utf8.h"

namespace opml {

namespace {

// An attribute value in double quotes. A space that a reader would collapse with its neighbour
// or trim away is written as a reference; tabs and line breaks likewise, since a reader turns
// them into spaces. Other control characters cannot be written in XML at all.
void AppendValue(std::string& out, const std::string& value)
{
    std::string text;
    rtl::AppendValidUtf8(text, value);
    out.push_back('"');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        case ' ':
            if (i == 0 || i + 1 == text.size() || text[i - 1] == ' ')
                out += "&#32;";
            else
                out.push_back(' ');
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                out.push_back(c);
        }
    }
    out.push_back('"');
}

void AppendOutlines(std::string& out, const std::vector<TOutline>& outlines, int depth)
{
    for (const TOutline& o : outlines) {
        out.append(std::size_t(depth) * 2, ' ');
        out += "<outline text=";
        AppendValue(out, o.Title);
        out += " title=";
        AppendValue(out, o.Title);
        if (o.IsFeed()) {
            out += " type=\"rss\" xmlUrl=";
            AppendValue(out, o.XmlUrl);
            if (!o.HtmlUrl.empty()) {
                out += " htmlUrl=";
                AppendValue(out, o.HtmlUrl);
            }
        }
        if (o.IsFeed() || o.Children.empty()) {
            out += "/>\n";
            continue;
        }
        out += ">\n";
        AppendOutlines(out, o.Children, depth + 1);
        out.append(std::size_t(depth) * 2, ' ');
        out += "</outline>\n";
    }
}

} // namespace

std::string WriteOpml(const std::vector<TOutline>& outlines, const std::string& title)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n  <head>\n    <title>";
    std::string value;
    AppendValue(value, title);
    out += value.substr(1, value.size() - 2); // the same escaping serves as element text
    out += "</title>\n  </head>\n  <body>\n";
    AppendOutlines(out, outlines, 2);
    out += "  </body>\n</opml>\n";
    return out;
}

} // namespace opml
