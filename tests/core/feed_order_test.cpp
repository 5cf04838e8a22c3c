#include "app/feed_order.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Inserts (caption, key length) pairs in the given order, as the feed store enumerates them,
// and returns the resulting captions.
std::string Order(const std::vector<std::pair<std::string, std::size_t>>& inserts)
{
    TMenuItem parent;
    for (const auto& [caption, keyLength] : inserts) {
        auto* item = new TMenuItem();
        item->SetCaption(caption);
        InsertOrdered(parent, item, keyLength);
    }
    std::string s;
    for (int i = 0; i < parent.Count(); ++i)
        s += (i ? " " : "") + parent.Items(i)->Caption();
    return s;
}

constexpr std::size_t F = kFeedKeyLength, D = kFolderKeyLength;

TEST(FeedOrder, EqualKeysPutTheLaterEntryFirst)
{
    EXPECT_EQ(Order({{"b", F}, {"a", F}, {"ab", F}}), "ab a b");
    EXPECT_EQ(Order({{"Alpha", F}, {"Apple", F}, {"Beta", F}}), "Apple Alpha Beta");
    EXPECT_EQ(Order({{"Beta", F}, {"Apple", F}, {"Alpha", F}}), "Alpha Apple Beta");
}

TEST(FeedOrder, LetterCaseIsIgnoredIncludingTheWindows1252Capitals)
{
    EXPECT_EQ(Order({{"zeit", F}, {"Anton", F}, {"berta", F}}), "Anton berta zeit");
    EXPECT_EQ(Order({{"Äpfel", F}, {"äther", F}}), "äther Äpfel"); // one key: later first
    EXPECT_EQ(OrderKey("ÄÖÜ", 3), "äöü");
    EXPECT_EQ(OrderKey("ŠŒŽŸ×", 5), "šœžÿ×");
    EXPECT_EQ(OrderKey("ÀÞß", 3), "àþß");
}

TEST(FeedOrder, KeysCompareAsUnsignedBytesWithShorterPrefixesFirst)
{
    // Umlauts (above 0x7F) sort after every ASCII letter; digits before letters.
    EXPECT_EQ(Order({{"über", F}, {"zeit", F}, {"1live", F}}), "1live zeit über");
    // A folder key "ab" (the whole two-letter name) is a prefix of "abc" and sorts first.
    EXPECT_EQ(Order({{"abc", D}, {"ab", D}}), "ab abc");
    EXPECT_EQ(Order({{"ab", D}, {"abc", D}}), "ab abc");
    EXPECT_EQ(Order({{"", F}, {"a", F}}), " a");
}

TEST(FeedOrder, FoldersCompareOnThreeCharactersAndFeedsOnOne)
{
    // Folders "News" and "Netz" differ only in the third character.
    EXPECT_EQ(Order({{"News", D}, {"Netz", D}}), "Netz News");
    // A feed compares its first letter only, against folders as well: "nachrichten" (key "n")
    // is not greater than "new" or "net", so it goes before both.
    EXPECT_EQ(Order({{"News", D}, {"Netz", D}, {"nachrichten", F}}), "nachrichten Netz News");
    // A folder compared with a feed uses three characters of both: "new" > "n".
    EXPECT_EQ(Order({{"nachrichten", F}, {"News", D}}), "nachrichten News");
    EXPECT_EQ(Order({{"zeit", F}, {"Audio", D}, {"Musik", D}, {"mdr", F}}), "Audio mdr Musik zeit");
}

// Names in other scripts: whole characters, lower-cased in their own script, after every
// Windows-1252 character, whose order stays the 8-bit one (the euro sign before the umlauts).
TEST(FeedOrder, NamesInAnyScriptAreKeyedByWholeLowerCasedCharacters)
{
    const std::pair<const char*, const char*> keys[] = {
        {"Новости", "нов"}, {"ΕΛΛΆΔΑ", "ελλ"},          {"ニュース", "ニュー"}, {"ĐÀ NẴNG", "đà "},
        {"ŁÓDŹ", "łód"},    {"Ä\xFF", "ä\xEF\xBF\xBD"}, {"🚀 Start", "🚀 s"}};
    for (const auto& [caption, key] : keys)
        EXPECT_EQ(OrderKey(caption, 3), key) << caption;
    EXPECT_EQ(OrderKey("Äpfel", 1), "ä");
    EXPECT_EQ(Order({{"Новости", F}, {"über", F}, {"€uro", F}, {"zeit", F}}), "zeit €uro über Новости");
    EXPECT_EQ(Order({{"новый", F}, {"Новости", F}, {"Ярмарка", F}}), "Новости новый Ярмарка");
}

TEST(FeedOrder, PositionOfAnEmptyParentIsZero)
{
    TMenuItem parent;
    EXPECT_EQ(OrderedPosition(parent, "x", F), 0);
}

} // namespace
