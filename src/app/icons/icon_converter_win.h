#pragma once
#include <windows.h>

#include <ostream>
#include <string>

#include "app/icons/bitmap.h"
#include "app/icons/icon_writer.h"
#include "gui/component.h"
#include "gui/handles.h"

// The bitmap-to-icon conversion as a component: the feed icon command makes one for each
// conversion and frees it right after.
class TIconConverter : public TComponent {
public:
    explicit TIconConverter(TComponent* AOwner) : TComponent(AOwner) {}

    // A 16 × 16 icon of the bitmap's top-left 16 × 16 pixels, transparent where they have the
    // colour of the bottom-left pixel (icons::MakeIconImage).
    TIconHandle MakeIconFromBitmap(const icons::TBitmap24& bitmap);
    // The icon of the bitmap written as an icon file at path (created or replaced). Raises
    // EInOutError when the file cannot be written; nothing is written for a bitmap that is
    // inconsistent (EInvalidGraphic).
    void SaveBitmapAsIconFile(const icons::TBitmap24& bitmap, const std::string& path);
};

// The platform icon made of a portable one. Raises EInvalidGraphic when the platform refuses it.
TIconHandle CreateIconFromImage(const icons::TIconImage& image);
// The colour picture and mask of a platform icon read back in portable form.
icons::TIconImage IconImageOf(HICON icon);
// Writes a platform icon as an icon file (8 bits per pixel with the fixed palette and a 1-bit
// mask), the length first when withLength.
void WriteIconFile(std::ostream& stream, HICON icon, bool withLength);
