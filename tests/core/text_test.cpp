#include "rtl/string_list.h"
#include "rtl/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextHelpers, PositionsAreOneBasedAndZeroMeansNotFound)
{
    EXPECT_EQ(rtl::Pos("b", "abcb"), 2u);
    EXPECT_EQ(rtl::Pos("b", "abcb", 3), 4u);
    EXPECT_EQ(rtl::Pos("x", "abc"), 0u);
    EXPECT_EQ(rtl::Pos("", "abc"), 0u);
    EXPECT_EQ(rtl::Pos("a", "abc", 9), 0u);
    EXPECT_EQ(rtl::Copy("abcdef", 2, 3), "bcd");
    EXPECT_EQ(rtl::Copy("abc", 3, 10), "c");
    EXPECT_EQ(rtl::Copy("abc", 4, 1), "");
}

TEST(TextHelpers, TrimRemovesControlCharactersAndSpacesAtBothEnds)
{
    EXPECT_EQ(rtl::Trim(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(rtl::Trim("   "), "");
    EXPECT_EQ(rtl::Trim("\xC4rger "), "\xC4rger"); // bytes above 127 are text, not blanks
}

TEST(TextHelpers, CaseFoldingTouchesOnlyAsciiLetters)
{
    EXPECT_EQ(rtl::UpperCase("abc\xE4"), "ABC\xE4");
    EXPECT_TRUE(rtl::SameText("Feed.NFD", "feed.nfd"));
    EXPECT_FALSE(rtl::SameText("feed", "feeds"));
    EXPECT_TRUE(rtl::StartsText("HTTP", "http://x"));
}

TEST(TextHelpers, FileNamePartsFollowTheLastBackslash)
{
    EXPECT_EQ(rtl::ExtractFilePath("C:\\a\\b.exe"), "C:\\a\\");
    EXPECT_EQ(rtl::ExtractFileName("C:\\a\\b.exe"), "b.exe");
    EXPECT_EQ(rtl::ExtractFileExt("C:\\a.d\\b"), "");
    EXPECT_EQ(rtl::ExtractFileExt("b.tar.nfd"), ".nfd");
    EXPECT_EQ(rtl::ChangeFileExt("C:\\a\\feed.nfd", ".ico"), "C:\\a\\feed.ico");
    EXPECT_EQ(rtl::ChangeFileExt("C:\\a.b\\feed", ".ico"), "C:\\a.b\\feed.ico");
    EXPECT_EQ(rtl::IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
}

TEST(StringList, TextEndsEveryLineWithCrLfAndSplitsAnyLineEnd)
{
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Strings(2), "three");
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    list.SetText("a\r\n\r\n");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(1), "");
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
