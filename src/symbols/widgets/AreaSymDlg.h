// The area symbol editor's dialog: General (tool, fill, north), Hatch and Structure pages; the
// pictures beside the hatch and structure choices select them, and Edit... hands the structure
// cell to the map window to draw its graphics.
#pragma once

#include "symbols/widgets/SymDlg.h"

#include <QAbstractButton>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;

namespace zemo {

// A small picture of a choice; a click on it checks its button.
class TChoicePicture : public QWidget {
public:
    using Painter = std::function<void(QPainter&, const QRect&)>;
    TChoicePicture(QWidget* parent, QAbstractButton* choice, Painter paint);
    QSize sizeHint() const override { return {40, 28}; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QAbstractButton* choice_;
    Painter paint_;
};

class TAreaSymDlg : public TSymbolDlg {
public:
    explicit TAreaSymDlg(QWidget* parent);

protected:
    void FillFields() override;
    bool CheckPage(int page) override;
    void ReadFields() override;

private:
    QButtonGroup* AddChoices(QWidget* page, QLayout* into, const char* group, TextKey caption,
                             const std::array<const char*, 3>& names, TextKey noneText,
                             const std::array<TChoicePicture::Painter, 2>& pictures);

    QComboBox* ToolB;
    QCheckBox* FillOnB;
    QComboBox* FillColorB;
    QCheckBox* NorthB;
    QButtonGroup* HatchB;
    QComboBox* HatchColorB;
    RealField HatchLineWidthB;
    RealField HatchDistB;
    RealField HatchAngle1B;
    RealField HatchAngle2B;
    QButtonGroup* StructB;
    RealField StructWidthB;
    RealField StructHeightB;
    RealField StructAngleB;
    QPushButton* EditBtn;
};

} // namespace zemo
