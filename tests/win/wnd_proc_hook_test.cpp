#include "tray/wnd_proc_hook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/application.h"
#include "test_support.h"

namespace {

const UINT kProbe = WM_APP + 7;

// A plain window that answers kProbe with 100 and records that it saw it.
struct TTarget {
    HWND Wnd = nullptr;
    static std::vector<std::string>* Log;
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == kProbe) {
            if (Log)
                Log->push_back("window");
            return 100;
        }
        return DefWindowProcW(w, m, wp, lp);
    }
    TTarget()
    {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QvHookTarget";
            RegisterClassW(&wc);
            registered = true;
        }
        Wnd = CreateWindowExW(0, L"QvHookTarget", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    }
    ~TTarget()
    {
        if (IsWindow(Wnd))
            DestroyWindow(Wnd);
    }
    WNDPROC CurrentProc() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Wnd, GWLP_WNDPROC)); }
};
std::vector<std::string>* TTarget::Log = nullptr;

struct TObserver {
    TObserver(std::string name, std::vector<std::string>* log) : Name(std::move(name)), Log(log) {}
    std::string Name;
    std::vector<std::string>* Log;
    bool Handle = false;
    LRESULT Result = 0;
    std::vector<LRESULT> SeenResults;
    std::vector<UINT> Messages;
    // Runs inside the call, for the re-entrancy cases.
    std::function<void()> During;
};

bool Observe(void* context, HWND, UINT msg, WPARAM, LPARAM, LRESULT& result)
{
    TObserver* o = static_cast<TObserver*>(context);
    o->Messages.push_back(msg);
    if (msg != kProbe)
        return false;
    o->Log->push_back(o->Name);
    o->SeenResults.push_back(result);
    if (o->During)
        o->During();
    if (o->Handle)
        result = o->Result;
    return o->Handle;
}

class WndProcHookTest : public testing::Test {
protected:
    TApplication App;
    std::vector<std::string> Log;
    TTarget Target;
    TWndProcHook& Hook = TWndProcHook::Instance();
    void SetUp() override
    {
        App.Initialize();
        TTarget::Log = &Log;
    }
    void TearDown() override { TTarget::Log = nullptr; }
    LRESULT Probe() { return SendMessageW(Target.Wnd, kProbe, 0, 0); }
};

TEST_F(WndProcHookTest, BeforeObserversRunInOrderThenTheWindowThenTheAfterObservers)
{
    TObserver b1{"b1", &Log}, b2{"b2", &Log}, a1{"a1", &Log}, a2{"a2", &Log};
    Hook.AddBefore(Target.Wnd, &Observe, &b1);
    Hook.AddAfter(Target.Wnd, &Observe, &a1);
    Hook.AddBefore(Target.Wnd, &Observe, &b2);
    Hook.AddAfter(Target.Wnd, &Observe, &a2);
    EXPECT_EQ(Probe(), 100);
    EXPECT_EQ(Log, (std::vector<std::string>{"b1", "b2", "window", "a1", "a2"}));
    // The after observers see the window's result.
    EXPECT_EQ(a1.SeenResults, (std::vector<LRESULT>{100}));
    Hook.RemoveBefore(Target.Wnd, &Observe, &b1);
    Hook.RemoveBefore(Target.Wnd, &Observe, &b2);
    Hook.RemoveAfter(Target.Wnd, &Observe, &a1);
    Hook.RemoveAfter(Target.Wnd, &Observe, &a2);
}

TEST_F(WndProcHookTest, ABeforeObserverThatHandlesTheMessageStopsItThere)
{
    TObserver b1{"b1", &Log}, b2{"b2", &Log}, a1{"a1", &Log};
    b1.Handle = true;
    b1.Result = 7;
    Hook.AddBefore(Target.Wnd, &Observe, &b1);
    Hook.AddBefore(Target.Wnd, &Observe, &b2);
    Hook.AddAfter(Target.Wnd, &Observe, &a1);
    EXPECT_EQ(Probe(), 7);
    EXPECT_EQ(Log, (std::vector<std::string>{"b1"}));
    Hook.RemoveBefore(Target.Wnd, &Observe, &b1);
    Hook.RemoveBefore(Target.Wnd, &Observe, &b2);
    Hook.RemoveAfter(Target.Wnd, &Observe, &a1);
}

TEST_F(WndProcHookTest, AnAfterObserverThatHandlesTheMessageSetsTheResultAndStopsTheRest)
{
    TObserver a1{"a1", &Log}, a2{"a2", &Log};
    a1.Handle = true;
    a1.Result = 55;
    Hook.AddAfter(Target.Wnd, &Observe, &a1);
    Hook.AddAfter(Target.Wnd, &Observe, &a2);
    EXPECT_EQ(Probe(), 55);
    EXPECT_EQ(Log, (std::vector<std::string>{"window", "a1"}));
    Hook.RemoveAfter(Target.Wnd, &Observe, &a1);
    Hook.RemoveAfter(Target.Wnd, &Observe, &a2);
}

TEST_F(WndProcHookTest, ChainedOnTheFirstObserverAndUnchainedOnTheLast)
{
    WNDPROC original = Target.CurrentProc();
    TObserver b{"b", &Log}, a{"a", &Log};
    EXPECT_FALSE(Hook.Hooked(Target.Wnd));
    Hook.AddBefore(Target.Wnd, &Observe, &b);
    EXPECT_TRUE(Hook.Hooked(Target.Wnd));
    EXPECT_NE(Target.CurrentProc(), original);
    Hook.AddAfter(Target.Wnd, &Observe, &a);
    EXPECT_TRUE(Hook.RemoveBefore(Target.Wnd, &Observe, &b));
    EXPECT_TRUE(Hook.Hooked(Target.Wnd));
    EXPECT_TRUE(Hook.RemoveAfter(Target.Wnd, &Observe, &a));
    EXPECT_FALSE(Hook.Hooked(Target.Wnd));
    EXPECT_EQ(Target.CurrentProc(), original);
    Probe();
    EXPECT_EQ(Log, (std::vector<std::string>{"window"}));
    EXPECT_FALSE(Hook.RemoveAfter(Target.Wnd, &Observe, &a));
}

TEST_F(WndProcHookTest, TheSameObserverTwiceIsCalledTwiceAndRemovedOneAtATime)
{
    TObserver b{"b", &Log};
    Hook.AddBefore(Target.Wnd, &Observe, &b);
    Hook.AddBefore(Target.Wnd, &Observe, &b);
    EXPECT_EQ(Hook.BeforeCount(Target.Wnd), 2);
    Probe();
    EXPECT_EQ(Log, (std::vector<std::string>{"b", "b", "window"}));
    EXPECT_TRUE(Hook.RemoveBefore(Target.Wnd, &Observe, &b));
    EXPECT_TRUE(Hook.Hooked(Target.Wnd));
    Log.clear();
    Probe();
    EXPECT_EQ(Log, (std::vector<std::string>{"b", "window"}));
    EXPECT_TRUE(Hook.RemoveBefore(Target.Wnd, &Observe, &b));
    EXPECT_FALSE(Hook.Hooked(Target.Wnd));
}

TEST_F(WndProcHookTest, RemovalTakesTheFirstMatchOnly)
{
    TObserver x{"x", &Log}, y{"y", &Log};
    Hook.AddBefore(Target.Wnd, &Observe, &x);
    Hook.AddBefore(Target.Wnd, &Observe, &y);
    Hook.AddBefore(Target.Wnd, &Observe, &x);
    Hook.RemoveBefore(Target.Wnd, &Observe, &x);
    Probe();
    EXPECT_EQ(Log, (std::vector<std::string>{"y", "x", "window"}));
    // A different context is a different observer.
    TObserver z{"z", &Log};
    EXPECT_FALSE(Hook.RemoveBefore(Target.Wnd, &Observe, &z));
    Hook.RemoveBefore(Target.Wnd, &Observe, &x);
    Hook.RemoveBefore(Target.Wnd, &Observe, &y);
}

TEST_F(WndProcHookTest, DestroyingTheWindowDropsItsObservers)
{
    TObserver b{"b", &Log};
    Hook.AddBefore(Target.Wnd, &Observe, &b);
    HWND w = Target.Wnd;
    DestroyWindow(w);
    EXPECT_FALSE(Hook.Hooked(w));
    EXPECT_EQ(Hook.BeforeCount(w), 0);
    // The observer saw the window go.
    EXPECT_NE(std::find(b.Messages.begin(), b.Messages.end(), static_cast<UINT>(WM_DESTROY)), b.Messages.end());
    EXPECT_FALSE(Hook.RemoveBefore(w, &Observe, &b));
}

TEST_F(WndProcHookTest, AnObserverMayRemoveItselfAndOthersWhileItRuns)
{
    TObserver first{"first", &Log}, second{"second", &Log}, third{"third", &Log};
    first.During = [&] {
        Hook.RemoveBefore(Target.Wnd, &Observe, &first);
        Hook.RemoveBefore(Target.Wnd, &Observe, &second);
    };
    Hook.AddBefore(Target.Wnd, &Observe, &first);
    Hook.AddBefore(Target.Wnd, &Observe, &second);
    Hook.AddBefore(Target.Wnd, &Observe, &third);
    Probe();
    // The removed second observer is not called any more, even within the same message.
    EXPECT_EQ(Log, (std::vector<std::string>{"first", "third", "window"}));
    Hook.RemoveBefore(Target.Wnd, &Observe, &third);
    EXPECT_FALSE(Hook.Hooked(Target.Wnd));
}

TEST_F(WndProcHookTest, TheLastObserverLeavingDuringItsCallUnchainsCleanly)
{
    TObserver only{"only", &Log};
    only.During = [&] { Hook.RemoveBefore(Target.Wnd, &Observe, &only); };
    Hook.AddBefore(Target.Wnd, &Observe, &only);
    EXPECT_EQ(Probe(), 100);
    EXPECT_FALSE(Hook.Hooked(Target.Wnd));
    Log.clear();
    EXPECT_EQ(Probe(), 100);
    EXPECT_EQ(Log, (std::vector<std::string>{"window"}));
}

TEST_F(WndProcHookTest, AnExceptionFromAnObserverIsShownAndTheWindowStillHandlesTheMessage)
{
    TScriptedUi ui;
    TObserver thrower{"thrower", &Log};
    thrower.During = [] { throw std::runtime_error("Beobachter kaputt"); };
    Hook.AddBefore(Target.Wnd, &Observe, &thrower);
    EXPECT_EQ(Probe(), 100);
    ASSERT_EQ(ui.Messages.size(), 1u);
    EXPECT_EQ(ui.Messages[0].Text, "Beobachter kaputt");
    Hook.RemoveBefore(Target.Wnd, &Observe, &thrower);
}

} // namespace
