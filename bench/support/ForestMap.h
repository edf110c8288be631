// A forest map drawn with the shipped orienteering symbol set at its own line widths, as the
// benchmarks of painting and opening use it: contours, watercourses and roads with round joins
// and caps, dashed form lines and paths, vegetation and marsh areas with hatch lines and
// structures, plain fills and point features, spread over 280 x 180 mm of paper about the
// origin; with names, also place names in outlined letters, spot heights and contour values.
#pragma once

#include "BenchMap.h"

#include <string>

namespace zemo::bench {

inline constexpr double ForestWidthMm = 280, ForestHeightMm = 180;

// The map's objects, always the same for the same count; empty without the symbol set.
BenchMap ForestMap(int objectCount, bool withNames);

} // namespace zemo::bench
