#pragma once
#include <optional>
#include <string>
#include <string_view>

// When the timer may ask a feed's server again after failures, and how a feed file takes a new
// address. Portable: times are plain numbers.

// The longest a server's Retry-After holds the timer off.
constexpr long long kMaxRetryAfterSeconds = 24 * 60 * 60;

// The seconds from now a Retry-After value asks to wait: delta seconds, or an HTTP date (the
// preferred form, RFC 850 or asctime) against now in seconds since 1970 (UTC). A date in the past
// is 0; more than kMaxRetryAfterSeconds is cut to that; a value of neither form gives nothing.
std::optional<long long> RetryAfterSeconds(std::string_view value, long long nowSeconds);

// How long the timer waits before it asks again after the failures-th failure in a row: one
// interval after the first, two after the second, doubling up to eight intervals; a server's
// Retry-After, when longer, wins. With no interval (the timer stopped) there is no next try: 0.
long long HoldOffMilliseconds(int failures, long long intervalMs, std::optional<long long> retryAfterSeconds);

// The feed file's bytes with its first line (the address) replaced by url: a UTF-8 mark, the line
// end found after the line and the rest of the file stay as they were. A file of one line without
// a line end gets CR LF. An address that is not plain ASCII is UTF-8, so a file without a mark gets
// one, unless the rest of it is not UTF-8 (the ANSI code page): then, as for a file in UTF-16, no
// bytes that keep the rest as it was read: nothing.
std::optional<std::string> ReplaceFirstLine(const std::string& fileBytes, const std::string& url);
