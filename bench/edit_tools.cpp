// The editing tools on a selection of 10,000 objects (points, curves and areas on a 100 x 100
// grid of 1 mm cells) shown in a 1000 x 800 window image: moved by a drag, stretched by a
// handle of the frame and turned a quarter with the rotate tool, each gesture through the
// window's input with its XOR feedback, its one undo step and its redraw, in objects per
// second.
#include "BenchMap.h"

#include "core/Config.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/Rotate.h"
#include "edit/Work.h"
#include "render/GraphSys.h"
#include "render/Scale.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <functional>

using namespace zemo;

namespace {

constexpr int Side = 100;
constexpr int ObjectCount = Side * Side;
constexpr int16_t PointSym = 10, LineSym = 20, AreaSym = 30;

const std::string& SelectionMap()
{
    static const std::string path = [] {
        bench::BenchMap map;
        map.colours = bench::BenchColours({{0, 0, 0, 200}, {200, 100, 0, 0}});
        SymbolBytes p = bench::BenchSymbolHead(PointSymbolFixedBytes, PointSym, PointObject, 30, 0);
        SetSymU8(p, SymFlags, SymRotatableFlag);
        map.symbols.push_back(p);
        SymbolBytes l = bench::BenchSymbolHead(LineSymbolFixedBytes, LineSym, LineObject, 10, 0);
        SetSymI16(l, LsLineWidth, 18);
        map.symbols.push_back(l);
        SymbolBytes a = bench::BenchSymbolHead(AreaSymbolFixedBytes, AreaSym, AreaObject, 0, 1);
        SetSymI16(a, AreaFillOn, -1);
        SetSymI16(a, AreaFillColor, 1);
        map.symbols.push_back(a);
        map.objectCount = ObjectCount;
        map.object = [](int i) {
            const double x = (i % Side) - Side / 2.0, y = (i / Side) - Side / 2.0;
            switch (i % 3) {
            case 0:
                return bench::BenchObject{PointSym, PointObject, {bench::AtMm(x + 0.3, y + 0.3)}};
            case 1: {
                Cord c1 = bench::AtMm(x + 0.2, y + 0.5), c2 = bench::AtMm(x + 0.4, y);
                c1.x |= FirstBezierFlag;
                c2.x |= SecondBezierFlag;
                return bench::BenchObject{LineSym, LineObject, {bench::AtMm(x, y), c1, c2, bench::AtMm(x + 0.6, y + 0.2)}};
            }
            default:
                return bench::BenchObject{AreaSym, AreaObject,
                                          {bench::AtMm(x, y), bench::AtMm(x + 0.6, y), bench::AtMm(x + 0.6, y + 0.6),
                                           bench::AtMm(x, y + 0.6)}};
            }
        };
        return bench::WriteBenchMap("edit_tools", map);
    }();
    return path;
}

// The map in a window, every object selected, the tool of `workMode` started.
class SelectedMap {
public:
    explicit SelectedMap(int workMode) : win_(1000, 800)
    {
        ResetIndexState();
        ResetWorkUnit();
        ResetUndoState();
        InitGraphSys();
        z_.WorkFile.Open(QString::fromStdString(SelectionMap()));
        SetCurrentMap(&z_);
        LoadMap();
        Index.MapOpen = true;
        ProgramConfig.ScreenGrid = false;
        ProgramConfig.AutoScroll = false;
        z_.Setup.Zoom = 3.2;  // 0.1 mm a pixel: the whole grid in the window
        z_.Setup.ViewCenterX = z_.Setup.ViewCenterY = 0;
        InitMapView(view_, &win_);
        view_.MapShown = true;
        FormResize(view_, 1000, 800);
        Work.ActiveView = &view_;
        SetActiveUndoRing(&view_.Undo);
        UpdateViewOf(view_);
        RegisterEditTool();
        RegisterRotateTool();
        for (int n = 1; n <= ObjectCount; ++n)
            if (GetIndex(n))
                ToggleSelection(n);
        ProgramConfig.WorkMode = workMode;
        StartCurrentTool();
    }
    ~SelectedMap()
    {
        EndCurrentTool();
        SetActiveUndoRing(nullptr);
        UnregisterMapView(&view_);
        Work.ActiveView = nullptr;
        Index.MapOpen = false;
        SetCurrentMap(nullptr);
    }
    SelectedMap(const SelectedMap&) = delete;
    SelectedMap& operator=(const SelectedMap&) = delete;

    // A press at `from`, moves in ten steps and the release at `to`.
    void Drag(QPoint from, QPoint to)
    {
        WorkWinMouseDown(view_, MouseBtn::Left, from, {});
        for (int k = 1; k <= 10; ++k)
            WorkWinMouseMove(view_, from + (to - from) * k / 10, {}, true);
        WorkWinMouseUp(view_, MouseBtn::Left, to, {});
    }
    void Click(QPoint at)
    {
        WorkWinMouseDown(view_, MouseBtn::Left, at, {});
        WorkWinMouseUp(view_, MouseBtn::Left, at, {});
    }
    // The redraw the gesture asked for, untimed by the caller when it wants.
    void Repaint()
    {
        if (!win_.invalidated.empty())
            WorkWinWmPaint(view_, {0, 0, 1000, 800});
        win_.invalidated.clear();
    }

private:
    TZmd z_;
    ImageMapWindow win_;
    MapView view_;
};

QPoint Px(Cord c)
{
    return CordToDevice(Cord{Masked(c.x), Masked(c.y)});
}

// One gesture an iteration, each taking the last one back in its turn; the map stays where
// it was, the undo file grows as in the program.
void RunGestures(benchmark::State& state, int workMode, const std::function<void(SelectedMap&, bool)>& gesture)
{
    SelectedMap map(workMode);
    bool there = true;
    for (auto _ : state) {
        gesture(map, there);
        there = !there;
        state.PauseTiming();
        map.Repaint();
        state.ResumeTiming();
    }
    if (!CanUndo())
        state.SkipWithError("nothing changed");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}

void BM_MoveSelection(benchmark::State& state)
{
    RunGestures(state, WorkModes::EditObject, [](SelectedMap& m, bool there) {
        // By a point object's position: 3 mm right and up, then back.
        const QPoint member = Px(bench::AtMm(0.3, 0.3)) + (there ? QPoint() : QPoint(30, -30));
        m.Drag(member, member + (there ? QPoint(30, -30) : QPoint(-30, 30)));
    });
}
BENCHMARK(BM_MoveSelection)->Unit(benchmark::kMillisecond);

void BM_StretchSelection(benchmark::State& state)
{
    RunGestures(state, WorkModes::EditObject, [](SelectedMap& m, bool there) {
        // The right handle, to 1.1 times the width and back.
        const CordRect b = EditSys.StretchBox;
        const int32_t e = Masked(SafeRound(8 / Scale.ViewScaleX));
        const QPoint handle = Px({b.x2 + e, int32_t((int64_t(b.y1) + b.y2) / 2)});
        const int width = Px({b.x2, 0}).x() - Px({b.x1, 0}).x();
        m.Drag(handle, handle + QPoint(there ? width / 10 : -width / 11, 0));
    });
}
BENCHMARK(BM_StretchSelection)->Unit(benchmark::kMillisecond);

void BM_TurnSelection(benchmark::State& state)
{
    RunGestures(state, WorkModes::Rotate, [](SelectedMap& m, bool there) {
        // About the window's middle, a quarter turn one way, then the other.
        const QPoint centre(500, 400);
        m.Click(centre);
        m.Drag(centre + QPoint(200, 0), centre + (there ? QPoint(0, -200) : QPoint(0, 200)));
    });
}
BENCHMARK(BM_TurnSelection)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
