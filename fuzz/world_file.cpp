// Any bytes as a TIFF's world file, and as the doubles of its GeoTIFF tags: the georeference
// read from either is either refused or placed with finite, positive pixel sizes, and the
// georeference dialog's fields are made from it without fault.
#include "FuzzScratch.h"

#include "core/Setup.h"
#include "external/TiffGeo.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    static const QString path = fuzz::MakeScratchFolder("world_file") + QStringLiteral("/input.tfw");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            fuzz::Fail("world_file", "cannot write the input");
    }
    const int width = size > 0 ? 1 + data[0] : 1, height = size > 1 ? 1 + data[1] : 1;
    const SetupRecord setup = DefaultSetupRecord();
    TiffGeoref g;
    if (ReadWorldFile(path, width, height, g) && g.Placed())
        (void)TiffDlgFieldsOf(g, width, height, setup);

    std::vector<double> values(size / 8);
    if (!values.empty())
        std::memcpy(values.data(), data, values.size() * 8);
    const auto part = [&values](size_t from, size_t n) {
        return std::vector<double>(values.begin() + std::min(from, values.size()),
                                   values.begin() + std::min(from + n, values.size()));
    };
    const TiffGeoref tags = GeorefFromTags(width, height, part(0, size % 2 ? 3 : 0), part(3, 6), part(9, 16));
    if (tags.Placed()) {
        if (!(tags.ScaleX > 0 && tags.ScaleY > 0 && std::isfinite(tags.CentreX)))
            fuzz::Fail("world_file", "placed without a size");
        (void)TiffDlgFieldsOf(tags, width, height, setup);
    }
    return 0;
}
