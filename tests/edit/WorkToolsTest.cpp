// Which tool the buttons, the selection and the current symbol start, and the cursors.
#include "EditFixture.h"

#include "core/widgets/OwnControls.h"
#include "edit/Cursors.h"

#include <set>

namespace zemo::test {
namespace {

struct Started {
    int mode = 0;
    ToolStartArgs args;
};

class WorkTools : public EditTest {
protected:
    // Every tool of the table records its start and ends itself on request.
    void RegisterRecordingTools()
    {
        for (int m = 1; m < ToolModeCount; ++m)
            RegisterTool(m, {[this, m](const ToolStartArgs& a) {
                                 Work.ToolMode = m;
                                 started.push_back({m, a});
                             },
                             [this] {
                                 ++ended;
                                 Work.ToolMode = ToolModes::None;
                             },
                             {}, {}, {}, {}, {}});
    }
    void OpenWith(uint8_t lineStatus)
    {
        TestMapWriter w = ThreeColourMap();
        w.symbols[0].status = lineStatus;
        TestSymbol area = TestSymbol::Area(40, 1);
        w.symbols.push_back(area);
        w.symbols.push_back(TestSymbol::Point(50));
        w.objects.push_back(TestObject::Area(40, {{0, 0}, {Mm, 0}, {Mm, Mm}, {0, 0}}));
        w.objects.push_back(TestObject::Point(50, 2 * Mm, 2 * Mm));
        OpenMap(w);
        zmd->Setup.CurrentSymbolIndex = 0;
    }
    int Last() const { return started.empty() ? 0 : started.back().mode; }

    std::vector<Started> started;
    int ended = 0;
};

TEST_F(WorkTools, TheCurveButtonWithAProtectedSymbolFallsBackToTheEditTool)
{
    OpenWith(1);
    NewWindow();
    RegisterRecordingTools();
    SelectWorkMode(WorkModes::Curve);
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditPoint);
    EXPECT_EQ(ProgramConfig.LineMode, WorkModes::Curve);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].mode, 10);

    // With the symbol normal the curve tool runs.
    zmd->Symbols[0][SymStatus] = 0;
    SelectWorkMode(WorkModes::Curve);
    EXPECT_EQ(Work.ToolMode, ToolModes::Curve);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::Curve);
    EXPECT_EQ(started.back().args.cut, 0);
    // A hidden symbol or the course preview stop it too.
    zmd->Symbols[0][SymStatus] = 2;
    SelectWorkMode(WorkModes::Straight);
    EXPECT_EQ(Last(), 10);
    zmd->Symbols[0][SymStatus] = 0;
    zmd->CoursePreviewOn = 1;
    SelectWorkMode(WorkModes::Straight);
    EXPECT_EQ(Last(), 10);
    zmd->CoursePreviewOn = 0;
    SelectWorkMode(WorkModes::Straight);
    EXPECT_EQ(Last(), 3);
    EXPECT_EQ(started.back().args.straight, 1);
}

TEST_F(WorkTools, TheCutButtonChoosesByTheSelectedObject)
{
    OpenWith(0);
    NewWindow();
    RegisterRecordingTools();
    ProgramConfig.LineMode = WorkModes::Curve;
    // Object 2 is a line, 7 an area, 8 a point.
    for (auto [object, want, cut] : {std::tuple{2, 13, 0}, std::tuple{7, 8, 1}, std::tuple{8, 14, 0}}) {
        Index.SelectedIndex = object;
        Index.SelectionCount = 1;
        SelectWorkMode(WorkModes::Cut);
        EXPECT_EQ(Last(), want) << object;
        EXPECT_EQ(started.back().args.cut, cut) << object;
    }
    Index.SelectedIndex = 7;
    for (auto [lineMode, want, straight] : {std::tuple{5, 3, 0}, std::tuple{7, 3, 1}, std::tuple{10, 8, 0}}) {
        ProgramConfig.LineMode = lineMode;
        SelectWorkMode(WorkModes::Cut);
        EXPECT_EQ(Last(), want);
        EXPECT_EQ(started.back().args.straight, straight);
    }
    // Holes: the drawing method's tool in hole mode.
    ProgramConfig.LineMode = WorkModes::Ellipse;
    SelectWorkMode(WorkModes::CutHole);
    EXPECT_EQ(Last(), 7);
    EXPECT_EQ(started.back().args.cut, 2);
    // Nothing selected: the edit tool.
    Index.SelectedIndex = 0;
    Index.SelectionCount = 0;
    SelectWorkMode(WorkModes::Cut);
    EXPECT_EQ(Last(), 10);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditPoint);
    // Point operations and the screen window.
    Index.SelectedIndex = 2;
    SelectWorkMode(WorkModes::MoveParallel);
    EXPECT_EQ(Last(), 12);
    EXPECT_EQ(started.back().args.operation, 6);
    SelectWorkMode(WorkModes::ExportRange);
    EXPECT_EQ(Last(), 18);
    EXPECT_EQ(started.back().args.variant, 2);
}

TEST_F(WorkTools, RightReleaseWithoutContextMenuTogglesDrawingAndEditing)
{
    OpenWith(0);
    TMdiChild* w = NewWindow();
    RegisterRecordingTools();
    ProgramConfig.ContextMenu = false;
    ProgramConfig.LineMode = WorkModes::Freehand;
    SelectWorkMode(WorkModes::EditPoint);
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    // A multi-selection of two does not survive the switch; a single one does.
    SelectOnly(1);
    ToggleSelection(2);
    ASSERT_EQ(Index.SelectionCount, 2);
    SendMouse(w->WorkWin(), QEvent::MouseButtonPress, {30, 30}, Qt::RightButton, Qt::RightButton);
    SendMouse(w->WorkWin(), QEvent::MouseButtonRelease, {30, 30}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::Freehand);
    EXPECT_EQ(Work.ToolMode, ToolModes::Freehand);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_FALSE(IsSelected(1) || IsSelected(2));
    SelectOnly(2);
    SendMouse(w->WorkWin(), QEvent::MouseButtonPress, {30, 30}, Qt::RightButton, Qt::RightButton);
    SendMouse(w->WorkWin(), QEvent::MouseButtonRelease, {30, 30}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditPoint);
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    EXPECT_EQ(Index.SelectedIndex, 2);
}

TEST_F(WorkTools, AltGivesTheEditToolWhileTheCutToolRuns)
{
    OpenWith(0);
    TMdiChild* w = NewWindow();
    RegisterRecordingTools();
    Index.SelectedIndex = 2;
    Index.SelectionCount = 1;
    SelectWorkMode(WorkModes::Cut);
    ASSERT_EQ(Work.ToolMode, ToolModes::CutLine);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(w->WorkWin(), &down);
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    EXPECT_EQ(Work.SavedWorkMode, WorkModes::Cut);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(w->WorkWin(), &up);
    EXPECT_EQ(Work.ToolMode, ToolModes::CutLine);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::Cut);
    EXPECT_EQ(Work.SavedWorkMode, WorkModes::None);
}

TEST_F(WorkTools, TheCommandFrameEndsAndRestartsTheTool)
{
    OpenWith(0);
    NewWindow();
    RegisterRecordingTools();
    SelectWorkMode(WorkModes::EditPoint);
    const size_t before = started.size();
    int toolDuringCommand = -1;
    RunInCommandFrame([&] { toolDuringCommand = Work.ToolMode; });
    EXPECT_EQ(toolDuringCommand, 0);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(started.size(), before + 1);
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    // No tool starts while a command runs.
    EndCurrentTool();
    Work.CommandBusy = true;
    StartCurrentTool();
    EXPECT_EQ(Work.ToolMode, ToolModes::None);
    Work.CommandBusy = false;
}

TEST_F(WorkTools, ThirtySevenNamedCursorsAndTheSurfaceShowsThem)
{
    // Each of the 37 has a name and a 32 x 32 picture of its own.
    std::set<std::string> names;
    std::set<QByteArray> bits;
    for (int i = 1; i <= CursorCount; ++i) {
        ASSERT_NE(CursorName(i), nullptr);
        names.insert(CursorName(i));
        const QImage img = ToolCursor(i).pixmap().toImage();
        EXPECT_EQ(img.size(), QSize(32, 32)) << i;
        bits.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()), int(img.sizeInBytes())));
    }
    EXPECT_EQ(names.size(), 37u);
    EXPECT_EQ(bits.size(), 37u);
    EXPECT_EQ(CursorName(0), nullptr);
    EXPECT_EQ(CursorName(38), nullptr);
    EXPECT_STREQ(CursorName(MoveViewCursor), "MOVEVIEW");

    OpenWith(0);
    TMdiChild* w = NewWindow();
    InstallEdit();
    SetToolCursor(DrawCurveCursor);
    EXPECT_EQ(w->WorkWin()->CursorNumber(), DrawCurveCursor);
    EXPECT_EQ(w->WorkWin()->cursor().shape(), Qt::BitmapCursor);
    SetToolCursor(StandardCursor);
    EXPECT_EQ(w->WorkWin()->cursor().shape(), Qt::ArrowCursor);
    SetToolCursor(-3);
    EXPECT_EQ(w->WorkWin()->cursor().shape(), Qt::CrossCursor);
}

} // namespace
} // namespace zemo::test
