// The line symbol editor's dialog: six pages (main line, distances, symbols, double line,
// decrease, framing), each with its own help context.
#pragma once

#include "symbols/widgets/SymDlg.h"

#include <array>
#include <cstddef>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;

namespace zemo {

class TLineSymDlg : public TSymbolDlg {
public:
    explicit TLineSymDlg(QWidget* parent);

protected:
    void FillFields() override;
    bool CheckPage(int page) override;
    void ReadFields() override;

private:
    struct Length {
        RealField field;
        size_t offset;
        int page;
    };
    void AddLength(QGridLayout* grid, const char* name, TextKey label, size_t offset, int max, int page);
    QButtonGroup* AddStyleGroup(QWidget* page, const char* prefix, QLayout* into);

    std::vector<Length> lengths_;
    QComboBox* ToolB;
    QCheckBox* CsModeB;
    QComboBox* LineColorB;
    QButtonGroup* StyleB;
    QCheckBox* PointedB;
    QComboBox* MinSymB;
    IntField NPrimSymB;
    std::array<QCheckBox*, 5> listBoxes_{};  // none for the main list
    std::array<QPushButton*, 5> listButtons_{};
    QComboBox* DblModeB;
    QCheckBox* DblFillB;
    QComboBox* DblFillColorB;
    QComboBox* DblLeftColorB;
    QComboBox* DblRightColorB;
    QButtonGroup* DecModeB;
    IntField DecLastB;
    QComboBox* FrColorB;
    QButtonGroup* FrStyleB;
};

} // namespace zemo
