// The object functions in the running program: a new map from the orienteering set, lines and
// an area drawn with the curve tool, then To curve, Reverse, Fill, Copy, Paste and Delete by
// menu, button and key; the map saved and opened again holds exactly what was on screen.
#include "../support/ProgramFixture.h"
#include "core/Config.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "edit/DrCurve.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "render/Scale.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QDir>
#include <QFile>

#include <map>

using namespace zemo;

namespace {

class ObjectFlow : public zemo::test::ProgramFixture {
protected:
    // The list position of the first usable symbol of a type (plain lines only).
    static int SymbolOf(int type)
    {
        const TZmd& z = *Index.ActiveZmd;
        for (int i = 0; i < z.SymbolCount(); ++i) {
            const SymbolBytes& s = z.Symbols[size_t(i)];
            if (SymI16(s, SymObjectType) == type && SymU8(s, SymTextFlag) == 0
                && (SymU8(s, SymStatus) & SymbolStatusMask) == 0)
                return i;
        }
        return -1;
    }
    void DrawWith(int pos)
    {
        Index.ActiveZmd->Setup.CurrentSymbolIndex = int16_t(pos);
        Trigger(Cmd::CurveBtn);
        ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5});
    }
    // Points dragged out to their directions, each handle taken back by Backspace so that the
    // segments stay straight; a click on the last point ends the line.
    void StraightLine(const std::vector<QPoint>& points)
    {
        for (QPoint p : points) {
            DragPoint(Surface(), p, p + QPoint(25, 15));
            Key(Surface(), Qt::Key_Backspace);
        }
        Click(Surface(), points.back());
    }
    void CurvedLine(const std::vector<QPoint>& points)
    {
        for (QPoint p : points)
            DragPoint(Surface(), p, p + QPoint(30, 10));
        Click(Surface(), points.back() + QPoint(30, 10));
    }
    static std::map<int, std::vector<Cord>> Objects()
    {
        std::map<int, std::vector<Cord>> all;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (EntryLive(Index.ActiveZmd->Entry(n)) && ReadElement(n, AuxElement1))
                all[n] = {AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem};
        return all;
    }
    static int Curves(const std::vector<Cord>& c)
    {
        int k = 0;
        for (const Cord& p : c)
            k += (p.x & FirstBezierFlag) ? 1 : 0;
        return k;
    }
    bool Enabled(Cmd c) { return Frame().Action(c)->isEnabled(); }
};

TEST_F(ObjectFlow, DrawnObjectsThroughTheObjectFunctionsSaveAndOpenExactly)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    const int line = SymbolOf(LineObject), area = SymbolOf(AreaObject);
    ASSERT_GE(line, 0);
    ASSERT_GE(area, 0);

    // A straight line: To curve by button makes it curves through the same ends.
    DrawWith(line);
    StraightLine({{80, 100}, {160, 90}, {240, 120}, {320, 100}});
    ASSERT_EQ(Index.SelectedIndex, 1);
    std::vector<Cord> straight = Objects()[1];
    ASSERT_EQ(straight.size(), 4u);
    ASSERT_EQ(Curves(straight), 0);
    // Every object function is there for a selected line drawn with the current symbol.
    Frame().UpdateCommandStates();
    for (Cmd c : {Cmd::EditCut, Cmd::EditCopy, Cmd::EditDelete, Cmd::EditJoin, Cmd::EditToCurve,
                  Cmd::EditToGraphics, Cmd::ExtrasToCurveSym, Cmd::DeleteBtn, Cmd::DuplicateBtn,
                  Cmd::ChangeBtn, Cmd::FillBtn, Cmd::ReverseBtn, Cmd::JoinBtn, Cmd::ToCurveBtn,
                  Cmd::ToGraphicsBtn})
        EXPECT_TRUE(Enabled(c)) << CmdName(c);
    Trigger(Cmd::ToCurveBtn);
    std::vector<Cord> curved = Objects()[1];
    EXPECT_GE(Curves(curved), 2);
    EXPECT_EQ(curved.front(), straight.front());
    EXPECT_EQ(curved.back(), straight.back());

    // Reverse: the first point is the old last one; twice gives the line back.
    Trigger(Cmd::ReverseBtn);
    EXPECT_EQ(Masked(Objects()[1].front().x), Masked(curved.back().x));
    Trigger(Cmd::ReverseBtn);
    EXPECT_EQ(Objects()[1], curved);

    // An area, then Fill with the line symbol: its outline as a closed line.
    DrawWith(area);
    CurvedLine({{100, 250}, {220, 230}, {260, 330}, {120, 340}});
    ASSERT_EQ(Index.SelectedIndex, 2);
    const std::vector<Cord> outline = Objects()[2];
    Index.ActiveZmd->Setup.CurrentSymbolIndex = int16_t(line);
    Trigger(Cmd::EditObjBtn);
    ASSERT_TRUE(Enabled(Cmd::FillBtn));
    Trigger(Cmd::FillBtn);
    ASSERT_EQ(Index.SelectedIndex, 3);
    std::vector<Cord> ring = outline;
    ring.push_back(outline.front());
    EXPECT_EQ(Objects()[3], ring);

    // Copy and Paste by menu: the copy lands centred on the view; Delete by button.
    Trigger(Cmd::EditCopy);
    ASSERT_TRUE(Enabled(Cmd::EditPaste));
    Trigger(Cmd::EditPaste);
    ASSERT_EQ(Index.ActiveZmd->HighestObject, 4);
    EXPECT_EQ(Index.SelectedIndex, 4);
    EXPECT_EQ(Objects()[4].size(), ring.size());
    Trigger(Cmd::DeleteBtn);
    EXPECT_EQ(Objects().count(4), 0u);
    // Paste by key, To curve by menu (a curve stays as it is), Delete by menu and by key.
    Key(Surface(), Qt::Key_Insert, Qt::ShiftModifier);
    ASSERT_EQ(Index.SelectedIndex, 5);
    const std::vector<Cord> pasted = Objects()[5];
    Trigger(Cmd::EditToCurve);
    EXPECT_EQ(Objects()[5], pasted);
    Trigger(Cmd::EditDelete);
    EXPECT_EQ(Objects().count(5), 0u);
    Trigger(Cmd::EditPaste);
    ASSERT_EQ(Index.SelectedIndex, 6);
    Key(Surface(), Qt::Key_Delete);
    EXPECT_EQ(Objects().count(6), 0u);

    // Saved, closed and opened again: every object exactly as it was, flags included.
    const std::map<int, std::vector<Cord>> before = Objects();
    ASSERT_EQ(before.size(), 3u);
    QDir().mkpath(DataFolder() + QStringLiteral("samples"));
    const QString saved = DataFolder() + QStringLiteral("samples/object-functions.zmd");
    QFile::remove(saved);
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSaveAs);
    Trigger(Cmd::FileClose);
    ASSERT_EQ(Index.ActiveZmd, nullptr);
    ASSERT_TRUE(OpenMap(saved));
    std::vector<std::vector<Cord>> a, b;
    for (const auto& [n, c] : before)
        b.push_back(c);
    for (const auto& [n, c] : Objects())
        a.push_back(c);
    EXPECT_EQ(a, b);
}

} // namespace
