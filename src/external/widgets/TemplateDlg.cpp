#include "external/widgets/TemplateDlg.h"

#include "core/LangTexts.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

TTemplateDlg::TTemplateDlg(QWidget* parent, const TemplateListRequest& request)
    : QDialog(parent), list_(new QListWidget(this))
{
    setObjectName(QStringLiteral("TemplateDlg"));
    setWindowTitle(QString(request.caption).remove(u'&'));
    list_->setObjectName(QStringLiteral("ListB"));
    list_->setSelectionMode(request.several ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection);
    list_->addItems(request.names);
    if (list_->count() > 0) {
        list_->setCurrentRow(0);
        list_->item(0)->setSelected(true);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Text(TextKey::Ok).remove(u'&'), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    buttons->addButton(Text(TextKey::Cancel).remove(u'&'), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

std::vector<int> TTemplateDlg::Chosen() const
{
    std::vector<int> chosen;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected())
            chosen.push_back(i);
    return chosen;
}

std::vector<int> ExecTemplateDlg(QWidget* parent, const TemplateListRequest& request)
{
    TTemplateDlg dlg(parent, request);
    if (dlg.exec() != QDialog::Accepted)
        return {};
    return dlg.Chosen();
}

} // namespace zemo
