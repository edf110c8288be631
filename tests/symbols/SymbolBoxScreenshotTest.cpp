// A picture of the main frame on a real X server (Xvfb) with a map of the shipped
// orienteering symbol set open: the test starts itself again under xvfb-run, and that run
// opens the map, lets the symbol box fill and saves what the screen shows.
#include "core/Config.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "document/Open.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "symbols/widgets/SymbolBox.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

const char* const OutputVariable = "ZEMO_SYMBOX_SCREENSHOT_OUT";

QString ShippedMap()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../SYMBOL/orienteering-15000.zmd"));
}

void Settle(int ms)
{
    for (int waited = 0; waited < ms; waited += 20) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
}

void TakeScreenshot(const QString& out)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_TRUE(LoadTexts());
    InstallSymbolFeatures();
    TMainFm m(TMainFm::Options{false});
    m.resize(1100, 700);
    m.move(0, 0);
    m.show();
    Settle(500);
    bool opened = false;
    RunInFrame([&] { opened = OpenMapByName(ShippedMap()); }, "test");
    ASSERT_TRUE(opened);
    NotifyStateChanged();
    Settle(1200);
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

} // namespace

TEST(SymbolBoxScreenshot, MainFrameWithTheOrienteeringSetUnderXvfb)
{
    const QString inner = qEnvironmentVariable(OutputVariable);
    if (!inner.isEmpty()) {
        TakeScreenshot(inner);
        return;
    }
    if (!QFile::exists(ShippedMap()))
        GTEST_SKIP() << "the shipped symbol-set map is missing: " << ShippedMap().toStdString();
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed (Debian packages xvfb and xauth)";

    const QString folder =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/symbol-box.png");
    QFile::remove(out);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(OutputVariable), out);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"),
                        QStringLiteral("-screen 0 1280x800x24"),
                        QCoreApplication::applicationFilePath(),
                        QStringLiteral("--gtest_filter=SymbolBoxScreenshot.*")});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QByteArray log = run.readAll();
    ASSERT_EQ(run.exitCode(), 0) << log.toStdString();

    QImage image(out);
    ASSERT_FALSE(image.isNull()) << log.toStdString();
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
