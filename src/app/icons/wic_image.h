#pragma once
#include <string>

#include "app/icons/site_icon.h"

// Pictures decoded by the platform's imaging component (WIC): icon files (with BMP or PNG
// images inside), PNG, GIF, JPEG and BMP, told apart by their content. Every call initialises
// COM on the calling thread for its own time (any thread will do, one that already has COM
// included) and leaves the thread as it found it.
namespace icons {

// The largest picture accepted, in pixels; a site icon is far smaller.
constexpr int kMaxWicSide = 4096;

// The picture in memory, with its alpha channel. Of a file with several images (an icon file)
// the one for 16 pixels is taken, else the smallest larger one, else the largest. Raises
// EInvalidGraphic, with a German message beginning "Das Bild kann nicht gelesen werden", for
// anything the component cannot decode and for pictures above kMaxWicSide.
TBitmapBgra DecodeImage(const std::string& bytes);

// The site icon file of a picture: DecodeImage, SiteIconImage, and the icon writer's 16 × 16
// file (1406 bytes).
std::string SiteIconFileBytes(const std::string& pictureBytes);

} // namespace icons
