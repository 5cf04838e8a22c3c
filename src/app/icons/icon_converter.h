#pragma once
#include "app/icons/bitmap.h"
#include "app/icons/icon_writer.h"

#include <string>

namespace icons {

constexpr int kIconSize = 16;

// Stands in for genuine black while the mask is made; such pixels come out black and opaque.
constexpr TRgb kPlaceholderColor{250, 249, 248};

// The icon of a bitmap, 16 × 16: its top-left 16 × 16 pixels (those a smaller bitmap lacks are
// black), transparent wherever the colour equals that of the bottom-left pixel (x 0, y 15).
// Transparent pixels and pixels of kPlaceholderColor are black in the colour picture; every
// other pixel keeps its colour, black included unless black is the transparent colour.
TIconImage MakeIconImage(const TBitmap24& bitmap);

// MakeIconImage, then the icon file written at path (created or replaced). Raises EInOutError
// naming the file when it cannot be written.
void SaveBitmapAsIconFile(const TBitmap24& bitmap, const std::string& path);

} // namespace icons
