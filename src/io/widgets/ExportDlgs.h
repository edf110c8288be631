// The dialogs of the vector exports and the partial map: thin views over the options and edits
// of io/ExpEps.h, io/ExpAi.h and io/Partial.h.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/ExpAi.h"
#include "io/ExpEps.h"
#include "io/Partial.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QRadioButton;

namespace zemo {

class TRangeRows;

// File > Export EPS: raster resolution, composite or a file per separation, the partial map
// (set up with the export range dialog) and the export scale.
class TExpEpsDlg : public TMapDlgForm {
public:
    TExpEpsDlg(QWidget* parent, EpsOptions& options);
    void accept() override;

private:
    bool Validate();
    void Collect();
    void SetupRange();

    EpsOptions& options_;
    QComboBox* resolB_;
    QRadioButton* colorB_;
    QRadioButton* spotB_;
    QListWidget* separationB_;
    QCheckBox* partialB_;
    QComboBox* expScaleB_;
};

bool ExecExpEpsDlg(QWidget* parent, EpsOptions& options);

// File > Export AI: process or spot colours.
class TExpAiDlg : public TMapDlgForm {
public:
    TExpAiDlg(QWidget* parent, AiOptions& options);
    void accept() override;

private:
    AiOptions& options_;
    QRadioButton* cmykB_;
    QRadioButton* spotB_;
};

bool ExecExpAiDlg(QWidget* parent, AiOptions& options);

// Extras > Export partial map: the rectangle in millimetres, or the selected object.
class TPartialDlg : public TMapDlgForm {
public:
    TPartialDlg(QWidget* parent, PartialEdit& edit);
    void accept() override;
    RangeAnswer Answer() const { return answer_; }

private:
    bool StoreChecked();

    PartialEdit& edit_;
    TRangeRows* rows_;
    RangeFields shown_;
    QRadioButton* rectBoundB_;
    QRadioButton* objBoundB_;
    RangeAnswer answer_ = RangeAnswer::Cancel;
};

RangeAnswer ExecPartialDlg(QWidget* parent, PartialEdit& edit);

} // namespace zemo
