// Bmp: Windows bitmap files (".bmp", ".dib") as raster templates: 1, 4 and 8 bits with their
// colour table, and 24 bits; uncompressed, stored bottom-up or top-down. Compressed bitmaps
// (run lengths, bit fields) are refused rather than read as noise.
#pragma once

#include <QString>

namespace zemo {

// Reads the file into CurrentTemplate; in load mode 1 the template resolution dialog places
// it. True only when every row was read.
bool ReadBmpFile(const QString& name, int mode);

} // namespace zemo
