// ESRI shape files as the shape import and export read and write them: the main file (".shp")
// with the geometry, its index (".shx") and the attribute table (".dbf", a dBase table).
//
// Main and index file header, 100 bytes:
// | Offset | Size | Meaning                                                          |
// |--------|------|------------------------------------------------------------------|
// | 0      | 4    | file code 9994, big-endian                                       |
// | 4      | 20   | unused, zero                                                     |
// | 24     | 4    | file length in 16-bit words, big-endian                          |
// | 28     | 4    | version 1000, little-endian                                      |
// | 32     | 4    | shape type of the file, little-endian                            |
// | 36     | 32   | Xmin, Ymin, Xmax, Ymax, little-endian doubles                    |
// | 68     | 32   | Zmin, Zmax, Mmin, Mmax (0 when written)                          |
// Index records follow the index file's header, 8 bytes each:
// | 0      | 4    | offset of the record in the main file, in words, big-endian      |
// | 4      | 4    | content length in words, big-endian                              |
// A record in the main file: number (from 1) and content length in words, both big-endian,
// then the content, whose first 4 bytes are its shape type (little-endian):
// | point      | type, X, Y (doubles)                                                      |
// | multipoint | type, box (4 doubles), count, the points (X, Y)                           |
// | poly       | type, box, parts, points, each part's first point index (32-bit), points |
// Z and M variants (11, 13, 15, 18 and 21, 23, 25, 28) carry the same start; what follows the
// points is not read.
#pragma once

#include "core/ByteIO.h"

#include <cstdint>

namespace zemo {

inline constexpr int32_t ShapeFileCode = 9994;
inline constexpr int32_t ShapeVersion = 1000;
inline constexpr int ShapeHeaderBytes = 100;

inline constexpr int ShpFileCode = 0;
inline constexpr int ShpFileLength = 24;
inline constexpr int ShpVersionAt = 28;
inline constexpr int ShpShapeType = 32;
inline constexpr int ShpBox = 36;

inline constexpr int ShxRecordBytes = 8;
inline constexpr int ShpRecordHeaderBytes = 8;

// Offsets inside a record's content.
inline constexpr int ShpContentType = 0;
inline constexpr int ShpPointX = 4;
inline constexpr int ShpPointBytes = 20;
inline constexpr int ShpPolyBox = 4;
inline constexpr int ShpPolyParts = 36;
inline constexpr int ShpPolyPoints = 40;
inline constexpr int ShpPolyPartArray = 44;
inline constexpr int ShpMultiCount = 36;
inline constexpr int ShpMultiPointArray = 40;

enum ShapeType : int32_t {
    ShapeNull = 0,
    ShapePoint = 1,
    ShapePolyline = 3,
    ShapePolygon = 5,
    ShapeMultipoint = 8,
    ShapeMultiPatch = 31,  // 3-D surfaces: not read
};

// The plain kind of a shape type and its Z and M variants; ShapeNull for others.
constexpr ShapeType ShapeKind(int32_t type)
{
    switch (type) {
    case 1: case 11: case 21: return ShapePoint;
    case 3: case 13: case 23: return ShapePolyline;
    case 5: case 15: case 25: return ShapePolygon;
    case 8: case 18: case 28: return ShapeMultipoint;
    default: return ShapeNull;
    }
}

inline int32_t LoadBE32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]));
}
inline void StoreBE32(uint8_t* p, int32_t v)
{
    const auto u = uint32_t(v);
    p[0] = uint8_t(u >> 24);
    p[1] = uint8_t(u >> 16);
    p[2] = uint8_t(u >> 8);
    p[3] = uint8_t(u);
}

} // namespace zemo
