#include "core/Numeric.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>

namespace zemo {

namespace {

__extension__ typedef __int128 Int128;

constexpr double Pi = std::numbers::pi;
constexpr int32_t MaskedInt32Max = std::numeric_limits<int32_t>::max() & CoordMask;

int32_t ClampToInt32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// v's coordinate moved by a whole-step delta, v's flag bits kept; saturates in [lo, hi]
// (both multiples of 256) instead of wrapping.
int32_t OffsetKeepingFlags(int32_t v, int64_t delta, int64_t lo, int64_t hi)
{
    const int64_t moved = std::clamp<int64_t>(int64_t(Masked(v)) + delta, lo, hi);
    return int32_t(moved) | Flags(v);
}

int32_t OffsetKeepingFlags(int32_t v, int64_t delta)
{
    return OffsetKeepingFlags(v, delta, std::numeric_limits<int32_t>::min(), MaskedInt32Max);
}

// The masked negation, saturating: -0x80000000 has no 32-bit value.
int32_t NegateMasked(int32_t v)
{
    return int32_t(std::min<int64_t>(-int64_t(Masked(v)), MaskedInt32Max));
}

void RotateCore(int32_t cx, int32_t cy, const Cord* src, int n, double cosA, double sinA,
                Cord* dst)
{
    for (int i = 0; i < n; ++i) {
        const Cord p = src[i];
        const double dx = double(Masked(p.x)) - cx;
        const double dy = double(Masked(p.y)) - cy;
        dst[i].x = Masked(SafeRound(dx * cosA - dy * sinA + cx)) | Flags(p.x);
        dst[i].y = Masked(SafeRound(dy * cosA + dx * sinA + cy)) | Flags(p.y);
    }
}

} // namespace

// ---- Range checks ----

void CheckIntRange(int32_t& x, int32_t min, int32_t max, int32_t def)
{
    if (x < min || x > max)
        x = def;
}

void CheckSmallIntRange(int16_t& x, int16_t min, int16_t max, int16_t def)
{
    if (x < min || x > max)
        x = def;
}

void CheckDoubleRange(double& x, double min, double max, double def)
{
    if (!std::isfinite(x) || !(x >= min && x <= max))
        x = def;
}

// ---- Conversions ----

int16_t SafeRoundSmall(double x)
{
    if (std::isnan(x))
        return 0;
    if (x > SafeRoundSmallMax)
        return SafeRoundSmallMax;
    if (x < SafeRoundSmallMin)
        return SafeRoundSmallMin;
    return int16_t(std::nearbyint(x));
}

int32_t SafeRound(double x)
{
    if (std::isnan(x))
        return 0;
    if (x > SafeRoundMax)
        return SafeRoundMax;
    if (x < SafeRoundMin)
        return SafeRoundMin;
    return int32_t(std::nearbyint(x));
}

uint32_t SwapLong(uint32_t v)
{
    return __builtin_bswap32(v);
}

double SwapDouble(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    bits = __builtin_bswap64(bits);
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// ---- Vectors and angles ----

double PointDistance(Cord a, Cord b)
{
    const double dx = double(int64_t(b.x) - a.x);
    const double dy = double(int64_t(b.y) - a.y);
    return std::sqrt(dx * dx + dy * dy);
}

int64_t ApproxDistance(Cord a, Cord b)
{
    const int64_t dx = std::abs(int64_t(b.x) - a.x);
    const int64_t dy = std::abs(int64_t(b.y) - a.y);
    return std::max(dx, dy) + std::min(dx, dy) / 2;
}

double DotProduct(Cord a, Cord b, Cord c, Cord d)
{
    // Each product of two 33-bit differences fits 66 bits: sum exactly, convert once.
    const Int128 v = Int128(int64_t(b.x) - a.x) * (int64_t(d.x) - c.x)
        + Int128(int64_t(b.y) - a.y) * (int64_t(d.y) - c.y);
    return double(v);
}

double CrossProduct(Cord a, Cord b, Cord c, Cord d)
{
    const Int128 v = Int128(int64_t(b.y) - a.y) * (int64_t(d.x) - c.x)
        - Int128(int64_t(b.x) - a.x) * (int64_t(d.y) - c.y);
    return double(v);
}

double VectorAngle(double dx, double dy)
{
    if (dx == 0)
        return dy > 0 ? Pi / 2 : -Pi / 2;
    double a = std::atan(dy / dx);
    if (dx < 0)
        a = a <= 0 ? a + Pi : a - Pi;
    return a;
}

Cord PolarPoint(Cord p, int32_t flag, double a, double d)
{
    const int32_t ox = Masked(SafeRound(std::cos(a) * d));
    const int32_t oy = Masked(SafeRound(std::sin(a) * d));
    Cord r;
    r.x = OffsetKeepingFlags(p.x, ox, SafeRoundMin, Masked(SafeRoundMax)) | flag;
    r.y = OffsetKeepingFlags(p.y, oy, SafeRoundMin, Masked(SafeRoundMax));
    return r;
}

int32_t CrossingX(Cord a, Cord b, int32_t y)
{
    if (Masked(a.y) == Masked(b.y))
        return Masked(int32_t((int64_t(a.x) + b.x) / 2));
    // Masked y values differ, so the raw difference is not zero.
    const double x = double(int64_t(b.x) - a.x) / double(int64_t(b.y) - a.y)
            * double(int64_t(y) - a.y)
        + a.x;
    const double r = std::nearbyint(std::clamp(x, double(std::numeric_limits<int32_t>::min()),
                                               double(std::numeric_limits<int32_t>::max())));
    return Masked(int32_t(r));
}

int ArcToBezier(Cord centre, Cord* out, double startAngle, double endAngle, double radius)
{
    constexpr double FullTurn = 2 * Pi;
    if (!std::isfinite(startAngle) || !std::isfinite(endAngle) || !std::isfinite(radius)) {
        startAngle = endAngle = 0;
        radius = 0;
    }
    if (endAngle < startAngle) {
        const double gap = startAngle - endAngle;
        if (gap > 16 * FullTurn)
            endAngle += std::ceil(gap / FullTurn) * FullTurn;
        // Bounded: at huge magnitudes adding a turn may no longer change the value.
        for (int guard = 0; endAngle < startAngle && guard < 20; ++guard)
            endAngle += FullTurn;
    }
    double sweep = endAngle - startAngle;
    if (!(sweep >= 0))
        sweep = 0;
    if (sweep > FullTurn)
        sweep = FullTurn;
    const int n = std::clamp(int(sweep / (Pi / 2)) + 1, 1, 5);

    double prevAngle = startAngle;
    Cord prev = PolarPoint(centre, 0, startAngle, radius);
    out[0] = prev;
    for (int k = 1; k <= n; ++k) {
        const double angle = startAngle + sweep / n * k;
        const Cord end = PolarPoint(centre, 0, angle, radius);
        const double c = 0.4 * PointDistance(prev, end);
        out[3 * k - 2] = PolarPoint(prev, FirstBezierFlag, prevAngle + Pi / 2, c);
        out[3 * k - 1] = PolarPoint(end, SecondBezierFlag, angle - Pi / 2, c);
        out[3 * k] = end;
        prev = end;
        prevAngle = angle;
    }
    return 1 + 3 * n;
}

// ---- Point lists ----

void RotatePoints(int32_t cx, int32_t cy, const Cord* src, int n, double cosA, double sinA,
                  Cord* dst)
{
    RotateCore(cx, cy, src, n, cosA, sinA, dst);
}

void RotatePointsBack(int32_t cx, int32_t cy, const Cord* src, int n, double cosA, double sinA,
                      Cord* dst)
{
    RotateCore(cx, cy, src, n, cosA, -sinA, dst);
}

void RotatePoints90(Cord* points, int n, int k)
{
    k &= 3;
    if (k == 0)
        return;
    for (int i = 0; i < n; ++i) {
        Cord& p = points[i];
        const int32_t fx = Flags(p.x);
        const int32_t fy = Flags(p.y);
        const int32_t x = Masked(p.x);
        const int32_t y = Masked(p.y);
        switch (k) {
        case 1: p.x = NegateMasked(y); p.y = x; break;
        case 2: p.x = NegateMasked(x); p.y = NegateMasked(y); break;
        default: p.x = y; p.y = NegateMasked(x); break;
        }
        p.x |= fx;
        p.y |= fy;
    }
}

int RingEnd(const Cord* points, int n, int i)
{
    if (i < 0 || i >= n)
        return i;
    int j = i + 1;
    while (j < n && !(points[j].y & HoleFlag))
        ++j;
    return j;
}

bool RingIsCcw(const Cord* points, int n, int i)
{
    const int end = RingEnd(points, n, i);
    if (end - i < 2)
        return false;
    const int64_t x0 = points[i].x;
    Int128 sum = 0;
    for (int k = i; k < end; ++k) {
        const Cord a = points[k];
        const Cord b = points[k + 1 < end ? k + 1 : i];
        sum += Int128(int64_t(b.y) - a.y) * (int64_t(a.x) + b.x - 2 * x0);
    }
    return sum > 0;
}

void ReverseRing(Cord* points, int n, int i)
{
    const int end = RingEnd(points, n, i);
    if (end <= i)
        return;
    std::reverse(points + i, points + end);
    constexpr int32_t Bez = FirstBezierFlag | SecondBezierFlag;
    for (int k = i; k < end; ++k) {
        const int32_t f = points[k].x & Bez;
        const int32_t swapped = (f & FirstBezierFlag ? SecondBezierFlag : 0)
            | (f & SecondBezierFlag ? FirstBezierFlag : 0);
        points[k].x = (points[k].x & ~Bez) | swapped;
    }
    if (i >= 1)
        points[i].y |= HoleFlag;
    if (end - i > 1)
        points[end - 1].y &= ~HoleFlag;
}

// ---- Colours ----

uint32_t RgbToCmyk(uint32_t color)
{
    const int r = 255 - int(color & 0xFF);
    const int g = 255 - int((color >> 8) & 0xFF);
    const int b = 255 - int((color >> 16) & 0xFF);
    const int k = std::min({r, g, b});
    const auto part = [k](int v) { return uint32_t(((v - k) * 40 + 25) / 51); };
    return part(r) | part(g) << 8 | part(b) << 16 | uint32_t((k * 40 + 25) / 51) << 24;
}

uint32_t CmykToRgb(uint32_t cmyk)
{
    const int k = int((cmyk >> 24) & 0xFF);
    const int kPart = (k * 51 + 15) / 40;
    const auto channel = [kPart](uint32_t v) {
        return uint32_t(std::max(0, 255 - (int(v & 0xFF) * 51 + 20) / 40 - kPart));
    };
    return channel(cmyk) | channel(cmyk >> 8) << 8 | channel(cmyk >> 16) << 16;
}

// ---- Cord and CordRect operations ----

bool CordsEqual(Cord a, Cord b)
{
    return Masked(a.x) == Masked(b.x) && Masked(a.y) == Masked(b.y);
}

void ShiftCord(Cord& a, Cord p, Cord q)
{
    a.x = OffsetKeepingFlags(a.x, int64_t(Masked(p.x)) - Masked(q.x));
    a.y = OffsetKeepingFlags(a.y, int64_t(Masked(p.y)) - Masked(q.y));
}

bool CordsWithin(Cord a, Cord b, int32_t tol)
{
    return std::abs(int64_t(a.x) - b.x) <= tol && std::abs(int64_t(a.y) - b.y) <= tol;
}

bool CordsWithinUnits(Cord a, Cord b, int32_t tol)
{
    const int64_t t = int64_t(tol) * 256;
    return std::abs(int64_t(Masked(a.x)) - Masked(b.x)) <= t
        && std::abs(int64_t(Masked(a.y)) - Masked(b.y)) <= t;
}

void InitRect(CordRect& r, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    r = CordRect{x1, y1, x2, y2};
}

bool CordInRect(const CordRect& r, Cord p)
{
    return !(Masked(r.x1) > p.x || Masked(p.x) > r.x2 || Masked(r.y1) > p.y
             || Masked(p.y) > r.y2);
}

bool RectContains(const CordRect& a, const CordRect& b)
{
    return a.x1 <= b.x1 && a.x2 >= b.x2 && a.y1 <= b.y1 && a.y2 >= b.y2;
}

void ExtendRect(CordRect& a, const CordRect& b)
{
    a = CordRect{std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2),
                 std::max(a.y2, b.y2)};
}

void MoveRect(CordRect& r, Cord p, Cord q)
{
    const int64_t dx = int64_t(p.x) - q.x;
    const int64_t dy = int64_t(p.y) - q.y;
    r = CordRect{ClampToInt32(r.x1 + dx), ClampToInt32(r.y1 + dy), ClampToInt32(r.x2 + dx),
                 ClampToInt32(r.y2 + dy)};
}

void IntersectRects(CordRect& r, const CordRect& a, const CordRect& b)
{
    r = CordRect{std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2),
                 std::min(a.y2, b.y2)};
}

void NormalizeRect(CordRect& r)
{
    if (r.x1 > r.x2)
        std::swap(r.x1, r.x2);
    if (r.y1 > r.y2)
        std::swap(r.y1, r.y2);
}

// ---- ElementRecord head ----

bool InitElement(ElementRecord& e, int16_t symbol, uint8_t objectType, uint16_t nItem,
                 uint16_t nText, int16_t angle)
{
    e.Symbol = symbol;
    e.ObjectType = objectType;
    e.Flags = 0;
    e.nItem = nItem;
    e.nText = nText;
    e.Angle = angle;
    e.Word10 = e.Word12 = e.Word14 = 0;
    e.LayerName.fill(0);
    return size_t(nItem) + nText <= ElementSlotCapacity;
}

bool DeleteCord(ElementRecord& e, int i)
{
    const size_t slots = e.SlotCount();
    if (i < 0 || i >= int(e.nItem) || slots > ElementSlotCapacity)
        return false;
    Cord* s = e.Slots.data();
    std::memmove(s + i, s + i + 1, (slots - size_t(i) - 1) * sizeof(Cord));
    s[slots - 1] = Cord{};
    --e.nItem;
    return true;
}

void MoveElement(ElementRecord& e, int32_t dx, int32_t dy)
{
    const size_t n = e.ObjectType == PointObject
        ? std::min<size_t>(e.nItem, 1)
        : std::min<size_t>(e.nItem, ElementSlotCapacity);
    const int64_t mx = Masked(dx);
    const int64_t my = Masked(dy);
    for (size_t k = 0; k < n; ++k) {
        Cord& c = e.Slots[k];
        c.x = OffsetKeepingFlags(c.x, mx);
        c.y = OffsetKeepingFlags(c.y, my);
    }
}

} // namespace zemo
