// An opened map is painted once, at the size its window keeps once the frame has laid itself
// out for the map (the symbol box docked beside it), by File > Open and by the start-up.
#include "ShellFixture.h"

#include "../support/ImageDiff.h"
#include "edit/Work.h"
#include "shell/StartUp.h"
#include "shell/widgets/Panels.h"

#include <QDockWidget>

using namespace zemo;
using namespace zemo::test;

TEST_F(ShellTest, AnOpenedMapIsPaintedOnceAtTheSizeItsWindowKeeps)
{
    struct Row {
        const char* what;
        bool atStartUp;
    };
    const Row rows[] = {{"File > Open", false}, {"the start-up map", true}};
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const QString path = WriteSample(QStringLiteral("once%1.zmd").arg(++n));
        MainFramePanels* panels = PanelsOf(Frame());
        ASSERT_NE(panels, nullptr);
        ASSERT_TRUE(panels->SymDock->isHidden()) << "no map open, no symbol box";
        const int before = Work.FullPaints;
        if (row.atStartUp) {
            // As the first showing of the frame runs it.
            ASSERT_TRUE(RunInFrame([&] {
                HideSymbolPanels(*panels);
                StartupOpen(path);
            }, "FormPaint"));
        } else {
            ASSERT_TRUE(OpenMap(path));
        }
        Settle();
        TMdiChild* child = ActiveChild();
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(panels->SymDock->isVisible());
        EXPECT_EQ(Work.FullPaints - before, 1);
        const QImage first = child->Surface().copy();
        EXPECT_EQ(first.size(), child->WorkWin()->size());
        // What the open painted is what the window shows at that size.
        Trigger(Cmd::ViewRedraw);
        Settle();
        EXPECT_EQ(Work.FullPaints - before, 2);
        EXPECT_EQ(DifferingPixels(first, child->Surface()), QRect());
        EXPECT_EQ(DifferingPixels(first, child->WorkWin()->grab().toImage().convertToFormat(first.format())), QRect());
        Trigger(Cmd::FileClose);
        Settle();
    }
}
