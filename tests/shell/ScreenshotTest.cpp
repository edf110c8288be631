// A picture of the main frame on a real X server (Xvfb): the test starts itself again under
// xvfb-run, and that run draws the frame with a menu open and saves what the screen shows.
#include "core/Config.h"
#include "core/LangTexts.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

const char* const OutputVariable = "ZEMO_SCREENSHOT_OUT";

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
    TMainFm m(TMainFm::Options{false});
    m.resize(1100, 700);
    m.move(0, 0);
    m.show();
    Settle(800);
    QMenu* menu = m.Menu(Cmd::FileMnu);
    menu->popup(m.mapToGlobal(QPoint(m.menuBar()->actionGeometry(menu->menuAction()).left(),
                                     m.menuBar()->height())));
    Settle(800);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1100, 700);
    ASSERT_TRUE(shot.save(out, "PNG"));
    menu->close();
}

} // namespace

TEST(Screenshot, MainFrameUnderXvfb)
{
    const QString inner = qEnvironmentVariable(OutputVariable);
    if (!inner.isEmpty()) {
        TakeScreenshot(inner);
        return;
    }
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed (Debian packages xvfb and xauth)";

    const QString folder =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/main-frame.png");
    QFile::remove(out);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(OutputVariable), out);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"),
                        QStringLiteral("-screen 0 1280x800x24"),
                        QCoreApplication::applicationFilePath(),
                        QStringLiteral("--gtest_filter=Screenshot.MainFrameUnderXvfb")});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QByteArray log = run.readAll();
    ASSERT_EQ(run.exitCode(), 0) << log.toStdString();

    QImage image(out);
    ASSERT_FALSE(image.isNull()) << log.toStdString();
    EXPECT_EQ(image.size(), QSize(1100, 700));
    // Not a blank screen: menu bar, toolbars and the open menu give many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 20);
}
