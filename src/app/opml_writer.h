#pragma once
#include <string>
#include <vector>

#include "app/opml_outline.h"

namespace opml {

// The outlines as an OPML 2.0 file in UTF-8: folders as outlines holding their outlines, feeds as
// outlines of type "rss" with text, title, xmlUrl and (when known) htmlUrl. Text that is not
// valid UTF-8 is written with U+FFFD for the broken bytes, characters XML cannot hold are left
// out, and spaces that a reader would collapse are written as references, so that ReadOpml gives
// back the very outlines.
std::string WriteOpml(const std::vector<TOutline>& outlines, const std::string& title);

} // namespace opml
