#include "course/CourseOnly.h"

#include "core/Config.h"
#include "core/Numeric.h"
#include "core/StringX.h"
#include "course/Ports.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "io/ExpRange.h"
#include "io/Print.h"
#include "io/PrintSys.h"

#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

constexpr double CordPerMm = 25600;

bool OwnField(QChar code)
{
    return code == u'b' || code == u'm' || code == u's' || code == u't';
}

// 64-bit sums kept within the map area.
int32_t InArea(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? MapAreaLimit : -MapAreaLimit;
    return int32_t(std::clamp(std::nearbyint(v), -double(MapAreaLimit), double(MapAreaLimit)));
}

QString ShownPercent(const QString& stored)
{
    return PointToDecSep(stored);
}

} // namespace

CourseOnlySettings ReadCourseOnlySettings(const QString& text)
{
    CourseOnlySettings s;
    s.Black = GetParamBool(text, u'b', false);
    s.Mirror = GetParamBool(text, u'm', false);
    const QString h = GetParamText(text, u's'), v = GetParamText(text, u't');
    if (!h.isEmpty())
        s.HorScale = h;
    if (!v.isEmpty())
        s.VerScale = v;
    return s;
}

QString WriteCourseOnlySettings(const QString& old, const CourseOnlySettings& s)
{
    QString out = GetParamName(old);
    out += BoolParamStr(u'b', s.Black) + BoolParamStr(u'm', s.Mirror);
    out += TextParamStr(u's', s.HorScale) + TextParamStr(u't', s.VerScale);
    int pos = 1;
    QChar code;
    QString value;
    NextParam(old, pos, code, value);  // the name
    while (pos <= old.size()) {
        NextParam(old, pos, code, value);
        // Kept as they stand: a field holds no TAB, and the print dialog reads its own.
        if (code != u' ' && !OwnField(code))
            out += u'\t' + code + value;
    }
    return out;
}

double CourseOnlyPercent(const QString& text)
{
    double v = 0;
    if (!TryPointStrToFloat(text, v) || v < MinCourseOnlyPercent || v > MaxCourseOnlyPercent)
        return 100;
    return v;
}

CourseOnlyFactors CourseOnlyFactorsOf(double horPercent, double verPercent, const SetupRecord& setup)
{
    const double ratio = PrintRatioOf(setup);
    return {horPercent / 100 * ratio, verPercent / 100 * ratio};
}

CordRect CourseOnlySheet(double leftMm, double bottomMm, CourseOnlyFactors f, int horzMm, int vertMm)
{
    const int32_t x1 = MmToCord(std::clamp(leftMm, -CourseOnlyEdgeMm, CourseOnlyEdgeMm));
    const int32_t y1 = MmToCord(std::clamp(bottomMm, -CourseOnlyEdgeMm, CourseOnlyEdgeMm));
    const double w = f.X > 0 ? std::nearbyint(horzMm * CordPerMm / f.X) : 0;
    const double h = f.Y > 0 ? std::nearbyint(vertMm * CordPerMm / f.Y) : 0;
    return {x1, y1, InArea(double(x1) + w), InArea(double(y1) + h)};
}

Cord CourseOnlyPageCentre(const CordRect& printRect, CourseOnlyFactors f, int horzMm, int vertMm)
{
    const double hw = f.X > 0 ? std::nearbyint(horzMm * 50 / f.X) * 256 : 0;
    const double hh = f.Y > 0 ? std::nearbyint(vertMm * 50 / f.Y) * 256 : 0;
    return {InArea(double(printRect.x1) + hw), InArea(double(printRect.y1) + hh)};
}

CourseOnlyEdit::CourseOnlyEdit(const QString& settings, const SetupRecord& setup)
    : settings_(settings), setup_(setup), sheet_(setup.PrintRange)
{
}

CourseOnlyFields CourseOnlyEdit::Fields() const
{
    const CourseOnlySettings s = ReadCourseOnlySettings(settings_);
    CourseOnlyFields f;
    f.HorScale = ShownPercent(s.HorScale);
    f.VerScale = ShownPercent(s.VerScale);
    f.Left = setup_.PrintRange.x1 / CordPerMm;
    f.Bottom = setup_.PrintRange.y1 / CordPerMm;
    f.Black = s.Black;
    f.Mirror = s.Mirror;
    return f;
}

void CourseOnlyEdit::Store(const CourseOnlyFields& f)
{
    CourseOnlySettings s;
    s.Black = f.Black;
    s.Mirror = f.Mirror;
    s.HorScale = DecSepToPoint(f.HorScale.trimmed());
    s.VerScale = DecSepToPoint(f.VerScale.trimmed());
    settings_ = WriteCourseOnlySettings(settings_, s);
    const CourseOnlyFactors k =
        CourseOnlyFactorsOf(CourseOnlyPercent(s.HorScale), CourseOnlyPercent(s.VerScale), setup_);
    sheet_ = CourseOnlySheet(f.Left, f.Bottom, k, PrintSys.HORZSIZE, PrintSys.VERTSIZE);
}

CourseOnlyFields CourseOnlyEdit::Reset(const CourseOnlyFields& shown) const
{
    CourseOnlyFields f = shown;
    const CourseOnlyFactors k =
        CourseOnlyFactorsOf(CourseOnlyPercent(shown.HorScale), CourseOnlyPercent(shown.VerScale), setup_);
    f.HorScale = ShownPercent(QStringLiteral("100"));
    f.VerScale = ShownPercent(QStringLiteral("100"));
    CordRect e;
    if (!GetFullExtent(e))
        e = {};
    f.Left = (double(e.x1) + e.x2) / 2 / CordPerMm - PrintSys.HORZSIZE / 2.0 / k.X;
    f.Bottom = (double(e.y1) + e.y2) / 2 / CordPerMm - PrintSys.VERTSIZE / 2.0 / k.Y;
    return f;
}

CourseOnlyAnswer EditCourseOnlyPrint()
{
    TZmd* z = Index.ActiveZmd;
    SetupRecord* s = Stp();
    if (!z || !s)
        return CourseOnlyAnswer::Cancel;
    const int slot = MapSettingsSlot(PrintSettingsType);
    CourseOnlyEdit edit(slot >= 0 ? z->MapSettings[size_t(slot)] : QString(), *s);
    const CourseOnlyAnswer answer = CoursePorts().RunCourseOnlyDialog(edit);
    if (answer == CourseOnlyAnswer::Cancel)
        return answer;
    SaveTypedPString(edit.Settings(), PrintSettingsType);
    SetupRecord edited = *s;
    edited.PrintRange = edit.Sheet();
    StoreSetup(edited);
    if (answer == CourseOnlyAnswer::Define)
        ProgramConfig.WorkMode = WorkModes::CourseRange;
    return answer;
}

} // namespace zemo
