#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

std::string ArtifactFolder()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe);
    folder = folder.substr(0, folder.find_last_of('\\') + 1) + "artifacts\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string SaveWindowBitmap(HWND wnd, const std::string& name)
{
    RECT r;
    if (!GetWindowRect(wnd, &r))
        return std::string();
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    // Copy from the screen: what the user sees, frame and all.
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(mem, old);
    std::string file = ArtifactFolder() + name + ".bmp";
    int stride = ((w * 3) + 3) & ~3;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride * h);
    HANDLE f = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n;
        WriteFile(f, &fh, sizeof fh, &n, nullptr);
        WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n, nullptr);
        WriteFile(f, bits, static_cast<DWORD>(stride * h), &n, nullptr);
        CloseHandle(f);
    } else {
        file.clear();
    }
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return file;
}

const TLoopbackServer& LoopbackServer()
{
    static TLoopbackServer s = [] {
        TLoopbackServer r;
        const char* env = std::getenv("QV_TEST_SERVER_STATE");
        std::string dir = env && *env ? env : QV_TEST_SERVER_STATE;
        std::string win = (dir.size() > 1 && dir[1] == ':') ? dir : "Z:" + dir;
        for (char& c : win)
            if (c == '/')
                c = '\\';
        r.DocsFolder = win + "\\docs\\";
        if (FILE* f = std::fopen((win + "\\ports.txt").c_str(), "r")) {
            char line[128];
            while (std::fgets(line, sizeof line, f))
                if (std::string(line).rfind("http=", 0) == 0)
                    r.Port = std::atoi(line + 5);
            std::fclose(f);
        }
        return r;
    }();
    return s;
}
