// What the main frame shows besides the maps: the status line and the symbol panels when the
// last map has gone, the hints of the buttons under the pointer, and how a button looks
// that cannot be used.
#include "ShellFixture.h"

#include "core/Status.h"
#include "core/widgets/QtStatusBar.h"
#include "shell/widgets/Panels.h"
#include "shell/toolbars/widgets/Toolbar97.h"

#include <QApplication>
#include <QDockWidget>
#include <QEnterEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QStatusBar>

using namespace zemo;

namespace {

class FrameState : public test::ShellTest {
protected:
    MainFramePanels& P() const { return *PanelsOf(Frame()); }
    QString PanelText(StatusPanel s) const { return P().Status->Panel(s)->text(); }
    TToolbarButton97* Button(Cmd c) const
    {
        QAction* a = Frame().Action(c);
        TToolbarButton97* b = Frame().StandardToolbar()->ButtonFor(a);
        return b ? b : Frame().EditToolbar()->ButtonFor(a);
    }
    // The line symbol current, the curve tool on it, the pointer over the map.
    void Work()
    {
        ChooseSymbol(1);
        Trigger(Cmd::CurveBtn);
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5}); // the activating click does nothing
        Mouse(Surface(), QEvent::MouseMove, {60, 40}, Qt::NoButton, Qt::NoButton);
        Settle();
    }
    // Pixels of the button's face (its border left out) darker than this grey.
    int DarkPixels(QWidget* b, int grey) const
    {
        const QImage img = b->grab().toImage();
        int n = 0;
        for (int y = 3; y < img.height() - 3; ++y)
            for (int x = 3; x < img.width() - 3; ++x)
                n += qGray(img.pixel(x, y)) < grey ? 1 : 0;
        return n;
    }
};

TEST_F(FrameState, AfterTheLastMapClosesNothingOfItIsLeftInThePanelsAndTheStatusLine)
{
    enum class Way { FileClose, WindowsOwnClose };
    for (Way way : {Way::FileClose, Way::WindowsOwnClose}) {
        const char* what = way == Way::FileClose ? "File > Close" : "the window's close";
        ASSERT_TRUE(OpenSample(QStringLiteral("a.zmd")));
        ASSERT_TRUE(OpenSample(QStringLiteral("b.zmd")));
        Work();
        ASSERT_FALSE(PanelText(StatusPanel::Center).isEmpty()) << "the pointer's position";
        ASSERT_FALSE(PanelText(StatusPanel::Right).isEmpty()) << "the current symbol";
        ASSERT_FALSE(PanelText(StatusPanel::Zoom).isEmpty());
        ASSERT_TRUE(P().SymDock->isVisible());

        for (int left = 1; left >= 0; --left) {
            if (way == Way::FileClose)
                Choose(Cmd::FileClose);
            else
                Frame().MdiArea()->activeSubWindow()->close();
            Settle();
            ASSERT_EQ(Windows(), left) << what;
            if (left == 1) {
                // The other map is there: its panels stay.
                EXPECT_TRUE(P().SymDock->isVisible()) << what;
                EXPECT_TRUE(Enabled(Cmd::ZoomInBtn)) << what;
                continue;
            }
            for (int s = 0; s < StatusPanelCount; ++s)
                EXPECT_EQ(PanelText(StatusPanel(s)).toStdString(), "") << what << ", field " << s;
            EXPECT_TRUE(KeptSymbolText().isEmpty()) << what;
            EXPECT_TRUE(KeptStatusText().isEmpty()) << what;
            EXPECT_FALSE(P().SymDock->isVisible()) << what;
            EXPECT_FALSE(P().EditDock->isVisible()) << what;
            EXPECT_FALSE(P().SymSplitter->isVisible()) << what;
            for (Cmd c : {Cmd::ZoomInBtn, Cmd::MoveBtn, Cmd::CurveBtn, Cmd::SaveBtn})
                EXPECT_FALSE(Enabled(c)) << what << ": " << CmdName(c);
        }
    }
}

TEST_F(FrameState, AButtonsHintGoesToTheHintFieldAndLeavesWithThePointer)
{
    ASSERT_TRUE(OpenSample());
    Work();
    const QString left = PanelText(StatusPanel::Left);
    const QString center = PanelText(StatusPanel::Center);
    const QString zoom = PanelText(StatusPanel::Zoom);
    const QString symbol = PanelText(StatusPanel::Right);
    ASSERT_FALSE(center.isEmpty());
    ASSERT_FALSE(symbol.isEmpty());

    for (Cmd c : {Cmd::ZoomInBtn, Cmd::CurveBtn, Cmd::GridBtn}) {
        TToolbarButton97* b = Button(c);
        ASSERT_NE(b, nullptr) << CmdName(c);
        const QString hint = Frame().Action(c)->toolTip();
        ASSERT_FALSE(hint.isEmpty()) << CmdName(c);
        QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), b->mapToGlobal(QPointF(4, 4)));
        QApplication::sendEvent(b, &enter);
        EXPECT_EQ(PanelText(StatusPanel::Right).toStdString(), hint.toStdString()) << CmdName(c);
        EXPECT_EQ(PanelText(StatusPanel::Left).toStdString(), left.toStdString()) << CmdName(c);
        EXPECT_EQ(PanelText(StatusPanel::Center).toStdString(), center.toStdString()) << CmdName(c);
        EXPECT_EQ(PanelText(StatusPanel::Zoom).toStdString(), zoom.toStdString()) << CmdName(c);
        EXPECT_TRUE(P().Status->isVisible()) << CmdName(c) << ": the hint covers the line";
        EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty()) << CmdName(c);

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        EXPECT_EQ(PanelText(StatusPanel::Right).toStdString(), symbol.toStdString())
            << CmdName(c) << ": the hint stays";
        EXPECT_TRUE(P().Status->isVisible()) << CmdName(c);
    }
}

TEST_F(FrameState, TheGridButtonPaintsEveryMapAgainAtOnce)
{
    ASSERT_TRUE(OpenSample(QStringLiteral("a.zmd")));
    ASSERT_TRUE(OpenSample(QStringLiteral("b.zmd")));
    Choose(Cmd::WindowTile);
    std::vector<TMdiChild*> children;
    for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
        children.push_back(qobject_cast<TMdiChild*>(w->widget()));
    ASSERT_EQ(children.size(), 2u);
    auto pictures = [&] {
        std::vector<QImage> out;
        for (TMdiChild* c : children)
            out.push_back(c->Surface().copy());
        return out;
    };
    const bool grid = ProgramConfig.ScreenGrid;
    const std::vector<QImage> before = pictures();
    Trigger(Cmd::GridBtn);
    EXPECT_NE(ProgramConfig.ScreenGrid, grid);
    const std::vector<QImage> toggled = pictures();
    for (size_t i = 0; i < children.size(); ++i)
        EXPECT_FALSE(toggled[i] == before[i]) << "window " << i << " waits for F5";
    Trigger(Cmd::GridBtn);
    EXPECT_TRUE(pictures() == before) << "the grid goes again";
}

TEST_F(FrameState, AButtonThatCannotActLooksPaleWhateverItsPicture)
{
    const Cmd buttons[] = {Cmd::ZoomInBtn, Cmd::ZoomEntireBtn, Cmd::MoveBtn, Cmd::SaveBtn,
                           Cmd::EditPointBtn, Cmd::CurveBtn};
    // No map: nothing on the buttons is darker than a disabled picture's lines.
    for (Cmd c : buttons) {
        ASSERT_NE(Button(c), nullptr) << CmdName(c);
        EXPECT_FALSE(Button(c)->isEnabled()) << CmdName(c);
        EXPECT_EQ(DarkPixels(Button(c), 140), 0) << CmdName(c) << " looks usable";
    }
    // With a map the same buttons are enabled and drawn dark.
    ASSERT_TRUE(OpenSample());
    ChooseSymbol(1);
    for (Cmd c : {Cmd::ZoomInBtn, Cmd::ZoomEntireBtn, Cmd::MoveBtn, Cmd::SaveBtn}) {
        EXPECT_TRUE(Button(c)->isEnabled()) << CmdName(c);
        EXPECT_GT(DarkPixels(Button(c), 140), 0) << CmdName(c);
    }
}

} // namespace
