// TIFF-form LZW decoder on arbitrary input. What decodes is encoded again and must come
// back the same; the input itself must survive a round trip too.
#include "core/Lzw.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <vector>

namespace {

constexpr size_t KeepLimit = size_t(1) << 20;

std::vector<uint8_t> encode(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    zemo::BasicLzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    bool ok = encoder.TiffLzwEncodeInit();
    for (size_t i = 0; i < size; ++i)
        ok = ok && encoder.TiffLzwEncodeByte(data[i]);
    if (!(encoder.TiffLzwEncodeFinish() && ok))
        __builtin_trap();
    return out;
}

struct Decoded {
    std::vector<uint8_t> bytes;
    size_t total = 0;
    bool ended = false;
};

Decoded decode(const uint8_t* data, size_t size)
{
    Decoded d;
    zemo::BasicLzwDecoder decoder([&d](const uint8_t* p, size_t n) {
        d.total += n;
        if (d.bytes.size() + n <= KeepLimit)
            d.bytes.insert(d.bytes.end(), p, p + n);
    });
    if (!decoder.LzwDecodeInit(8))
        __builtin_trap();
    for (size_t i = 0; i < size; ++i)
        if (!decoder.TiffLzwDecodeByte(data[i]))
            break;
    d.ended = decoder.EndSeen();
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Decoded d = decode(data, size);
    // A code yields at most one string of under 4096 bytes.
    if (d.total > (size * 8 / 9 + 1) * 4096)
        __builtin_trap();
    if (d.total == d.bytes.size()) {
        const auto again = encode(d.bytes.data(), d.bytes.size());
        const Decoded back = decode(again.data(), again.size());
        if (!back.ended || back.bytes != d.bytes)
            __builtin_trap();
    }

    const auto stream = encode(data, size);
    const Decoded back = decode(stream.data(), stream.size());
    if (!back.ended || back.total != size || !std::equal(back.bytes.begin(), back.bytes.end(), data))
        __builtin_trap();
    return 0;
}
