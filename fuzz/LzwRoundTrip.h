// The round trips of the LZW codec that both forms' fuzz targets check: the GIF form at code
// sizes 2..8, the TIFF form (code size 8, codes packed from the top bit). A failed check traps.
#pragma once

#include "core/Lzw.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zemo::fuzz {

struct LzwForm {
    int codeSize = 8;
    bool tiff = false;
};

struct LzwDecoded {
    std::vector<uint8_t> bytes;  // the first MiB only
    size_t total = 0;
    bool ended = false;
};

inline std::vector<uint8_t> LzwEncode(std::span<const uint8_t> data, LzwForm form)
{
    std::vector<uint8_t> out;
    BasicLzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    bool ok = form.tiff ? encoder.TiffLzwEncodeInit() : encoder.LzwEncodeInit(form.codeSize, true);
    for (uint8_t b : data)
        ok = ok && (form.tiff ? encoder.TiffLzwEncodeByte(b) : encoder.LzwEncodeByte(b));
    if (!((form.tiff ? encoder.TiffLzwEncodeFinish() : encoder.LzwEncodeFinish()) && ok))
        __builtin_trap();
    return out;
}

inline LzwDecoded LzwDecode(std::span<const uint8_t> stream, LzwForm form)
{
    constexpr size_t KeepLimit = size_t(1) << 20;
    LzwDecoded d;
    BasicLzwDecoder decoder([&d](const uint8_t* p, size_t n) {
        d.total += n;
        if (d.bytes.size() + n <= KeepLimit)
            d.bytes.insert(d.bytes.end(), p, p + n);
    });
    if (!decoder.LzwDecodeInit(form.codeSize))
        __builtin_trap();
    for (uint8_t b : stream)
        if (!(form.tiff ? decoder.TiffLzwDecodeByte(b) : decoder.LzwDecodeByte(b)))
            break;
    d.ended = decoder.EndSeen();
    return d;
}

// `stream` decodes within bounds to codes of the form's size, and what it gives (when kept
// whole) encodes and decodes to the same bytes; `raw`, bytes of the code size, survives an
// encode and decode.
inline void CheckLzwRoundTrips(std::span<const uint8_t> stream, std::span<const uint8_t> raw,
                               LzwForm form)
{
    const LzwDecoded d = LzwDecode(stream, form);
    // A code yields at most one string of under 4096 bytes.
    if (d.total > (stream.size() * 8 / size_t(form.codeSize + 1) + 1) * 4096)
        __builtin_trap();
    for (uint8_t b : d.bytes)
        if (b >> form.codeSize)
            __builtin_trap();
    if (d.total == d.bytes.size()) {
        const LzwDecoded back = LzwDecode(LzwEncode(d.bytes, form), form);
        if (!back.ended || back.bytes != d.bytes)
            __builtin_trap();
    }

    const LzwDecoded back = LzwDecode(LzwEncode(raw, form), form);
    if (!back.ended || back.total != raw.size()
        || !std::equal(back.bytes.begin(), back.bytes.end(), raw.begin()))
        __builtin_trap();
}

} // namespace zemo::fuzz
