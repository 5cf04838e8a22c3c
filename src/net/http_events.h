#pragma once
#include <windows.h>

// The event window's message; lParam is the delivery to run.
constexpr UINT WM_HTTPEVENT = 0x8FFF;
constexpr const char* kHttpWindowClass = "TAdvHttpWindow";

// Work handed to the owner's thread: Run happens there while the sending thread waits for it.
// Nothing may escape Run, since it is called from a window procedure.
class THttpDelivery {
public:
    virtual void Run() noexcept = 0;

protected:
    ~THttpDelivery() = default;
};

// The hidden window, shared by every component whose events go to the owner's (GUI) thread, that
// runs their deliveries there. It lives while one such component does; users are added and
// removed on that thread only.
class THttpEventWindow {
public:
    static void AddUser();
    static void RemoveUser();
    // The window, or nullptr while nobody uses it.
    static HWND Handle();
    // Whether the calling thread is the window's.
    static bool OnOwnThread();
    // Runs the delivery on the window's thread and returns when it has run there.
    static void Send(THttpDelivery& delivery);
};
