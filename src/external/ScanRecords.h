// The scan worker's output, read by the program: records of a kind byte and little-endian
// 32-bit numbers, in this order: Resolution, then per frame Frame, Data..., FrameEnd (or Failed),
// and Done once every frame is sent. A missing Done means the scan failed.
#pragma once

#include <cstdint>

namespace zemo::scanrecord {

inline constexpr char Resolution = 'R';  // dots per inch
inline constexpr char Frame = 'P';       // format, last frame, bytes per line, pixels per line, lines, depth
inline constexpr char Data = 'D';        // byte count, then the bytes
inline constexpr char FrameEnd = 'E';
inline constexpr char Failed = 'X';
inline constexpr char Done = 'Z';
inline constexpr int FrameNumbers = 6;

// Written to the worker's input: stop the scan.
inline constexpr char Cancel = 'c';

} // namespace zemo::scanrecord
