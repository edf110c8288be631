// A picture of the main frame on a real X server (Xvfb): the test starts itself again under
// xvfb-run, and that run draws the frame with a menu open and saves what the screen shows.
#include "../support/ProgramFixture.h"

#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <gtest/gtest.h>

#include "../support/XvfbShot.h"

using namespace zemo;

namespace {

const char* const OutputVariable = "ZEMO_SCREENSHOT_OUT";

class Screenshot : public test::ProgramFixture {
protected:
    void TakeScreenshot(const QString& out)
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        TMainFm& m = Frame();
        m.resize(1100, 700);
        m.move(0, 0);
        test::SettleEvents(800);
        QMenu* menu = m.Menu(Cmd::FileMnu);
        menu->popup(m.mapToGlobal(QPoint(m.menuBar()->actionGeometry(menu->menuAction()).left(),
                                         m.menuBar()->height())));
        test::SettleEvents(800);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1100, 700);
        ASSERT_TRUE(shot.save(out, "PNG"));
        menu->close();
    }
};

} // namespace

TEST_F(Screenshot, MainFrameUnderXvfb)
{
    const QString inner = test::InnerShotPath(OutputVariable);
    if (!inner.isEmpty()) {
        TakeScreenshot(inner);
        return;
    }
    const test::XvfbRun run =
        test::RunSelfUnderXvfb(OutputVariable, QStringLiteral("main-frame.png"),
                               QStringLiteral("Screenshot.MainFrameUnderXvfb"));
    ASSERT_TRUE(run.skipped.isEmpty()) << run.skipped.toStdString();
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();
    const QString& out = run.output;

    QImage image(out);
    ASSERT_FALSE(image.isNull()) << run.log.toStdString();
    EXPECT_EQ(image.size(), QSize(1100, 700));
    // Not a blank screen: menu bar, toolbars and the open menu give many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 20);
}
