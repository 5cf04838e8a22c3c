#pragma once
#include <cstddef>
#include <string_view>

namespace feed {

// A named character reference of HTML: the name between "&" and ";", one or two code points
// (Second is 0 for one), and whether browsers also read it without the semicolon.
struct THtmlEntity {
    std::string_view Name;
    char32_t First;
    char32_t Second;
    bool Legacy;
};

inline constexpr std::size_t kMaxEntityName = 31;
inline constexpr std::size_t kMaxLegacyEntityName = 6;

// Every name of the current HTML list, sorted by bytes (upper case before lower case).
extern const THtmlEntity kHtmlEntities[];
extern const std::size_t kHtmlEntityCount;

} // namespace feed
