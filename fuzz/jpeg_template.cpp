// Any bytes as a JPEG template file, read silently into a record: the library's errors end the
// read with its message (never the program), and a read that succeeds leaves a picture the
// drawing takes.
#include "RasterFuzz.h"
#include "external/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return zemo::fuzz::ReadRasterInput("jpeg_template", ".jpg", zemo::ReadJpegFile, data, size);
}
