// NameIndex: Database > Name index, a gazetteer of the map's names. Every text object of the
// chosen text and line-text symbols gives its text and the cell of a lettered and numbered grid
// it lies in; the list, sorted by the locale without regard to case, goes to the clipboard.
#pragma once

#include "core/Cord.h"

#include <QString>
#include <QStringList>

namespace zemo {

struct ElementRecord;

inline constexpr int NameIndexHelpContext = 264;

// The dialog's values, lengths in millimetres on paper.
struct NameIndexValues {
    double HorOfs = 0;   // grid origin
    double VerOfs = 0;
    double HorDist = 0;  // column width; 0: one column
    double VerDist = 0;  // row height; 0: one row
    double Angle = 0;    // degrees, counter-clockwise
    int Style = 0;       // 0 column letter, row number; 1 row letter, column number; 2 and 3 the
                         // same with rows counted upward
};

// The cell label of a map point: TAB, letter, blank, number, CR LF. A letter past "Z" stays "Z".
QString NameIndexCell(Cord p, const NameIndexValues& v);
// The point an object is indexed by: the middle of a line (a line text moved aside by a third
// of its symbol's extent), the middle of an area's outer ring at its middle height, else the
// middle of its box.
Cord NameIndexPoint(const ElementRecord& e, const CordRect& box, int lineTextExtent);

// Before anything is indexed: the current symbol alone, or the selected symbols, must take texts; false (with
// TextSymRequired) when none does.
bool PrepareNameIndexSymbols();
// The sorted entries of the current map.
QStringList BuildNameIndex(const NameIndexValues& v);
// Database > Name index: the dialog through its port, the entries to the clipboard.
void CreateNameIndex();

} // namespace zemo
