#include "app/klip.h"

#include "app/feed_parser.h"
#include "app/feed_text.h"
#include "rtl/string_list.h"
#include "rtl/text.h"

TKlipFeed ExtractKlip(const std::string& fileText)
{
    // Read as a list of lines and taken back as text, so that every line ends in CR LF; the
    // body is normalised the same way before the fields are looked up.
    TStringList lines;
    lines.SetText(fileText);
    lines.SetText(feed::GetElement(lines.Text(), "klip", 1));
    const std::string body = lines.Text();

    TKlipFeed klip;
    // Cleaned as a headline and its link are: CDATA unwrapped, references decoded, blanks made one.
    klip.Title = feed::CleanCaption(feed::StripComments(feed::GetElement(body, "title", 1)));
    klip.URL = feed::CleanLink(feed::StripComments(feed::GetElement(body, "contentsource", 1)));
    klip.Name = SanitizeFeedName(klip.Title);
    klip.Success = !klip.URL.empty() && IsAcceptableFeedName(klip.Name);
    return klip;
}

std::string SanitizeFeedName(const std::string& name)
{
    std::string r = name;
    for (char& c : r) {
        switch (c) {
        case '/':
        case '\\':
        case ':':
        case '<':
        case '>':
            c = '-';
            break;
        case '*':
            c = '+';
            break;
        case '?':
        case '|':
            c = ' ';
            break;
        case '"':
            c = '\'';
            break;
        default:
            break;
        }
    }
    return r;
}

bool IsAcceptableFeedName(const std::string& name)
{
    if (name.empty() || name[0] == '.')
        return false;
    for (char c : name)
        if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < ' ')
            return false;
    // Windows opens a device for these whatever the extension, so "NUL.nfd" is no file.
    std::string stem = rtl::UpperCase(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* d : kDevices)
        if (stem == d)
            return false;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
        stem[3] <= '9')
        return false;
    return true;
}
