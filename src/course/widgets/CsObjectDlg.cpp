#include "course/widgets/CsObjectDlg.h"

#include "course/CsObject.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QShowEvent>
#include <QToolButton>

namespace zemo {

namespace {

QToolButton* SpeedButton(QWidget* parent, const char* name, TextKey hint, const QString& glyph)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(PlainText(hint));
    b->setText(glyph);
    b->setAutoRaise(true);
    return b;
}

} // namespace

TCsObjectDlg::TCsObjectDlg(QWidget* parent, int type, int editedIndex, const QString& code)
    : TMapDlgForm(parent, QStringLiteral("CsObjectDlg"), TextKey::CourseObject, CsObjectHelpContext),
      type_(type), editedIndex_(editedIndex), code_(code)
{
    setWindowTitle(CsObjectDialogCaption(type));
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    codeB_ = new QLineEdit(code, row);
    codeB_->setObjectName(QStringLiteral("CodeB"));
    QToolButton* first = SpeedButton(row, "FirstFreeBtn", TextKey::FirstFreeCode, QStringLiteral("|<"));
    QToolButton* next = SpeedButton(row, "NextFreeBtn", TextKey::NextFreeCode, QStringLiteral(">"));
    h->addWidget(codeB_, 1);
    h->addWidget(first);
    h->addWidget(next);
    connect(first, &QToolButton::clicked, this, [this] {
        codeB_->setText(FirstFreeCode(type_));
        codeB_->setFocus();
    });
    connect(next, &QToolButton::clicked, this, [this] {
        codeB_->setText(NextFreeCode(type_, codeB_->text()));
        codeB_->setFocus();
    });
    AddRow(TextKey::Code, row);
    AddButtons();
}

void TCsObjectDlg::showEvent(QShowEvent* event)
{
    TMapDlgForm::showEvent(event);
    codeB_->setFocus();
    codeB_->selectAll();
}

void TCsObjectDlg::accept()
{
    QString code = codeB_->text();
    if (!AcceptCsCode(code, editedIndex_)) {
        codeB_->setFocus();
        return;
    }
    code_ = code;
    TMapDlgForm::accept();
}

bool ExecCsObjectDlg(QWidget* parent, int type, int editedIndex, QString& code)
{
    TCsObjectDlg dlg(parent, type, editedIndex, code);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    code = dlg.Code();
    return true;
}

} // namespace zemo
