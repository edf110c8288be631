// Tiff: baseline TIFF files (".tif", ".tiff") as raster templates: the first image, in either
// byte order, stored in strips; uncompressed, CCITT fax (compressions 2, 3 and 4), LZW (also
// with horizontal differencing) or PackBits; bilevel, 4- and 8-bit grey or palette images, RGB
// and RGBA (the alpha dropped).
//
// A new template (load mode 1) is placed by its georeference when it has one, through the
// georeference dialog: a world file beside it wins over its GeoTIFF tags. Without one the
// template resolution dialog places it.
#pragma once

#include <QString>

namespace zemo {

inline constexpr int CompressionNotSuppHelpContext = 325;
inline constexpr int TiffVariantNotSuppHelpContext = 326;

// Reads the file into CurrentTemplate; true when the image was read (strips that cannot be
// decoded leave their rows white).
bool ReadTiffFile(const QString& name, int mode);

} // namespace zemo
