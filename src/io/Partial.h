// Partial: Extras > Export partial map. A new map file holds the part of the current map inside
// a boundary, an axis-parallel rectangle or the selected line or area object: objects crossing
// the boundary are cut at it, and the new map gets the symbols its objects use. The file is
// written by the subset writer, which keeps any older file of that name until it is whole.
#pragma once

#include "core/Cord.h"
#include "core/Setup.h"
#include "io/ExpRange.h"

#include <QString>

namespace zemo {

inline constexpr int PartialHelpContext = 9;
// The dialog's fields span -3000 .. 3000 mm.
inline constexpr double PartialRangeMm = 3000;

// What the partial-map dialog edits: the setup's partial rectangle in millimetres on paper
// (the whole map and its templates when the setup holds none), and the kind of boundary.
class PartialEdit {
public:
    PartialEdit(const SetupRecord& setup, bool objectAllowed);

    const CordRect& Rect() const { return rect_; }
    RangeFields Fields() const;
    void Store(const RangeFields& f);
    void EntireMap();
    // The selected object may be the boundary: one line or area object is selected.
    bool ObjectAllowed() const { return objectAllowed_; }
    bool ObjectBoundary = false;

private:
    CordRect rect_;
    bool objectAllowed_;
};

// The command.
void ExportPartialMap();

// The objects inside the boundary into the map file `name`: range (the setup's partial
// rectangle when none is given), or object `boundaryObject` (above 0) whose bounding
// rectangle then becomes the setup's. Esc
// stops it without a file. True when the file was written.
bool WritePartialMap(const QString& name, int boundaryObject, const CordRect* range = nullptr);

} // namespace zemo
