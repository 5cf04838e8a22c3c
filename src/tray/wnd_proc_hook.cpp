#include "tray/wnd_proc_hook.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/window.h"

namespace {
// Our subclass's identifier, distinct from the toolkit's own subclass of system controls.
const UINT_PTR kSubclassId = 0x51564850; // "QVHP"
} // namespace

TWndProcHook& TWndProcHook::Instance()
{
    // Never destroyed: windows may still be unhooked while the program ends.
    static TWndProcHook* instance = new TWndProcHook();
    return *instance;
}

void TWndProcHook::AddBefore(HWND wnd, TWndProcObserver proc, void* context)
{
    Add(wnd, true, {proc, context});
}

void TWndProcHook::AddAfter(HWND wnd, TWndProcObserver proc, void* context)
{
    Add(wnd, false, {proc, context});
}

bool TWndProcHook::RemoveBefore(HWND wnd, TWndProcObserver proc, void* context)
{
    return Remove(wnd, true, {proc, context});
}

bool TWndProcHook::RemoveAfter(HWND wnd, TWndProcObserver proc, void* context)
{
    return Remove(wnd, false, {proc, context});
}

int TWndProcHook::BeforeCount(HWND wnd) const
{
    auto it = FWindows.find(wnd);
    return it == FWindows.end() ? 0 : static_cast<int>(it->second.Before.size());
}

void TWndProcHook::Add(HWND wnd, bool before, TEntry e)
{
    if (!wnd || !e.Proc || !IsWindow(wnd))
        return;
    auto it = FWindows.find(wnd);
    if (it == FWindows.end()) {
        if (!SetWindowSubclass(wnd, &TWndProcHook::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
            return;
        it = FWindows.emplace(wnd, TLists()).first;
    }
    (before ? it->second.Before : it->second.After).push_back(e);
}

bool TWndProcHook::Remove(HWND wnd, bool before, TEntry e)
{
    auto it = FWindows.find(wnd);
    if (it == FWindows.end())
        return false;
    std::vector<TEntry>& list = before ? it->second.Before : it->second.After;
    auto found = std::find(list.begin(), list.end(), e);
    if (found == list.end())
        return false;
    list.erase(found);
    if (it->second.Before.empty() && it->second.After.empty())
        Unchain(wnd);
    return true;
}

void TWndProcHook::Unchain(HWND wnd)
{
    FWindows.erase(wnd);
    if (IsWindow(wnd))
        RemoveWindowSubclass(wnd, &TWndProcHook::SubclassProc, kSubclassId);
}

// Observers may add or remove observers (themselves included) while they run: the list is walked
// from a copy, and an entry is only called while it is still registered.
bool TWndProcHook::Run(HWND wnd, bool before, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    auto it = FWindows.find(wnd);
    if (it == FWindows.end())
        return false;
    std::vector<TEntry> snapshot = before ? it->second.Before : it->second.After;
    for (const TEntry& e : snapshot) {
        it = FWindows.find(wnd);
        if (it == FWindows.end())
            return false;
        const std::vector<TEntry>& live = before ? it->second.Before : it->second.After;
        if (std::find(live.begin(), live.end(), e) == live.end())
            continue;
        if (e.Proc(e.Context, wnd, msg, wParam, lParam, result))
            return true;
    }
    return false;
}

LRESULT CALLBACK TWndProcHook::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR refData)
{
    TWndProcHook* self = reinterpret_cast<TWndProcHook*>(refData);
    if (msg == WM_NCDESTROY) {
        // The window goes: its observers go with it, and the subclass is taken off before the
        // window's own last message.
        self->FWindows.erase(wnd);
        RemoveWindowSubclass(wnd, &TWndProcHook::SubclassProc, kSubclassId);
        return DefSubclassProc(wnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    // Observers are program code: whatever they throw is shown and never reaches the system.
    try {
        if (self->Run(wnd, true, msg, wParam, lParam, result))
            return result;
    } catch (...) {
        HandleCurrentException();
    }
    result = DefSubclassProc(wnd, msg, wParam, lParam);
    try {
        LRESULT after = result;
        if (self->Run(wnd, false, msg, wParam, lParam, after))
            return after;
    } catch (...) {
        HandleCurrentException();
    }
    return result;
}
