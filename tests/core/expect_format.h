#pragma once
// What a user sees of a parse, in the feed corpus's .expect form: the channel entry, the Feed
// page's description, the balloon and one line per menu headline with the address it opens.
#include <string>

#include "app/feed_result.h"
#include "app/feed_text.h"

inline std::string ExpectLines(std::string s)
{
    for (std::size_t at; (at = s.find("\r\n")) != std::string::npos;)
        s.replace(at, 2, "\\n");
    for (std::size_t at; (at = s.find('\r')) != std::string::npos;)
        s.replace(at, 1, "\\n");
    return s;
}

inline std::string SeenAsExpect(const feed::TParseResult& r, const feed::TBalloonNews& b)
{
    auto opened = [](const std::string& link) {
        const std::string t(feed::TrimView(link));
        return feed::IsWebAddress(t) ? t : std::string();
    };
    std::string s = "channel: " + r.Channel.Caption + "\nchannel-link: " + opened(r.Channel.Link) +
                    "\ndescription: " + ExpectLines(r.Channel.Description) + "\nballoon-headline: " + b.Headline +
                    "\nballoon-text: " + ExpectLines(b.Text) + "\n";
    for (const feed::THeadline& h : r.Headlines)
        s += "headline: " + h.Caption + " | " + opened(h.Link) + "\n";
    return s;
}
