#include "gui/image_list.h"

TImageList::TImageList(TComponent* AOwner, int width, int height)
    : TComponent(AOwner), FHandle(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 8, 8)), FWidth(width),
      FHeight(height)
{
}

TImageList::~TImageList()
{
    if (FHandle)
        ImageList_Destroy(FHandle);
}

int TImageList::Count() const
{
    return FHandle ? ImageList_GetImageCount(FHandle) : 0;
}

int TImageList::AddIcon(HICON icon)
{
    ++FStamp;
    return icon ? ImageList_AddIcon(FHandle, icon) : -1;
}

bool TImageList::ReplaceIcon(int index, HICON icon)
{
    if (index < 0 || index >= Count() || !icon)
        return false;
    ++FStamp;
    return ImageList_ReplaceIcon(FHandle, index, icon) >= 0;
}

HICON TImageList::GetIcon(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return ImageList_GetIcon(FHandle, index, ILD_NORMAL);
}

void TImageList::Delete(int index)
{
    if (index >= 0 && index < Count()) {
        ++FStamp;
        ImageList_Remove(FHandle, index);
    }
}

void TImageList::Clear()
{
    ++FStamp;
    ImageList_Remove(FHandle, -1);
}

void TImageList::Draw(HDC dc, int x, int y, int index) const
{
    if (index >= 0 && index < Count())
        ImageList_Draw(FHandle, index, dc, x, y, ILD_NORMAL);
}
