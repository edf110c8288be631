// TIFF-form LZW decoder on arbitrary input. What decodes is encoded again and must come
// back the same; the input itself must survive a round trip too.
#include "LzwRoundTrip.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zemo::fuzz::CheckLzwRoundTrips({data, size}, {data, size}, {8, true});
    return 0;
}
