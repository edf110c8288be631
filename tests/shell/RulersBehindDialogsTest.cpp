// The rulers show their scale whenever they are painted: behind a command's dialog as without
// one, the active map's and another window's, leaving the transform in use as it was.
#include "ShellFixture.h"

#include "../external/ModalScript.h"
#include "../support/ImageDiff.h"

#include "io/widgets/PrintDlg.h"
#include "render/Scale.h"

#include <QMdiSubWindow>
#include <QScreen>

using namespace zemo;
using namespace zemo::test;

namespace {

using RulersBehindDialogs = ShellTest;

TEST_F(RulersBehindDialogs, TheRulersShowTheirScaleWhilePrintsDialogIsUp)
{
    // As another program writes a map: a real-world grid of 100 m at 1:15000; print settings
    // in their ranges, so that the print dialog has nothing to mend.
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201)};
    w.objects = {TestObject::Line(201, {{-60 * Mm, -40 * Mm}, {60 * Mm, 40 * Mm}})};
    PutI16(w.setup, setup::RealWorldCoords, 1);
    PutF64(w.setup, setup::MapScale, 15000);
    PutF64(w.setup, setup::RealWorldGridDistance, 100);
    PutF64(w.setup, setup::RealWorldOffsetX, 612000);
    PutI16(w.setup, setup::PrintIntensity, 100);
    PutI16(w.setup, setup::PrintLineWidth, 100);
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("other.zmd")));
    const auto bytes = FileBytes(TempPath(QStringLiteral("other.zmd")));
    TMdiChild* other = ActiveChild();
    // At four times the zoom of the active one: the two windows' transforms differ.
    Index.ActiveZmd->Setup.Zoom = 12.8;
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("active.zmd")));
    TMdiChild* active = ActiveChild();
    Trigger(Cmd::WindowTile);
    ShowAtTenthMillimetres();

    // Each ruler painted now, as the screen shows it.
    const auto paintAll = [&] {
        std::vector<QImage> shown;
        for (TMdiChild* c : {active, other})
            for (QWidget* ruler : {static_cast<QWidget*>(c->HorScale()), static_cast<QWidget*>(c->VerScale())}) {
                ruler->repaint();
                const QPoint o = ruler->mapTo(&Frame(), QPoint(0, 0));
                shown.push_back(Frame().screen()->grabWindow(Frame().winId(), o.x(), o.y(), ruler->width(),
                                                             ruler->height()).toImage());
            }
        return shown;
    };
    const std::vector<QImage> without = paintAll();
    // The pointer is still mapped with the active view: 1 pixel = 0.1 mm = 2560 units.
    EXPECT_DOUBLE_EQ(Scale.ViewScaleX, 1.0 / 2560);
    bool looked = false;
    ModalScript script;
    script.Then<TPrintDlg>([&](TPrintDlg&) {
        looked = CommandBusy;
        const ScaleState running = Scale;
        const std::vector<QImage> behind = paintAll();
        for (size_t i = 0; i < behind.size(); ++i)
            EXPECT_EQ(DifferingPixels(behind[i], without[i]), QRect()) << "ruler " << i;
        EXPECT_EQ(Scale.ViewOrigin.x, running.ViewOrigin.x);
        EXPECT_EQ(Scale.ViewOrigin.y, running.ViewOrigin.y);
        EXPECT_EQ(Scale.ViewScaleX, running.ViewScaleX);
        EXPECT_TRUE(Scale.DrawRect == running.DrawRect);
    });
    Trigger(Cmd::FilePrint);
    Settle();
    ASSERT_TRUE(looked) << "the rulers were painted while the dialog was up";
    EXPECT_TRUE(script.Unexpected().isEmpty());
    EXPECT_FALSE(Index.ActiveZmd->Modified);

    // The other map, only looked at, closes without a question, its file as it was written.
    Activate(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
    messages.Clear();
    Choose(Cmd::FileClose);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    EXPECT_EQ(FileBytes(TempPath(QStringLiteral("other.zmd"))), bytes);
}

} // namespace
