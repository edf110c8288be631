// The program as `make run` starts it, offscreen, for benchmarks of what a user waits for: the
// wiring root binds every port, the units start and the main frame is shown at a set size, with
// its configuration and state folders in a temporary folder. Maps open through File > Open and
// are painted in their document window as the program paints them, after the frame's layout,
// with the symbol box and the status line.
#pragma once

#include "core/FileDialogs.h"
#include "core/Messages.h"
#include "shell/MenuModel.h"

#include <QPoint>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace zemo {
class TMainFm;
class TMdiChild;
}

namespace zemo::bench {

class BenchProgram {
public:
    // The frame shown at this size; Started() says whether it is up and active.
    BenchProgram(int frameWidth, int frameHeight);
    ~BenchProgram();
    BenchProgram(const BenchProgram&) = delete;
    BenchProgram& operator=(const BenchProgram&) = delete;

    bool Started() const { return started_; }
    TMainFm& Frame() const { return *frame_; }
    // The active document window, if any.
    TMdiChild* Child() const;

    // File > Open of the map, its dialog answered; returns once the program is idle again,
    // the map painted. False when no map opened.
    bool Open(const QString& path);
    // A menu item or button, as a click on it; returns once the program is idle again.
    void Trigger(Cmd c);
    // A click of the left button at the point of the active map window's surface; returns
    // once the program is idle again.
    void Click(QPoint at);
    // Every map window closed, and with it its map.
    void CloseMaps();
    // Posted events, timers and paints run until nothing is left to paint and the event queue
    // has stayed empty for a few rounds.
    static void Settle();

private:
    QTemporaryDir dir_;
    RecordingMessages messages_;
    RecordingFileDialogs dialogs_;
    std::unique_ptr<TMainFm> frame_;
    bool started_ = false;
};

} // namespace zemo::bench
