// The program at the display scale it runs at: CTest runs these at 96, 120, 144 and 192 DPI
// (QV_DPI, which cmake/wine-dpi writes into the prefix before the start).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "gui/dpi.h"
#include "gui/image_list.h"
#include "gui/page_control.h"
#include "gui/std_controls.h"
#include "rtl/files.h"
#include "rtl/wide.h"
#include "test_support.h"
#include "tray/balloon_hint.h"
#include "tray/balloon_window.h"

namespace {

struct TDesignRect {
    const char* Name;
    TWinControl* Control;
    int Left, Top, Width, Height; // in the design's units
};

RECT ChildRect(HWND wnd)
{
    RECT r;
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE TextSize(HWND wnd)
{
    std::wstring text = rtl::Utf8ToWide(TWinControl::FromHandle(wnd)->Caption());
    HDC dc = GetDC(wnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(wnd, dc);
    return {r.right, r.bottom};
}

bool IsVisibleControl(HWND wnd)
{
    return (GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

class DisplayScale : public testing::Test {
protected:
    TTempFolder Folder{"qv_scale"};
    TScriptedUi Ui;
    std::unique_ptr<TApplication> App;
    int Dpi = 0;

    void SetUp() override
    {
        App = StartProgramAt(Folder / "quorvane.exe");
        App->ProcessMessages();
        Dpi = WindowDpi(MainForm->Handle());
        // A harness that failed to set the scale must not pass for one that works.
        if (const char* wanted = std::getenv("QV_DPI")) {
            ASSERT_EQ(Dpi, std::atoi(wanted));
        }
    }
    void TearDown() override
    {
        App.reset();
        rtl::SetProgramFileNameOverride("");
    }
    int S(int v, int dpi = 0) const { return ScaleForDpi(v, dpi ? dpi : Dpi); }

    std::vector<TDesignRect> Layout() const
    {
        TMainForm& f = *MainForm;
        return {
            {"Image2", f.Image2, 0, 0, 320, 60},
            {"PageControl", f.PageControl, 8, 64, 289, 281},
            {"AboutBtn", f.AboutBtn, 8, 352, 75, 25},
            {"RefreshBtn", f.RefreshBtn, 144, 352, 75, 25},
            {"OKBtn", f.OKBtn, 223, 352, 75, 25},
            {"IntervalEdit", f.IntervalEdit, 126, 10, 36, 21},
            {"MaxEntryEdit", f.MaxEntryEdit, 126, 38, 36, 21},
            {"MaxCharEdit", f.MaxCharEdit, 126, 66, 36, 21},
            {"CutChannelCheckBox", f.CutChannelCheckBox, 8, 106, 260, 17},
            {"BalloonCheck", f.BalloonCheck, 8, 143, 260, 17},
            {"BalloonWrap", f.BalloonWrap, 126, 178, 36, 21},
            {"StartMinCheck", f.StartMinCheck, 8, 204, 260, 17},
            {"FeedIconFrame", f.FeedIconFrame, 10, 10, 20, 20},
            {"FeedIconImage", f.FeedIconImage, 12, 12, 16, 16},
            {"NameEdit", f.NameEdit, 40, 12, 233, 21},
            {"UrlEdit", f.UrlEdit, 8, 40, 265, 21},
            {"DescMemo", f.DescMemo, 8, 72, 265, 65},
            {"NewFeedBtn", f.NewFeedBtn, 8, 152, 129, 25},
            {"BitBtn1", f.BitBtn1, 144, 152, 129, 25},
            {"DeleteFeedBtn", f.DeleteFeedBtn, 8, 184, 129, 25},
            {"AddIconBtn", f.AddIconBtn, 144, 184, 129, 25},
            {"ExportFeedsBtn", f.ExportFeedsBtn, 144, 216, 129, 25},
            {"ProxyCheckBox", f.ProxyCheckBox, 8, 12, 110, 17},
            {"ProxyPortEdit", f.ProxyPortEdit, 80, 44, 57, 21},
            {"ProxyHostEdit", f.ProxyHostEdit, 80, 72, 185, 21},
            {"ProxyUserEdit", f.ProxyUserEdit, 80, 100, 185, 21},
            {"ProxyPassEdit", f.ProxyPassEdit, 80, 128, 185, 21},
        };
    }

    // Every control's rectangle is the design's times the scale, within a pixel.
    void ExpectDesignLayout(int dpi)
    {
        RECT client;
        GetClientRect(MainForm->Handle(), &client);
        EXPECT_NEAR(client.right, S(306, dpi), 1);
        EXPECT_NEAR(client.bottom, S(384, dpi), 1);
        for (const TDesignRect& d : Layout()) {
            RECT r = ChildRect(d.Control->Handle());
            EXPECT_NEAR(r.left, S(d.Left, dpi), 1) << d.Name;
            EXPECT_NEAR(r.top, S(d.Top, dpi), 1) << d.Name;
            EXPECT_NEAR(r.right - r.left, S(d.Width, dpi), 1) << d.Name;
            EXPECT_NEAR(r.bottom - r.top, S(d.Height, dpi), 1) << d.Name;
        }
    }

    // No two visible controls of one container overlap (a frame holds its picture); every
    // label's and check box's text fits it, measured with its own font.
    void ExpectNothingCrowded()
    {
        std::vector<HWND> all;
        EnumChildWindows(
            MainForm->Handle(),
            [](HWND w, LPARAM list) {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&all));
        int texts = 0;
        for (HWND a : all) {
            TWinControl* ca = TWinControl::FromHandle(a);
            if (!ca || !IsVisibleControl(a))
                continue;
            for (HWND b : all) {
                TWinControl* cb = TWinControl::FromHandle(b);
                if (a >= b || !cb || !IsVisibleControl(b) || GetParent(a) != GetParent(b) ||
                    dynamic_cast<TBevel*>(ca) || dynamic_cast<TBevel*>(cb) || dynamic_cast<TTabSheet*>(ca))
                    continue;
                RECT ra = ChildRect(a), rb = ChildRect(b), both;
                EXPECT_FALSE(IntersectRect(&both, &ra, &rb)) << ca->Caption() << " / " << cb->Caption();
            }
            const bool label = dynamic_cast<TStaticText*>(ca) != nullptr;
            const bool check = dynamic_cast<TCheckBox*>(ca) != nullptr;
            if (!label && !check)
                continue;
            ++texts;
            RECT c;
            GetClientRect(a, &c);
            SIZE t = TextSize(a);
            const int box = check ? GetSystemMetrics(SM_CXMENUCHECK) + S(4) : 0;
            EXPECT_LE(t.cx + box, c.right) << ca->Caption();
            EXPECT_LE(t.cy, c.bottom) << ca->Caption();
        }
        EXPECT_GE(texts, 20);
    }
};

TEST_F(DisplayScale, TheSettingsWindowIsTheDesignTimesTheScaleAndNothingCrowds)
{
    ExpectDesignLayout(Dpi);
    for (TTabSheet* page : {MainForm->ProgramSheet, MainForm->FeedSheet, MainForm->ProxySheet}) {
        MainForm->PageControl->SetActivePage(page);
        ExpectNothingCrowded();
    }
    // The fonts are made for the DPI: 8 point.
    LOGFONTW lf = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(MainForm->OKBtn->Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, S(-11));
}

TEST_F(DisplayScale, TrayMenuAndButtonPicturesHaveTheSmallIconSizeOfTheScale)
{
    const int size = GetSystemMetrics(SM_CXSMICON);
    EXPECT_EQ(size, SmallIconSize(Dpi));
    for (TImageList* list : {MainForm->TrayIconList, MainForm->MenuIconsList, MainForm->FeedIconList}) {
        EXPECT_EQ(list->Width(), size);
        EXPECT_EQ(list->Height(), size);
    }
    EXPECT_GE(MainForm->MenuIconsList->Count(), 7);
    auto iconWidth = [](HICON icon) {
        ICONINFO ii = {};
        if (!icon || !GetIconInfo(icon, &ii))
            return 0;
        BITMAP bm = {};
        GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
        DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
        return static_cast<int>(bm.bmWidth);
    };
    EXPECT_EQ(iconWidth(MainForm->TrayIcon->NotifyData().hIcon), size);
    EXPECT_EQ(iconWidth(MainForm->NewImage->Icon()), size);
    EXPECT_EQ(iconWidth(MainForm->AddIconBtn->Glyph()), size);
}

TEST_F(DisplayScale, TheBalloonsOutlineStemAndCloseButtonScale)
{
    TBalloonHint& hint = *MainForm->BalloonHint;
    const POINT anchor = {GetSystemMetrics(SM_CXSCREEN) - 30, GetSystemMetrics(SM_CYSCREEN) - 20};
    hint.ShowBalloonAt(nullptr, anchor, "Schlagzeile", "Der Text der Nachricht", 0, ikInformation, 0);
    App->ProcessMessages();
    TBalloonWindowEx& w = *hint.BalloonWindow();
    ASSERT_TRUE(IsWindowVisible(w.Handle()));
    EXPECT_EQ(w.Dpi(), Dpi);
    EXPECT_EQ(w.StemHeight(), S(16));
    EXPECT_EQ(w.StemWidth(), S(16));
    EXPECT_EQ(w.StemOffset(), S(15));
    // The stem's tip is on the anchor point, at the bottom right (the balloon turned bpLeftUp).
    POINT tip = w.StemTip();
    EXPECT_EQ(tip.x, anchor.x);
    EXPECT_EQ(tip.y, anchor.y);
    RECT wr;
    GetWindowRect(w.Handle(), &wr);
    const int width = wr.right - wr.left, height = wr.bottom - wr.top;
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(w.Handle(), rgn), ERROR);
    // Below the body only the stem remains: inside near its edge column, outside to its left.
    const int stemEdge = width - S(15) - 1;
    EXPECT_TRUE(PtInRegion(rgn, stemEdge - 1, height - S(8)));
    EXPECT_FALSE(PtInRegion(rgn, stemEdge - S(16) - 3, height - S(4)));
    // The corner is cut by an ellipse of the scaled size.
    EXPECT_FALSE(PtInRegion(rgn, 1, 1));
    EXPECT_TRUE(PtInRegion(rgn, S(6), S(6)));
    DeleteObject(rgn);
    RECT close = w.CloseButtonRect();
    RECT client;
    GetClientRect(w.Handle(), &client);
    EXPECT_EQ(close.right, client.right - S(6));
    EXPECT_EQ(close.right - close.left, S(16));
    EXPECT_EQ(close.top, w.BodyTop() + S(5));
    // The screen reader's text is the window's.
    EXPECT_EQ(WindowTextOf(w.Handle()), "Der Text der Nachricht");
    hint.HideBalloon();
}

TEST_F(DisplayScale, AWindowMovedToAnotherScaleTakesTheSuggestedRectangleAndIsLaidOutAgain)
{
    const int newDpi = Dpi == 192 ? 96 : Dpi * 3 / 2;
    RECT now;
    GetWindowRect(MainForm->Handle(), &now);
    RECT suggested = {now.left + 10, now.top + 5, now.left + 10 + S(312, newDpi), now.top + 5 + S(380, newDpi)};
    SendMessageW(MainForm->Handle(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                 reinterpret_cast<LPARAM>(&suggested));
    App->ProcessMessages();
    RECT after;
    GetWindowRect(MainForm->Handle(), &after);
    EXPECT_TRUE(EqualRect(&after, &suggested));
    EXPECT_EQ(MainForm->Dpi(), newDpi);
    for (const TDesignRect& d : Layout()) {
        RECT r = ChildRect(d.Control->Handle());
        EXPECT_NEAR(r.left, S(d.Left, newDpi), 1) << d.Name;
        EXPECT_NEAR(r.right - r.left, S(d.Width, newDpi), 1) << d.Name;
        EXPECT_NEAR(r.bottom - r.top, S(d.Height, newDpi), 1) << d.Name;
    }
    LOGFONTW lf = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(MainForm->NameEdit->Handle(), WM_GETFONT, 0, 0)), sizeof lf,
               &lf);
    EXPECT_EQ(lf.lfHeight, S(-11, newDpi));
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    // The banner is the one drawn for the new scale (100, 150 or 200 %).
    BITMAP bm = {};
    GetObjectW(MainForm->Image2->Bitmap(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, newDpi <= 96 ? 320 : newDpi <= 144 ? 480 : 640);
}

} // namespace
