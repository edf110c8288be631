#include "course/CsLength.h"

#include "core/StringX.h"
#include "course/CsData.h"
#include "course/CsObject.h"
#include "course/Variation.h"
#include "document/Index.h"
#include "render/AreaRings.h"

#include <algorithm>
#include <cmath>

namespace zemo {

CsLengthState CsLength;

void ResetCsLength()
{
    CsLength = {};
}

namespace {

double MapScale()
{
    return Index.ActiveZmd ? Index.ActiveZmd->Setup.MapScale : 0;
}

// Kilometres on the ground between two points on paper.
double DistanceKm(Cord a, Cord b)
{
    const double dx = double(Masked(b.x)) - double(Masked(a.x));
    const double dy = double(Masked(b.y)) - double(Masked(a.y));
    return std::hypot(dx, dy) * MapScale() / 1e8 / UnitsPerHundredthMm;
}

struct Walk {
    double km = 0;       // the total
    double legKm = 0;    // since the last start, control or finish
    bool hasPrevious = false;
    Cord previous;
    int codes = 0;
    QString details;
    QString finishMetres;

    void Run(const QString& expansion)
    {
        hasPrevious = false;
        for (const QString& field : expansion.split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
            const QChar letter = field.at(0);
            if (letter != u's' && letter != u'c' && letter != u'f' && letter != u'm')
                continue;
            QString record;
            const QString code = field.mid(1);
            if (FindCsObjectNumber(code, record) <= 0 || DrawElement.nItem == 0)
                continue;
            const ElementRecord& e = DrawElement;
            const Cord first = e.Cords()[0];
            if (hasPrevious)
                Add(DistanceKm(previous, first));
            if (letter == u'm') {
                Add(MarkedRouteLength(e) / 1000);
                // The route's end is where the next leg starts, once there is a leg at all.
                if (hasPrevious)
                    previous = e.Cords()[e.nItem - 1];
                continue;
            }
            if (codes++ > 0)
                details += QLatin1Char(';') + FloatToPointStr(3, legKm);
            // A ";" in a code would start a field of its own in the export's line.
            details += QLatin1Char(';') + QString(code).replace(QLatin1Char(';'), QLatin1Char(','));
            if (letter == u'f')
                finishMetres = QString::number(std::nearbyint(legKm * 100), 'f', 0) + QLatin1Char('0');
            legKm = 0;
            previous = first;
            hasPrevious = true;
        }
    }

    void Add(double d)
    {
        km += d;
        legKm += d;
    }
};

} // namespace

double MarkedRouteLength(const ElementRecord& e)
{
    if (e.ObjectType != LineObject || e.nItem < 2)
        return 0;
    return PathLength(e.Cords(), e.nItem) * MapScale() / 100000;
}

bool CourseLength(int course, int leg, int team, QString& text, bool details)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z || course < 0 || course >= z->Courses.Count())
        return false;
    const QString record = z->Courses.Strings(course);
    const CourseProps p = ReadCourseProps(record);
    const int legs = std::clamp(p.Legs, 1, MaxVariationLegs);
    // Without a team, the first team that runs: start numbers need not begin at 1, and a
    // team outside them takes branches that no runner takes.
    if (team <= 0)
        team = IsRelay(p.Kind) ? std::max(p.FirstStart, 1) : 1;
    Walk walk;
    walk.km = p.ExtraKm;
    if (p.Kind == CourseKind::OneManRelay) {
        for (int l = 1; l <= legs; ++l)
            walk.Run(ExpandCourseText(record, l, team));
    } else {
        if (leg <= 0)
            leg = IsRelay(p.Kind) ? legs : 1;
        walk.Run(ExpandCourseText(record, leg, team));
    }
    CsLength.FinishMetres = walk.finishMetres;
    text = FloatToPointStr(2, walk.km) + QLatin1Char('0');
    if (details)
        text += QLatin1Char(';') + FloatToPointStr(0, p.ClimbM) + walk.details;
    return true;
}

} // namespace zemo
