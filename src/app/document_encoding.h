#pragma once
#include <string>

// Feed documents arrive as bytes. Most today are UTF-8, which the program's 8-bit text would show
// as garbage: a document that says it is UTF-8 (a byte-order mark, or an XML declaration naming
// that encoding in any letter case) is converted to the ANSI code page first.
bool IsUtf8Document(const std::string& document);
