// qvdrive: drives and observes another program's windows from outside, as a user at the screen
// would, for the end-to-end journeys and the endurance run. One command per call:
//
//   qvdrive [--desktop NAME] [--pid PID] COMMAND ARGS...
//     windows                        top-level windows: hwnd pid visible class [rect] "caption"
//     children WIN                  the window's descendants: hwnd id class visible enabled checked [rect] "text"
//     find WIN                      the window's handle
//     wait WIN [STATE] [MS]         wait until the window is visible (default), shown, hidden or gone
//     tray EVENT...                  post the tray icon's callback: move ldown lup ldbl rdown rup
//     keys WIN KEY...               post keys: down up left right enter esc tab space, or a letter
//     keysexit MS WIN KEY...        post the keys, then wait for the program (--pid) to end; prints
//                                    its exit code and the milliseconds from the last key to its end
//     type WIN TEXT                 select the field's text and type TEXT over it (WM_CHAR)
//     settext WIN TEXT              set a window's text (for the file dialog's name field)
//     click WIN                     press a button (BM_CLICK)
//     clickwait WIN WAITWIN MS [POLL] press a button, then wait for WAITWIN to be visible, looking
//                                    every POLL ms (default 2); prints the milliseconds from the
//                                    press to the sight. Each look asks Wine's server about every
//                                    window, so a long wait looks less often: it would slow the
//                                    program it times.
//     menuwait MS KEY...            post the keys to the open menu ("tray": a right click on the
//                                    tray icon instead), then wait for one more menu window to be
//                                    visible; prints the milliseconds from the last key to the sight
//     tab WIN INDEX                 choose a tab of a tab control as a click would (TCM_SETCURFOCUS)
//     close WIN                     post WM_CLOSE
//     endsession WIN                 the end of the Windows session as the system tells a window:
//                                    WM_QUERYENDSESSION (its answer printed, 1 or 0), then WM_ENDSESSION
//     power EVENT...                 the machine's sleep and wake as the system tells them: WM_POWERBROADCAST
//                                    (suspend, resumeauto, resumesuspend) sent to every top-level
//                                    window (of --pid)
//     shot FILE.bmp                  the whole screen as a 24-bit bitmap file
//     cursor X Y                     move the mouse pointer
//     stats PID                      memory, handles, GDI and USER objects, windows, CPU time of a process
//     kill PID                       end a process
//     browser EXE LOG | restore      let the shell open http and https addresses with EXE LOG "%1"
//                                    (the recording stand-in), or with Wine's browser again
//     selftest                       check the GDI object count against objects made here
//     hold                           keep the desktop in use until ended (a test shard runs one)
//
// WIN names a window by a path of segments joined by '>': the first is a top-level window (of
// --pid when given), each further one a descendant of the one before. A segment is
// CLASS[:CAPTION][@ID][#N]: CLASS "*" matches any class, CAPTION must equal the window text
// (a trailing '*' makes it a prefix), @ID matches the control id, #N takes the N-th match
// (from 0). "0x1234" names a window by its handle. A CAPTION or TEXT written "x:HEX" is the hex
// of its UTF-8 bytes, so that any text survives any locale of the command line. Texts are
// printed as UTF-8. Exit code 0 on success, 1 on failure or time-out.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

DWORD g_pid = 0;

struct TSegment {
    std::string Class;
    std::string Caption;
    bool HasCaption = false;
    bool Prefix = false;
    int Id = -1;
    int Index = 0;
};

std::wstring Wide(const std::string& utf8)
{
    std::wstring w(utf8.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0],
                                      static_cast<int>(w.size()));
    w.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return w;
}

std::string Utf8(const wchar_t* w, std::size_t length)
{
    std::string s(length * 3, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(length), &s[0], static_cast<int>(s.size()),
                                      nullptr, nullptr);
    s.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return s;
}

std::string FromHex(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        out.push_back(static_cast<char>(std::strtol(s.substr(i, 2).c_str(), nullptr, 16)));
    return out;
}

std::string Decode(const std::string& s)
{
    return s.compare(0, 2, "x:") == 0 ? FromHex(s.substr(2)) : s;
}

std::vector<TSegment> ParseWindowPath(const std::string& where)
{
    std::vector<TSegment> out;
    std::size_t start = 0;
    while (start <= where.size()) {
        std::size_t end = where.find('>', start);
        std::string part = where.substr(start, end == std::string::npos ? std::string::npos : end - start);
        TSegment seg;
        std::size_t hash = part.rfind('#');
        if (hash != std::string::npos && hash + 1 < part.size() &&
            part.find_first_not_of("0123456789", hash + 1) == std::string::npos) {
            seg.Index = std::atoi(part.c_str() + hash + 1);
            part.erase(hash);
        }
        std::size_t at = part.rfind('@');
        if (at != std::string::npos && at + 1 < part.size() &&
            part.find_first_not_of("0123456789", at + 1) == std::string::npos) {
            seg.Id = std::atoi(part.c_str() + at + 1);
            part.erase(at);
        }
        std::size_t colon = part.find(':');
        seg.Class = part.substr(0, colon);
        if (colon != std::string::npos) {
            seg.HasCaption = true;
            seg.Caption = Decode(part.substr(colon + 1));
            if (!seg.Caption.empty() && seg.Caption.back() == '*') {
                seg.Prefix = true;
                seg.Caption.pop_back();
            }
        }
        out.push_back(seg);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return out;
}

std::string ClassOf(HWND w)
{
    wchar_t buf[256] = L"";
    const int n = GetClassNameW(w, buf, 256);
    return Utf8(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// WM_GETTEXT rather than GetWindowText: the latter does not ask windows of other processes.
std::string TextOf(HWND w)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len))
        return "";
    std::wstring buf(len + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(&buf[0]), SMTO_ABORTIFHUNG, 2000,
                             &got))
        return "";
    return Utf8(buf.data(), std::min<std::size_t>(got, len));
}

bool Matches(HWND w, const TSegment& s)
{
    if (s.Class != "*" && _stricmp(ClassOf(w).c_str(), s.Class.c_str()) != 0)
        return false;
    if (s.Id >= 0 && GetDlgCtrlID(w) != s.Id)
        return false;
    if (s.HasCaption) {
        std::string t = TextOf(w);
        if (s.Prefix ? t.compare(0, s.Caption.size(), s.Caption) != 0 : t != s.Caption)
            return false;
    }
    return true;
}

std::vector<HWND> TopLevel()
{
    std::vector<HWND> out;
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> out;
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

DWORD PidOf(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

HWND Find(const std::string& where)
{
    if (where.compare(0, 2, "0x") == 0) {
        HWND w = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(where.c_str(), nullptr, 16)));
        return IsWindow(w) ? w : nullptr;
    }
    std::vector<TSegment> path = ParseWindowPath(where);
    HWND current = nullptr;
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::vector<HWND> candidates = i == 0 ? TopLevel() : Descendants(current);
        int seen = 0;
        HWND found = nullptr;
        for (HWND w : candidates) {
            if (i == 0 && g_pid && PidOf(w) != g_pid)
                continue;
            if (!Matches(w, path[i]))
                continue;
            if (seen++ == path[i].Index) {
                found = w;
                break;
            }
        }
        if (!found)
            return nullptr;
        current = found;
    }
    return current;
}

// The open menu: the menu windows of the desktop, the last one opened (a submenu) first.
HWND OpenMenu()
{
    for (HWND w : TopLevel())
        if (ClassOf(w) == "#32768" && IsWindowVisible(w))
            return w;
    return nullptr;
}

HWND Resolve(const std::string& where)
{
    return where == "menu" ? OpenMenu() : Find(where);
}

void PrintRect(HWND w)
{
    RECT r = {};
    GetWindowRect(w, &r);
    std::printf("[%ld %ld %ld %ld]", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

std::string Quoted(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

int CmdWindows()
{
    for (HWND w : TopLevel()) {
        if (g_pid && PidOf(w) != g_pid)
            continue;
        std::printf("%p %lu %d %s ", static_cast<void*>(w), PidOf(w), IsWindowVisible(w) ? 1 : 0,
                    ClassOf(w).c_str());
        PrintRect(w);
        std::printf(" %s\n", Quoted(TextOf(w)).c_str());
    }
    return 0;
}

int CmdChildren(const std::string& where)
{
    HWND top = Resolve(where);
    if (!top) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    for (HWND w : Descendants(top)) {
        std::string cls = ClassOf(w);
        int checked = -1;
        if (_stricmp(cls.c_str(), "Button") == 0)
            checked = static_cast<int>(SendMessageW(w, BM_GETCHECK, 0, 0));
        std::printf("%p %d %s %d %d %d ", static_cast<void*>(w), GetDlgCtrlID(w), cls.c_str(),
                    IsWindowVisible(w) ? 1 : 0, IsWindowEnabled(w) ? 1 : 0, checked);
        PrintRect(w);
        std::printf(" %s\n", Quoted(TextOf(w)).c_str());
    }
    return 0;
}

int CmdWait(const std::string& where, const std::string& state, int timeoutMs)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
    for (;;) {
        HWND w = Resolve(where);
        bool ok = state == "gone"     ? w == nullptr
                  : state == "exists" ? w != nullptr
                  : state == "hidden" ? w != nullptr && !IsWindowVisible(w)
                                      : w != nullptr && IsWindowVisible(w);
        if (ok) {
            if (w)
                std::printf("%p\n", static_cast<void*>(w));
            return 0;
        }
        if (static_cast<int>(end - GetTickCount()) <= 0) {
            std::fprintf(stderr, "timed out waiting for %s to be %s\n", where.c_str(), state.c_str());
            return 1;
        }
        Sleep(50);
    }
}

int CmdTray(const std::vector<std::string>& events)
{
    HWND w = Find("TTrayIconWindow");
    if (!w) {
        std::fprintf(stderr, "no tray icon window\n");
        return 1;
    }
    for (const std::string& e : events) {
        UINT code = e == "move"    ? WM_MOUSEMOVE
                    : e == "ldown" ? WM_LBUTTONDOWN
                    : e == "lup"   ? WM_LBUTTONUP
                    : e == "ldbl"  ? WM_LBUTTONDBLCLK
                    : e == "rdown" ? WM_RBUTTONDOWN
                    : e == "rup"   ? WM_RBUTTONUP
                                   : 0;
        if (!code) {
            std::fprintf(stderr, "unknown tray event %s\n", e.c_str());
            return 1;
        }
        // Posted, not sent: the program may answer by opening a modal menu.
        PostMessageW(w, WM_USER + 1, 1, static_cast<LPARAM>(code));
        Sleep(30);
    }
    return 0;
}

UINT KeyOf(const std::string& k)
{
    if (k == "down")
        return VK_DOWN;
    if (k == "up")
        return VK_UP;
    if (k == "left")
        return VK_LEFT;
    if (k == "right")
        return VK_RIGHT;
    if (k == "enter")
        return VK_RETURN;
    if (k == "esc")
        return VK_ESCAPE;
    if (k == "tab")
        return VK_TAB;
    if (k == "space")
        return VK_SPACE;
    if (k.size() == 1)
        return static_cast<UINT>(std::toupper(static_cast<unsigned char>(k[0])));
    return 0;
}

int CmdKeys(const std::string& where, const std::vector<std::string>& keys)
{
    for (const std::string& k : keys) {
        // A menu key can open a submenu: find the newest menu window for every key.
        HWND w = Resolve(where);
        if (!w) {
            std::fprintf(stderr, "no window %s\n", where.c_str());
            return 1;
        }
        UINT vk = KeyOf(k);
        if (!vk) {
            std::fprintf(stderr, "unknown key %s\n", k.c_str());
            return 1;
        }
        UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
        PostMessageW(w, WM_KEYDOWN, vk, 1 | (scan << 16));
        PostMessageW(w, WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
        Sleep(120);
    }
    return 0;
}

int CmdKeysExit(int timeoutMs, const std::string& where, const std::vector<std::string>& keys)
{
    // Opened before the keys: a program that has ended cannot be asked for its exit code.
    HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, g_pid);
    if (!p) {
        std::fprintf(stderr, "no process %lu\n", g_pid);
        return 1;
    }
    int rc = CmdKeys(where, keys);
    // CmdKeys waits a moment after each key.
    const DWORD posted = GetTickCount() - 120;
    DWORD code = STILL_ACTIVE;
    if (rc == 0 && WaitForSingleObject(p, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(p, &code)) {
        std::printf("%lu %lu\n", code, GetTickCount() - posted);
    } else {
        std::fprintf(stderr, "the program did not end\n");
        rc = 1;
    }
    CloseHandle(p);
    return rc;
}

int CmdType(const std::string& where, const std::string& text)
{
    HWND w = Resolve(where);
    if (!w) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    DWORD_PTR r;
    SendMessageTimeoutW(w, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, 2000, &r);
    // An empty text: delete the selection as the Delete key would.
    if (text.empty())
        PostMessageW(w, WM_CHAR, VK_BACK, 1);
    // A Unicode window takes its characters as UTF-16 units, a pair as two messages.
    for (wchar_t c : Wide(text))
        PostMessageW(w, WM_CHAR, c, 1);
    // Let the posted characters arrive before the caller goes on.
    SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
    return 0;
}

int CmdSetText(const std::string& where, const std::string& text)
{
    HWND w = Resolve(where);
    if (!w) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    DWORD_PTR r;
    const std::wstring wide = Wide(text);
    return SendMessageTimeoutW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 2000,
                               &r)
               ? 0
               : 1;
}

int CmdClick(const std::string& where)
{
    HWND w = Resolve(where);
    if (!w) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    // Posted: the click may open a modal prompt or dialog in the program.
    PostMessageW(w, BM_CLICK, 0, 0);
    return 0;
}

int CmdClickWait(const std::string& where, const std::string& waitSpec, int timeoutMs, int pollMs)
{
    HWND w = Resolve(where);
    if (!w) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    LARGE_INTEGER f, start, now;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&start);
    PostMessageW(w, BM_CLICK, 0, 0);
    for (;;) {
        HWND seen = Resolve(waitSpec);
        QueryPerformanceCounter(&now);
        double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(f.QuadPart);
        if (seen && IsWindowVisible(seen)) {
            std::printf("%.1f\n", ms);
            return 0;
        }
        if (ms > timeoutMs) {
            std::fprintf(stderr, "timed out waiting for %s\n", waitSpec.c_str());
            return 1;
        }
        Sleep(static_cast<DWORD>(pollMs));
    }
}

int VisibleMenus()
{
    int n = 0;
    for (HWND w : TopLevel())
        n += ClassOf(w) == "#32768" && IsWindowVisible(w);
    return n;
}

int CmdMenuWait(int timeoutMs, const std::vector<std::string>& keys)
{
    const bool tray = keys.size() == 1 && keys[0] == "tray";
    // Everything but the last key or event as usual; the time runs from the last one.
    int rc = tray ? CmdTray({"rdown"}) : CmdKeys("menu", std::vector<std::string>(keys.begin(), keys.end() - 1));
    if (rc != 0)
        return rc;
    const int before = VisibleMenus();
    HWND target = tray ? Find("TTrayIconWindow") : Resolve("menu");
    const UINT vk = tray ? 0 : KeyOf(keys.back());
    if (!target || (!tray && !vk)) {
        std::fprintf(stderr, "no menu or tray icon for %s\n", keys.back().c_str());
        return 1;
    }
    LARGE_INTEGER f, start, now;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&start);
    if (tray) {
        PostMessageW(target, WM_USER + 1, 1, WM_RBUTTONUP);
    } else {
        const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
        PostMessageW(target, WM_KEYDOWN, vk, 1 | (scan << 16));
        PostMessageW(target, WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
    }
    for (;;) {
        QueryPerformanceCounter(&now);
        double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(f.QuadPart);
        if (VisibleMenus() > before) {
            std::printf("%.1f\n", ms);
            return 0;
        }
        if (ms > timeoutMs) {
            std::fprintf(stderr, "no further menu within %d ms\n", timeoutMs);
            return 1;
        }
        Sleep(2);
    }
}

int CmdTab(const std::string& where, int index)
{
    HWND w = Resolve(where);
    if (!w) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    DWORD_PTR r;
    SendMessageTimeoutW(w, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 2000, &r);
    return 0;
}

int CmdClose(const std::string& where)
{
    HWND w = Resolve(where);
    if (!w) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    PostMessageW(w, WM_CLOSE, 0, 0);
    return 0;
}

int CmdEndSession(const std::string& where)
{
    HWND w = Resolve(where);
    if (!w) {
        std::fprintf(stderr, "no window %s\n", where.c_str());
        return 1;
    }
    DWORD_PTR answer = 0, r = 0;
    if (!SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer))
        return 1;
    std::printf("%d\n", answer ? 1 : 0);
    const WPARAM ending = answer ? TRUE : FALSE;
    return SendMessageTimeoutW(w, WM_ENDSESSION, ending, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &r) ? 0 : 1;
}

BOOL CALLBACK CollectTopLevel(HWND w, LPARAM param)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (!g_pid || pid == g_pid)
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(w);
    return TRUE;
}

int CmdPower(const std::vector<std::string>& events)
{
    std::vector<HWND> windows;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
    for (const std::string& e : events) {
        const WPARAM code = e == "suspend"         ? PBT_APMSUSPEND
                            : e == "resumeauto"    ? PBT_APMRESUMEAUTOMATIC
                            : e == "resumesuspend" ? PBT_APMRESUMESUSPEND
                                                   : 0;
        if (!code) {
            std::fprintf(stderr, "unknown power event %s\n", e.c_str());
            return 1;
        }
        for (HWND w : windows) {
            DWORD_PTR r = 0;
            SendMessageTimeoutW(w, WM_POWERBROADCAST, code, 0, SMTO_ABORTIFHUNG, 5000, &r);
        }
    }
    return 0;
}

int CmdShot(const std::string& file)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
    int rc = 1;
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(&fh, sizeof fh, 1, f);
        std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
        std::fwrite(bits, stride, static_cast<size_t>(h), f);
        rc = std::fclose(f) == 0 ? 0 : 1;
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return rc;
}

typedef LONG(WINAPI* TQueryProcess)(HANDLE, int, void*, ULONG, ULONG*);

struct TBasicInfo {
    LONG_PTR ExitStatus;
    void* PebBaseAddress;
    ULONG_PTR AffinityMask;
    LONG_PTR BasePriority;
    ULONG_PTR UniqueProcessId;
    ULONG_PTR InheritedFrom;
};

// GDI objects in use by a process: Wine's GetGuiResources knows none, so the process's GDI
// handle table (which the process environment block points at) is read and its used entries
// counted. An entry is 24 bytes; its type byte at offset 14 is 0 for a free entry. -1 when the
// table cannot be read.
long CountGdiEntries(HANDLE process)
{
    auto query = reinterpret_cast<TQueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    TBasicInfo info = {};
    if (!query || query(process, 0, &info, sizeof info, nullptr) != 0 || !info.PebBaseAddress)
        return -1;
    const SIZE_T kTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    void* table = nullptr;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(info.PebBaseAddress) + kTableOffset, &table, sizeof table,
                           &got) ||
        !table)
        return -1;
    const SIZE_T kEntries = 0x10000, kEntrySize = 24;
    std::vector<unsigned char> buf(kEntries * kEntrySize);
    if (!ReadProcessMemory(process, table, buf.data(), buf.size(), &got))
        return -1;
    long used = 0;
    for (SIZE_T i = 0; i < got / kEntrySize; ++i)
        if (buf[i * kEntrySize + 14] != 0)
            ++used;
    return used;
}

typedef LONG(WINAPI* TQuerySystem)(int, void*, ULONG, ULONG*);

struct THandleEntry {
    ULONG OwnerPid;
    BYTE ObjectType;
    BYTE Flags;
    USHORT Value;
    void* Object;
    ULONG Access;
};

// Kernel handles of a process from the system's handle list: Wine's GetProcessHandleCount
// answers only for the calling process. -1 when the list cannot be had.
long CountKernelHandles(DWORD pid)
{
    auto query = reinterpret_cast<TQuerySystem>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<unsigned char> buf(1 << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        LONG status = query(16, buf.data(), static_cast<ULONG>(buf.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) {
            buf.resize(std::max<std::size_t>(buf.size() * 2, needed + 4096));
            continue;
        }
        if (status != 0)
            return -1;
        ULONG count = *reinterpret_cast<ULONG*>(buf.data());
        const THandleEntry* e = reinterpret_cast<const THandleEntry*>(buf.data() + sizeof(void*));
        long n = 0;
        for (ULONG i = 0; i < count; ++i)
            if (e[i].OwnerPid == pid)
                ++n;
        return n;
    }
    return -1;
}

long CountWindows(DWORD pid)
{
    long n = 0;
    for (HWND w : TopLevel())
        if (PidOf(w) == pid)
            n += 1 + static_cast<long>(Descendants(w).size());
    // Message-only windows (timers, the HTTP component's window) are not top-level windows.
    HWND child = nullptr;
    while ((child = FindWindowExW(HWND_MESSAGE, child, nullptr, nullptr)) != nullptr)
        if (PidOf(child) == pid)
            ++n;
    return n;
}

unsigned long long FileTimeUs(const FILETIME& t)
{
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10;
}

int CmdStats(DWORD pid)
{
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!p) {
        std::fprintf(stderr, "cannot open process %lu\n", pid);
        return 1;
    }
    PROCESS_MEMORY_COUNTERS_EX mem = {};
    mem.cb = sizeof mem;
    GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem);
    DWORD handles = 0;
    GetProcessHandleCount(p, &handles);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(p, &created, &exited, &kernel, &user);
    std::printf("private_bytes=%llu\n", static_cast<unsigned long long>(mem.PrivateUsage));
    std::printf("working_set=%llu\n", static_cast<unsigned long long>(mem.WorkingSetSize));
    std::printf("peak_working_set=%llu\n", static_cast<unsigned long long>(mem.PeakWorkingSetSize));
    std::printf("pagefile_usage=%llu\n", static_cast<unsigned long long>(mem.PagefileUsage));
    std::printf("handles=%lu\n", handles);
    std::printf("handle_list_entries=%ld\n", CountKernelHandles(pid));
    std::printf("gdi_objects=%lu\n", GetGuiResources(p, GR_GDIOBJECTS));
    std::printf("user_objects=%lu\n", GetGuiResources(p, GR_USEROBJECTS));
    std::printf("gdi_table_entries=%ld\n", CountGdiEntries(p));
    std::printf("windows=%ld\n", CountWindows(pid));
    std::printf("cpu_kernel_us=%llu\n", FileTimeUs(kernel));
    std::printf("cpu_user_us=%llu\n", FileTimeUs(user));
    CloseHandle(p);
    return 0;
}

int CmdKill(DWORD pid)
{
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p)
        return 1;
    BOOL ok = TerminateProcess(p, 1);
    WaitForSingleObject(p, 5000);
    CloseHandle(p);
    return ok ? 0 : 1;
}

const char* const kWineBrowser = "\"C:\\windows\\system32\\winebrowser.exe\" \"%1\"";

// The shell finds the program for an address under the classes key of its scheme; Wine reads
// the machine's classes only, not a per-user override.
int CmdBrowser(const std::vector<std::string>& rest)
{
    std::string command =
        rest[0] == "restore" ? kWineBrowser : "\"" + rest[0] + "\" \"" + rest.at(1) + "\" \"%1\"";
    int rc = 0;
    for (const char* scheme : {"http", "https"}) {
        std::string key = std::string(scheme) + "\\shell\\open\\command";
        HKEY k;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, Wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                            nullptr) != ERROR_SUCCESS) {
            rc = 1;
            continue;
        }
        const std::wstring value = Wide(command);
        if (RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
            rc = 1;
        RegCloseKey(k);
    }
    return rc;
}

int CmdSelfTest()
{
    HANDLE self = GetCurrentProcess();
    long before = CountGdiEntries(self);
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 50; ++i)
        brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    long during = CountGdiEntries(self);
    for (HBRUSH b : brushes)
        DeleteObject(b);
    long after = CountGdiEntries(self);
    std::printf("gdi before=%ld with 50 brushes=%ld after=%ld\n", before, during, after);
    return (before >= 0 && during - before == 50 && after == before) ? 0 : 1;
}

// Wine closes a desktop, and ends the process that manages it, a second after its last user has
// gone; the next program then starts it again, which costs time and may meet the desktop while it
// is closing. A hidden window keeps this thread a user of the desktop until the process is ended.
int CmdHold()
{
    HWND w =
        CreateWindowExW(0, L"STATIC", L"qvdrive hold", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!w) {
        std::fprintf(stderr, "no window to hold the desktop with\n");
        return 1;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

void Usage()
{
    std::fprintf(stderr, "usage: qvdrive [--desktop NAME] [--pid PID] COMMAND ARGS... (see drive.cpp)\n");
}

} // namespace

int main()
{
    // The caller's sign that this program ran at all: Wine now and then ends a program before it
    // runs, with a failure and no word, and the caller then starts it again.
    wchar_t mark[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"QV_DRIVE_STARTED", mark, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        HANDLE f = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE)
            CloseHandle(f);
    }
    // The arguments as UTF-8, whatever the ANSI code page of the command line.
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int a = 1; argv && a < argc; ++a)
        args.push_back(Utf8(argv[a], std::wcslen(argv[a])));
    LocalFree(argv);
    std::size_t i = 0;
    while (i + 1 < args.size() && args[i].compare(0, 2, "--") == 0) {
        if (args[i] == "--desktop") {
            // Windows are found and the screen is read on the desktop the program runs on.
            HDESK d = OpenDesktopW(Wide(args[i + 1]).c_str(), 0, FALSE, GENERIC_ALL);
            if (!d || !SetThreadDesktop(d)) {
                std::fprintf(stderr, "cannot use desktop %s\n", args[i + 1].c_str());
                return 1;
            }
        } else if (args[i] == "--pid") {
            g_pid = static_cast<DWORD>(std::strtoul(args[i + 1].c_str(), nullptr, 10));
        } else {
            break;
        }
        i += 2;
    }
    if (i >= args.size()) {
        Usage();
        return 2;
    }
    std::string cmd = args[i];
    std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
    auto need = [&](std::size_t n) {
        if (rest.size() < n) {
            Usage();
            std::exit(2);
        }
    };
    int rc = 2;
    if (cmd == "windows") {
        rc = CmdWindows();
    } else if (cmd == "children") {
        need(1);
        rc = CmdChildren(rest[0]);
    } else if (cmd == "find") {
        need(1);
        HWND w = Resolve(rest[0]);
        if (w)
            std::printf("%p\n", static_cast<void*>(w));
        rc = w ? 0 : 1;
    } else if (cmd == "wait") {
        need(1);
        rc = CmdWait(rest[0], rest.size() > 1 ? rest[1] : "visible",
                     rest.size() > 2 ? std::atoi(rest[2].c_str()) : 10000);
    } else if (cmd == "tray") {
        rc = CmdTray(rest);
    } else if (cmd == "keys") {
        need(1);
        rc = CmdKeys(rest[0], std::vector<std::string>(rest.begin() + 1, rest.end()));
    } else if (cmd == "keysexit") {
        need(2);
        rc = CmdKeysExit(std::atoi(rest[0].c_str()), rest[1],
                         std::vector<std::string>(rest.begin() + 2, rest.end()));
    } else if (cmd == "type") {
        need(2);
        rc = CmdType(rest[0], Decode(rest[1]));
    } else if (cmd == "settext") {
        need(2);
        rc = CmdSetText(rest[0], Decode(rest[1]));
    } else if (cmd == "click") {
        need(1);
        rc = CmdClick(rest[0]);
    } else if (cmd == "clickwait") {
        need(3);
        rc = CmdClickWait(rest[0], rest[1], std::atoi(rest[2].c_str()),
                          rest.size() > 3 ? std::max(1, std::atoi(rest[3].c_str())) : 2);
    } else if (cmd == "menuwait") {
        need(2);
        rc = CmdMenuWait(std::atoi(rest[0].c_str()), std::vector<std::string>(rest.begin() + 1, rest.end()));
    } else if (cmd == "tab") {
        need(2);
        rc = CmdTab(rest[0], std::atoi(rest[1].c_str()));
    } else if (cmd == "close") {
        need(1);
        rc = CmdClose(rest[0]);
    } else if (cmd == "endsession") {
        need(1);
        rc = CmdEndSession(rest[0]);
    } else if (cmd == "power") {
        need(1);
        rc = CmdPower(rest);
    } else if (cmd == "shot") {
        need(1);
        rc = CmdShot(rest[0]);
    } else if (cmd == "cursor") {
        need(2);
        rc = SetCursorPos(std::atoi(rest[0].c_str()), std::atoi(rest[1].c_str())) ? 0 : 1;
    } else if (cmd == "stats") {
        need(1);
        rc = CmdStats(static_cast<DWORD>(std::strtoul(rest[0].c_str(), nullptr, 10)));
    } else if (cmd == "kill") {
        need(1);
        rc = CmdKill(static_cast<DWORD>(std::strtoul(rest[0].c_str(), nullptr, 10)));
    } else if (cmd == "browser") {
        need(1);
        if (rest[0] != "restore")
            need(2);
        rc = CmdBrowser(rest);
    } else if (cmd == "hold") {
        rc = CmdHold();
    } else if (cmd == "selftest") {
        rc = CmdSelfTest();
    } else {
        Usage();
    }
    std::fflush(stdout);
    return rc;
}
