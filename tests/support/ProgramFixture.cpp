#include "ProgramFixture.h"

#include "app/Wiring.h"
#include "core/Config.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "document/Open.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "render/Scale.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Program.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

// Qt's own entry for input that did not come from the window system (its test library uses it).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false,
                                               ushort count = 1);

namespace zemo::test {

ProgramFixture::Installed::Installed()
{
    InstallProgram();
}

void ProgramFixture::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_STATE_HOME", dir_.filePath(QStringLiteral("state")).toUtf8());
    Start();
}

void ProgramFixture::Restart(QSplashScreen* splash, const QString& commandLineFile)
{
    frame_.reset();
    Settle(2);
    Start(splash, commandLineFile);
}

void ProgramFixture::Start(QSplashScreen* splash, const QString& commandLineFile)
{
    ASSERT_TRUE(StartProgramUnits());
    frame_ = std::make_unique<TMainFm>();
    frame_->SetCommandLineFile(commandLineFile);
    if (splash) {
        ShowMainFrame(*frame_, splash);
    } else {
        frame_->resize(1000, 760);
        frame_->show();
        frame_->activateWindow();
    }
    // Focus given before the frame is the active window is handed out when it becomes so,
    // activating map windows out of turn: wait for it, as a user sees the frame first.
    // (A floating toolbar may take it instead.)
    for (int i = 0; i < 200 && !QApplication::activeWindow(); ++i) {
        Settle(1);
        QThread::msleep(5);
    }
    Settle();
    // Tests draw where they point: no scrolling at the window's edge, no joining.
    ProgramConfig.AutoScroll = false;
    ProgramConfig.AutoJoin = false;
}

void ProgramFixture::TearDown()
{
    if (frame_)
        CloseAllDocuments();
    frame_.reset();
    Settle(2);
}

void ProgramFixture::Settle(int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

void ProgramFixture::Activate(QMdiSubWindow* window)
{
    // Activations of earlier windows may still be on their way: the window must stay active
    // over a few rounds, in a frame that is the active window (focus set in an inactive one
    // is handed out only when it becomes active, activating the windows it passes on its way).
    QMdiArea* area = frame_->MdiArea();
    for (int i = 0, steady = 0; i < 100 && steady < 3; ++i) {
        if (area->activeSubWindow() == window && QApplication::activeWindow() == frame_.get()) {
            ++steady;
        } else {
            steady = 0;
            frame_->activateWindow();
            area->setActiveSubWindow(window);
        }
        Settle();
    }
    ASSERT_EQ(area->activeSubWindow(), window);
}

TMdiChild* ProgramFixture::ActiveChild() const
{
    QMdiSubWindow* sub = frame_->MdiArea()->activeSubWindow();
    if (!sub && !frame_->MdiArea()->subWindowList().isEmpty())
        sub = frame_->MdiArea()->subWindowList().last();
    return sub ? qobject_cast<TMdiChild*>(sub->widget()) : nullptr;
}

int ProgramFixture::Windows() const
{
    return int(frame_->MdiArea()->subWindowList().size());
}

QWidget* ProgramFixture::Surface() const
{
    TMdiChild* child = ActiveChild();
    return child ? child->WorkWin() : nullptr;
}

void ProgramFixture::ShowAtTenthMillimetres()
{
    TZmd& z = *Index.ActiveZmd;
    MapView& v = ActiveChild()->View();
    z.Setup.Zoom = 3.2;
    z.Setup.ViewCenterX = v.ClientWidth % 2 * 1280;
    z.Setup.ViewCenterY = v.ClientHeight % 2 * 1280;
    Trigger(Cmd::ViewRedraw);
    Settle();
    UpdateViewOf(v);
    if (v.SwallowClick)
        Click(Surface(), {2, 2});
}

QPoint ProgramFixture::At(double x, double y)
{
    constexpr double Mm = 25600;
    return CordToDevice(Cord{int32_t(x * Mm) & CoordMask, int32_t(y * Mm) & CoordMask});
}

void ProgramFixture::Trigger(Cmd c)
{
    QAction* a = frame_->Action(c);
    ASSERT_NE(a, nullptr) << CmdName(c);
    a->trigger();
    Settle();
}

bool ProgramFixture::NewMapFrom(const QString& setFileName)
{
    bool chosen = false;
    QTimer::singleShot(0, [&] {
        QWidget* dlg = QApplication::activeModalWidget();
        auto* list = dlg ? dlg->findChild<QListWidget*>() : nullptr;
        if (!list)
            return;
        auto items = list->findItems(setFileName, Qt::MatchContains);
        // A course-setting set is listed under the other map type.
        for (QRadioButton* type : dlg->findChildren<QRadioButton*>()) {
            if (!items.isEmpty())
                break;
            if (!type->isChecked()) {
                type->click();
                items = list->findItems(setFileName, Qt::MatchContains);
            }
        }
        if (items.isEmpty())
            return;
        list->setCurrentItem(items.first());
        auto* box = dlg->findChild<QDialogButtonBox*>();
        for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>{})
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) {
                chosen = true;
                b->click();
                return;
            }
    });
    Trigger(Cmd::FileNew);
    // A dialog left open by a failed choice must not outlive the test.
    if (QWidget* dlg = QApplication::activeModalWidget())
        dlg->close();
    return chosen && Index.MapOpen;
}

bool ProgramFixture::OpenMap(const QString& path)
{
    dialogs.QueueAnswer(true, path);
    Trigger(Cmd::FileOpen);
    return Index.MapOpen && Index.ActiveZmd;
}

bool ProgramFixture::OpenWritten(const TestMapWriter& w, const QString& name)
{
    const QString path = TempPath(name);
    return w.WriteTo(QFile::encodeName(path).toStdString()) && OpenMap(path);
}

void ProgramFixture::Mouse(QWidget* w, int type, QPoint at, Qt::MouseButton button,
                           Qt::MouseButtons held, Qt::KeyboardModifiers mods)
{
    QMouseEvent e(QEvent::Type(type), QPointF(at), w->mapToGlobal(QPointF(at)), button, held, mods);
    QCoreApplication::sendEvent(w, &e);
}

void ProgramFixture::Click(QWidget* w, QPoint at, Qt::MouseButton button)
{
    Mouse(w, QEvent::MouseButtonPress, at, button, button);
    Mouse(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    Settle(2);
}

void ProgramFixture::DragPoint(QWidget* w, QPoint at, QPoint to)
{
    Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, (at + to) / 2, Qt::NoButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    Settle(2);
}

void ProgramFixture::Key(QWidget* w, int key, Qt::KeyboardModifiers mods)
{
    // Keys go to the active window, where its shortcuts take them first.
    if (QApplication::activeWindow() != w->window()) {
        w->window()->activateWindow();
        Settle(2);
    }
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
    if (qt_sendShortcutOverrideEvent(target, 0, key, mods)) {
        Settle(2);
        return;
    }
    // The control characters a keyboard sends with these keys.
    QString text;
    if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
        switch (key) {
        case Qt::Key_Escape: text = QStringLiteral("\x1b"); break;
        case Qt::Key_Backspace: text = QStringLiteral("\b"); break;
        case Qt::Key_Return: case Qt::Key_Enter: text = QStringLiteral("\r"); break;
        case Qt::Key_Tab: text = QStringLiteral("\t"); break;
        default: break;
        }
    }
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    Settle(2);
}

} // namespace zemo::test
