// GridLine: Extras > Create grid lines draws a grid of straight line objects over the map with
// the current line symbol: two families of parallel lines at given distances, through an
// offset point, turned by an angle and cut to the area that holds the map's objects and
// templates. The new lines go in as one undo step.
#pragma once

#include "core/Cord.h"

namespace zemo {

// Half the length of every line before it is cut: 6000 mm.
inline constexpr int32_t GridLineHalfLength = 0x927C000;

struct GridLineValues {
    double HorDistMm = 10;     // between the vertical lines
    double VerDistMm = 10;     // between the horizontal lines
    double Degrees = 0;        // counter-clockwise
    double HorOffsetMm = 0;    // the point every family passes through
    double VerOffsetMm = 0;
    bool VerLines = true;
    bool HorLines = true;
};

// The distance and angle the dialog shows first: the real-world grid's on paper (when the map
// shows real-world coordinates), else the paper grid's distance and no turn.
void GridLineDefaults(GridLineValues& v);

// The current symbol can draw grid lines: a line symbol that is not a line-text symbol.
bool GridLineSymbolOk();

// One piece of a grid line, cut to the map's extent: stored as a new line, selected and
// painted (the run flushes the working file once at its end). False when it could not be
// stored.
bool AppendGridPiece(const Cord* points, int count);

// The run with given values; returns the lines made.
int CreateGridLinesWith(const GridLineValues& v);
// The command: LineSymRequired without a line symbol, else the dialog, then the run.
void CreateGridLines();

} // namespace zemo
