// The cut, follow, merge and measure functions on an offscreen window: a map with a line, an
// area, texts, a circle point, a double line and a second line symbol; the drawing, edit and
// cut tools in the tool table; objects read back from the working file.
#pragma once

#include "DrawFixture.h"

#include "../support/MapSnapshot.h"
#include "document/Undo.h"
#include "edit/Cut.h"
#include "edit/CutArea.h"
#include "edit/CutCircle.h"
#include "edit/Edit.h"
#include "edit/Follow.h"
#include "edit/Measure.h"
#include "edit/Merge.h"
#include "render/AreaRings.h"
#include "symbols/store/SymbolLayout.h"

#include <algorithm>

namespace zemo::test {

class CutTest : public DrawTest {
public:
    // Symbol positions and numbers of CutMap.
    enum CutSymbol { LinePos = 0, AreaPos, LineTextPos, TextPos, CirclePos, RectPos, DoublePos, OtherLinePos };
    static constexpr int16_t LineN = 10, AreaN = 20, LineTextN = 30, TextN = 40, CircleN = 50, DoubleN = 70,
                             OtherLineN = 80;

protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        ResetCutUnit();
        ResetCutCircleUnit();
        ResetCutAreaUnit();
        ResetFollowUnit();
        ResetMergeUnit();
        ResetMeasureUnit();
        ResetEditTool();
    }

    // A double line of two side lines 0.2 mm wide, 1 mm apart, no middle line.
    static TestSymbol DoubleLine()
    {
        TestSymbol s = TestSymbol::Line(DoubleN, 0, 0);
        s.SetI16(LsDblMode, 1);
        s.SetI16(LsDblWidth, 100);
        s.SetI16(LsDblLeftWidth, 20);
        s.SetI16(LsDblRightWidth, 20);
        s.AddColor(0);
        s.extent = 70;
        return s;
    }

    // The map of CutSymbol, the tools as the program has them, 500 x 320 pixels at 0.1 mm a
    // pixel with the origin at (250, 160).
    void OpenCutMap(std::vector<TestObject> objects)
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
        w.symbols = {TestSymbol::Line(LineN, 0, 50), TestSymbol::Area(AreaN, 1), TestSymbol::LineText(LineTextN),
                     TestSymbol::Text(TextN), TestSymbol::Point(CircleN, {TestElement::Circle(0, 2000, 20)}),
                     TestSymbol::Rect(60), DoubleLine(), TestSymbol::Line(OtherLineN, 1, 30)};
        w.objects = std::move(objects);
        OpenMap(w);
        InstallRender();
        ProgramConfig.AutoJoin = false;
        ProgramConfig.AutoScroll = false;
        win = NewWindow(500, 320);
        view = &win->View();
        view->SwallowClick = false;
        RegisterCurveTool();
        RegisterFreeTool();
        RegisterEditTool();
        RegisterCutTools();
        EditPorts().Beep.Bind([this] { ++beeps; });
        DocumentPorts().UpdateRect.Bind([](const CordRect& r) { UpdateRect(r); });
        // Every object as the store writes it, so that the working file can be compared.
        for (int n = 1; n <= zmd->HighestObject; ++n)
            if (EntryLive(zmd->Entry(n)) && ReadElement(n, CurElement))
                SaveElement(n);
        ClearUndo();
        StartCurrentTool();
        PaintNow(win);
    }

    // Object n alone selected, as a click of the edit tool leaves it; then the tool of the
    // work mode (drawing methods on the symbol at `pos`).
    void SelectAndStart(int n, int workMode, int hole = 0)
    {
        EndCurrentTool();
        DropSelection();
        ASSERT_TRUE(GetIndex(n));
        SelectOnly(n);
        Index.SelectedHoleStart = hole;
        SelectWorkMode(workMode);
    }
    // Objects selected as a box of the edit tool leaves them.
    void SelectObjects(std::initializer_list<int> objects)
    {
        EndCurrentTool();
        DropSelection();
        for (int n : objects) {
            ASSERT_TRUE(GetIndex(n));
            ToggleSelection(n);
        }
        SelectWorkMode(WorkModes::EditObject);
    }
    // A drawing method (straight, freehand, curve) for the cutting line of an area.
    void CutWith(int n, int lineMode)
    {
        ProgramConfig.LineMode = lineMode;
        SelectAndStart(n, WorkModes::Cut);
    }

    static QPoint PxMm(double x, double y) { return CordToDevice(AtMm(x, y)); }
    static QPoint Px(Cord c) { return CordToDevice(c); }
    static Cord Plain(Cord c) { return {Masked(c.x), Masked(c.y)}; }
    // Points without flags.
    std::vector<Cord> PlainPointsOf(int n)
    {
        std::vector<Cord> p = PointsOf(n);
        for (Cord& c : p)
            c = Plain(c);
        return p;
    }
    // The live objects' numbers.
    std::vector<int> LiveObjects() const
    {
        std::vector<int> out;
        for (int n = 1; n <= zmd->HighestObject; ++n)
            if (EntryLive(zmd->Entry(n)))
                out.push_back(n);
        return out;
    }
    void Drag(QPoint from, QPoint to, ShiftState s = {})
    {
        Press(from, s);
        for (int k = 1; k <= 4; ++k)
            WorkWinMouseMove(*view, from + (to - from) * k / 4, s, true);
        Release(to, s);
    }
    // The working file loaded as a map of its own; the window's view stays as it was.
    std::function<MapSnapshot()> Snap()
    {
        return [this] {
            const ScaleState view = Scale;
            MapSnapshot s = SnapCurrentMap(dir.filePath(QStringLiteral("snapshot.zmd")));
            Scale = view;
            return s;
        };
    }
    static ShiftState Ctrl() { return {false, true, false}; }
    static ShiftState Shift() { return {true, false, false}; }
};

} // namespace zemo::test
