// Esc during long work. A long operation polls DispatchKeyMessages (core/Status.h); the
// pump runs the event loop once with this application-wide filter on: Esc sets
// AbortRequested, and every other piece of user input (keys, mouse, wheel, shortcuts,
// closing a window) is held back, so no command can start while the operation runs.
// Qt cannot look into its queue for one kind of event, so the filter does the choosing.
#pragma once

#include <QObject>

namespace zemo {

class EscapeFilter : public QObject {
    Q_OBJECT
public:
    // Installs the filter on the application and registers its pump; idempotent.
    static EscapeFilter* Install();
    static void Uninstall();

    // Processes what is pending with input held back; returns when the queue is empty.
    void Pump();
    // Events swallowed by the last pumps (tests).
    int HeldBack() const { return heldBack_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EscapeFilter() = default;
    int active_ = 0;
    int heldBack_ = 0;
};

} // namespace zemo
