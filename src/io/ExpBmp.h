// ExpBmp: File > Export BMP, an uncompressed 24-bit Windows bitmap, rows stored bottom-up and
// rendered in that order, strip by strip from the bottom of the image.
#pragma once

#include "core/Cord.h"
#include "io/ExpGif.h"
#include "io/ExpRaster.h"

#include <QString>

namespace zemo {

inline constexpr int ExpBmpHelpContext = 25;

// The file-size preview of the dialog: width x 3 x height + 54 for the resolution text, or
// empty while the text is not a whole number or no map is open.
QString BmpFileSizeText(const QString& resolution);

// Pixels per metre of the header: round(dpi / 2540 x 100000).
int BmpPixelsPerMetre(int dpi);

class BmpStripWriter final : public StripWriter {
public:
    explicit BmpStripWriter(int dpi) : dpi_(dpi) {}
    bool Begin(ExportFile& file, int width, int height) override;
    bool BottomUp() const override { return true; }
    bool WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int firstRow, int count) override;
    bool Finish(ExportFile&) override { return true; }

private:
    int dpi_;
    size_t rowBytes_ = 0;
};

RasterResult RenderBmp(const CordRect& extent, const QString& fileName, bool antiAlias, bool colorCorrection,
                       int dpi);

RasterExpOptions& BmpOptions();
void ResetExpBmpUnit();

// File > Export BMP.
void ExportBmp();

} // namespace zemo
