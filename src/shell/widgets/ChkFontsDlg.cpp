#include "shell/widgets/ChkFontsDlg.h"

#include "edit/widgets/MapDlgForm.h"
#include "shell/ChkFonts.h"
#include "shell/widgets/DialogRows.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

TChkFontsDlg::TChkFontsDlg(QWidget* parent, const QStringList& lines) : QDialog(parent)
{
    setObjectName(QStringLiteral("ChkFontsDlg"));
    setWindowTitle(PlainText(TextKey::FontsNotFound));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(PlainText(TextKey::FollowingFonts) + u':', this);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    fontListB_ = new QPlainTextEdit(this);
    fontListB_->setObjectName(QStringLiteral("FontListB"));
    fontListB_->setReadOnly(true);
    fontListB_->setPlainText(lines.join(u'\n'));
    layout->addWidget(fontListB_);
    const DialogButtons buttons = AddDialogButtons(this, layout, false, [] { return ChkFontsHelpContext; });
    buttons.ok->setFocus();
}

QString TChkFontsDlg::ListText() const
{
    return fontListB_->toPlainText();
}

void ShowMissingFonts(const QStringList& lines)
{
    TChkFontsDlg dlg(QApplication::activeWindow(), lines);
    dlg.exec();
}

} // namespace zemo
