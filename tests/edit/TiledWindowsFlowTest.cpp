// Two maps side by side in the running program: whatever made a window current (tiling,
// cascading, a redraw of every window, a click, the keyboard), a line drawn in it is stored
// where it was drawn, mapped with that window's own view.
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "render/Scale.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

class TiledWindows : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        // A click the straight-line tool takes as a click on the spot asks for a line by
        // length and angle: a dialog here is a fault, closed so that the test goes on.
        watch_.setInterval(50);
        QObject::connect(&watch_, &QTimer::timeout, [this] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                ++dialogs_;
                d->close();
            }
        });
        watch_.start();
    }
    void TearDown() override
    {
        watch_.stop();
        EXPECT_EQ(dialogs_, 0) << "a dialog came up";
        ProgramFixture::TearDown();
    }
    // One line symbol, current; the view at `zoom` centred on (x, y) mm.
    QString WriteMap(const QString& name, double zoom, int x, int y)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(201)};
        w.objects.push_back(TestObject::Line(201, {{x * Mm, y * Mm}, {(x + 5) * Mm, (y + 5) * Mm}}));
        PutI16(w.setup, setup::CurrentSymbolIndex, 0);
        PutF64(w.setup, setup::Zoom, zoom);
        PutI32(w.setup, setup::ViewCenterX, x * Mm);
        PutI32(w.setup, setup::ViewCenterY, y * Mm);
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        return path;
    }
    static QMdiSubWindow* Sub(TMdiChild* c) { return qobject_cast<QMdiSubWindow*>(c->parentWidget()); }
    // The map point under pixel p of the window, by that window's own view alone.
    static Cord Under(TMdiChild* c, QPoint p)
    {
        const SetupRecord& s = c->View().Document->Setup;
        ViewParams v;
        v.Zoom = s.Zoom;
        v.CenterX = s.ViewCenterX;
        v.CenterY = s.ViewCenterY;
        v.Width = c->View().ClientWidth;
        v.Height = c->View().ClientHeight;
        const ScaleState kept = Scale;
        EXPECT_TRUE(UpdateViewTransform(v));
        const Cord at = DeviceToCord(p);
        Scale = kept;
        return at;
    }
    // A straight line dragged in the active window and ended there; its stored points.
    std::vector<Cord> DrawLine(QPoint from, QPoint to)
    {
        TMdiChild* c = ActiveChild();
        // The click that activated the window is spent first.
        if (c->View().SwallowClick)
            Click(c->WorkWin(), from);
        const int before = Index.ActiveZmd->HighestObject;
        DragPoint(c->WorkWin(), from, to);
        Click(c->WorkWin(), to);
        std::vector<Cord> stored;
        TZmd& z = *c->View().Document;
        if (Index.ActiveZmd != &z || z.HighestObject != before + 1)
            return stored;
        if (ReadElement(z.HighestObject, AuxElement1))
            for (int i = 0; i < AuxElement1.nItem; ++i)
                stored.push_back({Masked(AuxElement1.Cords()[i].x), Masked(AuxElement1.Cords()[i].y)});
        return stored;
    }
    QTimer watch_;
    int dialogs_ = 0;
    // A line in the active window, across its middle, stored where the window shows it.
    void ExpectDrawnWhereShown(const char* how)
    {
        TMdiChild* c = ActiveChild();
        ASSERT_NE(c, nullptr) << how;
        ASSERT_EQ(Work.ActiveView, &c->View()) << how;
        const QPoint mid(c->View().ClientWidth / 2, c->View().ClientHeight / 2);
        const QPoint from = mid - QPoint(40, 20), to = mid + QPoint(30, 25);
        const std::vector<Cord> stored = DrawLine(from, to);
        const std::vector<Cord> shown = {Under(c, from), Under(c, to)};
        EXPECT_EQ(stored, shown) << how;
    }
};

TEST_F(TiledWindows, ALineDrawnInEitherWindowIsStoredWhereItWasDrawnWhateverMadeTheWindowCurrent)
{
    // The two views lie far apart and at different zooms: the other window's view would put
    // a line metres away.
    ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("a.zmd"), 3.2, 0, 0)));
    TMdiChild* a = ActiveChild();
    ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("b.zmd"), 1.6, 400, -300)));
    TMdiChild* b = ActiveChild();
    ASSERT_NE(a, b);
    Trigger(Cmd::StraightBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Freehand);

    Trigger(Cmd::WindowTile);
    ExpectDrawnWhereShown("tiled");
    // Every window painted again, the other one last.
    Trigger(Cmd::ViewRedraw);
    TMdiChild* other = ActiveChild() == a ? b : a;
    other->InvalidateRect({0, 0, other->View().ClientWidth, other->View().ClientHeight});
    Settle();
    ExpectDrawnWhereShown("every window redrawn");

    // A click on the other window makes it current.
    other = ActiveChild() == a ? b : a;
    Click(other->WorkWin(), {3, 3});
    Settle();
    ASSERT_EQ(ActiveChild(), other);
    ExpectDrawnWhereShown("activated by a click");

    // The keyboard's next window.
    other = ActiveChild() == a ? b : a;
    Frame().MdiArea()->activateNextSubWindow();
    Settle();
    ASSERT_EQ(ActiveChild(), other);
    ExpectDrawnWhereShown("activated by the keyboard");

    Trigger(Cmd::WindowCascade);
    ExpectDrawnWhereShown("cascaded");
    other = ActiveChild() == a ? b : a;
    Activate(Sub(other));
    ExpectDrawnWhereShown("the other one after cascading");

    // Tiled again from the menu, the other window's rulers painted last.
    Trigger(Cmd::WindowTile);
    other = ActiveChild() == a ? b : a;
    other->HorScale()->repaint();
    ExpectDrawnWhereShown("tiled again");
}

} // namespace
