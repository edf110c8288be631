#include "core/widgets/EscapeFilter.h"

#include "core/Status.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

namespace zemo {

namespace {

QPointer<EscapeFilter>& Instance()
{
    static QPointer<EscapeFilter> f;
    return f;
}

bool IsHeldInput(QEvent::Type t)
{
    switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
    case QEvent::DragEnter:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool IsKeyInput(QEvent::Type t)
{
    return t == QEvent::KeyPress || t == QEvent::KeyRelease || t == QEvent::ShortcutOverride
           || t == QEvent::Shortcut;
}

} // namespace

void EscapeFilter::ScheduleReplay()
{
    if (replayScheduled_)
        return;
    replayScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        replayScheduled_ = false;
        // Still inside the operation (its pump runs timers) or a paint: later.
        if (active_ > 0 || holding_)
            ScheduleReplay();
        else
            ReplayHeld();
    });
}

void EscapeFilter::PumpInstalled()
{
    if (EscapeFilter* f = Instance())
        f->Pump();
}

EscapeFilter* EscapeFilter::Install()
{
    if (!Instance()) {
        auto* f = new EscapeFilter;
        f->setParent(qApp);
        qApp->installEventFilter(f);
        Instance() = f;
    }
    return Instance();
}

void EscapeFilter::Uninstall()
{
    if (EscapeFilter* f = Instance()) {
        qApp->removeEventFilter(f);
        delete f;
    }
}

void EscapeFilter::Pump()
{
    ++active_;
    heldBack_ = 0;
    // Posted events first, then whatever the window system has queued.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --active_;
}

void EscapeFilter::Keep(QObject* watched, QEvent* event)
{
    // Closing a window is not replayed: it is asked again by the user if wanted.
    if (event->type() == QEvent::Close)
        return;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt)
            interrupt_ = true;
        break;
    }
    // A key of a menu shortcut comes as the shortcut alone.
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        interrupt_ = true;
        break;
    default:
        break;
    }
    kept_.emplace_back(QPointer<QObject>(watched), std::unique_ptr<QEvent>(event->clone()));
}

bool EscapeFilter::PollForInput()
{
    keep_ = true;
    ++active_;
    // Input posted to the program's own objects reaches the filter at once, without a pass of
    // the event loop.
    QCoreApplication::sendPostedEvents();
    // What the window system has queued can only be seen through a pass: one runs when the
    // last is PassInterval old, so a paint polling after every object costs little.
    const Clock::time_point now = Clock::now();
    if (!interrupt_ && now - lastPass_ >= PassInterval) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        lastPass_ = Clock::now();
    }
    --active_;
    keep_ = false;
    return interrupt_;
}

void EscapeFilter::ReplayHeld()
{
    auto kept = std::move(kept_);
    kept_.clear();
    interrupt_ = false;
    for (auto& [receiver, event] : kept)
        if (receiver)
            QCoreApplication::postEvent(receiver, event.release());
}

bool EscapeFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (active_ == 0 || !IsHeldInput(event->type()))
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Escape)
            AbortRequested = true;
    }
    if (keep_ || holding_) {
        Keep(watched, event);
    } else if (!IsKeyInput(event->type())) {
        // A long operation lets only keys through, and those find the program busy; clicks
        // and the rest wait for the operation's end.
        Keep(watched, event);
        ScheduleReplay();
    }
    // A key or click that reaches a widget through several objects counts once.
    if (watched->isWidgetType() || watched->isWindowType())
        ++heldBack_;
    event->ignore();
    return true;
}

} // namespace zemo
