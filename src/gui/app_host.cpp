#include "gui/app_host.h"

namespace {
TAppHost* g_host = nullptr;
}

TAppHost* AppHost()
{
    return g_host;
}

void SetAppHost(TAppHost* host)
{
    g_host = host;
}

HWND AppHandle()
{
    return g_host ? g_host->Handle() : nullptr;
}
