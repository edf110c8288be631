#include "GifTestFile.h"

#include <algorithm>
#include <stdexcept>

namespace zemo::test {

namespace {

void putWord(std::vector<uint8_t>& out, int value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

} // namespace

std::vector<uint8_t> MakeGifFile(int width, int height, const std::vector<uint32_t>& palette,
                                 int lzwCodeSize, const std::vector<uint8_t>& lzwStream)
{
    if (width < 1 || width > 65535 || height < 1 || height > 65535 || palette.size() > 256)
        throw std::invalid_argument("MakeGifFile: bad size or palette");
    int sizeBits = 1;
    while ((size_t(1) << sizeBits) < palette.size())
        ++sizeBits;

    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    // Logical screen: size, global table present, 8-bit colour resolution, table size code.
    putWord(out, width);
    putWord(out, height);
    out.push_back(uint8_t(0x80 | 0x70 | (sizeBits - 1)));
    out.push_back(0); // background colour index
    out.push_back(0); // no aspect ratio
    for (int i = 0; i < (1 << sizeBits); ++i) {
        const uint32_t rgb = size_t(i) < palette.size() ? palette[size_t(i)] : 0;
        out.push_back(uint8_t(rgb >> 16));
        out.push_back(uint8_t(rgb >> 8));
        out.push_back(uint8_t(rgb));
    }
    // Image descriptor: at 0,0, full size, no local table, not interlaced.
    out.push_back(0x2C);
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, width);
    putWord(out, height);
    out.push_back(0);
    out.push_back(uint8_t(lzwCodeSize));
    for (size_t pos = 0; pos < lzwStream.size(); pos += 255) {
        const size_t len = std::min<size_t>(255, lzwStream.size() - pos);
        out.push_back(uint8_t(len));
        out.insert(out.end(), lzwStream.begin() + long(pos), lzwStream.begin() + long(pos + len));
    }
    out.push_back(0);    // block terminator
    out.push_back(0x3B); // trailer
    return out;
}

} // namespace zemo::test
