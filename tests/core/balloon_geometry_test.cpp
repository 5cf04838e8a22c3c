#include "tray/balloon_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TBalloonMeasure HeaderIconCloseButton()
{
    TBalloonMeasure m;
    m.HasBody = true;
    m.BodyWidth = 150;
    m.BodyHeight = 26; // two lines of 13
    m.ShowHeader = true;
    m.HeaderWidth = 60;
    m.HeaderHeight = 13;
    m.ShowIcon = true;
    m.IconWidth = 16;
    m.IconHeight = 16;
    m.ShowCloseBtn = true;
    m.Position = bpLeftDown;
    return m;
}

TEST(BalloonLayout, HeaderIconAndCloseButtonGiveTheLargeStemAndAHeaderRowOfAtLeast27)
{
    TBalloonLayout l = LayoutBalloon(HeaderIconCloseButton());
    EXPECT_EQ(l.Stem.StemHeight, 16);
    EXPECT_EQ(l.Stem.StemWidth, 16);
    EXPECT_EQ(l.Stem.StemOffset, 15);
    // 13 + 11 = 24 raised to the icon's 16 + 11; the close button's 20 does not raise it further.
    EXPECT_EQ(l.HeaderRowHeight, 27);
    // 60 + 13, the icon 16 + 8, the close button 20, then 12.
    EXPECT_EQ(l.HeaderRowWidth, 60 + 13 + 24 + 20 + 12);
    EXPECT_EQ(l.TextTop, 28);
    EXPECT_EQ(l.BodyTop, 16);
    // Width: the body 150 + 27 = 177 wins over the row's 129. Height: row + body + stem + 13.
    EXPECT_EQ(l.Rect.Width(), 177);
    EXPECT_EQ(l.Rect.Height(), 27 + 26 + 16 + 13);
    // bpLeftDown: the stem at the top, 15 pixels from the right edge, its tip at the origin.
    EXPECT_EQ(l.Rect.Left, 15 - 177);
    EXPECT_EQ(l.Rect.Top, 0);
    EXPECT_EQ(StemTip(bpLeftDown, l.Rect, 15), (TGeoPoint{0, 0}));
}

TEST(BalloonLayout, ATallHeaderTextDecidesTheRowHeight)
{
    TBalloonMeasure m = HeaderIconCloseButton();
    m.HeaderHeight = 26;
    m.HeaderWidth = 300;
    TBalloonLayout l = LayoutBalloon(m);
    EXPECT_EQ(l.HeaderRowHeight, 37);
    EXPECT_EQ(l.Rect.Width(), 300 + 13 + 24 + 20 + 12);
}

TEST(BalloonLayout, WithoutHeaderIconAndButtonTheStemIsSmallAndTheTextStartsAt7)
{
    TBalloonMeasure m;
    m.HasBody = true;
    m.BodyWidth = 100;
    m.BodyHeight = 13;
    m.Position = bpRightDown;
    TBalloonLayout l = LayoutBalloon(m);
    EXPECT_EQ(l.Stem.StemHeight, 8);
    EXPECT_EQ(l.Stem.StemWidth, 8);
    EXPECT_EQ(l.Stem.StemOffset, 16);
    EXPECT_EQ(l.HeaderRowHeight, 9);
    EXPECT_EQ(l.TextTop, 7);
    EXPECT_EQ(l.BodyTop, 8);
    EXPECT_EQ(l.Rect, (TGeoRect{-16, 0, -16 + 127, 9 + 13 + 8 + 13}));
}

TEST(BalloonLayout, AnEmptyHeaderStillGetsTheRowWhenTheIconOrTheCloseButtonNeedsIt)
{
    TBalloonMeasure m;
    m.HasBody = true;
    m.BodyWidth = 100;
    m.BodyHeight = 13;
    m.ShowCloseBtn = true;
    TBalloonLayout l = LayoutBalloon(m);
    EXPECT_EQ(l.Stem.StemHeight, 16);
    EXPECT_EQ(l.HeaderRowHeight, 20);
    EXPECT_EQ(l.TextTop, 21);

    m.ShowCloseBtn = false;
    m.ShowIcon = true;
    m.IconWidth = 32;
    m.IconHeight = 32;
    l = LayoutBalloon(m);
    EXPECT_EQ(l.HeaderRowHeight, 43);
    EXPECT_EQ(l.HeaderRowWidth, 32 + 11 + 12);
}

TEST(BalloonLayout, AnEmptyBodyAddsNoWidth)
{
    TBalloonMeasure m;
    m.ShowHeader = true;
    m.HeaderWidth = 40;
    m.HeaderHeight = 13;
    TBalloonLayout l = LayoutBalloon(m);
    EXPECT_EQ(l.Rect.Width(), 40 + 13 + 12);
    EXPECT_EQ(l.Rect.Height(), 24 + 0 + 16 + 13);
}

TEST(BalloonLayout, EveryPositionPutsTheTipAtTheOriginOrTheGapAboveIt)
{
    struct Case {
        TBalloonPosition P;
        TGeoPoint Tip;
        int BodyTop;
    } cases[] = {
        {bpAuto, {0, 0}, 16},    {bpLeftDown, {0, 0}, 16}, {bpRightDown, {0, 0}, 16},
        {bpLeftUp, {0, -20}, 0}, {bpRightUp, {0, -20}, 0},
    };
    for (const Case& c : cases) {
        TBalloonMeasure m = HeaderIconCloseButton();
        m.Position = c.P;
        m.StemGap = 20;
        TBalloonLayout l = LayoutBalloon(m);
        EXPECT_EQ(StemTip(c.P, l.Rect, l.Stem.StemOffset), c.Tip) << c.P;
        EXPECT_EQ(l.BodyTop, c.BodyTop) << c.P;
    }
}

TEST(BalloonPosition, ChangingThePositionKeepsTheTipOnTheAnchor)
{
    TBalloonLayout l = LayoutBalloon(HeaderIconCloseButton());
    TGeoRect r = l.Rect;
    r.Offset(500, 400);
    const TBalloonPosition all[] = {bpLeftDown, bpRightDown, bpLeftUp, bpRightUp, bpLeftDown};
    for (int i = 1; i < 5; ++i) {
        ChangePosition(r, all[i - 1], all[i], 15, 0);
        EXPECT_EQ(StemTip(all[i], r, 15), (TGeoPoint{500, 400})) << all[i];
        EXPECT_EQ(r.Width(), 177);
    }
}

const TGeoRect kWork{0, 0, 1024, 738}; // a 1024 x 768 screen with a 30-pixel taskbar

TEST(BalloonFitting, AnchorInTheBottomRightCornerTurnsRightUpIntoLeftUp)
{
    TBalloonMeasure m = HeaderIconCloseButton();
    m.Position = bpRightUp;
    TBalloonLayout l = LayoutBalloon(m);
    TGeoRect r = l.Rect;
    r.Offset(1024 - 30, 768 - 20);
    TBalloonPosition p = FitBalloon(r, bpRightUp, kWork, l.Stem.StemOffset, 0);
    EXPECT_EQ(p, bpLeftUp);
    EXPECT_EQ(r.Right, 1024 - 30 + 15); // stem at the bottom right
    EXPECT_EQ(r.Bottom, 768 - 20);
    EXPECT_EQ(StemTip(p, r, 15), (TGeoPoint{994, 748}));
}

TEST(BalloonFitting, RightUpTurnsOnlyWhenWiderThan45PixelsFromTheCorner)
{
    // The tip is 30 pixels from the right edge and the stem 15 from the body's left: a body up
    // to 45 pixels wide still fits.
    for (int width : {45, 46}) {
        TGeoRect r{-15, -40, -15 + width, 0};
        r.Offset(1024 - 30, 768 - 20);
        TBalloonPosition p = FitBalloon(r, bpRightUp, TGeoRect{0, 0, 1024, 768}, 15, 0);
        EXPECT_EQ(p, width > 45 ? bpLeftUp : bpRightUp) << width;
    }
}

TEST(BalloonFitting, AnUpwardBalloonTallerThanTheSpaceAboveTurnsDownward)
{
    TBalloonMeasure m = HeaderIconCloseButton();
    m.BodyHeight = 13 * 20;
    m.Position = bpLeftUp;
    TBalloonLayout l = LayoutBalloon(m);
    TGeoRect r = l.Rect;
    r.Offset(600, 200); // the balloon is 316 high, the space above the anchor 200
    ASSERT_LT(r.Top, 0);
    TBalloonPosition p = FitBalloon(r, bpLeftUp, kWork, 15, 0);
    EXPECT_EQ(p, bpLeftDown);
    EXPECT_EQ(r.Top, 200);
    EXPECT_EQ(StemTip(p, r, 15), (TGeoPoint{600, 200}));
}

TEST(BalloonFitting, ADownwardBalloonBelowTheWorkAreaTurnsUpward)
{
    TGeoRect r{-16, 0, 84, 60};
    r.Offset(300, 700);
    EXPECT_EQ(FitBalloon(r, bpRightDown, kWork, 16, 0), bpRightUp);
    EXPECT_EQ(r, (TGeoRect{284, 640, 384, 700}));
}

TEST(BalloonFitting, ALeftwardBalloonPastTheLeftEdgeTurnsRightward)
{
    TGeoRect r{16 - 100, 0, 16, 60};
    r.Offset(20, 100);
    EXPECT_EQ(FitBalloon(r, bpLeftDown, kWork, 16, 0), bpRightDown);
    EXPECT_EQ(r.Left, 20 - 16);
}

TEST(BalloonFitting, BottomAndRightAreComparedWithTheWorkAreasHeightAndWidth)
{
    // A work area starting at y = 100 (a taskbar at the top) is 638 high: a bottom of 700 lies
    // inside the area but exceeds its height, so the balloon turns upward.
    TGeoRect work{0, 100, 1024, 738};
    TGeoRect r{-16, 0, 84, 60};
    r.Offset(300, 640);
    EXPECT_EQ(FitBalloon(r, bpRightDown, work, 16, 0), bpRightUp);
}

TEST(BalloonFitting, AutoPicksByTheQuarterOfTheWorkAreaAndThenFits)
{
    struct Case {
        TGeoPoint Tip;
        TBalloonPosition Expected;
    } cases[] = {
        // Lower right: bpRightDown would leave the area at the bottom and the right.
        {{1000, 700}, bpLeftUp},
        // Lower left: bpLeftDown, too low, turns up; too far left, turns right.
        {{50, 700}, bpRightUp},
        // Upper left: bpLeftUp, above the top, and left of the left edge.
        {{50, 50}, bpRightDown},
        // Upper right: bpRightUp leaves at the top and the right.
        {{1000, 50}, bpLeftDown},
        // In the upper half away from the edges the chosen upward position stays.
        {{300, 300}, bpLeftUp},
        {{700, 300}, bpRightUp},
        {{300, 500}, bpLeftDown},
        {{700, 500}, bpRightDown},
    };
    for (const Case& c : cases) {
        TGeoRect r{15 - 100, 0, 15, 100}; // bpAuto is laid out as bpLeftDown
        r.Offset(c.Tip.X, c.Tip.Y);
        TBalloonPosition p = FitBalloon(r, bpAuto, kWork, 15, 0);
        EXPECT_EQ(p, c.Expected) << c.Tip.X << "," << c.Tip.Y;
        EXPECT_EQ(StemTip(p, r, 15), c.Tip) << c.Tip.X << "," << c.Tip.Y;
        EXPECT_EQ(r.Width(), 100);
        EXPECT_EQ(r.Height(), 100);
    }
}

TEST(BalloonFitting, TheGapOfUpwardPositionsIsKeptWhenFlipping)
{
    TGeoRect r{-16, -60 - 32, 84, -32}; // bpRightUp with a 32-pixel gap, tip at (0, -32)
    r.Offset(100, 20);
    EXPECT_EQ(FitBalloon(r, bpRightUp, kWork, 16, 32), bpRightDown);
    EXPECT_EQ(r, (TGeoRect{84, 20, 184, 80}));
}

TEST(BalloonDesktop, ARectangleIsPulledBackOntoTheDesktop)
{
    const TGeoRect desktop{0, 0, 1024, 768};
    struct Case {
        TGeoRect In, Out;
    } cases[] = {
        {{1000, 750, 1100, 800}, {924, 718, 1024, 768}},
        {{-20, -5, 80, 45}, {0, 0, 100, 50}},
        {{10, 10, 110, 60}, {10, 10, 110, 60}},
        {{-50, 0, 1100, 20}, {0, 0, 1150, 20}}, // wider than the desktop: the left edge wins
    };
    for (const Case& c : cases) {
        TGeoRect r = c.In;
        KeepOnDesktop(r, desktop);
        EXPECT_EQ(r, c.Out) << c.In.Left << "," << c.In.Top;
    }
    TGeoRect r{-1300, 10, -1200, 20};
    KeepOnDesktop(r, TGeoRect{-1280, 0, 1024, 768});
    EXPECT_EQ(r.Left, -1280);
}

TEST(BalloonShape, StemTrianglesAndBodiesForEveryPosition)
{
    const TStemSizes s{16, 16, 15};
    const int w = 200, h = 100;
    struct Case {
        TBalloonPosition P;
        TGeoPoint A, B, C;
        TGeoRect Body;
    } cases[] = {
        {bpLeftDown, {184, 0}, {184, 17}, {167, 17}, {1, 17, 200, 97}},
        {bpRightDown, {16, 0}, {16, 17}, {33, 17}, {1, 17, 200, 97}},
        {bpLeftUp, {184, 101}, {184, 83}, {167, 83}, {1, 1, 200, 84}},
        {bpRightUp, {16, 100}, {16, 83}, {33, 83}, {1, 1, 200, 84}},
    };
    for (const Case& c : cases) {
        TBalloonShape sh = BalloonShape(c.P, w, h, s);
        EXPECT_EQ(sh.Stem[0], c.A) << c.P;
        EXPECT_EQ(sh.Stem[1], c.B) << c.P;
        EXPECT_EQ(sh.Stem[2], c.C) << c.P;
        EXPECT_EQ(sh.Body, c.Body) << c.P;
        EXPECT_EQ(sh.CornerSize, 11);
    }
}

TEST(BalloonShape, TheCloseButtonSits6PixelsFromTheRightEdgeBelowTheBodyTop)
{
    EXPECT_EQ(CloseButtonRect(177, 16), (TGeoRect{155, 21, 171, 37}));
    EXPECT_EQ(CloseButtonRect(177, 0), (TGeoRect{155, 5, 171, 21}));
}

} // namespace

// The window paints icon, header and text at the shared margins: what it paints must lie inside
// the rectangle the layout made, for every mix of header row parts.
TEST(BalloonLayout, WhatIsPaintedAtTheSharedMarginsFitsTheLaidOutBalloon)
{
    struct Case {
        bool header, icon, close;
    };
    for (Case c :
         {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}, Case{true, true, false}}) {
        TBalloonMeasure m = HeaderIconCloseButton();
        m.BodyWidth = 10; // the header row, not the body, decides the width
        m.ShowHeader = c.header;
        m.ShowIcon = c.icon;
        m.ShowCloseBtn = c.close;
        TBalloonLayout l = LayoutBalloon(m);
        int headerLeft = kBalloonTextLeft + (c.icon ? m.IconWidth + kBalloonIconGap : 0);
        int rowRight = c.header ? headerLeft + m.HeaderWidth : kBalloonTextLeft + m.IconWidth;
        SCOPED_TRACE(testing::Message() << c.header << c.icon << c.close);
        EXPECT_LE(rowRight + (c.close ? 20 : 0), l.Rect.Width());
        EXPECT_LE(kBalloonRowTop + (c.header ? m.HeaderHeight : 0), l.HeaderRowHeight);
        EXPECT_LE(kBalloonRowTop + (c.icon ? m.IconHeight : 0), l.HeaderRowHeight);
        EXPECT_LE(kBalloonTextLeft + m.BodyWidth, l.Rect.Width());
        EXPECT_GE(l.TextTop, l.HeaderRowHeight);
    }
}

// At another scale every measurement is the 96-DPI one scaled (texts and icon come measured).
TEST(BalloonLayout, EveryMeasurementScalesWithTheDpiOfTheScreen)
{
    const struct {
        int Dpi;
        int Stem, StemOffset, Row, Bottom, CloseRight, CloseTop, Corner;
    } cases[] = {
        {96, 16, 15, 8, 13, 22, 5, 11},
        {120, 20, 19, 10, 16, 28, 6, 14},
        {144, 24, 23, 12, 20, 33, 8, 17},
        {192, 32, 30, 16, 26, 44, 10, 22},
    };
    for (const auto& c : cases) {
        TBalloonMeasure m = HeaderIconCloseButton();
        m.Dpi = c.Dpi;
        m.IconWidth = m.IconHeight = ScaleBalloonLength(16, c.Dpi);
        TBalloonLayout l = LayoutBalloon(m);
        EXPECT_EQ(l.Stem.StemHeight, c.Stem) << c.Dpi;
        EXPECT_EQ(l.Stem.StemWidth, c.Stem) << c.Dpi;
        EXPECT_EQ(l.Stem.StemOffset, c.StemOffset) << c.Dpi;
        EXPECT_EQ(l.HeaderRowHeight, std::max(c.Row + 13, c.Row + m.IconHeight) + l.Metrics.RowBottom) << c.Dpi;
        EXPECT_EQ(l.Rect.Height(), l.HeaderRowHeight + 26 + c.Stem + c.Bottom) << c.Dpi;
        EXPECT_EQ(l.Rect.Left, c.StemOffset - l.Rect.Width()) << c.Dpi;
        TGeoRect close = CloseButtonRect(200, l.BodyTop, l.Metrics);
        EXPECT_EQ(close.Left, 200 - c.CloseRight) << c.Dpi;
        EXPECT_EQ(close.Top, l.BodyTop + c.CloseTop) << c.Dpi;
        EXPECT_EQ(close.Width(), ScaleBalloonLength(16, c.Dpi)) << c.Dpi;
        EXPECT_EQ(close.Height(), close.Width()) << c.Dpi;
        TBalloonShape s = BalloonShape(bpLeftDown, l.Rect.Width(), l.Rect.Height(), l.Stem, l.Metrics.CornerSize);
        EXPECT_EQ(s.CornerSize, c.Corner) << c.Dpi;
        // The stem's tip column and its base stay one outline pixel inside, at every scale.
        EXPECT_EQ(s.Stem[0].X, l.Rect.Width() - c.StemOffset - 1) << c.Dpi;
        EXPECT_EQ(s.Stem[2].X, l.Rect.Width() - c.StemOffset - c.Stem - 2) << c.Dpi;
    }
}
