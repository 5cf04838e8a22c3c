#pragma once
#include <windows.h>

#include "gui/handles.h"

// A new icon of the feed icon's size: the badge drawn with its own mask over the feed icon at the
// top-left corner, the masks ANDed so that a pixel is transparent only where both are. Empty when
// either icon cannot be read.
TIconHandle OverlayIcon(HICON badge, HICON feedIcon);
