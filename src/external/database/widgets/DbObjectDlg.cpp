#include "external/database/widgets/DbObjectDlg.h"

#include "core/LangTexts.h"
#include "external/database/DbObject.h"
#include "shell/widgets/DialogRows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace zemo {

namespace {

QString Caption(TextKey k)
{
    return Text(k).remove(u'&');
}

QComboBox* DatasetBox(QDialog* dlg, const DatasetChoice& c)
{
    auto* box = new QComboBox(dlg);
    box->setObjectName(QStringLiteral("DatasetB"));
    box->addItems(c.Datasets);
    box->setCurrentIndex(c.Dataset);
    return box;
}

// OK closes only when the check lets it.
class CheckedDialog : public QDialog {
public:
    using QDialog::QDialog;
    std::function<bool()> Check;
    void accept() override
    {
        if (!Check || Check())
            QDialog::accept();
    }
};

} // namespace

LinkDlgResult ExecDbObjectDlg(QWidget* parent, LinkDlgValues& values)
{
    CheckedDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("DbObjectDlg"));
    dlg.setWindowTitle(Caption(TextKey::LinkObject));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout;
    auto* dataset = new QComboBox(&dlg);
    dataset->setObjectName(QStringLiteral("DatasetB"));
    dataset->addItems(values.Datasets);
    dataset->setCurrentIndex(values.Dataset);
    auto* key = new QLineEdit(values.Key, &dlg);
    key->setObjectName(QStringLiteral("KeyB"));
    auto* newRec = new QCheckBox(Caption(TextKey::NewRecord), &dlg);
    newRec->setObjectName(QStringLiteral("NewRecB"));
    newRec->setChecked(values.NewRecord);
    form->addRow(Caption(TextKey::Dataset) + u':', dataset);
    form->addRow(Caption(TextKey::Key) + u':', key);
    form->addRow(newRec);
    layout->addLayout(form);
    auto* remove = new QPushButton(Caption(TextKey::Remove), &dlg);
    remove->setObjectName(QStringLiteral("RemoveBtn"));
    layout->addWidget(remove);
    bool removed = false;
    QObject::connect(remove, &QPushButton::clicked, &dlg, [&] {
        removed = true;
        dlg.reject();
    });
    AddDialogButtons(&dlg, layout, true, [] { return LinkDlgHelpContext; });
    dlg.Check = [&] {
        LinkDlgValues v = values;
        v.Dataset = dataset->currentIndex();
        v.Key = key->text();
        v.NewRecord = newRec->isChecked();
        if (!AcceptLink(v))
            return false;
        values = v;
        return true;
    };
    const int r = dlg.exec();
    if (removed)
        return LinkDlgResult::Remove;
    return r == QDialog::Accepted ? LinkDlgResult::Ok : LinkDlgResult::Cancel;
}

bool ExecDbFindDlg(QWidget* parent, DatasetChoice& choice)
{
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("DbFindDlg"));
    dlg.setWindowTitle(Caption(TextKey::FindObject));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout;
    QComboBox* dataset = DatasetBox(&dlg, choice);
    auto* key = new QLineEdit(choice.Key, &dlg);
    key->setObjectName(QStringLiteral("KeyB"));
    form->addRow(Caption(TextKey::Dataset) + u':', dataset);
    form->addRow(Caption(TextKey::Key) + u':', key);
    layout->addLayout(form);
    AddDialogButtons(&dlg, layout, true, [] { return FindDlgHelpContext; });
    if (dlg.exec() != QDialog::Accepted)
        return false;
    choice.Dataset = dataset->currentIndex();
    choice.Key = key->text();
    return true;
}

bool ExecDbCreateDlg(QWidget* parent, DatasetChoice& choice)
{
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("DbCreateDlg"));
    dlg.setWindowTitle(Caption(TextKey::CreateLinks));
    auto* layout = new QVBoxLayout(&dlg);
    auto* text = new QLabel(Text(TextKey::CreateLinksText), &dlg);
    text->setWordWrap(true);
    layout->addWidget(text);
    QComboBox* dataset = DatasetBox(&dlg, choice);
    layout->addWidget(dataset);
    AddDialogButtons(&dlg, layout, true, [] { return CreateLinksHelpContext; });
    if (dlg.exec() != QDialog::Accepted)
        return false;
    choice.Dataset = dataset->currentIndex();
    return true;
}

} // namespace zemo
