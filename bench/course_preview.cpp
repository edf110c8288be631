// The course preview of a relay (3 legs, team and leg variations, every branch drawn) on a
// course-setting map with 100,000 other objects, in refreshes per second: each refresh ends
// the last preview (the index read back from the working file) and generates the relay anew
// (start triangle, connection lines, control numbers laid out as texts). The symbols are the
// shipped course-setting set's.
#include "BenchMap.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "course/Courses.h"
#include "course/CsData.h"
#include "course/CsPreview.h"
#include "document/Index.h"
#include "document/NewMap.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <utility>

using namespace zemo;
using bench::AtMm;

namespace {

constexpr int OtherObjects = 100000;
// Crossing point, uncrossable boundary and out-of-bounds area of the set.
constexpr int16_t PointSym = 7110, LineSym = 7090, AreaSym = 7100;
constexpr int16_t StartSym = 7010, ControlSym = 7020, FinishSym = 7030;

// The relay's objects in millimetres on paper, north of the grid.
struct Placed {
    const char* code;
    char type;
    int16_t symbol;
    double x, y;
};
const Placed Relay[] = {
    {"S1", 's', StartSym, 0, 250},    {"46", 'c', ControlSym, 0, 290},  {"47", 'c', ControlSym, 30, 330},
    {"48", 'c', ControlSym, -30, 330}, {"49", 'c', ControlSym, 0, 330}, {"50", 'c', ControlSym, 0, 370},
    {"51", 'c', ControlSym, 30, 410},  {"52", 'c', ControlSym, 60, 450}, {"53", 'c', ControlSym, 0, 450},
    {"54", 'c', ControlSym, 30, 490},  {"55", 'c', ControlSym, -60, 450}, {"43", 'c', ControlSym, 0, 530},
    {"44", 'c', ControlSym, 30, 570},  {"45", 'c', ControlSym, -30, 570}, {"F1", 'f', FinishSym, 0, 610},
};
constexpr int RelayObjects = int(std::size(Relay));

const char* RelayCourse = "Relay\tE0.00\tC0\tR20\tYs\tL3\tF101\tT120\tsS1\tc46\tr3\tv\tc47\tv\tc48\tv\tc49\tq\tc50"
                          "\tl\tb1-2\tc51\tr2\tv\tc52\tv\tc53\tq\tc54\tb3\tc55\tp\tc43\tr2\tv\tc44\tv\tc45\tq\tfF1";

bench::BenchMap CourseMap()
{
    bench::BenchMap map = bench::ShippedSymbolSet(QStringLiteral("course-setting.zmd"));
    if (map.symbols.empty())
        return map;
    map.objectCount = OtherObjects + RelayObjects;
    map.object = [](int i) {
        if (i < OtherObjects)
            return bench::MixedGridObject(i, PointSym, LineSym, AreaSym);
        const Placed& p = Relay[i - OtherObjects];
        return bench::BenchObject{p.symbol, PointObject, {AtMm(p.x, p.y)}};
    };
    return map;
}

void BM_RelayPreviewRefresh(benchmark::State& state)
{
    RecordingMessages messages;
    const bench::BenchMap map = CourseMap();
    if (map.symbols.empty()) {
        state.SkipWithError("the course-setting symbol set is not in the data folder");
        return;
    }
    ResetIndexState();
    TZmd zmd;
    zmd.WorkFile.Open(QString::fromStdString(bench::WriteBenchMap("course_preview", map)));
    SetCurrentMap(&zmd);
    LoadMap();
    Index.MapOpen = true;
    zmd.Header.FileType |= CourseMapFileBit;
    zmd.WriteHeader();
    zmd.CourseMap = 1;
    for (int i = 0; i < RelayObjects; ++i) {
        const QString record = QString::fromLatin1(Relay[i].code) + QStringLiteral("\tY") + QLatin1Char(Relay[i].type);
        zmd.CsObjects.AddNumber(record, AddPString(record, CsObjectType, OtherObjects + i + 1));
    }
    const QString course = QString::fromLatin1(RelayCourse);
    zmd.Courses.AddNumber(course, AddPString(course, CourseType, 0));
    zmd.CurrentCourse = 0;
    CsCourses.PanelShown = true;
    CsCourses.Page = CsCoursesPage;
    CsPreview.ButtonDown = true;
    int generated = 0;
    for (auto _ : state) {
        course::RefreshCoursePreview();
        if (!zmd.CoursePreviewOn) {
            state.SkipWithError("the relay is not previewed");
            break;
        }
        generated = int(zmd.TaggedObjects.size());
    }
    if (messages.Count() > 0)
        state.SkipWithError("a message was shown");
    state.counters["linked objects"] = generated;
    state.SetItemsProcessed(state.iterations());
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}
BENCHMARK(BM_RelayPreviewRefresh)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
