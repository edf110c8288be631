// TiffGeo: where a georeferenced TIFF lies on the ground, from its GeoTIFF tags or from a world
// file beside it, and the georeference dialog (TTiffDlg) as its fields show it: the image's
// extent, the real-world offset and angle it proposes for the map, and the map scale. On OK
// the template is placed by real-world coordinates, and with a new offset the map's real-world
// system is set from the file.
//
// A world file holds six numbers: the ground offset of one pixel column (A, D) and of one row
// (B, E), then the ground position of the top-left pixel's centre (C, F). The pixel sizes are
// the lengths of those two vectors and the turn is the column's direction, so that a turned
// image with pixels that are not square lands as its GeoTIFF twin does.
#pragma once

#include "core/Setup.h"
#include "document/Index.h"

#include <QString>

#include <vector>

namespace zemo {

inline constexpr int TiffDlgHelpContext = 331;

// Metres of the real-world system. The image lies turned by -Angle on the ground.
struct TiffGeoref {
    double ScaleX = 0; // metres per pixel
    double ScaleY = 0;
    double CentreX = 0;
    double CentreY = 0;
    double Angle = 0;  // radians

    // Both pixel sizes positive and every value finite.
    bool Placed() const;
};

// From GeoTIFF tags, each empty when the file lacks it: the pixel scale (x, y, ...), the
// first tie point (raster i, j, k, then model x, y, ...) and the model transformation (16
// values, taken only without a pixel scale).
TiffGeoref GeorefFromTags(int width, int height, const std::vector<double>& pixelScale,
                          const std::vector<double>& tiePoint, const std::vector<double>& transformation);

// The world file of a TIFF: its name with ".tfw", ".TFW", ".tifw" or ".TIFW" in place of its
// extension, the first that exists; empty when none does.
QString WorldFileOf(const QString& tiffName);
// The georeference of a world file's six lines. False when a line is missing or not a number.
bool ReadWorldFile(const QString& worldName, int width, int height, TiffGeoref& g);

// ---- The dialog ----
struct TiffDlgFields {
    QString sizeH;            // "Horizontally: left..right,  scale m/Pixel"
    QString sizeV;
    bool newOffset = false;   // NewOfsB; else ExistingOfsB
    QString horOfs;           // m
    QString verOfs;
    QString angle;            // degrees
    QString mapScale;
    QString existing;         // "(x / y / angle)" of the map
};

inline constexpr double TiffMaxOffset = 10000000;

TiffDlgFields TiffDlgFieldsOf(const TiffGeoref& g, int width, int height, const SetupRecord& s);

enum class TiffDlgField { None, HorOfs, VerOfs, Angle, MapScale };

// The checks of OK in the dialog's order; the first failure shows its message and is returned.
TiffDlgField CheckTiffDlgFields(const TiffDlgFields& f);

// Checked fields: with a new offset the map's real-world offset, angle (brought into
// -360..360), grid (1000 m when there was none) and scale; then the template placed at the
// georeference's centre with its pixel sizes and turn on the map, and the map showing
// real-world coordinates.
void PlaceGeoreferenced(const TiffDlgFields& f, const TiffGeoref& g, SetupRecord& s, TTmp& t);

// The dialog for CurrentTemplate on the current map; true on OK with the template placed and
// the setup written.
bool AskTiffPlacement(const TiffGeoref& g, int width, int height);

} // namespace zemo
