// Extras > Convert layers: every object of a listed drawing layer gets the symbol listed for
// it. The references are edited row by row, loaded from and saved to a layer table (".crt"),
// and kept for the map they were made for. A conversion is one undo action.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

inline constexpr int ConvLayHelpContext = 289;
inline constexpr int EditRefHelpContext = 302;

// One row of the reference grid: the layer name, and the symbol number with one decimal,
// optionally followed by a blank and the symbol's description.
struct LayerRef {
    QString Layer;
    QString Symbol;
    friend bool operator==(const LayerRef&, const LayerRef&) = default;
};

struct ConvLayState {
    std::vector<LayerRef> Rows{LayerRef{}};  // never fewer than one
    QString MapPath;     // the map the rows were made for
    QString FileName;    // the table loaded or saved last
};
extern ConvLayState ConvLay;
void ResetConvLayUnit();

// A table file's lines as rows: numbers above 0 and below 1000 with a layer name; the
// symbol's description follows the number when the current map has that symbol.
std::vector<LayerRef> RowsFromCrt(const QByteArrayList& lines);
// The rows as a table file: the first word of the symbol text with "." as the decimal point,
// a blank and the layer name, CR LF.
QByteArray CrtFromRows(const std::vector<LayerRef>& rows);
// Open dialog and load into ConvLay.Rows; false on Cancel or a read failure.
bool LoadLayerTable();
// Save (to the remembered file unless asked for another or none is known).
bool SaveLayerTable(bool saveAs);

// The distinct non-empty layer names of the map's objects, sorted; collected once per map
// and kept in it. Empty without a map.
const QStringList& MapLayers();
// The map's symbols as "101.5  description".
QStringList SymbolChoices();

// Converts the current map's objects by the rows; the number of objects changed, or -1 when
// a row's symbol number is not valid (SymNumNotValid shown, nothing changed). Esc stops.
int ConvertLayers(const std::vector<LayerRef>& rows);

// The command.
void ConvertLayersToSymbols();
void RegisterConvLayWorker();

} // namespace zemo
