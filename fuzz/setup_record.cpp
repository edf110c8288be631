// The setup block of a map file over arbitrary bytes: reading and checking must never crash,
// a checked record holds only finite numbers, and what is written reads back the same.
#include "core/Setup.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    SetupRecord s = ReadSetupBytes(std::span<const uint8_t>(data, size));
    CheckSetup(s);
    const double checked[] = {s.Zoom, s.PaperGridDistance, s.MapScale, s.TemplateScaleX,
                              s.TemplateScaleY, s.RealWorldOffsetX, s.RealWorldOffsetY,
                              s.RealWorldAngle, s.RealWorldGridDistance, s.GpsAngle,
                              s.PrintScale, s.TemplateAngle, s.TemplateAngle2};
    for (double v : checked)
        if (!std::isfinite(v))
            std::abort();
    if (s.MapScale < 1 || s.GpsAdjustPointCount < 0 || s.GpsAdjustPointCount > 12 ||
        s.ViewHistoryCount < 0 || s.ViewHistoryCount > 8 || s.PrintRange.x1 > s.PrintRange.x2 ||
        s.PrintRange.y1 > s.PrintRange.y2)
        std::abort();
    for (const GpsAdjustPoint& p : s.GpsAdjustPoints)
        if (p.Name.size() > 15)
            std::abort();
    const auto out = WriteSetupBytes(s);
    if (WriteSetupBytes(ReadSetupBytes(out)) != out)
        std::abort();
    return 0;
}
