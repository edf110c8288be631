// A map with an object of each kind shown in a window, for the object functions and the
// clipboard: selections by number, the map snapshot and the undo check through the window.
#pragma once

#include "../support/MapSnapshot.h"
#include "EditFixture.h"
#include "document/Undo.h"
#include "edit/ObjClip.h"
#include "edit/ObjFunc.h"
#include "edit/ToCurve.h"

#include <QClipboard>
#include <QMimeData>

namespace zemo::test {

// Literal field offsets of the symbol records used here.
inline constexpr size_t kLineDblMode = 374, kLineDblLeftColor = 380, kLineDblRightColor = 382,
                        kLineDblWidth = 384, kLineDblLeftWidth = 386, kLineDblRightWidth = 388,
                        kLineMainLength = 358, kLineMainGap = 362;

// Object numbers in ObjectTest::ObjectMap(), and the first point of the area's hole.
inline constexpr int CutCircleObj = 1, GapLineObj = 2, HoledAreaObj = 3, PointTextObj = 4, LineTextObj = 5,
                     TextBoxObj = 6;
inline constexpr int HoleStart = 5;
inline constexpr std::initializer_list<int> AllObjects = {CutCircleObj, GapLineObj, HoledAreaObj,
                                                          PointTextObj, LineTextObj, TextBoxObj};

class ObjectTest : public EditTest {
protected:

    void SetUp() override
    {
        EditTest::SetUp();
        qputenv("XDG_STATE_HOME", dir.filePath("state").toUtf8());
        ResetUndoState();
        ResetToCurveUnit();
        ResetEditSys();
        ProgramConfig.RedrawBackground = true;
        ProgramConfig.Smoothing = 1;
        ProgramConfig.AutoJoin = false;
    }
    void TearDown() override
    {
        EditTest::TearDown();
        ResetUndoState();
    }

    // Two colours; a point symbol of one circle, a double line, an area, a text, a line-text and
    // a rectangle symbol; one object of each kind, all near the origin.
    static TestMapWriter ObjectMap()
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
        TestSymbol dbl = TestSymbol::Line(20, 0, 0);
        dbl.SetI16(kLineDblMode, 1);
        dbl.SetI16(kLineDblLeftColor, 0);
        dbl.SetI16(kLineDblRightColor, 0);
        dbl.SetI16(kLineDblWidth, 100);
        dbl.SetI16(kLineDblLeftWidth, 30);
        dbl.SetI16(kLineDblRightWidth, 30);
        dbl.AddColor(0);
        dbl.extent = 80;
        w.symbols = {TestSymbol::Point(10, {TestElement::Circle(0, 300, 30)}), dbl, TestSymbol::Area(30, 1),
                     TestSymbol::Text(40), TestSymbol::LineText(50), TestSymbol::Rect(60)};
        // The cut circle: its centre, then two gaps as angle pairs.
        TestObject circle = TestObject::Point(10, -20 * Mm, 10 * Mm);
        circle.cords.push_back({450, 1350});
        circle.cords.push_back({2250, 3150});
        w.objects.push_back(circle);
        TestObject gaps = TestObject::Line(20, {{-20 * Mm, -10 * Mm}, {-10 * Mm, -12 * Mm}, {0, -10 * Mm}, {10 * Mm, -14 * Mm}});
        gaps.cords[0].x |= NoLeftLineFlag;
        gaps.cords[1].y |= NoRightLineFlag;
        w.objects.push_back(gaps);
        w.objects.push_back(TestObject::Area(30, {{0, 0}, {12 * Mm, 0}, {12 * Mm, 12 * Mm}, {0, 12 * Mm}, {0, 0},
                                                  {3 * Mm, 3 * Mm | HoleFlag}, {6 * Mm, 3 * Mm}, {6 * Mm, 6 * Mm}, {3 * Mm, 3 * Mm}}));
        w.objects.push_back(TestObject::Text(40, 15 * Mm, 5 * Mm, "Text"));
        w.objects.push_back(TestObject::LineText(50, {{-15 * Mm, -20 * Mm}, {5 * Mm, -18 * Mm}}, "Along"));
        TestObject box = TestObject::Rect(40, 15 * Mm, -10 * Mm, 25 * Mm, -4 * Mm);
        box.text = "Box";
        box.hasText = true;
        w.objects.push_back(box);
        return w;
    }

    // The map in a window, every object written once by the store itself (so that a record
    // holds what the store computes for it), undo on.
    MapView& ShowMap(const TestMapWriter& w)
    {
        OpenMap(w);
        InstallRender();
        win = NewWindow(400, 300);
        view = &win->View();
        view->SwallowClick = false;
        UpdateViewOf(*view);
        UndoSuspend quiet;
        for (int n = 1; n <= zmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, CurElement)) {
                EXPECT_TRUE(SaveElement(n)) << n;
            }
        return *view;
    }

    static void Select(std::initializer_list<int> numbers)
    {
        ClearSelection();
        for (int n : numbers) {
            ASSERT_TRUE(GetIndex(n)) << n;
            ToggleSelection(n);
        }
    }
    MapSnapshot Snap() { return SnapCurrentMap(dir.filePath("snapshot.zmd")); }
    // The action is one undo step of the window: taken back and done again twice.
    void CheckUndo(const std::function<void()>& action)
    {
        CheckUndoRedo([this] { return Snap(); }, action, UndoWindowEdit, RedoWindowEdit);
    }
    // The window edits a symbol's graphics: its buffer stands for the objects; the panel's
    // element a line of colour 0.
    void EnterSymbolGraphics()
    {
        view->SymbolGraphicsMode = true;
        view->SymbolGraphics = SymbolGraphicsBuffer{};
        view->SymbolGraphics.Active = true;
        view->GraphicsSymbol = zmd->Symbols[1];
        Index.SymbolGraphics = &view->SymbolGraphics;
        DropSelection();
    }
    std::vector<uint8_t> GraphicsBytes() const
    {
        const SymbolGraphicsBuffer& g = view->SymbolGraphics;
        return {g.Slots.begin(), g.Slots.begin() + g.UsedSlots * 8};
    }
    static std::vector<Cord> CordsOf(const ElementRecord& e) { return {e.Cords(), e.Cords() + e.nItem}; }
    std::vector<Cord> CordsOf(int n) { return CordsOf(Stored(n)); }
    static QByteArray Clip(const char* type)
    {
        const QMimeData* m = QGuiApplication::clipboard()->mimeData();
        return m ? m->data(QString::fromLatin1(type)) : QByteArray();
    }
    // Live objects in number order.
    std::vector<int> LiveObjects() const
    {
        std::vector<int> out;
        for (int n = 1; n <= zmd->HighestObject; ++n)
            if (EntryLive(zmd->Entry(n)))
                out.push_back(n);
        return out;
    }
};

} // namespace zemo::test
