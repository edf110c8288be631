#include "document/widgets/OptimizeDlg.h"

#include "core/Help.h"
#include "core/LangTexts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

QString Plain(TextKey k)
{
    return Text(k).remove(u'&');
}

QLabel* Value(QWidget* parent, const QString& name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

TOptimizeDlg::TOptimizeDlg(QWidget* parent, const OptimizeResult& r) : QDialog(parent)
{
    setObjectName(QStringLiteral("OptimizeDlg"));
    setWindowTitle(Plain(TextKey::OptimizeRslt));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    const QLocale locale;
    const auto row = [&](TextKey caption, const QString& name, const QString& text) {
        const int at = grid->rowCount();
        grid->addWidget(new QLabel(Plain(caption) + u':', this), at, 0);
        grid->addWidget(Value(this, name, text), at, 1);
        return at;
    };
    row(TextKey::OldFileSize, QStringLiteral("OldFileSizeB"), locale.toString(qlonglong(r.OldSize)));
    row(TextKey::NewFileSize, QStringLiteral("NewFileSizeB"), locale.toString(qlonglong(r.NewSize)));
    row(TextKey::Repaired, QStringLiteral("RepairedB"), QString::number(r.Repaired));
    row(TextKey::DamagedDeleted, QStringLiteral("DeletedB"), QString::number(r.Damaged()));
    const int unknown = row(TextKey::UnknownSym, QStringLiteral("UnknownSymB"), QString::number(r.UnknownSymbol));
    grid->addWidget(Value(this, QStringLiteral("UnknownDelB"),
                          QStringLiteral("(") + Plain(TextKey::NotDeleted) + QStringLiteral(")")),
                    unknown, 2);
    row(TextKey::Spurious, QStringLiteral("SpuriousB"), QString::number(r.Spurious));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Plain(TextKey::Ok), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkBtn"));
    ok->setDefault(true);
    QPushButton* help = buttons->addButton(Plain(TextKey::Help), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("HelpBtn"));
    layout->addWidget(buttons);
    // OK is also the cancel button: Esc closes the report the same way.
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(OptimizeHelpContext); });
}

void ExecOptimizeDlg(QWidget* parent, const OptimizeResult& result)
{
    TOptimizeDlg dlg(parent, result);
    dlg.exec();
}

void OptimizeAndReport(QWidget* parent)
{
    if (const std::optional<OptimizeResult> r = OptimizeMap())
        ExecOptimizeDlg(parent, *r);
}

} // namespace zemo
