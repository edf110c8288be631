// 8-bit grey TIFF files with LZW-compressed strips, written and read by libtiff, to check
// our TIFF-form LZW against an independent codec.
#pragma once

#include <string>
#include <vector>
#include <cstdint>

namespace zemo::test {

using TiffStrips = std::vector<std::vector<uint8_t>>;

// Writes strips that are already LZW-compressed (TIFFWriteRawStrip); the tags say LZW, no
// predictor. False when libtiff fails.
bool WriteTiffRawLzwStrips(const std::string& path, int width, int height, int rowsPerStrip,
                           const TiffStrips& compressedStrips);
// Lets libtiff compress the pixels with its own LZW (no predictor).
bool WriteTiffLzwImage(const std::string& path, int width, int height, int rowsPerStrip,
                       const std::vector<uint8_t>& pixels);
// Each strip decoded by libtiff (TIFFReadEncodedStrip); empty on failure.
TiffStrips ReadTiffDecodedStrips(const std::string& path);
// Each strip's stored bytes (TIFFReadRawStrip); empty on failure.
TiffStrips ReadTiffRawStrips(const std::string& path);

} // namespace zemo::test
