// The template resolution dialog (TTempResolDlg) as its fields show it: a new raster template
// is placed at the centre of the view from the scanner's resolution, the scale of the drawing
// that was scanned and the map scale, turned by an angle. Every raster reader asks it in load
// mode 1 when its file has no georeference.
//
// Nothing is stored before OK: the map scale typed goes into the setup record with the other
// values, and Cancel leaves the map as it was. The map scale takes only what the setup record
// keeps (1 to 10,000,000), so that the pixel size is worked out from the scale the map has.
#pragma once

#include "core/Setup.h"
#include "document/Index.h"

#include <QString>

#include <array>

namespace zemo {

inline constexpr int TempResolHelpContext = 23;
// The settings string of the dialog: field s, the scale of the scanned drawing.
inline constexpr int TempResolSettingsType = 1028;

// The resolutions the field offers, dpi.
inline constexpr std::array<int, 5> TemplateResolutions{75, 100, 150, 200, 300};
inline constexpr int MinTemplateDpi = 50;
inline constexpr int MaxTemplateDpi = 2540;
inline constexpr double MaxTemplateMapScale = 10000000;

struct TempResolFields {
    bool noResolution = false; // the file gave none in range: the label says so
    QString resol;             // dpi
    QString draftScale;
    QString angle;             // degrees, counter-clockwise
    QString mapScale;
};

// The fields for a file of dpi (0: none) on a map of this setup and settings string.
TempResolFields TempResolFieldsOf(int dpi, const SetupRecord& setup, const QString& settings);

enum class TempResolField { None, MapScale, Resol, DraftScale, Angle };

// The checks in the dialog's order; the first failure shows its message and is returned.
TempResolField CheckTempResolFields(const TempResolFields& f);

// Checked fields: the map scale into the setup, the draft scale into field s of the settings
// string, and the template at the view's centre with its angle and pixel size (0.01 mm).
void PlaceByResolution(const TempResolFields& f, SetupRecord& setup, QString& settings, TTmp& t);

// The dialog for CurrentTemplate on the current map; true on OK, with the template placed
// and the map's setup and settings string written.
bool AskTemplateResolution(int dpi);

} // namespace zemo
