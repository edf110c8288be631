// The symbol box shows the symbols of the active map's window, whichever way it became active,
// while other maps' windows paint with their own map current; a click picks what a cell shows.
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

#include <map>

using namespace zemo;
using namespace zemo::test;

namespace {

// The plain icons' palette without white: symbol n's icon is all of entry n mod 15.
constexpr QRgb Palette[16] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                              0xFF008080, 0xFF808080, 0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                              0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

// Symbols numbered first, first + 1, ... (tenths); the panel width the map keeps; the list
// position of its current symbol.
struct KnownMap {
    const char* name;
    int16_t first;
    int count;
    int panel;
    int current;
};
constexpr KnownMap MapA{"a.zmd", 1011, 4, 150, 0};
// More than twice the symbols the box shows at once, the current one far down.
constexpr KnownMap MapB{"b.zmd", 7081, 500, 190, 490};

class SymbolBoxFollows : public ShellTest {
protected:
    bool Open(const KnownMap& m)
    {
        TestMapWriter w(8);
        for (int k = 0; k < m.count; ++k) {
            const auto n = int16_t(m.first + k);
            // The second, a dot-patterned area, keeps a paint of the map polling its input.
            TestSymbol s = k == 1 ? TestSymbol::Area(n, 0, {TestElement::Dot(0, 40)}) : TestSymbol::Point(n);
            if (k == 1)
                s.SetI16(350, 0);
            s.icon.fill(uint8_t(n % 15 * 17));
            w.symbols.push_back(s);
        }
        for (int i = 0; i < 300; ++i) {
            const int32_t x = (i % 20 - 10) * 6 * Mm, y = (i / 20 - 8) * 6 * Mm;
            w.objects.push_back(TestObject::Area(int16_t(m.first + 1), {{x, y}, {x + 5 * Mm, y}, {x, y + 5 * Mm}, {x, y}}));
        }
        w.strings.push_back(TestPString::Make(1024, 0, "\tv" + std::to_string(m.panel) + "\th53"));
        PutI16(w.setup, setup::CurrentSymbolIndex, int16_t(m.current));
        if (!OpenWritten(w, QString::fromLatin1(m.name)))
            return false;
        known[Index.ActiveZmd] = &m;
        return true;
    }
    TMdiChild* Other() const
    {
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            if (auto* c = qobject_cast<TMdiChild*>(w->widget()); c != ActiveChild())
                return c;
        return nullptr;
    }
    // The frame changes size while another map's window paints.
    void ResizeWhileOtherPaints()
    {
        TMdiChild* other = Other();
        bool done = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!done && Work.PaintBusy && Index.ActiveZmd == other->View().Document) {
                done = true;
                Frame().resize(Frame().size() - QSize(40, 30));
            }
        });
        watch.start(0);
        for (int i = 0; i < 100 && !done; ++i)
            Settle(1);
        ASSERT_TRUE(done);
    }

    // The box on the screen shows the active map's symbols in list order with its current one
    // in view, in that map's panel width; a click on the first cell shown picks what it shows.
    void ExpectBoxOfActiveMap(const char* what)
    {
        SCOPED_TRACE(what);
        Settle(20);
        ASSERT_EQ(Index.ActiveZmd, ActiveChild()->View().Document);
        const TZmd& z = *Index.ActiveZmd;
        TSymbolBox* box = SymbolBoxOf(Frame());
        QWidget* view = box->viewport();
        const QPoint o = view->mapTo(&Frame(), QPoint(0, 0));
        const QImage shown = Frame().screen()->grabWindow(Frame().winId(), o.x(), o.y(), view->width(), view->height())
                                 .toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(DifferingPixels(shown, view->grab().toImage().convertToFormat(QImage::Format_RGB32)), QRect());
        const KnownMap* made = known.count(&z) ? known[&z] : nullptr;
        int first = -1;
        for (int pos = 0; pos < z.SymbolCount() + 2; ++pos)
            if (view->rect().contains(box->CellRect(pos))) {
                const QRgb at = shown.pixel(box->CellRect(pos).center());
                first = first < 0 && pos < z.SymbolCount() ? pos : first;
                if (pos >= z.SymbolCount() || made)
                    EXPECT_EQ(at, Palette[pos < z.SymbolCount() ? (made->first + pos) % 15 : 15]) << "cell " << pos;
            }
        EXPECT_TRUE(CurrentSymbolPos() < 0 || view->rect().contains(box->CellRect(CurrentSymbolPos())));
        if (made)
            EXPECT_EQ(PanelsOf(Frame())->SymDock->width(), made->panel);
        ASSERT_GE(first, 0);
        ChooseSymbol(first);
        ASSERT_EQ(CurrentSymbolPos(), first);
        EXPECT_EQ(SymI16(*CurrentSymbolRecord(), SymNumber),
                  made ? made->first + first : SymI16(z.Symbols[size_t(first)], SymNumber));
    }

    std::map<const TZmd*, const KnownMap*> known;
};

TEST_F(SymbolBoxFollows, EveryRoadToAnotherWindowShowsItsMapsSymbols)
{
    const struct Road {
        const char* what;
        bool activates;      // another window becomes the active one
        bool seesOther;      // needs the other window in sight
        std::function<void()> act;
    } roads[] = {
        {"File > Open", true, false, [&] { ASSERT_TRUE(Open(MapB)); }},
        {"the frame's size changes during another paint", false, false, [&] { ResizeWhileOtherPaints(); }},
        {"click on the other window", true, true, [&] { Click(Other()->WorkWin(), {3, 3}); }},
        {"Ctrl+Tab", true, false,
         [&] {
             Key(Surface(), Qt::Key_Tab, Qt::ControlModifier);
             QKeyEvent up(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
             QApplication::sendEvent(QApplication::focusWidget(), &up);
         }},
        {"Ctrl+F6", true, false, [&] { Key(Surface(), Qt::Key_F6, Qt::ControlModifier); }},
        {"Window > Cascade", false, false, [&] { Trigger(Cmd::WindowCascade); }},
        {"File > New", true, false, [&] { ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd"))); }},
        {"Ctrl+Shift+F6", true, false,
         [&] {
             Key(Surface(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
             // From the newest window back to the one opened before it.
             ASSERT_EQ(known[Index.ActiveZmd], &MapB);
         }},
        {"File > Close of the active one", true, false, [&] { Choose(Cmd::FileClose); }},
        {"File > Close of the next one", true, false, [&] { Choose(Cmd::FileClose); }},
    };
    for (const bool maximised : {true, false}) {
        SCOPED_TRACE(maximised ? "maximised" : "side by side");
        known.clear();
        ASSERT_TRUE(Open(MapA));
        for (const Road& r : roads) {
            if (!maximised && Windows() > 1)
                Trigger(Cmd::WindowTile);
            if (maximised && r.seesOther)
                continue;
            TMdiChild* before = ActiveChild();
            // Every window has its picture to paint again, as when uncovered.
            for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
                qobject_cast<TMdiChild*>(w->widget())->InvalidateRect({0, 0, 4000, 4000});
            r.act();
            Settle();
            ASSERT_EQ(ActiveChild() != before, r.activates) << r.what;
            ExpectBoxOfActiveMap(r.what);
        }
        Choose(Cmd::FileClose);
        ASSERT_EQ(Windows(), 0);
        EXPECT_FALSE(SymbolBoxOf(Frame())->isVisible());
    }
}

} // namespace
