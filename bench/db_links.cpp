// Database links over a generated map of 10,000 objects (points, four-point curves and areas
// in turn) and a dBase link table beside it: Create links making a link and a record for each
// object (on a fresh table each time), and Assign symbols evaluating a rule per linked record
// and giving a third of the objects another symbol in one undo step, taken back after each run.
#include "BenchMap.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "external/database/AssignSym.h"
#include "external/database/DBase.h"
#include "external/database/DbObject.h"
#include "external/database/DbSys.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

using namespace zemo;

namespace {

constexpr int ObjectCount = 10000;
constexpr int16_t PointSym = 10, LineSym = 20, AreaSym = 30, OtherLineSym = 21;

bench::BenchMap Sample()
{
    bench::BenchMap map;
    map.colours = bench::BenchColours({{0, 0, 0, 200}});
    map.symbols.push_back(bench::BenchSymbolHead(PointSymbolFixedBytes, PointSym, PointObject, 50, 0));
    for (int n : {LineSym, OtherLineSym}) {
        SymbolBytes l = bench::BenchSymbolHead(LineSymbolFixedBytes, n, LineObject, 10, 0);
        SetSymI16(l, LsLineWidth, 18);
        map.symbols.push_back(l);
    }
    SymbolBytes a = bench::BenchSymbolHead(AreaSymbolFixedBytes, AreaSym, AreaObject, 0, 0);
    SetSymI16(a, AreaFillOn, -1);
    map.symbols.push_back(a);
    map.objectCount = ObjectCount;
    map.object = [](int i) { return bench::MixedGridObject(i, PointSym, LineSym, AreaSym); };
    return map;
}

// The map open with every symbol selected, a dataset "Links" over links.dbf in a folder of its
// own (key ID, symbol field SYMBOL), an undo ring and its file.
class OpenMap {
public:
    OpenMap()
    {
        ResetIndexState();
        ResetUndoState();
        ResetDbSys();
        ResetDBaseUnit();
        ResetDbObjectState();
        zmd_.WorkFile.Open(QString::fromStdString(bench::WriteBenchMap("db_links", Sample())));
        SetCurrentMap(&zmd_);
        LoadMap();
        Index.MapOpen = true;
        SetCurrentSymbolPos(-1);
        for (SymbolBytes& s : zmd_.Symbols)
            SetSymU8(s, SymSelected, 1);
        SetActiveUndoRing(&ring_);
        fileMade_ = CreateUndoFile(false);
        const QString def = QStringLiteral("Links\te") + dir_.path() + QStringLiteral("\ttlinks\tkID\tySYMBOL");
        zmd_.Datasets.AddNumber(def, AddPString(def, DatasetType, 0));
        NewTable();
    }
    ~OpenMap()
    {
        db::ResetDbLinks();
        CloseUndoFile();
        SetActiveUndoRing(nullptr);
        SetCurrentMap(nullptr);
    }
    OpenMap(const OpenMap&) = delete;
    OpenMap& operator=(const OpenMap&) = delete;
    bool Ready() const { return fileMade_ && zmd_.HighestObject == ObjectCount; }

    // An empty link table, and no links.
    void NewTable()
    {
        db::ResetDbLinks();
        QString name = dir_.filePath(QStringLiteral("links.dbf"));
        DBaseNewLinkTable();
        DBaseWriteNewTable(name);
        for (int i = zmd_.ObjectLinks.Count() - 1; i >= 0; --i) {
            ClearPString(zmd_.ObjectLinks.GetNumber(i));
            zmd_.ObjectLinks.Delete(i);
        }
    }

private:
    QTemporaryDir dir_;
    TZmd zmd_;
    UndoRing ring_;
    bool fileMade_ = false;
};

void BM_CreateLinks(benchmark::State& state)
{
    RecordingMessages messages;
    OpenMap open;
    if (!open.Ready()) {
        state.SkipWithError("the map did not open");
        return;
    }
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        open.NewTable();
        state.ResumeTiming();
        made = CreateDbLinks(QStringLiteral("Links"));
    }
    if (made != ObjectCount || messages.Count() > 0)
        state.SkipWithError("not every object was linked");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}
BENCHMARK(BM_CreateLinks)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AssignSymbolsAndUndo(benchmark::State& state)
{
    RecordingMessages messages;
    OpenMap open;
    if (!open.Ready() || CreateDbLinks(QStringLiteral("Links")) != ObjectCount) {
        state.SkipWithError("the map did not open or was not linked");
        return;
    }
    const std::vector<AssignRule> rules = {{QStringLiteral("2.1"), QStringLiteral("SYMBOL = 2.0")},
                                           {QStringLiteral("9.9"), QStringLiteral("SYMBOL = 7.0")}};
    int changed = 0;
    for (auto _ : state) {
        ApplySymbolRules(QStringLiteral("Links"), rules, &changed);
        UndoEdit();
    }
    if (changed != ObjectCount / 3 || CanUndo() || messages.Count() > 0)
        state.SkipWithError("the rules did not change the lines in one step");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    state.counters["changed"] = changed;
}
BENCHMARK(BM_AssignSymbolsAndUndo)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
