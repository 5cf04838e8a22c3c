#pragma once
#include <windows.h>
#include <shellapi.h>

#include <memory>

// Hands the shell's icon updates to a thread of its own. Each update is a synchronous round trip
// to the process that draws the notification area (tens of milliseconds under load), and a
// refresh changes the picture and the tip several times: the owner's thread only queues them.
// Updates reach the shell in the order they were made; anything other than NIM_MODIFY (adding,
// deleting, the version) waits for the queue to empty and is made at once, so its result is
// the shell's own.
class TShellQueue {
public:
    using TSend = BOOL (*)(DWORD message, NOTIFYICONDATAW* data);
    explicit TShellQueue(TSend send);
    // Waits briefly for what is queued to reach the shell; a shell that does not answer is left
    // behind with the thread.
    ~TShellQueue();
    TShellQueue(const TShellQueue&) = delete;
    TShellQueue& operator=(const TShellQueue&) = delete;

    // picture owns the record's icon, when the caller has it shared: the queue then keeps it
    // alive until the shell has it instead of copying it.
    BOOL Notify(DWORD message, const NOTIFYICONDATAW& data, std::shared_ptr<const void> picture = nullptr);
    // Returns when everything queued has been handed to the shell.
    void Flush();

private:
    struct TState;
    static void Run(std::shared_ptr<TState> state);
    std::shared_ptr<TState> FState;
};
