// The rulers beside a map show its scale whenever they are painted: behind a command's dialog
// (Print, the report of Optimize) as without one, the active map's and another window's, and
// a ruler's paint leaves the transform of the command or paint that runs as it was.
#include "ShellFixture.h"

#include "../external/ModalScript.h"
#include "../support/ImageDiff.h"

#include "document/widgets/OptimizeDlg.h"
#include "edit/Work.h"
#include "io/widgets/PrintDlg.h"
#include "render/Scale.h"

#include <QMdiSubWindow>
#include <QScreen>

#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr time_t OldTime = 1000000000;

class RulersBehindDialogs : public ShellTest {
protected:
    // As another program writes a map: a real-world grid of 100 m at
    // 1:15000 (a line every 6.667 mm), east of 612000 m; an old file time.
    QString WriteMap(const QString& name, double east)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201)};
        w.objects = {TestObject::Line(201, {{-60 * Mm, -40 * Mm}, {60 * Mm, 40 * Mm}})};
        PutI16(w.setup, setup::RealWorldCoords, 1);
        PutF64(w.setup, setup::MapScale, 15000);
        PutF64(w.setup, setup::RealWorldGridDistance, 100);
        PutF64(w.setup, setup::RealWorldOffsetX, east);
        PutF64(w.setup, setup::RealWorldOffsetY, 5234000);
        // Print settings in their ranges: the print dialog has nothing to mend.
        PutI16(w.setup, setup::PrintIntensity, 100);
        PutI16(w.setup, setup::PrintLineWidth, 100);
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        const timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        return path;
    }
    // A ruler painted now, as the screen shows it.
    QImage Painted(QWidget* ruler) const
    {
        ruler->repaint();
        const QPoint o = ruler->mapTo(&Frame(), QPoint(0, 0));
        return Frame()
            .screen()
            ->grabWindow(Frame().winId(), o.x(), o.y(), ruler->width(), ruler->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    struct Rulers {
        QImage hor[2], ver[2];
    };
    Rulers PaintAll() const
    {
        Rulers r;
        for (int i = 0; i < 2; ++i) {
            r.hor[i] = Painted(windows[i]->HorScale());
            r.ver[i] = Painted(windows[i]->VerScale());
        }
        return r;
    }
    static void ExpectSame(const Rulers& a, const Rulers& b, const char* what)
    {
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(DifferingPixels(a.hor[i], b.hor[i]), QRect()) << what << ": window " << i;
            EXPECT_EQ(DifferingPixels(a.ver[i], b.ver[i]), QRect()) << what << ": window " << i;
        }
    }
    static bool SameTransform(const ScaleState& a, const ScaleState& b)
    {
        return a.ViewOrigin.x == b.ViewOrigin.x && a.ViewOrigin.y == b.ViewOrigin.y &&
               a.ViewScaleX == b.ViewScaleX && a.ViewScaleY == b.ViewScaleY &&
               a.DrawRect == b.DrawRect && a.PickTolerance == b.PickTolerance;
    }
    // Repaints every ruler from inside the running command's dialog: each shows what it showed
    // before, and the transform the command had is the one it has afterwards.
    void LookBehind(const Rulers& expected, const char* what)
    {
        looked = true;
        EXPECT_TRUE(CommandBusy) << what;
        const ScaleState running = Scale;
        ExpectSame(PaintAll(), expected, what);
        EXPECT_TRUE(SameTransform(Scale, running)) << what;
    }

    TMdiChild* windows[2] = {nullptr, nullptr};
    bool looked = false;
};

TEST_F(RulersBehindDialogs, TheRulersShowTheirScaleWhileACommandsDialogIsUp)
{
    const QString pathA = WriteMap(QStringLiteral("real.zmd"), 612000);
    const QString pathB = WriteMap(QStringLiteral("other.zmd"), 400000);
    const auto bytesA = ReadAll(pathA), bytesB = ReadAll(pathB);
    ASSERT_TRUE(OpenMap(pathB));
    windows[1] = ActiveChild();
    // The other map at twice the zoom: its transform is not the active one's.
    Index.ActiveZmd->Setup.Zoom = 6.4;
    ASSERT_TRUE(OpenMap(pathA));
    windows[0] = ActiveChild();
    Trigger(Cmd::WindowTile);
    Activate(qobject_cast<QMdiSubWindow*>(windows[0]->parentWidget()));
    ShowAtTenthMillimetres();
    windows[1]->InvalidateRect({0, 0, windows[1]->View().ClientWidth, windows[1]->View().ClientHeight});
    Settle();
    const Rulers without = PaintAll();

    // The labels of the active map's top ruler, centred on their grid lines: 612000 at x = 0,
    // 612100 at 6.667 mm and so on, each 66.7 pixels from the next, nothing between them.
    const QImage& top = without.hor[0];
    const auto darkIn = [&](int x1, int x2, int& first, int& last) {
        first = last = -1;
        for (int x = std::max(x1, 2); x <= std::min(x2, top.width() - 1); ++x)
            for (int y = 0; y < top.height(); ++y)
                if (qGray(top.pixel(x, y)) < 128) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
        return first >= 0;
    };
    int labels = 0;
    for (int k = -20; k <= 20; ++k) {
        const int x = At(k * 100.0 / 15000 * 1000, 0).x();
        if (x < 30 || x > top.width() - 30)
            continue;
        int first, last;
        ASSERT_TRUE(darkIn(x - 30, x + 30, first, last)) << "label of line " << k;
        EXPECT_NEAR((first + last) / 2.0, x, 2.0) << "label of line " << k;
        EXPECT_FALSE(darkIn(x + 27, x + 39, first, last)) << "between lines " << k << " and " << k + 1;
        ++labels;
    }
    EXPECT_GE(labels, 3);

    // File > Print, cancelled: the map is as it was.
    {
        ModalScript script;
        script.Then<TPrintDlg>([&](TPrintDlg&) { LookBehind(without, "print"); });
        Trigger(Cmd::FilePrint);
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
    }
    ASSERT_TRUE(looked);
    ExpectSame(PaintAll(), without, "after print");
    EXPECT_FALSE(Index.ActiveZmd->Modified);

    // The report of Extras > Optimize.
    looked = false;
    {
        ModalScript script;
        script.Then<TOptimizeDlg>([&](TOptimizeDlg&) { LookBehind(without, "optimize"); });
        Trigger(Cmd::ExtrasOptimize);
        Settle();
        EXPECT_TRUE(script.Done());
    }
    ASSERT_TRUE(looked);
    ExpectSame(PaintAll(), without, "after optimize");

    // The other map, only looked at and printed beside, closes without a question, its file
    // as another program wrote it.
    Activate(qobject_cast<QMdiSubWindow*>(windows[1]->parentWidget()));
    messages.Clear();
    Choose(Cmd::FileClose);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    EXPECT_EQ(ReadAll(pathB), bytesB);
    EXPECT_EQ(ModifiedAt(pathB), OldTime);
    EXPECT_EQ(ReadAll(pathA), bytesA) << "optimized in its working copy only";
}

} // namespace
