#include "app/resource_icon.h"

TIconHandle LoadResourceIcon(int id, int size)
{
    return TIconHandle(static_cast<HICON>(
        LoadImage(GetModuleHandle(nullptr), MAKEINTRESOURCE(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}
