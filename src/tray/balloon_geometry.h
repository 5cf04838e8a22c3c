#pragma once
// The balloon's geometry in plain numbers: its size from measured text sizes, the stem and its four
// positions, fitting against the work area and the outline. The window side measures and draws.

enum TBalloonPosition { bpAuto, bpLeftDown, bpRightDown, bpLeftUp, bpRightUp };

struct TGeoPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TGeoPoint& o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const TGeoPoint& o) const { return !(*this == o); }
};

// Right and bottom are exclusive, as in a Win32 RECT.
struct TGeoRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    void Offset(int dx, int dy)
    {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    bool Contains(TGeoPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    bool operator==(const TGeoRect& o) const
    {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
};

// Margins inside the rounded body that the layout reserves and the window paints at: the left
// edge of the icon, header and text; the gap between icon and header; the header row's top and the
// room below it; the room right of the header and of the body text. In pixels at 96 DPI.
constexpr int kBalloonTextLeft = 12;
constexpr int kBalloonIconGap = 8;
constexpr int kBalloonRowTop = 8;
constexpr int kBalloonRowBottom = 3;
constexpr int kBalloonHeaderRight = 13;
constexpr int kBalloonIconRight = 11;
constexpr int kBalloonBodyRight = 15;

struct TStemSizes {
    int StemHeight;
    int StemWidth;
    int StemOffset;
};

// Every measurement of the balloon for one DPI: the margins above, the stem, the close button's
// room and the outline's corner, scaled from their 96-DPI values.
struct TBalloonMetrics {
    int Dpi = 96;
    int TextLeft = kBalloonTextLeft;
    int IconGap = kBalloonIconGap;
    int RowTop = kBalloonRowTop;
    int RowBottom = kBalloonRowBottom;
    int HeaderRight = kBalloonHeaderRight;
    int IconRight = kBalloonIconRight;
    int BodyRight = kBalloonBodyRight;
    int CloseRoom = 20;     // what the close button adds to the header row, and its least height
    int EmptyRowHeight = 9; // the header row's height when it shows nothing
    int EmptyTextTop = 7;   // where the text starts below the body's top then
    int BottomRoom = 13;    // below the body text
    int CornerSize = 11;    // the rounded body's corner ellipse
    int CloseRight = 22;    // the close button's left and right edges from the client's right
    int CloseRightGap = 6;
    int CloseTop = 5; // its top below the body's top, and its side
    int CloseSize = 16;
};

TBalloonMetrics BalloonMetrics(int dpi);
// A 96-DPI length at dpi, rounded to the nearest pixel.
int ScaleBalloonLength(int value, int dpi);

// The stem is larger when the balloon has a header row.
TStemSizes BalloonStemSizes(bool headerRow, int dpi = 96);

bool IsDownward(TBalloonPosition p); // bpAuto counts as downward, as bpLeftDown
// Distance from the window's top to the rounded body's top.
int BalloonBodyTop(TBalloonPosition p, int stemHeight);

// Offset that moves a rectangle of size w x h with the stem tip at its origin for position p.
TGeoPoint StemOffset(TBalloonPosition p, int w, int h, int stemOffset, int stemGap);
// The stem's tip for a placed rectangle.
TGeoPoint StemTip(TBalloonPosition p, const TGeoRect& r, int stemOffset);

// What the window measured and what it wants to show.
struct TBalloonMeasure {
    bool HasBody = false; // the body text is not empty
    int BodyWidth = 0;    // its measured size
    int BodyHeight = 0;
    bool ShowHeader = false;
    int HeaderWidth = 0; // the header text's measured size in bold
    int HeaderHeight = 0;
    bool ShowIcon = false;
    int IconWidth = 0;
    int IconHeight = 0;
    bool ShowCloseBtn = false; // the component's own balloons only
    TBalloonPosition Position = bpAuto;
    int StemGap = 0;
    int Dpi = 96; // of the screen the balloon appears on
};

struct TBalloonLayout {
    TGeoRect Rect; // placed so that the stem's tip lies at (0, 0), StemGap above it for upward ones
    TStemSizes Stem;
    int BodyTop = 0;
    int TextTop = 0; // where the body text starts below BodyTop
    int HeaderRowWidth = 0;
    int HeaderRowHeight = 0;
    TBalloonMetrics Metrics;
};

TBalloonLayout LayoutBalloon(const TBalloonMeasure& m);

// Moves a placed rectangle from one position to another around the same anchor point.
void ChangePosition(TGeoRect& r, TBalloonPosition from, TBalloonPosition to, int stemOffset, int stemGap);

// Resolves bpAuto and flips the position where the rectangle would leave the work area; moves the
// rectangle when the position changed. Returns the position in force.
TBalloonPosition FitBalloon(TGeoRect& r, TBalloonPosition p, const TGeoRect& workArea, int stemOffset,
                            int stemGap);

// Pulls a rectangle back onto the desktop, keeping its size.
void KeepOnDesktop(TGeoRect& r, const TGeoRect& desktop);

// The outline: the stem triangle and the rounded body (corner ellipse CornerSize), to be united.
struct TBalloonShape {
    TGeoPoint Stem[3];
    TGeoRect Body;
    int CornerSize = 11;
};

// The one-pixel offsets around the stem and body belong to the outline's frame and do not scale.
TBalloonShape BalloonShape(TBalloonPosition p, int w, int h, const TStemSizes& stem, int cornerSize = 11);

// The close button's rectangle in client coordinates.
TGeoRect CloseButtonRect(int clientWidth, int bodyTop, const TBalloonMetrics& metrics = TBalloonMetrics());
