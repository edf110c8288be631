// The main frame's panels: built hidden beside the document windows, the status line's left
// field, the quick symbol editor's drawing buttons, and the extensions of higher libraries.
#include "core/LangTexts.h"
#include "core/Status.h"
#include "core/widgets/OwnControls.h"
#include "core/widgets/QtStatusBar.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"

#include <QApplication>
#include <QDockWidget>
#include <QMouseEvent>
#include <QMdiArea>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace zemo;

TEST(Panels, LeftStatusFieldTakesHalfOfWhatTheCentreLeavesNeverLess0)
{
    EXPECT_EQ(LeftStatusWidth(1000, 169), 415);
    EXPECT_EQ(LeftStatusWidth(170, 169), 0);
    EXPECT_EQ(LeftStatusWidth(169, 169), 0);
    EXPECT_EQ(LeftStatusWidth(100, 169), 0);
    EXPECT_EQ(LeftStatusWidth(0, 169), 0);
}

TEST(Panels, FrameGetsHiddenPanelsAStatusLineAndRunsExtensions)
{
    ResetCommandFrame();
    ClearPanelExtensions();
    int runs = 0;
    AddPanelExtension([&](TMainFm&, MainFramePanels& p) {
        ++runs;
        EXPECT_NE(p.SymbolBoxHolder, nullptr);
    });
    TMainFm m(TMainFm::Options{false});
    m.resize(900, 600);
    m.show();
    MainFramePanels* p = PanelsOf(m);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(m.centralWidget(), static_cast<QWidget*>(m.MdiArea()));
    // No map: the symbol panels stay hidden; course and database panels wait for their owners.
    EXPECT_TRUE(p->SymDock->isHidden());
    EXPECT_TRUE(p->EditDock->isHidden());
    EXPECT_TRUE(p->CsPanel->isHidden());
    EXPECT_TRUE(p->DbPanel->isHidden());
    EXPECT_EQ(m.dockWidgetArea(p->SymDock), Qt::RightDockWidgetArea);
    EXPECT_EQ(p->SymEditPanel->width(), SymEditPanelWidth);

    ShowSymbolPanels(*p, true, false);
    EXPECT_TRUE(p->SymDock->isVisible());
    HideSymbolPanels(*p);
    EXPECT_TRUE(p->SymDock->isHidden());

    // The status line is the program's status display, its left field sized by the rule.
    ASSERT_EQ(CurrentStatusDisplay(), p->Status);
    ShowCurrentSymbol(1234, QStringLiteral("Knoll"));
    EXPECT_EQ(p->Status->Panel(StatusPanel::Right)->text(), QStringLiteral("123.4 Knoll"));
    p->Status->resize(700, 20);
    EXPECT_EQ(p->Status->Panel(StatusPanel::Left)->width(),
              LeftStatusWidth(700, p->Status->Panel(StatusPanel::Center)->width()));
    p->Status->resize(100, 20);
    EXPECT_EQ(p->Status->Panel(StatusPanel::Left)->width(), 0);
    ClearPanelExtensions();
}

TEST(Panels, DrawingButtonsMakeTheElementPseudoSymbolCurrent)
{
    ResetCommandFrame();
    ResetIndexState();
    ResetWorkUnit();
    TMainFm m(TMainFm::Options{false});
    MainFramePanels* p = PanelsOf(m);
    ASSERT_NE(p, nullptr);
    MapView view;
    Work.ActiveView = &view;
    int starts = 0;
    SetStartToolHook([&] { ++starts; });
    struct Case { QToolButton* b; int number; int type; };
    for (Case c : {Case{p->SymLineBtn, 32753, 2}, Case{p->SymAreaBtn, 32754, 3},
                   Case{p->SymCircleBtn, 32755, 1}, Case{p->SymDotBtn, 32756, 1}}) {
        c.b->click();
        ASSERT_NE(view.CurrentSymbol, nullptr);
        EXPECT_EQ(uint16_t(SymI16(*view.CurrentSymbol, SymNumber)), c.number);
        EXPECT_EQ(SymI16(*view.CurrentSymbol, SymObjectType), c.type);
    }
    EXPECT_EQ(starts, 4);
    // The dot button starts the tool only when none runs; busy drops every button.
    Work.ToolMode = 3;
    p->SymDotBtn->click();
    EXPECT_EQ(starts, 4);
    CommandBusy = true;
    view.CurrentSymbol = nullptr;
    p->SymLineBtn->click();
    EXPECT_EQ(view.CurrentSymbol, nullptr);
    CommandBusy = false;
    Work.ActiveView = nullptr;
}

TEST(Panels, SplittersSitOnTheEdgesTheyMoveAndResizeWithTheMouse)
{
    ResetCommandFrame();
    ClearPanelExtensions();
    TMainFm m(TMainFm::Options{false});
    m.resize(900, 600);
    m.show();
    MainFramePanels* p = PanelsOf(m);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->SymSplitter, nullptr);
    ASSERT_NE(p->SymBoxSplitterBar, nullptr);
    // Hidden with the panel.
    EXPECT_FALSE(p->SymSplitter->isVisible());
    ShowSymbolPanels(*p, true, false);
    QApplication::processEvents();
    ASSERT_TRUE(p->SymSplitter->isVisible());
    EXPECT_EQ(p->SymSplitter->geometry(),
              QRect(p->SymDock->x(), p->SymDock->y(), SymSplitterSize, p->SymDock->height()));
    // The box's bar shows only with a panel below the box.
    EXPECT_FALSE(p->SymBoxSplitterBar->isVisible());
    p->DbPanel->show();
    QApplication::processEvents();
    ASSERT_TRUE(p->SymBoxSplitterBar->isVisible());

    auto drag = [](QWidget* bar, QPoint d) {
        const QPoint at = bar->rect().center();
        const QPoint g = bar->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QMouseEvent move(QEvent::MouseMove, at + d, g + d, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, at + d, g + d, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
        QApplication::processEvents();
    };
    int moved = 0;
    p->SymSplitter->OnMoved = [&] { ++moved; };
    const int width = p->SymDock->width();
    drag(p->SymSplitter, QPoint(-30, 0));
    EXPECT_EQ(p->SymDock->width(), width + 30);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(p->SymSplitter->geometry().left(), p->SymDock->x());
    drag(p->SymSplitter, QPoint(-5000, 0));
    EXPECT_EQ(p->SymDock->width(), m.width() - 50);

    const int height = p->SymbolBoxHolder->height();
    drag(p->SymBoxSplitterBar, QPoint(0, 25));
    EXPECT_EQ(p->SymbolBoxHolder->height(), height + 25);
    EXPECT_EQ(p->SymBoxSplitterBar->y(),
              p->SymbolBoxHolder->mapTo(p->SymPanel, QPoint(0, p->SymbolBoxHolder->height())).y());
}
