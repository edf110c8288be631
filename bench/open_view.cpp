// Opening and viewing maps drawn with the shipped orienteering symbol set at their own widths:
// - the open and first paint of 1,000,000 objects (contours, paths, open land, green, water,
//   knolls) through the program's own open, in a 1757 x 918 window at zoom 4;
// - on that map, a scroll by a tenth of the view and a zoom step (4 to 8 and back), each with
//   the paint it causes;
// - the start of the program itself (offscreen) with a map of 5,000 such objects, until it has
//   painted and gone idle: the processor time of its process, and whether it has asked SANE.
// ZEMO_PAINT_MAP_DIR=<folder> keeps the pictures there.
#include "BenchMap.h"
#include "InputCheck.h"
#include "core/Config.h"
#include "document/NewMap.h"
#include "document/Index.h"
#include "document/Open.h"
#include "edit/Ports.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "render/GraphSys.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <string>

#include <unistd.h>

using namespace zemo;
using bench::AtMm;

namespace {

constexpr int WindowWidth = 1757, WindowHeight = 918;
constexpr double MapWidthMm = 400, MapHeightMm = 300;
constexpr double OpeningZoom = 4.0;

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

std::string OrienteeringMap(int count)
{
    bench::BenchMap map = bench::OrienteeringSymbols();
    map.objectCount = map.symbols.empty() ? 0 : count;
    auto rng = std::make_shared<std::mt19937>(2024);
    map.object = [rng](int i) { return Object(*rng, i); };
    return bench::WriteBenchMap("open_view_" + std::to_string(count), map);
}

const std::string& MillionMap()
{
    static const std::string path = OrienteeringMap(1000000);
    return path;
}

// The open map in a window of the benchmark's size, centred on the map origin at zoom 4.
struct Window {
    ImageMapWindow win{WindowWidth, WindowHeight};
    MapView view;

    Window()
    {
        ProgramConfig.ScreenGrid = false;
        Index.ActiveZmd->Setup.Zoom = OpeningZoom;
        Index.ActiveZmd->Setup.ViewCenterX = 0;
        Index.ActiveZmd->Setup.ViewCenterY = 0;
        InitMapView(view, &win);
        view.Document = Index.ActiveZmd;
        view.MapShown = true;
        FormResize(view, WindowWidth, WindowHeight);
        Work.ActiveView = &view;
    }
    ~Window() { UnregisterMapView(&view); }

    // What was invalidated since the last paint, painted; false when a paint stopped early.
    bool PaintInvalidated()
    {
        std::vector<PixRect> rects;
        rects.swap(win.invalidated);
        for (const PixRect& r : rects) {
            view.PendingValid = false;
            WorkWinWmPaint(view, r);
            if (view.PendingValid)
                return false;
        }
        return true;
    }
    bool Paint()
    {
        win.invalidated = {{0, 0, WindowWidth, WindowHeight}};
        return PaintInvalidated();
    }
    void Keep(const char* picture) const
    {
        const QByteArray keep = qgetenv("ZEMO_PAINT_MAP_DIR");
        if (!keep.isEmpty())
            win.image.save(QDir(QString::fromLocal8Bit(keep)).filePath(QString::fromLatin1(picture)));
    }
};

void Prepare()
{
    ResetIndexState();
    ResetWorkUnit();
    ResetOpenUnit();
    InitGraphSys();
    ProgramConfig.AutoSave = false;
}

// File > Open's road without the window system: the open, then the first paint.
void BM_OpenAndFirstPaintMillionOrienteering(benchmark::State& state)
{
    const QString path = QString::fromStdString(MillionMap());
    Prepare();
    for (auto _ : state) {
        if (!OpenMapFile(path, path, true, false)) {
            state.SkipWithError("the map did not open");
            break;
        }
        Index.MapOpen = true;
        {
            Window w;
            if (!w.Paint())
                state.SkipWithError("the paint did not finish");
            state.PauseTiming();
            w.Keep("open-view-million.png");
        }
        CloseDocument(Index.ActiveZmd);
        Index.MapOpen = false;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndFirstPaintMillionOrienteering)->Unit(benchmark::kMillisecond)->Iterations(3);

// One view change of the open million-object map with its paint, back and forth in turns.
template <typename Change>
void ViewChange(benchmark::State& state, Change change, const char* picture)
{
    const QString path = QString::fromStdString(MillionMap());
    Prepare();
    if (!OpenMapFile(path, path, true, false)) {
        state.SkipWithError("the map did not open");
        return;
    }
    Index.MapOpen = true;
    {
        Window w;
        w.Paint();
        bool forth = true;
        for (auto _ : state) {
            change(w.view, forth);
            forth = !forth;
            if (!w.PaintInvalidated())
                state.SkipWithError("the paint did not finish");
        }
        w.Keep(picture);
    }
    CloseDocument(Index.ActiveZmd);
    Index.MapOpen = false;
}

void BM_ScrollTenthMillionOrienteering(benchmark::State& state)
{
    ViewChange(
        state, [](MapView& v, bool forth) { ScrollWindowBy(v, (forth ? 1 : -1) * v.ClientWidth / 10, 0, false); },
        "open-view-scrolled.png");
}
BENCHMARK(BM_ScrollTenthMillionOrienteering)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_ZoomStepMillionOrienteering(benchmark::State& state)
{
    ViewChange(
        state, [](MapView&, bool forth) { SetZoom(forth ? OpeningZoom * 2 : OpeningZoom); }, "open-view-zoomed.png");
}
BENCHMARK(BM_ZoomStepMillionOrienteering)->Unit(benchmark::kMillisecond)->Iterations(4);

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
// processor time has stood still for half a second (painted, and waiting for input).
void BM_StartUpToPaintedMap(benchmark::State& state)
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
BENCHMARK(BM_StartUpToPaintedMap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Working copies go to a state folder of the run's own.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QApplication app(argc, argv);
    bench::BindWindowInputCheck();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
