#pragma once
#include <cstddef>
#include <string>

#include "gui/menu_item.h"

// The order of the "Newsfeeds" submenu: entries are placed by a short key, the first few
// characters of the caption lower-cased, so folders (3 characters) and feeds (1 character) are
// only roughly alphabetical, and among equal keys the later-inserted entry stands first.
inline constexpr std::size_t kFolderKeyLength = 3;
inline constexpr std::size_t kFeedKeyLength = 1;

// The first keyLength characters of the caption, lower-cased: the letters of Windows-1252 as its
// case mapping has them, every other letter by Unicode's simple case folding.
std::string OrderKey(const std::string& caption, std::size_t keyLength);
// Where an entry with this caption goes: after the last existing entry whose key (of the same
// length) it exceeds, at 0 when there is none. Keys compare character by character, those of
// Windows-1252 by their byte in it and all others after them by their code point, so that names
// the 8-bit program held keep its order.
int OrderedPosition(const TMenuItem& parent, const std::string& caption, std::size_t keyLength);
// Inserts item (taking ownership) at its ordered position.
void InsertOrdered(TMenuItem& parent, TMenuItem* item, std::size_t keyLength);
