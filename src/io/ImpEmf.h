// Enhanced metafiles into the current map: the records are read in place, each bounded by the
// file, and polygons, polylines, poly-polygons with their holes, Bezier runs, paths (filled
// as areas with holes, stroked as lines), pen strokes and wide texts become objects named
// "EMF n" by the selections before them, the drawing centred on the view.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace zemo {

// The signature " EMF" at EmfSignatureAt of the header record.
inline constexpr uint32_t EmfSignature = 0x464D4520u;
inline constexpr int EmfSignatureAt = 40;
// A text keeps this many bytes at most.
inline constexpr int MaxEmfTextBytes = 8191;

// The extension ".emf" and the signature in the header.
bool IsEmfFile(const QString& name, const QByteArray& head);

// The conversion of a whole enhanced metafile (File > Import and Paste), centred on the view.
// False (after CannotOpenEmf) when its header does not hold; else the number of objects
// imported is in `count`. `source` names the file in the report; empty for a pasted picture.
bool ImportEmfHandle(const QByteArray& data, int* count = nullptr, const QString& source = {});

// Registers the importer with File > Import.
void InitImpEmfUnit();

} // namespace zemo
