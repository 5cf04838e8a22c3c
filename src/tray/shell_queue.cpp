#include "tray/shell_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "gui/handles.h"

namespace {

struct TUpdate {
    DWORD Message;
    NOTIFYICONDATAW Data;
    // Keeps the record's picture alive until the shell has it: the caller's shared owner, or a
    // copy (its owner may replace and destroy it meanwhile).
    std::shared_ptr<const void> Picture;
};

bool SameIcon(const NOTIFYICONDATAW& a, const NOTIFYICONDATAW& b)
{
    return a.hWnd == b.hWnd && a.uID == b.uID;
}

} // namespace

struct TShellQueue::TState {
    TSend Send;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<TUpdate> Pending;
    bool Stop = false;
    bool Running = false;
    // Set while nothing is queued or being sent (manual reset): the owner's thread waits on it
    // and goes on receiving sent messages meanwhile, as it would inside a call to the shell.
    TKernelHandle Idle{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
};

TShellQueue::TShellQueue(TSend send) : FState(std::make_shared<TState>())
{
    FState->Send = send;
}

TShellQueue::~TShellQueue()
{
    std::unique_lock<std::mutex> lock(FState->Lock);
    FState->Stop = true;
    FState->Changed.notify_all();
    FState->Changed.wait_for(lock, std::chrono::seconds(2), [this] { return !FState->Running; });
}

BOOL TShellQueue::Notify(DWORD message, const NOTIFYICONDATAW& data, std::shared_ptr<const void> picture)
{
    if (message != NIM_MODIFY || !FState->Idle) {
        Flush();
        NOTIFYICONDATAW copy = data;
        return FState->Send(message, &copy);
    }
    TUpdate update{message, data, std::move(picture)};
    if ((data.uFlags & NIF_ICON) && data.hIcon && !update.Picture) {
        auto copy = std::make_shared<TIconHandle>(CopyIcon(data.hIcon));
        update.Data.hIcon = copy->Get();
        update.Picture = std::move(copy);
    }
    std::lock_guard<std::mutex> lock(FState->Lock);
    // An update that says at least everything the waiting one says replaces it; a shell balloon
    // is never merged away.
    if (!FState->Pending.empty()) {
        TUpdate& last = FState->Pending.back();
        if (SameIcon(last.Data, data) && !((last.Data.uFlags | data.uFlags) & NIF_INFO) &&
            (last.Data.uFlags & ~data.uFlags) == 0) {
            last = std::move(update);
            return TRUE;
        }
    }
    if (!FState->Running) {
        // Without a thread of its own the update is made here, as it was.
        try {
            std::shared_ptr<TState> state = FState;
            std::thread(Run, state).detach();
        } catch (const std::system_error&) {
            return FState->Send(message, &update.Data);
        }
        FState->Running = true;
    }
    FState->Pending.push_back(std::move(update));
    ResetEvent(FState->Idle.Get());
    FState->Changed.notify_all();
    return TRUE;
}

void TShellQueue::Run(std::shared_ptr<TState> state)
{
    std::unique_lock<std::mutex> lock(state->Lock);
    for (;;) {
        state->Changed.wait(lock, [&] { return state->Stop || !state->Pending.empty(); });
        if (state->Pending.empty())
            break;
        TUpdate next = std::move(state->Pending.front());
        state->Pending.pop_front();
        lock.unlock();
        state->Send(next.Message, &next.Data);
        next.Picture.reset();
        lock.lock();
        if (state->Pending.empty())
            SetEvent(state->Idle.Get());
    }
    state->Running = false;
    state->Changed.notify_all();
}

void TShellQueue::Flush()
{
    HANDLE idle = FState->Idle.Get();
    while (MsgWaitForMultipleObjects(1, &idle, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG m;
        PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
