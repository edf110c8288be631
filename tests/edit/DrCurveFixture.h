// A map with a line, an area, a line-text and a text symbol in a shown window, and the curve
// tool driven by the window's own mouse handlers.
#pragma once

#include "DocWindowFixture.h"

#include "app/Install.h"
#include "document/Undo.h"
#include "edit/DrCurve.h"
#include "edit/MovePt.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "render/Texts.h"

#include <cmath>

namespace zemo::test {

class CurveToolTest : public DocWindowTest {
protected:
    enum SymbolPos { LineSym = 0, AreaSym = 1, LineTextSym = 2, TextSym = 3 };

    void OpenCurveMap(std::vector<TestObject> objects = {})
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
        w.symbols = {TestSymbol::Line(10, 0, 50), TestSymbol::Area(20, 1), TestSymbol::LineText(30),
                     TestSymbol::Text(40)};
        w.objects = std::move(objects);
        OpenMap(w);
        InstallRender();   // the text layout for the map store, as the program has it
        ProgramConfig.AutoJoin = false;
        ProgramConfig.AutoScroll = false;
    }

    // The window and the curve tool on the symbol at `pos`.
    void StartCurve(int pos, int workMode = 10)
    {
        win = NewWindow(400, 300);
        view = &win->View();
        RegisterCurveTool();
        EditPorts().Beep.Bind([this] { ++beeps; });
        zmd->Setup.CurrentSymbolIndex = int16_t(pos);
        SelectWorkMode(workMode);
        ASSERT_EQ(Work.ToolMode, 8);
    }

    void Press(QPoint p, ShiftState s = {}) { WorkWinMouseDown(*view, MouseBtn::Left, p, s); }
    void Move(QPoint p, bool held = true) { WorkWinMouseMove(*view, p, {}, held); }
    void Release(QPoint p) { WorkWinMouseUp(*view, MouseBtn::Left, p, {}); }
    // A press at `at` dragged out to `to`.
    void DragPoint(QPoint at, QPoint to)
    {
        Press(at);
        Move((at + to) / 2);
        Move(to);
        Release(to);
    }
    void Click(QPoint at)
    {
        Press(at);
        Release(at);
    }
    void Key(int ch) { FormKeyPress(*view, ch); }

    static Cord At(QPoint p) { return DeviceToCord(p); }
    static double Dist(Cord a, Cord b)
    {
        return std::hypot(double(Masked(a.x)) - Masked(b.x), double(Masked(a.y)) - Masked(b.y));
    }
    // Cross product of (a - o) and (b - o), relative to their lengths (sine of the angle).
    static double Sine(Cord o, Cord a, Cord b)
    {
        const double ax = double(Masked(a.x)) - Masked(o.x), ay = double(Masked(a.y)) - Masked(o.y);
        const double bx = double(Masked(b.x)) - Masked(o.x), by = double(Masked(b.y)) - Masked(o.y);
        return (ax * by - ay * bx) / (std::hypot(ax, ay) * std::hypot(bx, by));
    }
    static double Cosine(Cord o, Cord a, Cord b)
    {
        const double ax = double(Masked(a.x)) - Masked(o.x), ay = double(Masked(a.y)) - Masked(o.y);
        const double bx = double(Masked(b.x)) - Masked(o.x), by = double(Masked(b.y)) - Masked(o.y);
        return (ax * bx + ay * by) / (std::hypot(ax, ay) * std::hypot(bx, by));
    }

    // Object n as the working file holds it.
    ElementRecord& Stored(int n)
    {
        EXPECT_TRUE(ReadElement(n, AuxElement2));
        return AuxElement2;
    }
    int Live() const
    {
        int count = 0;
        for (int n = 1; n <= zmd->HighestObject; ++n)
            if (EntryLive(zmd->Entry(n)))
                ++count;
        return count;
    }

    TMdiChild* win = nullptr;
    MapView* view = nullptr;
    int beeps = 0;
};

} // namespace zemo::test
