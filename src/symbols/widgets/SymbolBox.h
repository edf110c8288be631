// The symbol box: the current map's symbols as 22 x 22 icons in cells of 23 pixels, the
// current symbol framed, the multi-selection and protected and hidden symbols marked,
// and the mouse fed to the box's logic (symbols/SymbolBoxModel.h).
#pragma once

#include "symbols/SymbolBoxModel.h"

#include <QAbstractScrollArea>
#include <QImage>

class QMenu;

namespace zemo {

struct MainFramePanels;
class TMainFm;

// One cell as the box shows it: the icon with the marks inverted over it.
struct CellMarks {
    bool protectedMark = false;
    bool hiddenMark = false;
    bool selectedMark = false; // member of the multi-selection
    bool currentMark = false;
    bool insertBar = false;    // the drag's insertion mark
};
QImage DrawSymbolCell(const QImage& icon, const CellMarks& marks);
// The marks of list position pos of the current map.
CellMarks CellMarksOf(int pos);

class TSymbolBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TSymbolBox(QWidget* parent = nullptr);
    ~TSymbolBox() override;

    // The Symbol menu that a right click pops up.
    void SetPopUp(QMenu* menu) { popUp_ = menu; }

    const SymbolBoxGrid& Grid() const { return grid_; }
    int TopRow() const;
    // List position under a viewport point; `forDrop`: beyond the last symbol gives the
    // list's length instead of -1.
    int PositionAt(QPoint p, bool forDrop = false) const;
    QRect CellRect(int pos) const;

    // Column and row counts from the size; repaint.
    void LayoutSymbolBox();
    // Asked before the box has its size (a map just opened), the scroll waits for the layout;
    // a layout with other columns scrolls again.
    void ScrollToCurrentSymbol();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int SymbolCountNow() const;
    // A map paint holds its own window's map current, which may not be the active one: the
    // box shows what it showed and is laid out and painted again once the paint is over.
    void AgainAfterPaint(bool layout);
    QImage shown_;
    bool againQueued_ = false;
    bool layoutAgain_ = false;
    bool scrollPending_ = false;
    SymbolBoxGrid grid_;
    QMenu* popUp_ = nullptr;
    int listener_ = 0;
};

// What decides the panels' layout now: the current map, its lower panel if that panel is
// built, the frame's and the panel's sizes.
SymbolPanelInput PanelInputOf(const TMainFm& frame, const MainFramePanels& panels,
                              const TSymbolBox& box);
// Rebuilds the panels after any change of the symbol list or of the map: which panels show,
// their sizes from the map's settings string, then the box's grid.
void RefreshSymbolBox(TMainFm& frame, MainFramePanels& panels, TSymbolBox& box);

} // namespace zemo
