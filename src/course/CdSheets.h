// Control-description sheets: the symbol sheet of a course (a grid of eight square columns
// A..H, header rows, a row per start and control, special rows for marked routes and the run
// to the finish), its text version, and the sheets of all controls. Sheets are generated map
// objects of fixed symbols; every builder either measures only or also stores its objects,
// and both ways give the same size. The box edge is CsBox.BoxSize (DescriptionScale).
#pragma once

#include "core/Cord.h"

#include <QString>

#include <cstdint>

namespace zemo {

// The fixed symbols of the sheets (numbers x 10).
enum SheetSymbol : int {
    SheetThickLine = 8010,
    SheetThinLine = 8020,
    SheetStartTriangle = 8100,
    RouteStart = 8150,
    RouteFunnel = 8151,
    RunToFinishStart = 8152,
    RouteTape = 8153,
    RouteEnd = 8154,
    SheetFinish = 8160,
    SheetNumber = 8200,
    SheetCode = 8210,
    SheetHeading = 8220,
    SheetDistance = 8230,
    SheetSize = 8240,
    TextSheetHeading = 8250,
    TextSheetBody = 8260,
};

// The settings of File > Print control descriptions: TAB t<title> TAB s<box mm>.
inline constexpr int CdPrintSettingsType = 1027;

// Which sheet of a course: leg 0 lists every branch of its variations; team 0 is none.
struct SheetRequest {
    int Course = -1;    // index into the course list
    int Leg = 0;
    int Team = 0;
    QString Title;      // the title row, when not empty
};

struct SheetExtent {
    int32_t Width = 0;  // coordinate units
    int32_t Height = 0;
};

// The symbol sheet with its top-left corner at `topLeft`: stored when `draw`, else only
// measured. Its height; 0 for a course index outside the list.
int32_t SymbolSheet(const SheetRequest& r, bool draw, Cord topLeft);
// The text sheet the same way: its width (the widest of its texts) and height.
SheetExtent TextSheet(const SheetRequest& r, bool draw, Cord topLeft);

// The course objects the sheets of all controls list: starts and controls (symbol sheet), or
// every start and control and every other object with a description text (text sheet).
int AllControlsCount(bool text);
// One column of the sheets of all controls, beginning with the `first` listed object, as many
// rows as fit in `maxHeight` and at least one. Returns the next object not placed; the
// column's size in `extent`.
int AllControlsColumn(int first, int32_t maxHeight, bool draw, Cord topLeft, SheetExtent& extent);
int AllControlsTextColumn(int first, int32_t maxHeight, bool draw, Cord topLeft, SheetExtent& extent);

// How far a sheet's drawing reaches past its frame: the widest reach of the symbols drawn on
// its edges (its lines, the circles the special rows begin with on its left edge), as now
// scaled.
int32_t SheetReach();

// The description text of a marked route or the run to the finish with every ";" taking the
// distance in metres; a text without ";" stays as it is.
QString DistanceText(const QString& text, int metres);

} // namespace zemo
