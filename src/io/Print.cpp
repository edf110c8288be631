#include "io/Print.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "edit/Work.h"
#include "io/ExpEps.h"
#include "io/Export.h"
#include "io/Ports.h"
#include "io/PrintSys.h"
#include "platform/Device.h"
#include "render/GraphSys.h"
#include "render/Grid.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "symbols/Colors.h"
#include "symbols/SymbolMenu.h"
#include "symbols/store/SymbolLayout.h"

#include <QRegion>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace zemo {

PrintState Prt;

namespace {

constexpr double MaxScaleFactor = 10;

int SeparationCount(const TZmd& z)
{
    return std::clamp<int>(z.ColorBlock.SeparationCount, 0, MaxSeparations);
}

QString PrintSettings(const TZmd& z)
{
    const int slot = MapSettingsSlot(PrintSettingsType);
    return slot >= 0 ? z.MapSettings[size_t(slot)] : QString();
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

double PrintRatio()
{
    const SetupRecord* s = Stp();
    return s ? PrintRatioOf(*s) : 1;
}

bool Touches(const CordRect& a, const CordRect& b)
{
    return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}

CordRect Intersection(const CordRect& a, const CordRect& b)
{
    return {std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
}

int32_t Shifted(double mm100)
{
    return SafeRound(double(SafeRound(mm100)) * 256);
}

// The device rectangle of the clip at the page's transform: normalised, negative edges at 0.
QRect ClipDeviceRect()
{
    const CordRect& c = Graph.ClipRect;
    const QPointF a = CordToDeviceF({c.x1, c.y2}), b = CordToDeviceF({c.x2, c.y1});
    const auto at = [](double v) { return int(std::clamp(std::nearbyint(v), 0.0, 1e9)); };
    const int x1 = at(std::min(a.x(), b.x())), x2 = at(std::max(a.x(), b.x()));
    const int y1 = at(std::min(a.y(), b.y())), y2 = at(std::max(a.y(), b.y()));
    return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
}

// Esc is polled between objects and bands. An event handled meanwhile (a map window shown or
// resized) sets the process-wide view transform for the screen: the page's is put back.
void PollKeepingPage()
{
    SavedOutputState page;
    PollEscape();
}

int TemplateDivisor()
{
    int divisor = 1;
    while (PrintSys.LOGPIXELSX / divisor > MaxTemplatePrintDpi)
        divisor *= 2;
    return divisor;
}

// The templates of the page as bands at no more than 1000 dpi, copied onto the page.
void RasterBands(const QRect& device)
{
    const double sx = Scale.ViewScaleX, sy = Scale.ViewScaleY;
    const int flatten = Scale.FlattenTolerance;
    const int divisor = TemplateDivisor();
    Scale.ViewScaleX = sx / divisor;
    Scale.ViewScaleY = sy / divisor;
    Scale.FlattenTolerance = std::max(1, SafeRound(4 / std::abs(Scale.ViewScaleX) / 256));
    const QRect r(device.left() / divisor, device.top() / divisor,
                  std::max(1, device.width() / divisor), std::max(1, device.height() / divisor));
    RenderBand(0, false);
    const int bw = std::max(1, (TemplateDraw.BandWidth + 1) / 2);
    const int bh = std::max(1, (TemplateDraw.BandHeight + 1) / 2);
    for (int top = r.top(); top <= r.bottom() && !AbortRequested; top += bh)
        for (int left = r.left(); left <= r.right() && !AbortRequested; left += bw) {
            const QRect band(left, top, std::min(bw, r.right() + 1 - left), std::min(bh, r.bottom() + 1 - top));
            DrawTemplates(band, false, divisor, PollKeepingPage, true);
            ++Prt.BandCounter;
            UpdateProgress(Prt.BandCounter, Prt.BandCounter);
        }
    Scale.ViewScaleX = sx;
    Scale.ViewScaleY = sy;
    Scale.FlattenTolerance = flatten;
}

// The shown map templates of the current map, each with its own dim.
void MapTemplates()
{
    DrawShownMapTemplates(false, DrawMapColours);
}

void DrawPageOnDevice(Device& dc, int lineWidth)
{
    Graph.OutputMode = PrinterOutput;
    Graph.OutputDC = &dc;
    // The band takes the intensity as it is copied; the vectors take it in DrawMapColours, so
    // that pens and brushes alike get it once.
    SetOutputAdjust(lineWidth, Prt.Intensity, false);
    PrepareTemplateDrawing(true);
    const QRect device = ClipDeviceRect();
    if (TemplateDraw.RasterFirst && !device.isEmpty())
        RasterBands(device);
    const bool mapTemplates = TemplateDraw.MapTemplatesAfter, ownObjects = TemplateDraw.MapDrawnSeparately;
    Graph.OutputIntensity = 100;
    BeginDrawing(false);
    struct EndAtExit {
        Device& dc;
        ~EndAtExit()
        {
            dc.clearBaseClip();
            EndDrawing();
        }
    } end{dc};
    dc.setBaseClip(QRegion(device));
    if (mapTemplates && !AbortRequested)
        MapTemplates();
    if (ownObjects && !AbortRequested)
        DrawMapColours(0);
    if (Prt.Grid && !AbortRequested && Stp())
        DrawPrintGrid(*Stp(), Graph.ClipRect);
}

void DrawPageAsPostScript(OutputSink& stream, int lineWidth)
{
    PassThroughFrames frames(stream);
    SetOutputAdjust(lineWidth, Prt.Intensity, false);
    Graph.OutputMode = PostScriptOutput;
    Graph.PsPassThrough = true;
    Graph.PsPassThroughTarget = &frames;
    Scale.DrawRect = Graph.ClipRect;
    Eps.CurrentSeparation = Prt.CurrentSeparation;
    struct Detach {
        ~Detach() { Graph.PsPassThroughTarget = nullptr; }
    } detach;
    WriteEps(QStringLiteral("ZEMO Eps_PassThrough"), Prt.Grid);
}

QString DocumentName(const QString& separation)
{
    const QString path = CurrentMapPath();
    QString base;
    if (path.isEmpty()) {
        base = GetProgramFolder() + u'/' + Text(TextKey::Untitled);
    } else {
        const QString name = ExtractFileName(path);
        const qsizetype dot = name.lastIndexOf(u'.');
        base = path.left(path.size() - name.size()) + (dot > 0 ? name.left(dot) : name);
    }
    if (!separation.isEmpty())
        return ExtractFileDir(base) + u'/' + SafeFileNamePart(separation) + QStringLiteral(".prn");
    return base + QStringLiteral(".zmd");
}

} // namespace

void ResetPrintUnit()
{
    Prt = PrintState{};
}

bool PrintScaleAllowed(double mapScale, double printScale)
{
    return std::isfinite(printScale) && printScale >= mapScale / MaxScaleFactor
           && printScale <= mapScale * MaxScaleFactor;
}

double ShownPrintScale(const SetupRecord& s)
{
    return s.PrintScale > 0 ? s.PrintScale : s.MapScale;
}

int ShownIntensity(const SetupRecord& s)
{
    return InRange(s.PrintIntensity, MinPrintIntensity, MaxPrintIntensity) ? s.PrintIntensity : 100;
}

int ShownLineWidth(const SetupRecord& s)
{
    return InRange(s.PrintLineWidth, MinPrintLineWidth, MaxPrintLineWidth) ? s.PrintLineWidth : 100;
}

int ShownPrintRange(const QString& settings)
{
    const int range = GetParamInt(settings, u'r', EntireMapRange);
    return InRange(range, EntireMapRange, OnePageRange) ? range : EntireMapRange;
}

PrintOptions PrintDialogOptions()
{
    PrintOptions o;
    TZmd& z = *Index.ActiveZmd;
    o.Printers = PrinterList();
    o.Printer = OpeningPrinterIndex(ProgramConfig.PrintPrinter);
    const int seps = SeparationCount(z);
    for (int i = 0; i < seps; ++i)
        o.SeparationNames << NameFieldText(z.ColorBlock.Separations[size_t(i)].Name);
    o.Selected.assign(size_t(seps), false);
    if (seps > 0)
        o.Selected[0] = true;
    o.Separations = Prt.Separations && seps > 0;
    o.Range = ShownPrintRange(PrintSettings(z));
    const SetupRecord& s = z.Setup;
    o.MapScale = s.MapScale;
    o.PrintScale = ShownPrintScale(s);
    o.Copies = std::clamp(Prt.Copies, MinPrintCopies, MaxPrintCopies);
    o.ToFile = Prt.ToFile;
    o.Intensity = ShownIntensity(s);
    o.LineWidth = ShownLineWidth(s);
    o.Grid = s.PrintGrid;
    o.GridColor = s.PrintGridColor;
    return o;
}

bool StorePrintSetup(double printScale, int intensity, int lineWidth, bool grid, int gridColor)
{
    const SetupRecord* current = Stp();
    if (!current)
        return false;
    SetupRecord s = *current;
    if (printScale != ShownPrintScale(s))
        s.PrintScale = printScale;
    if (intensity != ShownIntensity(s))
        s.PrintIntensity = int16_t(std::clamp(intensity, MinPrintIntensity, MaxPrintIntensity));
    if (lineWidth != ShownLineWidth(s))
        s.PrintLineWidth = int16_t(std::clamp(lineWidth, MinPrintLineWidth, MaxPrintLineWidth));
    s.PrintGrid = grid;
    s.PrintGridColor = int16_t(gridColor);
    return StoreSetup(s);
}

void StorePrintRange(int range)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    // Course printing keeps its own fields in the same string.
    QString settings = PrintSettings(*z);
    if (range == ShownPrintRange(settings))
        return;
    SetParam(settings, u'r', QString::number(range));
    SaveTypedPString(settings, PrintSettingsType);
}

void SavePrintOptions(const PrintOptions& o)
{
    Prt.Copies = o.Copies;
    Prt.ToFile = o.ToFile;
    Prt.Separations = o.Separations;
    Prt.Selected = o.Selected;
    if (!Index.ActiveZmd)
        return;
    StorePrintSetup(o.PrintScale, o.Intensity, o.LineWidth, o.Grid, o.GridColor);
    StorePrintRange(o.Range);
    if (o.Printer >= 0 && o.Printer < o.Printers.size()) {
        ProgramConfig.PrintPrinter = o.Printers[o.Printer];
        WriteConfig();
    }
}

namespace {

// Once the command is over: the tool it ended starts again and sets its own text first.
void SayPrintStopped()
{
    QTimer::singleShot(0, [] { SetStatusText(Text(TextKey::PrintUserAbort)); });
}

} // namespace

void ShowPrintDialog()
{
    if (!Index.ActiveZmd)
        return;
    PrintOptions o = PrintDialogOptions();
    bool chosen = false;
    {
        const PaintsBehindDialog painted;
        chosen = IoPorts().RunPrintDialog(o);
    }
    if (!chosen)
        return;
    PrintJobs(o);
}

void PrintJobs(const PrintOptions& o)
{
    if (!Index.ActiveZmd)
        return;
    if (!ConfirmHiddenSymbols()) {
        SayPrintStopped();
        return;
    }
    SavedOutputState saved;
    Device* const dc = Graph.OutputDC;
    struct Restore {
        Device* dc;
        ~Restore()
        {
            Graph.OutputDC = dc;
            Eps.CurrentSeparation = -1;
            Prt.CurrentSeparation = -1;
        }
    } restore{dc};
    AbortRequested = false;
    Prt.Intensity = std::clamp(o.Intensity, MinPrintIntensity, MaxPrintIntensity);
    Prt.Grid = o.Grid;
    if (!o.Separations) {
        Graph.OutputColorMode = CompositeColors;
        Prt.CurrentSeparation = -1;
        PrintMap(QString(), o);
        return;
    }
    for (int i = 0; i < int(o.SeparationNames.size()) && i < int(o.Selected.size()) && i < MaxSeparations; ++i) {
        const QString& name = o.SeparationNames[i];
        if (!o.Selected[size_t(i)] || name.isEmpty())
            continue;
        Graph.OutputColorMode = SpotSeparations;
        Graph.OutputSeparations = 1u << i;
        Prt.CurrentSeparation = i;
        if (!PrintMap(name, o))
            break;
    }
}

bool PrintMap(const QString& separationName, const PrintOptions& o)
{
    int copies = std::clamp(o.Copies, MinPrintCopies, MaxPrintCopies);
    if (!StartPrintJob(o.Printer, DocumentName(separationName), o.ToFile, copies))
        return false;
    bool ok = true;
    try {
        CountPrintBands();
        Prt.BandCounter = 0;
        const double ratio = PrintRatio();
        const SetupRecord& s = *Stp();
        if (o.Range == OnePageRange) {
            const Cord centre{SafeRound(double(s.PrintRange.x1) + Shifted(PrintSys.HORZSIZE * 50 / ratio)),
                              SafeRound(double(s.PrintRange.y1) + Shifted(PrintSys.VERTSIZE * 50 / ratio))};
            ok = PrintOnePageAt(centre, PrintSys.LOGPIXELSX * ratio / 2540 / 256,
                                -(PrintSys.LOGPIXELSY * ratio / 2540 / 256), copies);
        } else {
            ok = PrintRectPages(o.Range == PartialMapRange, copies);
        }
    } catch (...) {
        AbortRequested = true;
        EndPrintJob();
        throw;
    }
    // Esc set the flag; a failed page was reported on its own.
    const bool stopped = !ok && AbortRequested;
    if (!ok)
        AbortRequested = true;
    EndPrintJob();
    if (stopped)
        SayPrintStopped();
    return ok;
}

bool PrintOnePageAt(Cord centre, double scaleX, double scaleY, int copies)
{
    ScopedProgress progress(TextKey::Printing, TextKey::Count, Prt.BandsPerPage * copies, 1);
    Scale.ViewScaleX = scaleX;
    Scale.ViewScaleY = scaleY;
    if (!GetFullExtent(Prt.PrintRect))
        Prt.PrintRect = {1, 1, 0, 0};
    bool ok = true;
    for (int c = 0; c < copies && ok; ++c)
        ok = PrintPage(centre);
    return ok;
}

bool PrintRectPages(bool partial, int copies)
{
    CordRect r = Stp()->PrintRange;
    if (partial)
        NormalizeRect(r);
    else if (!GetFullExtent(r))
        r = {1, 1, 0, 0};
    Prt.PrintRect = r;
    ComputePrintPages();
    const double total = double(copies) * Prt.Across * Prt.Down * Prt.BandsPerPage;
    ScopedProgress progress(TextKey::Printing, TextKey::Count, int(std::min(total, 1e9)), 1);
    Scale.ViewScaleX = Prt.PageScaleX / 256;
    Scale.ViewScaleY = -(Prt.PageScaleY / 256);
    return ForEachPrintPage(CurrentPrintLayout(), PrintRectCentre(r), copies, PrintPage);
}

double PrintRatioOf(const SetupRecord& s)
{
    if (s.PrintScale > 0 && s.MapScale > 0 && std::isfinite(s.MapScale / s.PrintScale))
        return s.MapScale / s.PrintScale;
    return 1;
}

PrintPageLayout LayOutPrintPages(double ratio, int dpiX, int dpiY, int horzMm, int vertMm, int overlapX,
                                 int overlapY, const CordRect& r)
{
    PrintPageLayout l;
    l.Ratio = ratio;
    l.PageScaleX = dpiX * ratio / 2540;
    l.PageScaleY = dpiY * ratio / 2540;
    l.PageWidth = std::clamp(SafeRound(horzMm * 100 / ratio), 0, MaxPrintPageSize);
    l.PageHeight = std::clamp(SafeRound(vertMm * 100 / ratio), 0, MaxPrintPageSize);
    // An overlap read from the map is never negative nor more than half a page.
    l.OverlapX = std::clamp(SafeRound(overlapX / ratio), 0, l.PageWidth / 2);
    l.OverlapY = std::clamp(SafeRound(overlapY / ratio), 0, l.PageHeight / 2);
    const auto count = [](int64_t extent, int page, int overlap) {
        const int64_t wanted = extent / 256 - 50;
        int n = 1;
        if (page - overlap <= 0)
            return n;
        while (int64_t(n) * page - int64_t(n - 1) * overlap < wanted)
            ++n;
        return n;
    };
    l.Across = count(int64_t(r.x2) - r.x1, l.PageWidth, l.OverlapX);
    l.Down = count(int64_t(r.y2) - r.y1, l.PageHeight, l.OverlapY);
    return l;
}

Cord PageCentreOf(const PrintPageLayout& l, Cord centre, int col, int row)
{
    const double stepX = double(l.PageWidth - l.OverlapX) * (2 * col - l.Across + 1) * 128;
    const double stepY = double(l.PageHeight - l.OverlapY) * (2 * row - l.Down + 1) * 128;
    return {SafeRound(centre.x + stepX), SafeRound(centre.y - stepY)};
}

bool ForEachPrintPage(const PrintPageLayout& l, Cord centre, int copies, const std::function<bool(Cord)>& visit)
{
    for (int c = 0; c < copies; ++c)
        for (int i = 0; i < l.Across; ++i)
            for (int j = 0; j < l.Down; ++j)
                if (!visit(PageCentreOf(l, centre, i, j)))
                    return false;
    return true;
}

Cord PrintRectCentre(const CordRect& r)
{
    return {int32_t((int64_t(r.x1) + r.x2) / 2), int32_t((int64_t(r.y1) + r.y2) / 2)};
}

void ComputePrintPages()
{
    const SetupRecord* s = Stp();
    const PrintPageLayout l = LayOutPrintPages(PrintRatio(), PrintSys.LOGPIXELSX, PrintSys.LOGPIXELSY, PrintSys.HORZSIZE,
                                               PrintSys.VERTSIZE, s ? s->PrintOverlapX : 0, s ? s->PrintOverlapY : 0,
                                               Prt.PrintRect);
    Prt.Ratio = l.Ratio;
    Prt.PageScaleX = l.PageScaleX;
    Prt.PageScaleY = l.PageScaleY;
    Prt.PageWidth = l.PageWidth;
    Prt.PageHeight = l.PageHeight;
    Prt.OverlapX = l.OverlapX;
    Prt.OverlapY = l.OverlapY;
    Prt.Across = l.Across;
    Prt.Down = l.Down;
}

void CountPrintBands()
{
    RenderBand(0, false);
    const int divisor = TemplateDivisor();
    const double w = PrintSys.HORZSIZE / 25.4 * PrintSys.LOGPIXELSX / divisor;
    const double h = PrintSys.VERTSIZE / 25.4 * PrintSys.LOGPIXELSY / divisor;
    const int bw = std::max(1, (TemplateDraw.BandWidth + 1) / 2), bh = std::max(1, (TemplateDraw.BandHeight + 1) / 2);
    const double n = std::ceil(std::max(w, 0.0) / bw) * std::ceil(std::max(h, 0.0) / bh);
    Prt.BandsPerPage = int(std::clamp(n, 0.0, 1e6));
}

PrintPageLayout CurrentPrintLayout()
{
    PrintPageLayout l;
    l.Ratio = Prt.Ratio;
    l.PageScaleX = Prt.PageScaleX;
    l.PageScaleY = Prt.PageScaleY;
    l.PageWidth = Prt.PageWidth;
    l.PageHeight = Prt.PageHeight;
    l.OverlapX = Prt.OverlapX;
    l.OverlapY = Prt.OverlapY;
    l.Across = Prt.Across;
    l.Down = Prt.Down;
    return l;
}

Cord PrintPageCentre(Cord centre, int i, int j)
{
    return PageCentreOf(CurrentPrintLayout(), centre, i, j);
}

bool PrintPage(Cord centre)
{
    const double vx = Scale.ViewScaleX, vy = Scale.ViewScaleY;
    if (vx == 0 || vy == 0 || !std::isfinite(vx) || !std::isfinite(vy))
        return false;
    const int32_t hw = SafeRound(PrintSys.HORZSIZE / 25.4 * PrintSys.LOGPIXELSX / vx / 2) & ~0xFF;
    const int32_t hh = SafeRound(PrintSys.VERTSIZE / 25.4 * PrintSys.LOGPIXELSY / std::abs(vy) / 2) & ~0xFF;
    Scale.ViewOrigin = {SafeRound(double(centre.x) - hw), SafeRound(vy < 0 ? double(centre.y) + hh : double(centre.y) - hh)};
    Scale.FlattenTolerance = std::max(1, SafeRound(4 / vx / 256));
    const CordRect page{SafeRound(double(centre.x) - hw), SafeRound(double(centre.y) - hh),
                        SafeRound(double(centre.x) + hw), SafeRound(double(centre.y) + hh)};
    if (!Touches(page, Prt.PrintRect))
        return true;
    Device* dc = nullptr;
    OutputSink* stream = nullptr;
    if (!StartPage(dc, stream))
        return false;
    Graph.ClipRect = Intersection(page, Prt.PrintRect);
    const SetupRecord* s = Stp();
    const int lineWidth = s ? s->PrintLineWidth : 100;
    if (stream)
        DrawPageAsPostScript(*stream, lineWidth);
    else
        DrawPageOnDevice(*dc, lineWidth);
    const bool ended = EndPage();
    return ended && !AbortRequested;
}

void DrawMapColours(int dim)
{
    const TZmd& z = *Index.ActiveZmd;
    const int kind = Graph.OutputColorMode;
    const int sep = Prt.CurrentSeparation;
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
        const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
        uint32_t cmyk = 0;
        if (kind == SpotSeparations) {
            if (sep < 0 || sep >= MaxSeparations || c.Separations[size_t(sep)] > 200)
                continue;
            cmyk = uint32_t(c.Separations[size_t(sep)]) << 24;
        } else if (kind == OwnColorsBlack) {
            cmyk = 200u << 24;
        } else {
            cmyk = PackCmyk(c.Cmyk);
        }
        // The intensity lightens like a dim of its remainder, lines and fills alike.
        cmyk = DimmedCmyk(DimmedCmyk(cmyk, dim), 100 - Prt.Intensity);
        Graph.CurrentColor = c.Number;
        Graph.OutputCmyk = cmyk;
        bool drawn = false;
        DrawTemplateColorPass(PollKeepingPage, drawn);
    }
}

void PassThroughFrames::Write(QByteArrayView bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (remaining_ == 0) {
            header_.append(bytes[at++]);
            if (header_.size() == 2) {
                remaining_ = uint8_t(header_[0]) | uint8_t(header_[1]) << 8;
                header_.clear();
            }
            continue;
        }
        const qsizetype n = std::min<qsizetype>(remaining_, bytes.size() - at);
        target_.Write(bytes.sliced(at, n));
        at += n;
        remaining_ -= int(n);
    }
}

} // namespace zemo
