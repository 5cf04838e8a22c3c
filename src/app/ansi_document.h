#pragma once
#include <string>

// A document's bytes as the program's 8-bit text: its character set decided (document_encoding.h)
// and converted to the ANSI code page, the byte-order mark dropped. A character the code page
// lacks becomes the platform's closest letter, else "?". httpCharset is the Content-Type's
// charset, "" when there was none (a file on disk).
std::string DocumentToAnsi(const std::string& bytes, const std::string& httpCharset = std::string());
