// OPML files in the character sets that the platform's converters read.
#include "app/opml_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(OpmlCharsets, ThePlatformConvertsWhatTheFileDeclares)
{
    struct {
        const char* charset;
        std::string name;     // in that character set
        std::string expected; // UTF-8
    } cases[] = {
        {"windows-1251", "\xCD\xEE\xE2\xEE\xF1\xF2\xE8",
         "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8"},
        {"KOI8-R", "\xEE\xCF\xD7\xCF\xD3\xD4\xC9", "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8"},
        {"Shift_JIS", "\x83\x6A\x83\x85\x81\x5B\x83\x58", "\xE3\x83\x8B\xE3\x83\xA5\xE3\x83\xBC\xE3\x82\xB9"},
        {"ISO-8859-2", "\xA3\xF3\x64\xBC", "\xC5\x81\xC3\xB3\x64\xC5\xBA"},
    };
    for (const auto& c : cases) {
        const std::string file = std::string("<?xml version=\"1.0\" encoding=\"") + c.charset +
                                 "\"?><opml version=\"1.0\"><body><outline text=\"" + c.name +
                                 "\" xmlUrl=\"http://n.example/\"/></body></opml>";
        const opml::TOpmlDocument d = opml::ReadOpml(file);
        ASSERT_TRUE(d.Ok) << c.charset << ": " << d.Error;
        ASSERT_EQ(d.Outlines.size(), 1u) << c.charset;
        EXPECT_EQ(d.Outlines[0].Title, c.expected) << c.charset;
    }
}

} // namespace
