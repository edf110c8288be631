// The icon editor's dialog: a dock with one toolbar (six tool buttons and the quarter turns),
// the 26-colour grid, and the icon at 1:1 and enlarged five times (where it is drawn with the
// mouse).
#pragma once

#include "symbols/EditIcon.h"
#include "symbols/store/SymbolRecords.h"

#include <QDialog>
#include <QWidget>

class QLabel;

namespace zemo {

// A view of the icon: 1:1, or enlarged with grid lines every Scale pixels (each icon pixel
// a square of Scale - 1 inside its cell). The enlarged view takes the mouse.
class TIconView : public QWidget {
public:
    TIconView(QWidget* parent, IconEditor& editor, int scale);
    static constexpr int Enlarged = 5;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QPoint Pixel(const QPointF& at) const;
    void Changed();

    IconEditor& editor_;
    int scale_;
};

// ColorGrid: the 26 colours, 13 columns of 2 rows.
class TColorGrid : public QWidget {
public:
    TColorGrid(QWidget* parent, IconEditor& editor);
    static constexpr int CellSize = 16;
    QRect CellRect(int color) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    IconEditor& editor_;
};

class TEditIconDlg : public QDialog {
public:
    explicit TEditIconDlg(QWidget* parent);
    IconEditor& Editor() { return editor_; }
    // The views and the colour shown follow the editor.
    void Refresh();

private:
    IconEditor editor_;
    TIconView* RealSizeB;
    TIconView* EnlargedB;
    TColorGrid* ColorGrid;
    QLabel* SelColorB;
};

// The icon editor on the record: on OK with a changed picture the icon and its form flag are
// written into the record (in the form the current map's format calls for) and true is
// returned.
bool ExecEditIconDlg(QWidget* parent, SymbolBytes& rec);

} // namespace zemo
