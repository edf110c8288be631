// How a toolbar lays out its controls: in one line when docked (left to right in a top or
// bottom dock, top to bottom in a left or right dock), wrapped into lines at its wrap width
// when floating, groups of controls kept together up to each separator. Also the sizes a
// floating toolbar steps through when its frame is dragged.
#pragma once

#include <QRect>
#include <QSize>

#include <span>
#include <vector>

namespace zemo {

// 0 floating, 1 a top or bottom dock, 2 a left or right dock.
enum class DockType : int { Floating = 0, Horizontal = 1, Vertical = 2 };

// A separator's default size across its line.
inline constexpr int SeparatorSize = 6;

struct ToolbarControl {
    bool separator = false;
    QSize size{23, 22};          // not a separator: its width and height
    int sizeHorz = SeparatorSize; // separator: its width in a horizontal toolbar
    int sizeVert = SeparatorSize; // separator: its height in a vertical one
    bool blank = false;           // separator drawn without its line
    bool shown = true;            // takes part in the layout
};

// The etched line between two wrapped lines of a floating toolbar, at the later line's top.
struct LineSep {
    int offset = 0;
    bool blank = false;
    bool operator==(const LineSep&) const = default;
};

struct ToolbarArrangement {
    QSize size;                // the client size the toolbar needs
    std::vector<QRect> places; // by control; a control that takes no part keeps an empty rect
    std::vector<LineSep> lineSeps;
};

// The thickness a row of this toolbar needs in a dock type: its largest control across the
// line (height, or width in a left or right dock), at least 8.
int MinimumRowSize(std::span<const ToolbarControl> controls, DockType type);

// The client size and the places of the controls. floatRightX is the wrap width of a floating
// toolbar (0: one line); crossSize is the line thickness (its row's in the dock it sits in),
// 0 for the row size of the toolbar itself.
ToolbarArrangement OrderControls(std::span<const ToolbarControl> controls, DockType type,
                                 int floatRightX, int crossSize = 0);

// A size a floating toolbar can take: its outer size and the wrap width that makes it.
struct FloatSize {
    QSize outer;
    int wrap = 0;
    bool operator==(const FloatSize&) const = default;
};

// Every distinct size of a floating toolbar from one line down to its narrowest, as outer
// sizes (the client size plus frameExtra), narrowest layout of each height kept.
std::vector<FloatSize> PossibleFloatSizes(std::span<const ToolbarControl> controls,
                                          QSize frameExtra);

// The sizing of a floating toolbar by one of its edges: each cursor distance from the fixed
// opposite edge chooses one of the possible sizes. Near the size it started with the choice
// snaps back to it until the size has changed once in the direction of the drag.
class FloatSizeStepper {
public:
    static constexpr int StartTolerance = 12;

    // horizontalEdge: a left or right edge is dragged (widths count), else a top or bottom.
    FloatSizeStepper(std::vector<FloatSize> sizes, QSize current, bool horizontalEdge);

    // The size for a distance of the cursor from the fixed edge.
    const FloatSize& Step(int distance);

    int Tolerance() const { return tolerance_; }
    const std::vector<FloatSize>& Sizes() const { return sizes_; }

private:
    int Extent(const FloatSize& s) const { return horizontal_ ? s.outer.width() : s.outer.height(); }

    std::vector<FloatSize> sizes_; // by falling extent
    bool horizontal_;
    int start_;          // the extent the window has
    int tolerance_ = StartTolerance;
    int chosen_ = -1;    // index into sizes_; -1 the window's own size
    FloatSize own_;
    int direction_ = 0;  // +1 growing, -1 shrinking
    bool changedSinceTurn_ = false;
};

} // namespace zemo
