// Optimize and repair and Save as version 7 on a fragmented map of 200,000 objects (points and
// short lines, every other line grown by a point so that its record moved to the end of the
// file, a hundred lines of 3000 points and twenty areas of 2500), against a plain copy of the
// same working file in the same run.
#include "BenchMap.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Optimize.h"
#include "document/Ports.h"
#include "document/Save7.h"
#include "document/Undo.h"
#include "render/AreaSplt.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>

using namespace zemo;

namespace {

constexpr int ObjectCount = 200000;
constexpr int16_t PointSym = 10, LineSym = 20, AreaSym = 30;

// The state folder (working copies) in a folder of its own, removed at the end.
const QString& Scratch()
{
    static const QString dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "zemo_bench_optimize_XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        static const std::string kept = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(kept, ec);
        });
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(pattern + "/state"));
        QDir().mkpath(QString::fromStdString(pattern + "/state"));
        return QString::fromStdString(pattern);
    }();
    return dir;
}

bench::BenchObject Object(int o)
{
    const double x = o % 500, y = o / 500 % 400;
    if (o % 2000 == 7) {
        std::vector<Cord> ring;
        for (int i = 0; i < 2500; ++i) {
            const double a = 2 * std::numbers::pi * i / 2500;
            ring.push_back(bench::AtMm(x + 20 * std::cos(a), y + 20 * std::sin(a)));
        }
        return {AreaSym, AreaObject, ring};
    }
    if (o % 2000 == 11) {
        std::vector<Cord> line;
        for (int i = 0; i < 3000; ++i)
            line.push_back(bench::AtMm(x + i * 0.05, y + (i % 9) * 0.1));
        return {LineSym, LineObject, line};
    }
    if (o % 2)
        return {LineSym, LineObject, {bench::AtMm(x, y), bench::AtMm(x + 1, y), bench::AtMm(x + 1, y + 1)}};
    return {PointSym, PointObject, {bench::AtMm(x, y)}};
}

// The generated map, every other line then grown by a point through the store.
const QString& FragmentedMap()
{
    static const QString path = [] {
        Scratch();
        bench::BenchMap map;
        map.colours = bench::BenchColours({{0, 0, 0, 200}});
        map.symbols = {bench::BenchSymbolHead(352, PointSym, PointObject, 50, 0),
                       bench::BenchSymbolHead(424, LineSym, LineObject, 20, 0),
                       bench::BenchSymbolHead(380, AreaSym, AreaObject, 0, 0)};
        map.objectCount = ObjectCount;
        map.object = Object;
        const QString p = QString::fromStdString(bench::WriteBenchMap("fragmented", map));
        ResetIndexState();
        TZmd z;
        z.WorkFile.Open(p);
        SetCurrentMap(&z);
        LoadMap();
        Index.MapOpen = true;
        UndoSuspend quiet;
        // Object n is object n - 1 of the generator: every other line.
        for (int n = 2; n <= z.HighestObject; n += 4) {
            if (!ReadElement(n, CurElement) || CurElement.ObjectType != LineObject || CurElement.nItem > 3)
                continue;
            CurElement.Slots[CurElement.nItem] = CurElement.Slots[CurElement.nItem - 1];
            ++CurElement.nItem;
            SaveElement(n);
        }
        SetCurrentMap(nullptr);
        Index.MapOpen = false;
        return p;
    }();
    return path;
}

// A fresh copy of the fragmented map opened as the current map.
struct OpenCopy {
    TZmd z;
    explicit OpenCopy(const QString& name)
    {
        const QString copy = Scratch() + u'/' + name;
        QFile::remove(copy);
        QFile::copy(FragmentedMap(), copy);
        z.WorkFile.Open(copy);
        SetCurrentMap(&z);
        LoadMap();
        Index.MapOpen = true;
    }
    ~OpenCopy()
    {
        SetCurrentMap(nullptr);
        Index.MapOpen = false;
    }
};

void BM_PlainCopy(benchmark::State& state)
{
    OpenCopy open(QStringLiteral("plain.zmd"));
    const QString target = Scratch() + QStringLiteral("/plain-copy.zmd");
    for (auto _ : state)
        if (!ReplaceFileWithCopy(open.z.WorkFile, target))
            state.SkipWithError("copy failed");
    state.SetBytesProcessed(state.iterations() * open.z.WorkFile.Size());
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond);

void BM_Optimize(benchmark::State& state)
{
    int64_t before = 0, after = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            OpenCopy open(QStringLiteral("optimize.zmd"));
            before = open.z.WorkFile.Size();
            state.ResumeTiming();
            const std::optional<OptimizeResult> r = OptimizeMap();
            state.PauseTiming();
            if (!r || r->Written != ObjectCount)
                state.SkipWithError("optimize failed");
            after = open.z.WorkFile.Size();
        }
        state.ResumeTiming();
    }
    state.counters["old MB"] = double(before) / 1e6;
    state.counters["new MB"] = double(after) / 1e6;
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}
BENCHMARK(BM_Optimize)->Unit(benchmark::kMillisecond);

void BM_SaveVersion7(benchmark::State& state)
{
    DocumentPorts().SplitArea.Bind([](const Cord* p, int n, const AreaPieceFn& accept) {
        return SplitArea(p, n, accept);
    });
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    const QString target = Scratch() + QStringLiteral("/version7.zmd");
    for (auto _ : state) {
        state.PauseTiming();
        {
            OpenCopy open(QStringLiteral("save7.zmd"));
            state.ResumeTiming();
            const bool ok = SaveOldVersion(7, target);
            state.PauseTiming();
            if (!ok)
                state.SkipWithError("save failed");
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    DocumentPorts().SplitArea.Unbind();
}
BENCHMARK(BM_SaveVersion7)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
