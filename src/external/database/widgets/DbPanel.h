// The database panel below the symbol box (maps that are not course maps): the record grid of
// the selected object's linked record, the Link and Find buttons. Column 1 of a field that
// refers to a secondary table is a button that opens the table window (TShowTabDlg).
#pragma once

#include "external/database/Ports.h"

class QPainter;
class QRect;
class QWidget;

namespace zemo {

class TMainFm;
struct MainFramePanels;

// The grid's height and its value column's width for a panel: all rows with room to spare, or
// what the panel gives less 8 pixels, the value column narrower by a scroll bar then.
struct DbGridSize {
    int Height = 0;
    int ValueWidth = 0;
};
DbGridSize DbGridLayout(int rows, int spaceBelowTop, int gridWidth, int fixedColumns, int scrollBarWidth);

// A cell drawn as a raised button.
void DrawDbGridButton(QPainter& canvas, const QRect& cell);

// Fills the frame's database panel and marks it built.
void FillDbPanel(TMainFm& frame, MainFramePanels& panels);
// The panel shows the grid (the database port's binding).
void ShowDbGridInPanel(const DbGridModel& grid);

// The table window over the current record of a secondary table; OK writes changed values.
void ExecShowTabDlg(QWidget* parent, const QString& table);

} // namespace zemo
