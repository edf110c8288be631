#include "render/Bezier.h"

#include "core/Numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace zemo {

namespace {

__extension__ typedef __int128 Int128;

constexpr double Pi = std::numbers::pi;
constexpr int64_t GridMax = int64_t(std::numeric_limits<int32_t>::max() & CoordMask);
constexpr int64_t GridMin = std::numeric_limits<int32_t>::min();

// A point with its flags stripped; the extra precision keeps halving exact enough.
struct P64 {
    int64_t x = 0;
    int64_t y = 0;
};

P64 Bare(Cord c) { return {Masked(c.x), Masked(c.y)}; }
// Midpoints round toward minus infinity; the error stays below one coordinate unit.
P64 Mid(P64 a, P64 b) { return {(a.x + b.x) >> 1, (a.y + b.y) >> 1}; }
Cord ToCord(P64 p) { return {RoundToGrid(p.x), RoundToGrid(p.y)}; }

int ClampDepth(int maxDepth) { return std::clamp(maxDepth, 0, MaxBezierDepth); }

// True when the whole segment fits a box of +-lim around its start: a loop or an S-curve
// whose ends meet is not flat, only the chord being short says nothing.
bool IsSmall(const P64* q, int64_t lim)
{
    for (int k = 1; k < 4; ++k)
        if (std::abs(q[k].x - q[0].x) > lim || std::abs(q[k].y - q[0].y) > lim)
            return false;
    return true;
}

void Halve(const P64* q, P64* left, P64* right)
{
    const P64 m01 = Mid(q[0], q[1]);
    const P64 m12 = Mid(q[1], q[2]);
    const P64 m23 = Mid(q[2], q[3]);
    const P64 m012 = Mid(m01, m12);
    const P64 m123 = Mid(m12, m23);
    const P64 x = Mid(m012, m123);
    left[0] = q[0];
    left[1] = m01;
    left[2] = m012;
    left[3] = x;
    right[0] = x;
    right[1] = m123;
    right[2] = m23;
    right[3] = q[3];
}

// Emits one leaf per final piece; `last` marks the piece that ends at the segment's end.
template <typename Leaf>
void Recurse(const P64* q, int depth, int maxDepth, int64_t lim, bool last, Leaf& leaf)
{
    if (depth > maxDepth || IsSmall(q, lim)) {
        leaf(q, last);
        return;
    }
    P64 l[4], r[4];
    Halve(q, l, r);
    Recurse(l, depth + 1, maxDepth, lim, false, leaf);
    Recurse(r, depth + 1, maxDepth, lim, last, leaf);
}

int64_t Limit(int tol) { return int64_t(std::max(tol, 0)) * 256; }

double Lerp(double a, double b, double t) { return b * t + a * (1 - t); }

double CleanT(double t)
{
    if (!(t >= 0))
        return 0;
    return std::min(t, 1.0);
}

// De Casteljau with each level rounded to whole units, on masked values.
struct SplitLevels {
    double q1x, q1y, r1x, r1y, sx, sy, q2x, q2y, r2x, r2y, xx, xy;
};

SplitLevels SplitAt(const Cord* p, double t)
{
    t = CleanT(t);
    double px[4], py[4];
    for (int k = 0; k < 4; ++k) {
        px[k] = Masked(p[k].x);
        py[k] = Masked(p[k].y);
    }
    SplitLevels s;
    s.q1x = std::nearbyint(Lerp(px[0], px[1], t));
    s.q1y = std::nearbyint(Lerp(py[0], py[1], t));
    s.r1x = std::nearbyint(Lerp(px[1], px[2], t));
    s.r1y = std::nearbyint(Lerp(py[1], py[2], t));
    s.sx = std::nearbyint(Lerp(px[2], px[3], t));
    s.sy = std::nearbyint(Lerp(py[2], py[3], t));
    s.q2x = std::nearbyint(Lerp(s.q1x, s.r1x, t));
    s.q2y = std::nearbyint(Lerp(s.q1y, s.r1y, t));
    s.r2x = std::nearbyint(Lerp(s.r1x, s.sx, t));
    s.r2y = std::nearbyint(Lerp(s.r1y, s.sy, t));
    s.xx = std::nearbyint(Lerp(s.q2x, s.r2x, t));
    s.xy = std::nearbyint(Lerp(s.q2y, s.r2y, t));
    return s;
}

// Values are convex combinations of 32-bit coordinates, so they fit.
Cord MaskedCord(double x, double y, int32_t fx) { return {Masked(int32_t(x)) | fx, Masked(int32_t(y))}; }

void CrossingSearch(const double* v, double t0, double t1, int depth, int maxDepth, double* found,
                    int& count, int cap)
{
    bool anyPos = false, anyNeg = false;
    for (int k = 0; k < 4; ++k) {
        anyPos |= v[k] > 0;
        anyNeg |= v[k] < 0;
    }
    auto record = [&](double t) {
        if (count < cap)
            found[count++] = t;
    };
    if (!anyPos || !anyNeg) {
        // Wholly on one side: only an end lying on the line can meet it (all zero: lies on it).
        if (anyPos || anyNeg) {
            if (v[0] == 0)
                record(t0);
            if (v[3] == 0)
                record(t1);
        }
        return;
    }
    if (depth >= maxDepth) {
        if (v[0] == 0)
            record(t0);
        if (v[3] == 0)
            record(t1);
        if ((v[0] < 0 && v[3] > 0) || (v[0] > 0 && v[3] < 0))
            record(t0 + (t1 - t0) * (v[0] / (v[0] - v[3])));
        return;
    }
    const double m01 = (v[0] + v[1]) / 2, m12 = (v[1] + v[2]) / 2, m23 = (v[2] + v[3]) / 2;
    const double m012 = (m01 + m12) / 2, m123 = (m12 + m23) / 2;
    const double x = (m012 + m123) / 2;
    const double l[4] = {v[0], m01, m012, x};
    const double r[4] = {x, m123, m23, v[3]};
    const double tm = (t0 + t1) / 2;
    CrossingSearch(l, t0, tm, depth + 1, maxDepth, found, count, cap);
    CrossingSearch(r, tm, t1, depth + 1, maxDepth, found, count, cap);
}

void CasteljauFirst(const double* v, double t, double* out)
{
    const double a = Lerp(v[0], v[1], t), b = Lerp(v[1], v[2], t), c = Lerp(v[2], v[3], t);
    const double d = Lerp(a, b, t), e = Lerp(b, c, t);
    out[0] = v[0];
    out[1] = a;
    out[2] = d;
    out[3] = Lerp(d, e, t);
}

void CasteljauSecond(const double* v, double t, double* out)
{
    const double a = Lerp(v[0], v[1], t), b = Lerp(v[1], v[2], t), c = Lerp(v[2], v[3], t);
    const double d = Lerp(a, b, t), e = Lerp(b, c, t);
    out[0] = Lerp(d, e, t);
    out[1] = e;
    out[2] = c;
    out[3] = v[3];
}

} // namespace

int32_t RoundToGrid(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::floor(v / 256 + 0.5) * 256;
    return int32_t(std::clamp(r, double(GridMin), double(GridMax)));
}

int32_t RoundToGrid(int64_t v)
{
    // (v + 128) rounded down to a multiple of 256; the shift floors for negative values too.
    const int64_t r = ((v + 128) >> 8) * 256;
    return int32_t(std::clamp(r, GridMin, GridMax));
}

Cord MidPoint(Cord a, Cord b)
{
    return {a.x / 2 + b.x / 2, a.y / 2 + b.y / 2};
}

int FlattenBezier(const Cord* p, Cord* out, int maxDepth, int tol)
{
    const P64 q[4] = {Bare(p[0]), Bare(p[1]), Bare(p[2]), Bare(p[3])};
    int n = 0;
    auto leaf = [&](const P64* piece, bool last) { out[n++] = last ? p[3] : ToCord(piece[3]); };
    Recurse(q, 1, ClampDepth(maxDepth), Limit(tol), true, leaf);
    return n;
}

void FlattenBezierTo(const Cord* p, std::vector<Cord>& out, int maxDepth, int tol)
{
    const P64 q[4] = {Bare(p[0]), Bare(p[1]), Bare(p[2]), Bare(p[3])};
    auto leaf = [&](const P64* piece, bool last) { out.push_back(last ? p[3] : ToCord(piece[3])); };
    Recurse(q, 1, ClampDepth(maxDepth), Limit(tol), true, leaf);
}

int SubdivideBezier(const Cord* p, Cord* out, int maxDepth, int tol)
{
    const P64 q[4] = {Bare(p[0]), Bare(p[1]), Bare(p[2]), Bare(p[3])};
    int n = 0;
    auto leaf = [&](const P64* piece, bool) {
        const Cord c1 = ToCord(piece[1]);
        const Cord c2 = ToCord(piece[2]);
        out[n++] = {c1.x | FirstBezierFlag, c1.y};
        out[n++] = {c2.x | SecondBezierFlag, c2.y};
        out[n++] = ToCord(piece[3]);
    };
    Recurse(q, 1, ClampDepth(maxDepth), Limit(tol), true, leaf);
    return n;
}

void SplitBezierFirstHalf(const Cord* p, double t, Cord& c1, Cord& c2, Cord& at)
{
    const SplitLevels s = SplitAt(p, t);
    c1 = MaskedCord(s.q1x, s.q1y, FirstBezierFlag);
    c2 = MaskedCord(s.q2x, s.q2y, SecondBezierFlag);
    at = MaskedCord(s.xx, s.xy, 0);
}

void SplitBezierSecondHalf(const Cord* p, double t, Cord& at, Cord& c1, Cord& c2)
{
    const SplitLevels s = SplitAt(p, t);
    at = MaskedCord(s.xx, s.xy, 0);
    c1 = MaskedCord(s.r2x, s.r2y, FirstBezierFlag);
    c2 = MaskedCord(s.sx, s.sy, SecondBezierFlag);
}

void BezierPointAt(const double* x, const double* y, double t, double& px, double& py)
{
    double qx[4], qy[4];
    CasteljauFirst(x, t, qx);
    CasteljauFirst(y, t, qy);
    px = qx[3];
    py = qy[3];
}

double DirectionAngle(Cord a, Cord b)
{
    const int64_t dx = int64_t(Masked(b.x)) - Masked(a.x);
    const int64_t dy = int64_t(Masked(b.y)) - Masked(a.y);
    if (std::abs(dx) <= 3 * 256 && std::abs(dy) <= 3 * 256)
        return 0;
    if (dx != 0) {
        double angle = std::atan(double(dy) / double(dx)) - Pi / 2;
        if (dx < 0)
            angle += Pi;
        return angle;
    }
    return dy >= 1 ? 0 : -Pi;
}

void PointAtAngle(Cord base, double angle, double distance, Cord& target)
{
    target.x = Masked(SafeRound(Masked(base.x) - std::sin(angle) * distance)) | Flags(target.x);
    target.y = Masked(SafeRound(Masked(base.y) + std::cos(angle) * distance)) | Flags(target.y);
}

int64_t DistanceToSegment(Cord p, Cord a, Cord b, int& side, double& t, int64_t tol)
{
    const Cord pm{Masked(p.x), Masked(p.y)};
    const Cord am{Masked(a.x), Masked(a.y)};
    const Cord bm{Masked(b.x), Masked(b.y)};
    const int64_t far = 2 * tol;
    const int64_t len = ApproxDistance(am, bm);
    if (len == 0)
        return far;
    if (ApproxDistance(pm, am) >= tol + len && ApproxDistance(pm, bm) >= tol + len)
        return far;
    const int64_t dx = int64_t(bm.x) - am.x;
    const int64_t dy = int64_t(bm.y) - am.y;
    const Int128 along = Int128(int64_t(pm.x) - am.x) * dx + Int128(int64_t(pm.y) - am.y) * dy;
    const Int128 beyond = Int128(int64_t(pm.x) - bm.x) * dx + Int128(int64_t(pm.y) - bm.y) * dy;
    if (!(along > 0 && beyond < 0))
        return far;
    const Int128 cross = Int128(int64_t(am.x) - pm.x) * dy + Int128(int64_t(pm.y) - am.y) * dx;
    const double d = std::nearbyint(std::abs(double(cross) / double(len)));
    if (d > double(tol))
        return far;
    const double lenSq = double(dx) * double(dx) + double(dy) * double(dy);
    t = std::min(double(along) / lenSq, 1.0);
    side = cross <= 0 ? 2 : 1;
    return int64_t(d);
}

int64_t NearestOnBezier(Cord pt, const Cord* p, int64_t tol, int& side, double& t)
{
    const P64 pp = Bare(pt);
    int64_t best = 8 * tol;
    struct Step {
        const P64& pp;
        int64_t tol;
        int64_t& best;
        int& side;
        double& t;
        void Run(const P64* q, double t0, double t1, int depth)
        {
            int64_t x1 = q[0].x, x2 = q[0].x, y1 = q[0].y, y2 = q[0].y;
            for (int k = 1; k < 4; ++k) {
                x1 = std::min(x1, q[k].x);
                x2 = std::max(x2, q[k].x);
                y1 = std::min(y1, q[k].y);
                y2 = std::max(y2, q[k].y);
            }
            if (pp.x < x1 - tol || pp.x > x2 + tol || pp.y < y1 - tol || pp.y > y2 + tol)
                return;
            if (depth < 15 && (x2 - x1 > 1024 || y2 - y1 > 1024)) {
                P64 l[4], r[4];
                Halve(q, l, r);
                const double tm = (t0 + t1) / 2;
                Run(l, t0, tm, depth + 1);
                Run(r, tm, t1, depth + 1);
                return;
            }
            const Cord m{int32_t((q[0].x + q[3].x) / 2), int32_t((q[0].y + q[3].y) / 2)};
            const int64_t d = ApproxDistance(Cord{int32_t(pp.x), int32_t(pp.y)}, m);
            if (d < best) {
                best = d;
                t = (t0 + t1) / 2;
                const Int128 s = Int128(q[0].y - q[3].y) * (pp.x - q[0].x)
                    + Int128(q[3].x - q[0].x) * (pp.y - q[0].y);
                side = s <= 0 ? 2 : 1;
            }
        }
    };
    const P64 q[4] = {Bare(p[0]), Bare(p[1]), Bare(p[2]), Bare(p[3])};
    Step{pp, tol, best, side, t}.Run(q, 0, 1, 1);
    return best;
}

int BezierCrossings(const double* v, double* params, int maxParams, int maxDepth)
{
    constexpr int Cap = 64;
    double found[Cap];
    int count = 0;
    CrossingSearch(v, 0, 1, 0, std::clamp(maxDepth, 0, 40), found, count, Cap);
    std::sort(found, found + count);
    constexpr double Eps = 1e-9;
    int n = 0;
    for (int k = 0; k < count && n < maxParams; ++k) {
        const double t = found[k];
        if (t <= Eps || t >= 1 - Eps)
            continue;
        if (n > 0 && t - params[n - 1] <= Eps)
            continue;
        params[n++] = t;
    }
    return n;
}

void BezierSubCurve(const double* x, const double* y, double a, double b, double* sx, double* sy)
{
    a = CleanT(a);
    b = CleanT(b);
    double fx[4], fy[4];
    CasteljauFirst(x, b, fx);
    CasteljauFirst(y, b, fy);
    if (b <= 0) {
        std::fill(sx, sx + 4, fx[0]);
        std::fill(sy, sy + 4, fy[0]);
        return;
    }
    const double s = std::min(a / b, 1.0);
    CasteljauSecond(fx, s, sx);
    CasteljauSecond(fy, s, sy);
}

} // namespace zemo
