#include "shell/CommandState.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace zemo;

namespace {

// Buttons ruled by the selection and the tools (the option buttons are not among them).
const Cmd RuledButtons[] = {
    Cmd::SaveBtn,     Cmd::PrintBtn,     Cmd::ChangeAllSymBtn, Cmd::UndoBtn,
    Cmd::RedoBtn,     Cmd::DeleteBtn,    Cmd::DuplicateBtn,    Cmd::FillBtn,
    Cmd::ChangeBtn,   Cmd::ReverseBtn,   Cmd::JoinBtn,         Cmd::MergeBtn,
    Cmd::ToCurveBtn,  Cmd::ToGraphicsBtn, Cmd::MeasureBtn,     Cmd::MoveBtn,
    Cmd::ZoomInBtn,   Cmd::ZoomOutBtn,   Cmd::ZoomEntireBtn,   Cmd::EditPointBtn,
    Cmd::EditObjBtn,  Cmd::RemovePtBtn,  Cmd::DashPtBtn,       Cmd::CornerPtBtn,
    Cmd::NormalPtBtn, Cmd::DirectionBtn, Cmd::RotateBtn,       Cmd::CutHoleBtn,
    Cmd::CutBtn,      Cmd::MoveParallelBtn, Cmd::CurveBtn,     Cmd::EllipseBtn,
    Cmd::CircleBtn,   Cmd::RectangularBtn, Cmd::StraightBtn,   Cmd::FreehandBtn,
};

struct Case {
    const char* name;
    ShellState state;
    std::set<Cmd> enabled; // every other ruled button is disabled
};

ShellState Map()
{
    ShellState s;
    s.mapOpen = true;
    s.workMode = WorkModes::None;
    return s;
}

ShellState One(int type, bool withHole = false)
{
    ShellState s = Map();
    s.selectedIndex = 4;
    s.selectionCount = 1;
    s.objectType = type;
    s.selectedHoleStart = withHole ? 12 : 0;
    return s;
}

ShellState WithSymbol(ShellState s, int symbolType)
{
    s.currentSymbolIndex = 0;
    s.hasCurrentSymbol = true;
    s.currentSymbolType = symbolType;
    return s;
}

ShellState Several(bool preview)
{
    ShellState s = Map();
    s.selectionCount = 2;
    s.preview = preview;
    return s;
}

const std::set<Cmd> Always = {Cmd::SaveBtn,    Cmd::PrintBtn,     Cmd::ChangeAllSymBtn,
                              Cmd::MoveBtn,    Cmd::ZoomInBtn,    Cmd::ZoomOutBtn,
                              Cmd::ZoomEntireBtn, Cmd::EditPointBtn, Cmd::EditObjBtn};
const std::set<Cmd> Drawing = {Cmd::CurveBtn,       Cmd::EllipseBtn,  Cmd::CircleBtn,
                               Cmd::RectangularBtn, Cmd::StraightBtn, Cmd::FreehandBtn};

std::set<Cmd> Plus(std::set<Cmd> a, std::initializer_list<Cmd> more)
{
    a.insert(more.begin(), more.end());
    return a;
}

std::set<Cmd> Union(std::set<Cmd> a, const std::set<Cmd>& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

std::vector<Case> Cases()
{
    const std::set<Cmd> oneLine = Plus(Always, {Cmd::DeleteBtn, Cmd::DuplicateBtn,
                                                Cmd::ReverseBtn, Cmd::JoinBtn, Cmd::ToCurveBtn,
                                                Cmd::ToGraphicsBtn, Cmd::RemovePtBtn,
                                                Cmd::DashPtBtn, Cmd::CornerPtBtn,
                                                Cmd::NormalPtBtn, Cmd::RotateBtn, Cmd::CutBtn,
                                                Cmd::MoveParallelBtn});
    const std::set<Cmd> multi = Plus(Always, {Cmd::DeleteBtn, Cmd::DuplicateBtn, Cmd::FillBtn,
                                              Cmd::ChangeBtn, Cmd::ReverseBtn, Cmd::JoinBtn,
                                              Cmd::ToCurveBtn, Cmd::ToGraphicsBtn,
                                              Cmd::RotateBtn});
    ShellState graphics = Map();
    graphics.graphics = true;
    ShellState previewDrawing = WithSymbol(Map(), 2);
    previewDrawing.preview = true;
    ShellState tests = Map();
    tests.canUndo = tests.canRedo = tests.canMerge = tests.canMeasure = true;
    ShellState circle = One(1);
    circle.isCuttableCircle = true;
    ShellState direction = One(2);
    direction.canSetDirection = true;
    ShellState rectText = WithSymbol(One(5), 4);
    rectText.rectangleHasText = true;

    return {
        {"no map", ShellState{}, {}},
        {"map, nothing selected", Map(), Always},
        {"symbol graphics", graphics,
         {Cmd::MoveBtn, Cmd::ZoomInBtn, Cmd::ZoomOutBtn, Cmd::ZoomEntireBtn, Cmd::EditPointBtn,
          Cmd::EditObjBtn}},
        {"current symbol enables drawing", WithSymbol(Map(), 2), Union(Always, Drawing)},
        {"no drawing in preview", previewDrawing, Always},
        {"one line", One(2), oneLine},
        {"one line, area symbol fits", WithSymbol(One(2), 3),
         Union(Plus(oneLine, {Cmd::FillBtn, Cmd::ChangeBtn}), Drawing)},
        {"one line, point symbol does not fit", WithSymbol(One(2), 1), Union(oneLine, Drawing)},
        {"one area with its hole selected", WithSymbol(One(3, true), 3),
         Union(Plus(Always, {Cmd::DeleteBtn, Cmd::FillBtn, Cmd::JoinBtn, Cmd::ToCurveBtn,
                             Cmd::ToGraphicsBtn, Cmd::RemovePtBtn, Cmd::DashPtBtn,
                             Cmd::CornerPtBtn, Cmd::NormalPtBtn, Cmd::RotateBtn}),
               Drawing)},
        {"one area", One(3),
         Plus(Always, {Cmd::DeleteBtn, Cmd::DuplicateBtn, Cmd::JoinBtn, Cmd::ToCurveBtn,
                       Cmd::ToGraphicsBtn, Cmd::RemovePtBtn, Cmd::DashPtBtn, Cmd::CornerPtBtn,
                       Cmd::NormalPtBtn, Cmd::RotateBtn, Cmd::CutHoleBtn, Cmd::CutBtn,
                       Cmd::MoveParallelBtn})},
        {"one point that is a cuttable circle", circle,
         Plus(Always, {Cmd::DeleteBtn, Cmd::DuplicateBtn, Cmd::JoinBtn, Cmd::ToCurveBtn,
                       Cmd::ToGraphicsBtn, Cmd::RotateBtn, Cmd::CutBtn})},
        {"direction", direction, Plus(oneLine, {Cmd::DirectionBtn})},
        {"rectangle with text and a text symbol", rectText,
         Union(Plus(Always, {Cmd::DeleteBtn, Cmd::DuplicateBtn, Cmd::JoinBtn, Cmd::ToCurveBtn,
                             Cmd::ToGraphicsBtn, Cmd::RotateBtn, Cmd::FillBtn, Cmd::ChangeBtn}),
               Drawing)},
        {"two objects", Several(false), multi},
        {"two objects in preview", Several(true), Always},
        {"undo, redo, merge, measure", tests,
         Plus(Always, {Cmd::UndoBtn, Cmd::RedoBtn, Cmd::MergeBtn, Cmd::MeasureBtn})},
    };
}

} // namespace

TEST(ToolButtonRules, EnabledStatesFollowMapSelectionToolAndSymbol)
{
    for (const Case& c : Cases()) {
        const ToolButtonStates r = ToolButtonRules(c.state, false, false, 1);
        for (Cmd b : RuledButtons)
            EXPECT_EQ(r[b].enabled, c.enabled.count(b) == 1)
                << c.name << ": " << CmdName(b);
    }
}

TEST(ToolButtonRules, TheToolOfTheWorkModeIsPressed)
{
    const struct {
        int mode;
        Cmd down;
    } table[] = {
        {5, Cmd::FreehandBtn},   {6, Cmd::StraightBtn},  {7, Cmd::RectangularBtn},
        {8, Cmd::CircleBtn},     {9, Cmd::EllipseBtn},   {10, Cmd::CurveBtn},
        {11, Cmd::EditPointBtn}, {12, Cmd::EditObjBtn},  {15, Cmd::RotateBtn},
        {16, Cmd::DirectionBtn}, {17, Cmd::NormalPtBtn}, {18, Cmd::CornerPtBtn},
        {20, Cmd::RemovePtBtn},  {13, Cmd::None},        {14, Cmd::None},
        {0, Cmd::None},
    };
    for (const auto& row : table) {
        ShellState s = Map();
        s.workMode = row.mode;
        const ToolButtonStates r = ToolButtonRules(s, false, false, 1);
        for (const ButtonDef& b : ToolButtons())
            if (b.toolbar == ToolbarId::Edit) {
                EXPECT_EQ(r[b.id].down, b.id == row.down)
                    << "WorkMode " << row.mode << ": " << CmdName(b.id);
            }
    }
}

TEST(ToolButtonRules, OptionButtonsShowTheConfiguration)
{
    const ToolButtonStates r = ToolButtonRules(ShellState{}, true, false, 2);
    EXPECT_TRUE(r[Cmd::GridBtn].down);
    EXPECT_FALSE(r[Cmd::AutoJoinBtn].down);
    EXPECT_FALSE(r[Cmd::Smooth0Btn].down);
    EXPECT_FALSE(r[Cmd::Smooth1Btn].down);
    EXPECT_TRUE(r[Cmd::Smooth2Btn].down);
    EXPECT_TRUE(r[Cmd::GridBtn].enabled) << "options work without a map";
    const ToolButtonStates odd = ToolButtonRules(ShellState{}, false, true, 7);
    EXPECT_TRUE(odd[Cmd::AutoJoinBtn].down);
    for (Cmd c : {Cmd::Smooth0Btn, Cmd::Smooth1Btn, Cmd::Smooth2Btn})
        EXPECT_FALSE(odd[c].down);
}

TEST(ToolButtonRules, ASelectedHoleIsDroppedUnlessOneAreaIsSelected)
{
    EXPECT_FALSE(ToolButtonRules(One(3, true), false, false, 1).clearHole);
    EXPECT_TRUE(ToolButtonRules(One(2, true), false, false, 1).clearHole);
    ShellState two = One(3, true);
    two.selectionCount = 2;
    EXPECT_TRUE(ToolButtonRules(two, false, false, 1).clearHole);
    EXPECT_FALSE(ToolButtonRules(One(2), false, false, 1).clearHole) << "no hole to drop";
}
