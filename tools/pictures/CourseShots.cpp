#include "CourseShots.h"

#include "course/Courses.h"
#include "course/widgets/CoursePanel.h"
#include "document/Index.h"
#include "shell/widgets/MainFm.h"

#include <QTabWidget>

namespace zemo {

void CourseTabShots(TMainFm& frame, const ShotSink& sink)
{
    TZmd* z = Index.ActiveZmd;
    auto* panel = static_cast<TCoursePanel*>(frame.findChild<QWidget*>(QStringLiteral("CoursePanel")));
    if (!z || !z->CourseMap || !panel) {
        sink.fail(QStringLiteral("no course panel on the course-setting map"));
        return;
    }
    // Nothing of this stays: the map is not asked to be saved for it.
    const auto modified = z->Modified;
    const QString relay = QStringLiteral(
        "Relay\tE0.00\tC0\tR20\tYs\tL3\tF101\tT120\tsS1\tc46\tr3\tv\tc47\tv\tc48\tv\tc49\tq\tc50\tl\tb1-2\tc51"
        "\tr2\tv\tc52\tv\tc53\tq\tc54\tb3\tc55\tp\tc43\tr2\tv\tc44\tv\tc45\tq\tfF1");
    const int s = AddPString(relay, CourseType, 0);
    const int c = AddPString(QStringLiteral("M Relay\tcRelay"), ClassType, 0);
    if (s <= 0 || c <= 0) {
        sink.fail(QStringLiteral("the relay's records are not stored"));
        return;
    }
    z->Courses.AddNumber(relay, s);
    z->Classes.AddNumber(QStringLiteral("M Relay\tcRelay"), c);
    panel->CsPageControl->setCurrentIndex(CsCoursesPage);
    SelectCourse(z->Courses.IndexOf(relay) + 1);
    sink.settle(600);
    const QImage shot = sink.grabFrame();
    if (!sink.save(shot, QStringLiteral("course-panel-courses.png")))
        sink.fail(QStringLiteral("course-panel-courses.png is not saved"));
    // The leg numbers of the leg variation are drawn in blue.
    const QRect r(panel->CoursePaintB->mapTo(&frame, QPoint(0, 0)), panel->CoursePaintB->size());
    bool blue = false;
    for (int y = r.top(); y <= r.bottom() && !blue; ++y)
        for (int x = r.left(); x <= r.right() && !blue; ++x)
            if (shot.rect().contains(x, y)) {
                const QColor p = shot.pixelColor(x, y);
                blue = p.blue() > 200 && p.red() < 80 && p.green() < 80;
            }
    if (!blue)
        sink.fail(QStringLiteral("the relay's diagram shows no leg numbers"));
    panel->CsPageControl->setCurrentIndex(CsObjectsPage);
    z->Courses.Delete(z->Courses.IndexOf(relay));
    z->Classes.Delete(z->Classes.IndexOf(QStringLiteral("M Relay\tcRelay")));
    DeletePString(s);
    DeletePString(c);
    UpdateCourses();
    z->Modified = modified;
}

} // namespace zemo
