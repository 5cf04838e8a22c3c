#include "gui/single_instance.h"

#include <cstdint>
#include <cwchar>

#include "rtl/wide.h"

namespace {

std::wstring LongName(const std::wstring& path)
{
    const DWORD need = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (need == 0)
        return L"";
    std::wstring out(need, L'\0');
    const DWORD got = GetLongPathNameW(path.c_str(), &out[0], need);
    if (got == 0 || got >= need)
        return L"";
    out.resize(got);
    return out;
}

// The path as the file system tells names apart: full, long names, one letter case. The file
// need not exist yet; its folder is named in full then.
std::wstring Identity(const std::string& fileName)
{
    std::wstring path = rtl::Utf8ToWide(fileName);
    std::wstring full = LongName(path);
    if (full.empty()) {
        const std::size_t slash = path.find_last_of(L"\\/");
        const std::wstring folder = slash == std::wstring::npos ? L"" : LongName(path.substr(0, slash + 1));
        full = folder.empty() ? path : folder + path.substr(slash + 1);
    }
    if (!full.empty())
        CharUpperBuffW(&full[0], static_cast<DWORD>(full.size()));
    return full;
}

std::uint64_t Fnv1a(const std::wstring& text)
{
    std::uint64_t h = 14695981039346656037ull;
    for (wchar_t c : text) {
        h ^= static_cast<std::uint64_t>(c);
        h *= 1099511628211ull;
    }
    return h;
}

struct TAsk {
    WPARAM Key;
    std::wstring Class;
    bool Shown;
};

BOOL CALLBACK AskWindow(HWND wnd, LPARAM param)
{
    TAsk& ask = *reinterpret_cast<TAsk*>(param);
    wchar_t cls[64] = {};
    GetClassNameW(wnd, cls, 64);
    DWORD_PTR answer = 0;
    if (ask.Class == cls &&
        SendMessageTimeoutW(wnd, InstanceMessage(), ask.Key, 0, SMTO_ABORTIFHUNG, 2000, &answer) &&
        static_cast<LRESULT>(answer) == kInstanceShown) {
        ask.Shown = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

UINT InstanceMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TInstanceLock.ShowWindow");
    return message;
}

WPARAM InstanceKeyOf(const std::string& fileName)
{
    return static_cast<WPARAM>(Fnv1a(Identity(fileName)));
}

TInstanceLock::TInstanceLock(const std::string& fileName, const std::string& windowClass)
    : FWindowClass(windowClass)
{
    const std::uint64_t hash = Fnv1a(Identity(fileName));
    FKey = static_cast<WPARAM>(hash);
    wchar_t number[20];
    std::swprintf(number, 20, L"%016llx", static_cast<unsigned long long>(hash));
    FMutex = CreateMutexW(nullptr, FALSE, (L"Local\\" + rtl::Utf8ToWide(windowClass) + L"." + number).c_str());
}

TInstanceLock::~TInstanceLock()
{
    if (FOwned)
        ReleaseMutex(FMutex);
    if (FMutex)
        CloseHandle(FMutex);
}

// An abandoned lock is one whose program ended without letting it go: it is this one's now.
bool TInstanceLock::Owned(DWORD waitResult)
{
    FOwned = waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED;
    return FOwned;
}

// The other program may still be making its windows (two started together), or be ending: the
// hand-over is tried until it is answered or the lock comes free.
bool TInstanceLock::Acquire(DWORD timeoutMs)
{
    if (!FMutex)
        return true; // no lock to be had: running beats refusing to start
    const ULONGLONG start = GetTickCount64();
    // The program that brings up its window may take the foreground from the one the user started.
    AllowSetForegroundWindow(ASFW_ANY);
    if (Owned(WaitForSingleObject(FMutex, 0)))
        return true;
    for (;;) {
        TAsk ask = {FKey, rtl::Utf8ToWide(FWindowClass), false};
        EnumWindows(AskWindow, reinterpret_cast<LPARAM>(&ask));
        if (ask.Shown || GetTickCount64() - start > timeoutMs)
            return false;
        if (Owned(WaitForSingleObject(FMutex, 100)))
            return true;
    }
}
