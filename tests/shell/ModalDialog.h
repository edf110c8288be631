// A modal dialog answered from inside its own event loop: `open` brings it up, `steps` works
// its widgets, and a dialog still open after them is cancelled.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace zemo::test {

// False when no dialog of type D came up; only the first one is answered.
template <class D>
bool AnswerDialog(const std::function<void()>& open, const std::function<void(D&)>& steps)
{
    bool seen = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
        if (!dlg || seen)
            return;
        seen = true;
        steps(*dlg);
        if (dlg->isVisible())
            dlg->reject();
    });
    watch.start();
    open();
    return seen;
}

// Presses one of the dialog's buttons by its name ("OKBtn", "CancelBtn", "HelpBtn").
inline void Press(QDialog& dlg, const char* button)
{
    dlg.findChild<QPushButton*>(QLatin1String(button))->click();
}

} // namespace zemo::test
