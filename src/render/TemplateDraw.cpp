#include "render/TemplateDraw.h"

#include "core/Errors.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "render/Scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSet>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

namespace zemo {

TemplateDrawState TemplateDraw;

namespace {

// Band rows of 3-byte pixels stay 4-byte aligned at a width divisible by 12.
constexpr int BandWidthStep = 12;
constexpr int ViewSettingsType = 1030;
// Without a screen (a test without a display) the bands get this size.
constexpr QSize FallbackScreen{1024, 768};

int RoundUpWidth(int w)
{
    return (std::max(w, 1) + BandWidthStep - 1) / BandWidthStep * BandWidthStep;
}

QSize NeededSize()
{
    TemplateDrawState& t = TemplateDraw;
    if (t.ScreenSize.isEmpty())
        SizeRenderBand();
    return t.ScreenSize;
}

DocumentPortSet& TemplatePorts()
{
    return DocumentPorts();
}

QString ViewSettings(const TZmd& z)
{
    const int slot = MapSettingsSlot(ViewSettingsType);
    return slot >= 0 ? z.MapSettings[size_t(slot)] : QString();
}

bool GraphicsEditing()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

int SeparationCount(const TZmd& z)
{
    return std::clamp<int>(z.ColorBlock.SeparationCount, 0, MaxSeparations);
}

bool SeparationOutput(int s)
{
    return s >= 0 && s < 32 && (Graph.OutputSeparations >> s & 1u) != 0;
}

// ---- Bands ----

void MakeBands(int width, int height)
{
    TemplateDrawState& t = TemplateDraw;
    t.Bands = {};
    t.BandWidth = RoundUpWidth(width);
    t.BandHeight = std::max(height, 1);
}

// The painters' device on a band, as the output layer's OutputDC while it lives.
class BandDevice {
public:
    BandDevice(int index, int width, int rows) : dc_(&TemplateDraw.Bands[size_t(index)])
    {
        dc_.setBaseClip(QRegion(0, 0, width, rows));
        Graph.OutputDC = &dc_;
        BeginDrawing(false);
    }
    ~BandDevice()
    {
        EndDrawing();
        Graph.OutputDC = nullptr;
    }
    BandDevice(const BandDevice&) = delete;
    BandDevice& operator=(const BandDevice&) = delete;

private:
    PainterDevice dc_;
};

// What DrawTemplates changes of the output layer and the store, put back on every way out.
class SavedOutput {
public:
    SavedOutput()
        : mode_(Graph.OutputMode), intensity_(Graph.OutputIntensity), clip_(Graph.ClipRect),
          scaleX_(Scale.ViewScaleX), scaleY_(Scale.ViewScaleY), origin_(Scale.ViewOrigin),
          dc_(Graph.OutputDC), zmd_(Index.ActiveZmd), mapOpen_(Index.MapOpen),
          drawing_(Graph.Drawing)
    {
    }
    ~SavedOutput()
    {
        Graph.OutputMode = mode_;
        Graph.OutputIntensity = intensity_;
        Graph.ClipRect = clip_;
        Scale.ViewScaleX = scaleX_;
        Scale.ViewScaleY = scaleY_;
        Scale.ViewOrigin = origin_;
        Graph.OutputDC = dc_;
        Graph.Drawing = drawing_;
        SetCurrentMap(zmd_);
        Index.MapOpen = mapOpen_;
    }
    SavedOutput(const SavedOutput&) = delete;
    SavedOutput& operator=(const SavedOutput&) = delete;

    int Mode() const { return mode_; }
    int Intensity() const { return intensity_; }
    Device* Dc() const { return dc_; }
    TZmd* Map() const { return zmd_; }
    bool MapOpen() const { return mapOpen_; }

private:
    int mode_;
    int intensity_;
    CordRect clip_;
    double scaleX_;
    double scaleY_;
    Cord origin_;
    Device* dc_;
    TZmd* zmd_;
    bool mapOpen_;
    bool drawing_;
};

// One rendering: the band area, the poll and what was drawn.
struct Render {
    int width = 0;
    int rows = 0;
    std::function<void()> poll;
    bool drawn = false;

    void Poll() const
    {
        if (poll)
            poll();
    }
};

// ---- Raster templates ----

// The template file of string `index` of the current map into the current band; a file that
// cannot be read switches the template off in the map, with its copies of the same string:
// those drawn over unchanged are not tried in this paint. True when it met ClipRect.
bool RenderRasterTemplate(int index, const Render& r)
{
    TZmd& z = *Index.ActiveZmd;
    const QString text = z.Templates.Strings(index);
    const QString name = TemplateFileName(text);
    if (!TemplatePorts().LoadTemplateFile(name, 2)) {
        QString hidden = text;
        SetParam(hidden, u's', QStringLiteral("0"));
        for (int i = 0; i < z.Templates.Count(); ++i)
            if (z.Templates.Strings(i) == text && SavePString(z.Templates.GetNumber(i), hidden))
                z.Templates.SetString(i, hidden);
        return false;
    }
    bool met = false;
    TemplatePorts().ParseTemplateParams(text);
    CordRect bounds;
    if (TTmp* t = TemplatePorts().CurrentTemplate(); t && TemplatePorts().TemplateBounds(bounds)
                                                && RectsOverlap(bounds, Graph.ClipRect)) {
        RenderTemplateBitmap(*t, r.width, r.rows);
        met = true;
    }
    TemplatePorts().ReleaseTemplate(name);
    return met;
}

struct ShownTemplate {
    int index = 0;
    bool map = false;
    bool transparent = false;
    bool spotRender = false;
    int spot = -1;
};

// The shown templates of the current map, from the last (bottom) to the first.
std::vector<ShownTemplate> ShownTemplates()
{
    std::vector<ShownTemplate> list;
    const TZmd& z = *Index.ActiveZmd;
    for (int i = z.Templates.Count() - 1; i >= 0; --i) {
        const QString& text = z.Templates.Strings(i);
        if (!TemplateShown(text))
            continue;
        list.push_back({i, IsMapTemplateName(text), GetParamBool(text, u't', false),
                        GetParamBool(text, u'o', false), GetParamInt(text, u'p', -1)});
    }
    return list;
}

// Which of the shown templates (bottom first) a raster template drawn later covers unchanged:
// the same string, so the same picture at the same place, and opaque above them. A map may
// name one picture thousands of times.
std::vector<bool> DrawnOverUnchanged(const std::vector<ShownTemplate>& shown)
{
    const TZmd& z = *Index.ActiveZmd;
    std::vector<bool> over(shown.size());
    QSet<QString> opaqueAbove;
    for (size_t k = shown.size(); k-- > 0;) {
        if (shown[k].map)
            continue;
        const QString& text = z.Templates.Strings(shown[k].index);
        over[k] = opaqueAbove.contains(text);
        if (!shown[k].transparent)
            opaqueAbove.insert(text);
    }
    return over;
}

// ---- Map layers ----

// One colour pass of the current map into the current band.
void ColourPass(int number, uint32_t cmyk, Render& r)
{
    const TZmd& z = *Index.ActiveZmd;
    if (number < 0 || number > 255 || !z.UsedColors.test(size_t(number)))
        return;
    Graph.CurrentColor = number;
    Graph.OutputCmyk = cmyk;
    bool drew = false;
    DrawTemplateColorPass([&r] { r.Poll(); }, drew);
    r.drawn = r.drawn || drew;
}

// The band the next layer goes to: band 0 while it is clean, else band 1 cleared (blended
// afterwards). True for band 1.
bool LayerBand()
{
    const bool scratch = !TemplateDraw.BandClean;
    RenderBand(scratch ? 1 : 0, scratch);
    return scratch;
}

// The current map's colours, last first, into the band: dimmed; from the opaque colour on
// they cover what lies below.
void DrawMapLayers(int dim, int opaqueColor, Render& r)
{
    const TZmd& z = *Index.ActiveZmd;
    const int kind = Graph.OutputColorMode;
    bool scratch = LayerBand();
    {
        auto dc = std::make_unique<BandDevice>(TemplateDraw.Current, r.width, r.rows);
        const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
        for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
            const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
            if (c.Number == opaqueColor && scratch) {
                dc.reset();
                BlendBands(r.width, r.rows);
                scratch = false;
                RenderBand(0, false);
                dc = std::make_unique<BandDevice>(0, r.width, r.rows);
            }
            uint32_t cmyk = 0;
            if (kind == CompositeColors || kind == 3)
                cmyk = PackCmyk(c.Cmyk);
            else if (kind == 4)
                cmyk = 200u << 24;
            else
                continue;
            ColourPass(c.Number, DimmedCmyk(cmyk, dim), r);
        }
    }
    if (scratch)
        BlendBands(r.width, r.rows);
    RenderBand(0, false);
    TemplateDraw.BandClean = false;
}

// The current map separation by separation, last first: the raster templates assigned to
// each and the colours in it, in the separation's colour (black for separations).
void DrawMapSpotLayers(int dim, bool drawMap, bool hidden, Render& r)
{
    TZmd& z = *Index.ActiveZmd;
    const int kind = Graph.OutputColorMode;
    const QString letters = GetParamText(ViewSettings(z), u'a');
    const std::vector<ShownTemplate> shown = ShownTemplates();
    for (int s = SeparationCount(z) - 1; s >= 0 && !AbortRequested; --s) {
        // Separations draw those being output; other kinds those the spot view shows.
        const bool wanted = kind == SpotSeparations ? SeparationOutput(s) : s >= letters.size() || letters[s] == u'1';
        if (!wanted)
            continue;
        const bool scratch = LayerBand();
        if (!hidden)
            for (const ShownTemplate& t : shown)
                if (!t.map && t.spot == s && !AbortRequested) {
                    r.drawn = RenderRasterTemplate(t.index, r) || r.drawn;
                    r.Poll();
                }
        if (drawMap) {
            BandDevice dc(TemplateDraw.Current, r.width, r.rows);
            const uint32_t sep = PackCmyk(z.ColorBlock.Separations[size_t(s)].Cmyk);
            const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
            for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
                const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
                const int p = c.Separations[size_t(s)];
                if (p > 200)
                    continue;
                uint32_t cmyk = 0;
                if (kind == SpotSeparations) {
                    cmyk = uint32_t(p) << 24;
                } else if (kind == 4) {
                    cmyk = 200u << 24;
                } else {
                    for (int k = 0; k < 4; ++k) {
                        const double v = double(sep >> (8 * k) & 0xFF) * (100 - dim) / 100.0 * p / 200.0;
                        cmyk |= uint32_t(std::clamp(std::nearbyint(v), 0.0, 255.0)) << (8 * k);
                    }
                }
                ColourPass(c.Number, cmyk, r);
            }
        }
        if (scratch)
            BlendBands(r.width, r.rows);
        RenderBand(0, false);
        TemplateDraw.BandClean = false;
    }
}

// A shown map template (string `index`) drawn into the band, the current map put back.
void DrawMapTemplate(const ShownTemplate& t, Render& r, TZmd* own, bool ownOpen)
{
    QString full;
    int dim = 0;
    if (!TemplatePorts().ActiveZmdTemp(t.index, full, dim))
        return;
    if (!OpenMapFile(full, full, true, true)) {
        SetCurrentMap(own);
        Index.MapOpen = ownOpen;
        return;
    }
    try {
        // An opaque map template covers what lies below it.
        if (!t.transparent)
            TemplateDraw.BandClean = true;
        // Only its colours: the other map's own templates are not loaded.
        if (t.spotRender)
            DrawMapSpotLayers(dim, true, true, r);
        else
            DrawMapLayers(dim, -1, r);
    } catch (...) {
        SetCurrentMap(own);
        Index.MapOpen = ownOpen;
        CloseMapFile(full);
        throw;
    }
    SetCurrentMap(own);
    Index.MapOpen = ownOpen;
    CloseMapFile(full);
}

// ---- Scan lines ----

// Sampling positions as 32.32 fixed-point numbers (integer part by arithmetic shift: toward
// minus infinity), 64 bits so that wide templates and far zooms never wrap.
constexpr double FixedOne = 4294967296.0;
// Positions and steps below this stay far from the 64-bit limit.
constexpr double FixedRange = 1073741824.0;

struct Tables {
    const uint8_t* red;
    const uint8_t* green;
    const uint8_t* blue;
};

template <int Bits>
inline void PutPixel(uint8_t* out, const uint8_t* row, int64_t ix, const Tables& t)
{
    if constexpr (Bits == 1) {
        const uint8_t v = uint8_t((row[ix >> 3] >> (7 - (ix & 7))) & 1);
        out[0] = t.blue[v];
        out[1] = t.green[v];
        out[2] = t.red[v];
    } else if constexpr (Bits == 4) {
        const uint8_t b = row[ix >> 1];
        const uint8_t v = (ix & 1) ? uint8_t(b & 0x0F) : uint8_t(b >> 4);
        out[0] = t.blue[v];
        out[1] = t.green[v];
        out[2] = t.red[v];
    } else if constexpr (Bits == 8) {
        const uint8_t v = row[ix];
        out[0] = t.blue[v];
        out[1] = t.green[v];
        out[2] = t.red[v];
    } else {
        const uint8_t* p = row + 3 * ix;
        out[0] = t.blue[p[0]];
        out[1] = t.green[p[1]];
        out[2] = t.red[p[2]];
    }
}

// Band pixels xa..xb-1 of one row; pixels whose source lies outside the template stay.
template <int Bits>
void ScanLine(uint8_t* band, int xa, int xb, int64_t fx, int64_t fy, int64_t stepX, int64_t stepY,
              const TTmp& tmp, const Tables& t)
{
    // Rows below the held ones are blank.
    const uint64_t w = uint64_t(tmp.Width), h = uint64_t(tmp.HeldRows());
    uint8_t* out = band + 3 * size_t(xa);
    for (int x = xa; x < xb; ++x, out += 3, fx += stepX, fy += stepY) {
        const int64_t ix = fx >> 32, iy = fy >> 32;
        if (uint64_t(ix) < w && uint64_t(iy) < h)
            PutPixel<Bits>(out, tmp.Row(int(iy)), ix, t);
    }
}

// The same with positions in floating point, for steps too large for the fixed form.
template <int Bits>
void ScanLineFar(uint8_t* band, int xa, int xb, double sx, double sy, double stepX, double stepY,
                 const TTmp& tmp, const Tables& t)
{
    for (int x = xa; x < xb; ++x) {
        const double px = std::floor(sx + stepX * x), py = std::floor(sy + stepY * x);
        if (px >= 0 && px < tmp.Width && py >= 0 && py < tmp.HeldRows())
            PutPixel<Bits>(band + 3 * size_t(x), tmp.Row(int(py)), int64_t(px), t);
    }
}

// The columns [lo, hi) of a row where p0 + step x may lie in [0, length); wide by a pixel on
// each side, the exact test is the scan line's.
bool ColumnRange(double p0, double step, double length, double& lo, double& hi)
{
    if (step == 0) {
        if (p0 < 0 || p0 >= length)
            return false;
        return true;
    }
    const double a = (0 - p0) / step, b = (length - p0) / step;
    lo = std::max(lo, std::min(a, b) - 1);
    hi = std::min(hi, std::max(a, b) + 1);
    return lo < hi;
}

// Columns of band a pass takes before the next rows: the source pixels that neighbouring rows
// of a turned or scaled template read stay in the cache.
constexpr int StripColumns = 64;

template <int Bits>
void ScanRows(const TTmp& tmp, int width, int rows, double sx0, double sy0, double rowX, double rowY,
              double stepX, double stepY, const Tables& t)
{
    const bool fixed = std::abs(stepX) < FixedRange && std::abs(stepY) < FixedRange
                    && tmp.Width < FixedRange && tmp.Height < FixedRange;
    // Only the band pixels within reach of the picture's corners are looked at: a map may name
    // a small picture at thousands of places, each costing its own pixels, not the band's.
    int firstColumn = 0, endColumn = width, firstRow = 0, endRow = rows;
    if (const double det = stepX * rowY - rowX * stepY; std::isfinite(det) && det != 0) {
        double box[4] = {INFINITY, -INFINITY, INFINITY, -INFINITY};
        for (const double px : {0.0, double(tmp.Width)})
            for (const double py : {0.0, double(tmp.HeldRows())}) {
                const double u = px - sx0, v = py - sy0;
                const double x = (u * rowY - rowX * v) / det, r = (stepX * v - stepY * u) / det;
                box[0] = std::min(box[0], x);
                box[1] = std::max(box[1], x);
                box[2] = std::min(box[2], r);
                box[3] = std::max(box[3], r);
            }
        // Two pixels to spare for the rounding of the steps.
        const auto within = [](double v, int limit) { return int(std::clamp(v, 0.0, double(limit))); };
        if (std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) && std::isfinite(box[3])) {
            firstColumn = within(std::floor(box[0]) - 2, width);
            endColumn = within(std::ceil(box[1]) + 3, width);
            firstRow = within(std::floor(box[2]) - 2, rows);
            endRow = within(std::ceil(box[3]) + 3, rows);
        }
    }
    // The strips stay where they were: a row's steps start from the same pixels.
    for (int strip = firstColumn / StripColumns * StripColumns; strip < endColumn; strip += StripColumns) {
        const int stripEnd = std::min(width, strip + StripColumns);
        for (int r = firstRow; r < endRow; ++r) {
            const double sx = sx0 + rowX * r, sy = sy0 + rowY * r;
            double lo = strip, hi = stripEnd;
            if (!ColumnRange(sx, stepX, tmp.Width, lo, hi) || !ColumnRange(sy, stepY, tmp.HeldRows(), lo, hi))
                continue;
            const int xa = int(std::max<double>(strip, std::floor(lo)));
            const int xb = int(std::min<double>(stripEnd, std::ceil(hi)));
            if (xa >= xb)
                continue;
            uint8_t* band = BandRow(TemplateDraw.Current, TemplateDraw.BandHeight - 1 - r);
            if (fixed) {
                const double fx = (sx + stepX * xa) * FixedOne, fy = (sy + stepY * xa) * FixedOne;
                ScanLine<Bits>(band, xa, xb, int64_t(std::floor(fx)), int64_t(std::floor(fy)),
                               int64_t(std::nearbyint(stepX * FixedOne)),
                               int64_t(std::nearbyint(stepY * FixedOne)), tmp, t);
            } else {
                ScanLineFar<Bits>(band, xa, xb, sx, sy, stepX, stepY, tmp, t);
            }
        }
    }
}

// The colour tables of a template: its palette (identity for 24 bits), dimmed towards white,
// tinted in its spot colour unless the output is a separation.
void MakeTables(const TTmp& t)
{
    TemplateDrawState& d = TemplateDraw;
    std::array<uint8_t, 256>* tables[3] = {&d.RedTable, &d.GreenTable, &d.BlueTable};
    const std::array<uint8_t, 256>* palette[3] = {&t.Red, &t.Green, &t.Blue};
    int spot[3] = {-1, -1, -1};
    const TZmd* z = Index.ActiveZmd;
    if (Graph.OutputColorMode != SpotSeparations && z && t.SpotColor >= 0 && t.SpotColor < SeparationCount(*z)) {
        const uint32_t rgb = CmykToRgb(PackCmyk(z->ColorBlock.Separations[size_t(t.SpotColor)].Cmyk));
        for (int k = 0; k < 3; ++k)
            spot[k] = int(rgb >> (8 * k) & 0xFF);
    }
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 256; ++c) {
            int v = t.BitsPerPixel == 24 ? c : (*palette[k])[size_t(c)];
            if (t.Dim > 0 && t.Dim <= 100)
                v += int(std::nearbyint((255 - v) * t.Dim / 100.0));
            if (spot[k] >= 0)
                v = 255 - int(std::nearbyint((255 - v) / 255.0 * (255 - spot[k])));
            (*tables[k])[size_t(c)] = uint8_t(std::clamp(v, 0, 255));
        }
}

} // namespace

uint32_t DimmedCmyk(uint32_t cmyk, int dim)
{
    if (dim < 1 || dim > 100)
        return cmyk;
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
        out |= uint32_t(std::nearbyint(int(cmyk >> (8 * i) & 0xFF) * (100 - dim) / 100.0)) << (8 * i);
    return out;
}

void ResetTemplateDrawState()
{
    const QSize fixed = TemplateDraw.ScreenSizeFixed ? TemplateDraw.ScreenSize : QSize();
    TemplateDraw = TemplateDrawState{};
    if (!fixed.isEmpty()) {
        TemplateDraw.ScreenSize = fixed;
        TemplateDraw.ScreenSizeFixed = true;
    }
}

// ---- Bands ----

void SizeRenderBand()
{
    TemplateDrawState& t = TemplateDraw;
    if (t.ScreenSizeFixed)
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize s = screen && !screen->size().isEmpty() ? screen->size() : FallbackScreen;
    t.ScreenSize = QSize(RoundUpWidth(s.width()), s.height());
}

void SetBandScreenSize(QSize size)
{
    TemplateDrawState& t = TemplateDraw;
    t.ScreenSizeFixed = !size.isEmpty();
    t.ScreenSize = size.isEmpty() ? QSize() : QSize(RoundUpWidth(size.width()), size.height());
    if (!t.ScreenSizeFixed)
        SizeRenderBand();
    FreeTemplateBitmaps();
}

bool RenderBand(int index, bool clear)
{
    TemplateDrawState& t = TemplateDraw;
    index = std::clamp(index, 0, 1);
    const QSize need = NeededSize();
    if (index == 0 && (t.BandWidth < need.width() || t.BandHeight < need.height()))
        MakeBands(std::max(t.BandWidth, need.width()), std::max(t.BandHeight, need.height()));
    QImage& band = t.Bands[size_t(index)];
    if (band.isNull()) {
        if (t.BandWidth == 0)
            MakeBands(need.width(), need.height());
        band = QImage(t.BandWidth, t.BandHeight, QImage::Format_BGR888);
        if (band.isNull())
            throw std::bad_alloc();
        clear = true;
    }
    t.Current = index;
    if (clear)
        band.fill(Qt::white);
    return true;
}

void GrowRenderBand(int width, int height)
{
    TemplateDrawState& t = TemplateDraw;
    if (width <= t.BandWidth && height <= t.BandHeight && !t.Bands[0].isNull())
        return;
    const QSize need = NeededSize();
    MakeBands(std::max({width, t.BandWidth, need.width()}), std::max({height, t.BandHeight, need.height()}));
}

void SelectFirstTemplateBand()
{
    RenderBand(0, false);
}

uint8_t* BandRow(int index, int memoryRow)
{
    TemplateDrawState& t = TemplateDraw;
    return t.Bands[size_t(index)].scanLine(t.BandHeight - 1 - memoryRow);
}

const QImage& BandImage(int index)
{
    return TemplateDraw.Bands[size_t(std::clamp(index, 0, 1))];
}

void FreeTemplateBitmaps()
{
    TemplateDrawState& t = TemplateDraw;
    t.Bands = {};
    t.BandWidth = 0;
    t.BandHeight = 0;
    t.Current = 0;
}

// ---- Decisions ----

void PrepareTemplateDrawing(bool wanted)
{
    TemplateDrawState& d = TemplateDraw;
    d.RasterFirst = false;
    d.MapTemplatesAfter = false;
    d.MapDrawnSeparately = false;
    const TZmd* z = Index.ActiveZmd;
    if (!wanted || !z) {
        d.RasterFirst = true;
        return;
    }
    const QString view = ViewSettings(*z);
    const bool spotView = GetParamBool(view, u's', false) && SeparationCount(*z) > 0;
    const bool hidden = z->Setup.TemplatesHidden;
    switch (Graph.OutputColorMode) {
    case CompositeColors: {
        if (spotView) {
            d.RasterFirst = true;
            return;
        }
        const bool graphics = GraphicsEditing();
        d.MapTemplatesAfter = !graphics;
        bool anyShown = false;
        // Hidden templates count nowhere, map templates included.
        if (!hidden)
            for (const ShownTemplate& t : ShownTemplates()) {
                if (!t.map) {
                    d.RasterFirst = true;
                } else if (!graphics && (t.spotRender || (t.transparent && anyShown))) {
                    d.RasterFirst = true;
                    d.MapTemplatesAfter = false;
                }
                anyShown = true;
            }
        if (!anyShown)
            d.MapTemplatesAfter = false;
        if (GetParamBool(view, u't', false) && anyShown) {
            d.RasterFirst = true;
            d.MapTemplatesAfter = false;
        } else {
            d.MapDrawnSeparately = true;
        }
        break;
    }
    case SpotSeparations:
        if (!hidden)
            for (const ShownTemplate& t : ShownTemplates())
                if (!t.map && SeparationOutput(t.spot) && t.spot < SeparationCount(*z))
                    d.RasterFirst = true;
        d.MapDrawnSeparately = std::popcount(Graph.OutputSeparations) == 1;
        break;
    default:
        d.MapDrawnSeparately = true;
        break;
    }
}

// ---- Rendering ----

bool DrawTemplates(const QRect& rect, bool doubleResolution, int stretch,
                   const std::function<void()>& poll, bool ownObjects)
{
    if (rect.isEmpty() || !Index.ActiveZmd)
        return false;
    TemplateDrawState& d = TemplateDraw;
    const int factor = doubleResolution ? 2 : 1;
    Render r;
    r.width = rect.width() * factor;
    r.rows = rect.height() * factor;
    r.poll = poll;
    bool copy = false;
    QImage* band = nullptr;
    Device* target = nullptr;
    {
        SavedOutput saved;
        TZmd& own = *saved.Map();
        const int kind = Graph.OutputColorMode;
        const QString view = ViewSettings(own);
        const bool hidden = own.Setup.TemplatesHidden;
        Graph.OutputMode = std::min(Graph.OutputMode, int(BitmapOutput));
        Graph.OutputIntensity = 100;
        const double sx = Scale.ViewScaleX, sy = Scale.ViewScaleY;
        const Cord o = Scale.ViewOrigin;
        const auto mapAt = [&](double dx, double dy) {
            return Cord{SafeRound(o.x + (sx != 0 ? dx / sx : 0)), SafeRound(o.y + (sy != 0 ? dy / sy : 0))};
        };
        const Cord a = mapAt(rect.left(), rect.top()), b = mapAt(rect.left() + rect.width(), rect.top() + rect.height());
        Graph.ClipRect = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
        Scale.ViewOrigin = a;
        Scale.ViewScaleX = sx * factor;
        Scale.ViewScaleY = sy * factor;
        Graph.OutputDC = nullptr;

        GrowRenderBand(r.width, r.rows);
        RenderBand(0, true);
        d.BandClean = true;
        if (kind == CompositeColors && !(GetParamBool(view, u's', false) && SeparationCount(own) > 0)) {
            const std::vector<ShownTemplate> shown = ShownTemplates();
            const std::vector<bool> drawnOver = DrawnOverUnchanged(shown);
            if (!hidden)
                for (size_t k = 0; k < shown.size(); ++k) {
                    const ShownTemplate& t = shown[k];
                    if (t.map || drawnOver[k] || AbortRequested)
                        continue;
                    const bool scratch = t.transparent && !d.BandClean;
                    RenderBand(scratch ? 1 : 0, scratch);
                    const bool met = RenderRasterTemplate(t.index, r);
                    if (scratch)
                        BlendBands(r.width, r.rows);
                    RenderBand(0, false);
                    if (met) {
                        d.BandClean = false;
                        r.drawn = true;
                    }
                    r.Poll();
                }
            if (!hidden && !GraphicsEditing() && !d.MapTemplatesAfter)
                for (const ShownTemplate& t : shown)
                    if (t.map && !AbortRequested)
                        DrawMapTemplate(t, r, &own, saved.MapOpen());
            if (!d.MapDrawnSeparately && ownObjects && !AbortRequested) {
                if (GetParamBool(view, u't', false)) {
                    DrawMapLayers(0, GetParamInt(view, u'o', -1), r);
                } else {
                    d.BandClean = true;
                    DrawMapLayers(0, -1, r);
                }
            }
        } else if (kind == CompositeColors || kind == SpotSeparations) {
            DrawMapSpotLayers(0, ownObjects && !d.MapDrawnSeparately, hidden, r);
        } else if (ownObjects && !d.MapDrawnSeparately) {
            DrawMapLayers(0, -1, r);
        }
        RenderBand(0, false);
        if (doubleResolution)
            HalveBand(r.width, r.rows);
        if (saved.Mode() == ScreenOutput && kind == CompositeColors)
            CorrectBandColors(rect.width(), rect.height());
        if (saved.Intensity() < 100)
            ApplyBandIntensity(rect.width(), rect.height(), saved.Intensity());
        copy = r.drawn && stretch > 0 && saved.Dc();
        band = &d.Bands[0];
        target = saved.Dc();
    }
    if (copy) {
        const QRectF to(double(rect.left()) * stretch, double(rect.top()) * stretch,
                        double(rect.width()) * stretch, double(rect.height()) * stretch);
        target->drawImage(to, *band, QRect(0, 0, rect.width(), rect.height()));
    }
    return r.drawn;
}

// ---- Renderers ----

void RenderTemplateBitmap(const TTmp& t, int width, int rows)
{
    TemplateDrawState& d = TemplateDraw;
    width = std::min(width, d.BandWidth);
    rows = std::min(rows, d.BandHeight);
    if (!t.HasPixels() || width <= 0 || rows <= 0)
        return;
    const double u = t.U, v = t.V, vx = Scale.ViewScaleX, vy = Scale.ViewScaleY;
    if (!std::isfinite(u) || !std::isfinite(v) || u == 0 || v == 0 || vx == 0 || vy == 0 || !std::isfinite(t.Angle))
        return;
    MakeTables(t);
    const Tables tables{d.RedTable.data(), d.GreenTable.data(), d.BlueTable.data()};
    // Device pixel (x, r) lies (x - dx0, r - dy0) from the template's centre; in template
    // pixels that is (lx, ly), turned back by the angle, and the source pixel (W/2 + lx,
    // H/2 - ly): rows run downward in the template and on the device alike.
    const Cord o = Scale.ViewOrigin;
    const double dx0 = (double(t.X) - o.x) * vx - 0.5, dy0 = (double(t.Y) - o.y) * vy - 0.5;
    const double c = std::cos(t.Angle), s = std::sin(t.Angle);
    const double kx = 1 / (256 * u), ky = 1 / (256 * v);
    // d(sx)/dx, d(sx)/dr, d(sy)/dx, d(sy)/dr
    const double stepX = c / vx * kx, rowX = s / vy * kx;
    const double stepY = s / vx * ky, rowY = -c / vy * ky;
    const double sx0 = t.Width / 2.0 - dx0 * stepX - dy0 * rowX;
    const double sy0 = t.Height / 2.0 - dx0 * stepY - dy0 * rowY;
    if (!std::isfinite(sx0) || !std::isfinite(sy0) || !std::isfinite(stepX) || !std::isfinite(stepY)
        || !std::isfinite(rowX) || !std::isfinite(rowY))
        return;
    switch (t.BitsPerPixel) {
    case 1: ScanRows<1>(t, width, rows, sx0, sy0, rowX, rowY, stepX, stepY, tables); break;
    case 4: ScanRows<4>(t, width, rows, sx0, sy0, rowX, rowY, stepX, stepY, tables); break;
    case 8: ScanRows<8>(t, width, rows, sx0, sy0, rowX, rowY, stepX, stepY, tables); break;
    case 24: ScanRows<24>(t, width, rows, sx0, sy0, rowX, rowY, stepX, stepY, tables); break;
    default: break;
    }
}

void BlendBands(int width, int rows)
{
    TemplateDrawState& d = TemplateDraw;
    if (d.Bands[0].isNull() || d.Bands[1].isNull())
        return;
    width = std::min(width, d.BandWidth);
    rows = std::min(rows, d.BandHeight);
    for (int m = d.BandHeight - rows; m < d.BandHeight; ++m) {
        uint8_t* b = BandRow(0, m);
        uint8_t* a = BandRow(1, m);
        for (int i = 0; i < 3 * width; ++i)
            if (a[i] < 255) {
                b[i] = uint8_t(std::max(0, a[i] + b[i] - 255));
                a[i] = 255;
            }
    }
}

void HalveBand(int width, int rows)
{
    TemplateDrawState& d = TemplateDraw;
    width = std::min(width, d.BandWidth);
    rows = std::min(rows, d.BandHeight);
    QImage& band = d.Bands[0];
    for (int y = 0; y < rows / 2; ++y) {
        const uint8_t* top = band.constScanLine(2 * y);
        const uint8_t* bottom = band.constScanLine(2 * y + 1);
        uint8_t* out = band.scanLine(y);
        for (int x = 0; x < width / 2; ++x)
            for (int k = 0; k < 3; ++k) {
                const int i = 6 * x + k;
                out[3 * x + k] = uint8_t((top[i] + top[i + 3] + bottom[i] + bottom[i + 3]) >> 2);
            }
    }
}

void CorrectBandColors(int width, int rows)
{
    TemplateDrawState& d = TemplateDraw;
    width = std::min(width, d.BandWidth);
    rows = std::min(rows, d.BandHeight);
    if (!Graph.ScreenTablesReady)
        InitScreenColorTables();
    const auto gamma = [](int v) { return Graph.ScreenGammaTable[size_t(std::clamp(v, -512, 511) + 512)]; };
    const auto& A = Graph.ScreenColorTableA;
    const auto& B = Graph.ScreenColorTableB;
    for (int m = d.BandHeight - rows; m < d.BandHeight; ++m) {
        uint8_t* p = BandRow(0, m);
        for (int x = 0; x < width; ++x, p += 3) {
            const int blue = p[0], green = p[1], red = p[2];
            p[0] = gamma(B[size_t(blue)] + A[size_t(red)]);
            p[1] = gamma(B[size_t(green)] + A[size_t(red)]);
            p[2] = gamma(red);
        }
    }
}

void ApplyBandIntensity(int width, int rows, int intensity)
{
    TemplateDrawState& d = TemplateDraw;
    width = std::min(width, d.BandWidth);
    rows = std::min(rows, d.BandHeight);
    std::array<uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[size_t(v)] = uint8_t(std::clamp(255 - int(std::nearbyint(intensity * (255 - v) / 100.0)), 0, 255));
    for (int m = d.BandHeight - rows; m < d.BandHeight; ++m) {
        uint8_t* p = BandRow(0, m);
        for (int i = 0; i < 3 * width; ++i)
            p[i] = table[p[i]];
    }
}

} // namespace zemo
