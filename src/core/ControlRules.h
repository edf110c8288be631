// The behaviour of the program's own controls that does not need a window: the grid's
// tooltip timing and the splitter's size limits. The widgets in core/widgets drive them.
#pragma once

#include <QPoint>
#include <QString>

namespace zemo {

// A tooltip per grid cell after the mouse has rested 500 ms on it, shown for 2 s at most.
// Time is the 100 ms ticks of a timer the host runs.
class GridHintTimer {
public:
    class Host {
    public:
        virtual ~Host() = default;
        virtual void StartTimer() = 0; // 100 ms ticks
        virtual void StopTimer() = 0;
        virtual QString HintText(int col, int row) = 0;
        virtual void ShowHint(const QString& text, QPoint screenPos) = 0;
        virtual void HideHint() = 0;
    };

    enum State { Waiting = 0, Shown = 1, Finished = 2 };
    static constexpr int TickMs = 100;
    static constexpr int DelayMs = 500;
    static constexpr int ShowMs = 2500;

    explicit GridHintTimer(Host& host) : host_(host) {}

    // Mouse moved with no button pressed, now over this cell.
    void MouseMove(int col, int row);
    // A timer tick; inside: the mouse is in the grid's client area.
    void Tick(bool inside, QPoint mouseScreenPos);
    // A button went down or up over this cell.
    void Button(int col, int row);

    State CurrentState() const { return state_; }
    int RestMs() const { return restMs_; }
    int Col() const { return col_; }
    int Row() const { return row_; }

private:
    Host& host_;
    State state_ = Waiting;
    int restMs_ = 0;
    int col_ = -1;
    int row_ = -1;
};

// The neighbour's new size while a splitter is dragged: at most the parent's extent less
// 50 pixels, at least minSize; with autoSnap a size of minSize or less collapses to 0.
int SplitterClampSize(int newSize, int minSize, int parentExtent, bool autoSnap);

} // namespace zemo
