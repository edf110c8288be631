// Symbol > Colors: the colour table as a grid over the working copy (ColorTable). A row per
// colour: number, name (editable), overprint mark and swatch (clicked, not selected), then a
// percentage per spot-colour separation. The buttons open the colour dialog on the selected
// colour and move it up or down the drawing order; OK keeps the grid, Cancel drops it all.
#pragma once

#include "symbols/Colors.h"

#include <QColor>
#include <QDialog>

#include <array>

class QBoxLayout;
class QPushButton;
class QTableWidget;

namespace zemo {

// How a colour of the table shows on screen (the screen colour correction applied).
QColor ScreenColorOf(const std::array<uint8_t, 4>& cmyk);
// A button of the column at the right of the colour dialogs, under its object name.
QPushButton* AddSideButton(QWidget* owner, QBoxLayout* column, const QString& name,
                           const QString& text);

class TColorsDlg : public QDialog {
public:
    // Grid columns, then one per separation.
    enum Column { NumberCol, NameCol, OverprintCol, SwatchCol, FirstSeparationCol };

    TColorsDlg(ColorTable& table, QWidget* parent = nullptr);

    QTableWidget* Grid() const { return colorB_; }
    // The grid's texts into the table; false (and the failing cell selected) when a cell is
    // not a percentage.
    bool StoreGrid();
    // The colour dialog on a row (after storing the grid), then the grid filled again.
    void EditColor(int row);
    void MoveSelected(int delta);

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FillGrid(int selectRow);
    void CellClicked(int row, int column);
    int SelectedRow() const;

    ColorTable& table_;
    QTableWidget* colorB_;
};

bool ExecColorsDlg(QWidget* parent, ColorTable& table);

} // namespace zemo
