// The rows of a dock: which tool window sits in which row, and where along it. Rows are
// counted from a horizontal dock's top and from a vertical dock's left; a tool window's DockPos
// is its offset along the dock, and a row keeps the gaps its windows' offsets leave. A hidden
// tool window is not in its dock's list and takes no room.
#pragma once

#include <QRect>

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
    int Length = 0;           // along the dock, frame included
    int RowSize = MinRowSize; // the thickness it asks for, frame excluded
    bool FullSize = false;    // alone in its row, over the dock's whole length; in, out
    // Out: its place in the dock's client area, x along the dock and y across it.
    QRect Place;
};

struct DockRowsOptions {
    int ClientLength = 0;       // the dock's client extent along it
    bool LimitToOneRow = false; // every window in row 0
    bool FixAlign = false;      // an empty dock keeps a thickness of 1
};

struct DockRowsLayout {
    std::vector<int> RowSizes; // each row's thickness, frame excluded
    int Thickness = 0;         // the dock's client thickness
};

// Lays out the dock's windows: sorted by row, then DockPos (list order breaking ties), the
// rows numbered from 0 without gaps, a FullSize window given a row of its own (the windows
// beside it and every later row move one row down), the windows of a row kept from
// overlapping in their order, a row that runs past the dock's end pulled back towards its
// start as far as the windows before allow, and each window placed. Writes each bar's row,
// DockPos and place. With LimitToOneRow every window stays in row 0: a full-size one there
// shares the row (its FullSize comes back false) unless it is alone.
DockRowsLayout ArrangeRows(std::vector<DockedBar*>& bars, const DockRowsOptions& options);

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
