#include "document/widgets/RestoreDlg.h"

#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Help.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "document/widgets/BackupDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

constexpr int FileNotFoundHelp = 26;

QString Plain(TextKey k)
{
    return Text(k).remove(u'&');
}

QPushButton* Button(QDialogButtonBox* box, TextKey text, const char* name, QDialogButtonBox::ButtonRole role)
{
    QPushButton* b = box->addButton(Text(text), role);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QString MapFilter()
{
    return Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|") + Text(TextKey::AllFiles)
           + QStringLiteral(" (*.*)|*.*");
}

} // namespace

// ---- TRestoreDlg ----

TRestoreDlg::TRestoreDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreDlg"));
    setWindowTitle(Plain(TextKey::Restore));
    auto* layout = new QVBoxLayout(this);
    auto* info = new QGridLayout;
    const auto row = [&](TextKey caption, const char* labelName, const char* valueName) {
        const int at = info->rowCount();
        auto* l = new QLabel(Plain(caption) + u':', this);
        l->setObjectName(QString::fromLatin1(labelName));
        auto* v = new QLabel(this);
        v->setObjectName(QString::fromLatin1(valueName));
        info->addWidget(l, at, 0);
        info->addWidget(v, at, 1);
        return v;
    };
    fileB_ = row(TextKey::File, "FileL", "FileB");
    dateB_ = row(TextKey::Date, "DateL", "DateB");
    timeB_ = row(TextKey::Time, "TimeL", "TimeB");
    diskB_ = row(TextKey::Disk, "DiskL", "DiskB");
    info->setColumnStretch(1, 1);
    layout->addLayout(info);
    auto* insertL = new QLabel(Text(TextKey::InsertFirstDisk), this);
    insertL->setObjectName(QStringLiteral("InsertL"));
    layout->addWidget(insertL);

    auto* fromGrp = new QGroupBox(Plain(TextKey::RestoreFrom), this);
    fromGrp->setObjectName(QStringLiteral("FromGrp"));
    auto* grid = new QGridLayout(fromGrp);
    disketteB_ = new QRadioButton(Text(TextKey::Diskette) + u':', fromGrp);
    disketteB_->setObjectName(QStringLiteral("DisketteB"));
    driveB_ = new TVolumeBox(fromGrp, ProgramConfig.BackupFolder, RestoreHelp);
    otherB_ = new QRadioButton(Text(TextKey::OtherLocation) + u':', fromGrp);
    otherB_->setObjectName(QStringLiteral("OtherB"));
    fileNameB_ = new QLineEdit(ProgramConfig.BackupFile, fromGrp);
    fileNameB_->setObjectName(QStringLiteral("FileNameB"));
    auto* browseBtn = new QPushButton(Text(TextKey::Browse) + QStringLiteral("..."), fromGrp);
    browseBtn->setObjectName(QStringLiteral("BrowseBtn"));
    grid->addWidget(disketteB_, 0, 0);
    grid->addWidget(driveB_, 0, 1, 1, 2);
    grid->addWidget(otherB_, 1, 0);
    grid->addWidget(fileNameB_, 1, 1);
    grid->addWidget(browseBtn, 1, 2);
    layout->addWidget(fromGrp);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = Button(buttons, TextKey::Start, "StartBtn", QDialogButtonBox::AcceptRole);
    start->setDefault(true);
    infoBtn_ = Button(buttons, TextKey::Info, "InfoBtn", QDialogButtonBox::ActionRole);
    Button(buttons, TextKey::Cancel, "CancelBtn", QDialogButtonBox::RejectRole);
    QPushButton* help = Button(buttons, TextKey::Help, "HelpBtn", QDialogButtonBox::HelpRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { TryStart(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(RestoreHelp); });
    connect(infoBtn_, &QPushButton::clicked, this, [this] { ShowInfo(); });
    connect(browseBtn, &QPushButton::clicked, this, [this] { Browse(); });
    connect(disketteB_, &QRadioButton::toggled, infoBtn_, &QPushButton::setEnabled);
    connect(driveB_, &QComboBox::activated, this, [this] { disketteB_->setChecked(true); });
    connect(fileNameB_, &QLineEdit::textEdited, this, [this] { otherB_->setChecked(true); });

    (ProgramConfig.BackupDrive < BackupToOtherLocation ? disketteB_ : otherB_)->setChecked(true);
    infoBtn_->setEnabled(disketteB_->isChecked());
}

RestoreChoice TRestoreDlg::Choice() const
{
    return RestoreChoice{disketteB_->isChecked(), driveB_->Folder(), fileNameB_->text().trimmed()};
}

void TRestoreDlg::ShowInfo()
{
    BackupInfo info;
    QString piece;
    const QString folder = driveB_->Folder();
    if (!folder.isEmpty() && ReadBackupInfo(folder, info, piece)) {
        fileB_->setText(info.File);
        dateB_->setText(info.Date);
        timeB_->setText(info.Time);
        diskB_->setText(info.Last >= 1 ? Text(TextKey::Last) + QStringLiteral(" - ") + QString::number(info.Disk)
                                       : QString::number(info.Disk));
        return;
    }
    fileB_->setText(Text(TextKey::NoFileFound));
    dateB_->clear();
    timeB_->clear();
    diskB_->clear();
}

void TRestoreDlg::Browse()
{
    QString name = fileNameB_->text().trimmed();
    if (name.isEmpty())
        name = QDir::homePath() + QStringLiteral("/*.zmd");
    if (!ExecOpenDialog(Plain(TextKey::Restore), MapFilter(), QStringLiteral("zmd"), RestoreHelp, name))
        return;
    fileNameB_->setText(name);
    otherB_->setChecked(true);
}

void TRestoreDlg::TryStart()
{
    if (disketteB_->isChecked() && driveB_->Folder().isEmpty()) {
        ErrorMsg(TextKey::InsertFirstDisk, {}, RestoreHelp);
        return;
    }
    if (otherB_->isChecked()) {
        const QString name = fileNameB_->text().trimmed();
        if (name.isEmpty() || !QFileInfo(name).isFile()) {
            ErrorMsg(TextKey::FileNotFound, QStringLiteral("\r\n") + name, FileNotFoundHelp);
            return;
        }
    }
    accept();
}

// ---- TRestoreNextDlg ----

TRestoreNextDlg::TRestoreNextDlg(QWidget* parent, int disk) : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreNextDlg"));
    setWindowTitle(Plain(TextKey::Restore));
    auto* layout = new QVBoxLayout(this);
    auto* textB = new QLabel(MergeMsgParams(Text(TextKey::InsertNextDisk1), QString::number(disk)), this);
    textB->setObjectName(QStringLiteral("TextB"));
    textB->setWordWrap(true);
    layout->addWidget(textB);
    AddAnswerButtons(*this, *layout,
                     {{TextKey::Ok, "OkBtn", RestoreNextOk},
                      {TextKey::AllDone, "AllDoneBtn", RestoreNextAllDone},
                      {TextKey::Cancel, "CancelBtn", RestoreNextCancel}},
                     RestoreNextHelp);
}

int ExecRestoreNextDlg(QWidget* parent, int disk)
{
    TRestoreNextDlg dlg(parent, disk);
    const int r = dlg.exec();
    return r == RestoreNextOk || r == RestoreNextAllDone ? r : RestoreNextCancel;
}

void RestoreMapCommand(QWidget* parent)
{
    TRestoreDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted)
        return;
    RestoreMap(dlg.Choice());
}

} // namespace zemo
