// The program started with a map, on an X server with no window manager: nothing but the
// program itself makes it the active application, and a map paints only in an active one.
#include "../ShellFixture.h"

#include "edit/Work.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QSplashScreen>
#include <QThread>

using namespace zemo;

namespace {

class StartupPaintX : public test::ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under xvfb-run";
    }
};

TEST_F(StartupPaintX, TheMapNamedOnTheCommandLineIsPaintedOnceWithoutAWindowManager)
{
    const QString path = WriteSample(QStringLiteral("start.zmd"));
    Frame().close();
    QPixmap picture(200, 120);
    picture.fill(Qt::darkGreen);
    QSplashScreen splash(picture);
    splash.show();
    Settle(2);
    const int paintsBefore = Work.FullPaints;
    Restart(&splash, path);
    TMdiChild* child = nullptr;
    for (int i = 0; i < 300; ++i) {
        child = ActiveChild();
        if (child && !child->View().PendingValid && Work.FullPaints > paintsBefore)
            break;
        QThread::msleep(10);
        Settle(2);
    }
    ASSERT_NE(child, nullptr) << "the map's window";
    EXPECT_EQ(QGuiApplication::applicationState(), Qt::ApplicationActive);
    EXPECT_EQ(QApplication::activeWindow(), &Frame());
    EXPECT_FALSE(child->View().PendingValid) << "a paint is still owed";
    EXPECT_EQ(Work.FullPaints - paintsBefore, 1);
    // The sample's one line crosses the middle of the view.
    const QImage& img = child->Surface();
    const QPoint middle(img.width() / 2, img.height() / 2);
    int dark = 0;
    for (int y = middle.y() - 3; y <= middle.y() + 3; ++y)
        for (int x = middle.x() - 3; x <= middle.x() + 3; ++x)
            dark += qGray(img.pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_GT(dark, 0) << "the line through the middle is not drawn";
}

} // namespace
