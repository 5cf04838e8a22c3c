#pragma once
#include <string>

// A Klip file describes a news source in XML; only its title and content source are taken, by
// the same element-text rule as the feed parser (no XML parsing).
struct TKlipFeed {
    bool Success = false; // Name is acceptable and URL is not empty
    std::string Title;    // text of the first "title" element, comments removed, cleaned as a caption
    std::string Name;     // Title made safe as a feed file name (SanitizeFeedName)
    std::string URL;      // text of the first "contentsource" element, comments removed, cleaned as a link
};

// fileText is the Klip file's content as the program reads a document (utf8_document.h); its line ends may
// be of any kind.
TKlipFeed ExtractKlip(const std::string& fileText);

// Message for a Klip that cannot become a feed (no content source, unusable or existing name).
inline constexpr const char* kKlipFailureMessage =
    "Klip konnt nicht hinzugefügt werden\rEs werden nicht alle Funktionen von Clipfolio unterstützt.";

// Replaces the characters that a file name may not hold: / \ : < > become "-", * becomes "+",
// ? and | become a space, the double quote an apostrophe.
std::string SanitizeFeedName(const std::string& name);

// Whether name + ".nfd" is a file that the feed store lists and that lies in the feed folder:
// not empty, not beginning with "." (the store skips such names), no path separator or drive
// colon, no control character, and not a device name such as "CON" or "LPT1".
bool IsAcceptableFeedName(const std::string& name);
