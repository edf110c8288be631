// The rectangle symbol editor's dialog: one page of line, corner and grid fields, checked on
// OK only.
#pragma once

#include "symbols/widgets/SymDlg.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace zemo {

class TRectSymDlg : public TSymbolDlg {
public:
    explicit TRectSymDlg(QWidget* parent);

protected:
    void FillFields() override;
    bool CheckPage(int page) override;
    void ReadFields() override;

private:
    QCheckBox* NorthB;
    QComboBox* LineColorB;
    RealField LineWidthB;
    RealField RadiusB;
    QCheckBox* GridOnB;
    QCheckBox* NumBottomB;
    RealField CellWidthB;
    RealField CellHeightB;
    IntField NumberB;
    QLineEdit* TextB;
};

} // namespace zemo
