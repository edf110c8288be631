// The one writer of the benchmarks' generated maps: a version-8 map file written field by
// field through the store's own record writers (colour block, setup, symbols, then each object
// index block followed by its records), in the temporary folder, removed when the program ends.
#pragma once

#include "core/Cord.h"
#include "core/Setup.h"
#include "document/Index.h"
#include "symbols/store/SymbolRecords.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zemo::bench {

inline constexpr int32_t Mm = 100 * UnitsPerHundredthMm;

struct BenchObject {
    int16_t symbol = 0;  // number x 10
    uint8_t type = 0;    // object type
    std::vector<Cord> cords;
    std::string text;  // code page 1252, of text and line-text objects
    // The 8-byte slots of the record: the coordinates, then the text with its NUL.
    size_t Slots() const { return cords.size() + (text.empty() ? 0 : (text.size() + 8) / 8); }
};

struct BenchMap {
    SymbolHeaderBlock colours;
    SetupRecord setup = DefaultSetupRecord();
    std::vector<SymbolBytes> symbols;
    int objectCount = 0;
    // Object i of objectCount; called once for each, in order.
    std::function<BenchObject(int)> object;
};

// The colours and symbols of a symbol set the build puts in the data folder, read as a new map
// reads them; no symbols when the set cannot be read.
BenchMap ShippedSymbolSet(const QString& fileName);

// The orienteering set, with areas shown filled.
BenchMap OrienteeringSymbols();

// Writes the map to a new file named after the stem and this process; returns its path. The
// file goes when the process ends, unless ZEMO_KEEP_BENCH_MAPS is set.
std::string WriteBenchMap(const std::string& stem, const BenchMap& map);

// Colours numbered 0.. with these CMYK values (half percent).
SymbolHeaderBlock BenchColours(const std::vector<std::array<uint8_t, 4>>& cmyk);

// A symbol's head: size, number (x 10), object type, extent (0.01 mm) and one colour.
SymbolBytes BenchSymbolHead(size_t size, int number, int type, int extent, int colour);

// A point on paper, in millimetres from the map's origin.
Cord AtMm(double xMm, double yMm);

// Object i on a 400 x 250 grid of 1.6 mm cells about the origin, in turn a point, a
// four-point curve and an area of five corners, of these symbols.
BenchObject MixedGridObject(int i, int16_t pointSym, int16_t lineSym, int16_t areaSym);

} // namespace zemo::bench
