// Windows metafiles (with or without the placeable header) into the current map: the records
// are read in place, each bounded by the file, and polygons, poly-polygons with their holes,
// polylines, pen strokes and texts become objects named "WMF n" by the pen and brush
// selections before them, centred on the view.
#pragma once

#include "core/Cord.h"
#include "io/ImportReport.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace zemo {

inline constexpr uint32_t WmfPlaceableKey = 0x9AC6CDD7u;
inline constexpr int CannotImportBitmapHelpContext = 252;
// Up to this many imported objects stay selected.
inline constexpr int MaxKeptMetafileSelection = 1000;

// The extension ".wmf" and either the placeable header's key or a standard header of type 0
// or 1 and 9 words.
bool IsWmfFile(const QString& name, const QByteArray& head);

// The conversion of a whole metafile (File > Import and Paste). False (after CannotOpenWmf)
// when its headers do not hold; else the number of objects imported is in `count`. `source`
// names the file in the report; empty for a pasted picture.
bool ImportWmfHandle(const QByteArray& data, int* count = nullptr, const QString& source = {});

// A point of a drawing in 0.01 mm before the drawing is placed, with the map's point flags.
struct MetafilePoint {
    int64_t x = 0, y = 0;
    int32_t fx = 0, fy = 0;
};

// What both metafile importers share: logical points to 0.01 mm, the objects named by the
// style count, kept until the whole drawing is known and then centred on the view, and the
// report of what was read and left out.
class MetafileObjects {
public:
    // prefix: "WMF " or "EMF ".
    explicit MetafileObjects(const char* prefix) : Prefix(prefix) {}

    // 0.01 mm per logical unit (y negative where logical y runs down).
    double Sx = 0, Sy = 0;
    int Styles = 1;
    ImportReport Report;

    // False for a point no map could hold.
    bool Convert(double x, double y, MetafilePoint& p) const;
    // Keeps an object of these points and 8-bit text for placing; an object of more points
    // than an object may have, or wider than the map area, is left out and counted.
    void Add(uint8_t type, std::vector<MetafilePoint> pts, const QByteArray& text = {});
    // The kept objects, their extent centred on the view, appended and selected.
    void Place();
    // Lets Esc through after a record; true when it was pressed.
    static bool Stopped();

private:
    struct Kept {
        uint8_t type;
        QByteArray layer, text;
        std::vector<MetafilePoint> pts;
    };
    QByteArray Prefix;
    std::vector<Kept> Objects;
};

// A point of a box's outline in logical units, with its Bezier flag.
struct BoxPoint {
    double x = 0, y = 0;
    int32_t flag = 0;
};
// The outline of a box: its four corners (rx, ry 0), a rectangle with corners rounded by these
// radii, or (rx < 0) the ellipse inside it, whose last curve ends on its first point.
std::vector<BoxPoint> BoxOutline(double left, double top, double right, double bottom, double rx, double ry);
// A ring drawn by the pen alone: its first point again at its end, unless it is there.
std::vector<MetafilePoint> ClosedOutline(std::vector<MetafilePoint> ring);

// One import of a metafile's records: the selection cleared and progress over `total` bytes,
// `records` run, the objects placed without undo recording, then the bitmap warning, one undo
// step, the selection rule and the report (`source` empty: a pasted picture).
void ConvertMetafile(MetafileObjects& m, qsizetype total, const QString& source, const std::function<void()>& records);

// Registers the importer with File > Import.
void InitImpWmfUnit();

} // namespace zemo
