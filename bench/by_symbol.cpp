// Extras > Select and Delete objects by symbol on a generated map of 100,000 objects (points,
// four-point curves and areas in turn, a third of them of the chosen symbol): the walk that
// selects them, and the delete with its one undo step followed by the undo that brings them
// all back, in objects walked per second.
#include "BenchMap.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "symbols/BySymbol.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

using namespace zemo;

namespace {

constexpr int ObjectCount = 100000;
constexpr int16_t PointSym = 10, LineSym = 20, AreaSym = 30;
constexpr int LinePos = 1;  // the line symbol's place in the list

bench::BenchMap Sample()
{
    bench::BenchMap map;
    map.colours = bench::BenchColours({{0, 0, 0, 200}});
    map.symbols.push_back(bench::BenchSymbolHead(PointSymbolFixedBytes, PointSym, PointObject, 50, 0));
    SymbolBytes l = bench::BenchSymbolHead(LineSymbolFixedBytes, LineSym, LineObject, 10, 0);
    SetSymI16(l, LsLineWidth, 18);
    map.symbols.push_back(l);
    SymbolBytes a = bench::BenchSymbolHead(AreaSymbolFixedBytes, AreaSym, AreaObject, 0, 0);
    SetSymI16(a, AreaFillOn, -1);
    map.symbols.push_back(a);
    map.objectCount = ObjectCount;
    map.object = [](int i) { return bench::MixedGridObject(i, PointSym, LineSym, AreaSym); };
    return map;
}

// The map open as the current one with the line symbol current, an undo ring and its file.
class OpenMap {
public:
    OpenMap()
    {
        ResetIndexState();
        ResetUndoState();
        zmd_.WorkFile.Open(QString::fromStdString(bench::WriteBenchMap("by_symbol", Sample())));
        SetCurrentMap(&zmd_);
        LoadMap();
        Index.MapOpen = true;
        SetCurrentSymbolPos(LinePos);
        SetActiveUndoRing(&ring_);
        fileMade_ = CreateUndoFile(false);
    }
    ~OpenMap()
    {
        CloseUndoFile();
        SetActiveUndoRing(nullptr);
        SetCurrentMap(nullptr);
    }
    OpenMap(const OpenMap&) = delete;
    OpenMap& operator=(const OpenMap&) = delete;
    bool Ready() const { return fileMade_ && zmd_.HighestObject == ObjectCount; }

private:
    TZmd zmd_;
    UndoRing ring_;
    bool fileMade_ = false;
};

const BySymbolRequest WithSymbol{BySymbolChoice::WithSymbol, {}};

void BM_SelectBySymbol(benchmark::State& state)
{
    RecordingMessages messages;
    OpenMap open;
    if (!open.Ready()) {
        state.SkipWithError("the map did not open");
        return;
    }
    int selected = 0;
    for (auto _ : state)
        selected = SelectBySymbol(WithSymbol);
    if (selected != ObjectCount / 3 || messages.Count() > 0)
        state.SkipWithError("not every object of the symbol was selected");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    state.counters["selected"] = selected;
}
BENCHMARK(BM_SelectBySymbol)->Unit(benchmark::kMillisecond);

// Each iteration deletes the objects of the symbol and takes the delete back in one undo.
void BM_DeleteBySymbolAndUndo(benchmark::State& state)
{
    RecordingMessages messages;
    OpenMap open;
    if (!open.Ready()) {
        state.SkipWithError("the map did not open");
        return;
    }
    int deleted = 0;
    for (auto _ : state) {
        deleted = DeleteBySymbol(WithSymbol);
        UndoEdit();
    }
    if (deleted != ObjectCount / 3 || CanUndo() || messages.Count() > 0
        || ObjectsBySymbol(WithSymbol).size() != size_t(ObjectCount / 3))
        state.SkipWithError("the delete was not taken back whole");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    state.counters["deleted"] = deleted;
}
BENCHMARK(BM_DeleteBySymbolAndUndo)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The undo file goes to a state folder of the run's own.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
