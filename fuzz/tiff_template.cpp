// Any bytes as a TIFF template file, fax strips included, read silently into a record: no read or write outside
// the file's bytes or the pixel memory, no hang, and a picture the drawing takes when it reads.
#include "RasterFuzz.h"
#include "external/Tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return zemo::fuzz::ReadRasterInput("tiff_template", ".tiff", zemo::ReadTiffFile, data, size);
}
