#include "symbols/widgets/TranspOptDlg.h"

#include "core/LangTexts.h"
#include "symbols/SpotColors.h"
#include "symbols/widgets/SymDlg.h"

#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

TTranspOptDlg::TTranspOptDlg(const std::vector<ComboColor>& colours, int opaque, QWidget* parent)
    : QDialog(parent), colours_(colours)
{
    setObjectName(QStringLiteral("TranspOptDlg"));
    setWindowTitle(SymDlgText(TextKey::TranspOpt));
    auto* column = new QVBoxLayout(this);
    auto* group = new QGroupBox(SymDlgText(TextKey::OpaqueCol), this);
    group->setObjectName(QStringLiteral("OpaqueGrp"));
    auto* inGroup = new QVBoxLayout(group);
    noColor_ = new QRadioButton(Text(TextKey::NoColor), group);
    noColor_->setObjectName(QStringLiteral("NoColorB"));
    fromTopTo_ = new QRadioButton(Text(TextKey::FromTopTo), group);
    fromTopTo_->setObjectName(QStringLiteral("FromTopToB"));
    colorsB_ = new QListWidget(group);
    colorsB_->setObjectName(QStringLiteral("ColorsB"));
    inGroup->addWidget(noColor_);
    inGroup->addWidget(fromTopTo_);
    inGroup->addWidget(colorsB_);
    column->addWidget(group);
    AddDialogButtons(this, column, [] { return TranspOptHelpContext; });

    int chosen = -1;
    for (size_t i = 0; i < colours_.size(); ++i) {
        colorsB_->addItem(QString::number(colours_[i].number) + QStringLiteral("  ") +
                          colours_[i].name);
        if (chosen < 0 && colours_[i].number == opaque)
            chosen = int(i);
    }
    (chosen >= 0 ? fromTopTo_ : noColor_)->setChecked(true);
    if (colorsB_->count() > 0)
        colorsB_->setCurrentRow(std::max(chosen, 0));
    // Choosing a colour means keeping the colours down to it.
    connect(colorsB_, &QListWidget::itemClicked, this, [this] { fromTopTo_->setChecked(true); });
    connect(colorsB_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && colorsB_->hasFocus())
            fromTopTo_->setChecked(true);
    });
    shown_ = Opaque();
}

int TTranspOptDlg::Opaque() const
{
    const int row = colorsB_->currentRow();
    if (noColor_->isChecked() || row < 0 || size_t(row) >= colours_.size())
        return -1;
    return colours_[size_t(row)].number;
}

bool ExecTranspOptDlg(QWidget* parent, const std::vector<ComboColor>& colours, int& opaque)
{
    TTranspOptDlg d(colours, opaque, parent);
    if (d.exec() != QDialog::Accepted)
        return false;
    // Left as shown, the map keeps its value (also a colour it no longer has).
    if (d.Opaque() != d.Shown())
        opaque = d.Opaque();
    return true;
}

} // namespace zemo
