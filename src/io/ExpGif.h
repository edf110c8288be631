// ExpGif: File > Export GIF, and the GIF renderer the internet map's tiles use. One GIF87a
// image with a global table of 256 colours chosen by median cut over a 32 x 32 x 32 histogram
// of the rendered pixels. The image is never held: when it does not fit one cell it is
// rendered twice, once to count the colours and once to write their indices.
#pragma once

#include "core/Cord.h"
#include "core/Lzw.h"
#include "io/ExpRaster.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zemo {

inline constexpr int ExpGifHelpContext = 291;
inline constexpr int MinRasterExportDpi = 50;
inline constexpr int MaxRasterExportDpi = 2540;

// What the dialogs of the BMP, GIF and JPEG exports edit. They keep their values from one
// showing to the next.
struct RasterExpOptions {
    QString Resolution = QStringLiteral("150");  // as typed
    bool AntiAlias = true;
    bool ColorCorrection = true;
};

// What every raster export asks after its dialog: the typed resolution within range, the file
// name and the map's extent. False when one of them is refused or cancelled.
bool RasterExportTarget(const RasterExpOptions& o, ExportKind kind, int& dpi, QString& name, CordRect& extent);

// The median-cut colour reduction: a histogram that then serves as the colour map.
class GifColorTable {
public:
    static constexpr int Cells = 32;
    static constexpr int MaxColors = 256;

    GifColorTable() { Clear(); }
    void Clear();

    // One pixel of the band's byte order.
    void CountGifColor(uint8_t blue, uint8_t green, uint8_t red)
    {
        ++count_[CellOf(red >> 3, green >> 3, blue >> 3)];
    }
    // Many pixels of one cell at once (cell indices 0..31).
    void AddToCell(int red, int green, int blue, uint64_t pixels);

    // The median cut, then the palette and the colour map. Returns the number of boxes.
    int ReduceGifColors();
    // The palette index of a pixel (after the reduction).
    uint8_t GifColorIndex(uint8_t blue, uint8_t green, uint8_t red) const
    {
        return map_[CellOf(red >> 3, green >> 3, blue >> 3)];
    }
    // Red, green, blue per entry; entries past the boxes are black.
    const std::array<uint8_t, 3 * MaxColors>& Palette() const { return palette_; }
    // The nearest palette entry to a cell's colour; ties keep the lower index.
    int NearestGifColor(int red, int green, int blue) const;

private:
    struct Box {
        int lo[3];
        int hi[3];
        uint64_t pixels;
        int volume;
    };
    static int CellOf(int r, int g, int b) { return (r * Cells + g) * Cells + b; }
    uint64_t At(const int c[3]) const { return count_[CellOf(c[0], c[1], c[2])]; }
    uint64_t SliceCount(const Box& b, int axis, int v) const;
    void Shrink(Box& b) const;
    void Split(Box& b, Box& added) const;

    // 64 bits: one cell may hold every pixel of the largest image, and the weighted sums of a
    // box pass 32 bits long before that.
    std::vector<uint64_t> count_;
    std::vector<uint8_t> map_;
    std::array<uint8_t, 3 * MaxColors> palette_{};
};

// The GIF file writer of the raster road (two passes when the image needs them).
class GifStripWriter final : public StripWriter {
public:
    bool Begin(ExportFile& file, int width, int height) override;
    int Passes(bool oneCell) const override;
    bool BeginPass(ExportFile& file, int pass) override;
    bool WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int firstRow, int count) override;
    bool Finish(ExportFile& file) override;

    const GifColorTable& Colors() const { return colors_; }
    int PassesMade() const { return passesMade_; }

private:
    void CountStrip(const uint8_t* rows, int rowBytes, int count);

    GifColorTable colors_;
    int width_ = 0;
    mutable int passes_ = 1;
    int pass_ = 0;
    int passesMade_ = 0;
    // The encoder's bytes, gathered for the file's sub-blocks.
    struct Sink {
        std::vector<uint8_t>* out;
        bool operator()(uint8_t b)
        {
            out->push_back(b);
            return true;
        }
    };
    void WriteSubBlocks(ExportFile& file, bool last);

    std::vector<uint8_t> encoded_;
    std::vector<uint8_t> indices_;
    std::optional<BasicLzwEncoder<Sink>> encoder_;
};

// Renders `extent` at dpi into one GIF file. Without progress it shows no status either (the
// internet map's tiles). A file is kept only when it was written whole.
RasterResult RenderGif(const CordRect& extent, const QString& fileName, bool antiAlias,
                       bool showProgress, bool colorCorrection, int dpi);
// The same with every setting of the raster road (the internet map's tiles: a real resolution
// and a fixed size).
RasterResult RenderGif(const CordRect& extent, const QString& fileName, const RasterSettings& settings);

// The dialog's values, kept between showings; reset for tests.
RasterExpOptions& GifOptions();
void ResetExpGifUnit();

// File > Export GIF.
void ExportGif();

} // namespace zemo
