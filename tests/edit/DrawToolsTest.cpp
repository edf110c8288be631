// Every drawing tool at once: each object it stores is one undo step, and neither a finished
// gesture nor a tool ended in the middle of one leaves an XOR figure on the window.
#include "DrawFixture.h"

#include "document/Undo.h"

namespace zemo::test {
namespace {

using DrawTools = DrawTest;

struct ToolRow {
    const char* name;
    int symbol;
    int workMode;
    int toolMode;
};

// The symbols' list positions in the drawing map.
enum : int { Line = 0, Area = 1, TextSymbol = 3, Point = 4, Rect = 5 };

const ToolRow Tools[] = {
    {"straight", Line, WorkModes::Straight, ToolModes::Freehand},
    {"freehand", Area, WorkModes::Freehand, ToolModes::Freehand},
    {"rectangular", Area, WorkModes::Rectangular, ToolModes::Rectangular},
    {"circle", Line, WorkModes::Circle, ToolModes::Circle},
    {"ellipse", Area, WorkModes::Ellipse, ToolModes::Ellipse},
    {"point", Point, WorkModes::Curve, ToolModes::PlacePoint},
    {"rectangle", Rect, WorkModes::Curve, ToolModes::PlacePoint},
    {"text", TextSymbol, WorkModes::Curve, ToolModes::PlaceText},
};

constexpr QPoint A{150, 220}, B{300, 220}, C{300, 100}, D{180, 120};

TEST_F(DrawTools, EachStoredObjectIsOneUndoStepAndLeavesNoFigure)
{
    OpenDrawMap();
    for (const ToolRow& t : Tools) {
        StartTool(t.symbol, t.workMode);
        ASSERT_EQ(Work.ToolMode, t.toolMode) << t.name;
        // One gesture of the tool's kind: corners, a drag or two, a click to end.
        DragPoint(A, B);
        if (t.workMode == WorkModes::Straight || t.workMode == WorkModes::Freehand) {
            DragPoint(B, C);
            Move(D, false);
            Click(D);
        } else if (t.workMode == WorkModes::Rectangular) {
            DragPoint(C, C + QPoint(0, -10));
            Click(D);
        } else if (t.workMode == WorkModes::Ellipse) {
            DragPoint(C, D);
        }
        if (t.toolMode == ToolModes::PlaceText) {
            Type(u"T");
            CommitTyping();
            EndCurrentTool();
        }
        ASSERT_EQ(Live(), 1) << t.name;
        EXPECT_TRUE(ShowsAFreshPaint()) << t.name;
        EndCurrentTool();
        EXPECT_TRUE(CanUndo()) << t.name;
        UndoWindowEdit();
        EXPECT_EQ(Live(), 0) << t.name;
        EXPECT_FALSE(CanUndo()) << t.name << ": more than one step";
        RedoWindowEdit();
        EXPECT_EQ(Live(), 1) << t.name;
        UndoWindowEdit();
        ClearUndo();
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(DrawTools, EndingAToolInTheMiddleOfAGestureLeavesNoFigure)
{
    OpenDrawMap();
    for (const ToolRow& t : Tools) {
        // Pressed and dragged, the button still down.
        StartTool(t.symbol, t.workMode);
        Press(A);
        Move({200, 200});
        Move(B);
        EndCurrentTool();
        EXPECT_TRUE(ShowsAFreshPaint()) << t.name << " while dragging";
        EXPECT_EQ(Work.ToolMode, ToolModes::None);
        Release(B);
        // Between two drags (the button up).
        StartTool(t.symbol, t.workMode);
        DragPoint(A, B);
        Move(C, false);
        EndCurrentTool();
        EXPECT_TRUE(ShowsAFreshPaint()) << t.name << " between drags";
        Work.ToolMode = ToolModes::None;
    }
}

} // namespace
} // namespace zemo::test
