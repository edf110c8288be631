// The part of the symbol panel below the box: the course panel of a course-setting map and
// the database panel of a map with datasets take it only once they are built; until then the
// box fills the whole panel.
#include "../support/ProgramFixture.h"

#include "core/widgets/OwnControls.h"
#include "document/Index.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/Ports.h"
#include "symbols/widgets/SymbolBox.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QDockWidget>

using namespace zemo;
using namespace zemo::test;

namespace {

class LowerPanel : public ProgramFixture {};

TEST_F(LowerPanel, TheBoxFillsThePanelUntilItsLowerPanelIsBuilt)
{
    const struct Row {
        const char* map;
        bool course;  // else: datasets
        bool built;   // the lower panel was filled by its feature
    } rows[] = {
        {"a course-setting map", true, false},
        {"a course-setting map with its course panel", true, true},
        {"a map with datasets", false, false},
        {"a map with datasets and their panel", false, true},
    };
    int k = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.map);
        if (Index.MapOpen)
            Trigger(Cmd::FileClose);
        TestMapWriter w = TestMapWriter::Sample(8);
        for (int n = 0; n < 40; ++n)
            w.symbols.push_back(TestSymbol::Point(int16_t(500 + 10 * n)));
        w.fileType = r.course ? 3 : 2;
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("lower%1.zmd").arg(k++)));
        MainFramePanels& p = *PanelsOf(Frame());
        p.CsPanelBuilt = r.course && r.built;
        p.DbPanelBuilt = !r.course && r.built;
        Index.ActiveZmd->DatasetsPresent = r.course ? 0 : 1;
        SymbolsPorts().RefreshSymbolBox();
        Settle();

        ASSERT_TRUE(p.SymDock->isVisible());
        QWidget* lower = r.course ? p.CsPanel : p.DbPanel;
        EXPECT_EQ(lower->isVisible(), r.built);
        EXPECT_EQ(p.SymBoxSplitterBar->isVisible(), r.built);
        const int holder = p.SymbolBoxHolder->height();
        const int panel = p.SymPanel->height();
        if (r.built) {
            EXPECT_EQ(holder, 53) << "the box keeps its stored height";
            if (r.course)
                EXPECT_GE(p.SymDock->width(), 250) << "room for the course panel";
        } else {
            EXPECT_GE(holder, panel - 2 * SymSplitterSize) << "the box fills the panel";
            TSymbolBox* box = SymbolBoxOf(Frame());
            ASSERT_NE(box, nullptr);
            EXPECT_GE(box->viewport()->height() / 23, box->Grid().rows)
                << "every row shows without scrolling";
        }
    }
}

} // namespace
