// Test data and an independent code packer for the LZW tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zemo::test {

// Packs codes of explicit widths into bytes, bit by bit, so that expected streams do not
// come from the codec under test. LSB-first is the GIF packing, MSB-first the TIFF one.
class LzwCodePacker {
public:
    explicit LzwCodePacker(bool msbFirst) : msbFirst_(msbFirst) {}
    void Put(unsigned code, int width);
    // The packed bytes, the last one padded with zero bits.
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    bool msbFirst_;
    std::vector<uint8_t> bytes_;
    size_t bitCount_ = 0;
};

// Runs of a few values with short repeats: compresses well, like map raster.
std::vector<uint8_t> LowEntropyBytes(size_t count, uint32_t seed, int bits = 8);
// Uniform random values of the given number of bits.
std::vector<uint8_t> HighEntropyBytes(size_t count, uint32_t seed, int bits = 8);
// Every pair of neighbouring bytes occurs once (up to 65024 bytes), so an LZW encoder never
// finds a string longer than one byte: its codes are exactly the input bytes.
std::vector<uint8_t> DistinctPairBytes(size_t count);

} // namespace zemo::test
