// The queue that hands the tray icon's updates to the shell from a thread of its own.
#include "tray/shell_queue.h"

#include "gui/handles.h"
#include "rtl/wide.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct TSent {
    DWORD Message;
    std::string Tip;
    UINT Flags;
    bool IconValid;
    bool OnCaller;
};

// Stands in for the shell: busy until the test opens the gate, and records what reached it.
struct TSlowShell {
    HANDLE Gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~TSlowShell() { CloseHandle(Gate); }
    std::mutex Lock;
    std::vector<TSent> Sent;
    DWORD CallerThread = 0;
    HWND Ping = nullptr; // sent a message during every update when set
    LRESULT PingAnswer = 0;
    BOOL Result = TRUE;
};
TSlowShell* gShell = nullptr;

BOOL SlowSend(DWORD message, NOTIFYICONDATAW* data)
{
    ICONINFO info = {};
    const bool valid = data->hIcon && GetIconInfo(data->hIcon, &info);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    LRESULT answer = 0;
    if (gShell->Ping) {
        DWORD_PTR r = 0;
        if (SendMessageTimeoutW(gShell->Ping, WM_USER + 7, 0, 0, SMTO_BLOCK, 5000, &r))
            answer = static_cast<LRESULT>(r);
    }
    WaitForSingleObject(gShell->Gate, 5000);
    std::lock_guard<std::mutex> lock(gShell->Lock);
    gShell->PingAnswer += answer;
    gShell->Sent.push_back({message, rtl::WideToUtf8(data->szTip), data->uFlags, valid,
                            GetCurrentThreadId() == gShell->CallerThread});
    return gShell->Result;
}

NOTIFYICONDATAW Update(const char* tip, UINT flags, HICON icon = nullptr)
{
    NOTIFYICONDATAW d = {};
    d.cbSize = sizeof d;
    d.uID = 1;
    d.uFlags = flags;
    d.hIcon = icon;
    lstrcpynW(d.szTip, rtl::Utf8ToWide(tip).c_str(), ARRAYSIZE(d.szTip));
    return d;
}

class ShellQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gShell = &Shell;
        Shell.CallerThread = GetCurrentThreadId();
    }
    void TearDown() override { gShell = nullptr; }
    std::vector<TSent> Sent()
    {
        std::lock_guard<std::mutex> lock(Shell.Lock);
        return Shell.Sent;
    }
    TSlowShell Shell;
};

TEST_F(ShellQueueTest, UpdatesArriveInOrderOffTheCallersThreadAndTheLastOneWins)
{
    TShellQueue queue(&SlowSend);
    const UINT tip = NIF_TIP, full = NIF_TIP | NIF_ICON | NIF_MESSAGE;
    // While the first is being sent the rest wait: one that says everything the waiting one
    // says replaces it, one that says less or a shell balloon does not.
    EXPECT_TRUE(queue.Notify(NIM_MODIFY, Update("first", full)));
    EXPECT_TRUE(queue.Notify(NIM_MODIFY, Update("second", tip)));
    EXPECT_TRUE(queue.Notify(NIM_MODIFY, Update("third", full)));
    EXPECT_TRUE(queue.Notify(NIM_MODIFY, Update("fourth", tip)));
    EXPECT_TRUE(queue.Notify(NIM_MODIFY, Update("balloon", tip | NIF_INFO)));
    EXPECT_TRUE(queue.Notify(NIM_MODIFY, Update("last", full)));
    Shell.Result = 7;
    SetEvent(Shell.Gate);
    // Anything but a change waits for the queue and reports the shell's own answer.
    EXPECT_EQ(queue.Notify(NIM_DELETE, Update("gone", 0)), 7);

    std::vector<std::string> tips;
    for (const TSent& s : Sent()) {
        tips.push_back(s.Tip);
        EXPECT_EQ(s.OnCaller, s.Message != NIM_MODIFY) << s.Tip;
    }
    EXPECT_EQ(tips, (std::vector<std::string>{"first", "third", "fourth", "balloon", "last", "gone"}));
}

TEST_F(ShellQueueTest, ThePictureOutlivesTheCallersCopy)
{
    TShellQueue queue(&SlowSend);
    queue.Notify(NIM_MODIFY, Update("busy", NIF_TIP | NIF_INFO)); // never merged with the next
    HICON icon = CopyIcon(LoadIcon(nullptr, IDI_APPLICATION));
    ASSERT_TRUE(icon);
    queue.Notify(NIM_MODIFY, Update("copied", NIF_TIP | NIF_ICON | NIF_INFO, icon));
    DestroyIcon(icon); // as the tray icon does when its picture changes again
    // A picture whose owner is handed over is kept alive instead.
    auto shared = std::make_shared<TIconHandle>(CopyIcon(LoadIcon(nullptr, IDI_APPLICATION)));
    queue.Notify(NIM_MODIFY, Update("kept", NIF_TIP | NIF_ICON, shared->Get()), shared);
    shared.reset();
    SetEvent(Shell.Gate);
    queue.Flush();
    const std::vector<TSent> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_TRUE(sent[1].IconValid);
    EXPECT_TRUE(sent[2].IconValid);
}

// A shell that sends to the caller's windows while an update is under way must not wait
// forever on a caller that waits for the queue.
TEST_F(ShellQueueTest, WaitingForTheQueueStillReceivesSentMessages)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    SetWindowLongPtrW(window, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                          return m == WM_USER + 7 ? 1 : DefWindowProcW(w, m, wp, lp);
                      }));
    Shell.Ping = window;
    SetEvent(Shell.Gate);
    {
        TShellQueue queue(&SlowSend);
        queue.Notify(NIM_MODIFY, Update("a", NIF_TIP));
        queue.Notify(NIM_MODIFY, Update("b", NIF_TIP | NIF_INFO));
        queue.Notify(NIM_ADD, Update("c", NIF_TIP));
    }
    DestroyWindow(window);
    EXPECT_EQ(Sent().size(), 3u);
    EXPECT_EQ(Shell.PingAnswer, 3); // every round trip was answered, none timed out
}

} // namespace
