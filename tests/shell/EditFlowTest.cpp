// Drawing in the running program: the view tool interrupting a line, and undo and redo by
// menu, button and keys, checked against the map store and the saved file.
#include "../support/ProgramFixture.h"
#include "document/Index.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "render/Scale.h"
#include "shell/widgets/MainFm.h"

#include <QAction>

using namespace zemo;

namespace {

class EditFlow : public zemo::test::ProgramFixture {
protected:
    // A new map from the orienteering set, the curve tool on its first plain line symbol,
    // and the window's activating click spent (when the window was activated by a click).
    void CurveToolOnALine()
    {
        ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
        TZmd& z = *Index.ActiveZmd;
        for (int i = 0; i < z.SymbolCount() && !line_; ++i) {
            const SymbolBytes& s = z.Symbols[size_t(i)];
            if (SymI16(s, SymObjectType) == LineObject && SymU8(s, SymTextFlag) == 0
                && (SymU8(s, SymStatus) & SymbolStatusMask) == 0) {
                z.Setup.CurrentSymbolIndex = int16_t(i);
                line_ = SymI16(s, SymNumber);
            }
        }
        ASSERT_NE(line_, 0);
        Trigger(Cmd::CurveBtn);
        ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5});
        ASSERT_FALSE(ActiveChild()->View().SwallowClick);
    }
    // Three points, each dragged out to its direction; a click on the last one ends the line.
    void DrawLine(QPoint a, QPoint b, QPoint c, bool end = true)
    {
        for (QPoint p : {a, b, c})
            DragPoint(Surface(), p, p + QPoint(30, 10));
        if (end)
            Click(Surface(), c + QPoint(30, 10));
    }
    // The live objects of the current map, each as its points.
    static std::vector<std::vector<Cord>> Objects()
    {
        std::vector<std::vector<Cord>> all;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (EntryLive(Index.ActiveZmd->Entry(n)) && ReadElement(n, AuxElement1))
                all.emplace_back(AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem);
        return all;
    }
    bool Enabled(Cmd c) { return Frame().Action(c)->isEnabled(); }

    int16_t line_ = 0;
};

TEST_F(EditFlow, AToolButtonAfterTheViewToolStoresTheLineItInterruptedAndLeavesNoDraft)
{
    CurveToolOnALine();
    const QPoint a{100, 120}, b{220, 100}, c{320, 180};
    DrawLine(a, b, c, false);
    ASSERT_TRUE(EditSys.DraftShown);
    Key(Surface(), Qt::Key_F7);
    ASSERT_EQ(Work.ToolMode, ToolModes::View);
    // The curve button again (the only drawing tool built): the tool ends and starts anew.
    Trigger(Cmd::CurveBtn);

    EXPECT_EQ(Work.ToolMode, ToolModes::Curve);
    EXPECT_EQ(DrCurve.CurveState, CurveIdle);
    EXPECT_FALSE(EditSys.DraftShown);
    ASSERT_EQ(Objects().size(), 1u);
    const std::vector<Cord> line = Objects()[0];
    ASSERT_EQ(line.size(), 7u);
    EXPECT_EQ(line[0], DeviceToCord(a));
    EXPECT_EQ(line[3], DeviceToCord(b));
    EXPECT_EQ(line[6], DeviceToCord(c));
    // Nothing of the draft is left on the surface: a full repaint shows the same.
    const QImage shown = ActiveChild()->Surface().copy();
    Trigger(Cmd::ViewRedraw);
    Settle();
    EXPECT_TRUE(ActiveChild()->Surface() == shown);
}

TEST_F(EditFlow, UndoAndRedoByMenuKeysAndButtonTakeBackAndRepeatWholeLines)
{
    CurveToolOnALine();
    EXPECT_FALSE(Enabled(Cmd::EditUndo));
    DrawLine({100, 120}, {220, 100}, {320, 180});
    const std::vector<std::vector<Cord>> first = Objects();
    DrawLine({100, 300}, {220, 280}, {320, 360});
    const std::vector<std::vector<Cord>> both = Objects();
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_TRUE(Enabled(Cmd::EditUndo));
    EXPECT_TRUE(Enabled(Cmd::UndoBtn));
    EXPECT_FALSE(Enabled(Cmd::EditRedo));

    Key(Surface(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Objects(), first);
    Trigger(Cmd::UndoBtn);
    EXPECT_TRUE(Objects().empty());
    EXPECT_FALSE(Enabled(Cmd::EditUndo));
    EXPECT_TRUE(Enabled(Cmd::EditRedo));
    Trigger(Cmd::EditRedo);
    EXPECT_EQ(Objects(), first);
    Key(Surface(), Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_TRUE(Objects().empty());
    Trigger(Cmd::RedoBtn);
    ASSERT_EQ(Objects(), first);

    // The saved file holds what the window shows.
    const QString saved = TempPath(QStringLiteral("undone.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSave);
    Trigger(Cmd::FileClose);
    ASSERT_TRUE(OpenMap(saved));
    EXPECT_EQ(Objects(), first);
}

} // namespace
