#include "app/refresh_schedule.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "rtl/utf8.h"

namespace {

bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Days from 1970-01-01 to the date, in the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int MonthOf(std::string_view name)
{
    static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() != 3)
        return 0;
    for (int i = 0; i < 12; ++i) {
        bool same = true;
        for (int k = 0; k < 3; ++k)
            same = same &&
                   std::tolower(static_cast<unsigned char>(name[static_cast<std::size_t>(k)])) == months[i][k];
        if (same)
            return i + 1;
    }
    return 0;
}

// The date's words and numbers: runs of letters or digits, anything else separating them.
std::vector<std::string_view> Tokens(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const bool alnum = std::isalnum(static_cast<unsigned char>(s[i])) != 0;
        if (!alnum) {
            ++i;
            continue;
        }
        const bool digit = std::isdigit(static_cast<unsigned char>(s[i])) != 0;
        std::size_t j = i;
        while (j < s.size() && std::isalnum(static_cast<unsigned char>(s[j])) &&
               (std::isdigit(static_cast<unsigned char>(s[j])) != 0) == digit)
            ++j;
        out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

// Seconds since 1970 of "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT" or
// "Sun Nov  6 08:49:37 1994"; nothing for anything else.
std::optional<long long> HttpDate(std::string_view s)
{
    std::vector<std::string_view> t = Tokens(s);
    // Weekday, then day month year h m s, or month day h m s year.
    if (t.size() < 7 || !std::isalpha(static_cast<unsigned char>(t[0][0])))
        return std::nullopt;
    // A number of more digits than any field has is kept from overflowing: it is as good as large.
    auto number = [](std::string_view v) {
        return !AllDigits(v) ? -1 : v.size() > 9 ? 999999999LL : std::atoll(std::string(v).c_str());
    };
    long long day, year, h, m, sec;
    int month;
    if (MonthOf(t[1])) {
        month = MonthOf(t[1]);
        day = number(t[2]);
        h = number(t[3]);
        m = number(t[4]);
        sec = number(t[5]);
        year = number(t[6]);
    } else {
        day = number(t[1]);
        month = MonthOf(t[2]);
        year = number(t[3]);
        h = number(t[4]);
        m = number(t[5]);
        sec = number(t[6]);
        if (year >= 0 && year < 100)
            year += year < 70 ? 2000 : 1900;
    }
    if (!month || day < 1 || day > 31 || year < 1970 || h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 60)
        return std::nullopt;
    // A server's year 10000 or later is no less far off than 9999, which the day count holds.
    year = std::min(year, 9999LL);
    return DaysFromCivil(year, month, static_cast<int>(day)) * 86400 + h * 3600 + m * 60 + sec;
}

} // namespace

std::optional<long long> RetryAfterSeconds(std::string_view value, long long nowSeconds)
{
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    long long seconds;
    if (AllDigits(value)) {
        // More digits than any wait worth holding are cut, not overflowed.
        seconds = value.size() > 9 ? kMaxRetryAfterSeconds : std::atoll(std::string(value).c_str());
    } else if (std::optional<long long> at = HttpDate(value)) {
        seconds = std::max(0LL, *at - nowSeconds);
    } else {
        return std::nullopt;
    }
    return std::min(seconds, kMaxRetryAfterSeconds);
}

long long HoldOffMilliseconds(int failures, long long intervalMs, std::optional<long long> retryAfterSeconds)
{
    if (intervalMs <= 0)
        return 0;
    long long hold = intervalMs * (1LL << std::min(std::max(failures, 1) - 1, 3));
    if (retryAfterSeconds)
        hold = std::max(hold, *retryAfterSeconds * 1000);
    return hold;
}

std::optional<std::string> ReplaceFirstLine(const std::string& fileBytes, const std::string& url)
{
    static const std::string kUtf8Mark = "\xEF\xBB\xBF";
    if (fileBytes.compare(0, 2, "\xFF\xFE") == 0 || fileBytes.compare(0, 2, "\xFE\xFF") == 0)
        return std::nullopt;
    const bool marked = fileBytes.compare(0, kUtf8Mark.size(), kUtf8Mark) == 0;
    const std::size_t end = fileBytes.find_first_of("\r\n", marked ? kUtf8Mark.size() : 0);
    const std::string rest = end == std::string::npos ? "\r\n" : fileBytes.substr(end);
    const bool ascii = rtl::IsAscii(url);
    if (!marked && !ascii && !rtl::IsValidUtf8(rest))
        return std::nullopt;
    return (marked || !ascii ? kUtf8Mark : std::string()) + url + rest;
}
