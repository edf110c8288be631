// File > Export > DXF: the map's objects as an ASCII DXF file of a HEADER with the extents and
// ENTITIES, one layer per symbol (named by the layer table when one is loaded), in real-world
// metres or millimetres on paper. The file is written beside its target and takes its name
// only when it is whole: Esc or a failure leave no partial file.
#pragma once

#include "symbols/CrtTable.h"
#include "io/Export.h"

#include <QByteArray>

#include <vector>

namespace zemo {

inline constexpr int ExpDxfHelpContext = 46;
// Bezier segments are flattened with at most this many halvings, to 0.2 mm.
inline constexpr int DxfFlattenDepth = 5;
inline constexpr int DxfFlattenTolerance = 20;

struct ExpDxfOptions {
    bool Gis = true;            // real-world metres, else millimetres on paper
    bool Oem = false;           // texts in code page 437
    bool SelectedOnly = false;  // only objects whose symbol is selected
};

// How numbers are written: the factor from 0.01 mm on paper, the decimals, the unit.
struct DxfNumbers {
    double Factor = 0.01;
    int Decimals = 2;
    bool RealWorld = false;
};
DxfNumbers DxfNumbersFor(bool gis, double mapScale);

// The whole file into `out`; false when Esc stopped it (ExportAborted shown).
// `missing` counts the objects left out for a symbol the map does not hold.
bool WriteDxfFile(ExportFile& out, const ExpDxfOptions& o, const std::vector<LayerEntry>& table,
                  MissingSymbols* missing = nullptr);

// The command.
void ExportDxf();

} // namespace zemo
