// The open map drawn twice for comparison: its SVG export by rsvg-convert and its bitmap
// export, both left as samples.
#pragma once

#include "io/ExpBmp.h"
#include "io/ExpSvg.h"
#include "io/Export.h"
#include "../support/RasterRefs.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace zemo::test {

struct TwoDrawings {
    QImage ours;    // the bitmap export
    QImage theirs;  // rsvg-convert's drawing of the SVG export; null when a step failed
};

// `stem`.svg, `stem`-<dpi>dpi.bmp and `stem`-rsvg-<dpi>dpi.png in `samples`.
inline TwoDrawings DrawSvgAndBitmap(const QString& samples, const QString& stem, int dpi)
{
    TwoDrawings d;
    CordRect extent;
    if (!ExportExtent(false, extent)) {
        ADD_FAILURE() << "no extent to export";
        return d;
    }
    const QString base = samples + QLatin1Char('/') + stem, res = QString::number(dpi);
    const QString svg = base + QStringLiteral(".svg");
    const QString bmp = base + QLatin1Char('-') + res + QStringLiteral("dpi.bmp");
    const QString png = base + QStringLiteral("-rsvg-") + res + QStringLiteral("dpi.png");
    if (!WriteSvgFile(svg)) {
        ADD_FAILURE() << "the SVG export failed";
        return d;
    }
    if (RenderBmp(extent, bmp, false, false, dpi) != RasterResult::Written) {
        ADD_FAILURE() << "the bitmap export failed";
        return d;
    }
    if (!RunTool(QStringLiteral("rsvg-convert"), {QStringLiteral("-d"), res, QStringLiteral("-p"), res, QStringLiteral("-b"),
                                                 QStringLiteral("white"), QStringLiteral("-o"), png, svg})) {
        ADD_FAILURE() << "rsvg-convert failed";
        return d;
    }
    d.ours = QImage(bmp).convertToFormat(QImage::Format_RGB32);
    d.theirs = QImage(png).convertToFormat(QImage::Format_RGB32);
    return d;
}

} // namespace zemo::test
