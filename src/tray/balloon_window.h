#pragma once
#include <windows.h>

#include <string>

#include "gui/handles.h"
#include "gui/hint_window.h"
#include "tray/balloon_types.h"

class TWinControl;

// What one balloon shows, filled by every ShowBalloonAt and read by the window.
struct TBalloonData {
    TWinControl* AnchorWindow = nullptr;
    // On entry the anchor point in AnchorWindow's client coordinates (screen coordinates without
    // an anchor); once shown the window's top-left corner, in the same coordinates.
    POINT Position = {0, 0};
    POINT StemPoint = {0, 0}; // the stem's tip once shown, same coordinates
    std::string Header;
    std::string Hint;
    TIconKind IconKind = ikNone;
    int ImageIndex = -1;
    int VisibleTime = 0; // ms; 0 or less keeps the balloon up
    bool ShowCloseBtn = false;
    TAnimationStyle AnimationStyle = atNone;
    int AnimationTime = 0;
    int StemGap = 0;
};

// The settings a balloon shows when its caller gives none: the defaults of a balloon component.
struct TBalloonSettings {
    TApplicationHintOptions HintOptions;
    TIconKind Icon = ikNone;
    int ImageIndex = -1;
    std::string Header;
    TBalloonPosition Position = bpAuto;
};

// What a balloon window asks of whoever shows it, so that it knows neither the balloon component
// nor the process-wide controller: the settings, the pictures and sounds, and where the user's
// dismissal of the balloon goes.
class TBalloonSource {
public:
    virtual TBalloonSettings BalloonSettings() = 0;
    // ikNone 0 x 0; ikCustom with a valid entry of the source's images the list's size; else 16 x 16.
    virtual SIZE BalloonIconSize(TIconKind kind, int imageIndex) = 0;
    virtual void DrawBalloonIcon(HDC dc, int x, int y, TIconKind kind, int imageIndex, TColor background) = 0;
    virtual void PlayBalloonSound(TIconKind kind) const = 0;
    // The user closed the balloon: its close button, or another program activated while anchored.
    virtual void BalloonDismissed() = 0;

protected:
    ~TBalloonSource() = default;
};

// Windows XP or newer: drop shadows and animations.
bool IsWinXPOrNewer();

// A balloon-shaped hint window: a rounded body with a stem whose tip points at the anchor point.
// As the application's hint window it takes header, icon and position from its source's settings.
class TBalloonWindow : public THintWindow {
public:
    explicit TBalloonWindow(TBalloonSource& source) : FSource(source) {}

    // The rectangle the balloon needs, placed so that the stem's tip lies at the origin (StemGap
    // above it for the upward positions).
    RECT CalcHintRect(int maxWidth, const std::string& hint, void* data) override;
    // The application-hint path: fits the position to the work area, shapes and shows.
    void ActivateHint(RECT rect, const std::string& hint) override;

    TBalloonPosition Position() const { return FPosition; }
    int StemHeight() const { return FStem.StemHeight; }
    int StemWidth() const { return FStem.StemWidth; }
    int StemOffset() const { return FStem.StemOffset; }
    int BodyTop() const { return FBodyTop; }
    int TextTop() const { return FTextTop; }
    int StemGap() const { return FStemGap; }
    bool ShowIcon() const { return FShowIcon; }
    bool ShowHeader() const { return FShowHeader; }
    const std::string& Text() const { return FText; }
    const std::string& Header() const { return FHeader; }
    int IconWidth() const { return FIconWidth; }
    int IconHeight() const { return FIconHeight; }
    // The DPI of the screen the balloon is shown on, and its measurements there.
    int Dpi() const { return FMetrics.Dpi; }
    const TBalloonMetrics& Metrics() const { return FMetrics; }

    // The outline for the window's current size (or the given one): stem triangle united with
    // the rounded body.
    TRegionHandle CreateShapeRegion() const;
    TRegionHandle CreateShapeRegion(int width, int height) const;
    // Sets the outline (for the current size, or the given one) as the window region.
    void SetShape();
    void SetShape(int width, int height);

protected:
    const char* ClassName() const override { return "TBalloonWindow"; }
    UINT ClassStyle() const override;
    DWORD WindowStyle() const override { return WS_POPUP; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void EraseBackground(HDC dc) override;
    void Paint(HDC dc) override;

    // The three measuring steps, in this order: the header row, the body, the initialisation from
    // the data the hint machinery passes.
    virtual void MeasureHeaderRow(HDC dc, TBalloonMeasure& m);
    virtual void MeasureBody(HDC dc, TBalloonMeasure& m);
    virtual void InitFromData(void* data);

    virtual int IconTop() const { return FBodyTop + FMetrics.RowTop; }
    virtual void PaintCloseButton(HDC) {}
    virtual void PaintHeader(HDC dc, RECT r);
    void PaintBody(HDC dc);
    TGeoRect ClientGeoRect() const;
    void FitToWorkArea(RECT& r);
    HFONT Font(bool bold) const;

    TBalloonSource& FSource;
    TBalloonMetrics FMetrics; // its Dpi is chosen by InitFromData
    TBalloonPosition FPosition = bpAuto;
    TStemSizes FStem = BalloonStemSizes(false);
    int FBodyTop = 0;
    int FStemGap = 0;
    bool FShowIcon = false;
    bool FShowHeader = false;
    std::string FText;
    std::string FHeader;
    int FTextTop = 0;
    int FIconWidth = 0;
    int FIconHeight = 0;
    int FMaxWidth = 0;                    // what the text is measured against
    int FBodyWidth = 0, FHeaderWidth = 0; // as measured
    TIconKind FIconKind = ikNone;
    int FImageIndex = -1;
};

// The window each balloon component owns: everything from the component's per-balloon data, a
// close button, an anchor it follows; shown by the component itself.
class TBalloonWindowEx : public TBalloonWindow {
public:
    explicit TBalloonWindowEx(TBalloonSource& source) : TBalloonWindow(source) {}
    ~TBalloonWindowEx() override;

    TIconKind IconKind() const { return FIconKind; }
    int ImageIndex() const { return FImageIndex; }
    bool ShowCloseBtn() const { return FShowCloseBtn; }
    TAnimationStyle AnimationStyle() const { return FAnimationStyle; }
    int AnimationTime() const { return FAnimationTime; }
    bool Anchored() const { return FAnchored; }
    RECT CloseButtonRect() const;
    // The close button's drawing state (DFCS_FLAT, DFCS_HOT, DFCS_PUSHED) and whether it is held.
    UINT CloseButtonState() const { return FCloseState; }
    bool CloseButtonPressed() const { return FClosePressed; }

    // Fits, shapes, places and shows the balloon at the measured and placed rectangle.
    void ShowBalloon(RECT r);
    void MoveTo(POINT p);
    POINT StemTip() const;

protected:
    const char* ClassName() const override { return "TBalloonWindowEx"; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void MeasureHeaderRow(HDC dc, TBalloonMeasure& m) override;
    void InitFromData(void* data) override;
    // A component's own balloon draws its icon a pixel (at 96 DPI) higher than a hint's.
    int IconTop() const override { return FBodyTop + ScaleBalloonLength(kBalloonRowTop - 1, Dpi()); }
    void PaintCloseButton(HDC dc) override;
    void PaintHeader(HDC dc, RECT r) override;

private:
    bool InCloseButton(LPARAM lParam) const;
    void SetCloseState(UINT state);
    void MouseMoved(LPARAM lParam);

    bool FShowCloseBtn = false;
    TAnimationStyle FAnimationStyle = atNone;
    int FAnimationTime = 0;
    bool FAnchored = false;
    UINT FCloseState = DFCS_FLAT;
    bool FClosePressed = false;
};

// AnimateWindow's flags for a style (before the direction the slide and roll styles add).
DWORD AnimationFlags(TAnimationStyle style);
