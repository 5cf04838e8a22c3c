#include "app/headline_rules.h"

#include <algorithm>

#include "rtl/utf8.h"

namespace feed {

std::string CutCaption(std::string title, int maxChars)
{
    const std::size_t keep = rtl::CharacterPrefix(title, maxChars < 0 ? 0 : static_cast<std::size_t>(maxChars));
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
    FLongest = std::max(FLongest, rtl::CharacterCount(h.Caption));
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
