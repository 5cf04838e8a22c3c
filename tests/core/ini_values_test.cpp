#include "rtl/ini_values.h"

#include <gtest/gtest.h>

namespace {

struct IntCase {
    const char* text;
    int def;
    int expected;
};

class IniIntegerDecoding : public testing::TestWithParam<IntCase> {};

TEST_P(IniIntegerDecoding, ReadsDecimalHexOrTheDefault)
{
    const IntCase& c = GetParam();
    EXPECT_EQ(rtl::DecodeIniInteger(c.text, c.def), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Values, IniIntegerDecoding,
                         testing::Values(IntCase{"15", 0, 15}, IntCase{"0x1E", 15, 30}, IntCase{"0X1e", 15, 30},
                                         IntCase{"abc", 15, 15}, IntCase{"", 15, 15}, IntCase{"-7", 0, -7},
                                         IntCase{"+7", 0, 7}, IntCase{"0x", 4, 4}, IntCase{"0x1G", 4, 4},
                                         IntCase{"12a", 4, 4}, IntCase{"2147483647", 0, 2147483647},
                                         IntCase{"2147483648", 9, 9}, IntCase{"-2147483648", 0, -2147483647 - 1},
                                         IntCase{"0xFFFFFFFF", 0, -1}, IntCase{"0x100000000", 3, 3},
                                         IntCase{" 5", 1, 1}, IntCase{"-", 1, 1}));

TEST(IniBoolDecoding, AnyNonZeroIntegerIsTrueAndNonNumbersGiveTheDefault)
{
    EXPECT_TRUE(rtl::DecodeIniBool("2", false));
    EXPECT_TRUE(rtl::DecodeIniBool("-1", false));
    EXPECT_FALSE(rtl::DecodeIniBool("0", true));
    EXPECT_FALSE(rtl::DecodeIniBool("", false));
    EXPECT_TRUE(rtl::DecodeIniBool("", true));
    EXPECT_TRUE(rtl::DecodeIniBool("yes", true));
    EXPECT_FALSE(rtl::DecodeIniBool("yes", false));
    EXPECT_EQ(rtl::EncodeIniBool(true), "1");
    EXPECT_EQ(rtl::EncodeIniBool(false), "0");
    EXPECT_EQ(rtl::EncodeIniInteger(-12), "-12");
}

// The lines of a file the program reads itself give what the profile functions give.
TEST(IniLineParsing, SectionsKeysAndValuesAsTheProfileFunctionsReadThem)
{
    const struct {
        const char* Line;
        rtl::TIniLine::TKind Kind;
        const char* Name;
        const char* Value;
    } cases[] = {
        {"", rtl::TIniLine::ilBlank, "", ""},
        {" \t\r", rtl::TIniLine::ilBlank, "", ""},
        {"[Settings]", rtl::TIniLine::ilSection, "Settings", ""},
        {"  [ Proxy ] x ]\r", rtl::TIniLine::ilSection, " Proxy ] x ", ""},
        {"[Settings", rtl::TIniLine::ilKey, "[Settings", ""},
        {"Interval=30", rtl::TIniLine::ilKey, "Interval", "30"},
        {"  Cut Channelname \t=  1 \r", rtl::TIniLine::ilKey, "Cut Channelname", "1"},
        {"Host=a=b", rtl::TIniLine::ilKey, "Host", "a=b"},
        {"Pass=\"ge heim\"", rtl::TIniLine::ilKey, "Pass", "ge heim"},
        {"Pass='x'", rtl::TIniLine::ilKey, "Pass", "x"},
        {"Pass=\"x'", rtl::TIniLine::ilKey, "Pass", "\"x'"},
        {"Pass=\"", rtl::TIniLine::ilKey, "Pass", "\""},
        {"Top=", rtl::TIniLine::ilKey, "Top", ""},
        {"; Kommentar", rtl::TIniLine::ilKey, "; Kommentar", ""},
    };
    for (const auto& c : cases) {
        const rtl::TIniLine got = rtl::ParseIniLine(c.Line);
        EXPECT_EQ(got.Kind, c.Kind) << c.Line;
        EXPECT_EQ(got.Name, c.Name) << c.Line;
        EXPECT_EQ(got.Value, c.Value) << c.Line;
    }
    EXPECT_TRUE(rtl::SameIniName("MaxEntrys", "maxENTRYS"));
    EXPECT_FALSE(rtl::SameIniName("MaxEntry", "MaxEntrys"));
}

} // namespace
