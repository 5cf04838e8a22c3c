#include "tray/balloon_hint.h"

#include <mmsystem.h>
#include <shlwapi.h>

#include <map>

#include "gui/application.h"
#include "gui/controls.h"
#include "gui/dpi.h"
#include "gui/handles.h"
#include "gui/image_list.h"
#include "gui/window.h"
#include "rtl/wide.h"
#include "tray/wnd_proc_hook.h"

namespace {

// Time-out timers by identifier, so that each one closes the balloon of the component that
// started it. Never destroyed: timers may still be looked up while the program ends.
std::map<UINT_PTR, TBalloonHint*>& Timeouts()
{
    static auto* timeouts = new std::map<UINT_PTR, TBalloonHint*>();
    return *timeouts;
}

TGlobalCtrl* g_ctrl = nullptr;
bool g_ctrlGoing = false;

// The controller lives until the program ends.
struct TCtrlHolder {
    ~TCtrlHolder()
    {
        TGlobalCtrl* c = g_ctrl;
        if (c) {
            g_ctrlGoing = true;
            delete c;
        }
    }
} g_ctrlHolder;

} // namespace

TBalloonHint::TBalloonHint(TComponent* AOwner) : TComponent(AOwner), FWindow(new TBalloonWindowEx(*this))
{
    FWindow->HandleNeeded();
    TGlobalCtrl::Instance().Register(this);
}

TBalloonHint::~TBalloonHint()
{
    HideBalloon();
    KillTimeout();
    SetApplicationHintOptions({});
    if (TGlobalCtrl* c = TGlobalCtrl::Existing())
        c->Unregister(this);
}

void TBalloonHint::SetImages(TImageList* v)
{
    FImages = v;
    if (v)
        v->FreeNotification(this);
}

void TBalloonHint::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FImages)
        FImages = nullptr;
    // An anchor that goes takes its balloon with it.
    if (FData.AnchorWindow && AComponent == FData.AnchorWindow) {
        HideBalloon();
        FData.AnchorWindow = nullptr;
    }
}

void TBalloonHint::SetApplicationHintOptions(TApplicationHintOptions v)
{
    if (v == FApplicationHintOptions)
        return;
    bool switchChanged = v.Contains(ahUseBalloonAsHint) != FApplicationHintOptions.Contains(ahUseBalloonAsHint);
    FApplicationHintOptions = v;
    if (!switchChanged)
        return;
    TGlobalCtrl* c = TGlobalCtrl::Existing();
    if (!c || c->CurrentOrNull() != this) {
        FApplicationHintOptions.Exclude(ahUseBalloonAsHint);
        return;
    }
    if (!Application)
        return;
    if (v.Contains(ahUseBalloonAsHint)) {
        if (!FHintClassSwitched) {
            FSavedHintWindowClass = Application->HintWindowClass();
            FHintClassSwitched = true;
        }
        Application->SetHintWindowClass(
            [] { return std::unique_ptr<THintWindow>(new TBalloonWindow(TGlobalCtrl::Instance())); });
    } else if (FHintClassSwitched) {
        FHintClassSwitched = false;
        Application->SetHintWindowClass(FSavedHintWindowClass);
        FSavedHintWindowClass = nullptr;
    }
}

TBalloonSettings TBalloonHint::BalloonSettings()
{
    TBalloonSettings s;
    s.HintOptions = FApplicationHintOptions;
    s.Icon = FDefaultIcon;
    s.ImageIndex = FDefaultImageIndex;
    s.Header = FDefaultHeader;
    s.Position = FDefaultBalloonPosition;
    return s;
}

// The component's own pictures, also when another component is the current one.
SIZE TBalloonHint::BalloonIconSize(TIconKind kind, int imageIndex)
{
    return TGlobalCtrl::Instance().IconSize(kind, imageIndex, FImages);
}

void TBalloonHint::DrawBalloonIcon(HDC dc, int x, int y, TIconKind kind, int imageIndex, TColor background)
{
    TGlobalCtrl::Instance().DrawIcon(dc, x, y, kind, imageIndex, background, FImages);
}

void TBalloonHint::PlayBalloonSound(TIconKind kind) const
{
    TGlobalCtrl::Instance().PlayBalloonSound(kind);
}

void TBalloonHint::ShowBalloonAt(TWinControl* AnchorWindow, POINT AnchorPosition, const std::string& Header,
                                 const std::string& Hint, int VisibleTime, TIconKind IconKind, int ImageIndex)
{
    HideBalloon();
    FData.AnchorWindow = AnchorWindow;
    FData.Position = AnchorPosition;
    FData.StemPoint = {0, 0};
    FData.Header = Header;
    FData.Hint = Hint;
    FData.IconKind = IconKind;
    FData.ImageIndex = ImageIndex;
    FData.VisibleTime = VisibleTime;
    FData.StemGap = 0;
    if (AnchorWindow)
        AnchorWindow->FreeNotification(this);
    Show();
}

void TBalloonHint::Show()
{
    if (FOptions.Contains(boUseDefaultHeader))
        FData.Header = FDefaultHeader;
    if (FOptions.Contains(boUseDefaultIcon))
        FData.IconKind = FDefaultIcon;
    if (FOptions.Contains(boUseDefaultImageIndex))
        FData.ImageIndex = FDefaultImageIndex;
    FData.ShowCloseBtn = FOptions.Contains(boShowCloseBtn);

    if (!TGlobalCtrl::IsWinXPOrNewer()) {
        FData.AnimationStyle = atNone;
    } else if (FOptions.Contains(boCustomAnimation)) {
        FData.AnimationStyle = FCustomAnimationStyle;
        FData.AnimationTime = static_cast<int>(FCustomAnimationTime);
    } else {
        BOOL animation = FALSE, fade = FALSE;
        SystemParametersInfoW(SPI_GETTOOLTIPANIMATION, 0, &animation, 0);
        if (!animation) {
            FData.AnimationStyle = atNone;
        } else {
            SystemParametersInfoW(SPI_GETTOOLTIPFADE, 0, &fade, 0);
            FData.AnimationStyle = fade ? atBlend : atSlide;
        }
        FData.AnimationTime = 100;
    }

    FActive = true;
    StartWatching();

    HWND anchor = FData.AnchorWindow ? FData.AnchorWindow->Handle() : nullptr;
    RECT r = FWindow->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), FData.Hint, &FData);
    POINT p = FData.Position;
    if (anchor)
        ClientToScreen(anchor, &p);
    OffsetRect(&r, p.x, p.y);

    if (FOptions.Contains(boPlaySound))
        TGlobalCtrl::Instance().PlayBalloonSound(FData.IconKind);

    FWindow->ShowBalloon(r);

    RECT placed = FWindow->BoundsRect();
    FData.Position = {placed.left, placed.top};
    FData.StemPoint = FWindow->StemTip();
    if (anchor) {
        ScreenToClient(anchor, &FData.Position);
        ScreenToClient(anchor, &FData.StemPoint);
    }

    if (FData.VisibleTime > 0) {
        KillTimeout();
        FTimerId = SetTimer(nullptr, 0, static_cast<UINT>(FData.VisibleTime), &TBalloonHint::TimeoutProc);
        if (FTimerId)
            Timeouts()[FTimerId] = this;
        else
            HideBalloon();
    }

    // Taking the capture and giving it back makes the system forget a button press that was
    // under way, so the balloon gets the next one. A capture some other window holds (a drag in
    // progress) is left alone.
    if (!GetCapture() && FWindow->Handle()) {
        SetCapture(FWindow->Handle());
        ReleaseCapture();
    }
}

void TBalloonHint::HideBalloon()
{
    if (!FActive)
        return;
    FActive = false;
    KillTimeout();
    StopWatching();
    if (FWindow->HandleAllocated()) {
        if (GetCapture() == FWindow->Handle())
            ReleaseCapture();
        ShowWindow(FWindow->Handle(), SW_HIDE);
    }
}

void TBalloonHint::KillTimeout()
{
    if (!FTimerId)
        return;
    KillTimer(nullptr, FTimerId);
    Timeouts().erase(FTimerId);
    FTimerId = 0;
}

void CALLBACK TBalloonHint::TimeoutProc(HWND, UINT, UINT_PTR id, DWORD)
{
    GuardedCall([id] {
        auto it = Timeouts().find(id);
        if (it != Timeouts().end()) {
            it->second->HideBalloon();
        } else {
            // A timer nobody owns any more: stop it.
            KillTimer(nullptr, id);
        }
    });
}

void TBalloonHint::StartWatching()
{
    StopWatching();
    HWND wnd = FData.AnchorWindow ? FData.AnchorWindow->Handle() : nullptr;
    if (!wnd)
        return;
    TWndProcHook::Instance().AddBefore(wnd, &TBalloonHint::AnchorObserver, this);
    FWatchedWnd = wnd;
}

void TBalloonHint::StopWatching()
{
    if (!FWatchedWnd)
        return;
    TWndProcHook::Instance().RemoveBefore(FWatchedWnd, &TBalloonHint::AnchorObserver, this);
    FWatchedWnd = nullptr;
}

bool TBalloonHint::AnchorObserver(void* context, HWND wnd, UINT msg, WPARAM, LPARAM lParam, LRESULT&)
{
    TBalloonHint* self = static_cast<TBalloonHint*>(context);
    switch (msg) {
    case WM_MOVE: {
        POINT p = self->FData.Position;
        ClientToScreen(wnd, &p);
        self->FWindow->MoveTo(p);
        break;
    }
    case WM_SIZE: {
        RECT client = {0, 0, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (!PtInRect(&client, self->FData.StemPoint))
            self->HideBalloon();
        break;
    }
    case WM_CLOSE:
    case WM_SHOWWINDOW:
    case WM_DESTROY:
        self->HideBalloon();
        break;
    }
    return false;
}

TGlobalCtrl& TGlobalCtrl::Instance()
{
    if (!g_ctrl)
        g_ctrl = new TGlobalCtrl();
    return *g_ctrl;
}

TGlobalCtrl* TGlobalCtrl::Existing()
{
    return g_ctrlGoing ? nullptr : g_ctrl;
}

TGlobalCtrl::TGlobalCtrl() : TComponent(nullptr)
{
    ReadSounds();
    FSolidBackground = IsWinXPOrNewer() && ComCtlVersion() < 0x60000;
    LoadStandardIcons(CLR_NONE);
}

TGlobalCtrl::~TGlobalCtrl()
{
    g_ctrlGoing = true;
    if (FCurrent)
        Unlink(FCurrent);
    FCurrent = nullptr;
    DestroyComponents();
    FStandardIcons.Reset();
    if (g_ctrl == this)
        g_ctrl = nullptr;
}

void TGlobalCtrl::Unlink(TBalloonHint* b)
{
    b->RemoveFreeNotification(this);
    RemoveFreeNotification(b);
}

TBalloonHint* TGlobalCtrl::CurrentBalloon()
{
    if (!FCurrent)
        new TBalloonHint(this); // registers itself as the current one
    return FCurrent;
}

void TGlobalCtrl::Register(TBalloonHint* b)
{
    if (FCurrent == b)
        return;
    if (TBalloonHint* old = FCurrent) {
        old->HideBalloon();
        Unlink(old);
        // Still the current one here, so that the setter puts the hint window class back.
        old->SetApplicationHintOptions(old->ApplicationHintOptions().Without(ahUseBalloonAsHint));
    }
    FCurrent = b;
    b->FreeNotification(this);
}

void TGlobalCtrl::Unregister(TBalloonHint* b)
{
    if (FCurrent != b)
        return;
    Unlink(b);
    FCurrent = nullptr;
}

void TGlobalCtrl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FCurrent)
        FCurrent = nullptr;
}

TBalloonSettings TGlobalCtrl::BalloonSettings()
{
    return CurrentBalloon()->BalloonSettings();
}

SIZE TGlobalCtrl::BalloonIconSize(TIconKind kind, int imageIndex)
{
    return IconSize(kind, imageIndex, CurrentBalloon()->Images());
}

void TGlobalCtrl::DrawBalloonIcon(HDC dc, int x, int y, TIconKind kind, int imageIndex, TColor background)
{
    DrawIcon(dc, x, y, kind, imageIndex, background, CurrentBalloon()->Images());
}

DWORD TGlobalCtrl::ComCtlVersion()
{
    HMODULE lib = GetModuleHandleW(L"comctl32.dll");
    if (!lib)
        return 0;
    auto get = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(lib, "DllGetVersion")));
    if (!get)
        return 0;
    DLLVERSIONINFO dvi = {};
    dvi.cbSize = sizeof dvi;
    if (FAILED(get(&dvi)))
        return 0;
    return MAKELONG(dvi.dwMinorVersion, dvi.dwMajorVersion);
}

void TGlobalCtrl::LoadStandardIcons(COLORREF background)
{
    const int size = SmallIconSize(SystemDpi());
    if (!FStandardIcons) {
        FStandardIcons.Reset(IsWinXPOrNewer() ? ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 4, 4)
                                              : ImageList_Create(size, size, ILC_COLOR | ILC_MASK, 4, 4));
        if (!FStandardIcons)
            return;
    } else {
        ImageList_Remove(FStandardIcons.Get(), -1);
    }
    ImageList_SetBkColor(FStandardIcons.Get(), background);
    FIconBackground = background;
    const LPCWSTR ids[] = {IDI_APPLICATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION, IDI_EXCLAMATION};
    for (LPCWSTR id : ids) {
        // Shared icons belong to the system; the copy at the list's size is made from the best
        // picture of the system's resource.
        HICON shared = static_cast<HICON>(LoadImageW(nullptr, id, IMAGE_ICON, size, size, LR_SHARED));
        TIconHandle icon(static_cast<HICON>(CopyImage(shared, IMAGE_ICON, size, size, LR_COPYFROMRESOURCE)));
        ImageList_AddIcon(FStandardIcons.Get(), icon ? icon.Get() : shared);
    }
}

namespace {
int StandardIndex(TIconKind kind)
{
    switch (kind) {
    case ikApplication:
        return 0;
    case ikError:
        return 1;
    case ikInformation:
        return 2;
    case ikQuestion:
        return 3;
    case ikWarning:
        return 4;
    case ikCustom:
    case ikNone:
        break;
    }
    return -1;
}
} // namespace

void TGlobalCtrl::DrawIcon(HDC dc, int x, int y, TIconKind kind, int imageIndex, TColor background,
                           TImageList* images)
{
    if (kind == ikNone)
        return;
    if (kind == ikCustom && images && imageIndex >= 0 && imageIndex < images->Count()) {
        images->Draw(dc, x, y, imageIndex);
        return;
    }
    int index = kind == ikCustom ? StandardIndex(ikInformation) : StandardIndex(kind);
    if (FSolidBackground) {
        COLORREF bg = ColorToRGB(background);
        if (bg != FIconBackground)
            LoadStandardIcons(bg);
    }
    if (FStandardIcons)
        ImageList_Draw(FStandardIcons.Get(), index, dc, x, y, ILD_NORMAL);
}

SIZE TGlobalCtrl::IconSize(TIconKind kind, int imageIndex, TImageList* images) const
{
    if (kind == ikNone)
        return {0, 0};
    if (kind == ikCustom && images && imageIndex >= 0 && imageIndex < images->Count())
        return {images->Width(), images->Height()};
    const int size = SmallIconSize(SystemDpi());
    return {size, size};
}

void TGlobalCtrl::PlayBalloonSound(TIconKind kind) const
{
    const std::string& name = FSounds[kind];
    if (!name.empty())
        sndPlaySoundW(rtl::Utf8ToWide(name).c_str(), SND_ASYNC | SND_NOSTOP);
}

void TGlobalCtrl::ReadSounds()
{
    const char* const events[] = {
        "SystemNotification", "SystemNotification", "SystemNotification", "SystemHand",
        "SystemAsterisk",     "SystemQuestion",     "SystemExclamation",
    };
    for (int kind = ikCustom; kind <= ikWarning; ++kind) {
        std::string key = std::string("AppEvents\\Schemes\\Apps\\.Default\\") + events[kind] + "\\.Current";
        HKEY opened = nullptr;
        FSounds[kind].clear();
        if (RegOpenKeyExW(HKEY_CURRENT_USER, rtl::Utf8ToWide(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
            continue;
        TRegKeyHandle h(opened);
        // The size is in bytes; the value need not end in a NUL.
        wchar_t value[4096];
        DWORD size = sizeof value - sizeof(wchar_t), type = 0;
        if (RegQueryValueExW(h.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            value[std::min<DWORD>(size / sizeof(wchar_t), 4095)] = L'\0';
            wchar_t expanded[4096];
            DWORD n = ExpandEnvironmentStringsW(value, expanded, 4096);
            if (n > 0 && n <= 4096)
                FSounds[kind] = rtl::WideToUtf8(expanded);
        }
    }
}
