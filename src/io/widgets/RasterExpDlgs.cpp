#include "io/widgets/RasterExpDlgs.h"

#include "core/widgets/QtFieldChecks.h"
#include "io/ExpBmp.h"
#include "io/ExpJpeg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace zemo {

TRasterExpDlg::TRasterExpDlg(QWidget* parent, const QString& name, TextKey caption, int helpContext,
                             RasterExpOptions& options)
    : TMapDlgForm(parent, name, caption, helpContext), options_(options)
{
    resolB_ = new QComboBox(this);
    resolB_->setObjectName(QStringLiteral("ResolB"));
    resolB_->setEditable(true);
    for (const char* item : {"75", "100", "150", "200", "300"})
        resolB_->addItem(QString::fromLatin1(item));
    resolB_->setEditText(options_.Resolution);
    AddRow(TextKey::Resolution, resolB_, new QLabel(QStringLiteral("dpi"), this));
    // The form's own caption: the language file has no text for it.
    antialiasB_ = new QCheckBox(QStringLiteral("Anti-aliasing"), this);
    antialiasB_->setObjectName(QStringLiteral("AntialiasB"));
    antialiasB_->setChecked(options_.AntiAlias);
    AddWidget(antialiasB_);
    colorCorB_ = new QCheckBox(PlainText(TextKey::OptionsColorCor), this);
    colorCorB_->setObjectName(QStringLiteral("ColorCorB"));
    colorCorB_->setChecked(options_.ColorCorrection);
    AddWidget(colorCorB_);
}

void TRasterExpDlg::accept()
{
    if (!CheckDpiEdit(resolB_->lineEdit(), PlainText(TextKey::Resolution), MinRasterExportDpi,
                      MaxRasterExportDpi))
        return;
    options_.Resolution = resolB_->currentText().trimmed();
    options_.AntiAlias = antialiasB_->isChecked();
    options_.ColorCorrection = colorCorB_->isChecked();
    QDialog::accept();
}

TExpGifDlg::TExpGifDlg(QWidget* parent, RasterExpOptions& options)
    : TRasterExpDlg(parent, QStringLiteral("ExpGifDlg"), TextKey::ExportGif, ExpGifHelpContext, options)
{
    AddButtons();
}

TExpBmpDlg::TExpBmpDlg(QWidget* parent, RasterExpOptions& options)
    : TRasterExpDlg(parent, QStringLiteral("ExpBmpDlg"), TextKey::ExportBMP, ExpBmpHelpContext, options)
{
    fileSizeB_ = new QLabel(this);
    fileSizeB_->setObjectName(QStringLiteral("FileSizeB"));
    AddRow(TextKey::BmpFileSize, fileSizeB_);
    AddButtons();
    connect(resolB_, &QComboBox::editTextChanged, this, [this] { ShowBmpFileSize(); });
    ShowBmpFileSize();
}

void TExpBmpDlg::ShowBmpFileSize()
{
    fileSizeB_->setText(BmpFileSizeText(resolB_->currentText()));
}

TExpJpegDlg::TExpJpegDlg(QWidget* parent, RasterExpOptions& options)
    : TRasterExpDlg(parent, QStringLiteral("ExpJpegDlg"), TextKey::ExportJpg, ExpJpegHelpContext, options)
{
    AddButtons();
}

TExpSvgDlg::TExpSvgDlg(QWidget* parent, SvgOptions& options) : QDialog(parent), options_(options)
{
    setObjectName(QStringLiteral("ExpSvgDlg"));
    setWindowTitle(QStringLiteral("Export to SVG file"));
    auto* v = new QVBoxLayout(this);
    comprSvg_ = new QCheckBox(QStringLiteral("Compress SVG"), this);
    comprSvg_->setObjectName(QStringLiteral("ComprSvg"));
    comprSvg_->setChecked(options_.Compress);
    v->addWidget(comprSvg_);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);
}

void TExpSvgDlg::accept()
{
    options_.Compress = comprSvg_->isChecked();
    QDialog::accept();
}

bool ExecExpSvgDlg(QWidget* parent, SvgOptions& options)
{
    TExpSvgDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

bool ExecExpGifDlg(QWidget* parent, RasterExpOptions& options)
{
    TExpGifDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

bool ExecExpBmpDlg(QWidget* parent, RasterExpOptions& options)
{
    TExpBmpDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

bool ExecExpJpegDlg(QWidget* parent, RasterExpOptions& options)
{
    TExpJpegDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
