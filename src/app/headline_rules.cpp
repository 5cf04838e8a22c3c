#include "app/headline_rules.h"

#include <algorithm>

#include "rtl/utf8.h"

namespace feed {

namespace {

// The code points of UTF-8 text: every byte that does not continue a sequence. A character has
// at least one, so text of no more code points than the limit needs no cut, and its characters
// need not be counted.
std::size_t CodePoints(std::string_view text)
{
    std::size_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

} // namespace

std::string CutCaption(std::string title, int maxChars)
{
    const std::size_t limit = maxChars < 0 ? 0 : static_cast<std::size_t>(maxChars);
    if (title.size() <= limit || CodePoints(title) <= limit)
        return title;
    const std::size_t keep = rtl::CharacterPrefix(title, limit);
    if (keep < title.size()) {
        title.resize(keep);
        title += "...";
    }
    return title;
}

std::string CutToLongest(const std::string& caption, int longest)
{
    const std::size_t limit = static_cast<std::size_t>(std::max(longest, 0));
    if (rtl::CharacterCount(caption) <= limit)
        return caption;
    return limit < 3 ? std::string("...") : caption.substr(0, rtl::CharacterPrefix(caption, limit - 3)) + "...";
}

int LongestCaption(const TParseResult& result)
{
    std::size_t longest = 0;
    for (const THeadline& h : result.Headlines)
        longest = std::max(longest, rtl::CharacterCount(h.Caption));
    return static_cast<int>(longest);
}

THeadlineRules::THeadlineRules(int maxEntrys, int maxChars, TBalloonNews& balloon)
    : FBalloon(balloon), FMaxChars(maxChars)
{
    FResult.MaxEntrys = maxEntrys < 1 ? 1 : maxEntrys;
}

THeadline* THeadlineRules::Add(int n, std::string title)
{
    THeadline h;
    h.N = n;
    h.Caption = CutCaption(std::move(title), FMaxChars);
    h.Customize = h.Caption == kCustomizeCaption;
    FPrevious = h.Caption;
    FResult.Headlines.push_back(std::move(h));
    return &FResult.Headlines.back();
}

TParseResult THeadlineRules::Finish(TChannel channel)
{
    FResult.Channel = std::move(channel);
    return std::move(FResult);
}

} // namespace feed
