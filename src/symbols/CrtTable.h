// Layer tables (".crt"): which symbol the objects of a drawing layer get. One line per entry:
// the symbol number with "." as the decimal point, blanks, and the layer name (blanks inside
// kept). The DXF import reads a table, the DXF export names its layers by it and the layer
// conversion edits, loads and saves one.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <vector>

namespace zemo {

inline constexpr int CrtLayerNameChars = 31;
inline constexpr int CrtLoadHelpContext = 43;

struct LayerEntry {
    int Symbol10 = 0;     // symbol number x 10
    int ObjectType = 0;   // of the map's symbol: 1 point .. 5 rectangle
    QByteArray Name;      // 8-bit layer name as it stands in the drawing, at most 31 bytes
    friend bool operator==(const LayerEntry&, const LayerEntry&) = default;
};

// The table the DXF import and export use; one import or export fills it and uses it.
struct CrtTableState {
    std::vector<LayerEntry> Entries;
    QString FileName;   // the last table chosen in the load dialog, for the run
};
extern CrtTableState CrtTable;
void ResetCrtTable();

// One line split into its number and layer name: the line trimmed, the number up to the first
// blank, the name after the blanks that follow it. False for a line without a blank after its
// first character, a number that is not a "." number, or one not above 0 and below 1000.
bool ParseCrtLine(const QByteArray& line, double& number, QByteArray& layer);

// A table's lines for the import: numbers x 10 within 1..9999 that the current map has a
// symbol of, with that symbol's object type. A later line does not remove an earlier one;
// lookups take the last match.
std::vector<LayerEntry> ParseCrtForMap(const QByteArray& content);
// Reads a table file (through the file object, lines cut at 255 characters). False when the
// file cannot be read (reported by the file object).
bool ReadCrtLines(const QString& name, QByteArrayList& lines);
// The open dialog for a table and the load into CrtTable. False on Cancel or a read failure.
bool LoadCrtFile();
// The table file's text: "101.5 Roads main" and CR LF per entry.
QByteArray CrtFileText(const std::vector<std::pair<QString, QByteArray>>& rows);

// The symbol the layer takes for an object of `type` (the last matching entry wins: the same
// name, and the same type or a line given an area symbol); false when none matches.
bool MatchLayer(const std::vector<LayerEntry>& table, const QByteArray& layer, int type,
                LayerEntry& match);

} // namespace zemo
