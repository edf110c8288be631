// Template drawing: the shown templates of a device rectangle, and with them the map where it
// must be blended in, rendered into an off-screen 24-bit band and copied to the output. The
// screen, printing, EPS and the raster exports share it.
//
// RenderBand keeps two bands (0, the band; 1, the scratch band for transparency) as QImages in
// Format_BGR888: blue, green, red bytes, as the raster writers take them. The rows are counted
// from the bottom, like those of a bottom-up bitmap: memory row m of a band is image line
// (height - 1 - m), reached only through BandRow. Device row r of a rendered rectangle lies in
// memory row (height - 1 - r), that is image line r.
//
// The templates themselves are loaded, parsed and released by the template feature
// (document/Ports.h); here they are only drawn.
#pragma once

#include "core/Cord.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <functional>

namespace zemo {

class TTmp;

// Colour kinds of the output (GraphSys.OutputColorMode).
inline constexpr int CompositeColors = 0;
inline constexpr int SpotSeparations = 2;
// The map's own objects only, no templates (the map is on the sheet already): in their
// colours, or every colour in full black.
inline constexpr int OwnColorsOnly = 3;
inline constexpr int OwnColorsBlack = 4;

struct TemplateDrawState {
    std::array<QImage, 2> Bands;
    int BandWidth = 0;
    int BandHeight = 0;
    int Current = 0;
    // The size the bands are made for: the screen's (width rounded up to 12), or what a test
    // asked for; an empty size until it is set.
    QSize ScreenSize;
    bool ScreenSizeFixed = false;
    // The decisions of PrepareTemplateDrawing.
    bool RasterFirst = false;         // templates rendered into the band before the map
    bool MapTemplatesAfter = false;   // map templates drawn as vectors after the band
    bool MapDrawnSeparately = false;  // the map's own objects drawn over the copied band
    bool BandClean = true;            // the band holds nothing yet
    // Colour tables of the template being rendered.
    std::array<uint8_t, 256> RedTable{};
    std::array<uint8_t, 256> GreenTable{};
    std::array<uint8_t, 256> BlueTable{};
};

extern TemplateDrawState TemplateDraw;

// The bands freed and the decisions cleared (tests); a fixed test size stays.
void ResetTemplateDrawState();

// A colour of a map drawn as a template, dimmed by d 1..100 towards white (each component
// times (100 - d) / 100); other values leave it.
uint32_t DimmedCmyk(uint32_t cmyk, int dim);

// ---- Bands ----
// The bands' size from the screen (LoadMapTemplates, after an open).
void SizeRenderBand();
// Tests: bands of this size instead of the screen's; an empty size goes back to the screen.
void SetBandScreenSize(QSize size);
// Band 0 with cached bands smaller than the screen needs drops both; the band is made when
// missing and becomes current; clear fills it white. Always true.
bool RenderBand(int index, bool clear);
// Grows both bands to hold at least width x height pixels (a window over several screens,
// a doubled rectangle).
void GrowRenderBand(int width, int height);
// Band 0 current (printing and EPS before their raster pass).
void SelectFirstTemplateBand();
// Memory row m (from the bottom) of band `index`: BandWidth x 3 bytes.
uint8_t* BandRow(int index, int memoryRow);
const QImage& BandImage(int index);
// Frees both bands.
void FreeTemplateBitmaps();

// ---- Decisions ----
// Sets RasterFirst, MapTemplatesAfter and MapDrawnSeparately for the current map and output
// colour kind. wanted false (exports): templates and the map go into the band.
void PrepareTemplateDrawing(bool wanted);

// ---- Rendering ----
// Renders the shown templates of the device rectangle into band 0 at the current scales
// (doubled and halved again with doubleResolution), the map's own objects too when
// ownObjects is set and the map is not drawn separately, and copies the band onto OutputDC at
// the rectangle multiplied by stretch; stretch 0 leaves the band for the caller to read (the
// rectangle's rows from memory row BandHeight - 1 down). poll runs between objects and
// templates. The output layer's state and the current map are as before afterwards. True
// when anything was drawn.
bool DrawTemplates(const QRect& rect, bool doubleResolution, int stretch,
                   const std::function<void()>& poll, bool ownObjects);

// ---- Renderers (exposed for tests) ----
// The current raster template (its fields as ParseTemplateParams left them) into `width`
// pixels of `rows` rows of the current band, at the current transform, whose origin is the
// band's corner.
void RenderTemplateBitmap(const TTmp& t, int width, int rows);
// Where band 1 is below 255, band 0 darkens: max(0, A + B - 255); band 1 is white again.
void BlendBands(int width, int rows);
// Each 2 x 2 block of band 0 becomes one pixel, the channels' mean (truncated).
void HalveBand(int width, int rows);
// The screen colour correction on every pixel.
void CorrectBandColors(int width, int rows);
// Every byte v becomes 255 - round(intensity x (255 - v) / 100).
void ApplyBandIntensity(int width, int rows, int intensity);

} // namespace zemo
