// Recovery at start-up as a user meets it: the program starts on working copies left by a
// killed run, asks once per map with a real modal box, and the user presses Enter each time.
#include "ShellFixture.h"

#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/widgets/QtMessageBoxes.h"
#include "edit/Work.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QSplashScreen>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

class RecoveryFlow : public ShellTest {
protected:
    // A working copy a killed run left for the map at `mapPath`.
    void LeaveWorkingCopy(int n, const QString& mapPath)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), TestSymbol::Text(301)};
        // Enough objects that a paint still runs when the next box comes up.
        for (int k = 0; k < 400; ++k)
            w.objects.push_back(TestObject::Line(201, {{-100 * Mm + (k % 200) * Mm, -50 * Mm + k * 256},
                                                       {100 * Mm, 50 * Mm - (k % 100) * Mm}}));
        PutShortString(w.setup, setup::MapPath, mapPath.toStdString(), 255);
        ASSERT_TRUE(QDir().mkpath(StateFolder()));
        const QString copy = StateFolder() + QStringLiteral("temp%1.~md").arg(n, 4, 10, QLatin1Char('0'));
        ASSERT_TRUE(w.WriteTo(QFile::encodeName(copy).toStdString()));
    }
    // Closes every map window without a question, as the end of a session.
    void CloseAll()
    {
        for (const OpenDocument& d : Opening.OpenDocuments)
            d.Zmd->Modified = 0;
        Frame().MdiArea()->closeAllSubWindows();
        Settle();
    }
};

// The program's own boxes, each answered with Enter as a user does; notes the map windows
// that exist while a recovery question is up.
class EnterOnEveryBox : public MessageService {
public:
    explicit EnterOnEveryBox(std::function<int()> windows) : windows_(std::move(windows))
    {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            QWidget* target = box->focusWidget() ? box->focusWidget() : box;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            QApplication::sendEvent(target, &press);
        });
        timer_.start();
    }
    int Show(const ShownMessage& m) override
    {
        if (m.key == TextKey::SessionAborted) {
            ++questions;
            windowsWhileAsked = std::max(windowsWhileAsked, windows_());
            if (QApplication::overrideCursor())
                ++underWaitCursor;
            if (splash && splash->isVisible())
                ++overSplash;
        }
        return boxes_.Show(m);
    }
    int questions = 0;
    int windowsWhileAsked = 0;
    int underWaitCursor = 0;
    int overSplash = 0;
    QSplashScreen* splash = nullptr;

private:
    std::function<int()> windows_;
    QtMessageService boxes_;
    QTimer timer_;
};

// The restart after a killed session, again and again: three copies, Enter at every
// question, each recovered map in its window, and no recovered map's window (with its
// pending paint, its timers and its activation) exists while a question is up.
TEST_F(RecoveryFlow, ThreeMapsRecoveredWithEnterAgainAndAgain)
{
    EnterOnEveryBox enter([this] { return Windows(); });
    ScopedMessageService real(&enter);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        CloseAll();
        for (int n = 0; n < 3; ++n)
            LeaveWorkingCopy(n, TempPath(QStringLiteral("map%1.zmd").arg(n)));
        Frame().close();
        enter.questions = 0;
        Restart();
        Settle(20);
        EXPECT_EQ(enter.questions, 3);
        EXPECT_EQ(enter.windowsWhileAsked, 0);
        ASSERT_EQ(Windows(), 3);
        QStringList names;
        for (const OpenDocument& d : Opening.OpenDocuments)
            names << QFileInfo(d.Name).fileName();
        EXPECT_EQ(names.join(u','), QStringLiteral("map0.zmd,map1.zmd,map2.zmd"));
        // The maps paint once the start-up is over.
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            EXPECT_FALSE(qobject_cast<TMdiChild*>(w->widget())->View().PendingValid);
    }
}

// Started as the program starts, behind its splash screen and wait cursor: the questions come
// once both are gone (asked inside the splash screen's wait, the box stayed black under the
// wait cursor), and the copies are recovered.
TEST_F(RecoveryFlow, QuestionsComeAfterTheSplashScreenAndItsWaitCursor)
{
    EnterOnEveryBox enter([this] { return Windows(); });
    ScopedMessageService real(&enter);
    CloseAll();
    for (int n = 0; n < 2; ++n)
        LeaveWorkingCopy(n, TempPath(QStringLiteral("map%1.zmd").arg(n)));
    Frame().close();
    QPixmap picture(200, 120);
    picture.fill(Qt::darkGreen);
    QSplashScreen splash(picture);
    enter.splash = &splash;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    splash.show();
    Settle(2);
    Restart(&splash);
    Settle(20);
    EXPECT_EQ(enter.questions, 2);
    EXPECT_EQ(enter.underWaitCursor, 0);
    EXPECT_EQ(enter.overSplash, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Windows(), 2);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace
