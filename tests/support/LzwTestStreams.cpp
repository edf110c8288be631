#include "LzwTestStreams.h"

#include <random>
#include <stdexcept>

namespace zemo::test {

void LzwCodePacker::Put(unsigned code, int width)
{
    for (int i = 0; i < width; ++i) {
        const int bit = msbFirst_ ? (code >> (width - 1 - i)) & 1 : (code >> i) & 1;
        if (bitCount_ % 8 == 0)
            bytes_.push_back(0);
        if (bit)
            bytes_.back() |= uint8_t(msbFirst_ ? 0x80 >> (bitCount_ % 8) : 1 << (bitCount_ % 8));
        ++bitCount_;
    }
}

std::vector<uint8_t> LowEntropyBytes(size_t count, uint32_t seed, int bits)
{
    std::mt19937 rng(seed);
    const unsigned mask = (1u << bits) - 1;
    unsigned palette[8];
    for (unsigned& v : palette)
        v = rng() & mask;
    std::vector<uint8_t> out;
    out.reserve(count);
    while (out.size() < count) {
        const uint32_t r = rng();
        if (r % 5 == 0 && out.size() > 64) {
            // repeat an earlier stretch
            const size_t len = 4 + (r >> 8) % 60;
            const size_t from = out.size() - 64 + (r >> 16) % 32;
            for (size_t i = 0; i < len && out.size() < count; ++i)
                out.push_back(out[from + i]);
        } else {
            const size_t len = 1 + (r >> 8) % 48;
            const uint8_t value = uint8_t(palette[(r >> 16) % 8]);
            for (size_t i = 0; i < len && out.size() < count; ++i)
                out.push_back(value);
        }
    }
    return out;
}

std::vector<uint8_t> HighEntropyBytes(size_t count, uint32_t seed, int bits)
{
    std::mt19937 rng(seed);
    const unsigned mask = (1u << bits) - 1;
    std::vector<uint8_t> out(count);
    for (uint8_t& b : out)
        b = uint8_t(rng() & mask);
    return out;
}

std::vector<uint8_t> DistinctPairBytes(size_t count)
{
    // Blocks d = 1, 2, ...: a, a + d for every a. Neighbours differ by d inside a pair and by
    // 1 - d between pairs (and across a block boundary), all distinct for d < 128.
    if (count > 127 * 512)
        throw std::invalid_argument("DistinctPairBytes: too long");
    std::vector<uint8_t> out;
    out.reserve(count);
    for (unsigned d = 1; out.size() < count; ++d)
        for (unsigned a = 0; a < 256 && out.size() < count; ++a) {
            out.push_back(uint8_t(a));
            if (out.size() < count)
                out.push_back(uint8_t(a + d));
        }
    return out;
}

} // namespace zemo::test
