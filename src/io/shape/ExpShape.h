// ExpShape: File > Export > Shape. The map's objects in real-world coordinates as ESRI shape
// file sets, one set (".shp", ".shx", ".dbf") for each chosen kind: points, lines, areas and
// texts (a point per text item). The attributes are the program's own fields (ID, SYMBOL,
// ANGLE and, for texts, TEXT, in code page 1252) or, for the objects linked to a dataset, the
// dataset's fields and the linked records.
//
// Each set is written under temporary names beside its targets and renamed at the end: Esc or
// a failure leaves no half set. Rings are written closed, outer rings clockwise and holes
// anticlockwise, as other readers expect; rings under 4 points and lines under 2 stay out.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace zemo {

inline constexpr int ExpShapeHelpContext = 323;
inline constexpr int ShapeFlattenDepth = 5;
inline constexpr int ShapeFlattenTolerance = 20;

// The kinds, in the order they are written, and the name each set's file ends with.
enum class ShapeSetKind { Points = 0, Lines = 1, Areas = 2, Texts = 3 };
inline constexpr int ShapeSetKinds = 4;
QString ShapeSetSuffix(ShapeSetKind kind);

// The dialog's choices (TExpShapeDlg), kept for the run.
struct ExpShapeOptions {
    std::array<bool, ShapeSetKinds> Kinds{true, true, true, true};
    bool DatasetMode = false;  // else all objects
    QStringList Datasets;      // the map's, shown
    int Dataset = 0;
};

// The set of one kind written to shpName (".shx" and ".dbf" beside it). False when nothing
// was written: Esc (ExportAborted), a failure (reported), or an unknown dataset.
bool WriteShapeSet(ShapeSetKind kind, const QString& shpName, const ExpShapeOptions& o);

// The save dialog for one kind, then WriteShapeSet. False on Cancel or failure.
bool ExportShapeSet(ShapeSetKind kind, const ExpShapeOptions& o);

// The command: dialog, hidden-symbol question, a set per chosen kind until one fails.
void ExportShape();

// The choices of the last export; back to all kinds.
ExpShapeOptions& LastShapeExport();
void ResetExpShapeUnit();

} // namespace zemo
