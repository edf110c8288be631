// How long a key waits while the document window paints: the longest gap between two input
// polls while a map of 100,000 line objects is painted into a 1000 x 800 window image, and the
// whole paint for comparison. The polls are the window's own check; the longest gap between
// its passes of the event loop (which see the window system's input) is counted too.
#include "core/ByteIO.h"
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

std::string MapPath()
{
    return std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/zemo_bench_paint_"
        + std::to_string(::getpid()) + ".zmd";
}

// Short lines 4 mm long on a grid 200 mm across, in three colours, written field by field.
const std::string& GeneratedMap()
{
    static const std::string path = [] {
        const std::string p = MapPath();
        std::vector<uint8_t> b;
        ByteWriter w(b);
        w.AddZeros(VariablePartPos);
        SymbolHeaderBlock colours;
        colours.ColorCount = 3;
        for (int i = 0; i < 3; ++i) {
            colours.Colors[size_t(i)].Number = uint16_t(i);
            colours.Colors[size_t(i)].Cmyk = {uint8_t(i == 2 ? 200 : 0), uint8_t(i == 1 ? 200 : 0), 0,
                                              uint8_t(i == 0 ? 200 : 0)};
        }
        w.PutBytes(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(colours));
        w.AddBytes(WriteSetupBytes(DefaultSetupRecord()));
        const int32_t symbolBlock = int32_t(b.size());
        w.AddI32(0);
        std::vector<int32_t> slots;
        const int32_t firstSymbol = symbolBlock + SymbolIndexBlockBytes;
        for (int s = 0; s < 3; ++s) {
            w.AddI32(firstSymbol + s * 424);
            slots.push_back(firstSymbol + s * 424);
        }
        w.AddZeros(253 * 4);
        for (int s = 0; s < 3; ++s) {
            SymbolBytes sym(424, 0);
            SetSymI16(sym, SymSize, 424);
            SetSymI16(sym, SymNumber, int16_t(10 * (s + 1)));
            SetSymI16(sym, SymObjectType, 2);
            SetSymI16(sym, SymExtent, 25);
            ColorSet set;
            set.set(size_t(s));
            SetSymColors(sym, set);
            SetSymI16(sym, 348, int16_t(s));
            SetSymI16(sym, 350, 50);
            w.AddBytes(sym);
        }
        const int32_t firstBlock = int32_t(b.size());
        const int side = 317;
        for (int k = 0; k < ObjectCount; k += 256) {
            const size_t block = b.size();
            const int n = std::min(256, ObjectCount - k);
            const size_t records = block + ObjectIndexBlockBytes;
            const size_t next = records + size_t(n) * 48;
            w.AddI32(k + 256 < ObjectCount ? int32_t(next) : 0);
            for (int i = 0; i < 256; ++i) {
                ObjectIndexEntry e;
                if (i < n) {
                    const int o = k + i;
                    const int32_t x = (o % side - side / 2) * Mm * 200 / side;
                    const int32_t y = (o / side - side / 2) * Mm * 200 / side;
                    e = {{x - 25 * 256, y - 25 * 256, x + 4 * Mm + 25 * 256, y + 2 * Mm + 25 * 256},
                         int32_t(records + size_t(i) * 48), 2, uint16_t(10 * (1 + o % 3))};
                }
                w.AddBytes(WriteObjectIndexEntry(e));
            }
            for (int i = 0; i < n; ++i) {
                const int o = k + i;
                const int32_t x = (o % side - side / 2) * Mm * 200 / side;
                const int32_t y = (o / side - side / 2) * Mm * 200 / side;
                w.AddI16(int16_t(10 * (1 + o % 3)));
                w.AddU8(2);
                w.AddU8(0);
                w.AddU16(2);
                w.AddZeros(26);
                w.AddI32(x);
                w.AddI32(y);
                w.AddI32(x + 4 * Mm);
                w.AddI32(y + 2 * Mm);
            }
        }
        MapFileHeader h;
        h.SymbolIndexPos = symbolBlock;
        h.ObjectIndexPos = firstBlock;
        h.SetupPos = VariablePartPos;
        h.SetupSize = int32_t(SetupRecordBytes);
        w.PutBytes(0, WriteMapHeaderBytes(h));
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        std::atexit([] { std::remove(MapPath().c_str()); });
        return p;
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
