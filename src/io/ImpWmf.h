// Windows metafiles (with or without the placeable header) into the current map: the records
// are read in place, each bounded by the file, and polygons, polylines and texts become
// objects named "WMF n" by the pen and brush selections before them, centred on the view.
#pragma once

#include <QByteArray>
#include <QString>

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
bool ImportWmfBytes(const QByteArray& data, int* count = nullptr);

// Registers the importer with File > Import.
void InitImpWmfUnit();

} // namespace zemo
