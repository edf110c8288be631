#include "shell/widgets/AboutDlg.h"

#include "core/Help.h"
#include "edit/widgets/MapDlgForm.h"
#include "shell/MapInfo.h"
#include "shell/widgets/DialogRows.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

TAboutDlg::TAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(PlainText(TextKey::AboutZemo));
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    const QStringList lines = AboutLines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto* l = new QLabel(lines[i], this);
        l->setObjectName(QStringLiteral("Line%1").arg(i + 1));
        l->setAlignment(Qt::AlignCenter);
        if (i == 0) {
            QFont f = l->font();
            f.setBold(true);
            f.setPointSizeF(f.pointSizeF() * 1.5);
            l->setFont(f);
        }
        layout->addWidget(l);
    }
    auto* address = new QPushButton(PlainText(TextKey::Address), this);
    address->setObjectName(QStringLiteral("AddressBtn"));
    address->setAutoDefault(false);
    layout->addWidget(address);
    connect(address, &QPushButton::clicked, this, [] { ShowHelpContext(AddressHelpContext); });
    AddDialogButtons(this, layout, false, [] { return AboutHelpContext; }).ok->setFocus();
}

void ShowAbout(QWidget* parent)
{
    TAboutDlg dlg(parent);
    dlg.exec();
}

} // namespace zemo
