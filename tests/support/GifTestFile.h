// A minimal GIF89a writer for tests: wraps an LZW code stream made elsewhere into a file
// that independent GIF readers can open.
#pragma once

#include <cstdint>
#include <vector>

namespace zemo::test {

// One image covering the logical screen, a global palette (0xRRGGBB values; padded with
// black to the next power of two, at least 2 entries), the stream's minimum code size, the
// stream cut into sub-blocks of at most 255 bytes, and the trailer.
std::vector<uint8_t> MakeGifFile(int width, int height, const std::vector<uint32_t>& palette,
                                 int lzwCodeSize, const std::vector<uint8_t>& lzwStream);

} // namespace zemo::test
