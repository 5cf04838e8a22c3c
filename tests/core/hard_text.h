#pragma once
// Characters that take more than one code point or more than one UTF-16 unit, for the tests of
// everything that counts or cuts text in characters.
#include <string>

namespace hard {

inline const std::string kAcute = "e\xCC\x81";                        // e and a combining acute
inline const std::string kThumb = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"; // thumbs up, skin tone
inline const std::string kFamily = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
inline const std::string kFlag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";     // two regional indicators: DE
inline const std::string kClef = "\xF0\x9D\x84\x9E";                     // beyond U+FFFF: a surrogate pair
inline const std::string kJamo = "\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8"; // one Hangul syllable of three jamo
inline const std::string kShin = "\xD7\xA9\xD7\x81\xD6\xB8";             // Hebrew letter with two points

} // namespace hard
