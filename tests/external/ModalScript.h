// Modal dialogs of a command answered in turn from inside their own event loops: each step
// works the next dialog if it is of the step's type. A dialog no step waits for is cancelled
// and noted, so that a test meeting an unforeseen dialog fails instead of waiting for ever;
// a dialog still open after its step is cancelled too. A step that opens a dialog of its own
// (a button of the dialog) answers it with a script of its own: the timer of this one does
// not fire while its step runs.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

namespace zemo::test {

class ModalScript {
public:
    ModalScript()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    template <class D>
    ModalScript& Then(std::function<void(D&)> steps)
    {
        steps_.push_back([steps](QWidget* w) {
            auto* d = dynamic_cast<D*>(w);
            if (d)
                steps(*d);
            return d != nullptr;
        });
        return *this;
    }
    // Every step ran.
    bool Done() const { return steps_.empty(); }
    // The object names of the dialogs cancelled because no step waited for them.
    const QStringList& Unexpected() const { return unexpected_; }

private:
    void Poll()
    {
        QPointer<QWidget> w = QApplication::activeModalWidget();
        if (!w || w == last_ || !w->isVisible())
            return;
        last_ = w;
        if (!steps_.empty()) {
            auto step = std::move(steps_.front());
            steps_.pop_front();
            if (step(w)) {
                Close(w);
                return;
            }
        }
        unexpected_ << w->objectName();
        Close(w);
    }
    static void Close(const QPointer<QWidget>& w)
    {
        if (!w || !w->isVisible())
            return;
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    }

    QTimer timer_;
    QPointer<QWidget> last_;
    std::deque<std::function<bool(QWidget*)>> steps_;
    QStringList unexpected_;
};

} // namespace zemo::test
