#include "app/resource_icon.h"

TIconHandle LoadResourceIcon(int id, int size)
{
    return TIconHandle(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}
