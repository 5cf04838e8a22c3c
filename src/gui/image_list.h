#pragma once
#include <windows.h>
#include <commctrl.h>

#include "gui/component.h"
#include "gui/handles.h"

// A copy of the icon at width x height, enlarged (or reduced) smoothly; a copy at its own size
// when it already has that size. Empty when the icon cannot be read.
TIconHandle IconAtSize(HICON icon, int width, int height);

// A list of same-sized icons (32-bit colour with mask) over a system image list. Icons of another
// size are scaled smoothly to the list's when added.
class TImageList : public TComponent {
public:
    TImageList(TComponent* AOwner, int width = 16, int height = 16);
    ~TImageList() override;
    HIMAGELIST Handle() const { return FHandle.Get(); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const;
    // Adds a copy of the icon; returns its index, -1 on failure.
    int AddIcon(HICON icon);
    // Replaces the icon at index with a copy; false when index is out of range.
    bool ReplaceIcon(int index, HICON icon);
    // Copies the picture at from over the one at index; false when either is out of range.
    bool CopyImage(int index, int from);
    // A new icon, empty when index is out of range.
    TIconHandle GetIcon(int index) const;
    void Delete(int index);
    void Clear();
    // Makes the list hold count pictures: empty ones added at the end, or the last ones removed.
    // A list filled by ReplaceIcon after one SetCount grows once, where AddIcon grows it a few
    // pictures at a time, copying all of it each time.
    void SetCount(int count);
    void Draw(HDC dc, int x, int y, int index) const;
    // Changes with every change of the pictures: equal stamps mean equal pictures.
    unsigned Stamp() const { return FStamp; }

private:
    TImageListHandle FHandle;
    int FWidth, FHeight;
    unsigned FStamp = 0;
};
