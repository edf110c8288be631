// The lengths a relay shows when its start numbers do not begin at 1: the Courses tab's length
// and the description sheets give what the relay's own teams run, leg by leg, summed here from
// the branches each team takes, worked out by hand.
#include "CourseEvent.h"

#include "core/CodePage.h"
#include "course/Courses.h"
#include "course/CsPreview.h"
#include "course/widgets/CoursePanel.h"
#include "shell/widgets/Panels.h"

#include <QComboBox>
#include <QLabel>
#include <QTabWidget>

#include <cmath>

namespace zemo::test {
namespace {

class RelayLengthTest : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        // Two legs, teams 101 to 103: a team variation of two branches, then a leg variation.
        AddCourse({QStringLiteral("Duo"), 0, 0, 3, CourseKind::Relay, 2, 101, 103},
                  Sequence({"sS1", "c46", "r2", "v", "c47", "v", "c49", "q", "c50", "l", "b1", "c51", "b2",
                            "c55", "p", "fF1"}));
        Settle();
        panel = static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
        ASSERT_TRUE(panel);
    }

    static double Mm(const std::vector<MmPoint>& run)
    {
        double mm = 0;
        for (size_t i = 1; i < run.size(); ++i)
            mm += std::hypot(double(run[i].x - run[i - 1].x), double(run[i].y - run[i - 1].y));
        return mm;
    }
    // The leg's run of a team. The team variation's branch by the rule for two branches: the
    // set bits of the low byte of team x 3 are 5 (101: 303), 3 (102: 306) and 4 (103: 309), so
    // legs 1 and 2 stand at positions 0/1, 1/0 and 1/0, and teams 101 to 103 (team div 2 = 50,
    // 51, 51) swap them for 102 and 103: every team runs branch 47 on leg 1 and 49 on leg 2.
    // Team 1 (3: two bits, positions 1/0, unswapped) would run them the other way round.
    static double LegKm(int leg)
    {
        const MmPoint fork = leg == 1 ? ControlAt(47) : ControlAt(49);
        const MmPoint branch = leg == 1 ? ControlAt(51) : ControlAt(55);
        const double mm = Mm({StartAt, ControlAt(46), fork, ControlAt(50), branch, FinishAt});
        return mm * Z().Setup.MapScale / 1e6;
    }
    static QString Km(double km) { return QString::number(km, 'f', 2) + QLatin1Char('0'); }

    // The texts of the sheet's heading symbol that the map holds now.
    static QStringList HeadingTexts()
    {
        QStringList texts;
        TZmd& z = Z();
        for (int n = 1; n <= z.HighestObject; ++n) {
            if (z.Entry(n).Symbol == 0)
                continue;
            ElementRecord& e = AuxElement1;
            if (!ReadElement(n, e) || e.Symbol != 8220 || e.ObjectType != TextObject)
                continue;
            const auto* t = reinterpret_cast<const char*>(e.TextBytes());
            texts << DecodeCodePage(1252, t, qsizetype(strnlen(t, size_t(e.nText) * 8)));
        }
        texts.sort();
        return texts;
    }

    TCoursePanel* panel = nullptr;
};

TEST_F(RelayLengthTest, TheCoursesTabAndTheSheetsShowWhatTheTeamsRun)
{
    ASSERT_GT(Z().Setup.MapScale, 0);
    const QString leg1 = Km(LegKm(1)), leg2 = Km(LegKm(2));
    // The branches matter: team 1's run would be another length.
    ASSERT_NE(leg1, Km(Mm({StartAt, ControlAt(46), ControlAt(49), ControlAt(50), ControlAt(51), FinishAt})
                       * Z().Setup.MapScale / 1e6));

    panel->CsPageControl->setCurrentIndex(CsCoursesPage);
    Settle();
    const int duo = CourseIndex(QStringLiteral("Duo"));
    ASSERT_GE(duo, 0);
    panel->CourseSelB->setCurrentIndex(duo + 1);
    Q_EMIT panel->CourseSelB->activated(duo + 1);
    Settle();
    ASSERT_EQ(Z().CurrentCourse, duo);
    // The caret at the end, where both legs run: the first leg's length.
    EXPECT_EQ(panel->CourseLengthB->text(), leg1 + QStringLiteral(" km"));

    // A click on control 55, in leg 2's branch: leg 2's length.
    const DiagramText* c55 = nullptr;
    for (const DiagramText& t : CsCourses.Diagram.Texts)
        if (t.Text == QLatin1String("55"))
            c55 = &t;
    ASSERT_TRUE(c55);
    Click(panel->CoursePaintB, QPoint(c55->X, c55->Y + DiagramLine / 2));
    Settle();
    EXPECT_EQ(CsCourses.Diagram.CaretLegs, QStringLiteral("2"));
    EXPECT_EQ(panel->CourseLengthB->text(), leg2 + QStringLiteral(" km"));

    // The preview's sheet at the description box lists every branch and gives the last leg.
    panel->CoursePreviewBtn->click();
    Settle();
    ASSERT_TRUE(Z().CoursePreviewOn);
    EXPECT_TRUE(HeadingTexts().contains(leg2)) << HeadingTexts().join(u'|').toStdString();
    EXPECT_FALSE(HeadingTexts().contains(leg1));
    panel->CoursePreviewBtn->click();
    Settle();
    ASSERT_FALSE(Z().CoursePreviewOn);

    // The sheet of one leg, as course printing makes it for a team or for none.
    const struct {
        int leg, team;
        QString km;
    } sheets[] = {{1, 0, leg1}, {2, 0, leg2}, {1, 102, leg1}, {2, 103, leg2}};
    for (const auto& s : sheets) {
        SCOPED_TRACE(QStringLiteral("leg %1 team %2").arg(s.leg).arg(s.team).toStdString());
        Z().CoursePreviewOn = 1;
        ASSERT_TRUE(GeneratePreview(duo, s.leg, s.team));
        const QStringList texts = HeadingTexts();
        EXPECT_TRUE(texts.contains(s.km)) << texts.join(u'|').toStdString();
        DropGeneratedObjects();
        Z().CoursePreviewOn = 0;
    }
}

} // namespace
} // namespace zemo::test
