#include "app/headline_rules.h"

#include <algorithm>

#include "rtl/utf8.h"

namespace feed {

namespace {

// The caption of a title, and in length its length in characters, in one pass over the title.
std::string Cut(std::string title, int maxChars, std::size_t& length)
{
    const std::size_t limit = maxChars < 0 ? 0 : static_cast<std::size_t>(maxChars);
    const std::size_t keep = rtl::CharacterPrefix(title, limit, length);
    if (keep < title.size()) {
        title.resize(keep);
        title += "...";
        length = limit + 3;
    }
    return title;
}

} // namespace

std::string CutCaption(std::string title, int maxChars)
{
    std::size_t length;
    return Cut(std::move(title), maxChars, length);
}

std::string CutToLongest(const std::string& caption, int longest)
{
    const std::size_t limit = static_cast<std::size_t>(std::max(longest, 0));
    if (rtl::CharacterCount(caption) <= limit)
        return caption;
    return limit < 3 ? std::string("...") : caption.substr(0, rtl::CharacterPrefix(caption, limit - 3)) + "...";
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
    std::size_t length;
    h.Caption = Cut(std::move(title), FMaxChars, length);
    FLongest = std::max(FLongest, length);
    h.Customize = h.Caption == kCustomizeCaption;
    FPrevious = h.Caption;
    FResult.Headlines.push_back(std::move(h));
    return &FResult.Headlines.back();
}

TParseResult THeadlineRules::Finish(TChannel channel)
{
    FResult.LongestCaption = static_cast<int>(FLongest);
    FResult.Channel = std::move(channel);
    return std::move(FResult);
}

} // namespace feed
