#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "gui/component.h"
#include "gui/graphics.h"
#include "gui/handles.h"
#include "gui/hint_window.h"
#include "tray/balloon_types.h"
#include "tray/balloon_window.h"

class TImageList;
class TWinControl;

// Shows a balloon: a rounded speech bubble with a bold header, an optional icon, a body text and a
// close button, its stem pointing at a point on the screen. One component shows one balloon at a
// time; a new ShowBalloonAt replaces the old balloon.
class TBalloonHint : public TComponent, public TBalloonSource {
public:
    explicit TBalloonHint(TComponent* AOwner);
    ~TBalloonHint() override;

    TAnimationStyle CustomAnimationStyle() const { return FCustomAnimationStyle; }
    void SetCustomAnimationStyle(TAnimationStyle v) { FCustomAnimationStyle = v; }
    unsigned CustomAnimationTime() const { return FCustomAnimationTime; }
    void SetCustomAnimationTime(unsigned v) { FCustomAnimationTime = v; }
    TBalloonPosition DefaultBalloonPosition() const { return FDefaultBalloonPosition; }
    void SetDefaultBalloonPosition(TBalloonPosition v) { FDefaultBalloonPosition = v; }
    int DefaultImageIndex() const { return FDefaultImageIndex; }
    void SetDefaultImageIndex(int v) { FDefaultImageIndex = v; }
    const std::string& DefaultHeader() const { return FDefaultHeader; }
    void SetDefaultHeader(const std::string& v) { FDefaultHeader = v; }
    TIconKind DefaultIcon() const { return FDefaultIcon; }
    void SetDefaultIcon(TIconKind v) { FDefaultIcon = v; }
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* v);
    TBalloonOptions Options() const { return FOptions; }
    void SetOptions(TBalloonOptions v) { FOptions = v; }
    TApplicationHintOptions ApplicationHintOptions() const { return FApplicationHintOptions; }
    // With ahUseBalloonAsHint on the current component, the application's hints become balloons.
    void SetApplicationHintOptions(TApplicationHintOptions v);

    // AnchorPosition is in AnchorWindow's client coordinates, or on the screen without anchor.
    void ShowBalloonAt(TWinControl* AnchorWindow, POINT AnchorPosition, const std::string& Header,
                       const std::string& Hint, int VisibleTime, TIconKind IconKind, int ImageIndex);
    void HideBalloon();

    bool Active() const { return FActive; }
    const TBalloonData& Data() const { return FData; }
    TBalloonWindowEx* BalloonWindow() const { return FWindow.get(); }
    // Whether the time-out is running.
    bool TimerRunning() const { return FTimerId != 0; }

    // The window's questions: this component's defaults and pictures; a dismissal hides the balloon.
    TBalloonSettings BalloonSettings() override;
    SIZE BalloonIconSize(TIconKind kind, int imageIndex) override;
    void DrawBalloonIcon(HDC dc, int x, int y, TIconKind kind, int imageIndex, TColor background) override;
    void PlayBalloonSound(TIconKind kind) const override;
    void BalloonDismissed() override { HideBalloon(); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void Show();
    void StartWatching();
    void StopWatching();
    void KillTimeout();
    static bool AnchorObserver(void* context, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    static void CALLBACK TimeoutProc(HWND, UINT, UINT_PTR id, DWORD);

    TAnimationStyle FCustomAnimationStyle = atBlend;
    unsigned FCustomAnimationTime = 100;
    TBalloonPosition FDefaultBalloonPosition = bpAuto;
    int FDefaultImageIndex = -1;
    std::string FDefaultHeader;
    TIconKind FDefaultIcon = ikInformation;
    TImageList* FImages = nullptr;
    TBalloonOptions FOptions{boShowCloseBtn};
    TApplicationHintOptions FApplicationHintOptions{ahShowHeaderInHint, ahShowIconInHint};

    TBalloonData FData;
    bool FActive = false;
    UINT_PTR FTimerId = 0;
    HWND FWatchedWnd = nullptr;
    std::unique_ptr<TBalloonWindowEx> FWindow;
    THintWindowClass FSavedHintWindowClass;
    bool FHintClassSwitched = false;
};

// The process-wide balloon controller: the current balloon component, the standard icons, the
// sounds, and the drawing and icon-size services the windows use. As a balloon source it stands for
// the current component: the application's balloon-shaped hints show that one's defaults.
class TGlobalCtrl : public TComponent, public TBalloonSource {
public:
    // Created on first use; destroyed when the program ends.
    static TGlobalCtrl& Instance();
    // nullptr when it has not been created or is going.
    static TGlobalCtrl* Existing();
    ~TGlobalCtrl() override;

    // The most recently constructed component; a private one is made when there is none.
    TBalloonHint* CurrentBalloon();
    TBalloonHint* CurrentOrNull() const { return FCurrent; }
    void Register(TBalloonHint* b);
    void Unregister(TBalloonHint* b);

    // ikNone draws nothing; ikCustom the entry of images when it has one, else the standard
    // information icon; the other kinds their standard icon.
    void DrawIcon(HDC dc, int x, int y, TIconKind kind, int imageIndex, TColor background, TImageList* images);
    // ikNone 0 x 0; ikCustom with a valid entry of images the list's size; else 16 x 16.
    SIZE IconSize(TIconKind kind, int imageIndex, TImageList* images) const;
    void PlayBalloonSound(TIconKind kind) const override;
    const std::string& SoundFile(TIconKind kind) const { return FSounds[kind]; }
    HIMAGELIST StandardIcons() const { return FStandardIcons.Get(); }
    // Whether the standard icons are composed over a solid colour rather than drawn transparently.
    bool SolidIconBackground() const { return FSolidBackground; }

    TBalloonSettings BalloonSettings() override;
    SIZE BalloonIconSize(TIconKind kind, int imageIndex) override;
    void DrawBalloonIcon(HDC dc, int x, int y, TIconKind kind, int imageIndex, TColor background) override;
    void BalloonDismissed() override {}

    static bool IsWinXPOrNewer() { return ::IsWinXPOrNewer(); }
    // comctl32's version, major in the high word.
    static DWORD ComCtlVersion();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TGlobalCtrl();
    void LoadStandardIcons(COLORREF background);
    void ReadSounds();
    void Unlink(TBalloonHint* b);

    TBalloonHint* FCurrent = nullptr;
    TImageListHandle FStandardIcons;
    bool FSolidBackground = false;
    COLORREF FIconBackground = CLR_NONE;
    std::string FSounds[ikWarning + 1];
};
