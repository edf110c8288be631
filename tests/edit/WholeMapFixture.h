// A map with one object of each kind for the whole-map commands, and its objects read back
// from the flushed working file at literal offsets.
#pragma once

#include "../support/MapFileObjects.h"
#include "EditFixture.h"
#include "document/Undo.h"

#include <optional>
#include <string>
#include <vector>

namespace zemo::test {

class WholeMapTest : public EditTest {
protected:
    // Symbols by number x 10.
    enum : int16_t {
        RotPoint = 10, FixedPoint = 20, LineSym = 30, AreaSym = 40, TextSym = 50,
        RotTextSym = 60, RectSym = 70, LineTextSym = 80,
    };
    // Object numbers of KindsMap.
    enum : int {
        RotPointObj = 1, FixedPointObj, CutCircleObj, BezierObj, AreaObj, TextObj, TextBoxObj,
        RectObj, RotPoint1700Obj, ImportedObj, MissingSymbolObj, KindCount = MissingSymbolObj,
    };
    static constexpr int32_t U = 256;

    static TestMapWriter KindsMap()
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200)};
        TestSymbol rot = TestSymbol::Point(RotPoint, {TestElement::Dot(0, 100)});
        rot.flags = 1;
        TestSymbol rotText = TestSymbol::Text(RotTextSym);
        rotText.flags = 1;
        TestSymbol fixed = TestSymbol::Point(FixedPoint, {TestElement::Dot(0, 80)});
        TestSymbol text = TestSymbol::Text(TextSym);
        TestSymbol rect = TestSymbol::Rect(RectSym);
        fixed.flags = text.flags = rect.flags = 0;
        w.symbols = {rot, fixed, TestSymbol::Line(LineSym), TestSymbol::Area(AreaSym), text, rotText, rect,
                     TestSymbol::LineText(LineTextSym)};
        auto& o = w.objects;
        o.push_back(TestObject::Point(RotPoint, 3 * Mm + 5 * U, 4 * Mm, 900));
        o.push_back(TestObject::Point(FixedPoint, -5 * Mm - 3 * U, 2 * Mm + 7 * U, 450));
        // A circle of 5 mm radius about (10 mm, -10 mm) in four curves, two of them cut out.
        const int32_t k = 70711;  // control distance 0.5523 x 5 mm, rounded to 0.01 mm below
        const int32_t cx = 10 * Mm, cy = -10 * Mm, r = 5 * Mm, c = k / 100 * U;
        o.push_back(TestObject::Line(
            LineSym, {{cx + r, cy},
                      {(cx + r) | FirstBezierFlag, cy + c},
                      {(cx + c) | SecondBezierFlag, cy + r},
                      {cx | NoLeftLineFlag, (cy + r) | NoRightLineFlag},
                      {(cx - c) | FirstBezierFlag, cy + r},
                      {(cx - r) | SecondBezierFlag, cy + c},
                      {cx - r, cy},
                      {(cx - r) | FirstBezierFlag, cy - c},
                      {(cx - c) | SecondBezierFlag, cy - r},
                      {cx | NoLeftLineFlag, (cy - r) | NoRightLineFlag},
                      {(cx + c) | FirstBezierFlag, cy - r},
                      {(cx + r) | SecondBezierFlag, cy - c},
                      {cx + r, cy}}));
        o.push_back(TestObject::Line(LineSym, {{-20 * Mm, 5 * Mm | CornerFlag},
                                               {(-15 * Mm + 3 * U) | FirstBezierFlag, 9 * Mm},
                                               {(-10 * Mm) | SecondBezierFlag, 9 * Mm - 11 * U},
                                               {-5 * Mm | NoLeftLineFlag, 5 * Mm | DashFlag},
                                               {-1 * Mm, 5 * Mm | NoRightLineFlag}}));
        o.push_back(TestObject::Area(AreaSym, {{20 * Mm, 20 * Mm}, {40 * Mm, 20 * Mm}, {40 * Mm, 35 * Mm},
                                               {20 * Mm, 35 * Mm}, {25 * Mm, 25 * Mm | HoleFlag},
                                               {30 * Mm, 25 * Mm}, {30 * Mm, 30 * Mm}}));
        TestObject hill = TestObject::Text(TextSym, -30 * Mm, -20 * Mm + 9 * U, "Hill");
        hill.angle = 300;
        o.push_back(hill);
        TestObject box = TestObject::Rect(RotTextSym, -40 * Mm, 10 * Mm, -25 * Mm, 18 * Mm);
        box.text = "Start";
        box.hasText = true;
        o.push_back(box);
        o.push_back(TestObject::Rect(RectSym, 50 * Mm, -30 * Mm, 70 * Mm + 3 * U, -20 * Mm));
        o.push_back(TestObject::Point(RotPoint, -2 * Mm, -3 * Mm, 1700));
        TestObject imported = TestObject::Point(-1, 1 * Mm, 1 * Mm, 100);
        imported.layerName = "Roads";
        o.push_back(imported);
        o.push_back(TestObject::Point(999, -1 * Mm, 6 * Mm, 100));
        return w;
    }

    // The map open in a window (the window holds the undo ring).
    void OpenKinds(TestMapWriter w = KindsMap())
    {
        OpenMap(w);
        NewWindow();
    }
    std::vector<std::optional<FileObject>> FileObjects()
    {
        const std::vector<uint8_t> b = FlushedBytes();
        std::vector<std::optional<FileObject>> all;
        for (int n = 1; n <= zmd->HighestObject; ++n)
            all.push_back(ObjectInFile(b, n));
        return all;
    }
    // A change through the store with undo on, so that the ring holds something to take back.
    void EditSomething(int n = 1)
    {
        ASSERT_TRUE(ReadElement(n, CurElement));
        BeginElementEdit(n);
        CurElement.Angle = int16_t(CurElement.Angle + 10);
        ASSERT_TRUE(SaveElement(n));
        ASSERT_TRUE(CanUndo());
    }
};

} // namespace zemo::test
