// Opening and viewing maps drawn with the shipped orienteering symbol set at their own widths,
// the way the program goes: File > Open in the main window shown at 1920 x 1080 (offscreen),
// the map painted in its document window after the frame's layout, with the symbol box and the
// status line, until the program is idle again. Each counts the paints begun over the whole
// view (full_paints, per open or step): an open paints its map once.
// - the open and first paint of 1,000,000 objects (contours, paths, open land, green, water,
//   knolls) at zoom 4;
// - on that map, a scroll by a tenth of the view and a zoom step (View > 8X placed in the
//   middle, and back to 4X), each with the paint it causes;
// - the open of a forest map of 5,000 objects with names (place names in outlined letters,
//   spot heights, contour values), at zoom 1 (all of it in view) and 4, as maps made by
//   users are;
// - the start of the program itself (offscreen) with a map of 5,000 objects until it has gone
//   idle (the map painted): the processor time of its process, and whether it has asked SANE.
// ZEMO_PAINT_MAP_DIR=<folder> keeps the pictures there.
#include "BenchMap.h"
#include "BenchProgram.h"
#include "ForestMap.h"
#include "core/Element.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>

#include <unistd.h>

using namespace zemo;
using bench::AtMm;

namespace {

constexpr int FrameWidth = 1920, FrameHeight = 1080;
constexpr double MapWidthMm = 400, MapHeightMm = 300;
constexpr double OpeningZoom = 4.0;

// The program of the run, started by main().
bench::BenchProgram* Program = nullptr;

// 40 % contours and paths wandering in steps of 0.1 to 0.3 mm, 35 % areas (open land, green,
// water) 1 to 2 mm across, 25 % knolls, spread evenly over the paper.
bench::BenchObject Object(std::mt19937& rng, int i)
{
    std::uniform_real_distribution<double> ux(-MapWidthMm / 2, MapWidthMm / 2), uy(-MapHeightMm / 2, MapHeightMm / 2),
        unit(0, 1);
    const int kind = i % 20;
    double x = ux(rng), y = uy(rng);
    bench::BenchObject o;
    if (kind < 8) {
        o.symbol = kind < 5 ? 1010 : 5060;
        o.type = LineObject;
        double heading = unit(rng) * 6.2832;
        for (int k = 0, n = 20 + int(unit(rng) * 30); k < n; ++k) {
            o.cords.push_back(AtMm(x, y));
            heading += (unit(rng) - 0.5) * 0.6;
            const double step = 0.1 + unit(rng) * 0.2;
            x += step * std::cos(heading);
            y += step * std::sin(heading);
        }
    } else if (kind < 15) {
        static constexpr int16_t areas[] = {4010, 4060, 3010};
        o.symbol = areas[kind % 3];
        o.type = AreaObject;
        const int n = 16 + int(unit(rng) * 24);
        const double r = 1 + unit(rng);
        for (int k = 0; k < n; ++k) {
            const double a = k * 6.2832 / n;
            const double rr = r * (0.75 + 0.25 * unit(rng));
            o.cords.push_back(AtMm(x + rr * std::cos(a), y + rr * std::sin(a)));
        }
        o.cords.push_back(o.cords.front());
    } else {
        o.symbol = 1090;
        o.type = PointObject;
        o.cords.push_back(AtMm(x, y));
    }
    return o;
}

// The map opens at the zoom of its setup, centred on the origin.
void OpensAt(bench::BenchMap& map, double zoom)
{
    map.setup.Zoom = zoom;
    map.setup.ViewCenterX = 0;
    map.setup.ViewCenterY = 0;
}

std::string OrienteeringMap(int count)
{
    bench::BenchMap map = bench::OrienteeringSymbols();
    map.objectCount = map.symbols.empty() ? 0 : count;
    OpensAt(map, OpeningZoom);
    auto rng = std::make_shared<std::mt19937>(2024);
    map.object = [rng](int i) { return Object(*rng, i); };
    return bench::WriteBenchMap("open_view_" + std::to_string(count), map);
}

const std::string& MillionMap()
{
    static const std::string path = OrienteeringMap(1000000);
    return path;
}

// Symbols by number x 10, each with its share of the objects in per mille.
struct Share {
    int16_t symbol;
    uint8_t type;
    int perMille;
};
constexpr Share WalkShares[] = {
    // Half lines: contours, index contours, watercourses and roads with round joins, dashed
    // form lines and paths.
    {1010, LineObject, 250}, {1020, LineObject, 50}, {3050, LineObject, 50}, {3040, LineObject, 20},
    {5030, LineObject, 30}, {1030, LineObject, 40}, {5050, LineObject, 30}, {5060, LineObject, 30},
    // A third areas: open land, green, water, and hatched marsh.
    {4010, AreaObject, 100}, {4060, AreaObject, 80}, {4030, AreaObject, 50}, {3010, AreaObject, 40},
    {4080, AreaObject, 30}, {3090, AreaObject, 33},
    // The rest points: knolls, boulders, trees, depressions.
    {1090, PointObject, 60}, {2060, PointObject, 50}, {4180, PointObject, 30}, {1110, PointObject, 27},
};

// Lines wandering as random walks of 10 to 60 points in steps of 0.3 to 1.5 mm, turning up to
// 0.5 rad at each; areas of rings of 12 to 60 points of radius 1 to 8 mm; spread evenly.
bench::BenchObject WalkObject(std::mt19937& rng)
{
    std::uniform_real_distribution<double> ux(-MapWidthMm / 2, MapWidthMm / 2), uy(-MapHeightMm / 2, MapHeightMm / 2),
        unit(0, 1);
    int pick = int(rng() % 1000);
    const Share* share = &WalkShares[0];
    for (const Share& s : WalkShares) {
        if (pick < s.perMille) {
            share = &s;
            break;
        }
        pick -= s.perMille;
    }
    double x = ux(rng), y = uy(rng);
    bench::BenchObject o;
    o.symbol = share->symbol;
    o.type = share->type;
    if (o.type == LineObject) {
        double heading = unit(rng) * 6.2832;
        for (int k = 0, n = 10 + int(rng() % 51); k < n; ++k) {
            o.cords.push_back(AtMm(x, y));
            heading += (unit(rng) * 2 - 1) * 0.5;
            const double step = 0.3 + unit(rng) * 1.2;
            x += step * std::cos(heading);
            y += step * std::sin(heading);
        }
    } else if (o.type == AreaObject) {
        const int n = 12 + int(rng() % 49);
        const double r = 1 + unit(rng) * 7;
        for (int k = 0; k < n; ++k) {
            const double a = k * 6.2832 / n;
            const double rr = r * (0.75 + 0.25 * unit(rng));
            o.cords.push_back(AtMm(x + rr * std::cos(a), y + rr * std::sin(a)));
        }
        o.cords.push_back(o.cords.front());
    } else {
        o.cords.push_back(AtMm(x, y));
    }
    return o;
}

const std::string& RandomWalkMap()
{
    static const std::string path = [] {
        bench::BenchMap map = bench::OrienteeringSymbols();
        map.objectCount = map.symbols.empty() ? 0 : 1000000;
        OpensAt(map, OpeningZoom);
        auto rng = std::make_shared<std::mt19937>(53);
        map.object = [rng](int) { return WalkObject(*rng); };
        return bench::WriteBenchMap("open_view_walk", map);
    }();
    return path;
}

const std::string& NamedForestMap(int zoom)
{
    static std::map<int, std::string> paths;
    std::string& path = paths[zoom];
    if (path.empty()) {
        bench::BenchMap map = bench::ForestMap(5000, true);
        OpensAt(map, zoom);
        if (!map.symbols.empty())
            path = bench::WriteBenchMap("open_view_forest_" + std::to_string(zoom), map);
    }
    return path;
}

void Keep(const char* picture)
{
    const QByteArray keep = qgetenv("ZEMO_PAINT_MAP_DIR");
    TMdiChild* child = Program->Child();
    if (!keep.isEmpty() && child)
        child->Surface().save(QDir(QString::fromLocal8Bit(keep)).filePath(QString::fromLatin1(picture)));
}

// The open and first paint of the map through File > Open, closed again between rounds.
void OpenAndPaint(benchmark::State& state, const std::string& path, const char* picture)
{
    if (!Program || !Program->Started()) {
        state.SkipWithError("the program did not start");
        return;
    }
    if (path.empty()) {
        state.SkipWithError("the orienteering symbol set is missing");
        return;
    }
    const int paintsBefore = Work.FullPaints;
    int opens = 0;
    for (auto _ : state) {
        if (!Program->Open(QString::fromStdString(path))) {
            state.SkipWithError("the map did not open");
            break;
        }
        ++opens;
        state.PauseTiming();
        Keep(picture);
        Program->CloseMaps();
        state.ResumeTiming();
    }
    state.counters["full_paints"] = opens ? double(Work.FullPaints - paintsBefore) / opens : 0;
}

void BM_OpenAndFirstPaintMillionOrienteering(benchmark::State& state)
{
    OpenAndPaint(state, MillionMap(), "open-view-million.png");
}
BENCHMARK(BM_OpenAndFirstPaintMillionOrienteering)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenForestWithNames(benchmark::State& state)
{
    const int zoom = int(state.range(0));
    OpenAndPaint(state, NamedForestMap(zoom), zoom == 1 ? "open-view-forest-1x.png" : "open-view-forest-4x.png");
}
BENCHMARK(BM_OpenForestWithNames)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(10);

// One view change of the open million-object map with its paint, back and forth in turns.
template <typename Change>
void ViewChange(benchmark::State& state, const std::string& path, Change change, const char* picture)
{
    if (!Program || !Program->Started()) {
        state.SkipWithError("the program did not start");
        return;
    }
    if (path.empty() || !Program->Open(QString::fromStdString(path))) {
        state.SkipWithError("the map did not open");
        return;
    }
    // The click that activated the window reaches no tool: spent here, not by the first step.
    if (const MapView* v = Work.ActiveView; v && v->SwallowClick)
        Program->Click({2, 2});
    const int paintsBefore = Work.FullPaints;
    int steps = 0;
    bool forth = true;
    for (auto _ : state) {
        change(forth);
        forth = !forth;
        ++steps;
    }
    state.counters["full_paints"] = steps ? double(Work.FullPaints - paintsBefore) / steps : 0;
    Keep(picture);
    Program->CloseMaps();
}

// A scroll by a tenth of the view, back and forth.
void ScrollTenth(benchmark::State& state, const std::string& path, const char* picture)
{
    ViewChange(
        state, path,
        [](bool forth) {
            if (MapView* v = Work.ActiveView) {
                ScrollWindowBy(*v, (forth ? 1 : -1) * v->ClientWidth / 10, 0, true);
                bench::BenchProgram::Settle();
            }
        },
        picture);
}

void BM_ScrollTenthMillionOrienteering(benchmark::State& state)
{
    ScrollTenth(state, MillionMap(), "open-view-scrolled.png");
}
BENCHMARK(BM_ScrollTenthMillionOrienteering)->Unit(benchmark::kMillisecond)->Iterations(4);

// View > 8X shows the frame of the new view, placed with a click in the middle; 4X goes back.
void ZoomStep(benchmark::State& state, const std::string& path, const char* picture)
{
    ViewChange(
        state, path,
        [](bool forth) {
            Program->Trigger(forth ? Cmd::View8X : Cmd::View4X);
            if (const MapView* v = Work.ActiveView; forth && v)
                Program->Click({v->ClientWidth / 2, v->ClientHeight / 2});
        },
        picture);
}

void BM_ZoomStepMillionOrienteering(benchmark::State& state)
{
    ZoomStep(state, MillionMap(), "open-view-zoomed.png");
}
BENCHMARK(BM_ZoomStepMillionOrienteering)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_OpenAndFirstPaintRandomWalk(benchmark::State& state)
{
    OpenAndPaint(state, RandomWalkMap(), "open-view-walk.png");
}
BENCHMARK(BM_OpenAndFirstPaintRandomWalk)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ScrollTenthRandomWalk(benchmark::State& state)
{
    ScrollTenth(state, RandomWalkMap(), "open-view-walk-scrolled.png");
}
BENCHMARK(BM_ScrollTenthRandomWalk)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_ZoomStepRandomWalk(benchmark::State& state)
{
    ZoomStep(state, RandomWalkMap(), "open-view-walk-zoomed.png");
}
BENCHMARK(BM_ZoomStepRandomWalk)->Unit(benchmark::kMillisecond)->Iterations(4);

// utime + stime of a process, in seconds; negative once it has gone.
double ProcessCpu(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command's closing parenthesis: state is field 3, utime 14, stime 15.
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 13)
        return -1;
    return double(f[11].toLongLong() + f[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

// The program links SANE itself; its backends are loaded only once it asks for devices.
bool AskedSane(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/sane/libsane-");
}

// The program started with the map, offscreen, in folders of its own; timed until its
// processor time has stood still for half a second (waiting for input).
void BM_StartUpToIdleWithMap(benchmark::State& state)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../zemo");
    if (!QFile::exists(program)) {
        state.SkipWithError("no program beside the benchmarks");
        return;
    }
    const QString map = QString::fromStdString(OrienteeringMap(5000));
    double sane = 0;
    for (auto _ : state) {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, {map});
        if (!p.waitForStarted(10000)) {
            state.SkipWithError("the program did not start");
            break;
        }
        double cpu = 0, last = -1;
        int still = 0;
        while (still < 25) {
            QThread::msleep(20);
            cpu = ProcessCpu(p.processId());
            if (cpu < 0)
                break;
            still = cpu == last ? still + 1 : 0;
            last = cpu;
        }
        sane = AskedSane(p.processId()) ? 1 : 0;
        state.SetIterationTime(cpu);
        p.kill();
        p.waitForFinished(10000);
    }
    state.counters["sane_backends"] = sane;
}
BENCHMARK(BM_StartUpToIdleWithMap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Working copies go to a state folder of the run's own.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        bench::BenchProgram program(FrameWidth, FrameHeight);
        Program = &program;
        benchmark::RunSpecifiedBenchmarks();
        Program = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
