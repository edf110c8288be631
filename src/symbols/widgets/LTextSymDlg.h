// The line-text symbol editor's dialog: General (tool, font rows and preview), Spacing and
// Framing pages.
#pragma once

#include "symbols/widgets/TextSymDlg.h"

#include <vector>

namespace zemo {

class TLTextSymDlg : public TFontSymDlg {
public:
    explicit TLTextSymDlg(QWidget* parent);

protected:
    void FillFields() override;
    bool CheckPage(int page) override;
    void ReadFields() override;

private:
    QComboBox* ToolB;
    QComboBox* AlignmentB;
    QButtonGroup* FramingB;
    QComboBox* FrColorB;
    RealField FrWidthB;
    RealField FrOfxB;
    RealField FrOfyB;
};

} // namespace zemo
