#include "app/wrap_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "hard_text.h"
#include "rtl/utf8.h"
#include "wrap_text_reference.h"

namespace {

std::string NonBlank(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ')
            r += c;
    return r;
}

TEST(WrapText, BreaksAtTheLastSpaceWithinTheWidthKeepingTheSpace)
{
    EXPECT_EQ(WrapText("Neue Version des Programms", 10), "Neue \rVersion \rdes \rProgramms");
    EXPECT_EQ(WrapText("one two", 4), "one \rtwo");
}

TEST(WrapText, TextsNoLongerThanTheWidthOrAWidthBelowOneStayUnchanged)
{
    EXPECT_EQ(WrapText("short text", 10), "short text");
    EXPECT_EQ(WrapText("", 5), "");
    EXPECT_EQ(WrapText("a b c d", 0), "a b c d");
    EXPECT_EQ(WrapText("a b c d", -10), "a b c d");
}

TEST(WrapText, HeadlineAndBodyOfSeventyFiveCharactersWithBalloonWidthEighty)
{
    std::string text;
    while (text.size() < 75)
        text += "word ";
    text.resize(75);
    EXPECT_NE(WrapText(text, 80 - 10).find('\r'), std::string::npos);
    EXPECT_EQ(WrapText(text, 80), text);
}

TEST(WrapText, AStretchWithoutASpaceIsBrokenHardAfterTheWidth)
{
    EXPECT_EQ(WrapText("abcdefghij", 4), "abcd\refgh\rij");
    EXPECT_EQ(WrapText("http://example.com/a/long/path news", 10), "http://exa\rmple.com/a\r/long/path\rnews");
    EXPECT_EQ(WrapText("ab cdefghijkl", 4), "ab \rcdef\rghij\rkl");
}

TEST(WrapText, BlanksAtTheBreaksGoAndEveryOtherCharacterStays)
{
    EXPECT_EQ(WrapText("aaaa  bbbbbbbbbb", 5), "aaaa \rbbbbb\rbbbbb");
    EXPECT_EQ(WrapText("one two   ", 4), "one \rtwo");
}

TEST(WrapText, CountsAndBreaksBetweenCharacters)
{
    using namespace hard;
    const struct {
        std::string Text;
        int Width;
        std::string Wrapped;
    } cases[] = {
        {"Am" + kAcute + "lie Am" + kAcute + "lie", 7, "Am" + kAcute + "lie \rAm" + kAcute + "lie"},
        {kThumb + kThumb + kThumb + kThumb, 3, kThumb + kThumb + kThumb + "\r" + kThumb},
        {kFamily + kFamily + kFamily, 2, kFamily + kFamily + "\r" + kFamily},
        {kFlag + kFlag + kFlag, 2, kFlag + kFlag + "\r" + kFlag},
        {kClef + kClef + kClef, 1, kClef + "\r" + kClef + "\r" + kClef},
        {kJamo + kShin + " " + kJamo, 2, kJamo + kShin + "\r" + kJamo},
        {"Новости дня", 8, "Новости \rдня"},
        {"ニュース速報です", 4, "ニュース\r速報です"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WrapText(c.Text, c.Width), c.Wrapped) << c.Text << " " << c.Width;
}

TEST(WrapText, AgreesWithTheRecursiveRuleAndKeepsLinesWithinTheWidth)
{
    // ASCII, blanks, and characters of several code points, a lone regional indicator among them.
    static const std::string kParts[] = {
        " ",    "  ",  "a",          "bb",        "ccc",        "dddddddd", "\t",
        "\r\n", "x y", hard::kAcute, hard::kFlag, hard::kThumb, "\xCC\x81", "\xF0\x9F\x87\xAB"};
    std::mt19937 rng(5);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        int parts = static_cast<int>(rng() % 20);
        for (int i = 0; i < parts; ++i)
            s += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
        int w = static_cast<int>(rng() % 12) - 1;
        std::string wrapped = WrapText(s, w);
        ASSERT_EQ(wrapped, reference::WrapText(s, w)) << "[" << s << "] " << w;
        ASSERT_EQ(NonBlank(wrapped), NonBlank(s));
        if (w >= 1 && s.find('\r') == std::string::npos) {
            for (std::size_t from = 0, cr; from <= wrapped.size(); from = cr + 1) {
                cr = std::min(wrapped.find('\r', from), wrapped.size());
                ASSERT_LE(rtl::CharacterCount(std::string_view(wrapped).substr(from, cr - from)),
                          static_cast<std::size_t>(w))
                    << "[" << s << "] " << w;
            }
        }
    }
}

TEST(WrapText, LongTextWithWidthOneKeepsEveryCharacter)
{
    std::string text(200000, 'x');
    for (std::size_t i = 0; i < text.size(); i += 7)
        text[i] = ' ';
    std::string wrapped = WrapText(text, 1);
    EXPECT_EQ(NonBlank(wrapped), NonBlank(text));
    EXPECT_EQ(wrapped.substr(0, 7), " \rx\rx\rx"); // the outermost result is not trimmed
}

} // namespace
