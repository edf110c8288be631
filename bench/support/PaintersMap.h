// The generated orienteering-like map of 100,000 objects that the painter and export
// benchmarks draw: contours, paths, fences, roads, point features and vegetation areas over
// 400 x 225 mm of paper, the symbols written at their record offsets.
#pragma once

#include "core/Cord.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zemo::bench {

constexpr int ObjectCount = 100000;
constexpr int MapWidth = 40000, MapHeight = 22500;   // 0.01 mm: 400 x 225 mm of paper
constexpr int ColorCount = 6;                          // 0 black .. 5 orange
constexpr uint32_t Inks[ColorCount] = {
    200u << 24,                        // black
    200u,                              // blue
    100u << 8 | 200u << 16 | 60u << 24,   // brown
    120u | 200u << 16,                 // green
    60u << 8 | 200u << 16,             // yellow
    100u << 8 | 200u << 16,            // orange
};

// A symbol record, written at its offsets.
struct Record {
    std::vector<uint8_t> b;
    explicit Record(size_t n) : b(n, 0) { put(0, int(n)); }
    void put(size_t at, int v)
    {
        b[at] = uint8_t(v & 0xFF);
        b[at + 1] = uint8_t((v >> 8) & 0xFF);
    }
    void color(int c) { b[20 + size_t(c) / 8] |= uint8_t(1u << (c % 8)); }
    void bytes(size_t at, const std::vector<uint8_t>& v) { std::memcpy(b.data() + at, v.data(), v.size()); }
};

struct MapObject {
    uint8_t type;
    int symbol;                // index into the symbol table
    std::vector<Cord> cords;
};

struct GeneratedMap {
    std::vector<Record> symbols;
    std::vector<std::vector<bool>> symbolColors;
    std::vector<MapObject> objects;
};

// The map, the same on every call (a fixed seed).
GeneratedMap GeneratePaintersMap();

// The generated map as a map file (scale 1:15000, the inks as its colours); symbols without a
// number get one of their own. Returns the file's path.
std::string WritePaintersMapFile(const std::string& stem);

} // namespace zemo::bench
