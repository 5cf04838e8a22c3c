#pragma once
// Shared helpers of the HTTP tests: the loopback servers' ports, addresses named after the
// running test (TestTag), and counts of the process's threads and handles.
#include <windows.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/handles.h"
#include "test_support.h"

// The servers are started by the CTest fixture (tests/servers/http_server.py start); they write
// their ports into a file the tests read through Wine's Z: drive.
struct TServers {
    int Http = 0;
    int Proxy = 0;
};

inline const TServers& Servers()
{
    static const TServers s{LoopbackServer().Port, LoopbackServer().ProxyPort};
    return s;
}

inline std::string Url(const std::string& action, const std::string& query = "",
                       const std::string& host = "127.0.0.1")
{
    return "http://" + host + ":" + std::to_string(Servers().Http) + "/" + action + "/" + TestTag() +
           (query.empty() ? "" : "?" + query);
}

inline int ThreadCount()
{
    int n = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return n;
    TKernelHandle snap(snapshot);
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    if (Thread32First(snap.Get(), &te)) {
        do {
            if (te.th32OwnerProcessID == GetCurrentProcessId())
                ++n;
        } while (Thread32Next(snap.Get(), &te));
    }
    return n;
}

// The process's handles, counted in the system's list (Wine answers GetProcessHandleCount with
// 0); with `except`, handles of that handle's kind are left out.
inline int HandleCount(HANDLE except = nullptr)
{
    struct TEntry {
        ULONG OwnerPid;
        BYTE ObjectType;
        BYTE HandleFlags;
        USHORT HandleValue;
        PVOID ObjectPointer;
        ULONG AccessMask;
    };
    struct TInfo {
        ULONG Count;
        TEntry Handle[1];
    };
    using TQuery = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<TQuery>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 16);
    for (int attempt = 0; query && attempt < 10; ++attempt) {
        ULONG needed = 0;
        LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            const auto* info = reinterpret_cast<const TInfo*>(buffer.data());
            const TEntry* begin = info->Handle;
            const TEntry* end = info->Handle + info->Count;
            auto own = [](const TEntry& e) { return e.OwnerPid == GetCurrentProcessId(); };
            int skipType = -1;
            for (const TEntry* e = begin; except && e != end; ++e)
                if (own(*e) && e->HandleValue == static_cast<USHORT>(reinterpret_cast<UINT_PTR>(except)))
                    skipType = e->ObjectType;
            return static_cast<int>(
                std::count_if(begin, end, [&](const TEntry& e) { return own(e) && e.ObjectType != skipType; }));
        }
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return static_cast<int>(n);
}

// A plain synchronous fetch outside the component, for the server's request log.
inline std::string Fetch(const std::string& url)
{
    TInternetHandle session(InternetOpenW(L"qv-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    TInternetHandle file(InternetOpenUrlW(session.Get(), rtl::Utf8ToWide(url).c_str(), nullptr, 0,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    std::string body;
    char buf[4096];
    DWORD n = 0;
    while (file && InternetReadFile(file.Get(), buf, sizeof buf, &n) && n > 0)
        body.append(buf, n);
    return body;
}

// The requests the loopback server logged whose request line contains tag.
struct TLog {
    int Count = 0;
    int WithAuthorization = 0;
    std::string Text;
};

inline TLog ServerLogOf(const std::string& tag)
{
    TLog log;
    log.Text = Fetch("http://127.0.0.1:" + std::to_string(Servers().Http) + "/__log?tag=" + tag);
    if (log.Text.rfind("COUNT ", 0) == 0)
        log.Count = std::atoi(log.Text.c_str() + 6);
    for (std::size_t at = 0; (at = log.Text.find("\nAuthorization:", at)) != std::string::npos; ++at)
        ++log.WithAuthorization;
    return log;
}

// The first visible dialog of this process, or nullptr.
inline HWND FindOwnDialog()
{
    struct TFind {
        HWND Found = nullptr;
    } find;
    EnumWindows(
        [](HWND wnd, LPARAM lp) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(wnd, &pid);
            wchar_t cls[32] = {};
            GetClassNameW(wnd, cls, 32);
            if (pid == GetCurrentProcessId() && std::wstring(cls) == L"#32770" && IsWindowVisible(wnd)) {
                reinterpret_cast<TFind*>(lp)->Found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.Found;
}
