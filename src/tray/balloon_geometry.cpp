#include "tray/balloon_geometry.h"

#include <algorithm>
#include <initializer_list>

int ScaleBalloonLength(int value, int dpi)
{
    if (dpi == 96)
        return value;
    long long p = static_cast<long long>(value) * dpi;
    return static_cast<int>(p >= 0 ? (p + 48) / 96 : -((-p + 48) / 96));
}

TBalloonMetrics BalloonMetrics(int dpi)
{
    TBalloonMetrics m;
    m.Dpi = dpi;
    for (int* v : {&m.TextLeft, &m.IconGap, &m.RowTop, &m.RowBottom, &m.HeaderRight, &m.IconRight, &m.BodyRight,
                   &m.CloseRoom, &m.EmptyRowHeight, &m.EmptyTextTop, &m.BottomRoom, &m.CornerSize, &m.CloseTop,
                   &m.CloseSize})
        *v = ScaleBalloonLength(*v, dpi);
    // The button keeps its gap to the edge and its size as scaled; its left edge follows from both.
    m.CloseRightGap = ScaleBalloonLength(m.CloseRightGap, dpi);
    m.CloseRight = m.CloseRightGap + m.CloseSize;
    return m;
}

TStemSizes BalloonStemSizes(bool headerRow, int dpi)
{
    TStemSizes s = headerRow ? TStemSizes{16, 16, 15} : TStemSizes{8, 8, 16};
    return {ScaleBalloonLength(s.StemHeight, dpi), ScaleBalloonLength(s.StemWidth, dpi),
            ScaleBalloonLength(s.StemOffset, dpi)};
}

bool IsDownward(TBalloonPosition p)
{
    return p == bpAuto || p == bpLeftDown || p == bpRightDown;
}

int BalloonBodyTop(TBalloonPosition p, int stemHeight)
{
    return IsDownward(p) ? stemHeight : 0;
}

TGeoPoint StemOffset(TBalloonPosition p, int w, int h, int stemOffset, int stemGap)
{
    switch (p) {
    case bpRightDown:
        return {-stemOffset, 0};
    case bpLeftUp:
        return {stemOffset - w, -h - stemGap};
    case bpRightUp:
        return {-stemOffset, -h - stemGap};
    case bpAuto:
    case bpLeftDown:
        break;
    }
    return {stemOffset - w, 0};
}

TGeoPoint StemTip(TBalloonPosition p, const TGeoRect& r, int stemOffset)
{
    switch (p) {
    case bpRightDown:
        return {r.Left + stemOffset, r.Top};
    case bpLeftUp:
        return {r.Right - stemOffset, r.Bottom};
    case bpRightUp:
        return {r.Left + stemOffset, r.Bottom};
    case bpAuto:
    case bpLeftDown:
        break;
    }
    return {r.Right - stemOffset, r.Top};
}

TBalloonLayout LayoutBalloon(const TBalloonMeasure& m)
{
    TBalloonLayout l;
    const TBalloonMetrics k = BalloonMetrics(m.Dpi);
    l.Metrics = k;
    int bodyW = m.HasBody ? k.TextLeft + m.BodyWidth + k.BodyRight : 0;
    int bodyH = m.HasBody ? m.BodyHeight : 0;

    int rowW = 0, rowH = 0;
    if (m.ShowHeader) {
        rowW = m.HeaderWidth + k.HeaderRight;
        rowH = k.RowTop + m.HeaderHeight + k.RowBottom;
        if (m.ShowIcon) {
            rowW += m.IconWidth + k.IconGap;
            rowH = std::max(rowH, k.RowTop + m.IconHeight + k.RowBottom);
        }
    } else if (m.ShowIcon) {
        rowW = m.IconWidth + k.IconRight;
        rowH = k.RowTop + m.IconHeight + k.RowBottom;
    }
    if (m.ShowCloseBtn) {
        rowW += k.CloseRoom;
        rowH = std::max(rowH, k.CloseRoom);
    }
    bool rowEmpty = rowW <= 0 || rowH <= 0;
    if (rowEmpty) {
        rowH = k.EmptyRowHeight;
        l.TextTop = k.EmptyTextTop;
    } else {
        rowW += k.TextLeft;
        l.TextTop = rowH + 1;
    }
    l.Stem = BalloonStemSizes(!rowEmpty, m.Dpi);
    l.HeaderRowWidth = rowW;
    l.HeaderRowHeight = rowH;

    l.Rect = {0, 0, std::max(bodyW, rowW), rowH + bodyH + l.Stem.StemHeight + k.BottomRoom};
    TGeoPoint off = StemOffset(m.Position, l.Rect.Width(), l.Rect.Height(), l.Stem.StemOffset, m.StemGap);
    l.Rect.Offset(off.X, off.Y);
    l.BodyTop = BalloonBodyTop(m.Position, l.Stem.StemHeight);
    return l;
}

void ChangePosition(TGeoRect& r, TBalloonPosition from, TBalloonPosition to, int stemOffset, int stemGap)
{
    TGeoPoint old = StemOffset(from, r.Width(), r.Height(), stemOffset, stemGap);
    r.Offset(-old.X, -old.Y);
    TGeoPoint now = StemOffset(to, r.Width(), r.Height(), stemOffset, stemGap);
    r.Offset(now.X, now.Y);
}

TBalloonPosition FitBalloon(TGeoRect& r, TBalloonPosition p, const TGeoRect& a, int stemOffset, int stemGap)
{
    if (p == bpAuto) {
        // bpAuto is placed as bpLeftDown, so trying that needs no move. The choice looks at the
        // half of the work area the tip lies in.
        TGeoPoint t = StemTip(bpLeftDown, r, stemOffset);
        TBalloonPosition chosen;
        bool leftHalf = 2 * t.X < a.Left + a.Right;
        if (2 * t.Y < a.Top + a.Bottom)
            chosen = leftHalf ? bpLeftUp : bpRightUp;
        else
            chosen = leftHalf ? bpLeftDown : bpRightDown;
        ChangePosition(r, bpLeftDown, chosen, stemOffset, stemGap);
        p = chosen;
    }

    // Each test sees the position the previous ones left, all against the same rectangle. The
    // bottom and right edges are compared with the work area's height and width.
    TBalloonPosition q = p;
    if ((q == bpLeftDown || q == bpRightDown) && r.Bottom > a.Bottom - a.Top)
        q = q == bpLeftDown ? bpLeftUp : bpRightUp;
    if ((q == bpRightDown || q == bpRightUp) && r.Right > a.Right - a.Left)
        q = q == bpRightDown ? bpLeftDown : bpLeftUp;
    if ((q == bpLeftDown || q == bpLeftUp) && r.Left < a.Left)
        q = q == bpLeftDown ? bpRightDown : bpRightUp;
    if ((q == bpLeftUp || q == bpRightUp) && r.Top < a.Top)
        q = q == bpLeftUp ? bpLeftDown : bpRightDown;
    if (q != p)
        ChangePosition(r, p, q, stemOffset, stemGap);
    return q;
}

void KeepOnDesktop(TGeoRect& r, const TGeoRect& d)
{
    int w = r.Width(), h = r.Height();
    // Against the desktop's edges rather than its extent, so that a desktop that does not start at
    // the origin (a monitor left of the primary one) is honoured too.
    if (r.Top + h > d.Bottom)
        r.Top = d.Bottom - h;
    if (r.Left + w > d.Right)
        r.Left = d.Right - w;
    if (r.Left < d.Left)
        r.Left = d.Left;
    if (r.Top < d.Top)
        r.Top = d.Top;
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
}

TBalloonShape BalloonShape(TBalloonPosition p, int w, int h, const TStemSizes& s, int cornerSize)
{
    TBalloonShape sh;
    sh.CornerSize = cornerSize;
    int so = s.StemOffset, sw = s.StemWidth, st = s.StemHeight;
    switch (p) {
    case bpRightDown:
        sh.Stem[0] = {so + 1, 0};
        sh.Stem[1] = {so + 1, st + 1};
        sh.Stem[2] = {so + sw + 2, st + 1};
        break;
    case bpLeftUp:
        sh.Stem[0] = {w - so - 1, h + 1};
        sh.Stem[1] = {w - so - 1, h - st - 1};
        sh.Stem[2] = {w - so - sw - 2, h - st - 1};
        break;
    case bpRightUp:
        sh.Stem[0] = {so + 1, h};
        sh.Stem[1] = {so + 1, h - st - 1};
        sh.Stem[2] = {so + sw + 2, h - st - 1};
        break;
    case bpAuto:
    case bpLeftDown:
        sh.Stem[0] = {w - so - 1, 0};
        sh.Stem[1] = {w - so - 1, st + 1};
        sh.Stem[2] = {w - so - sw - 2, st + 1};
        break;
    }
    if (IsDownward(p))
        sh.Body = {1, st + 1, w, h - 3};
    else
        sh.Body = {1, 1, w, h - st};
    return sh;
}

TGeoRect CloseButtonRect(int clientWidth, int bodyTop, const TBalloonMetrics& k)
{
    return {clientWidth - k.CloseRight, bodyTop + k.CloseTop, clientWidth - k.CloseRightGap,
            bodyTop + k.CloseTop + k.CloseSize};
}
