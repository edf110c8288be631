// Runs our LZW codec over whole buffers for the tests.
#pragma once

#include "core/Lzw.h"

#include <cstdint>
#include <vector>

namespace zemo::test {

inline std::vector<uint8_t> EncodeGifForm(const std::vector<uint8_t>& data, int codeSize,
                                          bool writeClear = true)
{
    std::vector<uint8_t> out;
    BasicLzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    bool ok = encoder.LzwEncodeInit(codeSize, writeClear);
    for (uint8_t b : data)
        ok = ok && encoder.LzwEncodeByte(b);
    ok = encoder.LzwEncodeFinish() && ok;
    return ok ? out : std::vector<uint8_t>();
}

inline std::vector<uint8_t> EncodeTiffForm(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out;
    BasicLzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    bool ok = encoder.TiffLzwEncodeInit();
    for (uint8_t b : data)
        ok = ok && encoder.TiffLzwEncodeByte(b);
    ok = encoder.TiffLzwEncodeFinish() && ok;
    return ok ? out : std::vector<uint8_t>();
}

struct DecodeResult {
    std::vector<uint8_t> bytes;
    bool ended = false;    // the end code was met
    bool failed = false;   // an invalid code was met
    size_t consumed = 0;   // input bytes fed until the decoder said stop (or all)
};

inline DecodeResult DecodeStream(const std::vector<uint8_t>& stream, int codeSize, bool tiff)
{
    DecodeResult result;
    BasicLzwDecoder decoder([&result](uint8_t b) { result.bytes.push_back(b); });
    if (!decoder.LzwDecodeInit(codeSize)) {
        result.failed = true;
        return result;
    }
    for (uint8_t b : stream) {
        ++result.consumed;
        if (!(tiff ? decoder.TiffLzwDecodeByte(b) : decoder.LzwDecodeByte(b)))
            break;
    }
    result.ended = decoder.EndSeen();
    result.failed = decoder.Failed();
    return result;
}

inline DecodeResult DecodeGifForm(const std::vector<uint8_t>& stream, int codeSize = 8)
{
    return DecodeStream(stream, codeSize, false);
}

inline DecodeResult DecodeTiffForm(const std::vector<uint8_t>& stream)
{
    return DecodeStream(stream, 8, true);
}

} // namespace zemo::test
