// Any bytes as one fax strip: the first five choose the coding (2, 3 or 4), the width (1 to
// 4096), the rows (1 to 64) and the T4Options; the rest is the strip. It is decoded fed whole
// and fed in pieces of a few bytes: both must give the same rows and the same verdict, and the
// decoder may write only into the rows it was given (fewer than the strip's, so that the rows
// beyond are decoded and dropped).
#include "external/Ccitt.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    if (size < 5)
        return 0;
    const int mode = CcittModifiedHuffman + data[0] % 3;
    const int width = 1 + (data[1] | data[2] << 8) % 4096;
    const int rows = 1 + data[3] % 64;
    const uint32_t options = data[4];
    const int64_t rowBytes = (width + 7) / 8;
    const size_t kept = size_t(rowBytes) * size_t((rows + 1) / 2);
    const uint8_t* strip = data + 5;
    const size_t count = size - 5;
    const uint8_t zeros[3] = {};

    std::vector<uint8_t> whole(kept, 0), pieces(kept, 0);
    CcittDecoder a, b;
    a.StartCcittStrip(mode, width, rows, options, whole, rowBytes);
    bool okA = a.DecodeCcitt(strip, count);
    okA = a.DecodeCcitt(zeros, 3) && okA;
    b.StartCcittStrip(mode, width, rows, options, pieces, rowBytes);
    bool okB = true;
    for (size_t at = 0; at < count;) {
        const size_t n = std::min<size_t>(1 + (at * 7 + count) % 5, count - at);
        okB = b.DecodeCcitt(strip + at, n) && okB;
        at += n;
    }
    okB = b.DecodeCcitt(zeros, 3) && okB;
    if (okA != okB || a.RowsDone() != b.RowsDone() || whole != pieces) {
        std::fprintf(stderr, "ccitt_strip: fed in pieces it decodes otherwise\n");
        std::abort();
    }
    if (a.RowsDone() > rows || (a.Failed() && !a.Done())) {
        std::fprintf(stderr, "ccitt_strip: rows counted wrong\n");
        std::abort();
    }
    return 0;
}
