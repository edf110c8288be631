#include "render/Scale.h"

#include "core/Numeric.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

ScaleState Scale;

namespace {

bool Positive(double v) { return std::isfinite(v) && v > 0; }

void CacheAngle(double angle)
{
    if (angle != Scale.CachedAngle) {
        const double r = angle / 180 * std::numbers::pi;
        Scale.CachedAngle = angle;
        Scale.CachedSin = std::sin(r);
        Scale.CachedCos = std::cos(r);
    }
}

bool ValidRef(const RealWorldRef& ref)
{
    return Positive(ref.MapScale) && std::isfinite(ref.OffsetEast) && std::isfinite(ref.OffsetNorth)
        && std::isfinite(ref.GridAngle);
}

} // namespace

void ResetScaleState()
{
    Scale = ScaleState{};
}

bool UpdateViewTransform(ViewParams& p)
{
    const double ppx = Scale.ScreenPixelsPerInchX;
    const double ppy = Scale.ScreenPixelsPerInchY;
    if (!Positive(p.Zoom) || p.Width < 0 || p.Height < 0 || ppx <= 0 || ppy <= 0)
        return false;
    const double w = p.Width;
    const double h = p.Height;
    double zoom = p.Zoom;
    double sx, sy;
    // The raised minimum zoom keeps the whole window inside twice the map area limit.
    if (ppy < ppx) {
        zoom = std::max({zoom, w * 32 / 400000, h * 32 / 400000 * ppx / ppy});
        sx = zoom / 256 / 32;
        sy = -zoom * (ppy / ppx) / 256 / 32;
    } else {
        zoom = std::max({zoom, w * 32 / 400000 * ppy / ppx, h * 32 / 400000});
        sx = zoom * (ppx / ppy) / 256 / 32;
        sy = -zoom / 256 / 32;
    }
    Scale.ViewScaleX = sx;
    Scale.ViewScaleY = sy;
    p.Zoom = zoom;

    Scale.FlattenTolerance = SafeRound(4 / sx / 256);
    Scale.PickTolerance = SafeRound(p.SelectTolerance / sx) + 128;

    const int64_t hw = Masked(SafeRound(w / sx / 2));
    const int64_t hh = Masked(SafeRound(h / std::abs(sy) / 2));
    int64_t x = p.CenterX;
    int64_t y = p.CenterY;
    if (x < hw - MapAreaLimit)
        x = hw - MapAreaLimit;
    else if (x > MapAreaLimit - hw)
        x = MapAreaLimit - hw;
    if (y > MapAreaLimit - hh)
        y = MapAreaLimit - hh;
    else if (y < hh - MapAreaLimit)
        y = hh - MapAreaLimit;
    p.CenterX = int32_t(x);
    p.CenterY = int32_t(y);

    Scale.DrawRect = {int32_t(x - hw), int32_t(y - hh), int32_t(x + hw), int32_t(y + hh)};
    Scale.ViewOrigin = {int32_t(x - hw), int32_t(y + hh)};
    p.HScrollPos = int(x / 25600);
    p.VScrollPos = int(-y / 25600);
    return true;
}

QPoint CordToDevice(Cord c)
{
    const double x = double(int64_t(c.x) - Scale.ViewOrigin.x) * Scale.ViewScaleX;
    const double y = double(int64_t(c.y) - Scale.ViewOrigin.y) * Scale.ViewScaleY;
    return {SafeRoundSmall(x), SafeRoundSmall(y)};
}

void CordToDevice(const Cord* src, QPoint* dst, int n)
{
    for (int i = 0; i < n; ++i)
        dst[i] = CordToDevice(src[i]);
}

Cord DeviceToCord(QPoint p)
{
    if (Scale.ViewScaleX == 0 || Scale.ViewScaleY == 0)
        return {Masked(Scale.ViewOrigin.x), Masked(Scale.ViewOrigin.y)};
    const double x = p.x() / Scale.ViewScaleX + Scale.ViewOrigin.x;
    const double y = p.y() / Scale.ViewScaleY + Scale.ViewOrigin.y;
    return {Masked(SafeRound(x)), Masked(SafeRound(y))};
}

void DeviceToCord(const QPoint* src, Cord* dst, int n)
{
    for (int i = 0; i < n; ++i)
        dst[i] = DeviceToCord(src[i]);
}

bool RealWorldToCord(double east, double north, const RealWorldRef& ref, Cord& out)
{
    if (!ValidRef(ref) || !std::isfinite(east) || !std::isfinite(north))
        return false;
    const double xs = std::clamp((east - ref.OffsetEast) / ref.MapScale * UnitsPerMetre,
                                 -RealWorldUnitLimit, RealWorldUnitLimit);
    const double ys = std::clamp((north - ref.OffsetNorth) / ref.MapScale * UnitsPerMetre,
                                 -RealWorldUnitLimit, RealWorldUnitLimit);
    if (ref.GridAngle == 0) {
        out = {Masked(SafeRound(xs)), Masked(SafeRound(ys))};
        return true;
    }
    CacheAngle(ref.GridAngle);
    const double c = Scale.CachedCos, s = Scale.CachedSin;
    out = {Masked(SafeRound(xs * c - ys * s)), Masked(SafeRound(ys * c + xs * s))};
    return true;
}

bool CordToRealWorld(Cord p, const RealWorldRef& ref, double& east, double& north)
{
    if (!ValidRef(ref))
        return false;
    const double x = Masked(p.x) / UnitsPerMetre;
    const double y = Masked(p.y) / UnitsPerMetre;
    if (ref.GridAngle == 0) {
        east = ref.MapScale * x + ref.OffsetEast;
        north = ref.MapScale * y + ref.OffsetNorth;
        return true;
    }
    CacheAngle(ref.GridAngle);
    const double c = Scale.CachedCos, s = Scale.CachedSin;
    east = ref.MapScale * (x * c + y * s) + ref.OffsetEast;
    north = ref.MapScale * (y * c - x * s) + ref.OffsetNorth;
    return true;
}

bool ExtendRealWorldBox(int32_t x, int32_t y, const RealWorldRef& ref, RealWorldBox& box)
{
    double e, n;
    if (!CordToRealWorld({x, y}, ref, e, n))
        return false;
    box.MinEast = std::min(box.MinEast, e);
    box.MinNorth = std::min(box.MinNorth, n);
    box.MaxEast = std::max(box.MaxEast, e);
    box.MaxNorth = std::max(box.MaxNorth, n);
    return true;
}

bool RealWorldExtent(const CordRect& r, const RealWorldRef& ref, RealWorldBox& box)
{
    double e, n;
    if (!CordToRealWorld({r.x1, r.y1}, ref, e, n))
        return false;
    box = {e, n, e, n};
    ExtendRealWorldBox(r.x2, r.y1, ref, box);
    ExtendRealWorldBox(r.x2, r.y2, ref, box);
    ExtendRealWorldBox(r.x1, r.y2, ref, box);
    return true;
}

} // namespace zemo
