#pragma once
#include <windows.h>

#include <map>
#include <vector>

// Observers of a window's messages: per window an ordered list called before the window handles a
// message and one called after it. An observer that returns true has handled the message (and set
// the result); it stops there. The service chains itself into the window's message handling when the
// window gets its first observer, unchains when the last one leaves, and drops the window's lists
// when the window is destroyed. Registering the same callback and context twice adds it twice;
// removal takes the first match.
using TWndProcObserver = bool (*)(void* Context, HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam,
                                  LRESULT& Result);

class TWndProcHook {
public:
    // The process-wide service, created on first use.
    static TWndProcHook& Instance();

    void AddBefore(HWND wnd, TWndProcObserver proc, void* context);
    void AddAfter(HWND wnd, TWndProcObserver proc, void* context);
    // False when no such observer was registered.
    bool RemoveBefore(HWND wnd, TWndProcObserver proc, void* context);
    bool RemoveAfter(HWND wnd, TWndProcObserver proc, void* context);

    // Whether the service is chained into the window's message handling.
    bool Hooked(HWND wnd) const { return FWindows.count(wnd) != 0; }
    int BeforeCount(HWND wnd) const;

private:
    struct TEntry {
        TWndProcObserver Proc;
        void* Context;
        bool operator==(const TEntry& o) const { return Proc == o.Proc && Context == o.Context; }
    };
    struct TLists {
        std::vector<TEntry> Before, After;
    };
    TWndProcHook() = default;
    void Add(HWND wnd, bool before, TEntry e);
    bool Remove(HWND wnd, bool before, TEntry e);
    void Unchain(HWND wnd);
    bool Run(HWND wnd, bool before, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData);

    std::map<HWND, TLists> FWindows;
};
