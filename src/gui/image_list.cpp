#include "gui/image_list.h"

TImageList::TImageList(TComponent* AOwner, int width, int height)
    : TComponent(AOwner), FHandle(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 8, 8)), FWidth(width),
      FHeight(height)
{
}

TImageList::~TImageList() = default;

int TImageList::Count() const
{
    return FHandle ? ImageList_GetImageCount(FHandle.Get()) : 0;
}

int TImageList::AddIcon(HICON icon)
{
    ++FStamp;
    return icon ? ImageList_AddIcon(FHandle.Get(), icon) : -1;
}

bool TImageList::ReplaceIcon(int index, HICON icon)
{
    if (index < 0 || index >= Count() || !icon)
        return false;
    ++FStamp;
    return ImageList_ReplaceIcon(FHandle.Get(), index, icon) >= 0;
}

bool TImageList::CopyImage(int index, int from)
{
    if (index < 0 || index >= Count() || from < 0 || from >= Count())
        return false;
    ++FStamp;
    return ImageList_Copy(FHandle.Get(), index, FHandle.Get(), from, ILCF_MOVE) != FALSE;
}

TIconHandle TImageList::GetIcon(int index) const
{
    if (index < 0 || index >= Count())
        return TIconHandle();
    return TIconHandle(ImageList_GetIcon(FHandle.Get(), index, ILD_NORMAL));
}

void TImageList::Delete(int index)
{
    if (index >= 0 && index < Count()) {
        ++FStamp;
        ImageList_Remove(FHandle.Get(), index);
    }
}

void TImageList::SetCount(int count)
{
    if (count == Count())
        return;
    ++FStamp;
    ImageList_SetImageCount(FHandle.Get(), static_cast<UINT>(count < 0 ? 0 : count));
}

void TImageList::Clear()
{
    ++FStamp;
    ImageList_Remove(FHandle.Get(), -1);
}

void TImageList::Draw(HDC dc, int x, int y, int index) const
{
    if (index >= 0 && index < Count())
        ImageList_Draw(FHandle.Get(), index, dc, x, y, ILD_NORMAL);
}
