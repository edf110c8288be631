// GIF-form LZW decoder on arbitrary input. The first byte picks the code size (2..9; 9 must
// be refused), the rest is the code stream. What decodes is encoded again and must come
// back the same; the input itself must survive a round trip too.
#include "core/Lzw.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <vector>

namespace {

constexpr size_t KeepLimit = size_t(1) << 20;

std::vector<uint8_t> encode(const std::vector<uint8_t>& data, int codeSize)
{
    std::vector<uint8_t> out;
    zemo::BasicLzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    bool ok = encoder.LzwEncodeInit(codeSize, true);
    for (uint8_t b : data)
        ok = ok && encoder.LzwEncodeByte(b);
    if (!(encoder.LzwEncodeFinish() && ok))
        __builtin_trap();
    return out;
}

struct Decoded {
    std::vector<uint8_t> bytes;
    size_t total = 0;
    bool ended = false;
};

Decoded decode(const uint8_t* data, size_t size, int codeSize)
{
    Decoded d;
    zemo::BasicLzwDecoder decoder([&d](const uint8_t* p, size_t n) {
        d.total += n;
        if (d.bytes.size() + n <= KeepLimit)
            d.bytes.insert(d.bytes.end(), p, p + n);
    });
    if (!decoder.LzwDecodeInit(codeSize))
        __builtin_trap();
    for (size_t i = 0; i < size; ++i)
        if (!decoder.LzwDecodeByte(data[i]))
            break;
    d.ended = decoder.EndSeen();
    return d;
}

} // namespace

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
    const Decoded d = decode(data + 1, size - 1, codeSize);
    // A code yields at most one string of under 4096 bytes.
    if (d.total > ((size - 1) * 8 / size_t(codeSize + 1) + 1) * 4096)
        __builtin_trap();
    for (uint8_t b : d.bytes)
        if (b >> codeSize)
            __builtin_trap();
    if (d.total == d.bytes.size()) {
        const auto again = encode(d.bytes, codeSize);
        const Decoded back = decode(again.data(), again.size(), codeSize);
        if (!back.ended || back.bytes != d.bytes)
            __builtin_trap();
    }

    std::vector<uint8_t> raw(data + 1, data + size);
    for (uint8_t& b : raw)
        b &= uint8_t((1u << codeSize) - 1);
    const auto stream = encode(raw, codeSize);
    const Decoded back = decode(stream.data(), stream.size(), codeSize);
    if (!back.ended || back.total != raw.size()
        || !std::equal(back.bytes.begin(), back.bytes.end(), raw.begin()))
        __builtin_trap();
    return 0;
}
