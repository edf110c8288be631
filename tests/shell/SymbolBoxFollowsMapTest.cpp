// The symbol box shows the symbols of the map whose window is active, whichever way that
// window became active, while the other maps' windows paint with their own map current; a
// click on a cell picks the symbol shown there.
#include "ShellFixture.h"
#include "../support/ImageDiff.h"

#include "edit/Work.h"
#include "shell/widgets/Panels.h"

#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <map>

using namespace zemo;
using namespace zemo::test;

namespace {

// The plain icons' 16-colour palette.
constexpr QRgb Palette[16] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                              0xFF008080, 0xFF808080, 0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                              0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

// A map of `count` symbols numbered first, first + 1, ... (tenths), the icon of the k-th all of
// one colour of the palette (not white); the second one a dot-patterned area whose objects keep
// a paint of the map polling its input for a while. `panel`: the width the map keeps for the
// panel; `current`: the list position of its current symbol.
struct MapSpec {
    const char* name;
    int16_t first;
    int count;
    int palette;
    int panel;
    int current;
    int Color(int pos) const { return (palette + pos) % 15; }
};
constexpr MapSpec MapA{"a.zmd", 1011, 4, 1, 150, 0};
// More symbols than the box shows at once, the current one far down.
constexpr MapSpec MapB{"b.zmd", 7081, 200, 8, 190, 190};

class SymbolBoxFollows : public ShellTest {
protected:
    QString WriteMap(const MapSpec& m)
    {
        TestMapWriter w(8);
        for (int k = 0; k < m.count; ++k) {
            const auto number = int16_t(m.first + k);
            TestSymbol s = k == 1 ? TestSymbol::Area(number, 0, {TestElement::Dot(0, 40)}) : TestSymbol::Point(number);
            if (k == 1)
                s.SetI16(350, 0);
            s.icon.fill(uint8_t(m.Color(k) * 17));
            w.symbols.push_back(s);
        }
        for (int i = 0; i < 300; ++i) {
            const int32_t x = (i % 20 - 10) * 6 * Mm, y = (i / 20 - 8) * 6 * Mm;
            w.objects.push_back(
                TestObject::Area(int16_t(m.first + 1), {{x, y}, {x + 5 * Mm, y}, {x + 5 * Mm, y + 5 * Mm}, {x, y}}));
        }
        w.strings.push_back(TestPString::Make(1024, 0, "\tv" + std::to_string(m.panel) + "\th53"));
        PutI16(w.setup, setup::CurrentSymbolIndex, int16_t(m.current));
        const QString path = TempPath(QString::fromLatin1(m.name));
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        return path;
    }
    bool Open(const MapSpec& m)
    {
        if (!OpenMap(WriteMap(m)))
            return false;
        specs[Index.ActiveZmd] = &m;
        return true;
    }
    // What the screen shows of a widget (the frame's backing store).
    QImage OnScreen(QWidget* w) const
    {
        const QPoint o = w->mapTo(&Frame(), QPoint(0, 0));
        return Frame()
            .screen()
            ->grabWindow(Frame().winId(), o.x(), o.y(), w->width(), w->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // Every map window has its whole picture to paint again, as when uncovered: what the
    // road then sets off meets those paints.
    void EveryWindowToPaint()
    {
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            if (auto* c = qobject_cast<TMdiChild*>(w->widget()))
                c->InvalidateRect({0, 0, c->View().ClientWidth, c->View().ClientHeight});
    }
    void Unmaximise()
    {
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            w->showNormal();
        Frame().MdiArea()->tileSubWindows();
        Settle(20);
    }
    QMdiSubWindow* Sub(TMdiChild* c) const { return qobject_cast<QMdiSubWindow*>(c->parentWidget()); }
    TMdiChild* Other() const
    {
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            if (auto* c = qobject_cast<TMdiChild*>(w->widget()); c && c != ActiveChild())
                return c;
        return nullptr;
    }
    // Ctrl+Tab goes to the next window when Ctrl is let go.
    void CtrlTab()
    {
        Key(Surface(), Qt::Key_Tab, Qt::ControlModifier);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : Surface(), &up);
    }

    // The box, on the screen, shows the active map's symbols in list order, its panel has
    // that map's width, and a click on the last cell shown picks the symbol at that place of the list.
    void ExpectBoxOfActiveMap(const std::string& what)
    {
        SCOPED_TRACE(what);
        for (int i = 0; i < 50 && Work.PaintBusy; ++i)
            Settle(1);
        Settle(20);
        TMdiChild* active = ActiveChild();
        ASSERT_NE(active, nullptr);
        ASSERT_EQ(Index.ActiveZmd, active->View().Document);
        const TZmd& z = *Index.ActiveZmd;
        TSymbolBox* box = SymbolBoxOf(Frame());
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->isVisible());
        const QImage shown = OnScreen(box->viewport());
        // Nothing of what the screen shows differs from what the box draws of the map now.
        const QImage now = box->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(DifferingPixels(shown, now), QRect());

        const auto spec = specs.find(&z);
        for (int pos = 0; pos < z.SymbolCount() + 2; ++pos) {
            const QRect cell = box->CellRect(pos);
            if (!box->viewport()->rect().contains(cell))
                continue;
            const QRgb expected = pos >= z.SymbolCount() ? Palette[15]
                                  : spec != specs.end() ? Palette[spec->second->Color(pos)]
                                                        : shown.pixel(cell.center());
            EXPECT_EQ(shown.pixel(cell.center()), expected) << "cell " << pos;
        }
        if (spec != specs.end())
            EXPECT_EQ(PanelsOf(Frame())->SymDock->width(), spec->second->panel);
        if (const int c = CurrentSymbolPos(); c >= 0)
            EXPECT_TRUE(box->viewport()->rect().contains(box->CellRect(c))) << "current " << c << " in view";

        int last = z.SymbolCount() - 1;
        while (last > 0 && !box->viewport()->rect().contains(box->CellRect(last)))
            --last;
        ChooseSymbol(last);
        ASSERT_NE(CurrentSymbolRecord(), nullptr);
        const int number = SymI16(*CurrentSymbolRecord(), SymNumber);
        EXPECT_EQ(CurrentSymbolPos(), last);
        if (spec != specs.end())
            EXPECT_EQ(number, spec->second->first + last);
        else
            EXPECT_EQ(number, SymI16(z.Symbols[size_t(last)], SymNumber));
    }

    std::map<const TZmd*, const MapSpec*> specs;
};

TEST_F(SymbolBoxFollows, EveryRoadToAnotherWindowShowsItsMapsSymbols)
{
    for (const bool maximised : {true, false}) {
        SCOPED_TRACE(maximised ? "maximised" : "side by side");
        specs.clear();
        ASSERT_TRUE(Open(MapA));
        TMdiChild* before = nullptr;
        const struct Road {
            const char* what;
            bool needsTwoShown;  // a click on another window needs it to be seen
            bool activates;      // another window becomes the active one
            std::function<void()> act;
        } roads[] = {
            {"File > Open", false, true, [&] { ASSERT_TRUE(Open(MapB)); }},
            {"click on the other window", true, true, [&] { Click(Other()->WorkWin(), {3, 3}); }},
            {"Ctrl+Tab", false, true, [&] { CtrlTab(); }},
            {"Ctrl+F6", false, true, [&] { Key(Surface(), Qt::Key_F6, Qt::ControlModifier); }},
            {"Ctrl+Shift+F6", false, true,
             [&] { Key(Surface(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier); }},
            {"the frame's size changes", false, false,
             [&] { Frame().resize(Frame().size() + QSize(30, 20)); }},
            {"Window > Tile", false, false, [&] { Trigger(Cmd::WindowTile); }},
            {"Window > Cascade", false, false, [&] { Trigger(Cmd::WindowCascade); }},
            {"File > New", false, true,
             [&] { ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd"))); }},
            {"File > Close of the active one", false, true, [&] { Choose(Cmd::FileClose); }},
            {"File > Close of the next one", false, true, [&] { Choose(Cmd::FileClose); }},
        };
        for (const Road& r : roads) {
            if (!maximised && Windows() > 1)
                Unmaximise();
            if (r.needsTwoShown && maximised)
                continue;
            before = ActiveChild();
            EveryWindowToPaint();
            r.act();
            Settle();
            if (r.activates)
                ASSERT_NE(ActiveChild(), before) << r.what;
            else
                ASSERT_EQ(ActiveChild(), before) << r.what;
            ExpectBoxOfActiveMap(std::string(r.what));
        }
        ASSERT_EQ(Windows(), 1);
        Choose(Cmd::FileClose);
        ASSERT_EQ(Windows(), 0);
        EXPECT_FALSE(SymbolBoxOf(Frame())->isVisible()) << "no map, no box";
    }
}

// A map's paint that polls its input while the frame changes size: the box and its panel are
// laid out for the active map, not for the map of the window that was painting.
TEST_F(SymbolBoxFollows, ALayoutDuringAnotherWindowsPaintIsForTheActiveMap)
{
    ASSERT_TRUE(Open(MapA));
    ASSERT_TRUE(Open(MapB));
    Unmaximise();
    TMdiChild* b = ActiveChild();
    TMdiChild* a = Other();
    ASSERT_EQ(specs[b->View().Document], &MapB);
    int during = 0;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (during == 0 && Work.PaintBusy && Index.ActiveZmd == a->View().Document) {
            ++during;
            Frame().resize(Frame().size() - QSize(40, 30));
            SymbolBoxOf(Frame())->viewport()->repaint();
        }
    });
    watch.start();
    a->InvalidateRect({0, 0, a->View().ClientWidth, a->View().ClientHeight});
    for (int i = 0; i < 100 && during == 0; ++i)
        Settle(1);
    watch.stop();
    ASSERT_EQ(during, 1) << "the other window painted";
    ASSERT_EQ(ActiveChild(), b);
    ExpectBoxOfActiveMap("after the other window's paint");
}

} // namespace
