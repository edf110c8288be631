// Course lengths: straight legs at the map's scale, marked routes by their path, the extra
// length, relays by leg, and the detail text.
#include "CourseEvent.h"

#include "course/CsLength.h"
#include "course/Variation.h"

#include <cmath>

namespace zemo::test {
namespace {

class CourseLengthTest : public CourseEventTest {
protected:
    // The paper length of a run of points in mm.
    static double Mm(std::initializer_list<MmPoint> points)
    {
        double mm = 0;
        const MmPoint* prev = nullptr;
        for (const MmPoint& p : points) {
            if (prev)
                mm += std::hypot(double(p.x - prev->x), double(p.y - prev->y));
            prev = &p;
        }
        return mm;
    }
    static QString Length(int course, int leg, int team, bool details = false)
    {
        QString text;
        EXPECT_TRUE(CourseLength(course, leg, team, text, details));
        return text;
    }
    static std::string Km(double mm, double extra)
    {
        return QString::number(mm * Z().Setup.MapScale / 1e6 + extra, 'f', 2).toStdString() + "0";
    }
};

TEST_F(CourseLengthTest, StartAndFinishAPaperDecimetreApartAtOneToTenThousand)
{
    BuildEvent();
    Z().Setup.MapScale = 10000;
    ASSERT_GT(Store(FinishSymbol, MmPoint{0, 100}), 0); // F2
    AddCourse({QStringLiteral("T"), 0.35}, Sequence({"sS1", "fF2"}));
    EXPECT_EQ(Length(CourseIndex(QStringLiteral("T")), 0, 0, true), QStringLiteral("1.350;0;S1;1.000;F2"));
    EXPECT_EQ(CsLength.FinishMetres, QStringLiteral("1000"));
}

TEST_F(CourseLengthTest, TheFinishDistanceRoundsToTensWithHalvesToEven)
{
    BuildEvent();
    Z().Setup.MapScale = 15000;
    // 15, 45 and 75 m from the start.
    const struct {
        int y;
        const char* metres;
    } rows[] = {{1, "20"}, {3, "40"}, {5, "80"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.y);
        const QString code = QStringLiteral("F%1").arg(r.y + 10);
        ASSERT_GT(Store(FinishSymbol, MmPoint{0, r.y}, {code}), 0);
        AddCourse({code}, QStringLiteral("\tsS1\tf") + code);
        Length(CourseIndex(code), 0, 0, true);
        EXPECT_EQ(CsLength.FinishMetres, QLatin1String(r.metres));
    }
}

TEST_F(CourseLengthTest, TheEventsCoursesEqualTheirHandSums)
{
    BuildEvent();
    const double scale = Z().Setup.MapScale;
    ASSERT_GT(scale, 0);
    // Long: the controls in a zig-zag, the marked route by its path from 45 to the finish.
    std::vector<MmPoint> longRun{StartAt};
    for (int code = 31; code <= 45; ++code)
        longRun.push_back(ControlAt(code));
    double longMm = 0;
    for (size_t i = 1; i < longRun.size(); ++i)
        longMm += Mm({longRun[i - 1], longRun[i]});
    longMm += Mm({RouteFrom, RouteTo});
    EXPECT_EQ(Length(CourseIndex(QStringLiteral("Long")), 0, 0).toStdString(), Km(longMm, 0.5));

    // Solo, a one-man relay: leg 1 and leg 2 each from the start.
    const double leg1 = Mm({StartAt, ControlAt(46), ControlAt(47), ControlAt(50), FinishAt});
    const double leg2 = Mm({StartAt, ControlAt(46), ControlAt(48), ControlAt(50), FinishAt});
    EXPECT_EQ(Length(CourseIndex(QStringLiteral("Solo")), 0, 0).toStdString(), Km(leg1 + leg2, 0));

    // Relay, leg 3 of team 101: the branch of leg 3 (55) and the team variations' branches.
    const int relay = CourseIndex(QStringLiteral("Relay"));
    const QString expansion = ExpandCourseText(Z().Courses.Strings(relay), 3, 101);
    std::vector<MmPoint> run;
    for (const QString& f : expansion.split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
        const QString code = f.mid(1);
        run.push_back(code == QLatin1String("S1") ? StartAt : code == QLatin1String("F1") ? FinishAt : ControlAt(code.toInt()));
    }
    ASSERT_TRUE(expansion.contains(QStringLiteral("\tc55")));
    double relayMm = 0;
    for (size_t i = 1; i < run.size(); ++i)
        relayMm += Mm({run[i - 1], run[i]});
    EXPECT_EQ(Length(relay, 3, 101).toStdString(), Km(relayMm, 0));
}

TEST_F(CourseLengthTest, TheDetailTextFieldByField)
{
    BuildEvent();
    Z().Setup.MapScale = 10000;
    const int shortCourse = CourseIndex(QStringLiteral("Short"));
    const QStringList parts = Length(shortCourse, 0, 0, true).split(QLatin1Char(';'));
    // Length, climb, then S1, and for each later control its leg's km before its code.
    ASSERT_EQ(parts.size(), 2 + 1 + 2 * 9);
    EXPECT_EQ(parts[1], QStringLiteral("120"));
    EXPECT_EQ(parts[2], QStringLiteral("S1"));
    EXPECT_EQ(parts[4], QStringLiteral("31"));
    // S1 (0, 0) to 31 (-90, 0): 90 mm at 1:10000 is 0.900 km.
    EXPECT_EQ(parts[3], QStringLiteral("0.900"));
    EXPECT_EQ(parts.last(), QStringLiteral("F1"));
    // 43 (0, 280) to the finish (0, 360): 0.800 km, kept as 800 m.
    EXPECT_EQ(parts[parts.size() - 2], QStringLiteral("0.800"));
    EXPECT_EQ(CsLength.FinishMetres, QStringLiteral("800"));
}

} // namespace
} // namespace zemo::test
