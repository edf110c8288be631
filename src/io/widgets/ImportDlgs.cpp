#include "io/widgets/ImportDlgs.h"

#include "io/widgets/PrintDlgParts.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "symbols/CrtTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zemo {

namespace {

QString Fixed(double v, int digits)
{
    return FloatToFixedStr(digits, v);
}

} // namespace

// ---- Map import ----

TImportDlg::TImportDlg(QWidget* parent, ImportMapOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ImportDlg"), TextKey::ImportZemo, ImportDlgHelpContext),
      options_(options)
{
    auto* position = new QGroupBox(PlainText(TextKey::Position), this);
    position->setObjectName(QStringLiteral("PositionB"));
    auto* v = new QVBoxLayout(position);
    mouseB_ = DlgRadio(position, TextKey::WithMouse, "MouseB");
    offsetB_ = DlgRadio(position, TextKey::WithOffset, "OffsetB");
    v->addWidget(mouseB_);
    v->addWidget(offsetB_);
    AddWidget(position);
    hor_ = AddSpin(TextKey::HorOffset, QStringLiteral("HorOfs"), -2000, 2000, 2, 0.1, QStringLiteral("mm"));
    ver_ = AddSpin(TextKey::VerOffset, QStringLiteral("VerOfs"), -2000, 2000, 2, 0.1, QStringLiteral("mm"));
    AddButtons();
    (options_.Mouse ? mouseB_ : offsetB_)->setChecked(true);
    hor_.SetValue(options_.HorOffset);
    ver_.SetValue(options_.VerOffset);
    // Typing an offset chooses placing by it.
    for (QLineEdit* e : {hor_.edit, ver_.edit})
        connect(e, &QLineEdit::textEdited, this, [this] { offsetB_->setChecked(true); });
}

void TImportDlg::accept()
{
    if (offsetB_->isChecked() && (!hor_.Check() || !ver_.Check()))
        return;
    options_.Mouse = mouseB_->isChecked();
    if (!options_.Mouse) {
        options_.HorOffset = hor_.Value();
        options_.VerOffset = ver_.Value();
    }
    QDialog::accept();
}

bool ExecImportDlg(QWidget* parent, ImportMapOptions& options)
{
    TImportDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

// ---- DXF import ----

TImpDxfDlg::TImpDxfDlg(QWidget* parent, ImpDxfOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ImpDxfDlg"), TextKey::ImportDxf, ImpDxfHelpContext), options_(options)
{
    const DxfHeaderInfo& h = options_.Header;
    auto* size = new QGroupBox(PlainText(TextKey::DxfSize), this);
    size->setObjectName(QStringLiteral("SizeB"));
    auto* sg = new QGridLayout(size);
    const auto range = [&](double a, double b) {
        return h.HasExtents ? Fixed(a, 0) + QStringLiteral("..") + Fixed(b, 0) : Text(TextKey::NoInfo);
    };
    auto* horSize = new QLabel(range(h.MinX, h.MaxX), size);
    horSize->setObjectName(QStringLiteral("HorSizeB"));
    auto* verSize = new QLabel(range(h.MinY, h.MaxY), size);
    verSize->setObjectName(QStringLiteral("VerSizeB"));
    sg->addWidget(new QLabel(PlainText(TextKey::Horizontally), size), 0, 0);
    sg->addWidget(horSize, 0, 1);
    sg->addWidget(new QLabel(PlainText(TextKey::Vertically), size), 1, 0);
    sg->addWidget(verSize, 1, 1);
    AddWidget(size);

    auto* cord = new QGroupBox(PlainText(TextKey::ImportCord), this);
    cord->setObjectName(QStringLiteral("CordB"));
    auto* cg = new QGridLayout(cord);
    gisB_ = DlgRadio(cord, TextKey::Gis, "GisB");
    otherB_ = DlgRadio(cord, TextKey::Other, "OtherB");
    otherCordB_ = DlgEdit(cord, options_.OtherFactor, "OtherCordB");
    cg->addWidget(gisB_, 0, 0, 1, 3);
    cg->addWidget(otherB_, 1, 0);
    cg->addWidget(otherCordB_, 1, 1);
    cg->addWidget(new QLabel(Text(TextKey::mmUnit), cord), 1, 2);
    AddWidget(cord);
    (options_.Gis ? gisB_ : otherB_)->setChecked(true);

    auto* offset = new QGroupBox(PlainText(TextKey::Offset), this);
    offset->setObjectName(QStringLiteral("OffsetB"));
    auto* og = new QGridLayout(offset);
    newOfsB_ = DlgRadio(offset, TextKey::NewOffset, "NewOfsB");
    existingOfsB_ = DlgRadio(offset, TextKey::ExistingOffset, "ExistingOfsB");
    horOfsB_ = DlgEdit(offset, options_.HorOffset, "HorOfsB");
    verOfsB_ = DlgEdit(offset, options_.VerOffset, "VerOfsB");
    angleB_ = DlgEdit(offset, options_.Angle, "AngleB");
    mapScaleB_ = new QComboBox(offset);
    mapScaleB_->setObjectName(QStringLiteral("MapScaleB"));
    mapScaleB_->setEditable(true);
    FillScaleCombo(mapScaleB_, options_.MapScale);
    auto* existing = new QLabel(QStringLiteral("(") + Fixed(options_.MapOffsetX, 0) + QStringLiteral(" / ")
                                    + Fixed(options_.MapOffsetY, 0) + QStringLiteral(" / ")
                                    + Fixed(options_.MapAngle, 2) + QStringLiteral(")"),
                                offset);
    existing->setObjectName(QStringLiteral("ExistingOfsL"));
    og->addWidget(newOfsB_, 0, 0, 1, 2);
    og->addWidget(new QLabel(PlainText(TextKey::HorOffset), offset), 1, 0);
    og->addWidget(horOfsB_, 1, 1);
    og->addWidget(new QLabel(PlainText(TextKey::VerOffset), offset), 2, 0);
    og->addWidget(verOfsB_, 2, 1);
    og->addWidget(new QLabel(PlainText(TextKey::Angle), offset), 3, 0);
    og->addWidget(angleB_, 3, 1);
    og->addWidget(new QLabel(PlainText(TextKey::MapScale), offset), 4, 0);
    og->addWidget(mapScaleB_, 4, 1);
    og->addWidget(existingOfsB_, 5, 0);
    og->addWidget(existing, 5, 1);
    AddWidget(offset);
    (options_.NewOffset ? newOfsB_ : existingOfsB_)->setChecked(true);

    impCordB_ = AddCheck(TextKey::RealWorldCord, QStringLiteral("ImpCordB"));
    oemB_ = AddCheck(TextKey::ConvertOemToAnsi, QStringLiteral("OemToAnsiB"));
    insertB_ = AddCheck(TextKey::InsertAsPoint, QStringLiteral("InsertB"));
    impCordB_->setChecked(options_.TakeOver);
    oemB_->setChecked(options_.Oem);
    insertB_->setChecked(options_.InsertAsPoint);
    auto* crt = new QPushButton(Text(TextKey::LoadCrtFile), this);
    crt->setObjectName(QStringLiteral("CrtBtn"));
    crt->setAutoDefault(false);
    crtFileB_ = new QLabel(this);
    crtFileB_->setObjectName(QStringLiteral("CrtFileB"));
    AddWidget(crt);
    AddWidget(crtFileB_);
    connect(crt, &QPushButton::clicked, this, [this] {
        if (LoadCrtFile())
            crtFileB_->setText(QFileInfo(CrtTable.FileName).fileName());
    });
    AddButtons();
}

void TImpDxfDlg::accept()
{
    if (newOfsB_->isChecked()) {
        for (auto [edit, key] : {std::pair{horOfsB_, TextKey::HorOffset}, std::pair{verOfsB_, TextKey::VerOffset},
                                 std::pair{angleB_, TextKey::Angle}})
            if (!CheckNumberEdit(edit, PlainText(key)))
                return;
        if (!CheckRealEdit(mapScaleB_->lineEdit(), PlainText(TextKey::MapScale), 1, 100000000))
            return;
    }
    if (otherB_->isChecked() && !CheckNumberEdit(otherCordB_, PlainText(TextKey::Factor)))
        return;
    options_.Gis = gisB_->isChecked();
    options_.OtherFactor = otherCordB_->text();
    options_.NewOffset = newOfsB_->isChecked();
    options_.HorOffset = horOfsB_->text();
    options_.VerOffset = verOfsB_->text();
    options_.Angle = angleB_->text();
    double scale = options_.MapScale;
    if (TryPointStrToFloat(mapScaleB_->currentText(), scale))
        options_.MapScale = scale;
    options_.TakeOver = impCordB_->isChecked();
    options_.Oem = oemB_->isChecked();
    options_.InsertAsPoint = insertB_->isChecked();
    QDialog::accept();
}

bool ExecImpDxfDlg(QWidget* parent, ImpDxfOptions& options)
{
    TImpDxfDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
