// Gif: GIF files (".gif", 87a and 89a) as raster templates of 1, 4 or 8 bits per pixel with
// their colour table, global or the image's own; interlaced images are stored in row order,
// extensions skipped. Of several images the last is kept, in its own size.
#pragma once

#include <QString>

namespace zemo {

// Reads the file into CurrentTemplate; in load mode 1 the template resolution dialog (with no
// resolution) places it.
bool ReadGifFile(const QString& name, int mode);

} // namespace zemo
