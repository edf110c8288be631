// The export range dialog and the one-page dialog: thin views over ExportRangeEdit and
// OnePageEdit (io/ExpRange.h).
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/ExpRange.h"

class QRadioButton;

namespace zemo {

class TRangeRows;

class TExpRangeDlg : public TMapDlgForm {
public:
    TExpRangeDlg(QWidget* parent, ExportRangeEdit& edit);
    void accept() override;
    RangeAnswer Answer() const { return answer_; }

private:
    void Load();
    void SwitchUnit(RangeUnit unit);
    void EntireMap();
    void Define();
    bool StoreChecked();

    ExportRangeEdit& edit_;
    TRangeRows* rows_;
    QRadioButton* paperB_;
    QRadioButton* realWorldB_;
    RangeAnswer answer_ = RangeAnswer::Cancel;
};

RangeAnswer ExecExpRangeDlg(QWidget* parent, ExportRangeEdit& edit);

class TOnePageDlg : public TMapDlgForm {
public:
    TOnePageDlg(QWidget* parent, OnePageEdit& edit);
    void accept() override;
    RangeAnswer Answer() const { return answer_; }

private:
    bool StoreChecked();

    OnePageEdit& edit_;
    SpinField left_;
    SpinField bottom_;
    RangeAnswer answer_ = RangeAnswer::Cancel;
};

RangeAnswer ExecOnePageDlg(QWidget* parent, OnePageEdit& edit);

} // namespace zemo
