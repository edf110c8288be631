// The print-range dialog: a thin view over PrintRangeEdit (io/PrintRange.h). The preview box
// shows the map's extent, the pages the rectangle falls on with their corners folded, and
// the rectangle dotted; it paints from the fields as they stand, never from the map.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/PrintRange.h"

class QLabel;

namespace zemo {

class TPrintRangePreview;

class TPrintRangeDlg : public TMapDlgForm {
public:
    TPrintRangeDlg(QWidget* parent, PrintRangeEdit& edit);
    void accept() override;
    RangeAnswer Answer() const { return answer_; }
    PrintRangeFields Shown() const;
    // The picture of the preview box as it stands.
    PrintRangePicture Picture() const;

private:
    void Show(const PrintRangeFields& f);
    void Repaint();
    bool StoreChecked();

    PrintRangeEdit& edit_;
    SpinField left_;
    SpinField right_;
    SpinField bottom_;
    SpinField top_;
    SpinField horOvl_;
    SpinField verOvl_;
    QLabel* printSizeB_;
    TPrintRangePreview* previewB_;
    RangeAnswer answer_ = RangeAnswer::Cancel;
};

RangeAnswer ExecPrintRangeDlg(QWidget* parent, PrintRangeEdit& edit);

} // namespace zemo
