// A picture of the main frame on a real X server (Xvfb) with a map of the shipped
// orienteering symbol set open: the test starts itself again under xvfb-run, and that run
// opens the map, lets the symbol box fill and saves what the screen shows.
#include "../support/ProgramFixture.h"

#include "core/Config.h"
#include "document/Index.h"
#include "shell/widgets/MainFm.h"
#include "symbols/widgets/SymbolBox.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScreen>
#include <QSet>

#include <gtest/gtest.h>

#include "../support/XvfbShot.h"

using namespace zemo;

namespace {

const char* const OutputVariable = "ZEMO_SYMBOX_SCREENSHOT_OUT";

QString ShippedMap()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../SYMBOL/orienteering-15000.zmd"));
}

class SymbolBoxScreenshot : public test::ProgramFixture {
protected:
    void TakeScreenshot(const QString& out)
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        TMainFm& m = Frame();
        m.resize(1100, 700);
        m.move(0, 0);
        test::SettleEvents(500);
        ProgramConfig.AutoSave = false;
        ASSERT_TRUE(OpenMap(ShippedMap()));
        test::SettleEvents(1200);
        TSymbolBox* box = SymbolBoxOf(m);
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->isVisible());
        ASSERT_GT(Index.ActiveZmd->SymbolCount(), 20);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1100, 700);
        ASSERT_TRUE(shot.save(out, "PNG"));
        // Where the box sits, for the outer run.
        const QRect r(box->viewport()->mapToGlobal(QPoint(0, 0)), box->viewport()->size());
        QFile f(out + QStringLiteral(".box"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toLatin1());
    }
};

} // namespace

TEST_F(SymbolBoxScreenshot, MainFrameWithTheOrienteeringSetUnderXvfb)
{
    const QString inner = test::InnerShotPath(OutputVariable);
    if (!inner.isEmpty()) {
        TakeScreenshot(inner);
        return;
    }
    if (!QFile::exists(ShippedMap()))
        GTEST_SKIP() << "the shipped symbol-set map is missing: " << ShippedMap().toStdString();
    const test::XvfbRun run = test::RunSelfUnderXvfb(OutputVariable, QStringLiteral("symbol-box.png"),
                                                     QStringLiteral("SymbolBoxScreenshot.*"));
    ASSERT_TRUE(run.skipped.isEmpty()) << run.skipped.toStdString();
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();
    const QString& out = run.output;

    QImage image(out);
    ASSERT_FALSE(image.isNull()) << run.log.toStdString();
    QFile f(out + QStringLiteral(".box"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> v = f.readAll().split(' ');
    ASSERT_EQ(v.size(), 4);
    const QRect box(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
    ASSERT_TRUE(image.rect().contains(box)) << box.x() << " " << box.y();
    // The box is filled with the set's icons: its first rows are not blank and the whole
    // box shows the map's many colours.
    QSet<QRgb> top, all;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            (y < box.top() + 46 ? top : all).insert(image.pixel(x, y));
    EXPECT_GT(top.size(), 2);
    all.unite(top);
    EXPECT_GT(all.size(), 10);
}
