#include "symbols/widgets/SpotViewOptDlg.h"

#include "symbols/SpotColors.h"
#include "symbols/widgets/SymDlg.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace zemo {

TSpotViewOptDlg::TSpotViewOptDlg(const QStringList& names, const std::vector<bool>& shown,
                                 QWidget* parent)
    : QDialog(parent), listB_(new QListWidget(this))
{
    setObjectName(QStringLiteral("SpotViewOptDlg"));
    setWindowTitle(SymDlgText(TextKey::SpotOpt));
    auto* column = new QVBoxLayout(this);
    auto* label = new QLabel(SymDlgText(TextKey::SelectSpotView) + u':', this);
    label->setBuddy(listB_);
    column->addWidget(label);
    listB_->setObjectName(QStringLiteral("ListB"));
    for (int i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(names[i], listB_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(size_t(i) < shown.size() && shown[size_t(i)] ? Qt::Checked
                                                                         : Qt::Unchecked);
    }
    if (listB_->count() > 0)
        listB_->setCurrentRow(0);
    column->addWidget(listB_);
    AddDialogButtons(this, column, [] { return SpotViewOptHelpContext; });
}

std::vector<bool> TSpotViewOptDlg::Shown() const
{
    std::vector<bool> shown;
    for (int i = 0; i < listB_->count(); ++i)
        shown.push_back(listB_->item(i)->checkState() == Qt::Checked);
    return shown;
}

bool ExecSpotViewOptDlg(QWidget* parent, const QStringList& names, std::vector<bool>& shown)
{
    TSpotViewOptDlg d(names, shown, parent);
    if (d.exec() != QDialog::Accepted)
        return false;
    shown = d.Shown();
    return true;
}

} // namespace zemo
