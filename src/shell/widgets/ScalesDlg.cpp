#include "shell/widgets/ScalesDlg.h"

#include "core/widgets/QtFieldChecks.h"
#include "document/Index.h"
#include "edit/MapTrans.h"
#include "edit/widgets/MapDlgForm.h"
#include "shell/widgets/DialogRows.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

QLineEdit* AddRange(QGridLayout* grid, QWidget* owner, TextKey label, const QString& name,
                    const ScalesRange& r, const QString& unit)
{
    return AddSpinRow(grid, owner, PlainText(label), name, r.min, r.max, r.decimals, r.step, unit).edit;
}

} // namespace

TScalesDlg::TScalesDlg(QWidget* parent, const SetupRecord& setup) : QDialog(parent)
{
    setObjectName(QStringLiteral("ScalesDlg"));
    setWindowTitle(PlainText(TextKey::Scales));
    const QString m = QStringLiteral("m");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    mapScaleB_ = new QComboBox(this);
    mapScaleB_->setObjectName(QStringLiteral("MapScaleB"));
    FillScaleCombo(mapScaleB_, setup.MapScale);
    auto* scaleLabel = new QLabel(PlainText(TextKey::MapScale) + u':', this);
    scaleLabel->setBuddy(mapScaleB_);
    grid->addWidget(scaleLabel, 0, 0);
    grid->addWidget(mapScaleB_, 0, 1, 1, 2);
    gridDistE_ = AddRange(grid, this, TextKey::GridDist, QStringLiteral("GridDist"), GridDistRange,
                          QStringLiteral("mm"));
    layout->addLayout(grid);

    auto* coordinates = new QGroupBox(PlainText(TextKey::Coordinates), this);
    auto* cl = new QVBoxLayout(coordinates);
    paperCordB_ = new QRadioButton(Text(TextKey::PaperCord), coordinates);
    paperCordB_->setObjectName(QStringLiteral("PaperCordB"));
    realCordB_ = new QRadioButton(Text(TextKey::RealWorldCord), coordinates);
    realCordB_->setObjectName(QStringLiteral("RealCordB"));
    cl->addWidget(paperCordB_);
    cl->addWidget(realCordB_);
    auto* cgrid = new QGridLayout;
    horOfsE_ = AddRange(cgrid, coordinates, TextKey::HorOffset, QStringLiteral("HorOfs"), OffsetRange, m);
    verOfsE_ = AddRange(cgrid, coordinates, TextKey::VerOffset, QStringLiteral("VerOfs"), OffsetRange, m);
    angleB_ = new QLineEdit(coordinates);
    angleB_->setObjectName(QStringLiteral("AngleB"));
    auto* angleLabel = new QLabel(PlainText(TextKey::Angle) + u':', coordinates);
    angleLabel->setBuddy(angleB_);
    const int row = cgrid->rowCount();
    cgrid->addWidget(angleLabel, row, 0);
    cgrid->addWidget(angleB_, row, 1);
    cgrid->addWidget(new QLabel(PlainText(TextKey::Degrees), coordinates), row, 3);
    realGridE_ = AddRange(cgrid, coordinates, TextKey::GridDist, QStringLiteral("RealGrid"), RealGridRange, m);
    cl->addLayout(cgrid);
    layout->addWidget(coordinates);
    AddDialogButtons(this, layout, true, [] { return ScalesHelpContext; });

    const ScalesFields f = ScalesFieldsOf(setup);
    gridDistE_->setText(f.gridDist);
    (f.realWorld ? realCordB_ : paperCordB_)->setChecked(true);
    horOfsE_->setText(f.horOfs);
    verOfsE_->setText(f.verOfs);
    angleB_->setText(f.angle);
    realGridE_->setText(f.realGrid);
    shown_ = Fields();
}

ScalesFields TScalesDlg::Fields() const
{
    ScalesFields f;
    f.scale = mapScaleB_->currentText();
    f.gridDist = gridDistE_->text();
    f.horOfs = horOfsE_->text();
    f.verOfs = verOfsE_->text();
    f.angle = angleB_->text();
    f.realGrid = realGridE_->text();
    f.realWorld = realCordB_->isChecked();
    return f;
}

void TScalesDlg::accept()
{
    QWidget* field = nullptr;
    switch (CheckScalesFields(Fields(), &shown_)) {
    case ScalesField::None: QDialog::accept(); return;
    case ScalesField::Scale: field = mapScaleB_; break;
    case ScalesField::GridDist: field = gridDistE_; break;
    case ScalesField::HorOfs: field = horOfsE_; break;
    case ScalesField::VerOfs: field = verOfsE_; break;
    case ScalesField::Angle: field = angleB_; break;
    case ScalesField::RealGrid: field = realGridE_; break;
    }
    field->setFocus();
}

bool RunScales(QWidget* parent)
{
    if (!Index.MapOpen || !Index.ActiveZmd)
        return false;
    TScalesDlg dlg(parent, *Stp());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    SetupRecord edited = *Stp();
    StoreScalesFields(dlg.Fields(), edited, &dlg.Shown());
    if (StoreSetup(edited))
        RepaintMapWindows();
    return true;
}

} // namespace zemo
