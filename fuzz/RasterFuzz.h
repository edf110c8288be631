// What the fuzz targets of the raster template readers share: the input written as a file of
// the format's extension in a scratch folder, read silently into a fresh record with the
// messages recorded (not shown), and the record checked: a read that succeeds leaves a picture
// of a size and depth the drawing takes, with exactly its rows of pixels.
#pragma once

#include "FuzzScratch.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "external/RasterLoad.h"
#include "external/Template.h"

namespace zemo::fuzz {

using RasterReader = bool (*)(const QString& name, int mode);

inline int ReadRasterInput(const char* target, const char* extension, RasterReader reader, const uint8_t* data,
                           size_t size)
{
    static const QString path = MakeScratchFolder(target) + QStringLiteral("/input") + QLatin1String(extension);
    static RecordingMessages* messages = new RecordingMessages;
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            Fail(target, "cannot write the input");
    }
    TTmp t;
    TemplateUnit.CurrentTemplate = &t;
    const bool ok = reader(path, TemplateLoadSilent);
    TemplateUnit.CurrentTemplate = nullptr;
    if (ok) {
        const int b = t.BitsPerPixel;
        if (b != 1 && b != 4 && b != 8 && b != 24)
            Fail(target, "a depth the drawing does not take");
        if (t.Width < 1 || t.Height < 1 || t.HeldRows() < 1 || t.HeldRows() > t.Height)
            Fail(target, "pixels that do not match the size");
        // Every held row is there to be drawn.
        for (int y = 0; y < t.HeldRows(); ++y) {
            volatile uint8_t last = t.Row(y)[t.RowBytes() - 1];
            (void)last;
        }
    }
    messages->Clear();
    return 0;
}

} // namespace zemo::fuzz
