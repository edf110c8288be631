// The editing tools on an offscreen document window: a map of a line, an area with a hole, a
// text, a rectangle and points, the tools entered as the program enters them, presses, moves
// and releases sent to the window's own handlers, and the checks every gesture shares.
#pragma once

#include "EditFixture.h"

#include "../support/MapSnapshot.h"
#include "../support/ImageDiff.h"
#include "edit/EdPoint.h"
#include "edit/Edit.h"
#include "edit/EditTransform.h"
#include "edit/Rotate.h"
#include "edit/StchObj.h"

#include <functional>
#include <vector>

namespace zemo::test {

class EditToolTest : public EditTest {
public:
    // Symbol positions of EditMap.
    enum ToolSymbol { LineS = 0, AreaS, TextS, RectS, PointS, HatchS };
    // Symbol numbers x 10.
    static constexpr int16_t LineN = 10, AreaN = 20, TextN = 40, RectN = 50, PointN = 60, HatchN = 70;
    static constexpr int16_t HatchAngle = 300;

    // Two colours; a line, an area, a text, a rectangle, a rotatable point and a hatched area.
    void OpenEditMap(std::vector<TestObject> objects)
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
        TestSymbol point = TestSymbol::Point(PointN, {TestElement::Dot(0, 100)});
        point.flags |= 1;
        TestSymbol hatch = TestSymbol::Area(HatchN, 1);
        hatch.SetI16(354, 1);  // hatch mode
        hatch.SetI16(356, 0);
        hatch.SetI16(358, 10);
        hatch.SetI16(360, 100);
        hatch.SetI16(362, HatchAngle);
        hatch.AddColor(0);
        w.symbols = {TestSymbol::Line(LineN, 0, 50), TestSymbol::Area(AreaN, 1), TestSymbol::Text(TextN),
                     TestSymbol::Rect(RectN), point, hatch};
        w.objects = std::move(objects);
        OpenMap(w);
        InstallRender();
        ProgramConfig.AutoJoin = false;
        ProgramConfig.AutoScroll = false;
        win = NewWindow(400, 300);
        view = &win->View();
        RegisterCurveTool();
        RegisterEditTool();
        RegisterRotateTool();
        RegisterPointEditTool();
        EditPorts().Beep.Bind([this] { ++beeps; });
        // Every object as the store writes it (rectangles, text boxes), so that what an undo
        // writes back can be compared with the map byte for byte.
        EndCurrentTool();
        for (int n = 1; n <= zmd->HighestObject; ++n)
            if (EntryLive(zmd->Entry(n)) && ReadElement(n, CurElement))
                SaveElement(n);
        ClearUndo();
        StartCurrentTool();
        PaintNow(win);
    }

    // The map closed after a row of a table, as the program closes it: the tool ends first.
    void CloseRow()
    {
        EndCurrentTool();
        DropSelection();
        CloseMap();
        ResetEditSys();
        ResetEditTool();
        ResetStchObj();
        ResetEdPoint();
        ResetRotateTool();
        ResetUndoState();
        beeps = 0;
    }

    // The tool of a work mode, started as its button starts it.
    void Tool(int workMode)
    {
        SelectWorkMode(workMode);
    }
    // Objects selected as the selection steps leave them, then the tool of the work mode.
    void SelectAndStart(std::vector<int> objects, int workMode, int hole = 0)
    {
        EndCurrentTool();
        DropSelection();
        for (int n : objects) {
            ASSERT_TRUE(GetIndex(n));
            ToggleSelection(n);
        }
        if (objects.size() == 1) {
            // A single selection: no selection bits, the marks of the one object.
            ClearSelectionBits();
            Index.SelectedIndex = objects[0];
            Index.SelectedHoleStart = hole;
        }
        SelectWorkMode(workMode);
    }

    static QPoint Px(Cord c) { return CordToDevice(Cord{Masked(c.x), Masked(c.y)}); }
    static QPoint PxMm(double x, double y) { return Px(AtMm(x, y)); }

    void PressM(QPoint p, ShiftState s = {}) { WorkWinMouseDown(*view, MouseBtn::Left, p, s); }
    void MoveM(QPoint p, ShiftState s = {}) { WorkWinMouseMove(*view, p, s, true); }
    void ReleaseM(QPoint p, ShiftState s = {}) { WorkWinMouseUp(*view, MouseBtn::Left, p, s); }
    // A drag in a few steps, the modifiers held throughout.
    void Drag(QPoint from, QPoint to, ShiftState s = {})
    {
        PressM(from, s);
        for (int k = 1; k <= 4; ++k)
            MoveM(from + (to - from) * k / 4, s);
        ReleaseM(to, s);
    }
    // The same, the press starting the drag `state` of the edit tool.
    void DragAs(int state, QPoint from, QPoint to, ShiftState s = {})
    {
        PressM(from, s);
        EXPECT_EQ(::zemo::EditTool.EditState, state);
        for (int k = 1; k <= 4; ++k)
            MoveM(from + (to - from) * k / 4, s);
        ReleaseM(to, s);
    }
    void ClickM(QPoint p, ShiftState s = {})
    {
        PressM(p, s);
        ReleaseM(p, s);
    }
    void ArrowKey(int key) { FormKeyDown(*view, key, {}); }

    // Paints what the gesture left to paint, then the window's image.
    QImage Shown()
    {
        Process();
        win->HandlePaintMessage();
        return win->Surface().copy();
    }
    // The image equals a fresh paint of the whole window with the marks that are shown.
    void ExpectNoLeftovers(const char* what)
    {
        const QImage now = Shown();
        PaintNow(win);
        if (win->Surface() == now)
            return;
        const QRect diff = DifferingPixels(now, win->Surface());
        ADD_FAILURE() << what << ": the window differs from a fresh paint in " << diff.x() << "," << diff.y()
                      << " " << diff.width() << "x" << diff.height();
    }

    MapSnapshot Snap() { return SnapCurrentMap(dir.filePath("snap.zmd")); }

    std::vector<Cord> Points(int n)
    {
        const ElementRecord& e = Stored(n);
        return {e.Cords(), e.Cords() + e.nItem};
    }
    // Object n changed in the store (set-up only).
    void Change(int n, const std::function<void(ElementRecord&)>& f)
    {
        EndCurrentTool();
        ASSERT_TRUE(ReadElement(n, CurElement));
        f(CurElement);
        ASSERT_TRUE(SaveElement(n));
        ClearUndo();
        StartCurrentTool();
        PaintNow(win);
    }
    // A text object with the four points of its box (placed by the store).
    static TestObject Text(int32_t x, int32_t y, std::string text)
    {
        TestObject o = TestObject::Text(TextN, x, y, std::move(text));
        o.cords.resize(5, o.cords[0]);
        return o;
    }
};

} // namespace zemo::test
