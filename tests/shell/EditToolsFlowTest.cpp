// The editing tools in the running program: two lines box-selected, moved and stretched, a
// text turned with the rotate tool, a rectangle turned by Edit > Rotate, a corner point put
// into an area and its hole moved parallel; saved, closed, opened again and read from the
// file at its literal offsets.
#include "../support/MapFileObjects.h"
#include "../support/ProgramFixture.h"
#include "document/Index.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/Rotate.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "edit/widgets/RotateDlg.h"
#include "render/Scale.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <fstream>
#include <iterator>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;
constexpr int16_t LineN = 10, AreaN = 20, TextN = 40, RectN = 50;

class EditToolsFlow : public ProgramFixture {
protected:
    void ShowAtTenthMillimetres()
    {
        ProgramFixture::ShowAtTenthMillimetres();
        const MapView& v = ActiveChild()->View();
        ASSERT_EQ(DeviceToCord(At(1, 1)), (Cord{Mm, Mm}));
        ASSERT_GE(v.ClientWidth, 200);
        ASSERT_GE(v.ClientHeight, 200);
        ASSERT_FALSE(v.SwallowClick);
    }
    void Box(QPoint a, QPoint b) { DragPoint(Surface(), a, b); }
    bool Enabled(Cmd c)
    {
        Frame().UpdateCommandStates();
        return Frame().Action(c)->isEnabled();
    }
};

TEST_F(EditToolsFlow, SelectMoveStretchTurnInsertAndMoveParallelReachTheSavedFile)
{
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
    w.symbols = {TestSymbol::Line(LineN, 0, 40), TestSymbol::Area(AreaN, 1), TestSymbol::Text(TextN),
                 TestSymbol::Rect(RectN)};
    TestObject text = TestObject::Text(TextN, -6 * Mm, -4 * Mm, "Hut");
    text.cords.resize(5, text.cords[0]);
    w.objects = {TestObject::Line(LineN, {{-8 * Mm, 6 * Mm}, {-4 * Mm, 6 * Mm}}),
                 TestObject::Line(LineN, {{-8 * Mm, 8 * Mm}, {-4 * Mm, 8 * Mm}}),
                 TestObject::Area(AreaN, {{2 * Mm, -8 * Mm}, {8 * Mm, -8 * Mm}, {8 * Mm, -2 * Mm}, {2 * Mm, -2 * Mm},
                                          {4 * Mm, -6 * Mm | HoleFlag}, {4 * Mm, -4 * Mm}, {6 * Mm, -4 * Mm},
                                          {6 * Mm, -6 * Mm}}),
                 text, TestObject::Rect(RectN, -8 * Mm, -9 * Mm, -5 * Mm, -7 * Mm)};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("edit-tools.zmd")));
    ShowAtTenthMillimetres();
    Trigger(Cmd::EditObjBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Edit);
    EXPECT_FALSE(Enabled(Cmd::EditRotate));

    // The two lines by a box, then dragged by one of them 1 mm right and 1 mm down.
    Box(At(-9, 9), At(-3, 5));
    ASSERT_EQ(Index.SelectionCount, 2);
    EXPECT_TRUE(Enabled(Cmd::EditRotate));
    EXPECT_TRUE(Enabled(Cmd::RotateBtn));
    EXPECT_FALSE(Enabled(Cmd::DirectionBtn)) << "lines have no direction";
    DragPoint(Surface(), At(-8, 6), At(-7, 5));
    // Their frame reaches 0.2 mm beyond the points (the symbol's half width): stretched to
    // twice its width by the right handle, 0.8 mm outside the frame.
    ASSERT_EQ(EditSys.StretchBox, (CordRect{-7 * Mm - 5120, 5 * Mm - 5120, -3 * Mm + 5120, 7 * Mm + 5120}));
    DragPoint(Surface(), At(-2, 6), At(3.2, 6));
    EXPECT_EQ(messages.Count(), 0);

    // The text alone by a box round its anchor, turned a quarter about that anchor.
    Box(At(-6.5, -3.5), At(-5.5, -4.5));
    ASSERT_EQ(Index.SelectedIndex, 4);
    EXPECT_TRUE(Enabled(Cmd::DirectionBtn));
    Trigger(Cmd::RotateBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Rotate);
    Click(Surface(), At(-6, -4));
    DragPoint(Surface(), At(-1, -4), At(-6, 1));

    // The rectangle turned by Edit > Rotate, 90 degrees about the map origin.
    Trigger(Cmd::EditObjBtn);
    Box(At(-8.5, -6.5), At(-4.5, -9.5));
    ASSERT_EQ(Index.SelectedIndex, 5);
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = dynamic_cast<TRotateDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        asked = true;
        dlg->findChild<QLineEdit*>(QStringLiteral("AngleE"))->setText(QStringLiteral("90"));
        dlg->accept();
    });
    ASSERT_TRUE(Enabled(Cmd::EditRotate));
    Trigger(Cmd::EditRotate);
    EXPECT_TRUE(asked);

    // A corner point in the middle of the area's bottom edge, then its hole 0.5 mm wider.
    Click(Surface(), At(3, -3));
    ASSERT_EQ(Index.SelectedIndex, 3);
    Trigger(Cmd::CornerPtBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PointEdit);
    Click(Surface(), At(5, -8));
    Trigger(Cmd::MoveParallelBtn);
    DragPoint(Surface(), At(4, -6), At(3.5, -6));
    EXPECT_EQ(messages.Count(), 0);

    const QString saved = TempPath(QStringLiteral("edited.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSaveAs);
    Trigger(Cmd::FileClose);
    ASSERT_EQ(Index.ActiveZmd, nullptr);
    ASSERT_TRUE(OpenMap(saved));
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 5);

    std::ifstream in(QFile::encodeName(saved).toStdString(), std::ios::binary);
    const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), {}};
    const auto cords = [&](int n) { return ObjectInFile(b, n)->cords; };
    // Moved by (1, -1) mm, then x stretched by 2 from the frame's left side at -7.2 mm.
    EXPECT_EQ(cords(1), (std::vector<Cord>{{-174080, 5 * Mm}, {30720, 5 * Mm}}));
    EXPECT_EQ(cords(2), (std::vector<Cord>{{-174080, 7 * Mm}, {30720, 7 * Mm}}));
    const FileObject t = *ObjectInFile(b, 4);
    EXPECT_EQ(t.cords[0], (Cord{-6 * Mm, -4 * Mm}));
    EXPECT_EQ(t.angle, 900);
    const FileObject r = *ObjectInFile(b, 5);
    EXPECT_EQ(r.cords, (std::vector<Cord>{{9 * Mm, -8 * Mm}, {9 * Mm, -5 * Mm}, {7 * Mm, -5 * Mm}, {7 * Mm, -8 * Mm}}));
    EXPECT_EQ(r.angle, 900);
    const int32_t h = Mm / 2;
    EXPECT_EQ(cords(3), (std::vector<Cord>{{2 * Mm, -8 * Mm}, {5 * Mm, -8 * Mm | CornerFlag}, {8 * Mm, -8 * Mm},
                                           {8 * Mm, -2 * Mm}, {2 * Mm, -2 * Mm},
                                           {4 * Mm - h, (-6 * Mm - h) | HoleFlag}, {4 * Mm - h, -4 * Mm + h},
                                           {6 * Mm + h, -4 * Mm + h}, {6 * Mm + h, -6 * Mm - h}}));

    // Left for people and other programs to look at.
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    QFile::remove(samples + QStringLiteral("/edit-tools.zmd"));
    EXPECT_TRUE(QFile::copy(saved, samples + QStringLiteral("/edit-tools.zmd")));
}


// A closed line moved parallel by the tool: where it starts and ends it gets the corner a ring
// gets there, 3 mm out along the bottom edge of this triangle, and it stays closed.
TEST_F(EditToolsFlow, AClosedLineMovedParallelGetsARingsCornerAtItsEnds)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(LineN, 0, 40)};
    w.objects = {TestObject::Line(LineN, {{0, 0}, {8 * Mm, 0}, {8 * Mm, 6 * Mm}, {0, 0}})};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("closed-line.zmd")));
    ShowAtTenthMillimetres();
    Trigger(Cmd::EditObjBtn);
    Click(Surface(), At(4, 0));
    ASSERT_EQ(Index.SelectedIndex, 1);
    Trigger(Cmd::MoveParallelBtn);
    // From its start 1 mm down, away from its first edge: 1 mm out, to the right of its way.
    DragPoint(Surface(), At(0, 0), At(0, -1));
    EXPECT_EQ(messages.Count(), 0);

    const QString saved = TempPath(QStringLiteral("closed-line-moved.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSaveAs);
    std::ifstream in(QFile::encodeName(saved).toStdString(), std::ios::binary);
    const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), {}};
    ASSERT_TRUE(ObjectInFile(b, 1).has_value());
    EXPECT_EQ(ObjectInFile(b, 1)->cords,
              (std::vector<Cord>{{-3 * Mm, -Mm}, {9 * Mm, -Mm}, {9 * Mm, 8 * Mm}, {-3 * Mm, -Mm}}));
}

} // namespace
