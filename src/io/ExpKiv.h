// ExpKiv: File > Export > internet map. A zoomable web map: GIF tiles of several zoom levels
// (each level may be drawn from a map of its own, a generalised one for the small scales), a
// ".kiv" file describing the levels and their tile grids, and an HTML page with an optional
// find box and hotspots taken from database links. The page keeps the applet element with its
// parameters, which the program's own viewer script (KivViewer) reads, so that it shows the map
// in a current browser by itself.
//
// Nothing of an export is kept unless all of it was written: the tiles are rendered into a
// folder of their own beside the page and moved into place at the end, the ".kiv" and the page
// are written under temporary names. Esc during a tile ends the whole export.
#pragma once

#include "core/Cord.h"
#include "core/StringX.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace zemo {

inline constexpr int KivSettingsType = 1025;
inline constexpr int ExpKivHelpContext = 290;
inline constexpr int KivGeneralHelpContext = 306;
inline constexpr int KivFindHelpContext = 307;
inline constexpr int KivHotspotsHelpContext = 308;
inline constexpr int KivMapsHelpContext = 314;
inline constexpr int ResTooLowZoomHelpContext = 281;
inline constexpr int OpenMapFileHelpContext = 113;

inline constexpr int MinAppletSide = 10;
inline constexpr int MaxAppletSide = 2000;
inline constexpr int MinKivDpi = 50;
inline constexpr int MaxKivDpi = 600;
inline constexpr int MinKivLevels = 1;
inline constexpr int MaxKivLevels = 10;
// Each level's zoom factor must stay below this, or the levels would hardly differ.
inline constexpr double MaxKivZoom = 0.9;
// The ".kiv" holds tile counts and numbers in 16 bits.
inline constexpr int MaxKivCount = 65535;

// The ".kiv" file: a 20-byte header, then a 32-byte record per level, most reduced first.
//   header  off size
//            0   2   mark 0x5E71, little-endian
//            2   2   597, little-endian
//            4   2   map format version, little-endian
//            6   2   map format subversion, little-endian
//            8   2   tile width, pixels (big-endian from here on)
//           10   2   tile height
//           12   2   applet width (twice the tile width)
//           14   2   applet height
//           16   2   zoom-out button, 0 or 1
//           18   2   resolution, dpi
//   level   off size
//            0   2   1
//            2   2   number of the level's first tile
//            4   2   tile columns
//            6   2   tile rows
//            8   8   the level's scale (double)
//           16   8   real-world x of the centre of the map's extent, metres (double)
//           24   8   real-world y (double)
inline constexpr uint16_t KivMark = 0x5E71;
inline constexpr uint16_t KivFormat = 597;
inline constexpr int KivHeaderBytes = 20;
inline constexpr int KivLevelBytes = 32;

// What the export dialog edits; the type-1025 string keeps all but the colour correction and
// the list of datasets.
struct KivOptions {
    QString FileName;                              // name field: the page written last
    int Width = 400;                               // w, applet pixels
    int Height = 300;                              // h
    QString Resolution = QStringLiteral("150");    // r, as typed ("." as decimal point)
    int Levels = 3;                                // z
    bool AntiAlias = true;                         // a
    bool ColorCorrection = true;                   // kept for the run only
    bool ZoomOut = false;                          // o
    bool HtmlOnly = false;                         // m
    bool FindBox = false;                          // on when "s" is set
    QString FindDataset;                           // s
    QString NameField;                             // n
    bool Hotspots = false;                         // on when "l" is set
    QString LinkDataset;                           // l
    QString LinkField;                             // u
    QStringList Datasets;                          // the map's dataset names
};

// The dialog's values for the current map, and the settings string of them.
KivOptions KivDialogOptions();
QString KivSettingsString(const KivOptions& o);

// The field a failed dialog check names; the dialog shows its page and focuses it.
enum class KivField { None, Width, Height, Resolution, Levels, FindDataset, NameField, LinkDataset, LinkField };
enum class KivPage { General, Find, Hotspots };
KivPage PageOfField(KivField f);
// The dialog's checks on OK, each with its message. KivField::None when all hold.
KivField CheckKivDialog(const KivOptions& o);

// The zoom factor between neighbouring levels: with several levels the applet's size over the
// map's size at the resolution, on the limiting side, to the power 1 / (levels - 1); 1 for one
// level. False when it is not below MaxKivZoom (the map fits the applet already).
bool ComputeKivZoom(const CordRect& extent, int appletWidth, int appletHeight, int dpi, int levels, double& f);
// The same for the dialog's values over the current map's extent.
bool ComputeKivZoom(const KivOptions& o, double& f);

// One level of the tile pyramid, as it is written.
struct KivLevel {
    int K = 0;             // the level's zoom is f^K: 0 is the full map
    double Zoom = 1;
    double Scale = 0;      // the map's scale over the zoom
    int64_t StepX = 0;     // a tile's size in map units
    int64_t StepY = 0;
    int64_t Columns = 0;
    int64_t Rows = 0;
    int64_t FirstTile = 0;
    double X0 = 0;         // the grid's lower left corner, centred on the extent
    double Y0 = 0;
};

struct KivPlan {
    int TileWidth = 0;
    int TileHeight = 0;
    int Dpi = 0;
    std::vector<KivLevel> Levels;  // most reduced first
    int64_t Tiles = 0;
};

// The levels for the extent. False when a level's columns, rows or first tile number would
// not fit the ".kiv" (then nothing may be written).
bool PlanKivLevels(const CordRect& extent, int appletWidth, int appletHeight, int dpi, int levels, double f,
                   double mapScale, KivPlan& plan);

// A tile's rectangle in the level's map, its coordinates carried over by q (the ratio of the
// main map's scale to the level map's), flag bits cleared. Tiles run from the top row down and
// from left to right.
CordRect KivTileRect(const KivLevel& level, int64_t column, int64_t row, double q);

// The ".kiv" bytes.
QByteArray KivHeader(int version, int subVersion, const KivPlan& plan, bool zoomOut);
QByteArray KivLevelRecord(const KivLevel& level, double centreX, double centreY);

// Texts made safe for the page, which names no character set: a string of its script (quote,
// backslash, "<", control and non-ASCII characters as escapes) and HTML text or attribute
// values (&amp; &lt; &gt; &quot;, non-ASCII as character references, control characters as
// blanks).
QString ScriptString(const QString& s);
QString HtmlText(const QString& s);

// A named position on the page: real-world metres, written without decimals.
struct KivPlace {
    QString Text;
    double X = 0;
    double Y = 0;
};

struct KivPageContent {
    QString FileName;        // without folder and extension
    int AppletWidth = 0;     // twice the tile size
    int AppletHeight = 0;
    int Levels = 1;
    bool ZoomOut = false;
    bool FindBox = false;
    std::vector<KivPlace> Names;     // sorted
    bool Hotspots = false;
    std::vector<KivPlace> Spots;
    QByteArray LevelFile;            // the ".kiv" bytes the viewer reads
};
// The page's lines.
QStringList KivPageLines(const KivPageContent& c);

// The level maps (type-6 strings) as the level-map dialog shows them: row r holds level
// levels - 1 - r, the most reduced at the top; an empty row is the map itself.
struct KivMapsEdit {
    QString OwnPath;      // the map's own file, shown for empty rows
    QStringList Rows;
};
KivMapsEdit KivMapsOf(int levels);
QString KivMapShown(const KivMapsEdit& e, int row);
// The open dialog for a row; a file that does not exist is refused with FileNotFound. True
// when the row changed.
bool ChooseKivMap(KivMapsEdit& e, int row);
// On OK: every row's file must exist (FileNotFound names the first that does not).
bool CheckKivMaps(const KivMapsEdit& e);
// Replaces the map's type-6 strings by the rows, from the bottom row up.
void SaveKivMaps(const KivMapsEdit& e);
// The dialog through its port; the strings replaced on OK (true).
bool EditKivMaps(int levels);

// The unit's state: the dialog's values kept for the run, and the folder the viewer's archive
// is copied from.
struct ExpKivState {
    bool ColorCorrection = true;
    QString ArchiveFolder;   // empty: the data folder
};
extern ExpKivState KivUnit;
void ResetExpKivUnit();

inline const QString KivArchiveName = QStringLiteral("ZEMO.jar");

// The level file beside a page, when it is one (the page alone shows the tiles it describes);
// empty otherwise.
QByteArray ExistingLevelFile(const QString& page);

// Writes the internet map for the options into o.FileName (the page). False when refused,
// stopped or failed; nothing of it is then left.
bool WriteKiv(const KivOptions& o);

// File > Export > internet map.
void ExportKiv();

} // namespace zemo
