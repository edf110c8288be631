// The main frame's panels: built hidden beside the document windows, the status line's left
// field, the quick symbol editor's drawing buttons, and the symbol box in its panel.
#include "../support/ProgramFixture.h"

#include "core/LangTexts.h"
#include "core/Status.h"
#include "core/widgets/OwnControls.h"
#include "core/widgets/QtStatusBar.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/widgets/SymbolBox.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QDockWidget>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace zemo;

namespace {
class Panels : public test::ProgramFixture {};
} // namespace

TEST(StatusLine, LeftFieldTakesHalfOfWhatTheCentreLeavesNeverLess0)
{
    EXPECT_EQ(LeftStatusWidth(1000, 169), 415);
    EXPECT_EQ(LeftStatusWidth(170, 169), 0);
    EXPECT_EQ(LeftStatusWidth(169, 169), 0);
    EXPECT_EQ(LeftStatusWidth(100, 169), 0);
    EXPECT_EQ(LeftStatusWidth(0, 169), 0);
}

TEST_F(Panels, FrameGetsHiddenPanelsAStatusLineAndTheSymbolBox)
{
    TMainFm& m = Frame();
    MainFramePanels* p = PanelsOf(m);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(SymbolBoxOf(m), nullptr);
    EXPECT_TRUE(p->SymbolBoxHolder->isAncestorOf(SymbolBoxOf(m)));
    EXPECT_EQ(m.centralWidget(), static_cast<QWidget*>(m.MdiArea()));
    // No map: the symbol panels and their splitter stay hidden; course and database panels
    // wait for their owners.
    EXPECT_TRUE(p->SymDock->isHidden());
    EXPECT_FALSE(p->SymSplitter->isVisible());
    EXPECT_TRUE(p->EditDock->isHidden());
    EXPECT_TRUE(p->CsPanel->isHidden());
    EXPECT_TRUE(p->DbPanel->isHidden());
    EXPECT_EQ(m.dockWidgetArea(p->SymDock), Qt::RightDockWidgetArea);
    // As designed, or wider where its captions and buttons need it.
    EXPECT_GE(p->SymEditPanel->width(), SymEditPanelWidth);
    EXPECT_GE(p->SymEditPanel->width(), p->SymEditPanel->layout()->minimumSize().width());

    ShowSymbolPanels(*p, true, false);
    Settle();
    EXPECT_TRUE(p->SymDock->isHidden()) << "no map: the symbol box hides it again";

    // The status line is the program's status display, its left field sized by the rule.
    ASSERT_EQ(CurrentStatusDisplay(), p->Status);
    ShowCurrentSymbol(1234, QStringLiteral("Knoll"));
    EXPECT_EQ(p->Status->Panel(StatusPanel::Right)->text(), QStringLiteral("123.4 Knoll"));
    p->Status->resize(700, 20);
    EXPECT_EQ(p->Status->Panel(StatusPanel::Left)->width(),
              LeftStatusWidth(700, p->Status->Panel(StatusPanel::Center)->width()));
    p->Status->resize(100, 20);
    EXPECT_EQ(p->Status->Panel(StatusPanel::Left)->width(), 0);
}

TEST_F(Panels, DrawingButtonsMakeTheElementPseudoSymbolCurrent)
{
    MainFramePanels* p = PanelsOf(Frame());
    ASSERT_NE(p, nullptr);
    MapView view;
    view.SymbolGraphicsMode = true;
    Work.ActiveView = &view;
    int starts = 0;
    AddStateListener([&] { ++starts; });
    struct Case { QToolButton* b; int number; int type; };
    for (Case c : {Case{p->SymLineBtn, 32753, 2}, Case{p->SymAreaBtn, 32754, 3},
                   Case{p->SymCircleBtn, 32755, 1}, Case{p->SymDotBtn, 32756, 1}}) {
        const int before = starts;
        c.b->click();
        EXPECT_GT(starts, before) << "the tool starts";
        const SymbolBytes* current = CurrentSymbol(view);
        ASSERT_NE(current, nullptr);
        EXPECT_EQ(uint16_t(SymI16(*current, SymNumber)), c.number);
        EXPECT_EQ(SymI16(*current, SymObjectType), c.type);
    }
    // The dot button starts the tool only when none runs; busy drops every button.
    Work.ToolMode = ToolModes::Freehand;
    const int before = starts;
    p->SymDotBtn->click();
    EXPECT_EQ(starts, before);
    CommandBusy = true;
    view.GraphicsSymbol.clear();
    p->SymLineBtn->click();
    EXPECT_EQ(CurrentSymbol(view), nullptr);
    CommandBusy = false;
    Work.ToolMode = ToolModes::None;
    Work.ActiveView = nullptr;
}
