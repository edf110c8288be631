// How long a key waits while the document window paints: the longest gap between two input
// polls while a map of 100,000 line objects is painted into a 1000 x 800 window image, and the
// whole paint for comparison. The polls are the window's own check; the longest gap between
// its passes of the event loop (which see the window system's input) is counted too.
#include "BenchMap.h"
#include "core/Config.h"
#include "core/Setup.h"
#include "core/widgets/EscapeFilter.h"
#include "document/Index.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/GraphSys.h"
#include "symbols/store/SymbolRecords.h"

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zemo;

namespace {

constexpr int ObjectCount = 100000;
constexpr int32_t Mm = 25600;

// Short lines 4 mm long on a grid 200 mm across, in three colours, each its own line symbol
// 0.5 mm wide.
const std::string& GeneratedMap()
{
    static const std::string path = [] {
        bench::BenchMap map;
        map.colours = bench::BenchColours({{0, 0, 0, 200}, {0, 200, 0, 0}, {200, 0, 0, 0}});
        for (int s = 0; s < 3; ++s) {
            SymbolBytes sym = bench::BenchSymbolHead(424, 10 * (s + 1), LineObject, 25, s);
            SetSymI16(sym, LsLineColor, int16_t(s));
            SetSymI16(sym, LsLineWidth, 50);
            map.symbols.push_back(sym);
        }
        map.objectCount = ObjectCount;
        map.object = [](int o) {
            const int side = 317;
            const int32_t x = (o % side - side / 2) * Mm * 200 / side;
            const int32_t y = (o / side - side / 2) * Mm * 200 / side;
            return bench::BenchObject{int16_t(10 * (1 + o % 3)), LineObject, {{x, y}, {x + 4 * Mm, y + 2 * Mm}}};
        };
        return bench::WriteBenchMap("paint", map);
    }();
    return path;
}

using Clock = std::chrono::steady_clock;

void BM_PaintPollGap(benchmark::State& state)
{
    ResetIndexState();
    ResetWorkUnit();
    InitGraphSys();
    ProgramConfig.ScreenGrid = false;
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(GeneratedMap()));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    z.Setup.Zoom = 1.2;  // the whole map in the window
    z.Setup.ViewCenterX = 0;
    z.Setup.ViewCenterY = 0;
    ImageMapWindow win(1000, 800);
    MapView view;
    InitMapView(view, &win);
    view.MapShown = true;
    FormResize(view, 1000, 800);
    Work.ActiveView = &view;

    Clock::time_point last, lastPass;
    double longest = 0, total = 0, longestPass = 0;
    int64_t polls = 0;
    EscapeFilter* filter = EscapeFilter::Install();
    EditPorts().PollInput.Bind([&] {
        const Clock::time_point now = Clock::now();
        const double gap = std::chrono::duration<double, std::micro>(now - last).count();
        longest = std::max(longest, gap);
        total += gap;
        ++polls;
        last = now;
        return filter->PollForInput();
    });
    const QMetaObject::Connection passes
        = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&] {
              const Clock::time_point now = Clock::now();
              longestPass = std::max(longestPass, std::chrono::duration<double, std::micro>(now - lastPass).count());
              lastPass = now;
          });
    for (auto _ : state) {
        view.PendingValid = false;
        last = lastPass = Clock::now();
        WorkWinWmPaint(view, {0, 0, 1000, 800});
        // Up to the end of the paint.
        longestPass = std::max(longestPass, std::chrono::duration<double, std::micro>(Clock::now() - lastPass).count());
    }
    QObject::disconnect(passes);
    if (polls != int64_t(ObjectCount) * state.iterations())
        state.SkipWithError(("not every object was polled after: " + std::to_string(polls)).c_str());
    state.counters["longest_gap_us"] = longest;
    state.counters["longest_pass_gap_us"] = longestPass;
    state.counters["mean_gap_us"] = polls ? total / double(polls) : 0;
    state.counters["polls"] = double(polls) / double(state.iterations());
    EditPorts().PollInput.Unbind();
    UnregisterMapView(&view);
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}
BENCHMARK(BM_PaintPollGap)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
