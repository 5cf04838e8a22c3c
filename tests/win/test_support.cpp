#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "app/program_start.h"
#include "gui/handles.h"
#include "gui/menus.h"
#include "gui/window.h"
#include "rtl/files.h"

std::unique_ptr<TApplication> StartProgramAt(const std::string& exePath)
{
    rtl::SetProgramFileNameOverride(exePath);
    auto app = std::make_unique<TApplication>();
    StartProgram(*app);
    return app;
}

std::string TestTag()
{
    static const std::string run = [] {
        LARGE_INTEGER t;
        QueryPerformanceCounter(&t);
        return std::to_string(t.QuadPart % 100000000);
    }();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string tag = info ? std::string(info->test_suite_name()) + "." + info->name()
                           : "process" + std::to_string(GetCurrentProcessId());
    for (char& c : tag)
        if (c == '/')
            c = '_';
    return tag + "-" + run;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        // Wakes at once when a message arrives; the short time-out lets done() see other threads.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Application->ProcessMessages();
    }
    return true;
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

std::string ArtifactFolder()
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string folder = rtl::WideToUtf8(exe);
    folder = folder.substr(0, folder.find_last_of('\\') + 1) + "artifacts\\";
    rtl::CreateDir(folder);
    return folder;
}

std::string ClassNameOf(HWND wnd)
{
    wchar_t name[256] = {};
    GetClassNameW(wnd, name, 256);
    return rtl::WideToUtf8(name);
}

std::string WindowTextOf(HWND wnd)
{
    return GetWindowTextUtf8(wnd);
}

std::string MenuStringOf(HMENU menu, UINT position)
{
    wchar_t text[1024] = {};
    GetMenuStringW(menu, position, text, 1024, MF_BYPOSITION);
    return rtl::WideToUtf8(text);
}

HWND FindWindowOf(const std::string& className, const std::string& caption, HWND parent)
{
    const std::wstring cls = rtl::Utf8ToWide(className), text = rtl::Utf8ToWide(caption);
    const wchar_t* textOrAny = caption.empty() ? nullptr : text.c_str();
    return parent ? FindWindowExW(parent, nullptr, cls.c_str(), textOrAny) : FindWindowW(cls.c_str(), textOrAny);
}

std::string Listing(const std::string& folder)
{
    std::string s;
    rtl::ForEachFileEntry(folder + "*", [&](const rtl::TFileEntry& e) {
        if (e.Name != "." && e.Name != "..")
            s += (s.empty() ? "" : " ") + e.Name;
        return true;
    });
    return s;
}

std::string SaveScreenRect(const RECT& r, const std::string& name)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return "";
    TWindowDc screen(nullptr);
    TMemoryDc mem(CreateCompatibleDC(screen.Get()));
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    TBitmapHandle bmp(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bits)
        return "";
    {
        TSelectGuard sel(mem.Get(), bmp.Get());
        BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY);
        GdiFlush();
    }
    const DWORD size = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
    BITMAPFILEHEADER fh = {0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + size), 0, 0,
                           static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader)};
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    bytes.append(static_cast<const char*>(bits), size);
    std::string file = ArtifactFolder() + name + ".bmp";
    return WriteTextFile(file, bytes) ? file : "";
}

std::string SaveWindowBitmap(HWND wnd, const std::string& name)
{
    RECT r;
    return GetWindowRect(wnd, &r) ? SaveScreenRect(r, name) : std::string();
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
            while (std::fgets(line, sizeof line, f)) {
                const std::string l = line;
                if (l.rfind("http=", 0) == 0)
                    r.Port = std::atoi(line + 5);
                else if (l.rfind("proxy=", 0) == 0)
                    r.ProxyPort = std::atoi(line + 6);
            }
            std::fclose(f);
        }
        if (FILE* f = std::fopen((win + "\\tls_ports.txt").c_str(), "r")) {
            char name[64];
            int port = 0;
            while (std::fscanf(f, " %63[^=]=%d", name, &port) == 2)
                r.TlsPorts[name] = port;
            std::fclose(f);
        }
        return r;
    }();
    return s;
}

void MovePointerAway()
{
    SetCursorPos(0, 0);
}

namespace {
HWND g_menuOwner = nullptr;
std::vector<WPARAM> g_menuKeys;
} // namespace

void ChooseInMenu(TPopupMenu& menu, const std::vector<WPARAM>& keys)
{
    g_menuOwner = menu.WindowHandle();
    g_menuKeys = keys;
    SetForegroundWindow(g_menuOwner);
    MovePointerAway();
    SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        for (WPARAM k : g_menuKeys)
            PostMessageW(g_menuOwner, WM_KEYDOWN, k, 1);
    });
    menu.Popup(200, 120);
}

bool MouseClick(HWND wnd, POINT clientPoint)
{
    HWND top = GetAncestor(wnd, GA_ROOT);
    SetWindowPos(top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(top);
    POINT p = clientPoint;
    ClientToScreen(wnd, &p);
    if (!SetCursorPos(p.x, p.y))
        return false;
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    bool sent = SendInput(2, in, sizeof(INPUT)) == 2;
    SetWindowPos(top, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return sent;
}

bool PressKey(HWND wnd, WORD key, std::initializer_list<WORD> modifiers)
{
    SetForegroundWindow(GetAncestor(wnd, GA_ROOT));
    std::vector<INPUT> in;
    auto add = [&in](WORD vk, bool up) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD m : modifiers)
        add(m, false);
    add(key, false);
    add(key, true);
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m)
        add(*m, true);
    return SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}
