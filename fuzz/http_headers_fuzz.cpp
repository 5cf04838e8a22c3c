// A response's raw header block as a server may send it. Nothing may crash; the header limit
// counts every header line once (the status line and empty lines not), a header's value is one
// line without its blanks around it, and Retry-After keeps within its bounds whatever it says.
#include <cstdint>
#include <string>

#include "app/content_coding.h"
#include "app/document_encoding.h"
#include "app/refresh_schedule.h"
#include "fuzz_check.h"
#include "net/header_limits.h"
#include "rtl/string_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string block(reinterpret_cast<const char*>(data), size);
    TStringList headers;
    headers.SetText(block);
    std::size_t lines = 0;
    for (const std::string& line : headers)
        lines += line.empty() ? 0 : 1;
    const std::size_t counted = HeaderLineCount(block);
    FuzzCheck(counted == (lines > 0 ? lines - 1 : 0), "HeaderLineCount", std::to_string(counted),
              std::to_string(lines));
    for (const char* name : {"Retry-After", "Location", "Content-Type", "Content-Encoding", "ETag"}) {
        const std::string value = HeaderValue(headers, name);
        FuzzCheck(value.find_first_of("\r\n") == std::string::npos, "one line", value);
        FuzzCheck(value.empty() || (value.front() != ' ' && value.back() != ' '), "trimmed", value);
        const std::optional<long long> wait = RetryAfterSeconds(value, 1700000000);
        FuzzCheck(!wait || (*wait >= 0 && *wait <= kMaxRetryAfterSeconds), "Retry-After in bounds", value,
                  wait ? std::to_string(*wait) : "");
    }
    ContentTypeCharset(block);
    return 0;
}
