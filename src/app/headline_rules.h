#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "app/feed_result.h"

// The rules every feed reader's items go through on their way to the menu, whatever the format:
// duplicates, the cut to MaxChars, the balloon's first headline, "Customize this feed" and the
// longest caption. A reader finds its items in document order and offers each one's cleaned
// title here, in UTF-8 as every document is once it is read; lengths are counted in characters
// (rtl/utf8.h), never in bytes.
namespace feed {

// The caption of a title: its first maxChars characters followed by "..." when it has more.
std::string CutCaption(std::string title, int maxChars);

// The channel caption cut to the longest headline caption when it is longer: its first
// (longest - 3) characters followed by "...", only "..." when longest is below 3.
std::string CutToLongest(const std::string& caption, int longest);

// The number of characters of the longest headline caption. Counted when asked: only the rule
// "Channelname nicht länger als die längste Überschrift" needs it.
int LongestCaption(const TParseResult& result);

class THeadlineRules {
public:
    // balloon is replaced by the first headline that is not "Customize this feed", and only then.
    THeadlineRules(int maxEntrys, int maxChars, TBalloonNews& balloon);

    // How many item occurrences are looked at (MaxEntrys, at least 1).
    int MaxEntrys() const { return FResult.MaxEntrys; }

    // Offers the cleaned title of item occurrence n. A title that is empty or equal to the
    // previous caption gives no headline: nullptr. Otherwise, while the balloon waits for its
    // headline and the title is not "Customize this feed", the title becomes the balloon headline
    // and balloonText() (called only then) its text. The headline is returned for the reader to
    // give it its link; it stays valid until the next offer.
    template <class TBalloonText> THeadline* Offer(int n, std::string title, TBalloonText&& balloonText)
    {
        if (title.empty() || title == FPrevious)
            return nullptr;
        if (FArmed && title != kCustomizeCaption) {
            FBalloon.Text = balloonText();
            FBalloon.Headline = title;
            FArmed = false;
        }
        return Add(n, std::move(title));
    }

    // The headlines and the channel.
    TParseResult Finish(TChannel channel);

private:
    THeadline* Add(int n, std::string title);

    TParseResult FResult;
    TBalloonNews& FBalloon;
    int FMaxChars;
    std::string FPrevious;
    bool FArmed = true;
};

} // namespace feed
