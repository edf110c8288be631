// Esc during long work. A long operation polls DispatchKeyMessages (core/Status.h); the
// pump (PumpInstalled, bound by the wiring root) runs the event loop once with this
// application-wide filter on: Esc sets AbortRequested, and every other piece of user input
// (keys, mouse, wheel, shortcuts, closing a window) is held back, so no command can start
// while the operation runs. Keys find the program busy and are gone; clicks and the rest are
// delivered once the operation has ended.
// Qt cannot look into its queue for one kind of event, so the filter does the choosing.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>
#include <utility>
#include <vector>


namespace zemo {

class EscapeFilter : public QObject {
    Q_OBJECT
public:
    // Installs the filter on the application; idempotent.
    static EscapeFilter* Install();
    static void Uninstall();
    // The pump of DispatchKeyMessages (the port PumpKeyMessages): the installed filter's
    // Pump; nothing when none is installed.
    static void PumpInstalled();

    // Processes what is pending with input held back; returns when the queue is empty.
    void Pump();
    // Events swallowed by the last pumps (tests).
    int HeldBack() const { return heldBack_; }

    // Interruptible painting: one poll delivers what is posted, and every PassInterval what
    // the window system has queued, with input held back but kept for later. True once a key
    // other than Shift, Ctrl and Alt, or a mouse press, is among the kept input (it stays true
    // until the input is replayed).
    bool PollForInput();
    static constexpr std::chrono::microseconds PassInterval{2000};
    // Posts the kept input back to its receivers, in the order it came.
    void ReplayHeld();
    // While on (a map paints), every pump keeps the input it holds back for the replay,
    // also the painters' own pumps that let Esc through: nothing the user does is lost.
    void SetHolding(bool on) { holding_ = on; }
    int KeptCount() const { return int(kept_.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EscapeFilter() = default;
    void Keep(QObject* watched, QEvent* event);
    void ScheduleReplay();
    bool replayScheduled_ = false;
    int active_ = 0;
    int heldBack_ = 0;
    bool keep_ = false;
    bool holding_ = false;
    bool interrupt_ = false;
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastPass_{};
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> kept_;
};

} // namespace zemo
