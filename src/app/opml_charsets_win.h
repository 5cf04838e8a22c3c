#pragma once
#include "app/opml_reader.h"

// The platform's converters for the character sets of OPML files that the portable reader does
// not convert itself (Windows-1251, KOI8-R, Shift_JIS, GB2312, ...), ANSI being the ANSI code page
// of this machine. A byte the set does not define becomes U+FFFD.
opml::TCharsetDecoder PlatformCharsetDecoder();
