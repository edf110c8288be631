// The Insert Variation dialog: a team variation (every leg its own branch, the order per
// team) or a leg variation whose branches are built by dragging the legs in the grid.
#pragma once

#include "course/Variation.h"
#include "edit/widgets/MapDlgForm.h"

#include <QPoint>
#include <QWidget>

class QRadioButton;

namespace zemo {

// The grid of legs: a column per branch, 30 pixels wide, drawn by itself; a leg is dragged
// from its cell and dropped on another column.
class TVarGrid : public QWidget {
public:
    static constexpr int ColumnWidth = 30;
    static constexpr int RowHeight = 18;

    TVarGrid(QWidget* parent, VariationGrid& grid);
    // The cell under a point; false outside the grid.
    bool CellAt(QPoint p, int& column, int& row) const;
    QRect CellRect(int column, int row) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    VariationGrid& grid_;
    bool pressed_ = false;
    int fromColumn_ = 0;
    int fromRow_ = 0;
};

class TVariationDlg : public TMapDlgForm {
public:
    TVariationDlg(QWidget* parent, const QString& text, int legs);
    void accept() override;
    QString Result() const { return result_; }
    TVarGrid* Grid() const { return varB_; }

private:
    VariationGrid grid_;
    QRadioButton* teamB_;
    QRadioButton* legB_;
    TVarGrid* varB_;
    QString result_;
};

bool ExecVariationDlg(QWidget* parent, QString& text, int legs);

} // namespace zemo
