#include "edit/Reverse.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zemo {

namespace {

constexpr int32_t BezierFlags = FirstBezierFlag | SecondBezierFlag;

// The side flags of a segment as seen from the other end: left and right exchanged.
void SetSidesSwapped(Cord& to, Cord from)
{
    to.x = (to.x & ~NoLeftLineFlag) | ((from.y & NoRightLineFlag) ? NoLeftLineFlag : 0);
    to.y = (to.y & ~NoRightLineFlag) | ((from.x & NoLeftLineFlag) ? NoRightLineFlag : 0);
}

} // namespace

void ReverseLine(ElementRecord& e)
{
    const int n = std::min<int>(e.nItem, MaxElementItems);
    if (n < 2)
        return;
    Cord* c = e.Cords();
    std::reverse(c, c + n);
    // The side flags are read from the segments' old starts, so keep them before any changes.
    static std::array<Cord, MaxElementItems> old;  // 256 KB: off the stack
    std::copy_n(c, n, old.begin());
    for (int i = 0; i < n; ++i) {
        int32_t& x = c[i].x;
        const int32_t b = x & BezierFlags;
        if (b == FirstBezierFlag || b == SecondBezierFlag)
            x ^= BezierFlags;
        x &= ~NoLeftLineFlag;
        c[i].y &= ~NoRightLineFlag;
    }
    for (int i = 0; i < n - 1;) {
        // A curve segment: its old start is the far anchor, its control points take the
        // exchanged sides of their own.
        if ((c[i + 1].x & FirstBezierFlag) && i + 3 < n) {
            SetSidesSwapped(c[i], old[size_t(i + 3)]);
            SetSidesSwapped(c[i + 1], old[size_t(i + 1)]);
            SetSidesSwapped(c[i + 2], old[size_t(i + 2)]);
            i += 3;
        } else {
            SetSidesSwapped(c[i], old[size_t(i + 1)]);
            ++i;
        }
    }
}

} // namespace zemo
