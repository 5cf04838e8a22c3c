#include "gui/application.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/forms.h"
#include "gui/platform_ui.h"

TApplication* Application = nullptr;

TApplication::TApplication() : TComponent(nullptr), FWindow(*this), FHintColor(clInfoBk)
{
    Application = this;
    SetAppHost(this);
    SetExceptionHandler([this](const std::exception& e) { HandleException(e); });
}

TApplication::~TApplication()
{
    DestroyComponents();
    FHintController.reset();
    FWindow.DestroyHandle();
    if (Application == this) {
        Application = nullptr;
        SetAppHost(nullptr);
        SetExceptionHandler(nullptr);
    }
}

void TApplication::Initialize()
{
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof icc;
    icc.dwICC =
        ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&icc);
    if (!FHintController)
        FHintController.reset(new THintController(FHintWindowClass));
    if (FWindow.HandleAllocated())
        return;
    // A zero-sized window in the middle of the screen: invisible itself, it carries the taskbar
    // button and owns the forms, so minimising it takes every form off the screen at once.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    FWindow.CreateHandle("TApplication", 0, FTitle,
                         WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                         nullptr);
}

void TApplication::SetTitle(const std::string& v)
{
    FTitle = v;
    if (FWindow.HandleAllocated())
        SetWindowTextUtf8(FWindow.Handle(), v);
}

void TApplication::SetShowHint(bool v)
{
    FShowHint = v;
    if (!v && FHintController)
        FHintController->CancelHint();
}

void TApplication::SetHintWindowClass(THintWindowClass v)
{
    FHintWindowClass = std::move(v);
    if (FHintController)
        FHintController->ClassChanged();
}

void TApplication::RegisterForm(TForm* form)
{
    FForms.push_back(form);
    if (!FMainForm)
        FMainForm = form;
}

void TApplication::UnregisterForm(TForm* form)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
    FHiddenByMinimize.erase(std::remove(FHiddenByMinimize.begin(), FHiddenByMinimize.end(), form),
                            FHiddenByMinimize.end());
    if (FMainForm == form) {
        FMainForm = nullptr;
        // Losing the main form ends the run, unless the application itself is going.
        if (!Destroying())
            Terminate();
    }
}

void TApplication::Terminate()
{
    if (!FTerminated) {
        FTerminated = true;
        PostQuitMessage(0);
    }
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    if (FShowHint && FHintController)
        FHintController->Observe(msg);
    // Dialog navigation for our forms: Tab between controls (the form's own order, which stops on
    // a page control's tab strip), Enter for the default button, arrows, accelerators.
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
        for (TForm* f : FForms)
            if (f->Handle() == root && (f->DialogKey(msg) || IsDialogMessageW(root, &msg)))
                return true;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

bool TApplication::HandleMessage()
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    ProcessMessage(msg);
    return true;
}

void TApplication::ProcessMessages()
{
    while (HandleMessage()) {
    }
}

void TApplication::Run()
{
    if (FMainForm && FShowMainForm && !FMainForm->Visible() && FMainForm->ShowOnRun())
        FMainForm->Show();
    MSG msg;
    while (!FTerminated) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) {
            FTerminated = true;
            break;
        }
        ProcessMessage(msg);
    }
    // Terminate ends the loop before its quit message comes round; left in the queue, it would end
    // at once every modal loop after the run (a question from a form's destruction handler).
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void TApplication::Minimize()
{
    if (!FWindow.HandleAllocated() || IsIconic(FWindow.Handle()))
        return;
    // Windows hides owned windows with their minimised owner, but not every platform layer does;
    // hide them here and remember which, so Restore brings back exactly those.
    FHiddenByMinimize.clear();
    for (TForm* f : FForms)
        if (f->Handle() && IsWindowVisible(f->Handle())) {
            FHiddenByMinimize.push_back(f);
            ShowWindow(f->Handle(), SW_HIDE);
        }
    ShowWindow(FWindow.Handle(), SW_MINIMIZE);
    if (OnMinimize)
        OnMinimize(this);
}

void TApplication::Restore()
{
    if (!FWindow.HandleAllocated())
        return;
    if (IsIconic(FWindow.Handle()))
        ShowWindow(FWindow.Handle(), SW_RESTORE);
    std::vector<TForm*> forms;
    forms.swap(FHiddenByMinimize);
    for (TForm* f : forms)
        if (std::find(FForms.begin(), FForms.end(), f) != FForms.end() && f->Handle())
            ShowWindow(f->Handle(), SW_SHOWNA);
    if (OnRestore)
        OnRestore(this);
}

bool TApplication::Minimized() const
{
    return FWindow.HandleAllocated() && IsIconic(FWindow.Handle());
}

void TApplication::HandleException(const std::exception& e)
{
    HWND parent = GetActiveWindow();
    PlatformUi().MessageBox(parent ? parent : Handle(), e.what(), FTitle, MB_ICONERROR | MB_OK);
}

int TApplication::HookMainWindow(TWindowHook hook)
{
    int id = FNextHookId++;
    FHooks.emplace_back(id, std::move(hook));
    return id;
}

void TApplication::UnhookMainWindow(int id)
{
    FHooks.erase(std::remove_if(FHooks.begin(), FHooks.end(), [id](const auto& h) { return h.first == id; }),
                 FHooks.end());
}

LRESULT TApplication::TAppWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Hooks may unhook themselves while they run.
    auto hooks = FApp.FHooks;
    for (auto& h : hooks) {
        LRESULT result = 0;
        if (h.second(msg, wParam, lParam, result))
            return result;
    }
    switch (msg) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
            FApp.Minimize();
            return 0;
        case SC_RESTORE:
            FApp.Restore();
            if (FApp.FMainForm && FApp.FMainForm->Visible())
                SetForegroundWindow(FApp.FMainForm->Handle());
            return 0;
        case SC_CLOSE:
            if (FApp.FMainForm)
                FApp.FMainForm->Close();
            return 0;
        }
        break;
    case WM_CLOSE:
        if (FApp.FMainForm)
            FApp.FMainForm->Close();
        return 0;
    case WM_ACTIVATEAPP:
        if (!wParam && FApp.OnDeactivate)
            FApp.OnDeactivate(&FApp);
        break;
    case WM_ACTIVATE:
        // The zero-sized window passes activation on to the main form.
        if (LOWORD(wParam) != WA_INACTIVE && FApp.FMainForm && FApp.FMainForm->Visible() && !IsIconic(Handle())) {
            SetFocus(FApp.FMainForm->Handle());
            return 0;
        }
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}
