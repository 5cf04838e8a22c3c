#include "rtl/utf8.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Utf8(std::initializer_list<char32_t> codePoints)
{
    std::string s;
    for (char32_t c : codePoints)
        rtl::AppendUtf8(s, c);
    return s;
}

// Unicode's own cases: every character boundary NextCharacter finds must be one the case marks,
// and every marked one must be found.
TEST(Utf8Characters, StepByUnicodesGraphemeBreakTests)
{
    std::ifstream in(std::string(QV_SOURCE_DIR) + "/tests/data/unicode/grapheme_breaks.txt");
    ASSERT_TRUE(in) << "tests/data/unicode/grapheme_breaks.txt";
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string text;
        std::vector<std::size_t> expected; // byte offsets where a character ends
        std::size_t count = 0;
        for (std::string field; fields >> field;) {
            if (field == "/") {
                if (!text.empty()) {
                    expected.push_back(text.size());
                    ++count;
                }
            } else if (field != "+") {
                rtl::AppendUtf8(text, static_cast<char32_t>(std::stoul(field, nullptr, 16)));
            }
        }
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < text.size();)
            found.push_back(i = rtl::NextCharacter(text, i));
        EXPECT_EQ(found, expected) << line;
        EXPECT_EQ(rtl::CharacterCount(text), count) << line;
        ++cases;
    }
    EXPECT_GT(cases, 600);
}

TEST(Utf8Characters, PrefixesEndBetweenCharacters)
{
    const std::string family = Utf8({0x1F468, 0x200D, 0x1F469, 0x200D, 0x1F467}); // one character
    const std::string text = "e\xCC\x81" + family + "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA" + "x";
    EXPECT_EQ(rtl::CharacterCount(text), 4u);
    EXPECT_EQ(rtl::CharacterPrefix(text, 0), 0u);
    EXPECT_EQ(rtl::CharacterPrefix(text, 1), 3u);
    EXPECT_EQ(rtl::CharacterPrefix(text, 2), 3u + family.size());
    EXPECT_EQ(rtl::CharacterPrefix(text, 3), text.size() - 1);
    EXPECT_EQ(rtl::CharacterPrefix(text, 9), text.size());
    EXPECT_EQ(rtl::CharacterCount("a\r\nb"), 3u); // CR LF is one
}

// Ill-formed bytes: each maximal part that could begin a character is one U+FFFD, as converters
// replace them, and counts as one character.
TEST(Utf8Decoding, IllFormedPartsBecomeOneReplacementCharacterEach)
{
    const std::string r = "\xEF\xBF\xBD";
    const struct {
        std::string Bytes, Valid;
    } cases[] = {
        {"plain \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x98\x80", "plain \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"\xEF\xBF\xBD", r}, // the replacement character itself is well-formed
        {"a\xE2\x82", "a" + r},
        {"\xE2\x82z", r + "z"},
        {"\xC0\xAF", r + r},                 // overlong
        {"\xED\xA0\x80", r + r + r},         // a surrogate
        {"\xF4\x90\x80\x80", r + r + r + r}, // beyond U+10FFFF
        {"\xF0\x9F\x98", r},
        {"\x80\xBF\xFF", r + r + r},
    };
    for (const auto& c : cases) {
        std::string out;
        rtl::AppendValidUtf8(out, c.Bytes);
        EXPECT_EQ(out, c.Valid) << c.Bytes;
        EXPECT_EQ(rtl::IsValidUtf8(c.Bytes), c.Bytes == c.Valid) << c.Bytes;
        EXPECT_TRUE(rtl::IsValidUtf8(out));
        EXPECT_EQ(rtl::CharacterCount(c.Bytes), rtl::CharacterCount(out)) << c.Bytes;
        EXPECT_EQ(rtl::Utf16Length(c.Bytes), rtl::Utf16Length(out)) << c.Bytes;
    }
    // Beyond the first plane a character takes two units.
    EXPECT_EQ(rtl::Utf16Length(cases[0].Bytes), 12u);
    EXPECT_EQ(Utf8({0xD800, 0x110000, 0x10FFFF}), r + r + "\xF4\x8F\xBF\xBF");
}

TEST(Utf8Decoding, CaseFoldsInEveryScript)
{
    const std::pair<char32_t, char32_t> cases[] = {
        {'A', 'a'},     {'a', 'a'},       {0xC4, 0xE4},   {0x410, 0x430},   {0x42F, 0x44F}, {0x401, 0x451},
        {0x3A9, 0x3C9}, {0x10A0, 0x2D00}, {0x5D0, 0x5D0}, {0x65E5, 0x65E5}, {0x1E9E, 0xDF}};
    for (const auto& [from, to] : cases)
        EXPECT_EQ(rtl::FoldCase(from), to) << std::hex << from;
}

} // namespace
