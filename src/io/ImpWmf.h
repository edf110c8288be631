// Windows metafiles (with or without the placeable header) into the current map: the records
// are read in place, each bounded by the file, and polygons, polylines and texts become
// objects named "WMF n" by the pen and brush selections before them, centred on the view.
#pragma once

#include "core/Cord.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace zemo {

inline constexpr uint32_t WmfPlaceableKey = 0x9AC6CDD7u;
inline constexpr int CannotImportBitmapHelpContext = 252;
// Up to this many imported objects stay selected.
inline constexpr int MaxKeptMetafileSelection = 1000;

// The extension ".wmf" and either the placeable header's key or a standard header of type 0
// or 1 and 9 words.
bool IsWmfFile(const QString& name, const QByteArray& head);

// The conversion of a whole metafile (File > Import and Paste). False (after CannotOpenWmf)
// when its headers do not hold; else the number of objects imported is in `count`.
bool ImportWmfHandle(const QByteArray& data, int* count = nullptr);

// What both metafile importers share: logical points to map points, the objects named by the
// style count, and the run's start and end (selection, progress, one undo step).
class MetafileObjects {
public:
    // prefix: "WMF " or "EMF ".
    explicit MetafileObjects(const char* prefix) : Prefix(prefix) {}

    // Map units per logical unit (y negative where logical y runs down) and the map point of
    // logical (0, 0).
    double Sx = 0, Sy = 0;
    int64_t Ox = 0, Oy = 0;
    int Styles = 1;
    int Count = 0;
    bool Bitmap = false;

    // False for a point that leaves the map: its object is not imported.
    bool Convert(double x, double y, Cord& c) const;
    // Appends and selects an object of these points and 8-bit text; a failed append is
    // passed over.
    void Append(uint8_t type, const Cord* pts, int n, const QByteArray& text);
    // Lets Esc through after a record; true when it was pressed.
    static bool Stopped();

private:
    QByteArray Prefix;
};

// One import of a metafile's records: the selection cleared and progress over `total` bytes,
// `records` run without undo recording, then the bitmap warning, one undo step and the
// selection rule.
void ConvertMetafile(MetafileObjects& m, qsizetype total, const std::function<void()>& records);

// Registers the importer with File > Import.
void InitImpWmfUnit();

} // namespace zemo
