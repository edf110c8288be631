// Map coordinates: the units every store, painter and tool works in.
#pragma once

#include <cstdint>

namespace zemo {

// One map coordinate: 1/256 of 0.01 mm on paper; the low 8 bits of x and y carry flags.
struct Cord {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Cord&, const Cord&) = default;
};

// A rectangle in map coordinates, bounds inclusive: minimum x, minimum y, maximum x, maximum y.
struct CordRect {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    friend bool operator==(const CordRect&, const CordRect&) = default;
};

inline constexpr int32_t CoordMask = static_cast<int32_t>(0xFFFFFF00u);
inline constexpr int32_t FlagMask = 0xFF;

// Flags in x.
inline constexpr int32_t FirstBezierFlag = 1;
inline constexpr int32_t SecondBezierFlag = 2;
inline constexpr int32_t NoLeftLineFlag = 4;
// Flags in y.
inline constexpr int32_t CornerFlag = 1;
inline constexpr int32_t HoleFlag = 2;
inline constexpr int32_t NoRightLineFlag = 4;
inline constexpr int32_t DashFlag = 8;

// 25,600 coordinate units make one millimetre on paper.
inline constexpr int32_t UnitsPerHundredthMm = 256;
// The view and every stored object stay within this distance of the origin.
inline constexpr int32_t MapAreaLimit = 51200000;

inline constexpr int32_t Masked(int32_t v) { return v & CoordMask; }
inline constexpr int32_t Flags(int32_t v) { return v & FlagMask; }

} // namespace zemo
