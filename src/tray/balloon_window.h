#pragma once
#include <windows.h>

#include <string>

#include "gui/hint_window.h"
#include "tray/balloon_types.h"

class TBalloonHint;
class TImageList;
struct TBalloonData;

// A balloon-shaped hint window: a rounded body with a stem whose tip points at the anchor point.
// As the application's hint window it takes header, icon and position from the current balloon
// component's defaults.
class TBalloonWindow : public THintWindow {
public:
    TBalloonWindow() = default;

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

    // The outline for the window's current size: stem triangle united with the rounded body.
    HRGN CreateShapeRegion() const;
    // Sets the outline as the window region.
    void SetShape();

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

    virtual int IconTop() const { return FBodyTop + 8; }
    virtual void PaintCloseButton(HDC) {}
    virtual void PaintHeader(HDC dc, RECT r);
    // The image list ikCustom pictures come from.
    virtual TImageList* IconImages() const;
    void PaintBody(HDC dc);
    TGeoRect ClientGeoRect() const;
    void FitToWorkArea(RECT& r);

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
    int FMaxWidth = 0; // what the text is measured against
    TIconKind FIconKind = ikNone;
    int FImageIndex = -1;
};

// The window each balloon component owns: everything from the component's per-balloon data, a
// close button, an anchor it follows; shown by the component itself.
class TBalloonWindowEx : public TBalloonWindow {
public:
    explicit TBalloonWindowEx(TBalloonHint* owner);
    ~TBalloonWindowEx() override;

    TBalloonHint* Owner() const { return FOwner; }
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
    int IconTop() const override { return FBodyTop + 7; }
    void PaintCloseButton(HDC dc) override;
    void PaintHeader(HDC dc, RECT r) override;
    TImageList* IconImages() const override;

private:
    bool InCloseButton(LPARAM lParam) const;
    void SetCloseState(UINT state);
    void MouseMoved(LPARAM lParam);

    TBalloonHint* FOwner;
    bool FShowCloseBtn = false;
    TAnimationStyle FAnimationStyle = atNone;
    int FAnimationTime = 0;
    bool FAnchored = false;
    UINT FCloseState = DFCS_FLAT;
    bool FClosePressed = false;
};

// AnimateWindow's flags for a style (before the direction the slide and roll styles add).
DWORD AnimationFlags(TAnimationStyle style);
