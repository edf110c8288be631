// Print: File > Print for ordinary maps. The print dialog's settings, the page layout (pages
// across and down with their overlap), the job loop over separations, copies and pages, and the
// drawing of one page: colour by colour on the printer's device, or on a PostScript printer as
// the EPS document body inside the job's page frame. Course printing reuses PrintPage,
// ComputePrintPages and CountPrintBands.
#pragma once

#include "core/Cord.h"
#include "core/Setup.h"
#include "render/GraphSys.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace zemo {

inline constexpr int PrintGeneralHelpContext = 196;
inline constexpr int PrintOptionsHelpContext = 12;
inline constexpr int PrintSettingsType = 1026;
inline constexpr int MinPrintCopies = 1;
inline constexpr int MaxPrintCopies = 9999;
inline constexpr int MinPrintIntensity = 10;
inline constexpr int MaxPrintIntensity = 100;
inline constexpr int MinPrintLineWidth = 10;
inline constexpr int MaxPrintLineWidth = 150;
inline constexpr int PrintPercentStep = 5;
// A page never covers more than 4 m of map paper (0.01 mm).
inline constexpr int MaxPrintPageSize = 400000;
// Templates are never rendered finer than this.
inline constexpr int MaxTemplatePrintDpi = 1000;

enum PrintRange : int { EntireMapRange = 0, PartialMapRange = 1, OnePageRange = 2 };

// What the print dialog shows and edits.
struct PrintOptions {
    QStringList Printers;
    int Printer = 0;
    bool Separations = false;
    QStringList SeparationNames;
    std::vector<bool> Selected;
    int Range = EntireMapRange;
    double MapScale = 0;
    double PrintScale = 0;
    int Copies = 1;
    bool ToFile = false;
    int Intensity = 100;
    int LineWidth = 100;
    bool Grid = false;
    int GridColor = 0;
};

// The page layout of the running job (ComputePrintPages, CountPrintBands).
struct PrintState {
    double Ratio = 1;              // map scale / print scale
    double PageScaleX = 0;         // device pixels per 0.01 mm of map paper
    double PageScaleY = 0;
    int PageWidth = 0;             // 0.01 mm of map paper
    int PageHeight = 0;
    int OverlapX = 0;
    int OverlapY = 0;
    int Across = 1;
    int Down = 1;
    int BandsPerPage = 0;
    int BandCounter = 0;
    CordRect PrintRect{};
    int Intensity = 100;           // applied once to every colour
    bool Grid = false;
    int CurrentSeparation = -1;
    // The dialog's choices that its show does not refill.
    int Copies = 1;
    bool ToFile = false;
    bool Separations = false;
    std::vector<bool> Selected;
};

extern PrintState Prt;

void ResetPrintUnit();

// The dialog's values for the current map; and on Close, Print and the Setup buttons its
// settings saved: only a value that differs from the one shown is written, so that a map
// whose print settings were only looked at or used stays unchanged.
PrintOptions PrintDialogOptions();
void SavePrintOptions(const PrintOptions& o);
// What both print dialogs show of the setup: the print scale (the map scale while none is
// set), intensity and line width (100 outside their bounds).
double ShownPrintScale(const SetupRecord& s);
int ShownIntensity(const SetupRecord& s);
int ShownLineWidth(const SetupRecord& s);
// The print fields both print dialogs keep in the current map's setup: each one that differs
// from what the dialog showed for it (intensity and line width within their bounds), written
// at once. True when the setup was written.
bool StorePrintSetup(double printScale, int intensity, int lineWidth, bool grid, int gridColor);
// The range of the print settings string as the dialog shows it (the entire map when it holds
// none of the three), and the string saved with another one.
int ShownPrintRange(const QString& settings);
void StorePrintRange(int range);
// The print scale lies within the map scale x 0.1 .. x 10.
bool PrintScaleAllowed(double mapScale, double printScale);

// File > Print: the dialog, then on Print the jobs.
void ShowPrintDialog();
// The Print button after saving: the hidden-symbol question, then one job per chosen
// separation or one for the colour map.
void PrintJobs(const PrintOptions& o);
// One print job (a separation's name, or empty); false when stopped or not started.
bool PrintMap(const QString& separationName, const PrintOptions& o);

// The pages of a print rectangle on a printer page: their size on map paper (0.01 mm), the
// overlaps and how many across and down.
struct PrintPageLayout {
    double Ratio = 1;
    double PageScaleX = 0;
    double PageScaleY = 0;
    int PageWidth = 0;
    int PageHeight = 0;
    int OverlapX = 0;
    int OverlapY = 0;
    int Across = 1;
    int Down = 1;
};
// The layout at a ratio (map scale / print scale) for a printer page (dots per inch, whole
// mm) and the setup's overlaps (0.01 mm on the sheet).
PrintPageLayout LayOutPrintPages(double ratio, int dpiX, int dpiY, int horzMm, int vertMm, int overlapX,
                                 int overlapY, const CordRect& r);
// The centre of page (col, row) of a layout laid about `centre`.
Cord PageCentreOf(const PrintPageLayout& l, Cord centre, int col, int row);
// Every page of `copies` copies in print order: copy by copy, columns left to right, rows top
// to bottom. Stops when `visit` returns false, and then returns false.
bool ForEachPrintPage(const PrintPageLayout& l, Cord centre, int copies, const std::function<bool(Cord)>& visit);
// The middle of a rectangle, halves cut toward zero.
Cord PrintRectCentre(const CordRect& r);
// map scale / print scale of the setup (1 when either is unusable).
double PrintRatioOf(const SetupRecord& s);

// The pages of a started job (the bands counted): one page centred on a map point at a view
// scale (device pixels per map unit, y negative for an upright page), once per copy; or the
// setup's print rectangle (partial) or the whole map and its shown templates laid out in
// pages. False when a page failed or Esc stopped it.
bool PrintOnePageAt(Cord centre, double scaleX, double scaleY, int copies);
bool PrintRectPages(bool partial, int copies);

// The layout from the page globals, the setup's scales and overlaps and Prt.PrintRect.
void ComputePrintPages();
// The running job's layout, as ComputePrintPages left it.
PrintPageLayout CurrentPrintLayout();
// The template bands of one page (the progress total).
void CountPrintBands();
// The centre of page (i, j) of the layout around `centre`.
Cord PrintPageCentre(Cord centre, int i, int j);
// Prints the page centred on the map point; false when the user stopped the job or it failed.
bool PrintPage(Cord centre);
// The current map colour by colour on the output, dimmed by 1..100 towards white.
void DrawMapColours(int dim);

// A PostScript printer's driver gets the body as pass-through frames (a 16-bit length, low byte
// first, and that many bytes); this one passes on only the bytes.
class PassThroughFrames final : public OutputSink {
public:
    explicit PassThroughFrames(OutputSink& target) : target_(target) {}
    void Write(QByteArrayView bytes) override;

private:
    OutputSink& target_;
    QByteArray header_;
    int remaining_ = 0;
};

} // namespace zemo
