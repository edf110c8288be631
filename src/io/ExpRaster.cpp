#include "io/ExpRaster.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace zemo {

namespace {

// The progress display of one export, ended on every way out.
class ExportProgress {
public:
    ExportProgress(bool shown, int cells) : shown_(shown), cells_(std::max(cells, 1))
    {
        if (!shown_)
            return;
        total_ = CountObjects();
        SetStatusText(Text(TextKey::Exporting) + QStringLiteral("..."));
        StartProgress(TextKey::Exporting, TextKey::ObjDrawn, total_, 1, true);
    }
    ~ExportProgress()
    {
        if (!shown_)
            return;
        EndProgress();
        ClearStatusText();
    }
    ExportProgress(const ExportProgress&) = delete;
    ExportProgress& operator=(const ExportProgress&) = delete;

    void CellDone(int done)
    {
        if (!shown_)
            return;
        const int position = int(std::nearbyint(double(total_) / cells_ * done));
        UpdateProgress(position, position);
    }

private:
    bool shown_;
    int cells_;
    int total_ = 0;
};

int Half(int v) { return (v + 1) / 2; }

} // namespace

int RasterPixels(int32_t a, int32_t b, int dpi)
{
    const int64_t hundredths = (int64_t(b) - a) / 256;
    const double v = std::nearbyint(double(hundredths) * dpi / 2540);
    return int(std::clamp(v, -2147483648.0, 2147483647.0));
}

QSize RasterSize(const CordRect& extent, int dpi)
{
    return QSize(RasterPixels(extent.x1, extent.x2, dpi), RasterPixels(extent.y1, extent.y2, dpi));
}

int64_t ExactRasterPixels(int32_t a, int32_t b, double dpi)
{
    const double v = std::nearbyint((double(b) - a) * dpi / 2540 / 256);
    return int64_t(std::clamp(v, 0.0, 2147483647.0));
}

RasterResult ExportRaster(const CordRect& extent, const RasterSettings& s, StripWriter& writer,
                          const QString& target)
{
    const double dpi = s.DpiExact > 0 ? s.DpiExact : s.Dpi;
    if (!Index.ActiveZmd || !(dpi > 0) || !std::isfinite(dpi))
        return RasterResult::Refused;
    const QSize size = s.Pixels.isValid() ? s.Pixels
                       : s.DpiExact > 0 ? QSize(int(ExactRasterPixels(extent.x1, extent.x2, dpi)),
                                              int(ExactRasterPixels(extent.y1, extent.y2, dpi)))
                                      : RasterSize(extent, s.Dpi);
    const int width = size.width(), height = size.height();
    if (s.MaxPixels > 0 && (width > s.MaxPixels || height > s.MaxPixels)) {
        ErrorMsg(TextKey::BmpResTooHigh, {}, BmpResTooHighHelpContext);
        return RasterResult::Refused;
    }
    if (width < 1 || height < 1)
        return RasterResult::Refused;

    SavedOutputState saved;
    Graph.OutputColorMode = s.ColorMode;
    Graph.OutputSeparations = s.Separations;
    PrepareTemplateDrawing(false);

    RenderBand(0, false);
    const int stripHeight = Half(TemplateDraw.BandHeight);
    const int stripWidth = Half(TemplateDraw.BandWidth);
    const int rowBytes = (width * 3 + 3) & ~3;
    std::vector<uint8_t> lines;
    try {
        lines.assign(size_t(rowBytes) * size_t(stripHeight), 0);
    } catch (const std::bad_alloc&) {
        ErrorMsg(TextKey::ExpMemory, {}, ExpMemoryHelpContext);
        return RasterResult::Refused;
    }

    ExportFile file;
    if (!file.Begin(target))
        return RasterResult::Failed;

    const int columns = (width + stripWidth - 1) / stripWidth;
    const int strips = (height + stripHeight - 1) / stripHeight;
    AbortRequested = false;

    SetOutputAdjust(100, 100, false);
    Graph.OutputMode = BitmapOutput;
    Scale.ViewScaleX = dpi / 2540.0 / 256;
    Scale.ViewScaleY = -Scale.ViewScaleX;
    Scale.FlattenTolerance = std::max(1, SafeRound(4 / Scale.ViewScaleX / 256));
    Scale.ViewOrigin = {extent.x1, extent.y2};
    Scale.DrawRect = extent;

    try {
        if (!writer.Begin(file, width, height))
            return RasterResult::Failed;
        const bool bottomUp = writer.BottomUp();
        const int passes = std::max(1, writer.Passes(width <= stripWidth && height <= stripHeight));
        for (int pass = 0; pass < passes; ++pass) {
            if (!writer.BeginPass(file, pass))
                return RasterResult::Failed;
            std::optional<ExportProgress> progress;
            progress.emplace(s.ShowProgress && pass == passes - 1, columns * strips);
            int cellsDone = 0;
            for (int strip = 0; strip < strips; ++strip) {
                // Bottom up, the first strip holds the lowest full strip of rows, the last
                // (top) one what remains.
                const int top = bottomUp ? std::max(0, height - (strip + 1) * stripHeight) : strip * stripHeight;
                const int rows = bottomUp ? height - strip * stripHeight - top : std::min(stripHeight, height - top);
                for (int left = 0; left < width; left += stripWidth) {
                    const int cols = std::min(stripWidth, width - left);
                    const QRect cell(left, top, cols, rows);
                    DrawTemplates(cell, s.AntiAlias, 0, PollExportEscape, true);
                    if (s.ColorCorrection)
                        CorrectBandColors(cols, rows);
                    const QImage& band = BandImage(0);
                    for (int r = 0; r < rows; ++r)
                        std::memcpy(lines.data() + size_t(r) * size_t(rowBytes) + size_t(left) * 3,
                                    band.constScanLine(r), size_t(cols) * 3);
                    progress->CellDone(++cellsDone);
                    if (AbortRequested) {
                        ErrorMsg(TextKey::ExportAborted, {}, 0);
                        return RasterResult::Aborted;
                    }
                }
                if (!writer.WriteStrip(file, lines.data(), rowBytes, top, rows))
                    return RasterResult::Failed;
            }
        }
        if (!writer.Finish(file))
            return RasterResult::Failed;
    } catch (const EAbort&) {
        return RasterResult::Failed;
    }
    return file.Commit() ? RasterResult::Written : RasterResult::Failed;
}

} // namespace zemo
