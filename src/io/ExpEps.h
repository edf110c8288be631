// ExpEps: the map as Encapsulated PostScript. File > Export EPS writes one file, or a file per
// spot-colour separation; printing sends the same document body to a PostScript printer.
// The writer owns the document: header comments, the prolog of short procedures the output
// layer's PostScript mode uses, the scale and clip, the halftone screen of a separation, the
// raster templates as runs of one colour, a colour line before each colour's first object,
// and the trailer. The objects are written by their painters in output mode 4.
#pragma once

#include "core/Cord.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

inline constexpr int ExpEpsHelpContext = 336;
inline constexpr int EpsSaveHelpContext = 118;
inline constexpr int PrintUserAbortHelpContext = 122;
inline constexpr int EpsSettingsType = 1029;
inline constexpr int DefaultEpsResolution = 300;
inline constexpr int MinEpsResolution = 50;
inline constexpr int MaxEpsResolution = 2540;

// What the EPS dialog edits. The choices of export kind, separations and partial map stay
// from one showing to the next; resolution and scales come from the map each time.
struct EpsOptions {
    int Resolution = DefaultEpsResolution;  // dpi of the template runs
    bool Separations = false;               // a file per separation
    std::vector<bool> Selected;             // by separation index
    bool Partial = false;                   // the setup's print rectangle, else the whole map
    double MapScale = 0;
    double ExportScale = 0;
    QStringList SeparationNames;            // the map's, in order (shown, not edited)
};

struct ExpEpsState {
    bool Separations = false;
    bool Partial = false;
    std::vector<bool> Selected;
    int Resolution = DefaultEpsResolution;
    int CurrentSeparation = -1;
    int BandCounter = 0;
};

extern ExpEpsState Eps;

void ResetExpEpsUnit();

// The dialog's values for the current map; and, on OK, its settings kept and saved (the
// type-1029 string and the export scale in the setup, each only when it differs from what
// the map holds).
EpsOptions EpsDialogOptions();
void SaveEpsOptions(const EpsOptions& o);

// File > Export EPS.
void ExportEps();
// One EPS file of the current colour kind; asks its name first when `ask`. False when the
// user declined or stopped it, or it failed.
bool ExportEpsFile(const QString& name, bool ask, bool partial);

// The whole document for the output layer's DrawRect, ClipRect, origin and scales, written
// through WriteOutputLine. False when the user stopped it.
bool WriteEps(const QString& title, bool drawGrid);
// The number of template bands of the drawing (the progress total).
int CountEpsBands();
// The runs of the band's rows for the device rectangle `band` (rendered by DrawTemplates).
void EpsBlt(const QRect& band);
// The map's colours, last first, each with its colour line before its first object.
void DrawEpsColours(int dim);

// The prolog's lines.
QStringList EpsPrologLines();

} // namespace zemo
