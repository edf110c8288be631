// The Objects tab of the course panel: the list of course objects, the selected object's
// description text and options, its control-description row (CsObjGrid) with the symbol
// picker (CsSelGrid) and the sizes of column F. A view over CsObj: the engine's changes come
// in through RefreshCsObjectTabs, the user's edits go straight to the engine.
#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;

namespace zemo {

inline constexpr int CsCellSize = 22;
// The picker's cells lie this far apart, inside a border of 2 pixels.
inline constexpr int CsPickerPitch = 23;
inline constexpr int CsPickerBorder = 2;
// The picker stands this far below the tab's top (or below the size panel, for column F).
inline constexpr int CsPickerTop = 92;

// Draws the description row of a course-object record: 8 cells of 22 x 22 pixels from (0, 0).
void PaintCsObjRow(QPainter& p, const QString& record);

class TCsObjGrid : public QWidget {
public:
    explicit TCsObjGrid(QWidget* parent);
    // The column (0..7) under a point, -1 outside.
    static int ColumnAt(QPoint p);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

class TCsSelGrid : public QWidget {
public:
    explicit TCsSelGrid(QWidget* parent);
    // The cell (row by row) under a point, -1 outside.
    static int CellAt(QPoint p);
    static QRect CellRect(int cell);
    // Rows for the open column's candidates, and the height they take.
    void Arrange();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

class TCsObjectTab : public QWidget {
public:
    explicit TCsObjectTab(QWidget* parent = nullptr);
    ~TCsObjectTab() override;
    // Shows the engine's state.
    void Refresh();

    QListWidget* CsObjectB = nullptr;
    QPushButton* CsObjPropBtn = nullptr;
    QLineEdit* CsDescB = nullptr;
    QCheckBox* CsTextCDB = nullptr;
    QCheckBox* CsFunnelB = nullptr;
    TCsObjGrid* CsObjGrid = nullptr;
    TCsSelGrid* CsSelGrid = nullptr;
    QWidget* CsSizeB = nullptr;
    QLineEdit* CsSize1B = nullptr;
    QLineEdit* CsSize2B = nullptr;
    QCheckBox* CsSize3B = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The width at which nothing overlaps.
    int neededWidth() const;
    void place();
    void sizesEdited();
    bool refreshing_ = false;
    // The row a press on the list just selected, which the click it ends need not select again.
    int selectedRow_ = -1;
    bool pressing_ = false;
};

// Every Objects tab shows the engine's state again.
void RefreshCsObjectTabs();

} // namespace zemo
