#include "render/PolyClip.h"

#include "core/Numeric.h"
#include "render/Bezier.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace zemo {

PolyClipState PolyClip;

namespace {

constexpr int32_t CurveFlags = FirstBezierFlag | SecondBezierFlag;
// Coincident points: within this of the last kept point (0.03 mm; 0.06 mm for a curve).
constexpr int64_t DuplicateStraight = 768;
constexpr int64_t DuplicateCurve = 1536;
// Crossings are located until the bracketing points lie this close in x and in y.
constexpr double CrossingPrecision = 128;
// Sampling steps: 0.5 mm on straight segments, 1 mm on curves; no segment takes more.
constexpr double StraightStep = 12800;
constexpr double CurveStep = 25600;
constexpr int MostSamples = 1 << 14;
// A crossing found on a curve flattened coarsely may lie farther from B's exact outline.
constexpr int64_t WideHitDistance = 8 * OutlineHitDistance;

bool IsControl(Cord c) { return (c.x & CurveFlags) != 0; }
Cord Bare(Cord c) { return {Masked(c.x), Masked(c.y)}; }
Cord NoHole(Cord c) { return {c.x, c.y & ~HoleFlag}; }

// The first point of every ring, in order.
std::vector<int> RingStarts(const Cord* p, int n)
{
    std::vector<int> starts;
    for (int s = 0; s < n; s = RingEnd(p, n, s))
        starts.push_back(s);
    return starts;
}

// The ring that holds point i: its first point (ring starts ascending).
int RingOf(const std::vector<int>& starts, int i)
{
    const auto it = std::upper_bound(starts.begin(), starts.end(), i);
    return it == starts.begin() ? 0 : *(it - 1);
}

// A curve starts at i inside the ring [s, e).
bool CurveAt(const Cord* p, int e, int i)
{
    return i + 3 < e && (p[i + 1].x & FirstBezierFlag);
}

// ---- One segment's geometry in doubles (masked coordinates) ----

struct Segment {
    bool curve = false;
    double x[4] = {};
    double y[4] = {};

    Segment(const Cord* p, int e, int s, int i, bool closed)
    {
        curve = CurveAt(p, e, i);
        if (curve) {
            for (int k = 0; k < 4; ++k) {
                x[k] = Masked(p[i + k].x);
                y[k] = Masked(p[i + k].y);
            }
            return;
        }
        const int j = i + 1 < e ? i + 1 : (closed ? s : i);
        x[0] = Masked(p[i].x);
        y[0] = Masked(p[i].y);
        x[3] = Masked(p[j].x);
        y[3] = Masked(p[j].y);
    }
    void At(double t, double& px, double& py) const
    {
        if (curve) {
            BezierPointAt(x, y, t, px, py);
        } else {
            px = x[0] + t * (x[3] - x[0]);
            py = y[0] + t * (y[3] - y[0]);
        }
    }
    // Along the control polygon: never shorter than the curve, so a loop gets its samples.
    double Length() const
    {
        if (!curve)
            return std::hypot(x[3] - x[0], y[3] - y[0]);
        return std::hypot(x[1] - x[0], y[1] - y[0]) + std::hypot(x[2] - x[1], y[2] - y[1])
               + std::hypot(x[3] - x[2], y[3] - y[2]);
    }
    void Box(double& x1, double& y1, double& x2, double& y2) const
    {
        const int k = curve ? 4 : 2;
        const double xs[4] = {x[0], x[3], x[1], x[2]}, ys[4] = {y[0], y[3], y[1], y[2]};
        x1 = x2 = xs[0];
        y1 = y2 = ys[0];
        for (int m = 1; m < k; ++m) {
            x1 = std::min(x1, xs[m]);
            x2 = std::max(x2, xs[m]);
            y1 = std::min(y1, ys[m]);
            y2 = std::max(y2, ys[m]);
        }
    }
};

// ---- An outline flattened into straight edges, bucketed by height ----

__extension__ typedef __int128 Int128;

// Twice the signed area of a, b, c: exact.
Int128 Orient(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t cx, int64_t cy)
{
    return Int128(bx - ax) * (cy - ay) - Int128(by - ay) * (cx - ax);
}

// Pieces of equal parameter steps that keep a curve within 0.0025 mm of its chords.
int CurvePieces(const Segment& g)
{
    const double ddx = std::max(std::fabs(g.x[0] - 2 * g.x[1] + g.x[2]), std::fabs(g.x[1] - 2 * g.x[2] + g.x[3]));
    const double ddy = std::max(std::fabs(g.y[0] - 2 * g.y[1] + g.y[2]), std::fabs(g.y[1] - 2 * g.y[2] + g.y[3]));
    const double m = std::ceil(std::sqrt(0.75 * std::hypot(ddx, ddy) / 64));
    return int(std::clamp(m, 2.0, 1024.0));
}

// The points of a segment at equal parameter steps (the ends exact), with their parameters.
void SegmentPieces(const Segment& g, std::vector<std::pair<double, double>>& pts, std::vector<double>& ts)
{
    pts.clear();
    ts.clear();
    const int m = g.curve ? CurvePieces(g) : 1;
    for (int k = 0; k <= m; ++k) {
        const double t = double(k) / m;
        double x = g.x[0], y = g.y[0];
        if (k == m) {
            x = g.x[3];
            y = g.y[3];
        } else if (k > 0) {
            g.At(t, x, y);
        }
        pts.emplace_back(std::nearbyint(x), std::nearbyint(y));
        ts.push_back(t);
    }
}

struct FlatEdge {
    int64_t ax, ay, bx, by;
    int seg;        // the outline's segment the edge belongs to
    int ring;       // its ring's first point
    double t0, t1;  // the edge's parameters along that segment
};

class FlatArea {
public:
    // Rings of p (or the one ring starting at `only`, or all but `skip`); curves cut into
    // equal parameter steps.
    void Build(const Cord* p, int n, int only = -1, int skip = -1)
    {
        edges_.clear();
        std::vector<std::pair<double, double>> pts;
        std::vector<double> ts;
        for (int s = 0; s < n; s = RingEnd(p, n, s)) {
            if ((only >= 0 && s != only) || s == skip)
                continue;
            const int e = RingEnd(p, n, s);
            for (int i = s; i < e;) {
                const Segment g(p, e, s, i, true);
                SegmentPieces(g, pts, ts);
                for (size_t k = 1; k < pts.size(); ++k)
                    edges_.push_back({int64_t(pts[k - 1].first), int64_t(pts[k - 1].second), int64_t(pts[k].first),
                                      int64_t(pts[k].second), i, s, ts[k - 1], ts[k]});
                i += g.curve ? 3 : 1;
            }
        }
        Bucket();
    }

    // Even-odd: edges whose ends lie on different sides of y, met at or left of x.
    bool Inside(double x, double y) const
    {
        // Every horizontal line meets the closed rings an even number of times: a point
        // beside them all is outside.
        if (edges_.empty() || y < y0_ || y > y1_ || x < x0_ || x > x1_)
            return false;
        const int b = Band(y);
        bool in = false;
        for (int k = start_[size_t(b)]; k < start_[size_t(b) + 1]; ++k) {
            const FlatEdge& g = edges_[size_t(list_[size_t(k)])];
            if ((y > double(g.ay)) != (y > double(g.by))) {
                const double cx = g.ax + double(g.bx - g.ax) * (y - g.ay) / double(g.by - g.ay);
                if (cx <= x)
                    in = !in;
            }
        }
        return in;
    }

    // Every edge whose box meets the box, once.
    template <typename F>
    void ForNear(double x1, double y1, double x2, double y2, F&& f) const
    {
        if (edges_.empty() || y2 < y0_ || y1 > y1_ || x2 < x0_ || x1 > x1_)
            return;
        const int b1 = Band(std::max(y1, y0_)), b2 = Band(std::min(y2, y1_));
        for (int b = b1; b <= b2; ++b)
            for (int k = start_[size_t(b)]; k < start_[size_t(b) + 1]; ++k) {
                const FlatEdge& g = edges_[size_t(list_[size_t(k)])];
                if (b != std::max(b1, Band(double(std::min(g.ay, g.by)))))
                    continue;
                if (double(std::min(g.ax, g.bx)) <= x2 && double(std::max(g.ax, g.bx)) >= x1
                    && double(std::min(g.ay, g.by)) <= y2 && double(std::max(g.ay, g.by)) >= y1)
                    f(g);
            }
    }

    bool Near(double x1, double y1, double x2, double y2) const
    {
        bool any = false;
        ForNear(x1, y1, x2, y2, [&any](const FlatEdge&) { any = true; });
        return any;
    }

    // The point lies on an edge.
    bool OnEdge(int64_t x, int64_t y) const
    {
        bool on = false;
        ForNear(double(x), double(y), double(x), double(y), [&](const FlatEdge& g) {
            if (Orient(g.ax, g.ay, g.bx, g.by, x, y) == 0)
                on = true;
        });
        return on;
    }

private:
    int Band(double y) const
    {
        return std::clamp(int((y - y0_) / h_), 0, bands_ - 1);
    }

    void Bucket()
    {
        start_.assign(2, 0);
        list_.clear();
        bands_ = 1;
        if (edges_.empty())
            return;
        x0_ = y0_ = INFINITY;
        x1_ = y1_ = -INFINITY;
        for (const FlatEdge& g : edges_) {
            x0_ = std::min({x0_, double(g.ax), double(g.bx)});
            x1_ = std::max({x1_, double(g.ax), double(g.bx)});
            y0_ = std::min({y0_, double(g.ay), double(g.by)});
            y1_ = std::max({y1_, double(g.ay), double(g.by)});
        }
        const auto lo = [](const FlatEdge& g) { return double(std::min(g.ay, g.by)); };
        const auto hi = [](const FlatEdge& g) { return double(std::max(g.ay, g.by)); };
        // About four edges a band; fewer bands when long edges would fill too many.
        bands_ = std::clamp(int(edges_.size() / 4), 1, 4096);
        for (;;) {
            h_ = std::max((y1_ - y0_) / bands_, 1.0) * (1 + 1e-9);
            size_t entries = 0;
            for (const FlatEdge& g : edges_)
                entries += size_t(Band(hi(g)) - Band(lo(g)) + 1);
            if (entries <= 8 * edges_.size() + 4096 || bands_ == 1)
                break;
            bands_ = std::max(1, bands_ / 4);
        }
        start_.assign(size_t(bands_) + 1, 0);
        for (const FlatEdge& g : edges_)
            for (int b = Band(lo(g)); b <= Band(hi(g)); ++b)
                ++start_[size_t(b) + 1];
        for (int b = 0; b < bands_; ++b)
            start_[size_t(b) + 1] += start_[size_t(b)];
        list_.assign(size_t(start_.back()), 0);
        std::vector<int> fill(start_.begin(), start_.end() - 1);
        for (size_t k = 0; k < edges_.size(); ++k)
            for (int b = Band(lo(edges_[k])); b <= Band(hi(edges_[k])); ++b)
                list_[size_t(fill[size_t(b)]++)] = int(k);
    }

    std::vector<FlatEdge> edges_;
    std::vector<int> start_, list_;
    double x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0, h_ = 1;
    int bands_ = 1;
};

// ---- Nearest point ----

int64_t Nearest(Cord pc, const Cord* p, int n, int64_t tol, double& t, int& index)
{
    const Cord pm = Bare(pc);
    int64_t best = INT64_MAX;
    for (int s = 0; s < n; s = RingEnd(p, n, s)) {
        const int e = RingEnd(p, n, s);
        for (int i = s; i < e; ++i) {
            if (IsControl(p[i]))
                continue;
            const int64_t dv = ApproxDistance(pm, Bare(p[i]));
            if (dv < best) {
                best = dv;
                index = i;
                t = 0;
            }
            int side = 0;
            double tt = 0;
            if (CurveAt(p, e, i)) {
                const int64_t d = NearestOnBezier(pm, p + i, tol, side, tt);
                if (d < 8 * tol && d < best) {
                    best = d;
                    index = i;
                    t = tt;
                }
                continue;
            }
            const int j = i + 1 < e ? i + 1 : s;
            if (j == i)
                continue;
            const int64_t d = DistanceToSegment(pm, p[i], p[j], side, tt, tol);
            if (d < 2 * tol && d < best) {
                best = d;
                index = i;
                t = tt;
            }
        }
    }
    return best;
}

// ---- Building the result ----

class Builder {
public:
    explicit Builder(std::vector<Cord>& out) : out_(out) {}

    bool Add(Cord c)
    {
        if (int(out_.size()) >= MaxOutlinePoints) {
            overflow_ = true;
            return false;
        }
        out_.push_back(c);
        return true;
    }
    // A straight segment's end equal to the point before it is left out.
    bool AddEnd(Cord c)
    {
        if (int(out_.size()) > ringStart_ && CordsEqual(out_.back(), c) && !IsControl(out_.back()))
            return true;
        return Add(c);
    }
    bool BeginRing(Cord first)
    {
        ringStart_ = int(out_.size());
        first = NoHole(first);
        if (ringStart_ > 0)
            first.y |= HoleFlag;
        return Add(first);
    }
    // A ring traced back to its start: a last point on the first is dropped.
    void CloseRing()
    {
        const int n = int(out_.size());
        if (n - ringStart_ >= 2 && !IsControl(out_[size_t(n - 2)])) {
            const Cord a = Bare(out_.back()), b = Bare(out_[size_t(ringStart_)]);
            if (std::llabs(int64_t(a.x) - b.x) <= 4096 && std::llabs(int64_t(a.y) - b.y) <= 4096)
                out_.pop_back();
        }
    }
    // The piece of the segment at i from t0 to t1 (its start is out already).
    bool Sub(const Cord* p, int e, int s, int i, bool closed, double t0, double t1)
    {
        if (!(t1 > t0))
            return true;
        const Segment g(p, e, s, i, closed);
        if (g.curve) {
            if (t0 <= 0 && t1 >= 1)
                return Add(p[i + 1]) && Add(p[i + 2]) && Add(NoHole(p[i + 3]));
            double sx[4], sy[4];
            BezierSubCurve(g.x, g.y, t0, t1, sx, sy);
            const Cord end = t1 >= 1 ? NoHole(p[i + 3]) : Cord{RoundToGrid(sx[3]), RoundToGrid(sy[3])};
            return Add({RoundToGrid(sx[1]) | FirstBezierFlag, RoundToGrid(sy[1])})
                   && Add({RoundToGrid(sx[2]) | SecondBezierFlag, RoundToGrid(sy[2])}) && Add(end);
        }
        const int j = i + 1 < e ? i + 1 : s;
        if (t1 >= 1)
            return AddEnd(NoHole(p[j]));
        double x = 0, y = 0;
        g.At(t1, x, y);
        return AddEnd({RoundToGrid(x), RoundToGrid(y)});
    }
    // The outline from (fromI, fromT) along its ring [s, e) to (toI, toT); `whole` goes once
    // round when the two are the same place.
    bool Piece(const Cord* p, int s, int e, bool closed, int fromI, double fromT, int toI, double toT, bool whole)
    {
        int i = fromI;
        double t0 = fromT;
        bool started = false;
        for (int guard = 0; guard <= e - s + 1; ++guard) {
            if (!closed && i >= e - 1)
                return true;
            if (i == toI && (started || !whole) && toT >= t0)
                return Sub(p, e, s, i, closed, t0, toT);
            if (!Sub(p, e, s, i, closed, t0, 1))
                return false;
            started = true;
            const int next = CurveAt(p, e, i) ? i + 3 : i + 1;
            if (next >= e) {
                if (!closed)
                    return true;
                i = s;
            } else {
                i = next;
            }
            t0 = 0;
        }
        return true;
    }
    bool Overflow() const { return overflow_; }

private:
    std::vector<Cord>& out_;
    int ringStart_ = 0;
    bool overflow_ = false;
};

// ---- Crossings ----

// B's place for a crossing found by sampling: the nearest point of its outline.
bool PlaceOnB(Crossing& c, const Cord* b, int nb, const std::vector<int>& startsB)
{
    c.IndexB = -1;
    double t = 0;
    int index = 0;
    int64_t d = Nearest(c.Point, b, nb, OutlineHitDistance, t, index);
    if (d > OutlineHitDistance)
        d = Nearest(c.Point, b, nb, WideHitDistance, t, index);
    if (d > WideHitDistance)
        return false;
    c.IndexB = index;
    c.TB = t;
    c.RingB = RingOf(startsB, index);
    return true;
}

struct WalkInput {
    const Cord* a;
    int s, e;
    bool open;
    const FlatArea& flat;
    const Cord* b;
    int nb;
    const std::vector<int>& startsB;
};

bool InsideAt(const FlatArea& flat, double x, double y)
{
    return flat.Inside(std::nearbyint(x), std::nearbyint(y));
}

void AddEndRecord(const WalkInput& w, int index, int state)
{
    Crossing c;
    c.IndexA = index;
    c.IndexB = -1;
    c.RingA = w.s;
    c.Point = NoHole(w.a[index]);
    c.State = uint8_t(state);
    PolyClip.CrossingTable.push_back(c);
}

// A walked in steps of about 0.5 mm (1 mm on curves), its inside state watched, each change
// located by halving and placed on B's nearest point: for rings that lie along B's outline,
// where the exact search cannot tell crossing from touching.
bool WalkRingSampled(const WalkInput& w)
{
    const Cord* a = w.a;
    bool state = InsideAt(w.flat, Masked(a[w.s].x), Masked(a[w.s].y));
    if (w.open && state)
        AddEndRecord(w, w.s, 1);
    for (int i = w.s; i < w.e;) {
        if (w.open && i == w.e - 1)
            break;
        const Segment g(a, w.e, w.s, i, !w.open);
        double x1, y1, x2, y2;
        g.Box(x1, y1, x2, y2);
        if (w.flat.Near(x1 - 1, y1 - 1, x2 + 1, y2 + 1)) {
            const double len = g.Length() / (g.curve ? CurveStep : StraightStep);
            const int steps = int(std::clamp(std::nearbyint(len + 0.5), 2.0, double(MostSamples)));
            double prevT = 0;
            for (int k = 1; k <= steps; ++k) {
                const double t = double(k) / steps;
                double px, py;
                g.At(t, px, py);
                if (InsideAt(w.flat, px, py) == state) {
                    prevT = t;
                    continue;
                }
                double lo = prevT, hi = t;
                for (int it = 0; it < 64; ++it) {
                    double lx, ly, hx, hy;
                    g.At(lo, lx, ly);
                    g.At(hi, hx, hy);
                    if (std::fabs(hx - lx) < CrossingPrecision && std::fabs(hy - ly) < CrossingPrecision)
                        break;
                    const double mid = (lo + hi) / 2;
                    double mx, my;
                    g.At(mid, mx, my);
                    (InsideAt(w.flat, mx, my) == state ? lo : hi) = mid;
                }
                state = !state;
                Crossing c;
                c.IndexA = i;
                c.RingA = w.s;
                c.TA = (lo + hi) / 2;
                double cx, cy;
                g.At(c.TA, cx, cy);
                c.Point = {RoundToGrid(cx), RoundToGrid(cy)};
                c.State = state ? 1 : 0;
                if (!PlaceOnB(c, w.b, w.nb, w.startsB) && !w.open)
                    return false;
                PolyClip.CrossingTable.push_back(c);
                prevT = t;
            }
        }
        const int next = g.curve ? i + 3 : i + 1;
        if (next >= w.e)
            break;
        i = next;
    }
    if (w.open && state)
        AddEndRecord(w, w.e - 1, 0);
    return true;
}

// Every meeting of A's ring with B's flattened edges, exactly: an edge counts where its ends
// lie on different sides of A's piece and the piece's ends on different sides of the edge
// (a point on the line counts as the negative side, so a touch counts twice or not at
// all). Crossings met twice at one point cancel. The inside state at the ring's start is
// taken from a point of the ring off B's outline. False when every point lies on it.
bool WalkRingExact(const WalkInput& w)
{
    const Cord* a = w.a;
    std::vector<Crossing> found;
    std::vector<std::pair<double, double>> pts;
    std::vector<double> ts;
    struct Hit {
        double s;
        Crossing c;
    };
    std::vector<Hit> hits;
    std::vector<int> anchors;
    for (int i = w.s; i < w.e;) {
        anchors.push_back(i);
        if (w.open && i == w.e - 1)
            break;
        const Segment g(a, w.e, w.s, i, !w.open);
        double x1, y1, x2, y2;
        g.Box(x1, y1, x2, y2);
        if (w.flat.Near(x1 - 1, y1 - 1, x2 + 1, y2 + 1)) {
            SegmentPieces(g, pts, ts);
            for (size_t k = 1; k < pts.size(); ++k) {
                const int64_t ax = int64_t(pts[k - 1].first), ay = int64_t(pts[k - 1].second);
                const int64_t bx = int64_t(pts[k].first), by = int64_t(pts[k].second);
                hits.clear();
                w.flat.ForNear(double(std::min(ax, bx)), double(std::min(ay, by)), double(std::max(ax, bx)),
                               double(std::max(ay, by)), [&](const FlatEdge& f) {
                                   const Int128 oe = Orient(ax, ay, bx, by, f.ax, f.ay);
                                   const Int128 of = Orient(ax, ay, bx, by, f.bx, f.by);
                                   if ((oe > 0) == (of > 0))
                                       return;
                                   const Int128 oa = Orient(f.ax, f.ay, f.bx, f.by, ax, ay);
                                   const Int128 ob = Orient(f.ax, f.ay, f.bx, f.by, bx, by);
                                   if ((oa > 0) == (ob > 0))
                                       return;
                                   Hit h;
                                   h.s = double(oa) / double(oa - ob);
                                   const double u = double(oe) / double(oe - of);
                                   h.c.IndexA = i;
                                   h.c.RingA = w.s;
                                   h.c.TA = ts[k - 1] + h.s * (ts[k] - ts[k - 1]);
                                   h.c.IndexB = f.seg;
                                   h.c.RingB = f.ring;
                                   h.c.TB = f.t0 + u * (f.t1 - f.t0);
                                   double cx, cy;
                                   g.At(h.c.TA, cx, cy);
                                   h.c.Point = {RoundToGrid(cx), RoundToGrid(cy)};
                                   hits.push_back(h);
                               });
                std::sort(hits.begin(), hits.end(), [](const Hit& l, const Hit& r) { return l.s < r.s; });
                for (const Hit& h : hits) {
                    // Twice at one point: a touch, or a pass through a corner of B.
                    if (!found.empty() && CordsEqual(found.back().Point, h.c.Point))
                        found.pop_back();
                    else
                        found.push_back(h.c);
                }
            }
        }
        const int next = g.curve ? i + 3 : i + 1;
        if (next >= w.e)
            break;
        i = next;
    }
    if (!w.open && found.size() >= 2 && CordsEqual(found.front().Point, found.back().Point)) {
        found.pop_back();
        found.erase(found.begin());
    }
    // A point of the ring off B gives the state; the crossings before it tell the start's.
    int known = -1;
    for (int k : anchors)
        if (!w.flat.OnEdge(Masked(a[k].x), Masked(a[k].y))) {
            known = k;
            break;
        }
    if (known < 0)
        return false;
    int before = 0;
    for (const Crossing& c : found)
        if (c.IndexA < known)
            ++before;
    bool state = InsideAt(w.flat, Masked(a[known].x), Masked(a[known].y)) != (before % 2 == 1);
    if (w.open && state)
        AddEndRecord(w, w.s, 1);
    for (Crossing& c : found) {
        state = !state;
        c.State = state ? 1 : 0;
        PolyClip.CrossingTable.push_back(c);
    }
    if (w.open && state)
        AddEndRecord(w, w.e - 1, 0);
    return true;
}

bool WalkRing(const WalkInput& w)
{
    const size_t mark = PolyClip.CrossingTable.size();
    if (WalkRingExact(w))
        return true;
    PolyClip.CrossingTable.resize(mark);
    return WalkRingSampled(w);
}

// ---- Tracing ----

// The rings of a union (unite) or a clip through the crossings: each crossing passed once, a
// ring that does not come back to its start fails the whole.
bool Trace(const Cord* a, int na, const Cord* b, int nb, bool unite, Builder& out)
{
    std::vector<Crossing>& table = PolyClip.CrossingTable;
    const int m = int(table.size());
    if (m == 0)
        return true;
    // Along A: the next crossing of the same ring (the table is in A's order).
    std::vector<int> nextA(static_cast<size_t>(m));
    for (int k = 0; k < m;) {
        int end = k;
        while (end < m && table[size_t(end)].RingA == table[size_t(k)].RingA)
            ++end;
        for (int j = k; j < end; ++j)
            nextA[size_t(j)] = j + 1 < end ? j + 1 : k;
        k = end;
    }
    // Along B: sorted by ring, segment and parameter.
    std::vector<int> order(static_cast<size_t>(m));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&table](int l, int r) {
        const Crossing &p = table[size_t(l)], &q = table[size_t(r)];
        if (p.RingB != q.RingB)
            return p.RingB < q.RingB;
        if (p.IndexB != q.IndexB)
            return p.IndexB < q.IndexB;
        return p.TB < q.TB;
    });
    for (int k = 0; k < m;) {
        int end = k;
        while (end < m && table[size_t(order[size_t(end)])].RingB == table[size_t(order[size_t(k)])].RingB)
            ++end;
        for (int j = k; j < end; ++j)
            table[size_t(order[size_t(j)])].Link = order[size_t(j + 1 < end ? j + 1 : k)];
        k = end;
    }
    const int afterB = unite ? 0 : 1;
    for (int start = 0; start < m; ++start) {
        if (table[size_t(start)].State != 1 || table[size_t(start)].Visited)
            continue;
        table[size_t(start)].Used = 1;
        if (!out.BeginRing(table[size_t(start)].Point))
            return false;
        int cur = start;
        bool onA = !unite;
        for (int steps = 0;; ++steps) {
            Crossing& c = table[size_t(cur)];
            c.Visited = 1;
            const int next = onA ? nextA[size_t(cur)] : c.Link;
            const Crossing& d = table[size_t(next)];
            const bool piece = onA ? out.Piece(a, c.RingA, RingEnd(a, na, c.RingA), true, c.IndexA, c.TA, d.IndexA,
                                               d.TA, next == cur)
                                   : out.Piece(b, c.RingB, RingEnd(b, nb, c.RingB), true, c.IndexB, c.TB, d.IndexB,
                                               d.TB, next == cur);
            if (!piece)
                return false;
            if (next == start)
                break;
            if (d.Visited || steps > m)
                return false;
            if (!onA && d.State != afterB)
                return false;
            onA = !onA;
            cur = next;
        }
        out.CloseRing();
    }
    return std::all_of(table.begin(), table.end(), [](const Crossing& c) { return c.Visited != 0; });
}

// Of the ring's points that are not control points: how many lie inside the other outline,
// and how many outside.
void CountInside(const Cord* p, int s, int e, const FlatArea& other, int& in, int& out)
{
    in = out = 0;
    for (int k = s; k < e; ++k) {
        if (IsControl(p[k]))
            continue;
        if (other.Inside(Masked(p[k].x), Masked(p[k].y)))
            ++in;
        else
            ++out;
    }
}

// Rings of `own` that no crossing touches, kept by the rule of the operation: for a union
// those mostly outside the other area, for a clip those mostly inside it. A tie keeps A's ring.
bool WholeRings(const Cord* own, int n, const FlatArea& other, bool isA, bool unite, Builder& out)
{
    std::vector<char> crossed(size_t(std::max(n, 1)), 0);
    for (const Crossing& c : PolyClip.CrossingTable) {
        const int r = isA ? c.RingA : c.RingB;
        if (r >= 0 && r < n)
            crossed[size_t(r)] = 1;
    }
    for (int s = 0; s < n; s = RingEnd(own, n, s)) {
        const int e = RingEnd(own, n, s);
        if (crossed[size_t(s)] || e - s < 3)
            continue;
        int in = 0, outside = 0;
        CountInside(own, s, e, other, in, outside);
        const int kept = unite ? outside : in;
        const int gone = unite ? in : outside;
        if (in + outside < 2 || kept < gone || (kept == gone && !isA))
            continue;
        if (!out.BeginRing(own[s]))
            return false;
        for (int k = s + 1; k < e; ++k)
            if (!out.Add(NoHole(own[k])))
                return false;
    }
    return true;
}

// Outer rings counter-clockwise, rings inside an odd number of others clockwise: the area on
// the left of every ring.
void OrientRings(Cord* p, int n)
{
    const std::vector<int> starts = RingStarts(p, n);
    for (int s : starts) {
        bool inside = false;
        if (starts.size() > 1) {
            FlatArea others;
            others.Build(p, n, -1, s);
            int in = 0, out = 0;
            CountInside(p, s, RingEnd(p, n, s), others, in, out);
            inside = in > out;
        }
        if (inside == RingIsCcw(p, n, s))
            ReverseRing(p, n, s);
    }
}

bool Combine(const Cord* areaA, int na, const Cord* areaB, int nb, const OutlineFn& fn, bool unite)
{
    // The tracing takes each outline with its area on the left: outer rings counter-clockwise,
    // holes clockwise.
    std::vector<Cord> copyA(areaA, areaA + na), copyB(areaB, areaB + nb);
    OrientRings(copyA.data(), na);
    OrientRings(copyB.data(), nb);
    const Cord* a = copyA.data();
    const Cord* b = copyB.data();
    std::vector<Cord>& result = PolyClip.Result;
    result.clear();
    if (!FindCrossings(a, b, na, false, nb))
        return false;
    FlatArea flatA, flatB;
    flatA.Build(a, na);
    flatB.Build(b, nb);
    Builder out(result);
    if (!Trace(a, na, b, nb, unite, out) || !WholeRings(a, na, flatB, true, unite, out)
        || !WholeRings(b, nb, flatA, false, unite, out))
        return false;
    if (result.empty())
        return true;
    result[0].y &= ~HoleFlag;
    const int count = RemoveDuplicatePoints(result.data(), int(result.size()));
    result.resize(size_t(count));
    if (count >= 3)
        fn(result.data(), count);
    return true;
}

} // namespace

void ResetPolyClip()
{
    PolyClip = PolyClipState{};
}

int RemoveDuplicatePoints(Cord* p, int n)
{
    if (n <= 2)
        return n;
    int k = 0;           // last written
    int lastAnchor = 0;  // where the last kept anchor was written
    for (int i = 1; i < n; ++i) {
        const Cord c = p[i];
        if (IsControl(c)) {
            p[++k] = c;
            continue;
        }
        const bool droppable = i < n - 1 && !(c.y & (HoleFlag | CornerFlag)) && !(p[i + 1].y & HoleFlag);
        if (droppable) {
            const bool afterCurve = k >= 2 && (p[k].x & SecondBezierFlag) && lastAnchor == k - 2;
            const Cord last = Bare(p[lastAnchor]);
            const auto near = [last](Cord q, int64_t tol) {
                return std::llabs(int64_t(Masked(q.x)) - last.x) <= tol
                       && std::llabs(int64_t(Masked(q.y)) - last.y) <= tol;
            };
            if (k == lastAnchor && near(c, DuplicateStraight))
                continue;
            // A curve that does not leave the last point's neighbourhood goes whole.
            if (afterCurve && near(c, DuplicateCurve) && near(p[k], DuplicateCurve) && near(p[k - 1], DuplicateCurve)) {
                k -= 2;
                continue;
            }
        }
        p[++k] = c;
        lastAnchor = k;
    }
    return k + 1;
}

int NextRingIndex(const Cord* p, int n, int i)
{
    if (i < 0 || i >= n)
        return 0;
    if (i + 1 < n && !(p[i + 1].y & HoleFlag))
        return i + 1;
    int s = i;
    while (s > 0 && !(p[s].y & HoleFlag))
        --s;
    return s;
}

bool NearestSegmentPoint(Cord p, const Cord* points, int count, double& t, int& index)
{
    t = 0;
    index = 0;
    if (count <= 0)
        return false;
    return Nearest(p, points, count, OutlineHitDistance, t, index) <= OutlineHitDistance;
}

bool PointInRing(Cord p, const Cord* points, int count, int ringStart)
{
    const Cord pm = Bare(p);
    std::vector<Cord> scratch;
    int crossings = 0;
    for (int s = 0; s < count; s = RingEnd(points, count, s)) {
        if (ringStart >= 0 && s != ringStart)
            continue;
        const int e = RingEnd(points, count, s);
        const auto edge = [&](Cord a, Cord b) {
            if ((pm.y > a.y) != (pm.y > b.y) && CrossingX(a, b, pm.y) <= pm.x)
                ++crossings;
        };
        for (int i = s; i < e;) {
            if (CurveAt(points, e, i)) {
                scratch.clear();
                FlattenBezierTo(points + i, scratch, 4, 4);
                Cord a = Bare(points[i]);
                for (Cord q : scratch) {
                    edge(a, Bare(q));
                    a = Bare(q);
                }
                i += 3;
            } else {
                edge(Bare(points[i]), Bare(points[i + 1 < e ? i + 1 : s]));
                ++i;
            }
        }
    }
    return crossings % 2 == 1;
}

bool PointInArea(Cord p, const Cord* points, int count)
{
    return PointInRing(p, points, count, -1);
}

bool FindCrossings(const Cord* a, const Cord* b, int countA, bool open, int countB)
{
    PolyClip.CrossingTable.clear();
    if (countA < 2 || countB < 3)
        return true;
    FlatArea flat;
    flat.Build(b, countB);
    const std::vector<int> startsB = RingStarts(b, countB);
    if (open)
        return WalkRing({a, 0, countA, true, flat, b, countB, startsB});
    for (int s = 0; s < countA; s = RingEnd(a, countA, s))
        if (RingEnd(a, countA, s) - s >= 2 && !WalkRing({a, s, RingEnd(a, countA, s), false, flat, b, countB, startsB}))
            return false;
    return true;
}

bool ClipLineToArea(const Cord* line, const Cord* boundary, int lineCount, const OutlineFn& fn, int boundaryCount)
{
    if (lineCount < 2 || boundaryCount < 3)
        return true;
    if (!FindCrossings(line, boundary, lineCount, true, boundaryCount))
        return false;
    const std::vector<Crossing> table = PolyClip.CrossingTable;
    std::vector<Cord>& result = PolyClip.Result;
    for (size_t k = 0; k + 1 < table.size(); ++k) {
        const Crossing &c = table[k], &d = table[k + 1];
        if (c.State != 1)
            continue;
        result.clear();
        Builder out(result);
        if (!out.Add(NoHole(c.Point)) || !out.Piece(line, 0, lineCount, false, c.IndexA, c.TA, d.IndexA, d.TA, false))
            return false;
        const int count = RemoveDuplicatePoints(result.data(), int(result.size()));
        if (count > 1)
            fn(result.data(), count);
    }
    return true;
}

bool ClipAreaToArea(const Cord* area, const Cord* boundary, int areaCount, const OutlineFn& fn, int boundaryCount)
{
    if (areaCount < 3 || boundaryCount < 3)
        return true;
    return Combine(area, areaCount, boundary, boundaryCount, fn, false);
}

bool UniteAreas(const Cord* a, const Cord* b, int countA, const OutlineFn& fn, int countB)
{
    if (countA < 3 || countB < 3) {
        // A degenerate outline adds nothing to the other.
        const Cord* whole = countA >= 3 ? a : b;
        const int n = countA >= 3 ? countA : countB;
        if (n >= 3) {
            std::vector<Cord>& result = PolyClip.Result;
            result.assign(whole, whole + n);
            result[0].y &= ~HoleFlag;
            fn(result.data(), n);
        }
        return true;
    }
    return Combine(a, countA, b, countB, fn, true);
}

bool SeparateAreas(const Cord* p, int n, const OutlineFn& fn)
{
    std::vector<SeparateRing>& rings = PolyClip.Rings;
    rings.clear();
    struct Box {
        int32_t x1, y1, x2, y2;
    };
    std::vector<Box> boxes;
    for (int s = 0; s < n; s = RingEnd(p, n, s)) {
        const int e = RingEnd(p, n, s);
        if (e - s <= 2)
            continue;
        rings.push_back({s, e - s, -1, false});
        Box b{Masked(p[s].x), Masked(p[s].y), Masked(p[s].x), Masked(p[s].y)};
        for (int k = s + 1; k < e; ++k) {
            b.x1 = std::min(b.x1, Masked(p[k].x));
            b.y1 = std::min(b.y1, Masked(p[k].y));
            b.x2 = std::max(b.x2, Masked(p[k].x));
            b.y2 = std::max(b.y2, Masked(p[k].y));
        }
        boxes.push_back(b);
    }
    const int count = int(rings.size());
    std::vector<FlatArea> flats(static_cast<size_t>(count));
    std::vector<char> built(size_t(count), 0);
    // Parents: the first other ring in list order that holds most of the ring's points.
    for (int r = count - 1; r >= 0; --r) {
        const SeparateRing& ring = rings[size_t(r)];
        for (int o = 0; o < count; ++o) {
            if (o == r)
                continue;
            const Box &br = boxes[size_t(r)], &bo = boxes[size_t(o)];
            if (br.x2 < bo.x1 || br.x1 > bo.x2 || br.y2 < bo.y1 || br.y1 > bo.y2)
                continue;
            if (!built[size_t(o)]) {
                flats[size_t(o)].Build(p, n, rings[size_t(o)].First);
                built[size_t(o)] = 1;
            }
            int in = 0, out = 0;
            CountInside(p, ring.First, ring.First + ring.Count, flats[size_t(o)], in, out);
            if (in > out) {
                rings[size_t(r)].Parent = o;
                break;
            }
        }
    }
    std::vector<std::vector<int>> children(static_cast<size_t>(count));
    for (int r = 0; r < count; ++r)
        if (rings[size_t(r)].Parent >= 0)
            children[size_t(rings[size_t(r)].Parent)].push_back(r);
    // Each ring is marked before its children are looked at: coincident rings hold each other
    // and would otherwise lead round in a circle.
    std::vector<Cord>& result = PolyClip.Result;
    const auto emit = [&](int root) {
        result.clear();
        std::vector<int> stack{root};
        rings[size_t(root)].Emitted = true;
        while (!stack.empty()) {
            const SeparateRing ring = rings[size_t(stack.back())];
            const int r = stack.back();
            stack.pop_back();
            for (int k = 0; k < ring.Count; ++k) {
                Cord c = NoHole(p[ring.First + k]);
                if (k == 0 && !result.empty())
                    c.y |= HoleFlag;
                result.push_back(c);
            }
            const std::vector<int>& kids = children[size_t(r)];
            for (auto it = kids.rbegin(); it != kids.rend(); ++it)
                if (!rings[size_t(*it)].Emitted) {
                    rings[size_t(*it)].Emitted = true;
                    stack.push_back(*it);
                }
        }
        fn(result.data(), int(result.size()));
    };
    for (int r = 0; r < count; ++r)
        if (rings[size_t(r)].Parent < 0 && !rings[size_t(r)].Emitted)
            emit(r);
    for (int r = 0; r < count; ++r)
        if (!rings[size_t(r)].Emitted)
            emit(r);
    return true;
}

} // namespace zemo
