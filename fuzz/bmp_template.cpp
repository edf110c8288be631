// Any bytes as a BMP template file, read silently into a record: no read or write outside
// the file's bytes or the pixel memory, no hang, and a picture the drawing takes when it reads.
#include "RasterFuzz.h"
#include "external/Bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return zemo::fuzz::ReadRasterInput("bmp_template", ".bmp", zemo::ReadBmpFile, data, size);
}
