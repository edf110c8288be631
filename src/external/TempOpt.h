// The values of the template options dialog (TTempOptDlg): dim, transparency, the spot colour
// a raster template is drawn in, and whether a map template is rendered in spot colours. They
// are read from the template's string and written back into it on OK.
#pragma once

#include <QString>
#include <QStringList>

namespace zemo {

struct TempOptValues {
    QString name;              // the bare file name, for the caption
    bool mapTemplate = false;
    QStringList separations;   // the map's spot-colour separations
    int dim = 0;               // percent, 0..100
    bool transparent = false;
    bool assign = false;       // drawn in a spot colour
    int spot = 0;              // the separation's position in `separations`
    bool render = false;       // a map template in spot colours

    // A raster template may take a spot colour when the map has separations; only a map
    // template is rendered in spot colours.
    bool AssignEnabled() const { return !mapTemplate && !separations.isEmpty(); }
    bool RenderEnabled() const { return mapTemplate; }
    bool operator==(const TempOptValues&) const = default;
};

// The dialog's values of a template string; the fields that do not apply are off.
TempOptValues ReadTempOptions(const QString& text, const QStringList& separations);
// d, t, p and o set in the string (p is -1 unless a spot colour is assigned).
void WriteTempOptions(QString& text, const TempOptValues& v);
// "TempOpt [name]".
QString TempOptCaption(const QString& name);
// The separations' names of the current map.
QStringList MapSeparationNames();

} // namespace zemo
