#pragma once
#include <string>

// Breaks text into lines of at most width characters for the balloon, at the last space within
// reach; lines are separated by a single CR and every broken line keeps the space it was broken
// at. A stretch of width characters without a space is broken hard after width characters.
// With width below 1, or a text no longer than width, the text is returned unchanged. Only
// blanks at the breaks are dropped; no other character is lost. Characters are what the user
// sees as one (rtl/utf8.h): no break falls inside one.
std::string WrapText(const std::string& text, int width);
