// Cutting, following, merging and measuring in the running program: a new map from the shipped
// orienteering set, two touching lines merged, an area cut with the straight tool, its border
// followed with the curve tool, the merged line measured; saved, closed, opened again and
// compared point for point.
#include "../support/ProgramFixture.h"
#include "core/Config.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "edit/widgets/MeasureDlg.h"
#include "render/Scale.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

struct Stored {
    int16_t symbol = 0;
    uint8_t type = 0;
    std::vector<Cord> cords;
    friend bool operator==(const Stored&, const Stored&) = default;
};

class CutMergeFlow : public ProgramFixture {
protected:
    // The first plain symbol of a kind becomes the current one.
    void UseSymbol(int type)
    {
        TZmd& z = *Index.ActiveZmd;
        for (int i = 0; i < z.SymbolCount(); ++i) {
            const SymbolBytes& s = z.Symbols[size_t(i)];
            if (SymI16(s, SymObjectType) == type && (type != LineObject || SymU8(s, SymTextFlag) == 0)
                && (SymU8(s, SymStatus) & SymbolStatusMask) == 0) {
                SetCurrentSymbolPos(i);
                return;
            }
        }
        FAIL() << "no symbol of type " << type;
    }
    void ShowAtTenthMillimetres()
    {
        ProgramFixture::ShowAtTenthMillimetres();
        ASSERT_EQ(DeviceToCord(At(1, 1)), (Cord{Mm, Mm}));
    }
    static Cord Map(double x, double y) { return {int32_t(x * Mm), int32_t(y * Mm)}; }
    void Tool(Cmd button)
    {
        Trigger(button);
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {2, 2});
    }
    void Choose(Cmd c)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
        Trigger(c);
    }
    // A drag with Ctrl held throughout.
    void CtrlDrag(QPoint from, QPoint to)
    {
        Mouse(Surface(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
        Mouse(Surface(), QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
        Mouse(Surface(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
        Mouse(Surface(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
        Settle(2);
    }
    static std::vector<Stored> Objects()
    {
        std::vector<Stored> all;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (EntryLive(Index.ActiveZmd->Entry(n)) && ReadElement(n, AuxElement1))
                all.push_back({AuxElement1.Symbol, AuxElement1.ObjectType,
                               {AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem}});
        return all;
    }
    static std::vector<Cord> Plain(const std::vector<Cord>& p)
    {
        std::vector<Cord> out;
        for (Cord c : p)
            out.push_back({Masked(c.x), Masked(c.y)});
        return out;
    }
};

TEST_F(CutMergeFlow, MergedCutFollowedAndMeasuredObjectsComeBackExactly)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    ProgramConfig.AutoJoin = false;
    ShowAtTenthMillimetres();

    // Two lines meeting at B, merged into one.
    UseSymbol(LineObject);
    Tool(Cmd::StraightBtn);
    DragPoint(Surface(), At(-15, 5), At(-5, 5));
    Click(Surface(), At(-5, 5));
    DragPoint(Surface(), At(-5, 5), At(-5, 10));
    Click(Surface(), At(-5, 10));
    ASSERT_EQ(Objects().size(), 2u);
    Tool(Cmd::EditObjBtn);
    DragPoint(Surface(), At(-16, 11), At(-4, 4));
    ASSERT_EQ(Index.SelectionCount, 2);
    Choose(Cmd::EditMerge);
    std::vector<Stored> now = Objects();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(Plain(now[0].cords), (std::vector<Cord>{Map(-15, 5), Map(-5, 5), Map(-5, 10)}));

    // A square area cut in two with the straight tool.
    UseSymbol(AreaObject);
    Tool(Cmd::StraightBtn);
    DragPoint(Surface(), At(0, 0), At(10, 0));
    DragPoint(Surface(), At(10, 0), At(10, 10));
    DragPoint(Surface(), At(10, 10), At(0, 10));
    Click(Surface(), At(0, 10));
    ASSERT_EQ(Objects().size(), 2u);
    const int area = Index.ActiveZmd->HighestObject;
    Tool(Cmd::EditObjBtn);
    Click(Surface(), At(5, 5));
    ASSERT_EQ(Index.SelectedIndex, area);
    // Picking the area made its symbol's own drawing method the one of the moment.
    ProgramConfig.LineMode = WorkModes::Straight;
    Tool(Cmd::CutBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Freehand);
    DragPoint(Surface(), At(5, 0), At(5, 10));
    Click(Surface(), At(5, 10));
    now = Objects();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(messages.Count(), 0);
    for (size_t k : {1u, 2u}) {
        ASSERT_EQ(now[k].cords.size(), 4u) << k;
        std::vector<Cord> p = Plain(now[k].cords);
        std::sort(p.begin(), p.end(), [](Cord a, Cord b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
        const double x0 = k == 1 ? 0 : 5;
        EXPECT_EQ(p, (std::vector<Cord>{Map(x0, 0), Map(x0, 10), Map(x0 + 5, 0), Map(x0 + 5, 10)})) << k;
    }

    // Its border followed round a corner with the curve tool.
    UseSymbol(LineObject);
    Tool(Cmd::CurveBtn);
    CtrlDrag(At(10, 8), At(8, 10));
    Click(Surface(), At(8, 10));
    now = Objects();
    ASSERT_EQ(now.size(), 4u);
    EXPECT_EQ(Plain(now[3].cords), (std::vector<Cord>{Map(10, 8), Map(10, 10), Map(8, 10)}));

    // The merged line measured: 15 mm at 1:15000.
    Tool(Cmd::EditObjBtn);
    Click(Surface(), At(-10, 5));
    ASSERT_EQ(Index.SelectedIndex, 1);
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* dlg = dynamic_cast<TMeasureDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        shown = dlg->findChild<QLabel*>(QStringLiteral("ResultB"))->text();
        dlg->accept();
    });
    Choose(Cmd::EditMeasure);
    EXPECT_EQ(shown, QStringLiteral("0.225 km"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0.225"));

    const std::vector<Stored> made = Objects();
    const QString saved = TempPath(QStringLiteral("cut-merge.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSave);
    Trigger(Cmd::FileClose);
    ASSERT_FALSE(Index.MapOpen);
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    QFile::remove(samples + QStringLiteral("/cut-follow-merge.zmd"));
    QFile::copy(saved, samples + QStringLiteral("/cut-follow-merge.zmd"));
    ASSERT_TRUE(OpenMap(saved));
    EXPECT_EQ(Objects(), made);
    EXPECT_EQ(messages.Count(), 0);
}

} // namespace
