#include "app/headline_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "hard_text.h"

namespace {

using namespace hard;

TEST(HeadlineRules, CaptionsAreCutAfterMaxCharsCharacters)
{
    const struct {
        std::string Title;
        int MaxChars;
        std::string Caption;
    } cases[] = {
        {"Am" + kAcute + "lie", 3, "Am" + kAcute + "..."},
        {"Am" + kAcute + "lie", 6, "Am" + kAcute + "lie"}, // 6 characters, 7 code points
        {kThumb + kThumb + kThumb, 2, kThumb + kThumb + "..."},
        {kFamily + kFamily, 1, kFamily + "..."},
        {kFlag + kFlag + kFlag, 2, kFlag + kFlag + "..."},
        {kClef + kClef + kClef, 1, kClef + "..."},
        {kJamo + kJamo + kJamo, 2, kJamo + kJamo + "..."},
        {kShin + kShin, 1, kShin + "..."},
        {"Новости дня", 7, "Новости..."},
        {"ニュース速報", 4, "ニュース..."},
        {"x" + kFamily, 0, "..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(feed::CutCaption(c.Title, c.MaxChars), c.Caption) << c.Title << " " << c.MaxChars;
}

TEST(HeadlineRules, TheChannelIsCutToTheLongestCaptionInCharacters)
{
    EXPECT_EQ(feed::CutToLongest("Новости и события", 10), "Новости...");
    EXPECT_EQ(feed::CutToLongest(kFlag + kFlag + kFlag + kFlag, 4), kFlag + kFlag + kFlag + kFlag);
    EXPECT_EQ(feed::CutToLongest(kFlag + kFlag + kFlag + kFlag + kFlag, 4), kFlag + "...");
    EXPECT_EQ(feed::CutToLongest("Channel", 2), "...");
}

// What every reader's items go through: duplicates against the previous caption, the balloon's
// first headline other than "Customize this feed", the longest caption in characters.
TEST(HeadlineRules, OfferedTitlesBecomeHeadlinesByTheSharedRules)
{
    feed::TBalloonNews balloon{"old", "old text"};
    feed::THeadlineRules rules(0, 4, balloon);
    EXPECT_EQ(rules.MaxEntrys(), 1);
    int asked = 0;
    auto text = [&] {
        ++asked;
        return std::string("text");
    };
    EXPECT_NE(rules.Offer(1, "Customize this feed", text), nullptr);
    EXPECT_EQ(rules.Offer(2, "", text), nullptr);
    EXPECT_NE(rules.Offer(3, kFamily + kFamily + kFamily, text), nullptr);
    EXPECT_EQ(rules.Offer(4, kFamily + kFamily + kFamily, text), nullptr); // same as the previous
    feed::THeadline* cut = rules.Offer(5, "Длинный заголовок", text);
    ASSERT_NE(cut, nullptr);
    cut->Link = "http://x/";
    EXPECT_NE(rules.Offer(6, "Длинный заголовок", text), nullptr); // the previous caption was cut
    const feed::TParseResult r = rules.Finish({"C", "L", "D"});
    ASSERT_EQ(r.Headlines.size(), 4u);
    EXPECT_EQ(r.Headlines[0].Caption, "Cust...");
    EXPECT_FALSE(r.Headlines[0].Customize);
    EXPECT_EQ(r.Headlines[1].N, 3);
    EXPECT_EQ(r.Headlines[2].Caption, "Длин...");
    EXPECT_EQ(r.Headlines[2].Link, "http://x/");
    EXPECT_EQ(feed::LongestCaption(r), 7);
    EXPECT_EQ(balloon.Headline, kFamily + kFamily + kFamily);
    EXPECT_EQ(balloon.Text, "text");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r.Channel.Caption, "C");
}

} // namespace
