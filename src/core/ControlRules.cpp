#include "core/ControlRules.h"

namespace zemo {

void GridHintTimer::MouseMove(int col, int row)
{
    if (col == col_ && row == row_)
        return;
    const bool wasShown = state_ == Shown;
    if (wasShown)
        host_.HideHint();
    // Moving on from a shown hint shows the next one at the next tick.
    restMs_ = wasShown ? DelayMs : 0;
    host_.StartTimer();
    state_ = Waiting;
    col_ = col;
    row_ = row;
}

void GridHintTimer::Tick(bool inside, QPoint mouseScreenPos)
{
    if (!inside) {
        host_.StopTimer();
        if (state_ == Shown)
            host_.HideHint();
        state_ = Waiting;
        col_ = -1;
        row_ = -1;
        return;
    }
    restMs_ += TickMs;
    if (restMs_ > ShowMs)
        restMs_ = ShowMs;
    if (state_ == Waiting && restMs_ >= DelayMs) {
        const QString text = host_.HintText(col_, row_);
        if (text.isEmpty()) {
            state_ = Finished;
        } else {
            host_.ShowHint(text, mouseScreenPos + QPoint(0, 20));
            state_ = Shown;
        }
    } else if (state_ == Shown && restMs_ >= ShowMs) {
        host_.HideHint();
        state_ = Finished;
    }
}

void GridHintTimer::Button(int col, int row)
{
    host_.HideHint();
    host_.StopTimer();
    col_ = col;
    row_ = row;
}

int SplitterClampSize(int newSize, int minSize, int parentExtent, bool autoSnap)
{
    const int maxSize = parentExtent - 50;
    if (newSize > maxSize)
        newSize = maxSize;
    if (autoSnap && newSize <= minSize)
        return 0;
    if (newSize < minSize)
        newSize = minSize;
    return newSize < 0 ? 0 : newSize;
}

} // namespace zemo
