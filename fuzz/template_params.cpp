// Template strings as a map may hold them, arbitrary: their fields parsed into a record, its
// bounds, the record drawn into a small band, the record written back, and the options
// dialog's values read and written. Nothing may overflow or read outside the band or the
// pixels; what is written back reads in again to the same fields.
#include "core/Numeric.h"
#include "document/Index.h"
#include "external/Template.h"
#include "external/TempOpt.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    static bool started = false;
    if (!started) {
        SetBandScreenSize(QSize(64, 48));
        started = true;
    }
    TTmp t;
    t.Width = 7;
    t.Height = 5;
    t.BitsPerPixel = 1 + int(size % 4 == 3 ? 23 : size % 4 == 2 ? 7 : size % 4 == 1 ? 3 : 0);
    if (!t.AllocatePixels())
        std::abort();
    for (int y = 0; y < t.Height; ++y)
        for (int64_t i = 0; i < t.RowBytes(); ++i)
            t.Row(y)[i] = uint8_t((y * t.RowBytes() + i) * 37);
    TemplateUnit.CurrentTemplate = &t;
    ParseTemplateParams(text);
    if (t.Dim < 0 || t.Dim > 100 || t.SpotColor != -1)
        std::abort();
    CordRect bounds;
    TemplateBounds(bounds);

    Graph.OutputMode = BitmapOutput;
    Scale.ViewScaleX = 1.0 / 2560;
    Scale.ViewScaleY = -1.0 / 2560;
    Scale.ViewOrigin = {-32 * 2560, 24 * 2560};
    RenderBand(0, true);
    RenderTemplateBitmap(t, 64, 48);

    // Written back and read again: the same fields (x and y to whole 0.01 mm).
    const QString again = QStringLiteral("t.tpx") + FormatTemplateParams();
    TTmp u;
    TemplateUnit.CurrentTemplate = &u;
    ParseTemplateParams(again);
    const bool same = u.X / 256 == t.X / 256 && u.Y / 256 == t.Y / 256 && u.Dim == t.Dim
                   && u.Transparent == t.Transparent && u.RenderSpot == t.RenderSpot;
    if (!same)
        std::abort();
    TemplateUnit.CurrentTemplate = nullptr;

    QString options = text;
    const TempOptValues v = ReadTempOptions(options, {QStringLiteral("Spot")});
    if (v.dim < 0 || v.dim > 100)
        std::abort();
    WriteTempOptions(options, v);
    const TempOptValues w = ReadTempOptions(options, {QStringLiteral("Spot")});
    if (w.dim != v.dim || w.transparent != v.transparent || w.assign != v.assign || w.render != v.render)
        std::abort();
    return 0;
}
