#pragma once
#include <cstddef>

// Tables from Unicode's data, written by unicode_data_gen.py: the grapheme-cluster break classes,
// which utf8.cpp steps characters by, and the simple case folding.
namespace rtl {

enum class TGraphemeClass : unsigned char {
    Other,
    CR,
    LF,
    Control,
    Extend,
    ZWJ,
    RegionalIndicator,
    Prepend,
    SpacingMark,
    L,
    V,
    T,
    LV,
    LVT,
    ExtendedPictographic,
};

struct TGraphemeRange {
    char32_t First, Last;
    TGraphemeClass Class;
};

// Sorted, not overlapping; a code point in no range is Other.
extern const TGraphemeRange kGraphemeRanges[];
extern const std::size_t kGraphemeRangeCount;

struct TCaseFold {
    char32_t From, To;
};

// Sorted by From; a code point not listed folds to itself.
extern const TCaseFold kCaseFolds[];
extern const std::size_t kCaseFoldCount;

} // namespace rtl
