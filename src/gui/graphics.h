#pragma once
#include <windows.h>

#include <string>

// Colours as the toolkit stores them: an RGB value, or a system colour index with the top bit
// set (clBtnFace, clWindow...) resolved when drawn.
using TColor = unsigned int;
constexpr TColor kSystemColorFlag = 0x80000000u;
constexpr TColor clBtnFace = kSystemColorFlag | COLOR_BTNFACE;
constexpr TColor clWindow = kSystemColorFlag | COLOR_WINDOW;
constexpr TColor clWindowText = kSystemColorFlag | COLOR_WINDOWTEXT;
constexpr TColor clGrayText = kSystemColorFlag | COLOR_GRAYTEXT;
constexpr TColor clInfoBk = kSystemColorFlag | COLOR_INFOBK;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clNone = 0x1FFFFFFF;

COLORREF ColorToRGB(TColor c);
// A solid brush per colour, cached for the process lifetime (there are only a handful).
HBRUSH ColorBrush(TColor c);

struct TFontSpec {
    std::string Name = "MS Sans Serif";
    int Height = -11; // 8 point at 96 dpi
    bool Bold = false;
    bool Underline = false;
    bool operator<(const TFontSpec& o) const;
};
// Fonts are shared by their description and DPI (Height is the size at 96 DPI) and live for the
// process lifetime.
HFONT SharedFont(const TFontSpec& font, int dpi = 96);

// An icon file's image of the given size, nullptr when the file is missing or no icon; the
// caller owns it.
HICON LoadIconFile(const std::string& fileName, int width, int height);
