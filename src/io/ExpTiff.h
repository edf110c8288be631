// ExpTiff: File > Export TIFF. Baseline little-endian TIFF files of the map with its shown
// templates: an RGB composite, or spot-colour separations as 8-bit grey or 1-bit images,
// combined in one file or a file each; optionally LZW compressed, georeferenced by a terrain
// pixel size (GeoTIFF tags and a ".tfw" world file), of the partial rectangle, or cut into
// tiles. One TIFF strip per rendered strip; the directory and its data follow the strips.
#pragma once

#include "core/Cord.h"
#include "core/Lzw.h"
#include "io/ExpRaster.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zemo {

inline constexpr int ExpTiffHelpContext = 334;
inline constexpr int TilesHelpContext = 344;
inline constexpr int TiffSettingsType = 1032;
inline constexpr int TileSettingsType = 1033;
inline constexpr int DefaultTiffResolution = 300;
inline constexpr int DefaultTileWidth = 400;
inline constexpr int DefaultTileHeight = 300;
inline constexpr int MinTileSide = 10;
inline constexpr int MaxTileSide = 32000;
inline constexpr int TiffLzw = 5;
inline constexpr int TiffNoCompression = 1;

// What the TIFF dialog edits; the type-1032 string keeps what it stores.
struct TiffOptions {
    bool Separations = false;       // o
    bool Combine = false;           // b
    std::vector<bool> Selected;     // by separation; not stored
    QStringList SeparationNames;    // the map's, in order
    bool Geo = false;               // g: a terrain pixel size instead of dpi
    QString Resolution = QStringLiteral("300");   // r
    QString PixelSize = QStringLiteral("10.00");  // s, "." as decimal point
    bool Tfw = false;               // not stored
    bool Partial = false;           // p
    bool Tiles = false;             // t
    bool AntiAlias = true;          // a
    bool BlackWhite = false;        // not stored
    bool ColorCorrection = true;    // l
    bool Lzw = false;               // c: "5" LZW, "1" none
};

struct TileSize {
    int Width = DefaultTileWidth;
    int Height = DefaultTileHeight;
};

// The dialog's values for the current map, and the type-1032 string of them.
TiffOptions TiffDialogOptions();
QString TiffSettingsString(const TiffOptions& o);
// Written only when it differs from what the map holds.
void SaveTiffSettings(const TiffOptions& o);
TileSize TiffTileSize();
void SaveTileSize(const TileSize& t);
// The tile size dialog; the size stored on OK (true).
bool EditTiles();
// The dialog's checks: a pixel size above 0 with a terrain pixel size, else a dpi of 50 to
// 2540. False after the message naming the field.
enum class TiffField { None, Resolution, PixelSize };
TiffField CheckTiffDialog(const TiffOptions& o);

// One TIFF file of one rectangle.
struct TiffJob {
    CordRect Rect;
    int Bits = 24;            // 24, 8 or 1
    QString FileName;
    bool Lzw = false;
    bool ColorCorrection = false;
    bool AntiAlias = false;
    bool ShowProgress = true;
    bool Geo = false;
    bool Tfw = false;
    double Dpi = DefaultTiffResolution;
    double PixelSize = 0;     // metres, with Geo
};

// The strip writer: rows converted to the file's depth, optionally LZW-compressed, each strip
// at an even offset; at the end the directory data and the directory.
class TiffStripWriter final : public StripWriter {
public:
    explicit TiffStripWriter(const TiffJob& job) : job_(job) {}
    bool Begin(ExportFile& file, int width, int height) override;
    bool WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int firstRow, int count) override;
    bool Finish(ExportFile& file) override;

    // One row of band pixels (blue, green, red) in the file's depth.
    static void ConvertRow(const uint8_t* bgr, int width, int bits, uint8_t* out);

private:
    struct Sink {
        std::vector<uint8_t>* out;
        bool operator()(uint8_t b)
        {
            out->push_back(b);
            return true;
        }
    };

    const TiffJob& job_;
    int width_ = 0;
    int height_ = 0;
    int rowsPerStrip_ = 0;
    std::vector<uint32_t> offsets_;
    std::vector<uint32_t> counts_;
    std::vector<uint8_t> strip_;
    std::vector<uint8_t> packed_;
    std::optional<BasicLzwEncoder<Sink>> encoder_;
};

// Renders job.Rect into one TIFF file (and its world file). False when refused, stopped or
// failed; no file is then left.
bool WriteTiff(const TiffJob& job);

// The world file's six lines for a pixel size and angle with the top-left corner (E, N).
QString TfwText(double pixelSize, double angleDegrees, double east, double north);

// The tiles of a rectangle: steps in map units and the tile numbers, column and row from the
// bottom left.
struct TilePlan {
    int32_t StepX = 0;
    int32_t StepY = 0;
    int Columns = 0;
    int Rows = 0;
};
TilePlan PlanTiles(const CordRect& r, const TileSize& t, double dpi);

// File > Export TIFF.
void ExportTiff();
// One export of the current colour mode into `name` (the save dialog first when `ask`; the
// name chosen comes back).
bool ExportTiffFile(QString& name, bool ask, const TiffOptions& o);

struct ExpTiffState {
    bool Tfw = false;
    bool BlackWhite = false;
    std::vector<bool> Selected;
};
extern ExpTiffState TiffUnit;
void ResetExpTiffUnit();

} // namespace zemo
