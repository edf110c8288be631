#include "CourseShots.h"

#include "core/Numeric.h"
#include "course/Courses.h"
#include "course/CsPreview.h"
#include "course/widgets/CoursePanel.h"
#include "document/Index.h"
#include "edit/View.h"
#include "shell/widgets/MainFm.h"

#include <QPushButton>
#include <QTabWidget>

#include <vector>

namespace zemo {

namespace {

// The relay's course objects on the map (millimetres on paper), each with its record; the
// object numbers and records made, to be taken away again.
struct RelayObject {
    const char* code;
    char type;
    int symbol;
    int x, y;
};
const RelayObject RelayObjects[] = {
    {"S1", 's', 7010, 0, 0},    {"46", 'c', 7020, 0, 40},   {"47", 'c', 7020, 30, 80},  {"48", 'c', 7020, -30, 80},
    {"49", 'c', 7020, 0, 80},   {"50", 'c', 7020, 0, 120},  {"51", 'c', 7020, 30, 160}, {"52", 'c', 7020, 60, 200},
    {"53", 'c', 7020, 0, 200},  {"54", 'c', 7020, 30, 240}, {"55", 'c', 7020, -60, 200}, {"43", 'c', 7020, 0, 280},
    {"44", 'c', 7020, 30, 320}, {"45", 'c', 7020, -30, 320}, {"F1", 'f', 7030, 0, 360},
    {"D1", 'd', 7050, 90, 360},
};

bool PlaceRelayObjects(std::vector<int>& objects, std::vector<int>& records)
{
    TZmd& z = *Index.ActiveZmd;
    for (const RelayObject& o : RelayObjects) {
        ElementRecord& e = CurElement;
        InitElement(e, int16_t(o.symbol), PointObject, 1, 0, 0);
        e.Cords()[0] = {o.x * 25600, o.y * 25600};
        if (!AppendElement())
            return false;
        objects.push_back(Index.CurIndexNo);
        const QString record = QString::fromLatin1(o.code) + QStringLiteral("\tY") + QLatin1Char(o.type);
        const int s = AddPString(record, CsObjectType, Index.CurIndexNo);
        if (s < 0)
            return false;
        records.push_back(s);
        z.CsObjects.AddNumber(record, s);
    }
    return true;
}

} // namespace

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
    std::vector<int> objects, records;
    if (!PlaceRelayObjects(objects, records))
        sink.fail(QStringLiteral("the relay's objects are not stored"));
    ViewEntire();
    panel->CsPageControl->setCurrentIndex(CsCoursesPage);
    SelectCourse(z->Courses.IndexOf(relay) + 1);
    // With its preview: the start triangle, the lines and the numbers of every branch.
    panel->CoursePreviewBtn->click();
    if (!z->CoursePreviewOn || z->TaggedObjects.empty())
        sink.fail(QStringLiteral("the relay is not previewed"));
    // The description box shows the relay's sheet (its thick lines) below its point.
    bool sheet = false;
    for (int n = 1; n <= z->HighestObject && !sheet; ++n)
        sheet = z->Entry(n).Symbol == 8010;
    if (!sheet)
        sink.fail(QStringLiteral("the description box shows no sheet"));
    ViewEntire();
    sink.settle(600);
    const QImage shot = sink.grabFrame();
    if (!sink.save(shot, QStringLiteral("course-panel-courses.png")))
        sink.fail(QStringLiteral("course-panel-courses.png is not saved"));
    panel->CoursePreviewBtn->click();
    for (int n : objects) {
        GetIndex(n);
        DeleteElement(n);
    }
    // Deleting an object takes its record along; any left go here.
    for (int r : records)
        if (const int at = z->CsObjects.IndexOfNumber(r); at >= 0) {
            z->CsObjects.Delete(at);
            DeletePString(r);
        }
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
