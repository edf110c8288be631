#include "render/HalfPlane.h"

#include "render/Bezier.h"

#include <cmath>

namespace zemo {

namespace {

constexpr int32_t BezierFlags = FirstBezierFlag | SecondBezierFlag;
constexpr int32_t SideFlagX = NoLeftLineFlag;
constexpr int32_t SideFlagY = NoRightLineFlag;

// An input point as a kept vertex: no curve flags, no ring start; when it lies beyond the line
// (a curve's end judged kept by the halving) it is put on the line.
FramePt Vertex(FramePt p, int64_t c)
{
    p.fx &= ~BezierFlags;
    p.fy &= ~HoleFlag;
    if (p.x > c) {
        p.x = c;
        p.cut = true;
    }
    return p;
}

FramePt Crossing(int64_t c, double y)
{
    FramePt p;
    p.x = c;
    p.y = RoundToGrid(y);
    p.cut = true;
    return p;
}

FramePt Control(double x, double y, int32_t flag, int32_t sideX, int32_t sideY)
{
    FramePt p;
    p.x = RoundToGrid(x);
    p.y = RoundToGrid(y);
    p.fx = flag | sideX;
    p.fy = sideY;
    return p;
}

int ClipStraight(const FramePt* s, int64_t c, KeptPart* out)
{
    const FramePt& a = s[0];
    const FramePt& b = s[1];
    const bool aIn = a.x <= c, bIn = b.x <= c;
    if (!aIn && !bIn)
        return 0;
    KeptPart& k = out[0];
    k.n = 2;
    if (aIn && bIn) {
        k.pts[0] = Vertex(a, c);
        k.pts[1] = Vertex(b, c);
        return 1;
    }
    // a.x != b.x here: one lies beyond c, the other not.
    const double y = double(a.y) + double(b.y - a.y) * double(c - a.x) / double(b.x - a.x);
    if (aIn) {
        if (a.x == c)
            return 0;  // leaves from a point on the line: nothing of it is kept
        k.pts[0] = Vertex(a, c);
        k.pts[1] = Crossing(c, y);
        k.endsAtCut = true;
    } else {
        if (b.x == c)
            return 0;
        k.pts[0] = Crossing(c, y);
        k.pts[1] = Vertex(b, c);
        k.startsAtCut = true;
    }
    return 1;
}

double CubicAt(const double* v, double t)
{
    const double u = 1 - t;
    return u * u * u * v[0] + 3 * u * u * t * v[1] + 3 * u * t * t * v[2] + t * t * t * v[3];
}

void WholeCurve(const FramePt* s, int64_t c, KeptPart& part)
{
    part.n = 4;
    part.startsAtCut = part.endsAtCut = false;
    part.pts[0] = Vertex(s[0], c);
    part.pts[1] = s[1];
    part.pts[1].fx = (s[1].fx & ~BezierFlags) | FirstBezierFlag;
    part.pts[1].fy &= ~HoleFlag;
    part.pts[2] = s[2];
    part.pts[2].fx = (s[2].fx & ~BezierFlags) | SecondBezierFlag;
    part.pts[2].fy &= ~HoleFlag;
    part.pts[3] = Vertex(s[3], c);
}

int ClipCurve(const FramePt* s, int64_t c, KeptPart* out)
{
    bool allIn = true, allOut = true;
    for (int k = 0; k < 4; ++k) {
        allIn &= s[k].x <= c;
        allOut &= s[k].x > c;
    }
    if (allOut)
        return 0;
    const int32_t sideX = s[0].fx & SideFlagX;
    const int32_t sideY = s[0].fy & SideFlagY;
    if (allIn) {
        WholeCurve(s, c, out[0]);
        return 1;
    }

    double x[4], y[4], v[4];
    for (int k = 0; k < 4; ++k) {
        x[k] = double(s[k].x);
        y[k] = double(s[k].y);
        v[k] = double(s[k].x - c);
    }
    // A cubic meets a line at most three times; the room for more only absorbs near-duplicates.
    constexpr int MaxParams = 6;
    double params[MaxParams];
    const int np = BezierCrossings(v, params, MaxParams);
    double bounds[MaxParams + 2];
    bounds[0] = 0;
    for (int k = 0; k < np; ++k)
        bounds[k + 1] = params[k];
    bounds[np + 1] = 1;

    int count = 0;
    int k = 0;
    while (k <= np && count < MaxKeptParts) {
        const double a = bounds[k];
        // Neighbouring intervals on the same side (a curve touching the line) join up.
        int j = k;
        const bool in = CubicAt(v, (bounds[k] + bounds[k + 1]) / 2) <= 0;
        while (j + 1 <= np && (CubicAt(v, (bounds[j + 1] + bounds[j + 2]) / 2) <= 0) == in)
            ++j;
        const double b = bounds[j + 1];
        k = j + 1;
        if (!in)
            continue;
        KeptPart& part = out[count++];
        part.n = 4;
        if (a == 0 && b == 1) {
            // Only touches of the line: the curve is kept as it is.
            WholeCurve(s, c, part);
            return 1;
        }
        double sx[4], sy[4];
        BezierSubCurve(x, y, a, b, sx, sy);
        part.startsAtCut = a > 0;
        part.endsAtCut = b < 1;
        part.pts[0] = a > 0 ? Crossing(c, sy[0]) : Vertex(s[0], c);
        part.pts[1] = Control(sx[1], sy[1], FirstBezierFlag, sideX, sideY);
        part.pts[2] = Control(sx[2], sy[2], SecondBezierFlag, sideX, sideY);
        if (b < 1) {
            part.pts[3] = Crossing(c, sy[3]);
            part.pts[3].fx = sideX;
            part.pts[3].fy = sideY;
        } else {
            part.pts[3] = Vertex(s[3], c);
        }
    }
    return count;
}

} // namespace

int ClipSegment(const FramePt* seg, int n, int64_t c, KeptPart* out)
{
    for (int k = 0; k < MaxKeptParts; ++k)
        out[k] = KeptPart{};
    return n == 4 ? ClipCurve(seg, c, out) : ClipStraight(seg, c, out);
}

} // namespace zemo
