#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/app_host.h"
#include "gui/component.h"
#include "gui/graphics.h"
#include "gui/hint_window.h"
#include "gui/window.h"

class TForm;

// The application object: the hidden top-level window that carries the taskbar button and
// owns every form, the message loop and the default exception display.
class TApplication : public TComponent, public TAppHost {
public:
    TApplication();
    ~TApplication() override;

    void Initialize();
    HWND Handle() const override { return FWindow.Handle(); }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& v);
    TColor HintColor() const override { return FHintColor; }
    void SetHintColor(TColor v) { FHintColor = v; }
    TForm* MainForm() const override { return FMainForm; }
    bool Terminated() const { return FTerminated; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool v) { FShowMainForm = v; }
    // Control hints: shown after a pause in a window of the hint window class.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v);
    const THintWindowClass& HintWindowClass() const { return FHintWindowClass; }
    void SetHintWindowClass(THintWindowClass v);
    // Created by Initialize.
    THintController* HintController() const { return FHintController.get(); }

    // Creates a form owned by the application; the first one becomes the main form.
    template <class T, class... Args> T* CreateForm(Args&&... args)
    {
        T* form = new T(this, std::forward<Args>(args)...);
        RegisterForm(form);
        return form;
    }
    void RegisterForm(TForm* form);
    void UnregisterForm(TForm* form) override;

    void Run();
    void ProcessMessages();
    // Handles one message if there is one; false when the queue was empty.
    bool HandleMessage();
    void Terminate() override;
    void Minimize() override;
    void Restore();
    bool Minimized() const override;
    void HandleException(const std::exception& e);

    // Observers of the application window's messages, called before it handles them; a hook that
    // returns true has handled the message and set the result.
    using TWindowHook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
    int HookMainWindow(TWindowHook hook);
    void UnhookMainWindow(int id);

    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnDeactivate;

private:
    class TAppWindow : public TWindowBase {
    public:
        explicit TAppWindow(TApplication& app) : FApp(app) {}
        LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        TApplication& FApp;
    };
    bool ProcessMessage(MSG& msg);

    TAppWindow FWindow;
    std::string FTitle;
    TColor FHintColor;
    TForm* FMainForm = nullptr;
    std::vector<TForm*> FForms;
    std::vector<TForm*> FHiddenByMinimize;
    bool FTerminated = false;
    bool FShowMainForm = true;
    int FNextHookId = 1;
    std::vector<std::pair<int, TWindowHook>> FHooks;
    bool FShowHint = true;
    THintWindowClass FHintWindowClass = HintWindowClassOf<THintWindow>();
    std::unique_ptr<THintController> FHintController;
};

extern TApplication* Application;
