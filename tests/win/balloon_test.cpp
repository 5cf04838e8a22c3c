#include "tray/balloon_hint.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/image_list.h"
#include "gui/std_controls.h"
#include "gui/handles.h"
#include "tray/balloon_window.h"
#include "tray/wnd_proc_hook.h"
#include "test_support.h"

namespace {

SIZE TextSize(const std::string& text, bool bold)
{
    TMemoryDc dc(CreateCompatibleDC(nullptr));
    TSelectGuard f(dc.Get(), ScreenHintFont(bold));
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), 0};
    const std::wstring wide = rtl::Utf8ToWide(text);
    DrawTextW(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return {r.right, r.bottom};
}

RECT WindowRect(HWND w)
{
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

// The client area painted into a 32-bit top-down bitmap.
class TCapture {
public:
    explicit TCapture(HWND wnd)
    {
        RECT c;
        GetClientRect(wnd, &c);
        W = c.right;
        H = c.bottom;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = W;
        bi.bmiHeader.biHeight = -H;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        FDc.Reset(CreateCompatibleDC(nullptr));
        FBitmap.Reset(
            CreateDIBSection(FDc.Get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0));
        HGDIOBJ old = SelectObject(FDc.Get(), FBitmap.Get());
        // A colour no balloon uses, to tell untouched pixels.
        for (int i = 0; i < W * H; ++i)
            FBits[i] = 0x00FF00FF;
        SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(FDc.Get()), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        SelectObject(FDc.Get(), old);
    }
    COLORREF At(int x, int y) const
    {
        DWORD v = FBits[y * W + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Pixels in the rectangle that differ from the colour.
    int CountOther(RECT r, COLORREF c) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) != c;
        return n;
    }
    int W = 0, H = 0;

private:
    TMemoryDc FDc;
    TBitmapHandle FBitmap;
    DWORD* FBits = nullptr;
};

int CountVisibleBalloons()
{
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            if (IsWindowVisible(w) && ClassNameOf(w).find("TBalloonWindow") == 0)
                ++*reinterpret_cast<int*>(p);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

LPARAM ClientPoint(POINT p)
{
    return MAKELPARAM(p.x, p.y);
}
POINT Center(RECT r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class BalloonTest : public testing::Test {
protected:
    TApplication App;
    TScriptedUi Ui;
    TBalloonHint* Balloon = nullptr;
    void SetUp() override
    {
        App.Initialize();
        Balloon = new TBalloonHint(&App);
    }
    HWND Wnd() const { return Balloon->BalloonWindow()->Handle(); }
    TBalloonWindowEx& Window() const { return *Balloon->BalloonWindow(); }
    void ShowAt(POINT p, const std::string& header = "Hallo", const std::string& text = "Zeile eins\rZeile zwei",
                int time = 0, TIconKind kind = ikInformation, int index = -1, TWinControl* anchor = nullptr)
    {
        Balloon->ShowBalloonAt(anchor, p, header, text, time, kind, index);
    }
};

TEST_F(BalloonTest, AShownBalloonHasTheMeasuredSizeAndItsStemTipOnTheAnchorPoint)
{
    ShowAt({500, 400});
    ASSERT_TRUE(IsWindowVisible(Wnd()));
    EXPECT_TRUE(Balloon->Active());
    // The lower left quarter of the screen: the body lies left of and below the tip.
    EXPECT_EQ(Window().Position(), bpLeftDown);
    SIZE header = TextSize("Hallo", true), body = TextSize("Zeile eins\rZeile zwei", false);
    int row = std::max<int>(header.cy + 11, 16 + 11);
    int width = std::max<int>(body.cx + 27, header.cx + 13 + 16 + 8 + 20 + 12);
    RECT r = WindowRect(Wnd());
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, row + body.cy + 16 + 13);
    EXPECT_EQ(r.top, 400);
    EXPECT_EQ(r.right, 500 + 15);
    EXPECT_EQ(Window().BodyTop(), 16);
    EXPECT_EQ(Window().TextTop(), row + 1);
    EXPECT_EQ(Balloon->Data().StemPoint.x, 500);
    EXPECT_EQ(Balloon->Data().StemPoint.y, 400);
    EXPECT_EQ(Balloon->Data().Position.x, r.left);
    EXPECT_EQ(Balloon->Data().Position.y, r.top);
    // The body text broke at the CR only: two lines.
    EXPECT_EQ(body.cy, 2 * TextSize("Zeile", false).cy);
}

TEST_F(BalloonTest, TheRegionIsTheStemTriangleUnitedWithTheRoundedBody)
{
    ShowAt({500, 400});
    RECT r = WindowRect(Wnd());
    int w = r.right - r.left, h = r.bottom - r.top;
    TRegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(Wnd(), rgn.Get()), ERROR);
    RECT box;
    GetRgnBox(rgn.Get(), &box);
    EXPECT_LE(box.top, 1); // the stem reaches the top edge
    EXPECT_EQ(box.left, 1);
    EXPECT_EQ(box.right, w - 1);
    // The stem, near its tip, 15 + 1 pixels from the right edge.
    EXPECT_TRUE(PtInRegion(rgn.Get(), w - 17, 2));
    // Beside the stem above the body: outside.
    EXPECT_FALSE(PtInRegion(rgn.Get(), 5, 5));
    EXPECT_FALSE(PtInRegion(rgn.Get(), w - 40, 5));
    // The body, and its rounded corners cut off.
    EXPECT_TRUE(PtInRegion(rgn.Get(), w / 2, h / 2));
    EXPECT_TRUE(PtInRegion(rgn.Get(), 1, h / 2));
    EXPECT_FALSE(PtInRegion(rgn.Get(), 1, 17));
    EXPECT_FALSE(PtInRegion(rgn.Get(), w - 1, h - 4));
    EXPECT_FALSE(PtInRegion(rgn.Get(), w / 2, h - 2));
}

// A balloon shown over another takes the outline of its own size and place, whether it is
// larger, smaller, the same or turned the other way.
TEST_F(BalloonTest, EachBalloonShownOverAnotherHasTheOutlineOfItsOwnSize)
{
    const std::string longText = "Eine recht lange erste Zeile des Textes\rZwei\rDrei\rVier";
    const struct {
        POINT At;
        const char* Text;
    } shows[] = {{{500, 400}, longText.c_str()},
                 {{500, 400}, "Kurz"},
                 {{500, 400}, "Kurz"},
                 {{200, 700}, longText.c_str()},
                 {{500, 400}, "Kurz"}};
    for (const auto& show : shows) {
        ShowAt(show.At, "Hallo", show.Text);
        ASSERT_TRUE(IsWindowVisible(Wnd()));
        RECT r = WindowRect(Wnd());
        const int w = r.right - r.left, h = r.bottom - r.top;
        TRegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(Wnd(), rgn.Get()), ERROR);
        TRegionHandle expected(Window().CreateShapeRegion(w, h));
        // The same area, however cut into rectangles.
        EXPECT_EQ(CombineRgn(expected.Get(), expected.Get(), rgn.Get(), RGN_XOR), NULLREGION)
            << show.Text << " at " << show.At.x;
        RECT box;
        GetRgnBox(rgn.Get(), &box);
        EXPECT_EQ(box.right, w - 1) << show.Text;
    }
}

TEST_F(BalloonTest, PaintingShowsFrameBackgroundIconHeaderBodyAndCloseButton)
{
    ShowAt({500, 400}, "Neue Nachricht", "Erste Zeile des Textes\rZweite Zeile", 0, ikWarning);
    TCapture cap(Wnd());
    const COLORREF hint = ColorToRGB(App.HintColor());
    const int bodyTop = Window().BodyTop();

    // The frame follows the outline moved by one pixel up and left: its left, right and bottom edges.
    TRegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(Wnd(), rgn.Get()), ERROR);
    OffsetRgn(rgn.Get(), -1, -1);
    RECT box;
    GetRgnBox(rgn.Get(), &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(cap.At(box.left, cap.H / 2), RGB(0, 0, 0));
    EXPECT_EQ(cap.At(box.right - 1, cap.H / 2), RGB(0, 0, 0));
    EXPECT_EQ(cap.At(cap.W / 2, box.bottom - 1), RGB(0, 0, 0));
    // Inside, the hint colour where nothing is drawn: below the close button.
    EXPECT_EQ(cap.At(box.right - 3, bodyTop + 25), hint);
    EXPECT_EQ(cap.At(cap.W / 2, box.bottom - 2), hint);
    // Outside the outline nothing is painted.
    EXPECT_EQ(cap.At(3, 3), RGB(255, 0, 255));
    // The warning icon at (12, BodyTop + 7).
    EXPECT_GT(cap.CountOther({12, bodyTop + 7, 28, bodyTop + 23}, hint), 30);
    EXPECT_EQ(cap.CountOther({2, bodyTop + 7, 11, bodyTop + 23}, hint), 0);
    // The bold header from x = 36, in the header row.
    SIZE header = TextSize("Neue Nachricht", true);
    EXPECT_GT(cap.CountOther({36, bodyTop + 8, 36 + header.cx, bodyTop + 8 + header.cy}, hint), 20);
    // The body text below the header row.
    int textTop = bodyTop + Window().TextTop();
    SIZE body = TextSize("Erste Zeile des Textes", false);
    EXPECT_GT(cap.CountOther({12, textTop, 12 + body.cx, textTop + body.cy}, hint), 20);
    // The close button's cross, 6 pixels from the right edge.
    RECT button = Window().CloseButtonRect();
    EXPECT_EQ(button.right, cap.W - 6);
    EXPECT_EQ(button.top, bodyTop + 5);
    EXPECT_EQ(button.bottom - button.top, 16);
    EXPECT_GT(cap.CountOther(button, hint), 10);
}

TEST_F(BalloonTest, AmpersandsAreTextAndTabsAreNotExpanded)
{
    const std::string text = "Tom && Jerry &Co\tKG";
    ShowAt({500, 400}, "", text, 0, ikNone);
    RECT r = WindowRect(Wnd());
    RECT prefixed = {0, 0, GetSystemMetrics(SM_CXSCREEN), 0};
    {
        TMemoryDc dc(CreateCompatibleDC(nullptr));
        TSelectGuard f(dc.Get(), ScreenHintFont(false));
        DrawTextW(dc.Get(), rtl::Utf8ToWide(text).c_str(), -1, &prefixed,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    }
    EXPECT_EQ(r.right - r.left, TextSize(text, false).cx + 27);
    EXPECT_NE(TextSize(text, false).cx, prefixed.right);
}

TEST_F(BalloonTest, WithoutHeaderIconAndCloseButtonTheStemIsSmall)
{
    Balloon->SetOptions({});
    ShowAt({500, 400}, "", "Nur Text", 0, ikNone);
    EXPECT_EQ(Window().StemHeight(), 8);
    EXPECT_EQ(Window().StemOffset(), 16);
    EXPECT_EQ(Window().TextTop(), 7);
    EXPECT_FALSE(Window().ShowIcon());
    EXPECT_FALSE(Window().ShowHeader());
    RECT r = WindowRect(Wnd());
    EXPECT_EQ(r.right - r.left, TextSize("Nur Text", false).cx + 27);
    EXPECT_EQ(r.bottom - r.top, 9 + TextSize("Nur Text", false).cy + 8 + 13);
}

TEST_F(BalloonTest, TheDefaultOptionsFillHeaderIconAndImageIndex)
{
    Balloon->SetDefaultHeader("Standard");
    Balloon->SetDefaultIcon(ikError);
    Balloon->SetDefaultImageIndex(3);
    Balloon->SetOptions({boUseDefaultHeader, boUseDefaultIcon, boUseDefaultImageIndex});
    ShowAt({500, 400}, "Eigener", "Text", 0, ikNone, -1);
    EXPECT_EQ(Balloon->Data().Header, "Standard");
    EXPECT_EQ(Balloon->Data().IconKind, ikError);
    EXPECT_EQ(Balloon->Data().ImageIndex, 3);
    EXPECT_FALSE(Balloon->Data().ShowCloseBtn);
    EXPECT_TRUE(Window().ShowIcon());
}

TEST_F(BalloonTest, AtTheBottomRightCornerRightUpTurnsIntoLeftUp)
{
    Balloon->SetDefaultBalloonPosition(bpRightUp);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT anchor = {GetSystemMetrics(SM_CXSCREEN) - 30, GetSystemMetrics(SM_CYSCREEN) - 20};
    ShowAt(anchor);
    EXPECT_EQ(Window().Position(), bpLeftUp);
    RECT r = WindowRect(Wnd());
    EXPECT_EQ(r.right, anchor.x + 15);
    EXPECT_EQ(r.bottom, anchor.y);
    EXPECT_EQ(Window().BodyTop(), 0);
    EXPECT_EQ(Balloon->Data().StemPoint.x, anchor.x);
    EXPECT_EQ(Balloon->Data().StemPoint.y, anchor.y);
}

TEST_F(BalloonTest, CustomAnimationNoneShowsAtOnce)
{
    Balloon->SetOptions({boShowCloseBtn, boCustomAnimation});
    Balloon->SetCustomAnimationStyle(atNone);
    Balloon->SetCustomAnimationTime(0);
    ShowAt({500, 400});
    EXPECT_EQ(Window().AnimationStyle(), atNone);
    EXPECT_TRUE(IsWindowVisible(Wnd()));
    Balloon->SetCustomAnimationStyle(atBlend);
    Balloon->SetCustomAnimationTime(50);
    ShowAt({500, 400});
    EXPECT_EQ(Window().AnimationStyle(), atBlend);
    EXPECT_EQ(Window().AnimationTime(), 50);
    EXPECT_TRUE(IsWindowVisible(Wnd()));
}

TEST_F(BalloonTest, TheWindowClassHasADropShadowAndTheBalloonNeverTakesActivation)
{
    ShowAt({500, 400});
    EXPECT_TRUE(GetClassLongPtrW(Wnd(), GCL_STYLE) & CS_DROPSHADOW);
    EXPECT_TRUE(GetWindowLongW(Wnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(GetActiveWindow(), Wnd());
    EXPECT_EQ(SendMessageW(Wnd(), WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
}

TEST_F(BalloonTest, CloseButtonPressMoveOutAndReleaseOutsideKeepsTheBalloon)
{
    ShowAt({500, 400});
    POINT in = Center(Window().CloseButtonRect());
    POINT out = {10, Window().BodyTop() + Window().TextTop() + 4};
    EXPECT_EQ(SendMessageW(Wnd(), WM_NCHITTEST, 0, MAKELPARAM(0, 0)), HTCLIENT);
    SendMessageW(Wnd(), WM_MOUSEMOVE, 0, ClientPoint(in));
    EXPECT_EQ(Window().CloseButtonState(), static_cast<UINT>(DFCS_FLAT | DFCS_HOT));
    SendMessageW(Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(in));
    EXPECT_EQ(GetCapture(), Wnd());
    EXPECT_TRUE(Window().CloseButtonPressed());
    EXPECT_EQ(Window().CloseButtonState(), static_cast<UINT>(DFCS_FLAT | DFCS_HOT | DFCS_PUSHED));
    SendMessageW(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(out));
    EXPECT_EQ(Window().CloseButtonState(), static_cast<UINT>(DFCS_FLAT));
    SendMessageW(Wnd(), WM_LBUTTONUP, 0, ClientPoint(out));
    EXPECT_TRUE(IsWindowVisible(Wnd()));
    EXPECT_TRUE(Balloon->Active());
    EXPECT_NE(GetCapture(), Wnd());
    EXPECT_FALSE(Window().CloseButtonPressed());
    EXPECT_EQ(Window().CloseButtonState(), static_cast<UINT>(DFCS_FLAT));
}

TEST_F(BalloonTest, APressThatLeavesAndComesBackClosesOnAReleaseInside)
{
    ShowAt({500, 400});
    POINT in = Center(Window().CloseButtonRect());
    POINT out = {10, Window().BodyTop() + Window().TextTop() + 4};
    SendMessageW(Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(in));
    SendMessageW(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(out));
    SendMessageW(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(in));
    EXPECT_EQ(Window().CloseButtonState(), static_cast<UINT>(DFCS_FLAT | DFCS_HOT | DFCS_PUSHED));
    SendMessageW(Wnd(), WM_LBUTTONUP, 0, ClientPoint(in));
    EXPECT_FALSE(IsWindowVisible(Wnd()));
    EXPECT_FALSE(Balloon->Active());
    EXPECT_NE(GetCapture(), Wnd());
}

TEST_F(BalloonTest, AClickOutsideTheCloseButtonDoesNothing)
{
    ShowAt({500, 400});
    POINT body = {20, Window().BodyTop() + Window().TextTop() + 4};
    SendMessageW(Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(body));
    EXPECT_FALSE(Window().CloseButtonPressed());
    SendMessageW(Wnd(), WM_LBUTTONUP, 0, ClientPoint(body));
    EXPECT_TRUE(IsWindowVisible(Wnd()));
    // A release over the button without a press on it does not close either.
    SendMessageW(Wnd(), WM_LBUTTONUP, 0, ClientPoint(Center(Window().CloseButtonRect())));
    EXPECT_TRUE(IsWindowVisible(Wnd()));
}

TEST_F(BalloonTest, WithoutCloseButtonTheBalloonLetsTheMouseThrough)
{
    Balloon->SetOptions({});
    ShowAt({500, 400});
    EXPECT_EQ(SendMessageW(Wnd(), WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

TEST_F(BalloonTest, TheTimeOutClosesTheBalloonAndZeroKeepsIt)
{
    const DWORD shown = GetTickCount();
    ShowAt({500, 400}, "Hallo", "Text", 1000);
    EXPECT_TRUE(Balloon->TimerRunning());
    EXPECT_TRUE(IsWindowVisible(Wnd()));
    EXPECT_TRUE(PumpUntil([this] { return !IsWindowVisible(Wnd()); }));
    // Not before its time (a loaded machine can only make it later).
    EXPECT_GE(GetTickCount() - shown, 950u);
    EXPECT_FALSE(Balloon->Active());
    EXPECT_FALSE(Balloon->TimerRunning());

    ShowAt({500, 400}, "Hallo", "Text", 0);
    EXPECT_FALSE(Balloon->TimerRunning());
    PumpFor(300);
    EXPECT_TRUE(IsWindowVisible(Wnd()));
}

TEST_F(BalloonTest, TwoCallsLeaveOneBalloonWithTheSecondTimeOut)
{
    ShowAt({500, 400}, "Erster", "Eins", 60000);
    ShowAt({300, 300}, "Zweiter", "Zwei", 150);
    EXPECT_EQ(CountVisibleBalloons(), 1);
    EXPECT_EQ(Window().Header(), "Zweiter");
    EXPECT_EQ(Balloon->Data().StemPoint.x, 300);
    EXPECT_TRUE(PumpUntil([] { return CountVisibleBalloons() == 0; }));
    // The first call's timer is gone with it: nothing is left running.
    EXPECT_FALSE(Balloon->TimerRunning());
}

TEST_F(BalloonTest, EachComponentsTimeOutClosesItsOwnBalloon)
{
    TBalloonHint* other = new TBalloonHint(&App); // now the current one
    ShowAt({500, 400}, "Alt", "Text", 150);
    other->ShowBalloonAt(nullptr, {200, 200}, "Neu", "Text", 0, ikNone, -1);
    EXPECT_TRUE(PumpUntil([this] { return !Balloon->Active(); }));
    EXPECT_TRUE(other->Active());
    Free(other);
}

class AnchoredBalloonTest : public BalloonTest {
protected:
    TForm* Anchor = nullptr;
    void SetUp() override
    {
        BalloonTest::SetUp();
        Anchor = new TForm(&App);
        Anchor->SetBounds(100, 100, 300, 200);
        Anchor->Show();
        App.ProcessMessages();
    }
    void ShowAnchored(POINT client = {150, 60}) { ShowAt(client, "Hallo", "Text", 0, ikInformation, -1, Anchor); }
};

TEST_F(AnchoredBalloonTest, TheAnchorPointIsInTheAnchorsClientCoordinates)
{
    ShowAnchored();
    POINT tip = Window().StemTip();
    POINT expected = {150, 60};
    ClientToScreen(Anchor->Handle(), &expected);
    EXPECT_EQ(tip.x, expected.x);
    EXPECT_EQ(tip.y, expected.y);
    EXPECT_EQ(Balloon->Data().StemPoint.x, 150);
    EXPECT_EQ(Balloon->Data().StemPoint.y, 60);
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrW(Wnd(), GWLP_HWNDPARENT)), App.Handle());
}

TEST_F(AnchoredBalloonTest, TheBalloonFollowsTheAnchorWhenItMoves)
{
    ShowAnchored();
    RECT before = WindowRect(Wnd());
    Anchor->SetBounds(160, 130, 300, 200);
    RECT after = WindowRect(Wnd());
    EXPECT_EQ(after.left - before.left, 60);
    EXPECT_EQ(after.top - before.top, 30);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_TRUE(IsWindowVisible(Wnd()));
}

TEST_F(AnchoredBalloonTest, ResizingHidesOnlyWhenTheStemPointLeavesTheClientArea)
{
    ShowAnchored({150, 60});
    Anchor->SetBounds(100, 100, 320, 220);
    EXPECT_TRUE(IsWindowVisible(Wnd()));
    Anchor->SetBounds(100, 100, 120, 220); // the client area now ends left of x = 150
    EXPECT_FALSE(IsWindowVisible(Wnd()));
    EXPECT_FALSE(Balloon->Active());
}

TEST_F(AnchoredBalloonTest, HidingShowingOrClosingTheAnchorClosesTheBalloon)
{
    ShowAnchored();
    Anchor->Hide();
    EXPECT_FALSE(Balloon->Active());
    EXPECT_FALSE(IsWindowVisible(Wnd()));

    Anchor->Show();
    ShowAnchored();
    EXPECT_TRUE(Balloon->Active());
    Anchor->Show(); // already visible: no change, the balloon stays
    EXPECT_TRUE(Balloon->Active());
    Anchor->Hide();
    Balloon->ShowBalloonAt(Anchor, {150, 60}, "Hallo", "Text", 0, ikNone, -1);
    Anchor->Show();
    EXPECT_FALSE(Balloon->Active());

    ShowAnchored();
    SendMessageW(Anchor->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Balloon->Active());
    EXPECT_FALSE(IsWindowVisible(Wnd()));
}

TEST_F(AnchoredBalloonTest, WatchingTheAnchorStopsWhenTheBalloonCloses)
{
    ShowAnchored();
    EXPECT_TRUE(TWndProcHook::Instance().Hooked(Anchor->Handle()));
    Balloon->HideBalloon();
    EXPECT_FALSE(TWndProcHook::Instance().Hooked(Anchor->Handle()));
}

TEST_F(AnchoredBalloonTest, DestroyingTheAnchorClosesTheBalloon)
{
    ShowAnchored();
    Free(Anchor);
    EXPECT_FALSE(Balloon->Active());
    EXPECT_EQ(Balloon->Data().AnchorWindow, nullptr);
}

TEST_F(AnchoredBalloonTest, DeactivatingTheApplicationClosesAnAnchoredBalloonOnly)
{
    ShowAnchored();
    SendMessageW(Wnd(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(Balloon->Active());
    EXPECT_FALSE(IsWindowVisible(Wnd()));

    ShowAt({500, 400});
    SendMessageW(Wnd(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(Balloon->Active());
    EXPECT_TRUE(IsWindowVisible(Wnd()));
}

TEST_F(BalloonTest, CustomIconsComeFromImagesAndFallBackToTheInformationIcon)
{
    TImageList* images = new TImageList(&App, 32, 32);
    images->AddIcon(LoadIcon(nullptr, IDI_WINLOGO));
    Balloon->SetImages(images);
    ShowAt({500, 400}, "Hallo", "Text", 0, ikCustom, 0);
    EXPECT_EQ(Window().IconWidth(), 32);
    EXPECT_TRUE(Window().ShowIcon());
    ShowAt({500, 400}, "Hallo", "Text", 0, ikCustom, 5); // outside the list
    EXPECT_EQ(Window().IconWidth(), 16);
    EXPECT_TRUE(Window().ShowIcon());

    Free(images);
    EXPECT_EQ(Balloon->Images(), nullptr);
    ShowAt({500, 400}, "Hallo", "Text", 0, ikCustom, 0);
    EXPECT_TRUE(Window().ShowIcon());
    EXPECT_EQ(Window().IconWidth(), 16);
    TCapture cap(Wnd());
    EXPECT_GT(
        cap.CountOther({12, Window().BodyTop() + 7, 28, Window().BodyTop() + 23}, ColorToRGB(App.HintColor())),
        30);
    ShowAt({500, 400}, "Hallo", "Text", 0, ikCustom, -1);
    EXPECT_FALSE(Window().ShowIcon());
}

TEST_F(BalloonTest, TheStandardIconsAreTheFiveSystemIcons)
{
    TGlobalCtrl& c = TGlobalCtrl::Instance();
    EXPECT_EQ(ImageList_GetImageCount(c.StandardIcons()), 5);
    int w = 0, h = 0;
    ImageList_GetIconSize(c.StandardIcons(), &w, &h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(c.IconSize(ikNone, 0, nullptr).cx, 0);
    EXPECT_EQ(c.IconSize(ikWarning, 0, nullptr).cx, 16);
}

TEST_F(BalloonTest, TheLatestComponentIsCurrentAndHidesTheBalloonOfThePreviousOne)
{
    EXPECT_EQ(TGlobalCtrl::Instance().CurrentBalloon(), Balloon);
    ShowAt({500, 400});
    TBalloonHint* second = new TBalloonHint(&App);
    EXPECT_EQ(TGlobalCtrl::Instance().CurrentBalloon(), second);
    EXPECT_FALSE(Balloon->Active());
    EXPECT_FALSE(IsWindowVisible(Wnd()));
    Free(second);
    // The controller forgot it and makes a private one when asked.
    EXPECT_EQ(TGlobalCtrl::Instance().CurrentOrNull(), nullptr);
    TBalloonHint* made = TGlobalCtrl::Instance().CurrentBalloon();
    EXPECT_NE(made, nullptr);
    EXPECT_NE(made, Balloon);
    EXPECT_EQ(made->Owner(), &TGlobalCtrl::Instance());
}

bool IsBalloonClass(const THintWindowClass& cls)
{
    std::unique_ptr<THintWindow> w = cls();
    return dynamic_cast<TBalloonWindow*>(w.get()) != nullptr;
}

TEST_F(BalloonTest, UseBalloonAsHintSwitchesTheApplicationsHintWindowClassAndBack)
{
    EXPECT_FALSE(IsBalloonClass(App.HintWindowClass()));
    Balloon->SetApplicationHintOptions({ahShowHeaderInHint, ahUseBalloonAsHint});
    EXPECT_TRUE(IsBalloonClass(App.HintWindowClass()));
    Balloon->SetApplicationHintOptions({ahShowHeaderInHint});
    EXPECT_FALSE(IsBalloonClass(App.HintWindowClass()));

    Balloon->SetApplicationHintOptions({ahUseBalloonAsHint});
    // A new component becomes current: the old one gives up the switch and the class comes back.
    TBalloonHint* second = new TBalloonHint(&App);
    EXPECT_FALSE(Balloon->ApplicationHintOptions().Contains(ahUseBalloonAsHint));
    EXPECT_FALSE(IsBalloonClass(App.HintWindowClass()));
    // One that is not current cannot switch.
    Balloon->SetApplicationHintOptions({ahUseBalloonAsHint});
    EXPECT_FALSE(Balloon->ApplicationHintOptions().Contains(ahUseBalloonAsHint));
    EXPECT_FALSE(IsBalloonClass(App.HintWindowClass()));
    // Destroying the current one restores the class as well.
    second->SetApplicationHintOptions({ahUseBalloonAsHint});
    EXPECT_TRUE(IsBalloonClass(App.HintWindowClass()));
    Free(second);
    EXPECT_FALSE(IsBalloonClass(App.HintWindowClass()));
}

TEST_F(BalloonTest, ControlHintsShowAsBalloonsWithTheCurrentComponentsDefaults)
{
    Balloon->SetDefaultHeader("Tipp");
    Balloon->SetDefaultIcon(ikQuestion);
    Balloon->SetDefaultBalloonPosition(bpRightDown);
    Balloon->SetApplicationHintOptions({ahShowHeaderInHint, ahShowIconInHint, ahUseBalloonAsHint});
    TForm* form = new TForm(&App);
    form->SetBounds(100, 100, 300, 200);
    TButton* button = new TButton(form, form, "Knopf", 10, 10, 80, 24);
    button->SetHint("Kurz|Lang");
    form->Show();
    App.HintController()->ActivateHint(button, {200, 150});
    auto* w = dynamic_cast<TBalloonWindow*>(App.HintController()->Window());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Showing());
    EXPECT_EQ(w->Text(), "Kurz");
    EXPECT_EQ(w->Header(), "Tipp");
    EXPECT_TRUE(w->ShowIcon());
    EXPECT_EQ(w->Position(), bpRightDown);
    EXPECT_EQ(w->StemGap(), GetSystemMetrics(SM_CYCURSOR));
    // Below the cursor by the cursor's height, the stem 16 pixels from the left... of a header row.
    RECT r = w->BoundsRect();
    EXPECT_EQ(r.left, 200 - w->StemOffset());
    EXPECT_EQ(r.top, 150 + GetSystemMetrics(SM_CYCURSOR));
    TRegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    EXPECT_NE(GetWindowRgn(w->Handle(), rgn.Get()), ERROR);
    App.HintController()->CancelHint();
    EXPECT_FALSE(w->Showing());
}

} // namespace
