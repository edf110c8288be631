// The whole road offscreen: the main frame starts, File > New makes a map from the shipped
// orienteering symbol set, the curve tool draws a line and an area with mouse events on the
// document window, the map is saved, closed and opened again, and the file holds the objects
// at their coordinates.
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/NewMap.h"
#include "document/Open.h"
#include "edit/DrCurve.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "render/Scale.h"
#include "render/Texts.h"
#include "shell/CommandFrame.h"
#include "shell/StartUp.h"
#include "shell/widgets/DocumentCommands.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace zemo;
using zemo::test::GetI32;

namespace {

class EndToEnd : public zemo::test::ProgramFixture {
protected:
    // The first symbol of the map with this object type (a plain line: no text flag).
    static int SymbolIndexOfType(int type)
    {
        TZmd& z = *Index.ActiveZmd;
        for (int i = 0; i < z.SymbolCount(); ++i) {
            const SymbolBytes& s = z.Symbols[size_t(i)];
            if (SymI16(s, SymObjectType) == type && SymU8(s, SymTextFlag) == 0
                && (SymU8(s, SymStatus) & SymbolStatusMask) == 0)
                return i;
        }
        return -1;
    }
};

TEST_F(EndToEnd, ANewMapFromTheOrienteeringSetIsDrawnOnSavedAndOpenedAgain)
{
    // File > New: the dialog lists the shipped sets; the orienteering set is chosen.
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    EXPECT_GT(Index.ActiveZmd->SymbolCount(), 50);
    TMdiChild* child = ActiveChild();
    ASSERT_NE(child, nullptr);
    QWidget* surface = child->WorkWin();
    Settle();

    // The curve tool with a line symbol of the set, then with an area symbol.
    const int lineSym = SymbolIndexOfType(LineObject);
    const int areaSym = SymbolIndexOfType(AreaObject);
    ASSERT_GE(lineSym, 0);
    ASSERT_GE(areaSym, 0);
    Index.ActiveZmd->Setup.CurrentSymbolIndex = int16_t(lineSym);
    Frame().Action(Cmd::CurveBtn)->trigger();
    Settle();
    ASSERT_EQ(Work.ToolMode, 8);
    const QPoint a{100, 120}, b{220, 100}, c{320, 180};
    const Cord ca = DeviceToCord(a), cb = DeviceToCord(b);
    // The window was activated when it opened: its first click only activates (swallowed).
    ASSERT_TRUE(child->View().MapShown);
    Click(surface, {5, 5});
    ASSERT_FALSE(child->View().SwallowClick);
    DragPoint(surface, a, a + QPoint(30, -20));
    DragPoint(surface, b, b + QPoint(40, 10));
    Click(surface, c);
    ASSERT_EQ(CountObjects(), 1);
    ASSERT_TRUE(ReadElement(1, AuxElement1));
    ASSERT_EQ(AuxElement1.nItem, 4);
    std::vector<Cord> line(AuxElement1.Cords(), AuxElement1.Cords() + 4);
    EXPECT_EQ(line[0], ca);
    EXPECT_EQ(line[3], cb);

    Frame().Action(Cmd::EditObjBtn)->trigger();
    Settle();
    Index.ActiveZmd->Setup.CurrentSymbolIndex = int16_t(areaSym);
    Frame().Action(Cmd::CurveBtn)->trigger();
    Settle();
    ASSERT_EQ(Work.ToolMode, 8);
    const QPoint p{120, 250}, q{260, 230}, r{200, 330}, s{60, 330};
    DragPoint(surface, p, p + QPoint(20, 0));
    DragPoint(surface, q, q + QPoint(0, 30));
    DragPoint(surface, r, r + QPoint(-30, 0));
    Click(surface, s);
    ASSERT_EQ(CountObjects(), 2);
    ASSERT_TRUE(ReadElement(2, AuxElement1));
    ASSERT_EQ(AuxElement1.nItem, 7);
    EXPECT_EQ(AuxElement1.ObjectType, AreaObject);
    std::vector<Cord> area(AuxElement1.Cords(), AuxElement1.Cords() + 7);
    const int16_t lineSymbol = SymI16(Index.ActiveZmd->Symbols[size_t(lineSym)], SymNumber);
    const int16_t areaSymbol = SymI16(Index.ActiveZmd->Symbols[size_t(areaSym)], SymNumber);

    // File > Save As a new file, then File > Close.
    const QString saved = TempPath(QStringLiteral("drawn.zmd"));
    dialogs.QueueAnswer(true, saved);
    Frame().Action(Cmd::FileSave)->trigger();
    Settle();
    ASSERT_TRUE(QFileInfo::exists(saved));
    Frame().Action(Cmd::FileClose)->trigger();
    Settle();
    EXPECT_FALSE(Index.MapOpen);
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 0);

    // The file itself: both objects at their literal offsets.
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    const std::vector<uint8_t> bytes(raw.begin(), raw.end());
    const int32_t indexPos = GetI32(bytes, 12);
    ASSERT_GT(indexPos, 0);
    ASSERT_LT(size_t(indexPos) + 4 + 48, bytes.size());
    auto record = [&](int k) { return size_t(GetI32(bytes, size_t(indexPos) + 4 + 24 * k + 16)); };
    const size_t r1 = record(0), r2 = record(1);
    ASSERT_LE(r1 + 32 + 8 * 4, bytes.size());
    ASSERT_LE(r2 + 32 + 8 * 7, bytes.size());
    EXPECT_EQ(zemo::test::GetI16(bytes, r1), lineSymbol);
    EXPECT_EQ(GetI32(bytes, r1 + 32), line[0].x);
    EXPECT_EQ(GetI32(bytes, r1 + 36), line[0].y);
    EXPECT_EQ(GetI32(bytes, r1 + 32 + 24), line[3].x);
    EXPECT_EQ(zemo::test::GetI16(bytes, r2), areaSymbol);
    EXPECT_EQ(GetI32(bytes, r2 + 32 + 48), area[6].x);
    EXPECT_EQ(GetI32(bytes, r2 + 32 + 52), area[6].y);
    f.close();

    // File > Open: the store reads it back without a complaint.
    messages.Clear();
    dialogs.QueueAnswer(true, saved);
    Frame().Action(Cmd::FileOpen)->trigger();
    Settle();
    ASSERT_TRUE(Index.MapOpen);
    EXPECT_EQ(messages.Count(), 0) << (messages.Count() ? MessageText(messages.Last()).toStdString() : "");
    ASSERT_EQ(CountObjects(), 2);
    ASSERT_TRUE(ReadElement(1, AuxElement1));
    EXPECT_EQ(AuxElement1.Symbol, lineSymbol);
    ASSERT_EQ(AuxElement1.nItem, 4);
    EXPECT_EQ(std::vector<Cord>(AuxElement1.Cords(), AuxElement1.Cords() + 4), line);
    ASSERT_TRUE(ReadElement(2, AuxElement1));
    EXPECT_EQ(AuxElement1.Symbol, areaSymbol);
    ASSERT_EQ(AuxElement1.nItem, 7);
    EXPECT_EQ(std::vector<Cord>(AuxElement1.Cords(), AuxElement1.Cords() + 7), area);
}

} // namespace
