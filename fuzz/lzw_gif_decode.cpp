// GIF-form LZW decoder on arbitrary input. The first byte picks the code size (2..9; 9 must
// be refused), the rest is the code stream. What decodes is encoded again and must come
// back the same; the input itself must survive a round trip too.
#include "LzwRoundTrip.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int codeSize = 2 + data[0] % 8;
    if (codeSize > 8) {
        zemo::LzwDecoder decoder([](uint8_t) {});
        if (decoder.LzwDecodeInit(codeSize) || decoder.LzwDecodeByte(0))
            __builtin_trap();
        return 0;
    }
    std::vector<uint8_t> raw(data + 1, data + size);
    for (uint8_t& b : raw)
        b &= uint8_t((1u << codeSize) - 1);
    zemo::fuzz::CheckLzwRoundTrips({data + 1, size - 1}, raw, {codeSize, false});
    return 0;
}
