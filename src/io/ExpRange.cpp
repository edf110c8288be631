#include "io/ExpRange.h"

#include "core/Config.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "io/Ports.h"
#include "io/PrintSys.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

constexpr double CordPerMm = 25600;

RealWorldRef RefOf(const SetupRecord& s)
{
    return {s.MapScale, s.RealWorldOffsetX, s.RealWorldOffsetY, s.RealWorldAngle};
}

double ToMm(int32_t v) { return v / CordPerMm; }

} // namespace

int32_t MmToCord(double mm)
{
    const double hundredths = std::nearbyint(mm * 100);
    const double v = std::clamp(hundredths, -8388608.0, 8388607.0);
    return int32_t(uint32_t(int32_t(v)) << 8);
}

// ---- Export range ----

ExportRangeEdit::ExportRangeEdit(const SetupRecord& setup)
    : setup_(setup), rect_(setup.PrintRange), realWorldOffered_(setup.RealWorldAngle == 0)
{
}

QString ExportRangeEdit::UnitLabel() const
{
    return unit_ == RangeUnit::Paper ? QStringLiteral("mm") : QStringLiteral("m");
}

RangeFields ExportRangeEdit::Fields() const
{
    if (unit_ == RangeUnit::Paper)
        return {ToMm(rect_.x1), ToMm(rect_.x2), ToMm(rect_.y1), ToMm(rect_.y2)};
    RangeFields f;
    const RealWorldRef ref = RefOf(setup_);
    CordToRealWorld({rect_.x1, rect_.y1}, ref, f.Left, f.Bottom);
    CordToRealWorld({rect_.x2, rect_.y2}, ref, f.Right, f.Top);
    return f;
}

RangeLimits ExportRangeEdit::Limits() const
{
    if (unit_ == RangeUnit::Paper)
        return {-PaperRangeMm, PaperRangeMm, -PaperRangeMm, PaperRangeMm};
    RangeLimits l;
    const RealWorldRef ref = RefOf(setup_);
    CordToRealWorld({-MapAreaLimit, -MapAreaLimit}, ref, l.XMin, l.YMin);
    CordToRealWorld({MapAreaLimit, MapAreaLimit}, ref, l.XMax, l.YMax);
    return l;
}

void ExportRangeEdit::Store(const RangeFields& f)
{
    if (unit_ == RangeUnit::Paper) {
        rect_ = {MmToCord(f.Left), MmToCord(f.Bottom), MmToCord(f.Right), MmToCord(f.Top)};
        return;
    }
    const RealWorldRef ref = RefOf(setup_);
    Cord a = {rect_.x1, rect_.y1}, b = {rect_.x2, rect_.y2};
    RealWorldToCord(f.Left, f.Bottom, ref, a);
    RealWorldToCord(f.Right, f.Top, ref, b);
    rect_ = {a.x, a.y, b.x, b.y};
}

void ExportRangeEdit::SetUnit(RangeUnit unit, const RangeFields& shown)
{
    if (unit == RangeUnit::RealWorld && !realWorldOffered_)
        return;
    Store(shown);
    unit_ = unit;
}

void ExportRangeEdit::EntireMap()
{
    CordRect r;
    if (GetFullExtent(r))
        rect_ = r;
}

TextKey ExportRangeEdit::CheckOrder(const RangeFields& f)
{
    if (!(f.Right > f.Left))
        return TextKey::RightBound;
    if (!(f.Top > f.Bottom))
        return TextKey::TopBound;
    return TextKey::Count;
}

RangeAnswer EditExportRange(int callerMode)
{
    SetupRecord* s = Stp();
    if (!s)
        return RangeAnswer::Cancel;
    ExportRangeEdit edit(*s);
    const RangeAnswer answer = IoPorts().RunExportRangeDialog(edit);
    if (answer == RangeAnswer::Cancel)
        return answer;
    SetupRecord edited = *s;
    edited.PrintRange = edit.Rect();
    StoreSetup(edited);
    if (answer == RangeAnswer::Define)
        ProgramConfig.WorkMode =
            callerMode == EpsRangeCaller ? WorkModes::ExportRange : WorkModes::ExportRangeAlt;
    return answer;
}

// ---- One page ----

OnePageEdit::OnePageEdit(const SetupRecord& setup)
    : setup_(setup), left_(ToMm(setup.PrintRange.x1)), bottom_(ToMm(setup.PrintRange.y1))
{
    if (setup.PrintScale > 0 && setup.MapScale > 0 && std::isfinite(setup.MapScale / setup.PrintScale))
        ratio_ = setup.MapScale / setup.PrintScale;
}

CordRect OnePageEdit::Store(double left, double bottom)
{
    left_ = left;
    bottom_ = bottom;
    const int32_t x1 = MmToCord(std::clamp(left, -OnePageRangeMm, OnePageRangeMm));
    const int32_t y1 = MmToCord(std::clamp(bottom, -OnePageRangeMm, OnePageRangeMm));
    // A large page at a print scale far above the map's reaches past the map area.
    const auto side = [this](int32_t from, int mm) {
        const double v = double(from) + std::nearbyint(mm * CordPerMm / ratio_);
        return int32_t(std::clamp(v, double(-MapAreaLimit), double(MapAreaLimit)));
    };
    return {x1, y1, side(x1, PrintSys.HORZSIZE), side(y1, PrintSys.VERTSIZE)};
}

void OnePageEdit::Reset(double& left, double& bottom) const
{
    CordRect e;
    if (!GetFullExtent(e))
        e = {};
    left = (double(e.x1) + e.x2) / 2 / CordPerMm - PrintSys.HORZSIZE / 2.0 / ratio_;
    bottom = (double(e.y1) + e.y2) / 2 / CordPerMm - PrintSys.VERTSIZE / 2.0 / ratio_;
}

RangeAnswer ShowOnePageDialog()
{
    SetupRecord* s = Stp();
    if (!s)
        return RangeAnswer::Cancel;
    OnePageEdit edit(*s);
    const RangeAnswer answer = IoPorts().RunOnePageDialog(edit);
    if (answer == RangeAnswer::Cancel)
        return answer;
    SetupRecord edited = *s;
    edited.PrintRange = edit.Store(edit.Left(), edit.Bottom());
    StoreSetup(edited);
    if (answer == RangeAnswer::Define)
        ProgramConfig.WorkMode = WorkModes::CourseRange;
    return answer;
}

} // namespace zemo
