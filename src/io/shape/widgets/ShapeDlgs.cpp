#include "io/shape/widgets/ShapeDlgs.h"

#include "io/widgets/PrintDlgParts.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

} // namespace

// ---- Import ----

TImpShapeDlg::TImpShapeDlg(QWidget* parent, ImpShapeOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ImpShapeDlg"), TextKey::ImportShape, ImpShapeHelpContext),
      options_(options)
{
    const ShapeBox& b = options_.Box;
    auto* size = new QGroupBox(PlainText(TextKey::ShapeSize), this);
    size->setObjectName(QStringLiteral("SizeB"));
    auto* sg = new QGridLayout(size);
    const auto range = [](double lo, double hi) {
        return FloatToFixedStr(0, lo) + QStringLiteral("..") + FloatToFixedStr(0, hi);
    };
    auto* horSize = new QLabel(range(b.MinX, b.MaxX), size);
    horSize->setObjectName(QStringLiteral("HorSizeB"));
    auto* verSize = new QLabel(range(b.MinY, b.MaxY), size);
    verSize->setObjectName(QStringLiteral("VerSizeB"));
    sg->addWidget(new QLabel(PlainText(TextKey::Horizontally), size), 0, 0);
    sg->addWidget(horSize, 0, 1);
    sg->addWidget(new QLabel(PlainText(TextKey::Vertically), size), 1, 0);
    sg->addWidget(verSize, 1, 1);
    AddWidget(size);

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
    auto* existing = new QLabel(QStringLiteral("(") + FloatToFixedStr(0, options_.MapOffsetX) + QStringLiteral(" / ")
                                    + FloatToFixedStr(0, options_.MapOffsetY) + QStringLiteral(" / ")
                                    + FloatToFixedStr(2, options_.MapAngle) + QStringLiteral(")"),
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

    unitsB_ = new QComboBox(this);
    unitsB_->setObjectName(QStringLiteral("UnitsB"));
    unitsB_->addItems({QStringLiteral("m"), QStringLiteral("km"), QStringLiteral("1000 km")});
    // The .prj's own unit, where it is none of these.
    if (options_.PrjUnit > 0 && options_.Unit == ShapeUnitOfPrj)
        unitsB_->addItem(options_.PrjUnitName.isEmpty() ? FloatToTrimStr(0, 9, options_.PrjUnit) + QStringLiteral(" m")
                                                        : options_.PrjUnitName);
    unitsB_->setCurrentIndex(std::clamp(options_.Unit, 0, unitsB_->count() - 1));
    AddRow(TextKey::Units, unitsB_);
    connect(unitsB_, &QComboBox::activated, this, [this] { ProposeScale(); });

    auto* key = new QGroupBox(PlainText(TextKey::KeyFieldDBase), this);
    key->setObjectName(QStringLiteral("KeyFieldB"));
    auto* kv = new QVBoxLayout(key);
    newKeyB_ = DlgRadio(key, TextKey::CreateNewKey, "NewKeyB");
    existingKeyB_ = DlgRadio(key, TextKey::UseExistingKey, "ExistingKeyB");
    fieldsB_ = new QComboBox(key);
    fieldsB_->setObjectName(QStringLiteral("FieldsB"));
    fieldsB_->addItems(options_.Fields);
    fieldsB_->setCurrentIndex(options_.KeyField);
    kv->addWidget(newKeyB_);
    kv->addWidget(existingKeyB_);
    kv->addWidget(fieldsB_);
    AddWidget(key);
    (options_.ExistingKey ? existingKeyB_ : newKeyB_)->setChecked(true);
    // Choosing a field chooses it as the key.
    connect(fieldsB_, &QComboBox::activated, this, [this] { existingKeyB_->setChecked(true); });
    AddButtons();
}

void TImpShapeDlg::ProposeScale()
{
    double typed = 0;
    if (!TryPointStrToFloat(mapScaleB_->currentText(), typed))
        typed = 0;
    const double unit = ShapeUnitFactor(unitsB_->currentIndex(), options_.PrjUnit);
    FillScaleCombo(mapScaleB_, ProposeShapeScale(options_.Box, unit, typed));
}

void TImpShapeDlg::accept()
{
    if (newOfsB_->isChecked()) {
        for (auto [edit, key] : {std::pair{horOfsB_, TextKey::HorOffset}, std::pair{verOfsB_, TextKey::VerOffset},
                                 std::pair{angleB_, TextKey::Angle}})
            if (!CheckNumberEdit(edit, PlainText(key)))
                return;
        if (!CheckRealEdit(mapScaleB_->lineEdit(), PlainText(TextKey::MapScale), 1, MaxShapeScale))
            return;
    }
    options_.NewOffset = newOfsB_->isChecked();
    options_.HorOffset = horOfsB_->text();
    options_.VerOffset = verOfsB_->text();
    options_.Angle = angleB_->text();
    double scale = options_.MapScale;
    if (TryPointStrToFloat(mapScaleB_->currentText(), scale))
        options_.MapScale = scale;
    options_.Unit = unitsB_->currentIndex();
    options_.ExistingKey = existingKeyB_->isChecked() && fieldsB_->currentIndex() >= 0;
    options_.KeyField = fieldsB_->currentIndex();
    QDialog::accept();
}

bool ExecImpShapeDlg(QWidget* parent, ImpShapeOptions& options)
{
    TImpShapeDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

// ---- Export ----

TExpShapeDlg::TExpShapeDlg(QWidget* parent, ExpShapeOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ExpShapeDlg"), TextKey::ExportShape, ExpShapeHelpContext),
      options_(options)
{
    objectsB_ = new QListWidget(this);
    objectsB_->setObjectName(QStringLiteral("ObjectsB"));
    objectsB_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (TextKey k : {TextKey::PointObjects, TextKey::LineObjects, TextKey::AreaObjects, TextKey::TextObjects})
        objectsB_->addItem(Text(k));
    for (int k = 0; k < ShapeSetKinds; ++k)
        objectsB_->item(k)->setSelected(options_.Kinds[size_t(k)]);
    AddWidget(new QLabel(Text(TextKey::Objects) + u':', this));
    AddWidget(objectsB_);

    auto* group = new QGroupBox(PlainText(TextKey::Dataset), this);
    group->setObjectName(QStringLiteral("DatasetGrp"));
    auto* v = new QVBoxLayout(group);
    allB_ = DlgRadio(group, TextKey::AllObjects, "AllObjectsB");
    datasetB_ = DlgRadio(group, TextKey::ObjectsInDataset, "ObjectsInDatasetB");
    datasetB_->setText(datasetB_->text() + u':');
    datasetsB_ = new QComboBox(group);
    datasetsB_->setObjectName(QStringLiteral("DatasetB"));
    datasetsB_->addItems(options_.Datasets);
    const bool any = !options_.Datasets.isEmpty();
    datasetsB_->setEnabled(any);
    datasetB_->setEnabled(any);
    if (any)
        datasetsB_->setCurrentIndex(std::clamp(options_.Dataset, 0, int(options_.Datasets.size()) - 1));
    v->addWidget(allB_);
    v->addWidget(datasetB_);
    v->addWidget(datasetsB_);
    AddWidget(group);
    (options_.DatasetMode && any ? datasetB_ : allB_)->setChecked(true);
    AddButtons();
}

void TExpShapeDlg::accept()
{
    for (int k = 0; k < ShapeSetKinds; ++k)
        options_.Kinds[size_t(k)] = objectsB_->item(k)->isSelected();
    options_.DatasetMode = datasetB_->isChecked() && !options_.Datasets.isEmpty();
    options_.Dataset = std::max(0, datasetsB_->currentIndex());
    QDialog::accept();
}

bool ExecExpShapeDlg(QWidget* parent, ExpShapeOptions& options)
{
    TExpShapeDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
