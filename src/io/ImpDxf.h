// ASCII DXF drawings into the current map: each supported entity becomes one object, placed
// through an offset (drawing units), a factor (0.01 mm of paper per drawing unit) and a turn,
// its symbol taken from the layer table (CrtTable.h).
//
// The reader works on the file's bytes held whole. Every point an entity adds goes through
// one bounded routine (an object holds at most 32768 points); block references are followed
// at most 16 deep and never into a block that is being read, their contents placed through
// the reference's scales, turn and array. A SPLINE keeps its knots and weights.
#pragma once

#include "symbols/CrtTable.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace zemo {

inline constexpr int DxfErrorHelpContext = 42;
inline constexpr int ImpDxfHelpContext = 41;
inline constexpr int MaxInsertDepth = 16;
// Block copies that one reference with its columns and rows (and those of the references
// it is read inside) may place, and that one import may place; the rest are left out.
inline constexpr int64_t MaxInsertCopies = 4096;
inline constexpr int64_t MaxBlockCopies = 1 << 20;
inline constexpr int MaxOpenSplinePoints = 669;
inline constexpr int MaxClosedSplinePoints = 667;
// 3 m on paper from the offset, in 0.01 mm: coordinates further out make the entity invalid.
inline constexpr double DxfCoordinateLimit = 300000;

// The extension (".dxf" in any case) and the first six lines as three groups whose code
// lines are integers.
bool IsDxfFile(const QString& name, const QByteArray& head);

// What the header scan found: the drawing's extents when the header has both, and the
// proposed offset (the extents' centre, or the first 10/20 values of the first entity).
struct DxfHeaderInfo {
    bool HasExtents = false;
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
    double OffsetX = 0, OffsetY = 0;
    // A code line that is no integer before the drawing's entities: its line, from 1.
    int DamagedAtLine = 0;
};
// False when the file is damaged before its entities (DamagedAtLine): nothing of it can be read.
bool ScanDxfHeader(const QByteArray& data, DxfHeaderInfo& info);

struct DxfImportSettings {
    double OffsetX = 0;     // drawing units
    double OffsetY = 0;
    double Angle = 0;       // degrees, -360..360
    double Factor = 1;      // 0.01 mm of paper per drawing unit
    bool Oem = false;       // texts in code page 437
    bool InsertAsPoint = false;
};

struct ImportReport;

// Appends the drawing's entities to the current map, each selected (no undo step). Returns
// the number of objects appended; `report` gets what was read and what was left out, and the
// line of a code line that is not an integer, where the reading stopped. Esc (ImportAborted)
// and a failed append end it with the silent abort; the objects appended stay and `report`
// says them.
int ImportDxfEntities(const QByteArray& data, const DxfImportSettings& s,
                      const std::vector<LayerEntry>& table, ImportReport* report = nullptr);

// The dialog's choices (TImpDxfDlg).
struct ImpDxfOptions {
    DxfHeaderInfo Header;
    bool Gis = true;                   // coordinates in real-world metres
    QString OtherFactor = QStringLiteral("1.0");   // mm on paper per drawing unit
    bool NewOffset = true;             // else the map's real-world offset
    QString HorOffset, VerOffset, Angle = QStringLiteral("0.0");
    double MapScale = 15000;
    bool TakeOver = false;             // the offset becomes the map's real-world offset
    bool Oem = false;
    bool InsertAsPoint = false;
    // Map values shown by the dialog.
    double MapOffsetX = 0, MapOffsetY = 0, MapAngle = 0;
};

// File > Import of a DXF drawing whose bytes are given: header scan, dialog (the port
// RunImpDxfDialog), import, and the report of what came in and what was left out under the
// file's name. The layer table is emptied first; the dialog may load one. The objects, and the
// map's scale and placement where the import sets them, are one undo step.
void ImportDxf(const QByteArray& data, const QString& name);

} // namespace zemo
