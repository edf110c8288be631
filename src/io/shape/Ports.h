// What the shape-file import and export need from the libraries above them: their dialogs
// (io shape widgets). Each port does the documented least until the wiring root binds it.
#pragma once

#include "core/Port.h"
#include "io/shape/ExpShape.h"
#include "io/shape/ImpShape.h"

namespace zemo {

struct ShapePortSet {
    // The import dialog: true on OK with the choices. Least: cancelled, nothing imported.
    Port<bool(ImpShapeOptions& options)> RunImpShapeDialog{"shape.RunImpShapeDialog",
                                                           [](ImpShapeOptions&) { return false; }};
    // The export dialog: true on OK with the kinds and the dataset. Least: cancelled.
    Port<bool(ExpShapeOptions& options)> RunExpShapeDialog{"shape.RunExpShapeDialog",
                                                           [](ExpShapeOptions&) { return false; }};
};

ShapePortSet& ShapePorts();

// The importer registered with File > Import, and File > Export > Shape with the command
// frame, available while its dialog is there to ask.
void RegisterShapeWorkers();

} // namespace zemo
