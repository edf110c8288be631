// Jpeg: JPEG files (".jpg", ".jpeg") as 24-bit raster templates, decoded by libjpeg(-turbo) into
// blue, green, red rows whatever the file's colour space (greyscale comes out as three equal
// bytes); a CMYK file is refused with the library's message.
#pragma once

#include <QString>

namespace zemo {

// Reads the file into CurrentTemplate; in load mode 1 the template resolution dialog places
// it first (Cancel leaves the template untouched). A file that ends early is read as the
// library reads it (the rest grey), and how much of it there was is said (ReportPartialPicture).
bool ReadJpegFile(const QString& name, int mode);

} // namespace zemo
