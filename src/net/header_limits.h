#pragma once
#include <cstddef>
#include <string_view>

// How much of a response's header a download takes. Portable: the check reads the raw block.

// A feed's answer has ten to thirty header lines; a hundred is what common servers allow a
// request (Apache's LimitRequestFields), and more is a server flooding the client (with cookies,
// say). The block's length is held by the 8 KB buffer it is read into.
constexpr std::size_t kMaxHeaderLines = 100;

// The header lines of a raw header block: its lines after the status line, empty ones not
// counted. Lines end with LF, CR LF or CR.
std::size_t HeaderLineCount(std::string_view block);
