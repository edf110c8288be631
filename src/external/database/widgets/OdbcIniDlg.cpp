#include "external/database/widgets/OdbcIniDlg.h"

#include "core/LangTexts.h"
#include "document/FileReplace.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <span>

namespace zemo {

bool ExecOdbcIniDlg(QWidget* parent, const QString& path)
{
    QFile in(path);
    const QByteArray before = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    in.close();
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("OdbcIniDlg"));
    dlg.setWindowTitle(Text(TextKey::OdbcSource));
    auto* layout = new QVBoxLayout(&dlg);
    auto* where = new QLabel(path, &dlg);
    where->setObjectName(QStringLiteral("PathL"));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    auto* edit = new QPlainTextEdit(&dlg);
    edit->setObjectName(QStringLiteral("TextE"));
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setPlainText(QString::fromUtf8(before));
    edit->setMinimumSize(480, 320);
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkBtn"));
    buttons->button(QDialogButtonBox::Ok)->setText(Text(TextKey::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(TextKey::Cancel));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] {
        const QByteArray text = edit->toPlainText().toUtf8();
        if (text != before) {
            // The file reports its own failure; the dialog stays with the text.
            TReplacingFile out;
            if (!out.Begin(path) || !out.Append(std::span(reinterpret_cast<const uint8_t*>(text.constData()), size_t(text.size())))
                || !out.Commit())
                return;
        }
        dlg.accept();
    });
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
