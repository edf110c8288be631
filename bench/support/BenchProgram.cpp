#include "BenchProgram.h"

#include "app/Wiring.h"
#include "document/Index.h"
#include "document/Open.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Program.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QThread>

namespace zemo::bench {

namespace {

// Whether a document window still has a paint to make.
bool PaintsLeft()
{
    if (Work.PaintBusy)
        return true;
    for (MapView* v : MapViews()) {
        auto* child = dynamic_cast<TMdiChild*>(v->Form);
        if (child && (child->PaintMessagePosted() || !child->UpdateRegion().isEmpty()))
            return true;
        if (v->PendingValid && v->RepaintWhenIdle)
            return true;
    }
    return false;
}

} // namespace

BenchProgram::BenchProgram(int frameWidth, int frameHeight)
{
    if (!dir_.isValid())
        return;
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_STATE_HOME", dir_.filePath(QStringLiteral("state")).toUtf8());
    InstallProgram();
    // The services the root installed, with the recorders standing in for the dialogs.
    SetMessageService(&messages_);
    SetFileDialogService(&dialogs_);
    if (!StartProgramUnits())
        return;
    frame_ = std::make_unique<TMainFm>();
    frame_->resize(frameWidth, frameHeight);
    frame_->show();
    frame_->activateWindow();
    // As a window manager does; it may take a while on a busy machine.
    for (int i = 0; i < 2000 && !QApplication::activeWindow(); ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    Settle();
    started_ = QApplication::activeWindow() == frame_.get();
}

BenchProgram::~BenchProgram()
{
    if (frame_)
        CloseMaps();
    frame_.reset();
    Settle();
}

TMdiChild* BenchProgram::Child() const
{
    QMdiSubWindow* sub = frame_->MdiArea()->activeSubWindow();
    if (!sub && !frame_->MdiArea()->subWindowList().isEmpty())
        sub = frame_->MdiArea()->subWindowList().last();
    return sub ? qobject_cast<TMdiChild*>(sub->widget()) : nullptr;
}

bool BenchProgram::Open(const QString& path)
{
    dialogs_.QueueAnswer(true, path);
    Trigger(Cmd::FileOpen);
    return Index.MapOpen && Index.ActiveZmd;
}

void BenchProgram::Trigger(Cmd c)
{
    if (QAction* a = frame_->Action(c))
        a->trigger();
    Settle();
}

void BenchProgram::Click(QPoint at)
{
    TMdiChild* child = Child();
    if (!child)
        return;
    QWidget* surface = child->WorkWin();
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(at), surface->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &e);
    }
    Settle();
}

void BenchProgram::CloseMaps()
{
    // As the user closes them: each window closes its map.
    frame_->MdiArea()->closeAllSubWindows();
    Settle();
}

void BenchProgram::Settle()
{
    for (int quiet = 0, round = 0; quiet < 3 && round < 100000; ++round) {
        // The program's event loop deletes what was left for deletion as it goes round: kept
        // pending here, every poll of a paint would pass over them again.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::sendPostedEvents();
        const bool worked = QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
        quiet = worked || PaintsLeft() ? 0 : quiet + 1;
    }
}

} // namespace zemo::bench
