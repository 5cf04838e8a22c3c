#pragma once
#include <string>

class TComponent;

// The kinds of file a feed icon is made from, told by the extension alone, letter case counting.
enum TIconSource { isIcon, isBitmap, isJpeg, isUnknown };
TIconSource IconSourceOf(const std::string& fileName);

// Where a feed's icon goes: beside its feed file, under the feed's name.
std::string FeedIconTarget(const std::string& feedFile);

// Writes the icon file target from the chosen file: an icon file is checked and copied, a
// bitmap or JPEG picture is scaled to 16 × 16 and converted (by a TIconConverter owned by owner
// for the time of the conversion). Returns false, writing nothing, for a file of another kind.
// A file that cannot be read or decoded raises its error (EInOutError, icons::EInvalidGraphic)
// before anything is written.
bool WriteFeedIcon(TComponent* owner, const std::string& chosenFile, const std::string& target);
