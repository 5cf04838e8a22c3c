#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/component.h"
#include "gui/controls.h"
#include "gui/handles.h"
#include "gui/window.h"
#include "tray/enum_set.h"

class TImageList;
class TPopupMenu;
class TTimer;

enum TTrayVisibility {
    tvVisibleTaskBar,
    tvVisibleTaskList,
    tvAutoHide,
    tvVisibleDesign,
    tvRestoreClick,
    tvRestoreDbClick,
    tvMinimizeClick,
    tvMinimizeDbClick
};
using TTrayVisibilities = TEnumSet<TTrayVisibility>;

// The kinds of the shell's own balloon: none, error, information, warning.
enum TrayBalloonKind { bkNone, bkError, bkInformation, bkWarning };

using TAnimateEvent = std::function<void(TObject* Sender, int ImageIndex)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// The callback message the shell sends to the icon's window.
constexpr UINT kTrayCallbackMessage = WM_USER + 1;

// The shell's side of the notification area. The platform is the default; tests install a
// recorder. The component behaves the same either way.
class TShellTray {
public:
    virtual ~TShellTray() = default;
    virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data);
    // The same, with the owner of the record's icon: a shell that answers later keeps it alive
    // instead of copying it. By default the plain request.
    virtual BOOL NotifyIconKeeping(DWORD message, NOTIFYICONDATAW* data, std::shared_ptr<const void> picture)
    {
        (void)picture;
        return NotifyIcon(message, data);
    }
    // The taskbar window ("Shell_TrayWnd"), nullptr when there is none.
    virtual HWND FindTaskbar();
};
TShellTray& ShellTray();
// Installs a replacement (not owned); nullptr restores the platform.
void SetShellTray(TShellTray* shell);

// The fixed file version of shell32.dll from its version resource, major version in the high
// word; 0 when it cannot be read.
DWORD ReadShellVersion();
// ReadShellVersion, asked once and cached; a failure (0) is asked again the next time.
DWORD ShellVersion();
// Version 5 or newer.
bool IsNewShell();
// Replaces where the version comes from (nullptr: the version resource) and forgets the cache.
using TShellVersionQuery = DWORD (*)();
void SetShellVersionQuery(TShellVersionQuery query);
// The notification record's size the shell of that age expects.
DWORD NotifyRecordSize(bool newShell);

// An icon in the notification area: registers it with the shell, keeps its tip and picture up to
// date, turns the shell's mouse notifications into events, pops up a menu on it, and can hide and
// restore the application's taskbar button and main form.
class TTrayIcon : public TComponent {
public:
    explicit TTrayIcon(TComponent* AOwner);
    ~TTrayIcon() override;

    bool Active() const { return FActive; }
    void SetActive(bool v);
    bool Animated() const { return FAnimated; }
    void SetAnimated(bool v);
    // The component keeps its own copy of the icon.
    HICON Icon() const { return FIcon ? FIcon->Get() : nullptr; }
    void SetIcon(HICON v);
    int IconIndex() const { return FIconIndex; }
    void SetIconIndex(int v);
    TImageList* Icons() const { return FIcons; }
    void SetIcons(TImageList* v);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& v);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* v);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* v);
    unsigned Delay() const { return FDelay; }
    void SetDelay(unsigned v);
    bool Snap() const { return FSnap; }
    void SetSnap(bool v) { FSnap = v; }
    TTrayVisibilities Visibility() const { return FVisibility; }
    void SetVisibility(TTrayVisibilities v);

    // Set by the owner form while it applies its stored settings: a Visibility written then only
    // decides whether the application shows its main form when it starts.
    bool Loading() const { return FLoading; }
    void SetLoading(bool v) { FLoading = v; }

    // The shell's own balloon over the icon (shells of version 5 or newer only).
    void ShowTrayBalloon(const std::string& Title, const std::string& Text, TrayBalloonKind Kind, int TimeoutMs);

    void ShowApplication();
    void HideApplication();
    bool ApplicationShown() const { return FApplicationShown; }

    // The hidden window that receives the shell's notifications.
    HWND Handle() const { return FWindow.Handle(); }
    const NOTIFYICONDATAW& NotifyData() const { return FData; }

    TAnimateEvent OnAnimate;
    TMouseEvent OnClick;
    TMouseEvent OnDblClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnBalloonShow;
    TNotifyEvent OnBalloonHide;
    TNotifyEvent OnBalloonClick;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    class TTrayWindow : public TWindowBase {
    public:
        explicit TTrayWindow(TTrayIcon& t) : FTray(t) {}
        LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        TTrayIcon& FTray;
    };
    LRESULT HandleCallback(LPARAM code);
    void TaskbarCheck();
    void Notify(DWORD message);
    void SetTip(const std::string& hint);
    void MouseMove(TShiftState shift, POINT p);
    void ButtonDown(TMouseButton b, TShiftState shift, POINT p);
    void ButtonUp(TMouseButton b, TShiftState shift, POINT p);
    void DoubleClick(TMouseButton b, TShiftState shift, POINT p);
    void ShowMenu(TPopupMenu* menu, POINT p);
    POINT KeyboardMenuPoint(POINT cursor) const;
    void AnimationStep();
    void ClearTrayBalloon();
    void HookApplication();
    void UnhookApplication();
    bool WatchApplication(UINT msg, WPARAM wParam);

    bool FActive = false;
    bool FAnimated = false;
    // Shared with FListIcons while the icon shows a list picture.
    std::shared_ptr<TIconHandle> FIcon;
    int FIconIndex = 0;
    // The pictures of FIcons made so far, by index, for the list as of FListIconsStamp: a
    // refresh changes the picture back and forth, and each picture made costs milliseconds.
    std::vector<std::shared_ptr<TIconHandle>> FListIcons;
    TImageList* FListIconsList = nullptr;
    unsigned FListIconsStamp = 0;
    TImageList* FIcons = nullptr;
    std::string FHint;
    TPopupMenu* FDropDownMenu = nullptr;
    TPopupMenu* FPopupMenu = nullptr;
    unsigned FDelay = 100;
    bool FSnap = false;
    TTrayVisibilities FVisibility{tvVisibleTaskBar, tvVisibleTaskList, tvAutoHide};
    bool FLoading = false;

    NOTIFYICONDATAW FData;
    TTrayWindow FWindow;
    bool FApplicationShown = true;
    bool FInTaskList = true;
    TModuleHandle FKernel;
    using TRegisterServiceProcess = DWORD(WINAPI*)(DWORD, DWORD);
    TRegisterServiceProcess FRegisterServiceProcess = nullptr;
    int FAppHook = 0; // the application window hook's id, 0 when not hooked
    TTimer* FTimer = nullptr;
    HWND FTaskbar = nullptr;
    std::string FPushedHint;
    DWORD FBalloonShownAt = 0;
    int FBalloonTimeout = 0; // whole seconds
    UINT FTaskbarCreated = 0;
    // A left button-up whose NIN_SELECT from the shell is still to come, and when it was.
    bool FMouseSelectPending = false;
    DWORD FMouseSelectAt = 0;
};
