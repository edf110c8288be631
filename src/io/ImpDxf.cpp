#include "io/ImpDxf.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "io/Import.h"
#include "io/ImportReport.h"
#include "io/Ports.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>

namespace zemo {

namespace {

constexpr double Deg = std::numbers::pi / 180;

bool ParseInt(const QByteArray& t, int& v)
{
    const QByteArray s = t.trimmed();
    if (s.isEmpty())
        return false;
    const char* first = s.constData();
    if (*first == '+')
        ++first;
    const auto r = std::from_chars(first, s.constData() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.constData() + s.size();
}

bool ParseReal(const QByteArray& t, double& v)
{
    const QByteArray s = t.trimmed();
    if (s.isEmpty())
        return false;
    const char* first = s.constData();
    if (*first == '+')
        ++first;
    const auto r = std::from_chars(first, s.constData() + s.size(), v, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == s.constData() + s.size() && std::isfinite(v);
}

// Groups of code and value lines.
class DxfReader {
public:
    explicit DxfReader(const QByteArray& d) : d_(d) {}

    int Code = 0;
    QByteArray Value;
    bool Ended = false;  // the data ran out in the middle of a group or before EOF
    // The line (from 1) of a code line that is no integer: the reading stops there for good.
    int Damaged = 0;

    // The next group; false at the end of the data and from a damaged code line on.
    bool Next()
    {
        if (Damaged > 0)
            return false;
        const qsizetype at = pos_;
        QByteArray codeLine;
        if (!Line(codeLine)) {
            Ended = true;
            return false;
        }
        QByteArray value;
        const bool more = Line(value);
        if (!ParseInt(codeLine, Code)) {
            Damaged = LineAt(at);
            return false;
        }
        if (!more) {
            Ended = true;
            return false;
        }
        qsizetype a = 0;
        while (a < value.size() && value[a] == ' ')
            ++a;
        Value = value.mid(a);
        return true;
    }
    bool Is(int code, const char* value) const { return Code == code && Value == value; }

    struct Mark {
        qsizetype pos;
        int code;
        QByteArray value;
    };
    Mark Here() const { return {pos_, Code, Value}; }
    void Back(const Mark& m)
    {
        pos_ = m.pos;
        Code = m.code;
        Value = m.value;
    }
    qsizetype Pos() const { return pos_; }
    void Seek(qsizetype p) { pos_ = p; }
    const QByteArray& Data() const { return d_; }

private:
    // The number of the line that starts at `at`: its breaks (CR LF, CR or LF) counted.
    int LineAt(qsizetype at) const
    {
        int64_t n = 1;
        for (qsizetype i = 0; i < at; ++i)
            if (d_[i] == '\n' || (d_[i] == '\r' && (i + 1 >= d_.size() || d_[i + 1] != '\n')))
                ++n;
        return int(std::min<int64_t>(n, INT32_MAX));
    }

    bool Line(QByteArray& out)
    {
        if (pos_ >= d_.size())
            return false;
        qsizetype e = pos_;
        while (e < d_.size() && d_[e] != '\n' && d_[e] != '\r')
            ++e;
        out = d_.mid(pos_, e - pos_);
        if (e < d_.size() && d_[e] == '\r')
            ++e;
        if (e < d_.size() && d_[e] == '\n')
            ++e;
        pos_ = e;
        return true;
    }

    const QByteArray& d_;
    qsizetype pos_ = 0;
};

// A point in 0.01 mm with the flags it gets as a Cord.
struct HPoint {
    double x = 0;
    double y = 0;
};

// The object an entity builds.
struct Shape {
    std::vector<Cord> Points;
    bool Invalid = false;
    bool Full = false;       // a point was refused for room
    uint8_t Type = LineObject;
    QByteArray Layer;
    int16_t Angle = 0;
    QByteArray Text;
    bool HasText = false;

    // The one way points come in: never beyond what an object holds.
    bool Add(Cord c)
    {
        if (int(Points.size()) >= MaxElementItems) {
            Full = true;
            return false;
        }
        Points.push_back(c);
        return true;
    }
    bool Room(int n) const { return int(Points.size()) + n <= MaxElementItems; }
};

Cord ToCord(double hx, double hy, int32_t xFlags, int32_t yFlags, bool& ok)
{
    if (!(hx > -DxfCoordinateLimit && hx < DxfCoordinateLimit && hy > -DxfCoordinateLimit
          && hy < DxfCoordinateLimit)) {
        ok = false;
        return {};
    }
    const auto x = int32_t(std::nearbyint(hx)) * 256;
    const auto y = int32_t(std::nearbyint(hy)) * 256;
    return {x | xFlags, y | yFlags};
}

HPoint ToH(Cord c)
{
    return {double(Masked(c.x) / 256), double(Masked(c.y) / 256)};
}

// Arc segments of a sweep by the arc rule: one below 90 degrees, else round(sweep) div 90 + 1.
int ArcSegments(double sweepDeg)
{
    const double s = std::min(std::fabs(sweepDeg), 360.0);
    return s >= 90 ? int(std::nearbyint(s)) / 90 + 1 : 1;
}

// Bezier segments of an arc on a unit circle mapped through (centre, u axis, v axis): the
// start point when asked, then per segment two control points and the end point. Each
// control point lies on the tangent at 4/3 tan(a/4) of the radius for a segment of angle a,
// the distance that puts the cubic's middle on the circle (0.4 of the chord strays by up to
// 1.6 % of the radius); segments are kept to 90 degrees, where the cubic strays 0.03 %.
template <class Map>
void ArcPoints(double a0Deg, double sweepDeg, int n, bool withStart, const Map& map, Shape& s, bool& ok)
{
    if (!s.Room(3 * n + (withStart ? 1 : 0))) {
        s.Full = true;
        return;
    }
    const double dir = sweepDeg < 0 ? -1 : 1;
    const double step = sweepDeg / n;
    const double len = 4.0 / 3 * std::tan(std::fabs(step) * Deg / 4);
    const auto at = [](double a) { return HPoint{std::cos(a * Deg), std::sin(a * Deg)}; };
    const auto add = [&](HPoint unit, int32_t xf) {
        const HPoint p = map(unit);
        s.Add(ToCord(p.x, p.y, xf, 0, ok));
    };
    if (withStart)
        add(at(a0Deg), 0);
    for (int k = 1; k <= n; ++k) {
        const double a1 = a0Deg + step * (k - 1);
        const double a2 = a0Deg + step * k;
        const HPoint p1 = at(a1);
        const HPoint p2 = at(a2);
        const HPoint t1 = at(a1 + dir * 90);
        const HPoint t2 = at(a2 - dir * 90);
        add({p1.x + len * t1.x, p1.y + len * t1.y}, FirstBezierFlag);
        add({p2.x + len * t2.x, p2.y + len * t2.y}, SecondBezierFlag);
        add(p2, 0);
    }
}

// A drawing's linear map with an offset: where the points of a block land in the drawing.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;  // x' = a x + c y + e, y' = b x + d y + f

    HPoint operator()(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
    HPoint Dir(double x, double y) const { return {a * x + c * y, b * x + d * y}; }
    // A move at most: directions and lengths stay.
    bool MovesOnly() const { return a == 1 && b == 0 && c == 0 && d == 1; }
    // This map after `in`.
    Affine After(const Affine& in) const
    {
        return {a * in.a + c * in.b, b * in.a + d * in.b, a * in.c + c * in.d, b * in.c + d * in.d,
                a * in.e + c * in.f + e, b * in.e + d * in.f + f};
    }
};

// What a SPLINE entity holds; its control and fit points already on paper (0.01 mm, not
// rounded), since a B-spline mapped point by point is the mapped curve.
struct SplineData {
    int Degree = 3;
    std::vector<double> Knots;
    std::vector<double> Weights;
    std::vector<HPoint> Control;
    std::vector<HPoint> Fit;
    HPoint StartTangent, EndTangent;  // unit length on paper when given
    bool HasStartTangent = false, HasEndTangent = false;
    bool TooMany = false;
};

// Homogeneous point of a rational curve (x w, y w, w).
struct WPoint {
    double x = 0, y = 0, w = 1;
};
WPoint Mix(WPoint p, WPoint q, double t)
{
    return {p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, p.w + (q.w - p.w) * t};
}

// A span's polynomial at the parameters u[0..p-1] (its blossom), by de Boor's recurrence
// with one parameter per level; span i runs from knot i to knot i + 1, which differ.
WPoint Blossom(const std::vector<WPoint>& cv, const std::vector<double>& t, int p, int i, const std::vector<double>& u)
{
    std::vector<WPoint> d(cv.begin() + (i - p), cv.begin() + (i + 1));
    for (int r = 1; r <= p; ++r)
        for (int j = p; j >= r; --j) {
            const int k = i - p + j;
            const double alpha = (u[size_t(r - 1)] - t[size_t(k)]) / (t[size_t(k + p + 1 - r)] - t[size_t(k)]);
            d[size_t(j)] = Mix(d[size_t(j - 1)], d[size_t(j)], alpha);
        }
    return d[size_t(p)];
}

struct CurvePoint {
    HPoint p;
    int32_t flag = 0;
};

// A rational Bezier piece of any degree at s in 0..1: point and derivative.
void BezierAt(const std::vector<WPoint>& b, double s, HPoint& pt, HPoint& der)
{
    std::vector<WPoint> q = b;
    const size_t n = q.size() - 1;
    for (size_t lvl = n; lvl > 1; --lvl)
        for (size_t j = 0; j < lvl; ++j)
            q[j] = Mix(q[j], q[j + 1], s);
    const WPoint a = Mix(q[0], q[1], s);
    const WPoint da{double(n) * (q[1].x - q[0].x), double(n) * (q[1].y - q[0].y), double(n) * (q[1].w - q[0].w)};
    pt = {a.x / a.w, a.y / a.w};
    der = {(da.x - da.w * pt.x) / a.w, (da.y - da.w * pt.y) / a.w};
}

// Above what CAD programs write; each span of degree p costs about p cubed steps.
constexpr int MaxSplineDegree = 11;

// Cubic pieces no further than this from a curve they stand for (0.01 mm on paper): well
// under what a map shows, as a rational or higher-degree piece has no exact cubic form.
constexpr double SplineTolerance = 0.25;

// Cubic Hermite pieces of the rational piece b over [s0, s1], halved until each lies within
// the tolerance at its inner sample points (or at the depth bound).
void ApproximatePiece(const std::vector<WPoint>& b, double s0, double s1, int depth, std::vector<CurvePoint>& out)
{
    HPoint p0, d0, p3, d3;
    BezierAt(b, s0, p0, d0);
    BezierAt(b, s1, p3, d3);
    const double h = (s1 - s0) / 3;
    const HPoint c1{p0.x + d0.x * h, p0.y + d0.y * h};
    const HPoint c2{p3.x - d3.x * h, p3.y - d3.y * h};
    bool near = true;
    for (int k = 1; k < 8 && near && depth < 12; ++k) {
        const double t = k / 8.0, m = 1 - t;
        const double w0 = m * m * m, w1 = 3 * m * m * t, w2 = 3 * m * t * t, w3 = t * t * t;
        HPoint q, dq;
        BezierAt(b, s0 + (s1 - s0) * t, q, dq);
        near = std::hypot(w0 * p0.x + w1 * c1.x + w2 * c2.x + w3 * p3.x - q.x,
                          w0 * p0.y + w1 * c1.y + w2 * c2.y + w3 * p3.y - q.y)
               <= SplineTolerance;
    }
    if (!near) {
        ApproximatePiece(b, s0, (s0 + s1) / 2, depth + 1, out);
        ApproximatePiece(b, (s0 + s1) / 2, s1, depth + 1, out);
        return;
    }
    out.push_back({c1, FirstBezierFlag});
    out.push_back({c2, SecondBezierFlag});
    out.push_back({p3, 0});
}

// The curve of control points, knots and weights as Bezier segments: each knot span's piece
// is found by its blossom (the same as inserting its end knots until they are full), so the
// curve keeps its knots exactly. A cubic or lower non-rational piece is a cubic segment as it
// stands (a quadratic raised, a line straight); others are approximated within the
// tolerance. False when the knots or weights do not fit the control points.
bool KnotsToBezier(const SplineData& sp, std::vector<CurvePoint>& out)
{
    const int p = sp.Degree;
    const int n = int(sp.Control.size());
    if (p < 1 || p > MaxSplineDegree || n < p + 1 || sp.Knots.size() != size_t(n + p + 1))
        return false;
    const std::vector<double>& t = sp.Knots;
    for (size_t k = 1; k < t.size(); ++k)
        if (t[k] < t[k - 1])
            return false;
    if (!(t[size_t(p)] < t[size_t(n)]))
        return false;
    if (!sp.Weights.empty() && sp.Weights.size() != size_t(n))
        return false;
    bool rational = false;
    std::vector<WPoint> cv(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double w = sp.Weights.empty() ? 1 : sp.Weights[size_t(k)];
        if (!(w > 0))
            return false;
        rational = rational || w != (sp.Weights.empty() ? 1 : sp.Weights[0]);
        cv[size_t(k)] = {sp.Control[size_t(k)].x * w, sp.Control[size_t(k)].y * w, w};
    }
    out.clear();
    std::vector<double> u(static_cast<size_t>(p));
    std::vector<WPoint> b(static_cast<size_t>(p + 1));
    for (int i = p; i < n; ++i) {
        const double a = t[size_t(i)], e = t[size_t(i + 1)];
        if (!(a < e))
            continue;
        for (int j = 0; j <= p; ++j) {
            for (int r = 0; r < p; ++r)
                u[size_t(r)] = r < p - j ? a : e;
            b[size_t(j)] = Blossom(cv, t, p, i, u);
        }
        const auto pt = [&](int j) { return HPoint{b[size_t(j)].x / b[size_t(j)].w, b[size_t(j)].y / b[size_t(j)].w}; };
        if (out.empty())
            out.push_back({pt(0), 0});
        if (p == 1) {
            out.push_back({pt(1), 0});
        } else if (!rational && p == 2) {
            const HPoint q0 = pt(0), q1 = pt(1), q2 = pt(2);
            out.push_back({{q0.x + (q1.x - q0.x) * 2 / 3, q0.y + (q1.y - q0.y) * 2 / 3}, FirstBezierFlag});
            out.push_back({{q2.x + (q1.x - q2.x) * 2 / 3, q2.y + (q1.y - q2.y) * 2 / 3}, SecondBezierFlag});
            out.push_back({q2, 0});
        } else if (!rational && p == 3) {
            out.push_back({pt(1), FirstBezierFlag});
            out.push_back({pt(2), SecondBezierFlag});
            out.push_back({pt(3), 0});
        } else {
            ApproximatePiece(b, 0, 1, 0, out);
        }
        if (out.size() > size_t(MaxElementItems))
            return true;
    }
    return true;
}

// Control points (in the shape) as a B-spline of evenly spaced knots, as CAD programs fit a
// polyline's frame: clamped to its first and last points when open, running round when
// closed, of the degree given (no higher than the points allow). False when there are too
// many points.
bool SplineToBezier(Shape& s, bool closed, int degree = 3)
{
    const int n = int(s.Points.size());
    if (n < 3)
        return true;
    if (n > (closed ? MaxClosedSplinePoints : MaxOpenSplinePoints))
        return false;
    SplineData sp;
    for (Cord c : s.Points)
        sp.Control.push_back(ToH(c));
    const int p = std::clamp(degree, 1, n - 1);
    sp.Degree = p;
    if (closed) {
        for (int k = 0; k < p; ++k)
            sp.Control.push_back(sp.Control[size_t(k)]);
        for (int k = 0; k <= n + 2 * p; ++k)
            sp.Knots.push_back(k);
    } else {
        for (int k = 0; k <= n + p; ++k)
            sp.Knots.push_back(std::clamp(k - p, 0, n - p));
    }
    std::vector<CurvePoint> curve;
    KnotsToBezier(sp, curve);
    bool ok = true;
    s.Points.clear();
    for (const CurvePoint& c : curve)
        s.Points.push_back(ToCord(c.p.x, c.p.y, c.flag, 0, ok));
    if (!ok)
        s.Invalid = true;
    return true;
}

// A curve known only by points on it: a cubic through them, C2 over chord lengths, its end
// directions as given or else free (second derivative 0), which is how CAD programs make it
// but not necessarily their exact choice of end slopes.
void FitToBezier(const SplineData& sp, std::vector<CurvePoint>& out)
{
    std::vector<HPoint> q;
    for (HPoint f : sp.Fit)
        if (q.empty() || f.x != q.back().x || f.y != q.back().y)
            q.push_back(f);
    out.clear();
    const size_t n = q.size();
    if (n < 2) {
        for (HPoint f : q)
            out.push_back({f, 0});
        return;
    }
    std::vector<double> h(n - 1);
    for (size_t i = 0; i + 1 < n; ++i)
        h[i] = std::hypot(q[i + 1].x - q[i].x, q[i + 1].y - q[i].y);
    // Slopes m from the tridiagonal system (Thomas' algorithm), per coordinate.
    std::vector<double> lo(n), di(n), up(n);
    std::vector<HPoint> rhs(n), m(n);
    for (size_t i = 0; i < n; ++i) {
        if (i == 0) {
            if (sp.HasStartTangent) {
                di[i] = 1, up[i] = 0, rhs[i] = sp.StartTangent;
            } else {
                di[i] = 2, up[i] = 1;
                rhs[i] = {3 * (q[1].x - q[0].x) / h[0], 3 * (q[1].y - q[0].y) / h[0]};
            }
        } else if (i == n - 1) {
            if (sp.HasEndTangent) {
                lo[i] = 0, di[i] = 1, rhs[i] = sp.EndTangent;
            } else {
                lo[i] = 1, di[i] = 2;
                rhs[i] = {3 * (q[i].x - q[i - 1].x) / h[i - 1], 3 * (q[i].y - q[i - 1].y) / h[i - 1]};
            }
        } else {
            lo[i] = h[i], di[i] = 2 * (h[i - 1] + h[i]), up[i] = h[i - 1];
            rhs[i] = {3 * (h[i] * (q[i].x - q[i - 1].x) / h[i - 1] + h[i - 1] * (q[i + 1].x - q[i].x) / h[i]),
                      3 * (h[i] * (q[i].y - q[i - 1].y) / h[i - 1] + h[i - 1] * (q[i + 1].y - q[i].y) / h[i])};
        }
    }
    for (size_t i = 1; i < n; ++i) {
        const double w = lo[i] / di[i - 1];
        di[i] -= w * up[i - 1];
        rhs[i] = {rhs[i].x - w * rhs[i - 1].x, rhs[i].y - w * rhs[i - 1].y};
    }
    m[n - 1] = {rhs[n - 1].x / di[n - 1], rhs[n - 1].y / di[n - 1]};
    for (size_t i = n - 1; i-- > 0;)
        m[i] = {(rhs[i].x - up[i] * m[i + 1].x) / di[i], (rhs[i].y - up[i] * m[i + 1].y) / di[i]};
    out.push_back({q[0], 0});
    for (size_t i = 0; i + 1 < n; ++i) {
        out.push_back({{q[i].x + m[i].x * h[i] / 3, q[i].y + m[i].y * h[i] / 3}, FirstBezierFlag});
        out.push_back({{q[i + 1].x - m[i + 1].x * h[i] / 3, q[i + 1].y - m[i + 1].y * h[i] / 3}, SecondBezierFlag});
        out.push_back({q[i + 1], 0});
        if (out.size() > size_t(MaxElementItems))
            return;
    }
}

struct Importer {
    const DxfImportSettings& Set;
    const std::vector<LayerEntry>& Table;
    DxfReader R;
    QHash<QByteArray, qsizetype> Blocks;
    QSet<QByteArray> Reading;
    // Block coordinates to drawing coordinates: the inserts being read, composed.
    Affine Xf;
    // Copies the inserts being read place together, and block copies still to place.
    int64_t ChainCopies = 1;
    int64_t CopiesLeft = MaxBlockCopies;
    // The block copies that one copy of a block places through the references inside it, at
    // every depth below its own, as counted for the report; each counted once, so that blocks
    // referring to each other many times over cannot make the count run away.
    QHash<QPair<QByteArray, int>, int64_t> Inside;
    QSet<QByteArray> Counting;
    double CosA;
    double SinA;
    int Count = 0;
    int64_t Total;
    ImportReport Rep;
    // A number of the entity being read could not be read (else a value out of range).
    mutable bool NumberFault = false;

    Importer(const QByteArray& d, const DxfImportSettings& s, const std::vector<LayerEntry>& t)
        : Set(s), Table(t), R(d), CosA(std::cos(s.Angle * Deg)), SinA(std::sin(s.Angle * Deg)), Total(d.size())
    {
    }

    // A point of the entity (in the coordinates of the block being read) on paper, in 0.01 mm
    // from the offset; `ok` false when it lies too far out.
    HPoint H(double x, double y, bool& ok) const
    {
        const HPoint w = Xf(x, y);
        const HPoint h{(w.x - Set.OffsetX) * Set.Factor, (w.y - Set.OffsetY) * Set.Factor};
        if (!(h.x > -DxfCoordinateLimit && h.x < DxfCoordinateLimit && h.y > -DxfCoordinateLimit
              && h.y < DxfCoordinateLimit))
            ok = false;
        return h;
    }
    HPoint H(HPoint p, bool& ok) const { return H(p.x, p.y, ok); }
    // A drawing point to a Cord (the entity invalid when it is out of range).
    Cord Point(double x, double y, bool& ok) const
    {
        bool in = true;
        const HPoint h = H(x, y, in);
        if (!in) {
            ok = false;
            return {};
        }
        return ToCord(h.x, h.y, 0, 0, ok);
    }
    // The direction of angle v (degrees) in the block, as an angle in the drawing.
    double DrawingAngle(double v) const
    {
        if (Xf.MovesOnly())
            return v;
        const HPoint d = Xf.Dir(std::cos(v * Deg), std::sin(v * Deg));
        return std::atan2(d.y, d.x) / Deg;
    }
    int16_t ObjectAngle(double v) const
    {
        int a = int(std::nearbyint((v + Set.Angle) * 10));
        while (a > 3600)
            a -= 3600;
        while (a < -3600)
            a += 3600;
        return int16_t(a);
    }
    double Real(bool& ok) const
    {
        double v = 0;
        if (!ParseReal(R.Value, v)) {
            ok = false;
            NumberFault = true;
        }
        return v;
    }
    // An entity that brings no object: its numbers unreadable, or it lies too far out.
    void LeftOut()
    {
        Rep.Skip(NumberFault || R.Damaged > 0 ? TextKey::DamagedRecords : TextKey::ObjectsReachingOutside);
    }
    void SetLayer(Shape& s) const { s.Layer = R.Value.left(CrtLayerNameChars); }

    // The entity's groups up to the next group 0, each given to f.
    template <class F>
    void Groups(F&& f)
    {
        while (R.Next()) {
            if (R.Code == 0)
                return;
            f();
        }
        R.Code = 0;
        R.Value = "EOF";
    }

    void Append(Shape& s)
    {
        // An entity cut off by a damaged line may lack groups: no object.
        if (R.Damaged > 0) {
            LeftOut();
            return;
        }
        if (s.Invalid) {
            LeftOut();
            return;
        }
        const int need = s.Type == PointObject || s.Type == TextObject ? 1 : 2;
        if (int(s.Points.size()) < need) {
            Rep.Skip(TextKey::DamagedRecords);
            return;
        }
        if (Set.Angle != 0)
            RotatePoints(0, 0, s.Points.data(), int(s.Points.size()), CosA, SinA, s.Points.data());
        for (Cord c : s.Points)
            if (std::abs(int64_t(Masked(c.x))) > MapAreaLimit || std::abs(int64_t(Masked(c.y))) > MapAreaLimit) {
                Rep.Skip(TextKey::ObjectsReachingOutside);
                return;
            }
        int16_t symbol = -1;
        uint8_t type = s.Type;
        LayerEntry match;
        const bool matched = MatchLayer(Table, s.Layer, s.Type, match);
        if (matched) {
            symbol = int16_t(match.Symbol10);
            type = uint8_t(match.ObjectType);
        }
        QByteArray text = s.Text;
        if (Set.Oem)
            text = EncodeCodePage(1252, DecodeCodePage(437, text));
        text = text.left(MaxElementTextSlots * 8 - 1);
        const int textSlots = s.HasText ? int(text.size() + 8) / 8 : 0;
        ElementRecord& e = CurElement;
        if (!InitElement(e, symbol, type, uint16_t(s.Points.size()), uint16_t(textSlots), s.Angle)) {
            Rep.Skip(TextKey::ObjectsWithTooManyPoints);
            return;
        }
        std::copy(s.Points.begin(), s.Points.end(), e.Cords());
        if (textSlots > 0) {
            uint8_t* t = e.TextBytes();
            std::fill(t, t + size_t(textSlots) * 8, uint8_t(0));
            std::copy(text.begin(), text.end(), t);
        }
        if (!matched) {
            const QByteArray l = s.Layer.left(15);
            e.LayerName[0] = uint8_t(l.size());
            std::copy(l.begin(), l.end(), e.LayerName.begin() + 1);
        }
        if (!AppendElement())
            throw EAbort();
        // Selected for the import's undo step.
        ToggleSelection(Index.ActiveZmd->HighestObject);
        Rep.Read(type);
        // The points beyond what an object holds are left out.
        if (s.Full)
            Rep.Skip(TextKey::ObjectsWithTooManyPoints);
        if (++Count % 10 == 0) {
            UpdateProgress(Count, int(std::min<int64_t>(R.Pos(), INT32_MAX)));
            DispatchKeyMessages();
        }
    }

    void CheckAbort()
    {
        DispatchKeyMessages();
        if (AbortRequested) {
            ErrorMsg(TextKey::ImportAborted);
            throw EAbort();
        }
    }

    // ---- Entities ----
    void Line()
    {
        Shape s;
        double x[2]{}, y[2]{};
        bool ok = true;
        Groups([&] {
            switch (R.Code) {
            case 8: SetLayer(s); break;
            case 10: x[0] = Real(ok); break;
            case 20: y[0] = Real(ok); break;
            case 11: x[1] = Real(ok); break;
            case 21: y[1] = Real(ok); break;
            default: break;
            }
        });
        s.Type = LineObject;
        s.Add(Point(x[0], y[0], ok));
        s.Add(Point(x[1], y[1], ok));
        s.Invalid = !ok;
        Append(s);
    }

    void Trace()
    {
        Shape s;
        double x[4]{}, y[4]{};
        bool ok = true;
        Groups([&] {
            if (R.Code == 8)
                SetLayer(s);
            else if (R.Code >= 10 && R.Code <= 13)
                x[R.Code - 10] = Real(ok);
            else if (R.Code >= 20 && R.Code <= 23)
                y[R.Code - 20] = Real(ok);
        });
        s.Type = AreaObject;
        // The third and fourth corners swap into outline order.
        for (int i : {0, 1, 3, 2})
            s.Add(Point(x[i], y[i], ok));
        s.Invalid = !ok;
        Append(s);
    }

    void PointLike(bool text)
    {
        Shape s;
        double x = 0, y = 0, angle = 0;
        bool hasAngle = false;
        bool ok = true;
        Groups([&] {
            switch (R.Code) {
            case 8: SetLayer(s); break;
            case 10: x = Real(ok); break;
            case 20: y = Real(ok); break;
            case 1:
                s.Text = R.Value;
                break;
            case 50: {
                double a = 0;
                if (ParseReal(R.Value, a) && a >= -360 && a <= 360) {
                    angle = a;
                    hasAngle = true;
                }
                break;
            }
            default: break;
            }
        });
        // Inside a turned block the object turns with it.
        if (hasAngle || !Xf.MovesOnly())
            s.Angle = ObjectAngle(DrawingAngle(angle));
        s.Add(Point(x, y, ok));
        if (text) {
            s.Type = TextObject;
            s.HasText = true;
            for (int i = 0; i < 4; ++i)
                s.Add({});
        } else {
            s.Type = PointObject;
        }
        s.Invalid = !ok;
        Append(s);
    }

    // An array's columns or rows: 1 when the value gives none.
    static int ArrayCount(const QByteArray& value)
    {
        int v = 1;
        return ParseInt(value, v) && v >= 1 ? v : 1;
    }

    // Counts for the report stop at the largest count it can show.
    static int64_t Capped(int64_t v) { return std::min<int64_t>(v, INT32_MAX); }

    // The copies one copy of the block places when its entities are read at `depth`: each
    // reference inside with its columns and rows, and the copies each of those places in
    // turn, as far as references are followed (not past the depth bound, not into a block
    // being read or counted).
    int64_t CopiesInside(const QByteArray& name, int depth)
    {
        if (depth >= MaxInsertDepth)
            return 0;
        const QPair<QByteArray, int> key{name, depth};
        if (const auto it = Inside.constFind(key); it != Inside.cend())
            return it.value();
        const auto at = Blocks.constFind(name);
        if (at == Blocks.cend())
            return 0;
        Counting.insert(name);
        DxfReader r(R.Data());
        r.Seek(at.value());
        int64_t total = 0;
        bool inInsert = false;
        QByteArray ref;
        int64_t cols = 1, rows = 1;
        const auto done = [&] {
            if (!inInsert || !Blocks.contains(ref) || Reading.contains(ref) || Counting.contains(ref))
                return;
            const int64_t each = Capped(1 + CopiesInside(ref, depth + 1));
            total = Capped(total + Capped(cols * rows) * each);
        };
        while (r.Next() && !r.Is(0, "ENDBLK") && !r.Is(0, "EOF")) {
            if (r.Code == 0) {
                done();
                inInsert = r.Value == "INSERT";
                ref.clear();
                cols = rows = 1;
            } else if (inInsert && r.Code == 2) {
                ref = r.Value;
            } else if (inInsert && (r.Code == 70 || r.Code == 71)) {
                (r.Code == 70 ? cols : rows) = ArrayCount(r.Value);
            }
        }
        done();
        Counting.remove(name);
        Inside.insert(key, total);
        return total;
    }

    // A block reference: the block's entities placed through the reference's insertion point,
    // scales, turn and array of columns and rows. Block coordinates are measured from the
    // block's base point (its first 10/20), scaled, turned about it, and each copy of an array
    // is moved along the turned but unscaled columns and rows, as CAD programs place them.
    void Insert(int depth)
    {
        if (Set.InsertAsPoint) {
            PointLike(false);
            return;
        }
        QByteArray name;
        double x = 0, y = 0, sx = 1, sy = 1, rot = 0, dc = 0, dr = 0;
        int cols = 1, rows = 1;
        bool ok = true;
        Groups([&] {
            switch (R.Code) {
            case 2: name = R.Value; break;
            case 10: x = Real(ok); break;
            case 20: y = Real(ok); break;
            case 41: sx = Real(ok); break;
            case 42: sy = Real(ok); break;
            case 50: rot = Real(ok); break;
            case 44: dc = Real(ok); break;
            case 45: dr = Real(ok); break;
            case 70: case 71: (R.Code == 70 ? cols : rows) = ArrayCount(R.Value); break;
            default: break;
            }
        });
        const auto it = Blocks.constFind(name);
        // A block that refers to itself, or a chain deeper than any drawing needs, is not
        // followed: each level would read the same entities again without end.
        if (!ok || it == Blocks.cend() || Reading.contains(name) || depth >= MaxInsertDepth) {
            if (!ok)
                LeftOut();
            else
                Rep.Skip(it == Blocks.cend() ? TextKey::UndefinedBlocks : TextKey::DamagedRecords);
            return;
        }
        const DxfReader::Mark back = R.Here();
        const Affine outer = Xf;
        R.Seek(it.value());
        double bx = 0, by = 0;
        bool haveX = false, haveY = false;
        Groups([&] {
            if (R.Code == 10 && !haveX)
                haveX = ParseReal(R.Value, bx);
            else if (R.Code == 20 && !haveY)
                haveY = ParseReal(R.Value, by);
        });
        const DxfReader::Mark body = R.Here();
        const double ca = std::cos(rot * Deg), sa = std::sin(rot * Deg);
        // Arrays inside arrays multiply: the copies of a chain of references are bounded
        // together, and so are all block copies of the import.
        const int64_t copies = int64_t(cols) * rows;
        const int64_t made = std::min({copies, MaxInsertCopies / ChainCopies, CopiesLeft});
        const int64_t chain = ChainCopies;
        ChainCopies *= std::max<int64_t>(made, 1);
        CopiesLeft -= made;
        Reading.insert(name);
        try {
            for (int64_t k = 0; k < made; ++k) {
                const double ox = double(k % cols) * dc, oy = double(k / cols) * dr;
                // Turned and scaled about the base point, then moved to the insertion point
                // and the copy's place in the array.
                Affine m{ca * sx, sa * sx, -sa * sy, ca * sy, 0, 0};
                const HPoint base = m(bx, by);
                m.e = x + ca * ox - sa * oy - base.x;
                m.f = y + sa * ox + ca * oy - base.y;
                Xf = outer.After(m);
                R.Back(body);
                Entities(depth + 1, "ENDBLK");
            }
        } catch (...) {
            Reading.remove(name);
            Xf = outer;
            ChainCopies = chain;
            throw;
        }
        // Each copy left out leaves out the copies it would have placed too.
        if (copies > made) {
            const int64_t each = Capped(1 + CopiesInside(name, depth + 1));
            Rep.Skip(TextKey::BlockCopiesBeyondLimit, int(Capped(Capped(copies - made) * each)));
        }
        Reading.remove(name);
        Xf = outer;
        ChainCopies = chain;
        R.Back(back);
    }

    void LwPolyline()
    {
        Shape s;
        s.Type = LineObject;
        bool ok = true;
        bool closed = false;
        double x = 0;
        double bulge = 0;
        double lastBulge = 0;
        HPoint first, prev;
        Groups([&] {
            switch (R.Code) {
            case 8: SetLayer(s); break;
            case 70: {
                int f = 0;
                closed = ParseInt(R.Value, f) && (f & 1);
                break;
            }
            case 10: x = Real(ok); break;
            case 20: {
                const double y = Real(ok);
                Vertex(s, {x, y}, lastBulge, first, prev, ok);
                lastBulge = bulge = 0;
                break;
            }
            case 42:
                if (!ParseReal(R.Value, bulge))
                    bulge = 0;
                lastBulge = bulge;
                break;
            default: break;
            }
        });
        if (closed)
            Close(s, 0, first, prev, lastBulge, ok);
        s.Invalid = !ok;
        Append(s);
    }

    // The straight segment from a to b (block coordinates; b is the shape's last point)
    // becomes an arc of the bulge: sweep 4 x atan(b), 2 segments up to a half circle, 4
    // beyond. The arc is made in the block and mapped, so that a scaled or mirrored insert
    // bends it with the block. Without room the segment stays straight.
    void BulgeTo(Shape& s, HPoint a, HPoint b, double bulge, bool& ok) const
    {
        if (bulge == 0 || s.Points.size() < 2)
            return;
        const int n = std::fabs(bulge) <= 1 ? 2 : 4;
        if (!s.Room(3 * n - 1))
            return;
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double d = std::hypot(dx, dy);
        if (d == 0)
            return;
        const double theta = 4 * std::atan(bulge);
        const double h = (d / 2) / std::tan(theta / 2);
        const HPoint c{(a.x + b.x) / 2 - dy / d * h, (a.y + b.y) / 2 + dx / d * h};
        const double r = std::hypot(a.x - c.x, a.y - c.y);
        const double a0 = std::atan2(a.y - c.y, a.x - c.x) / Deg;
        const Cord endCord = s.Points.back();
        s.Points.pop_back();
        ArcPoints(a0, theta / Deg, n, false, [&](HPoint u) { return H(c.x + r * u.x, c.y + r * u.y, ok); }, s, ok);
        // The end lands on the vertex itself, not on its rounded arc image.
        s.Points.back() = endCord;
    }

    // A vertex of an outline, bent from the one before by that one's bulge. `first` and
    // `prev` follow the outline's first and last vertices (block coordinates).
    bool Vertex(Shape& s, HPoint v, double bulge, HPoint& first, HPoint& prev, bool& ok, size_t start = 0,
                bool skipRepeat = false)
    {
        Cord c = Point(v.x, v.y, ok);
        if (skipRepeat && s.Points.size() > start && Masked(s.Points.back().x) == c.x
            && Masked(s.Points.back().y) == c.y)
            return false;
        const bool firstOne = s.Points.size() == start;
        // Every path of an area after the first is a hole.
        if (firstOne && start > 0)
            c.y |= HoleFlag;
        if (!s.Add(c))
            return false;
        if (firstOne)
            first = v;
        else
            BulgeTo(s, prev, v, bulge, ok);
        prev = v;
        return true;
    }

    // A closed outline (from `start`) gets its first point again at its end, over the last
    // vertex's bulge.
    void Close(Shape& s, size_t start, HPoint first, HPoint last, double bulge, bool& ok) const
    {
        if (s.Points.size() < start + 2)
            return;
        const Cord f = s.Points[start];
        const Cord l = s.Points.back();
        if (Masked(f.x) == Masked(l.x) && Masked(f.y) == Masked(l.y))
            return;
        if (s.Add({Masked(f.x), Masked(f.y)}))
            BulgeTo(s, last, first, bulge, ok);
    }

    void Polyline()
    {
        Shape s;
        s.Type = LineObject;
        bool ok = true;
        int flags = 0;
        int smooth = 0;
        Groups([&] {
            if (R.Code == 8)
                SetLayer(s);
            else if (R.Code == 70 && !ParseInt(R.Value, flags))
                flags = 0;
            else if (R.Code == 75 && !ParseInt(R.Value, smooth))
                smooth = 0;
        });
        const bool closed = flags & 1;
        const bool splineFit = flags & 4;
        const bool mesh = flags & 16;
        const bool polyface = flags & 64;
        std::vector<Cord> faceVertices;
        Shape face;
        face.Type = LineObject;
        face.Layer = s.Layer;
        double lastBulge = 0;
        HPoint first, prev;
        while (R.Code == 0 && R.Value == "VERTEX") {
            double x = 0, y = 0, bulge = 0;
            int vflags = 0;
            int refs[4]{};
            bool hasRef[4]{};
            bool vok = true;
            Groups([&] {
                switch (R.Code) {
                case 10: x = Real(vok); break;
                case 20: y = Real(vok); break;
                case 42:
                    if (!ParseReal(R.Value, bulge))
                        bulge = 0;
                    break;
                case 70:
                    if (!ParseInt(R.Value, vflags))
                        vflags = 0;
                    break;
                case 71: case 72: case 73: case 74: {
                    int v = 0;
                    if (ParseInt(R.Value, v)) {
                        refs[R.Code - 71] = v < 0 ? -v : v;
                        hasRef[R.Code - 71] = true;
                    }
                    break;
                }
                default: break;
                }
            });
            if (polyface) {
                if (vflags & 64) {
                    if (int(faceVertices.size()) < MaxElementItems)
                        faceVertices.push_back(vok ? Point(x, y, vok) : Cord{});
                    continue;
                }
                Face(face, faceVertices, refs, hasRef);
                continue;
            }
            if (splineFit ? !(vflags & 16) : (vflags & 8))
                continue;
            if (!vok)
                ok = false;
            Vertex(s, {x, y}, splineFit ? 0 : lastBulge, first, prev, ok);
            lastBulge = bulge;
        }
        if (R.Code == 0 && R.Value == "SEQEND")
            Groups([] {});
        if (polyface) {
            Append(face);
            return;
        }
        // A mesh is a surface, not an outline.
        if (mesh) {
            Rep.Skip(TextKey::UnreadDrawingRecords);
            return;
        }
        if (!ok)
            return;
        if (splineFit) {
            // Smooth type 5 is a quadratic frame, else cubic.
            if (!SplineToBezier(s, closed, smooth == 5 ? 2 : 3)) {
                Rep.Skip(TextKey::ObjectsWithTooManyPoints);
                return;
            }
        } else if (closed) {
            Close(s, 0, first, prev, lastBulge, ok);
        }
        s.Invalid = !ok;
        Append(s);
    }

    // One face record: its outline returns to the first vertex after the fourth. A vertex
    // number of 0, or one beyond the vertices collected, ends the object being built.
    void Face(Shape& face, const std::vector<Cord>& vertices, const int* refs, const bool* hasRef)
    {
        int first = -1;
        for (int k = 0; k < 4; ++k) {
            if (!hasRef[k])
                continue;
            const int v = refs[k];
            if (v == 0 || v > int(vertices.size())) {
                Append(face);
                face.Points.clear();
                first = -1;
                continue;
            }
            if (first < 0)
                first = v - 1;
            face.Add(vertices[size_t(v - 1)]);
        }
        if (first >= 0)
            face.Add(vertices[size_t(first)]);
    }

    void Hatch()
    {
        Shape s;
        s.Type = AreaObject;
        bool ok = true;
        bool boundary = false;   // after 91
        bool inPath = false;
        bool polylinePath = false;
        int paths = 0;
        size_t pathStart = 0;
        int edge = 0;            // 1 line, 2 arc, 3 ellipse, 4 spline
        double cx = 0, cy = 0, ex = 0, ey = 0, r = 0, a0 = 0, a1 = 0;
        bool ccw = true;
        double x = 0;
        bool haveX = false;
        double lastBulge = 0;
        HPoint first, prev;
        SplineData edgeSpline;
        std::optional<TextKey> simplified;
        const auto addPoint = [&](Cord c) {
            if (!s.Points.empty() && s.Points.size() > pathStart && Masked(s.Points.back().x) == c.x
                && Masked(s.Points.back().y) == c.y)
                return false;
            if (s.Points.size() == pathStart && pathStart > 0)
                c.y |= HoleFlag;
            return s.Add(c);
        };
        const auto flushEdge = [&] {
            if (edge == 2 || edge == 3) {
                double start = a0;
                double end = a1;
                if (!ccw) {
                    start = -a0;
                    end = -a1;
                }
                double sweep = end - start;
                if (ccw && sweep < 0)
                    sweep += 360;
                if (!ccw && sweep > 0)
                    sweep -= 360;
                sweep = std::fmod(sweep, 360.0);
                if (sweep == 0)
                    sweep = ccw ? 360 : -360;
                const int n = ArcSegments(sweep);
                // The first point goes through the shared adder (hole flag, no repeats).
                Shape arc;
                HPoint u{r, 0};
                HPoint v{0, r};
                if (edge == 3) {
                    u = {ex, ey};
                    v = {-ey * r, ex * r};
                }
                ArcPoints(start, sweep, n, true,
                          [&](HPoint p) { return H(cx + u.x * p.x + v.x * p.y, cy + u.y * p.x + v.y * p.y, ok); },
                          arc, ok);
                if (!arc.Points.empty() && s.Room(int(arc.Points.size()))) {
                    addPoint(arc.Points.front());
                    for (size_t k = 1; k < arc.Points.size(); ++k)
                        s.Add(arc.Points[k]);
                }
            } else if (edge == 4) {
                std::vector<CurvePoint> curve;
                if (!SplineCurve(edgeSpline, false, curve, simplified) || !s.Room(int(curve.size()))) {
                    s.Full = true;
                } else if (!curve.empty()) {
                    addPoint(ToCord(curve[0].p.x, curve[0].p.y, 0, 0, ok));
                    for (size_t k = 1; k < curve.size(); ++k)
                        s.Add(ToCord(curve[k].p.x, curve[k].p.y, curve[k].flag, 0, ok));
                }
            }
            edge = 0;
        };
        Groups([&] {
            if (!boundary) {
                if (R.Code == 8)
                    SetLayer(s);
                else if (R.Code == 91)
                    boundary = true;
                return;
            }
            if (R.Code == 98) {
                flushEdge();
                boundary = false;
                inPath = false;
                return;
            }
            // A spline edge's degree, knots, control and fit points, weights and end directions.
            if (inPath && edge == 4 && SplineGroup(edgeSpline, x, ok, 94, 42))
                return;
            // Newer files count a spline edge's fit points with a 97 of its own, which points,
            // directions or the next edge follow; the path's own 97 comes after its edges.
            if (inPath && edge == 4 && R.Code == 97) {
                const DxfReader::Mark here = R.Here();
                const bool fitCount = R.Next() && (R.Code == 11 || R.Code == 12 || R.Code == 13 || R.Code == 72);
                R.Back(here);
                if (fitCount)
                    return;
            }
            switch (R.Code) {
            case 92: {
                flushEdge();
                int f = 0;
                polylinePath = ParseInt(R.Value, f) && (f & 2);
                inPath = false;
                break;
            }
            case 93:
                flushEdge();
                if (inPath && polylinePath)
                    break;
                lastBulge = 0;
                ++paths;
                pathStart = s.Points.size();
                inPath = true;
                haveX = false;
                break;
            case 97:
                flushEdge();
                if (polylinePath && lastBulge != 0)
                    Close(s, pathStart, first, prev, lastBulge, ok);
                lastBulge = 0;
                inPath = false;
                break;
            case 72:
                if (!inPath)
                    break;
                if (!polylinePath) {
                    flushEdge();
                    if (!ParseInt(R.Value, edge))
                        edge = 0;
                    ccw = true;
                    edgeSpline = {};
                }
                break;
            case 73:
                if (inPath && !polylinePath && (edge == 2 || edge == 3)) {
                    int f = 1;
                    ccw = !ParseInt(R.Value, f) || f != 0;
                }
                break;
            case 40:
                if (inPath && (edge == 2 || edge == 3))
                    r = Real(ok);
                break;
            case 50:
                if (inPath && (edge == 2 || edge == 3))
                    a0 = Real(ok);
                break;
            case 51:
                if (inPath && (edge == 2 || edge == 3))
                    a1 = Real(ok);
                break;
            case 42:
                if (inPath && polylinePath && !ParseReal(R.Value, lastBulge))
                    lastBulge = 0;
                break;
            case 10: case 11:
                if (!inPath)
                    break;
                if (edge == 2 || edge == 3) {
                    if (R.Code == 10)
                        cx = Real(ok);
                    else
                        ex = Real(ok);
                    break;
                }
                x = Real(ok);
                haveX = true;
                break;
            case 20: case 21: {
                if (!inPath)
                    break;
                if (edge == 2 || edge == 3) {
                    if (R.Code == 20)
                        cy = Real(ok);
                    else
                        ey = Real(ok);
                    break;
                }
                if (!haveX)
                    break;
                haveX = false;
                const double y = Real(ok);
                if (polylinePath) {
                    Vertex(s, {x, y}, lastBulge, first, prev, ok, pathStart, true);
                    lastBulge = 0;
                } else {
                    addPoint(Point(x, y, ok));
                }
                break;
            }
            default: break;
            }
        });
        flushEdge();
        s.Invalid = !ok;
        const int before = Rep.ReadCount();
        Append(s);
        if (simplified && Rep.ReadCount() > before)
            Rep.Simplify(*simplified, 1, QStringLiteral("HATCH"));
    }

    // A group of a spline's data (a SPLINE entity's, or a hatch's spline edge, whose degree and
    // weights have codes of their own); false when the group is not one of them. `x` keeps
    // the x of the point being read.
    bool SplineGroup(SplineData& sp, double& x, bool& ok, int degreeCode, int weightCode)
    {
        // Room for every point an object may hold; more only tells that there are too many.
        const auto put = [&](auto& list, auto v) {
            if (list.size() < size_t(MaxElementItems) + 32)
                list.push_back(v);
            else
                sp.TooMany = true;
        };
        const auto tangent = [&](HPoint& t, bool& has) {
            if (R.Code < 20) {
                t.x = Real(ok);
            } else {
                t.y = Real(ok);
                has = true;
            }
        };
        if (R.Code == degreeCode) {
            if (!ParseInt(R.Value, sp.Degree))
                sp.Degree = 0;
            return true;
        }
        if (R.Code == weightCode) {
            put(sp.Weights, Real(ok));
            return true;
        }
        switch (R.Code) {
        case 40: put(sp.Knots, Real(ok)); return true;
        case 10: case 11: x = Real(ok); return true;
        case 20: case 21: {
            const double y = Real(ok);
            put(R.Code == 20 ? sp.Control : sp.Fit, H(x, y, ok));
            return true;
        }
        case 12: case 22: tangent(sp.StartTangent, sp.HasStartTangent); return true;
        case 13: case 23: tangent(sp.EndTangent, sp.HasEndTangent); return true;
        default: return false;
        }
    }

    // The curve of a spline's data on paper: by its knots, through its fit points when it has
    // no control points, or (knots that do not fit) its control points as an evenly knotted
    // curve; `simplified` names the ways that are not the file's own. False when it has more
    // points than an object holds.
    bool SplineCurve(SplineData& sp, bool closed, std::vector<CurvePoint>& curve,
                     std::optional<TextKey>& simplified) const
    {
        const auto paperDir = [&](HPoint& t, bool& has) {
            const HPoint d = Xf.Dir(t.x, t.y);
            const double len = std::hypot(d.x, d.y);
            has = has && len > 0;
            if (has)
                t = {d.x / len, d.y / len};
        };
        paperDir(sp.StartTangent, sp.HasStartTangent);
        paperDir(sp.EndTangent, sp.HasEndTangent);
        curve.clear();
        if (sp.TooMany)
            return false;
        if (sp.Control.empty() && sp.Fit.size() >= 2) {
            FitToBezier(sp, curve);
            simplified = TextKey::SplinesThroughFitPoints;
        } else if (!KnotsToBezier(sp, curve)) {
            Shape even;
            bool ok = true;
            for (HPoint h : sp.Control)
                even.Add(ToCord(h.x, h.y, 0, 0, ok));
            if (!SplineToBezier(even, closed, std::clamp(sp.Degree, 1, 3)))
                return false;
            curve.clear();
            for (Cord c : even.Points)
                curve.push_back({ToH(c), c.x & (FirstBezierFlag | SecondBezierFlag)});
            if (curve.size() >= 2)
                simplified = TextKey::SplinesWithoutTheirKnots;
        }
        return curve.size() <= size_t(MaxElementItems);
    }

    void Spline()
    {
        Shape s;
        s.Type = LineObject;
        bool ok = true;
        int flags = 0;
        SplineData sp;
        double x = 0;
        Groups([&] {
            if (R.Code == 8)
                SetLayer(s);
            else if (R.Code == 70 && !ParseInt(R.Value, flags))
                flags = 0;
            else
                SplineGroup(sp, x, ok, 71, 41);
        });
        if (!ok)
            return;
        std::vector<CurvePoint> curve;
        std::optional<TextKey> simplified;
        if (!SplineCurve(sp, flags & 1, curve, simplified)) {
            Rep.Skip(TextKey::ObjectsWithTooManyPoints);
            return;
        }
        for (const CurvePoint& c : curve)
            s.Add(ToCord(c.p.x, c.p.y, c.flag, 0, ok));
        s.Invalid = !ok;
        const int before = Rep.ReadCount();
        Append(s);
        if (simplified && Rep.ReadCount() > before)
            Rep.Simplify(*simplified, 1, QStringLiteral("SPLINE"));
    }

    void Arc(bool circle)
    {
        Shape s;
        s.Type = LineObject;
        bool ok = true;
        double x = 0, y = 0, r = 0, a0 = 0, a1 = 360;
        Groups([&] {
            switch (R.Code) {
            case 8: SetLayer(s); break;
            case 10: x = Real(ok); break;
            case 20: y = Real(ok); break;
            case 40: r = Real(ok); break;
            case 50: if (!circle) a0 = Real(ok); break;
            case 51: if (!circle) a1 = Real(ok); break;
            default: break;
            }
        });
        bool in = true;
        H(x, y, in);
        if (!ok || !in)
            return;
        // Angles beyond a turn name the same directions; a whole turn or more is a circle.
        double sweep = std::fmod(a1 - a0, 360.0);
        if (sweep < 0)
            sweep += 360;
        if (sweep == 0 && std::fabs(a1 - a0) >= 360)
            sweep = 360;
        // A full circle is four quarter arcs.
        const int n = circle ? 4 : ArcSegments(sweep);
        ArcPoints(a0, circle ? 360 : sweep, n, true, [&](HPoint u) { return H(x + r * u.x, y + r * u.y, ok); }, s, ok);
        s.Invalid = !ok;
        Append(s);
    }

    void Skip()
    {
        Groups([] {});
    }

    // Puts the map back when an entity is done, however it ends.
    struct KeepMap {
        Affine& map;
        const Affine saved = map;
        ~KeepMap() { map = saved; }
    };

    // The plane of the entity ahead (its extrusion 210/220/230 and its elevation, 38 or the
    // first 30) as a map from its coordinates into the drawing's x and y, by the arbitrary axis
    // rule of the format. A 3D polyline, mesh or face set is in drawing coordinates.
    Affine Plane(bool polyline)
    {
        const DxfReader::Mark here = R.Here();
        std::array<double, 3> n{0, 0, 1};
        double z = 0;
        bool haveZ = false;
        int flags = 0;
        Groups([&] {
            double v = 0;
            if ((R.Code == 210 || R.Code == 220 || R.Code == 230) && ParseReal(R.Value, v))
                n[size_t(R.Code - 210) / 10] = v;
            else if ((R.Code == 38 || (R.Code == 30 && !haveZ)) && ParseReal(R.Value, v)) {
                z = v;
                haveZ = true;
            } else if (R.Code == 70 && polyline && !ParseInt(R.Value, flags))
                flags = 0;
        });
        R.Back(here);
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if ((polyline && (flags & (8 | 16 | 64))) || !(len > 0 && len < 1e300))
            return {};
        for (double& c : n)
            c /= len;
        if (n[0] == 0 && n[1] == 0 && n[2] > 0)
            return {};
        // The plane's x axis: the world's y (or, near the poles, z) crossed with the normal.
        std::array<double, 3> ax = std::fabs(n[0]) < 1.0 / 64 && std::fabs(n[1]) < 1.0 / 64
                                       ? std::array<double, 3>{n[2], 0, -n[0]}
                                       : std::array<double, 3>{-n[1], n[0], 0};
        const double al = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]);
        for (double& c : ax)
            c /= al;
        const std::array<double, 3> ay{n[1] * ax[2] - n[2] * ax[1], n[2] * ax[0] - n[0] * ax[2],
                                       n[0] * ax[1] - n[1] * ax[0]};
        return {ax[0], ax[1], ay[0], ay[1], z * n[0], z * n[1]};
    }

    // Entities from the current group 0 on, until `end` (a group 0 of that name) or the end.
    void Entities(int depth, const char* end)
    {
        while (R.Code == 0 && R.Value != end && R.Value != "EOF") {
            const QByteArray name = R.Value;
            NumberFault = false;
            const int64_t before = Rep.ReadCount() + Rep.SkippedCount();
            // Entities drawn in a plane of their own come in through it, as seen from above.
            static const QSet<QByteArray> planar{"ARC", "CIRCLE", "LWPOLYLINE", "POLYLINE", "INSERT",
                                                 "TEXT", "TRACE", "HATCH"};
            const KeepMap keep{Xf};
            if (planar.contains(name))
                Xf = Xf.After(Plane(name == "POLYLINE"));
            if (name == "INSERT") {
                Insert(depth);
                continue;
            }
            if (name == "LINE")
                Line();
            else if (name == "TRACE")
                Trace();
            else if (name == "TEXT")
                PointLike(true);
            else if (name == "POINT")
                PointLike(false);
            else if (name == "POLYLINE")
                Polyline();
            else if (name == "LWPOLYLINE")
                LwPolyline();
            else if (name == "HATCH")
                Hatch();
            else if (name == "SPLINE")
                Spline();
            else if (name == "ARC")
                Arc(false);
            else if (name == "CIRCLE")
                Arc(true);
            else {
                Skip();
                // The end of a vertex or attribute run is no drawing.
                if (name != "SEQEND")
                    Rep.Skip(TextKey::UnreadDrawingRecords, 1, KindName(name));
                continue;
            }
            if (Rep.ReadCount() + Rep.SkippedCount() == before)
                LeftOut();
        }
        CheckAbort();
    }

    void LoadBlocks()
    {
        while (R.Next()) {
            if (R.Is(0, "ENDSEC") || R.Is(0, "EOF"))
                return;
            if (R.Code != 2 || R.Value.isEmpty())
                continue;
            Blocks.insert(R.Value, R.Pos());
            while (R.Next() && !R.Is(0, "ENDBLK") && !R.Is(0, "EOF")) {
            }
        }
    }

    void Run()
    {
        while (R.Next()) {
            if (R.Is(2, "BLOCKS")) {
                LoadBlocks();
            } else if (R.Is(2, "ENTITIES")) {
                if (!R.Next())
                    break;
                Entities(0, "ENDSEC");
            } else if (R.Is(0, "EOF")) {
                break;
            }
        }
        // The data stopped before the drawing's own end group, or at a damaged line.
        Rep.Cut = R.Ended;
        Rep.DamagedAtLine = R.Damaged;
    }

    static QString KindName(const QByteArray& name)
    {
        QString k = QString::fromLatin1(name.left(31));
        for (QChar& c : k)
            if (c == u';' || c < u' ')
                c = u'?';
        return k;
    }
};

} // namespace

bool IsDxfFile(const QString& name, const QByteArray& head)
{
    if (!name.toLower().endsWith(QStringLiteral(".dxf")))
        return false;
    qsizetype pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (pos >= head.size())
            return false;
        qsizetype e = pos;
        while (e < head.size() && head[e] != '\n' && head[e] != '\r')
            ++e;
        int v = 0;
        if (i % 2 == 0 && !ParseInt(head.mid(pos, e - pos), v))
            return false;
        if (e < head.size() && head[e] == '\r')
            ++e;
        if (e < head.size() && head[e] == '\n')
            ++e;
        pos = e;
    }
    return true;
}

bool ScanDxfHeader(const QByteArray& data, DxfHeaderInfo& info)
{
    info = {};
    DxfReader r(data);
    bool hasMin = false, hasMax = false;
    while (r.Next() && r.Value != "ENTITIES") {
        if (r.Code != 9 || (r.Value != "$EXTMIN" && r.Value != "$EXTMAX"))
            continue;
        const bool isMin = r.Value == "$EXTMIN";
        double x = 0, y = 0;
        bool gx = false, gy = false;
        while (!(gx && gy) && r.Next() && (r.Code == 10 || r.Code == 20 || r.Code == 30)) {
            if (r.Code == 10)
                gx = ParseReal(r.Value, x);
            else if (r.Code == 20)
                gy = ParseReal(r.Value, y);
        }
        if (gx && gy) {
            (isMin ? info.MinX : info.MaxX) = x;
            (isMin ? info.MinY : info.MaxY) = y;
            (isMin ? hasMin : hasMax) = true;
        }
    }
    // Damaged before its drawing begins: nothing of it can come in.
    if (r.Damaged > 0) {
        info.DamagedAtLine = r.Damaged;
        return false;
    }
    // Writers leave unset extents at 1E+20 and -1E+20: a box turned inside out is none.
    info.HasExtents = hasMin && hasMax && info.MinX <= info.MaxX && info.MinY <= info.MaxY;
    if (info.HasExtents) {
        info.OffsetX = (info.MinX + info.MaxX) / 2;
        info.OffsetY = (info.MinY + info.MaxY) / 2;
    }
    static const QSet<QByteArray> firsts{"INSERT", "POINT", "LINE", "TRACE", "VERTEX", "LWPOLYLINE", "TEXT"};
    while (r.Next()) {
        if (r.Code != 0 || !firsts.contains(r.Value))
            continue;
        double x = 0, y = 0;
        bool gx = false, gy = false;
        while (r.Next() && r.Code != 0) {
            if (r.Code == 10 && !gx)
                gx = ParseReal(r.Value, x);
            else if (r.Code == 20 && !gy)
                gy = ParseReal(r.Value, y);
        }
        if (gx && gy) {
            info.OffsetX = x;
            info.OffsetY = y;
        }
        break;
    }
    return true;
}

int ImportDxfEntities(const QByteArray& data, const DxfImportSettings& s, const std::vector<LayerEntry>& table,
                      ImportReport* report)
{
    Importer imp(data, s, table);
    UndoSuspend quiet;
    try {
        imp.Run();
    } catch (...) {
        FlushMapFile();
        // What came in before the stop stays, and is said.
        if (report)
            *report = imp.Rep;
        throw;
    }
    FlushMapFile();
    if (report)
        *report = imp.Rep;
    return imp.Count;
}

void ImportDxf(const QByteArray& data, const QString& name)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    ImpDxfOptions o;
    if (!ScanDxfHeader(data, o.Header)) {
        ImportReport damaged;
        damaged.DamagedAtLine = o.Header.DamagedAtLine;
        ShowImportReport(damaged, name);
        return;
    }
    CrtTable.Entries.clear();
    const SetupRecord& st = *Stp();
    o.MapOffsetX = st.RealWorldOffsetX;
    o.MapOffsetY = st.RealWorldOffsetY;
    o.MapAngle = st.RealWorldAngle;
    o.MapScale = st.MapScale > 0 ? st.MapScale : 15000;
    o.NewOffset = st.RealWorldOffsetX == 0;
    o.HorOffset = QString::number(std::nearbyint(o.Header.OffsetX / 1000) * 1000, 'f', 0);
    o.VerOffset = QString::number(std::nearbyint(o.Header.OffsetY / 1000) * 1000, 'f', 0);
    if (!IoPorts().RunImpDxfDialog(o))
        return;

    DxfImportSettings s;
    s.Oem = o.Oem;
    s.InsertAsPoint = o.InsertAsPoint;
    double scale = o.MapScale;
    if (o.NewOffset) {
        if (!TryPointStrToFloat(o.HorOffset, s.OffsetX) || !TryPointStrToFloat(o.VerOffset, s.OffsetY)
            || !TryPointStrToFloat(o.Angle, s.Angle))
            return;
        s.Angle = std::fmod(s.Angle, 360.0);
    } else {
        s.OffsetX = st.RealWorldOffsetX;
        s.OffsetY = st.RealWorldOffsetY;
        s.Angle = st.RealWorldAngle;
        scale = st.MapScale;
    }
    if (o.Gis) {
        s.Factor = 100000 / scale;
    } else {
        double f = 1;
        if (!TryPointStrToFloat(o.OtherFactor, f))
            return;
        s.Factor = 100 * f;
    }
    // The scale chosen becomes the map's, and with the offset taken over so does the
    // placement: asked first where they change (No: the drawing comes in by the values
    // chosen, the map keeps its own). The setup before goes first into the undo step.
    const bool takeOver = o.Gis && o.TakeOver;
    SetupRecord placed = st;
    if (o.NewOffset)
        placed.MapScale = scale;
    if (takeOver) {
        placed.RealWorldOffsetX = s.OffsetX;
        placed.RealWorldOffsetY = s.OffsetY;
        placed.RealWorldAngle = s.Angle;
        if (placed.RealWorldGridDistance == 0)
            placed.RealWorldGridDistance = 1000;
        placed.RealWorldCoords = 0xFFFF;
    }
    bool setupChanges = placed.MapScale != st.MapScale || takeOver;
    if (placed.MapScale != st.MapScale || placed.RealWorldOffsetX != st.RealWorldOffsetX
        || placed.RealWorldOffsetY != st.RealWorldOffsetY || placed.RealWorldAngle != st.RealWorldAngle) {
        const int answer = AskPlacementChange(st, placed);
        if (answer == IdCancel)
            return;
        setupChanges = answer == IdYes;
    }
    ClearSelection();
    if (setupChanges)
        PlaceMapForImport(placed, takeOver);
    AbortRequested = false;
    StartProgress(TextKey::Importing, TextKey::ObjImported, int(std::min<qsizetype>(data.size(), INT32_MAX)), 10, true);
    ImportReport report;
    bool stopped = false;
    try {
        ImportDxfEntities(data, s, CrtTable.Entries, &report);
    } catch (const EAbort&) {
        // Esc or a failed append, said already: what came in stays, one undo step.
        stopped = true;
    }
    EndProgress();
    EndImportStep(Index.SelectionCount, 0, setupChanges);
    DocumentPorts().RepaintWindow();
    if (stopped)
        return;
    ShowImportReport(report, name);
}

} // namespace zemo
