// The raster road that the BMP, GIF, JPEG and TIFF exports share: the map and its shown
// templates rendered at the chosen resolution into the render band, cell by cell, the cells'
// rows gathered strip by strip into a line buffer and each strip handed to the format's writer.
// The whole image is never held: only the band and one strip of the output exist at a time.
#pragma once

#include "core/Cord.h"
#include "io/Export.h"

#include <QSize>
#include <QString>

#include <cstdint>

namespace zemo {

// No side of an exported image may pass this many pixels.
inline constexpr int MaxRasterPixels = 16000;
inline constexpr int BmpResTooHighHelpContext = 60;
inline constexpr int ExpMemoryHelpContext = 328;

// A raster format: it gets the image size, then its rows strip by strip, top row first, each
// row of 24-bit pixels (blue, green, red) padded to a multiple of 4 bytes. Each call returns
// false (after its own message) to stop the export; the file is then not kept.
class StripWriter {
public:
    virtual ~StripWriter() = default;
    virtual bool Begin(ExportFile& file, int width, int height) = 0;
    // `count` rows from image row `firstRow` on; row k starts at rows + k x rowBytes.
    virtual bool WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int firstRow,
                            int count) = 0;
    virtual bool Finish(ExportFile& file) = 0;

    // Strips from the bottom of the image up (each strip's rows still top row first).
    virtual bool BottomUp() const { return false; }
    // How many times the image is rendered: a format that must see every pixel before it
    // writes one renders twice, unless the image fits one cell (`oneCell`). Called once,
    // after Begin; the progress display runs in the last pass only.
    virtual int Passes(bool oneCell) const
    {
        (void)oneCell;
        return 1;
    }
    // Before each pass, 0 first.
    virtual bool BeginPass(ExportFile& file, int pass)
    {
        (void)file;
        (void)pass;
        return true;
    }
};

struct RasterSettings {
    int Dpi = 300;
    bool AntiAlias = false;        // rendered at twice the size and halved
    bool ColorCorrection = false;  // the screen's colour correction on every pixel
    bool ShowProgress = true;
    int ColorMode = 0;             // the output layer's colour kind (0 composite, 2 separations)
    uint32_t Separations = 0;
    // The longest side refused with BmpResTooHigh; 0 leaves the size to the writer.
    int MaxPixels = MaxRasterPixels;
    // Above 0: the resolution as any real number (a terrain pixel size gives one), in place of
    // Dpi, and the sides round((b - a) x dpi / 2540 / 256) without cutting to 0.01 mm first.
    double DpiExact = 0;
    // When valid: the image's size in pixels, in place of the one the extent gives; the
    // resolution still gives the scale (tiles of one size whatever the rounding of their
    // rectangles).
    QSize Pixels;
};

enum class RasterResult {
    Written,
    Refused,   // too large, no memory or nothing to draw: said so, nothing written
    Aborted,   // Esc: ExportAborted shown, nothing written
    Failed,    // the writer or the file failed, after its message
};

// One side in pixels: round(((b - a) div 256) x dpi / 2540).
int RasterPixels(int32_t a, int32_t b, int dpi);
QSize RasterSize(const CordRect& extent, int dpi);
// A side for a real resolution: round((b - a) x dpi / 2540 / 256), at most INT_MAX.
int64_t ExactRasterPixels(int32_t a, int32_t b, double dpi);

// Renders `extent` into `writer`'s file `target`. Refuses a side above MaxRasterPixels
// (BmpResTooHigh) before anything is made. Runs in the command frame, as every export does:
// a window painting between two cells would take the render band.
RasterResult ExportRaster(const CordRect& extent, const RasterSettings& settings,
                          StripWriter& writer, const QString& target);

} // namespace zemo
