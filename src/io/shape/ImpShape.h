// ImpShape: an ESRI shape file set into the current map. Points, multipoints, polylines and
// polygons become objects of undefined symbol; the attribute table is copied into a new dBase
// table beside the map, named as a new dataset, and every object is linked to its record.
//
// Everything read from the set is checked before it is used: a record must lie in the main
// file and hold what its counts claim, part indices must rise and stay below the point count;
// any other record is skipped. A table shorter than the shapes gives their shapes blank
// records.
#pragma once

#include "core/FileClass.h"
#include "io/ImportReport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace zemo {

inline constexpr int ImpShapeHelpContext = 310;
inline constexpr int ShapeFileNotFoundHelpContext = 26;
// The 2 m window on paper around the offset, in 0.01 mm: shapes reaching past it stay out.
inline constexpr double ShapeWindow = 200000;
// A polyline part longer than this is cut into pieces of ShapePiecePoints.
inline constexpr int ShapeLongPart = 24576;
inline constexpr int ShapePiecePoints = 16384;
// The proposed scale stops growing here (also the dialog's largest scale).
inline constexpr double MaxShapeScale = 100000000;
// A new key field: numeric, this wide.
inline constexpr int ShapeKeyFieldLength = 8;

// The extension ".shp" in any case and the big-endian file code 9994 in the first 4 bytes.
bool IsShapeFile(const QString& name, const QByteArray& head);

struct ShapeBox {
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

// The units of the dialog: m, km, 1000 km, and after them the .prj's own unit where it is
// none of those (metres per unit given).
inline constexpr int ShapeUnitOfPrj = 3;
double ShapeUnitFactor(int unit, double prjUnit = 0);

// The linear unit of a .prj's well-known text: metres per unit, and its name; 0 where the text
// names none (a geographic system in degrees, or no system).
double PrjLinearUnit(const QByteArray& wkt, QString* name = nullptr);

// A .prj's text whose system is geographic (longitude and latitude in angles, which the import
// does not project), and the system's name.
bool PrjIsGeographic(const QByteArray& wkt, QString* name = nullptr);

// How much of a .prj is read: far more than any system's text, so that a file posing as one
// cannot fill the memory.
inline constexpr qint64 MaxPrjBytes = 64 * 1024;

// The typed scale when the box fits 1.5 m of paper at it; else the first of 10, 25, 50,
// 100, 250, ... at which it fits, at most MaxShapeScale.
double ProposeShapeScale(const ShapeBox& box, double unitFactor, double typed);

// The layout of a dBase table's head as the import copies it.
struct ShapeTable {
    int HeaderLength = 0;
    int RecordLength = 0;
    int64_t Records = 0;       // the header's count, bounded by the bytes the file holds
    QStringList Names;
    std::vector<int> Offsets;  // of each field in a record (after the deletion flag)
    std::vector<int> Lengths;
};
// False when the header, its descriptors or their terminator do not hold (ErrorInDBase).
bool ReadShapeTable(const QByteArray& dbf, ShapeTable& t);

// "ID", or "ID" with the first number that no field has (compared without case).
QString NewKeyFieldName(const QStringList& fields);

// The dialog's fields (TImpShapeDlg).
struct ImpShapeOptions {
    ShapeBox Box;
    QStringList Fields;
    int KeyField = -1;        // index in Fields; -1 none
    bool ExistingKey = false; // else a new key field
    bool NewOffset = true;
    QString HorOffset, VerOffset, Angle = QStringLiteral("0.0");
    double MapScale = 15000;
    int Unit = 0;             // m, km, 1000 km, ShapeUnitOfPrj
    // The .prj's linear unit (metres per unit, 0: none) and its name: it decides the unit.
    double PrjUnit = 0;
    QString PrjUnitName;
    // The map's values, shown with the existing offset.
    double MapOffsetX = 0, MapOffsetY = 0, MapAngle = 0;
};

// The dialog's defaults for a box and a map (offset, unit, scale proposal, offset kind).
void ProposeShapeOptions(ImpShapeOptions& o, double mapScale, double mapOffsetX, double mapOffsetY,
                         double mapAngle);

// The three files of a set, whole.
struct ShapeFileSet {
    QByteArray Shp, Shx, Dbf;
};

// What one import does, decided by the dialog.
struct ShapeImportSettings {
    double OffsetX = 0, OffsetY = 0;  // file units
    double Angle = 0;                 // degrees
    double Unit = 1;
    double MapScale = 15000;
    bool ExistingKey = false;
    int KeyField = -1;
    QString Dataset;                  // the new dataset's name, its table's too
    QString TablePath;                // where the table is written
};

struct ShapeImportResult {
    ImportReport Report;     // the objects by type; what was left out is added at the end
    int Objects = 0;
    int Shapes = 0;          // index records read
    int Damaged = 0;         // records skipped as damaged
    int Outside = 0;         // shapes left out for reaching past the window
    int RecordsWritten = 0;
    bool TableWritten = false;
    bool Aborted = false;
};

// The shapes in index order appended to the current map, the table written and the links
// made (no dialog, no setup change). The dataset definition is added when the table is there;
// an import that brought no object leaves no table behind.
ShapeImportResult ImportShapeSet(const ShapeFileSet& set, const ShapeImportSettings& s);

// A free dataset name from the shape file's: no table file of that name in the map's folder
// and no dataset of that name.
QString FreeShapeDatasetName(const QString& shapeFile);

// File > Import of a shape file (the dispatcher's file is the ".shp"). A change of the map's
// scale or real-world placement is asked first (No: the drawing comes in, they stay); the
// objects and that change are one undo step.
void ImportShape(const QString& shpName, TFileClass& file);

// Registers the importer with File > Import.
void InitImpShapeUnit();

} // namespace zemo
