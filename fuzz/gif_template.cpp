// Any bytes as a GIF template file, read silently into a record: no read or write outside
// the file's bytes or the pixel memory, no hang, and a picture the drawing takes when it reads.
#include "RasterFuzz.h"
#include "external/Gif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return zemo::fuzz::ReadRasterInput("gif_template", ".gif", zemo::ReadGifFile, data, size);
}
