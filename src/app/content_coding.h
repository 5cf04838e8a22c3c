#pragma once
#include <cstddef>
#include <string>

#include "rtl/string_list.h"

// Compressed response bodies. The program asks servers for gzip and deflate and undoes whatever
// Content-Encoding the answer names; a body that does not decode is a failure, never a document.

// What the program offers in its Accept-Encoding header.
extern const char* const kAcceptedCodings;
// A decoded body larger than this is refused: a small compressed body may unpack to gigabytes.
constexpr std::size_t kMaxDecodedSize = std::size_t(64) << 20;

enum class TDecodeStatus { Ok, Corrupt, TooLarge, UnknownCoding };

// The value of the first header line "name: value" (name in any letter case), "" when none;
// the status line and lines without a colon are skipped.
std::string HeaderValue(const TStringList& headers, const std::string& name);

// Undoes the codings of a Content-Encoding value ("gzip", "deflate", "x-gzip", "identity", or a
// comma-separated list applied in that order) into out. Deflate bodies are taken with or
// without the zlib wrapper, as servers send both; gzip bodies may hold several members. On a
// failure out is empty. The body must not be out itself.
TDecodeStatus DecodeContent(const std::string& codings, const std::string& body, std::string& out,
                            std::size_t limit = kMaxDecodedSize);

// The failure as the tooltip names it (without "Fehler: ").
std::string DecodeFailureText(TDecodeStatus status, const std::string& codings);
