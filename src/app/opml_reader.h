#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/opml_outline.h"

// Reads OPML 1.0 and 2.0 subscription lists as other feed readers write them. The file is XML in
// any character set it declares that the platform converts (code_page.h); every outline with an "xmlUrl" is a
// feed, every other outline a folder of the outlines inside it (outlines inside a feed's outline belong to the
// feed's folder).
namespace opml {

// The largest file and the most outlines and folder levels a list may have; beyond them the file
// is refused as a whole.
constexpr std::size_t kMaxOpmlBytes = std::size_t(16) << 20;
constexpr std::size_t kMaxOutlines = 50000;
constexpr std::size_t kMaxDepth = 32;

struct TOpmlDocument {
    bool Ok = false;
    std::string Error; // why the file was refused (a German message for the user), when not Ok
    std::string Title; // the head's title
    std::vector<TOutline> Outlines;
};

// Never fails by exception and never gives part of a list: a file that is not OPML, is damaged
// (unclosed or mismatched elements, cut off) or too large is Ok false with only Error set.
TOpmlDocument ReadOpml(const std::string& bytes);

// Whether the file's root element is "opml" (letter case ignored), looked for in its first
// kilobytes in the character set it declares: how an import tells an OPML file from a Klip file.
bool LooksLikeOpml(const std::string& bytes);

// The host of an address ("https://user@www.example.org:8080/x" gives "www.example.org"), or the
// address itself when it has none.
std::string AddressHost(const std::string& address);

} // namespace opml
