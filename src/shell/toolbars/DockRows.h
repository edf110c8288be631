// The rows of a dock: which toolbar sits in which row, and in what order. Rows are counted from
// a horizontal dock's top and from a vertical dock's left. A row holds its toolbars end to end
// in the order of their DockPos; the window system packs a row and offers no offsets, so after
// a layout a toolbar's DockPos is its packed offset along the dock. A hidden toolbar is not in
// its dock's list and takes no room.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zemo {

enum class DockPosition : uint8_t { Top, Bottom, Left, Right };

inline bool IsVerticalDock(DockPosition p)
{
    return p == DockPosition::Left || p == DockPosition::Right;
}

// A docked tool window's frame: 2 pixels on every side, and the grip.
inline constexpr int DockedFrame = 2;
inline constexpr int GripSize = 9;
// A row is at least this thick (frame excluded).
inline constexpr int MinRowSize = 8;
// How close to a row's start a drop opens a new row before it.
inline constexpr int NewRowEdge = 5;

// One docked tool window as the row model sees it.
struct DockedBar {
    int DockRow = 0;
    int DockPos = -1;
    int Length = 0;         // along the dock, frame included
    int RowSize = MinRowSize; // the thickness it asks for, frame excluded
};

// Sorts the bars by row, then by DockPos (list order breaking ties), numbers the rows from 0
// without gaps and writes each bar's packed offset into its DockPos. Returns the thickness
// of each row: the largest a bar of the row asks for, at least MinRowSize.
std::vector<int> ArrangeRows(std::vector<DockedBar*>& bars);

struct RowHit {
    int Row = 0;
    bool NewRow = false; // a new row is to be opened before Row
    bool operator==(const RowHit&) const = default;
};

// The row under a position across the dock's rows (client space, rows counted from 0), given
// each row's thickness: a position in a row's first NewRowEdge + 1 pixels opens a new row
// before it, one in its last NewRowEdge pixels belongs to the next row, and everything past
// the last row is the row after it.
RowHit RowOfPoint(std::span<const int> rowSizes, int position);

} // namespace zemo
