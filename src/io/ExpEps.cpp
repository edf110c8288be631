#include "io/ExpEps.h"

#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "edit/Work.h"
#include "io/Export.h"
#include "io/Ports.h"
#include "io/PrintSys.h"
#include "render/Areas.h"
#include "render/GraphSys.h"
#include "render/Grid.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "symbols/Colors.h"
#include "symbols/SymbolMenu.h"
#include "symbols/store/SymbolLayout.h"

#include <algorithm>
#include <cmath>

namespace zemo {

ExpEpsState Eps;

namespace {

void Line(const QString& s) { WriteOutputLine(EncodeCodePage(1252, s)); }
void Line(const char* s) { WriteOutputLine(QByteArrayView(s)); }
void Line(const std::string& s) { WriteOutputLine(QByteArrayView(s.data(), qsizetype(s.size()))); }

QString Int(double v) { return QString::number(int64_t(std::nearbyint(v))); }

int Half(int v) { return (v + 1) / 2; }

int SeparationCount(const TZmd& z)
{
    return std::clamp<int>(z.ColorBlock.SeparationCount, 0, MaxSeparations);
}

QString SettingsOf(const TZmd& z, int type)
{
    const int slot = MapSettingsSlot(type);
    return slot >= 0 ? z.MapSettings[size_t(slot)] : QString();
}

// map scale / export scale.
double ExportRatio()
{
    const SetupRecord* s = Stp();
    if (s && s->PrintScale > 0 && s->MapScale > 0 && std::isfinite(s->MapScale / s->PrintScale))
        return s->MapScale / s->PrintScale;
    return 1;
}

// Each of C, M, Y and K times f, rounded.
uint32_t ScaledCmyk(uint32_t cmyk, double f)
{
    uint32_t out = 0;
    for (int k = 0; k < 4; ++k) {
        const double v = std::nearbyint(double(cmyk >> (8 * k) & 0xFF) * f);
        out |= uint32_t(std::clamp(v, 0.0, 255.0)) << (8 * k);
    }
    return out;
}

QString CmykText(uint32_t c)
{
    return QStringLiteral("%1 %2 %3 %4").arg(c & 0xFF).arg(c >> 8 & 0xFF).arg(c >> 16 & 0xFF).arg(c >> 24 & 0xFF);
}

// The device rectangle of DrawRect at the current transform.
QRect DeviceRect(const CordRect& d)
{
    const QPointF a = CordToDeviceF({d.x1, d.y2}), b = CordToDeviceF({d.x2, d.y1});
    const double x1 = std::nearbyint(std::min(a.x(), b.x())), x2 = std::nearbyint(std::max(a.x(), b.x()));
    const double y1 = std::nearbyint(std::min(a.y(), b.y())), y2 = std::nearbyint(std::max(a.y(), b.y()));
    const auto clamp = [](double v) { return int(std::clamp(v, -1e9, 1e9)); };
    return QRect(QPoint(clamp(x1), clamp(y1)), QPoint(clamp(x2) - 1, clamp(y2) - 1));
}

// One EPS colour pass: the colour line before the first object of the colour, then every
// object of it within ClipRect whose symbol is not hidden.
void EpsColourPass(bool overprint, uint32_t cmyk)
{
    const int kind = Graph.OutputColorMode;
    bool first = true;
    StartElementScan(1);
    while (!AbortRequested && NextElementInRect(Graph.ClipRect, Graph.CurrentColor)) {
        SymbolBytes* rec = nullptr;
        if (GetSymbol(Index.CurIndex.Symbol, rec) && rec
            && (SymU8(*rec, SymStatus) & SymbolStatusMask) < 2
            && ReadElement(Index.CurIndexNo, DrawElement)) {
            if (first) {
                first = false;
                Graph.OutputCmyk = cmyk;
                if (kind == CompositeColors || kind == 3) {
                    Line(overprint ? "1 O" : "0 O");
                    Line(CmykText(cmyk) + QStringLiteral(" cmyk"));
                } else {
                    Line(QString::number(cmyk >> 24 & 0xFF) + QStringLiteral(" gray"));
                }
            }
            DrawSymbol = rec->data();
            DrawObjectByType();
        }
        PollExportEscape();
    }
}

// The shown raster templates (and the map blended with them) as runs of one colour, band by
// band, in raster pixels.
void RasterPass()
{
    const CordRect d = Scale.DrawRect;
    const Cord origin = Scale.ViewOrigin;
    const double sx = Scale.ViewScaleX, sy = Scale.ViewScaleY;
    const int flatten = Scale.FlattenTolerance;
    const CordRect clip = Graph.ClipRect;
    if (!Graph.PsPassThrough) {
        Line(QStringLiteral("gsave ") + QString::fromStdString(FormatPsPoint({d.x1, d.y2}))
             + QStringLiteral("translate"));
        Line(QStringLiteral("2540 %1 div dup neg scale").arg(Eps.Resolution));
        Scale.ViewOrigin = {d.x1, d.y2};
        Scale.ViewScaleX = Eps.Resolution / 2540.0 / 256;
        Scale.ViewScaleY = -Scale.ViewScaleX;
    } else {
        int divisor = 1;
        while (PrintSys.LOGPIXELSX / divisor > 1000)
            divisor *= 2;
        Line(QStringLiteral("gsave %1 dup scale").arg(divisor));
        Scale.ViewScaleX /= divisor;
        Scale.ViewScaleY /= divisor;
    }
    Scale.FlattenTolerance = std::max(1, SafeRound(4 / std::abs(Scale.ViewScaleX) / 256));
    const QRect device = DeviceRect(d);
    RenderBand(0, false);
    const int bandHeight = Half(TemplateDraw.BandHeight), bandWidth = Half(TemplateDraw.BandWidth);
    for (int top = device.top(); top <= device.bottom() && !AbortRequested; top += bandHeight)
        for (int left = device.left(); left <= device.right() && !AbortRequested; left += bandWidth) {
            const QRect band(left, top, std::min(bandWidth, device.right() + 1 - left),
                             std::min(bandHeight, device.bottom() + 1 - top));
            if (Graph.OutputColorMode == CompositeColors)
                Line("1 O");
            if (DrawTemplates(band, false, 0, PollExportEscape, true))
                EpsBlt(band);
            ++Eps.BandCounter;
            UpdateProgress(Eps.BandCounter, Eps.BandCounter);
        }
    Line("grestore");
    Scale.ViewOrigin = origin;
    Scale.ViewScaleX = sx;
    Scale.ViewScaleY = sy;
    Scale.FlattenTolerance = flatten;
    Graph.ClipRect = clip;
}

// The map templates drawn as vectors after the band, last first, each with its dim.
void MapTemplatePasses()
{
    DrawShownMapTemplates(true, DrawEpsColours);
}

void WriteContent()
{
    PrepareTemplateDrawing(true);
    const TemplateDrawState& t = TemplateDraw;
    if (t.RasterFirst) {
        RasterPass();
    } else {
        Eps.BandCounter += CountEpsBands();
        UpdateProgress(Eps.BandCounter, Eps.BandCounter);
    }
    const bool mapTemplates = t.MapTemplatesAfter, ownObjects = t.MapDrawnSeparately;
    BeginDrawing(false);
    struct EndAtExit {
        ~EndAtExit() { EndDrawing(); }
    } end;
    if (mapTemplates)
        MapTemplatePasses();
    if (ownObjects && !AbortRequested)
        DrawEpsColours(0);
}

const ExportFormat& EpsFormat()
{
    static const ExportFormat f{QStringLiteral(".eps"), TextKey::ExportEps, {}, TextKey::EpsFiles,
                                QStringLiteral(" (*.eps)|*.eps|"), QStringLiteral("eps"),
                                EpsSaveHelpContext};
    return f;
}

} // namespace

void ResetExpEpsUnit()
{
    Eps = ExpEpsState{};
}

QStringList EpsPrologLines()
{
    return {
        QStringLiteral("/ndf{1 index where{pop pop pop}"),
        QStringLiteral("  {dup xcheck{bind}if def}ifelse}bind def"),
        QStringLiteral("/ccmyk{dup 5 -1 roll sub dup 0 lt{pop 0}if exch}ndf"),
        QStringLiteral("/setcmykcolor{1 exch sub ccmyk ccmyk ccmyk pop setrgbcolor}ndf"),
        QStringLiteral("/setoverprint{pop}ndf"),
        QStringLiteral("/m /moveto load def"),
        QStringLiteral("/rm /rmoveto load def"),
        QStringLiteral("/l /rlineto load def"),
        QStringLiteral("/c /rcurveto load def"),
        QStringLiteral("/w /setlinewidth load def"),
        QStringLiteral("/j /setlinejoin load def"),
        QStringLiteral("/J /setlinecap load def"),
        QStringLiteral("/S /stroke load def"),
        QStringLiteral("/s {closepath stroke} bind def"),
        QStringLiteral("/n /newpath load def"),
        QStringLiteral("/cp /closepath load def"),
        // A fill or clip that fails (a limitcheck on a long path) is tried again with a coarser
        // flatness; once the flatness no longer grows, it is dropped instead of tried forever.
        QStringLiteral("/f {gsave{{eofill}stopped{currentflat dup 1 add setflat"),
        QStringLiteral("  currentflat eq{exit}if}{exit}ifelse}loop grestore n} bind def"),
        QStringLiteral("/gray {200 exch sub 200 div setgray} bind def"),
        QStringLiteral("/cmyk {4 1 roll 200 div 4 1 roll 200 div"),
        QStringLiteral("       4 1 roll 200 div 4 1 roll 200 div"),
        QStringLiteral("       setcmykcolor} bind def"),
        QStringLiteral("/rg {gray 3 1 roll m 0 1 l 0 l 0 -1 l fill} bind def"),
        QStringLiteral("/r {cmyk 3 1 roll m 0 1 l 0 l 0 -1 l fill} bind def"),
        QStringLiteral("/O {0 ne setoverprint} bind def"),
        QStringLiteral("/cl {gsave{{eoclip}stopped{currentflat dup 1 add setflat"),
        QStringLiteral("  currentflat eq{exit}if}{exit}ifelse}loop n} bind def"),
        QStringLiteral("/re {grestore n} bind def"),
        QStringLiteral("/d {n 0 360 arc f} bind def"),
        QStringLiteral("/ci {n 0 360 arc s} bind def"),
        QStringLiteral("/dts {{2 index 2 index d} for pop pop} bind def"),
        QStringLiteral("/rt {gsave translate 10 div rotate} bind def"),
    };
}

int CountEpsBands()
{
    FreeTemplateBitmaps();
    RenderBand(0, false);
    const CordRect& d = Scale.DrawRect;
    const double k = Eps.Resolution / 2540.0 / 256;
    const double w = std::nearbyint(d.x2 * k - d.x1 * k), h = std::nearbyint(d.y2 * k - d.y1 * k);
    const int bw = std::max(1, TemplateDraw.BandWidth / 2), bh = std::max(1, TemplateDraw.BandHeight / 2);
    const double n = std::ceil(std::max(w, 0.0) / bw) * std::ceil(std::max(h, 0.0) / bh);
    return int(std::clamp(n, 0.0, 1e9));
}

void EpsBlt(const QRect& band)
{
    const int kind = Graph.OutputColorMode;
    if (kind != CompositeColors && kind != SpotSeparations)
        return;
    const QImage& image = BandImage(0);
    const int width = std::min(band.width(), image.width());
    const int rows = std::min(band.height(), image.height());
    const bool keepWhite = Graph.PsPassThrough;
    for (int r = 0; r < rows && !AbortRequested; ++r) {
        const uint8_t* p = image.constScanLine(r);
        // Runs of one colour; the row ends at its last pixel, nothing is read beyond it.
        for (int x = 0; x < width;) {
            const uint8_t* first = p + 3 * x;
            int end = x + 1;
            while (end < width && std::equal(first, first + 3, p + 3 * end))
                ++end;
            const bool white = first[0] == 255 && first[1] == 255 && first[2] == 255;
            if (!white || keepWhite) {
                const uint32_t rgb = uint32_t(first[2]) | uint32_t(first[1]) << 8 | uint32_t(first[0]) << 16;
                const uint32_t cmyk = RgbToCmyk(rgb);
                const QString at = QStringLiteral("%1 %2 %3 ").arg(band.left() + x).arg(band.top() + r).arg(end - x);
                if (kind == CompositeColors)
                    Line(at + CmykText(cmyk) + QStringLiteral(" r"));
                else
                    Line(at + QString::number(cmyk >> 24 & 0xFF) + QStringLiteral(" rg"));
            }
            x = end;
        }
        PollExportEscape();
    }
}

void DrawEpsColours(int dim)
{
    ExportPatternNames.Names.clear();
    const TZmd& z = *Index.ActiveZmd;
    const int kind = Graph.OutputColorMode;
    const int sep = Eps.CurrentSeparation;
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
        const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
        if (!z.UsedColors.test(c.Number))
            continue;
        uint32_t cmyk = 0;
        if (kind == CompositeColors || kind == 3) {
            cmyk = PackCmyk(c.Cmyk);
        } else if (kind == SpotSeparations) {
            if (sep < 0 || sep >= MaxSeparations || c.Separations[size_t(sep)] > 200)
                continue;
            cmyk = uint32_t(c.Separations[size_t(sep)]) << 24;
        } else if (kind == 4) {
            cmyk = 200u << 24;
        }
        if (dim >= 1 && dim <= 100)
            cmyk = ScaledCmyk(cmyk, (100 - dim) / 100.0);
        if (Graph.OutputIntensity < 100)
            cmyk = ScaledCmyk(cmyk, Graph.OutputIntensity / 100.0);
        Graph.CurrentColor = c.Number;
        EpsColourPass(c.Overprint != 0, cmyk);
    }
}

bool WriteEps(const QString& title, bool drawGrid)
{
    const CordRect d = Scale.DrawRect;
    const bool pass = Graph.PsPassThrough;
    const int kind = Graph.OutputColorMode;
    const double ratio = ExportRatio();
    const double w = ratio * ((double(d.x2) - d.x1) / 256 / 2540 * 72);
    const double h = ratio * ((double(d.y2) - d.y1) / 256 / 2540 * 72);
    Line("%!PS-Adobe-3.0 EPSF-2.0");
    Line(QStringLiteral("%%Creator: ZEMO ") + VersionString);
    Line(QStringLiteral("%%Title: ") + SafeCommentText(title));
    Line(QStringLiteral("%%BoundingBox: 0 0 ") + Int(w) + u' ' + Int(h));
    if (!pass)
        Line(QStringLiteral("%%HiResBoundingBox: 0 0 ") + FloatToPointStr(4, w) + u' '
             + FloatToPointStr(4, h));
    Line(kind == CompositeColors ? "%%DocumentProcessColors: Cyan Magenta Yellow Black"
                                 : "%%DocumentProcessColors: Black");
    Line("%%EndComments");
    for (const QString& l : EpsPrologLines())
        Line(l);
    if (!pass)
        Line(Int(ratio * 10000) + QStringLiteral(" 10000 div 72 mul 2540 div dup scale"));
    else
        Line("gsave");
    const auto corner = [](int32_t x, int32_t y, const char* word) {
        Line(FormatPsPoint({x, y}) + word);
    };
    const CordRect& c = Graph.ClipRect;
    corner(c.x1, c.y1, "m");
    corner(c.x2, c.y1, "lineto");
    corner(c.x2, c.y2, "lineto");
    corner(c.x1, c.y2, "lineto eoclip n");
    Line("0 w 0 J 1 j");
    const TZmd* z = Index.ActiveZmd;
    const int sep = Eps.CurrentSeparation;
    if (kind == SpotSeparations && !pass && z && sep >= 0 && sep < SeparationCount(*z)) {
        const SeparationRecord& r = z->ColorBlock.Separations[size_t(sep)];
        const int frequency = r.Screen == 0 ? 1500 : r.Screen;
        Line(QStringLiteral("currentscreen 3 1 roll pop %1 10 div 3 1 roll pop %2 10 div 3 1 roll setscreen")
                 .arg(r.Screen2)
                 .arg(frequency));
    }
    WriteContent();
    if (drawGrid && Stp())
        DrawPrintGrid(*Stp(), Graph.ClipRect);
    Line(pass ? "grestore" : "showpage");
    Line("%%Trailer");
    Line("%%EOF");
    return !AbortRequested;
}

bool ExportEpsFile(const QString& proposed, bool ask, bool partial)
{
    QString name = proposed;
    if (ask) {
        const ExportFormat& f = EpsFormat();
        if (!ExecSaveDialog(ExportTitle(f), ExportFilter(f), f.DefaultExt, f.HelpContext, name))
            return false;
        SetExportFolder(name);
    }
    CordRect r;
    if (!ExportExtent(partial, r))
        r = {};
    SavedOutputState saved;
    Scale.DrawRect = r;
    Scale.ViewOrigin = {r.x1, r.y1};
    Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256;
    Scale.FlattenTolerance = 4;
    Graph.ClipRect = r;
    AbortRequested = false;
    ExportFile file;
    if (!file.Begin(name))
        return false;
    Graph.OutputFile = &file;
    Graph.PsPassThrough = false;
    Eps.BandCounter = 0;
    bool written = false;
    {
        ScopedProgress progress(TextKey::Exporting, TextKey::Count, CountEpsBands(), 1);
        SetOutputAdjust(100, 100, false);
        Graph.OutputMode = PostScriptOutput;
        try {
            written = WriteEps(ExtractFileName(name), false);
        } catch (const EAbort&) {
            return false;
        }
    }
    if (!written) {
        file.Abandon();
        ErrorMsg(TextKey::PrintUserAbort, {}, PrintUserAbortHelpContext);
        return false;
    }
    return file.Commit();
}

EpsOptions EpsDialogOptions()
{
    EpsOptions o;
    const TZmd& z = *Index.ActiveZmd;
    const int seps = SeparationCount(z);
    for (int i = 0; i < seps; ++i)
        o.SeparationNames << NameFieldText(z.ColorBlock.Separations[size_t(i)].Name);
    o.Selected = Eps.Selected;
    o.Selected.resize(size_t(seps), false);
    o.Separations = Eps.Separations && seps > 0;
    o.Partial = Eps.Partial;
    o.Resolution = GetParamInt(SettingsOf(z, EpsSettingsType), u'r', DefaultEpsResolution);
    o.MapScale = z.Setup.MapScale;
    o.ExportScale = z.Setup.PrintScale > 0 ? z.Setup.PrintScale : z.Setup.MapScale;
    return o;
}

void SaveEpsOptions(const EpsOptions& o)
{
    Eps.Separations = o.Separations;
    Eps.Selected = o.Selected;
    Eps.Partial = o.Partial;
    if (!Index.ActiveZmd)
        return;
    const EpsOptions shown = EpsDialogOptions();
    // The map keeps what it holds unless the user changed it.
    if (o.Resolution != shown.Resolution)
        SaveTypedPString(IntParamStr(u'r', o.Resolution), EpsSettingsType);
    if (const SetupRecord* s = Stp(); s && o.ExportScale != shown.ExportScale) {
        SetupRecord edited = *s;
        edited.PrintScale = o.ExportScale;
        StoreSetup(edited);
    }
}

void ExportEps()
{
    if (!Index.ActiveZmd)
        return;
    EpsOptions o = EpsDialogOptions();
    if (!IoPorts().RunEpsDialog(o))
        return;
    SaveEpsOptions(o);
    if (!ConfirmHiddenSymbols())
        return;
    Eps.Resolution = std::clamp(o.Resolution, MinEpsResolution, MaxEpsResolution);
    const QString proposed = GetExportFileName(QStringLiteral(".eps"));
    SavedOutputState saved;
    if (!o.Separations) {
        Graph.OutputColorMode = CompositeColors;
        Eps.CurrentSeparation = -1;
        ExportEpsFile(proposed, true, o.Partial);
        return;
    }
    const QString folder = ExtractFileDir(proposed);
    for (int i = 0; i < int(o.SeparationNames.size()) && i < int(o.Selected.size()); ++i) {
        const QString& sepName = o.SeparationNames[i];
        if (!o.Selected[size_t(i)] || sepName.isEmpty())
            continue;
        Graph.OutputColorMode = SpotSeparations;
        Graph.OutputSeparations = 1u << i;
        Eps.CurrentSeparation = i;
        const QString name = folder + u'/' + SafeFileNamePart(sepName) + QStringLiteral(".eps");
        if (!ExportEpsFile(name, true, o.Partial))
            break;
    }
    Eps.CurrentSeparation = -1;
}

} // namespace zemo
