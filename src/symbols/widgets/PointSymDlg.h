// The point symbol editor's dialog, and CsGrid, the row of control-description columns C to
// H a course-setting symbol may stand in.
#pragma once

#include "symbols/widgets/SymDlg.h"

#include <QWidget>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QRadioButton;

namespace zemo {

class TCsGrid : public QWidget {
    Q_OBJECT
public:
    explicit TCsGrid(QWidget* parent);
    uint8_t Bits() const { return bits_; }
    void SetBits(uint8_t bits);
    // The cell of a column (0 = C) in the widget's pixels.
    QRect CellRect(int column) const;
    static constexpr int CellSize = 24;

Q_SIGNALS:
    // A click set (on) or cleared a column's bit.
    void Toggled(bool on);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    QSize sizeHint() const override;

private:
    uint8_t bits_ = 0;
};

class TPointSymDlg : public TSymbolDlg {
public:
    explicit TPointSymDlg(QWidget* parent);

protected:
    void FillFields() override;
    bool CheckPage(int) override { return true; }
    void ReadFields() override;

private:
    QCheckBox* NorthB;
    QGroupBox* CourseGrp;
    QRadioButton* NotUsedCourseB;
    QRadioButton* CsSymbolB;
    QRadioButton* CdSymbolB;
    QComboBox* CsObjTypeB;
    TCsGrid* CsGrid;
    QPushButton* EditBtn;
};

} // namespace zemo
