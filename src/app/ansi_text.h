#pragma once
#include <string>

// Characters decoded from feed text reach the program's 8-bit strings through this one seam. On
// Windows it is the platform's ANSI code page (its closest letter, else "?"); the portable build
// used for the host tests writes Windows-1252, else "?".
namespace feed {

void AppendAnsi(std::string& out, char32_t codePoint);

} // namespace feed
