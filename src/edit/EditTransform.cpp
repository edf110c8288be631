#include "edit/EditTransform.h"

#include "core/Numeric.h"
#include "render/Bezier.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace zemo {

int MovedCount(const ElementRecord& e)
{
    const int n = std::min<int>(e.nItem, int(ElementSlotCapacity));
    return e.ObjectType == PointObject ? std::min(n, 1) : n;
}

PointRange MovedRange(const ElementRecord& e, int holeStart)
{
    const int n = MovedCount(e);
    if (e.ObjectType == AreaObject && holeStart > 0 && holeStart < n)
        return {holeStart, RingEnd(e.Cords(), n, holeStart)};
    return {0, n};
}

bool InsideMapArea(int64_t v)
{
    return v >= -int64_t(MapAreaLimit) && v <= MapAreaLimit;
}

bool InsideMapArea(Cord c)
{
    return InsideMapArea(Masked(c.x)) && InsideMapArea(Masked(c.y));
}

bool ChangeKeptInMapArea(const ElementRecord& before, const ElementRecord& after)
{
    const int n = MovedCount(after);
    const bool same = before.nItem == after.nItem;
    for (int i = 0; i < n; ++i) {
        const Cord c = after.Cords()[i];
        if (same && CordsEqual(c, before.Cords()[i]))
            continue;
        if (!InsideMapArea(c))
            return false;
    }
    return true;
}

void CopyRecord(const ElementRecord& src, ElementRecord& dst)
{
    if (&src == &dst)
        return;
    dst.Symbol = src.Symbol;
    dst.ObjectType = src.ObjectType;
    dst.Flags = src.Flags;
    dst.nItem = src.nItem;
    dst.nText = src.nText;
    dst.Angle = src.Angle;
    dst.Word10 = src.Word10;
    dst.Word12 = src.Word12;
    dst.Word14 = src.Word14;
    dst.LayerName = src.LayerName;
    const size_t slots = std::min(src.SlotCount(), ElementSlotCapacity);
    std::copy_n(src.Slots.begin(), slots, dst.Slots.begin());
}

bool SameRecord(const ElementRecord& a, const ElementRecord& b)
{
    if (a.Symbol != b.Symbol || a.ObjectType != b.ObjectType || a.Flags != b.Flags || a.nItem != b.nItem
        || a.nText != b.nText || a.Angle != b.Angle || a.Word10 != b.Word10 || a.Word12 != b.Word12
        || a.Word14 != b.Word14 || a.LayerName != b.LayerName)
        return false;
    const size_t slots = std::min(a.SlotCount(), ElementSlotCapacity);
    return std::equal(a.Slots.begin(), a.Slots.begin() + ptrdiff_t(slots), b.Slots.begin());
}

namespace {

int32_t Saturated(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax));
}

int32_t Put(int64_t value, int32_t flagsFrom)
{
    return Masked(Saturated(value)) | Flags(flagsFrom);
}

PointRange Clipped(const ElementRecord& e, PointRange r)
{
    const int n = std::min<int>(e.nItem, int(ElementSlotCapacity));
    return {std::clamp(r.From, 0, n), std::clamp(r.To, 0, n)};
}

} // namespace

void ShiftPoints(const ElementRecord& src, ElementRecord& dst, PointRange r, int64_t dx, int64_t dy)
{
    r = Clipped(src, r);
    const int64_t mx = dx & ~int64_t(FlagMask), my = dy & ~int64_t(FlagMask);
    for (int i = r.From; i < r.To; ++i) {
        const Cord c = src.Cords()[i];
        dst.Cords()[i] = {Put(Masked(c.x) + mx, c.x), Put(Masked(c.y) + my, c.y)};
    }
}

void StretchPoints(const ElementRecord& src, ElementRecord& dst, PointRange r, int64_t anchorX,
                   int64_t anchorY, double fx, double fy)
{
    r = Clipped(src, r);
    for (int i = r.From; i < r.To; ++i) {
        const Cord c = src.Cords()[i];
        const double x = double(int64_t(Masked(c.x)) - anchorX) * fx;
        const double y = double(int64_t(Masked(c.y)) - anchorY) * fy;
        dst.Cords()[i] = {Put(anchorX + RoundToGrid(x), c.x), Put(anchorY + RoundToGrid(y), c.y)};
    }
}

void TurnPoints(const ElementRecord& src, ElementRecord& dst, PointRange r, Cord centre, double cosA,
                double sinA)
{
    r = Clipped(src, r);
    if (r.To > r.From)
        RotatePoints(Masked(centre.x), Masked(centre.y), src.Cords() + r.From, r.To - r.From, cosA, sinA,
                     dst.Cords() + r.From);
}

void TurnSinCos(double tenths, double& sinA, double& cosA)
{
    const double quarters = tenths / 900;
    if (quarters == std::nearbyint(quarters) && std::fabs(quarters) < 1e9) {
        static constexpr double Sin[4] = {0, 1, 0, -1};
        static constexpr double Cos[4] = {1, 0, -1, 0};
        const int k = int(((int64_t(quarters) % 4) + 4) % 4);
        sinA = Sin[k];
        cosA = Cos[k];
        return;
    }
    const double a = tenths / 1800 * std::numbers::pi;
    sinA = std::sin(a);
    cosA = std::cos(a);
}

int16_t TurnedAngle(int angle, int64_t turn)
{
    int64_t a = (int64_t(angle) + turn) % 3600;
    if (a > 1800)
        a -= 3600;
    else if (a < -1800)
        a += 3600;
    return int16_t(a);
}

bool AngleTurns(const ElementRecord& e)
{
    return e.ObjectType == PointObject || e.ObjectType == TextObject || e.ObjectType == RectangleObject;
}

} // namespace zemo
