#include "app/refresh_schedule.h"

#include <gtest/gtest.h>

namespace {

// 1994-11-06 08:49:37 UTC, the example date of HTTP.
constexpr long long kExampleDate = 784111777;

TEST(RetryAfter, SecondsAndAllThreeDateFormsAreReadAndCut)
{
    const struct {
        const char* Value;
        long long Now;
        std::optional<long long> Seconds;
    } cases[] = {
        {"120", 0, 120},
        {"  0 ", 0, 0},
        {"86401", 0, kMaxRetryAfterSeconds},
        {"99999999999999999999", 0, kMaxRetryAfterSeconds},
        {"Sun, 06 Nov 1994 08:49:37 GMT", kExampleDate - 90, 90},
        {"Sunday, 06-Nov-94 08:49:37 GMT", kExampleDate - 90, 90},
        {"Sun Nov  6 08:49:37 1994", kExampleDate - 90, 90},
        {"sun, 06 nov 1994 08:49:37 gmt", kExampleDate - 1, 1},
        {"Sun, 06 Nov 1994 08:49:37 GMT", kExampleDate + 3600, 0}, // in the past
        {"Tue, 29 Feb 2028 12:00:00 GMT", 1835438400 - 7200, 7200},
        {"Sun, 06 Nov 1994 08:49:37 GMT", 0, kMaxRetryAfterSeconds},
        {"Sun, 06 Nov 14979999999999999999999 08:49:37 GMT", kExampleDate, kMaxRetryAfterSeconds},
        {"Sun, 06 Nov 1994 99999999999999999999:49:37 GMT", 0, std::nullopt},
        {"", 0, std::nullopt},
        {"-5", 0, std::nullopt},
        {"1.5", 0, std::nullopt},
        {"morgen", 0, std::nullopt},
        {"Sun, 32 Nov 1994 08:49:37 GMT", 0, std::nullopt},
        {"Sun, 06 Foo 1994 08:49:37 GMT", 0, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RetryAfterSeconds(c.Value, c.Now), c.Seconds) << "\"" << c.Value << "\"";
}

TEST(HoldOff, DoublesFromTheSecondFailureUpToEightIntervalsAndRetryAfterWinsWhenLonger)
{
    const long long minute = 60000;
    const struct {
        int Failures;
        long long Interval;
        std::optional<long long> RetryAfter;
        long long Hold;
    } cases[] = {
        {1, 15 * minute, std::nullopt, 15 * minute},  {2, 15 * minute, std::nullopt, 30 * minute},
        {3, 15 * minute, std::nullopt, 60 * minute},  {4, 15 * minute, std::nullopt, 120 * minute},
        {9, 15 * minute, std::nullopt, 120 * minute}, {1, 15 * minute, 120, 15 * minute},
        {1, 15 * minute, 7200, 120 * minute},         {3, 15 * minute, 7200, 120 * minute},
        {3, 15 * minute, 3599, 60 * minute},          {2, 0, 7200, 0}, // no timer, nothing to hold
    };
    for (const auto& c : cases)
        EXPECT_EQ(HoldOffMilliseconds(c.Failures, c.Interval, c.RetryAfter), c.Hold)
            << c.Failures << " failures, interval " << c.Interval;
}

TEST(ReplaceFirstLine, KeepsTheMarkTheLineEndAndTheRest)
{
    const std::string ascii = "http://neu/", umlaut = "http://bücher.de/";
    const struct {
        const char* File;
        const std::string& Url;
        std::optional<std::string> Replaced;
    } cases[] = {
        {"http://alt/\r\n", ascii, "http://neu/\r\n"},
        {"http://alt/\r\nNotiz\r\nzwei\r\n", ascii, "http://neu/\r\nNotiz\r\nzwei\r\n"},
        {"http://alt/\nNotiz", ascii, "http://neu/\nNotiz"},
        {"\xEF\xBB\xBFhttp://alt/\r\nNotiz", ascii, "\xEF\xBB\xBFhttp://neu/\r\nNotiz"},
        {"http://alt/", ascii, "http://neu/\r\n"},
        {"", ascii, "http://neu/\r\n"},
        // An address beyond ASCII is UTF-8 with a mark; a rest in the ANSI code page would then
        // read differently, and a file in UTF-16 would need the address in UTF-16.
        {"http://alt/\r\nNotiz", umlaut, "\xEF\xBB\xBFhttp://bücher.de/\r\nNotiz"},
        {"\xEF\xBB\xBFhttp://alt/\r\nMüll", umlaut, "\xEF\xBB\xBFhttp://bücher.de/\r\nMüll"},
        {"http://alt/\r\nM\xFCll", umlaut, std::nullopt},
        {"http://alt/\r\nM\xFCll", ascii, "http://neu/\r\nM\xFCll"},
        {"\xFF\xFEh", ascii, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceFirstLine(c.File, c.Url), c.Replaced) << c.File;
}

} // namespace
