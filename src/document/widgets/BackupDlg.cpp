#include "document/widgets/BackupDlg.h"

#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Help.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "document/Index.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

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

QString Clean(const QString& folder)
{
    return folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

} // namespace

void AddAnswerButtons(QDialog& dlg, QBoxLayout& layout, std::initializer_list<AnswerButton> buttons,
                      int helpContext)
{
    auto* box = new QDialogButtonBox(&dlg);
    bool first = true;
    for (const AnswerButton& b : buttons) {
        QPushButton* button = Button(box, b.Text, b.Name, QDialogButtonBox::ActionRole);
        button->setDefault(first);
        first = false;
        const int answer = b.Answer;
        QObject::connect(button, &QPushButton::clicked, &dlg, [&dlg, answer] { dlg.done(answer); });
    }
    QPushButton* help = Button(box, TextKey::Help, "HelpBtn", QDialogButtonBox::HelpRole);
    QObject::connect(help, &QPushButton::clicked, &dlg, [helpContext] { ShowHelpContext(helpContext); });
    layout.addWidget(box);
}

// ---- The volume box ----

TVolumeBox::TVolumeBox(QWidget* parent, const QString& lastFolder, int helpContext)
    : QComboBox(parent), helpContext_(helpContext)
{
    setObjectName(QStringLiteral("DriveB"));
    for (const BackupVolume& v : RemovableVolumes())
        addItem(v.Label.isEmpty() || v.Label == v.Folder ? v.Folder : v.Label + QStringLiteral(" (") + v.Folder + u')',
                Clean(v.Folder));
    const QString last = Clean(lastFolder);
    if (!last.isEmpty() && findData(last) < 0)
        insertItem(0, last, last);
    addItem(Plain(TextKey::Browse) + QStringLiteral("..."));
    const int at = last.isEmpty() ? 0 : findData(last);
    setCurrentIndex(count() > 1 ? std::max(at, 0) : -1);
    previous_ = currentIndex();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index == browseIndex())
            Browse();
        else
            previous_ = index;
    });
}

QString TVolumeBox::Folder() const
{
    return currentIndex() >= 0 && currentIndex() != browseIndex() ? currentData().toString() : QString();
}

void TVolumeBox::ChooseFolder(const QString& folder)
{
    const QString f = Clean(folder);
    int at = findData(f);
    if (at < 0) {
        insertItem(browseIndex(), f, f);
        at = findData(f);
    }
    setCurrentIndex(at);
    previous_ = at;
}

void TVolumeBox::Browse()
{
    QString folder = Folder().isEmpty() && previous_ >= 0 ? itemData(previous_).toString() : Folder();
    if (folder.isEmpty())
        folder = QDir::homePath();
    if (ExecFolderDialog(Plain(TextKey::Browse), helpContext_, folder) && !folder.isEmpty())
        ChooseFolder(folder);
    else
        setCurrentIndex(previous_);
}

// ---- TBackupDlg ----

TBackupDlg::TBackupDlg(QWidget* parent, int64_t fileSize) : QDialog(parent)
{
    setObjectName(QStringLiteral("BackupDlg"));
    setWindowTitle(Plain(TextKey::Backup));
    auto* layout = new QVBoxLayout(this);
    auto* sizeRow = new QHBoxLayout;
    auto* sizeL = new QLabel(Plain(TextKey::FileSize) + u':', this);
    sizeL->setObjectName(QStringLiteral("FileSizeL"));
    auto* sizeB = new QLabel(Text(TextKey::Bytes) + u' ' + QLocale().toString(qlonglong(fileSize)), this);
    sizeB->setObjectName(QStringLiteral("FileSizeB"));
    sizeRow->addWidget(sizeL);
    sizeRow->addWidget(sizeB, 1);
    layout->addLayout(sizeRow);

    auto* toGrp = new QGroupBox(Plain(TextKey::BackupTo), this);
    toGrp->setObjectName(QStringLiteral("ToGrp"));
    auto* grid = new QGridLayout(toGrp);
    disketteB_ = new QRadioButton(Text(TextKey::Diskette) + u':', toGrp);
    disketteB_->setObjectName(QStringLiteral("DisketteB"));
    driveB_ = new TVolumeBox(toGrp, ProgramConfig.BackupFolder, BackupHelp);
    otherB_ = new QRadioButton(Text(TextKey::OtherLocation), toGrp);
    otherB_->setObjectName(QStringLiteral("OtherB"));
    grid->addWidget(disketteB_, 0, 0);
    grid->addWidget(driveB_, 0, 1);
    grid->addWidget(otherB_, 1, 0, 1, 2);
    layout->addWidget(toGrp);
    insertL_ = new QLabel(this);
    insertL_->setObjectName(QStringLiteral("InsertL"));
    insertL_->setWordWrap(true);
    layout->addWidget(insertL_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = Button(buttons, TextKey::Start, "StartBtn", QDialogButtonBox::AcceptRole);
    start->setDefault(true);
    Button(buttons, TextKey::Cancel, "CancelBtn", QDialogButtonBox::RejectRole);
    QPushButton* help = Button(buttons, TextKey::Help, "HelpBtn", QDialogButtonBox::HelpRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { TryStart(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(BackupHelp); });
    connect(disketteB_, &QRadioButton::toggled, this, [this] { UpdateInsert(); });
    connect(driveB_, &QComboBox::activated, this, [this] { disketteB_->setChecked(true); });

    (ProgramConfig.BackupDrive < BackupToOtherLocation ? disketteB_ : otherB_)->setChecked(true);
    UpdateInsert();
}

BackupChoice TBackupDlg::Choice() const
{
    return BackupChoice{disketteB_->isChecked(), driveB_->Folder()};
}

void TBackupDlg::UpdateInsert()
{
    insertL_->setText(disketteB_->isChecked() ? Text(TextKey::InsertDisk) : QString());
}

void TBackupDlg::TryStart()
{
    // A volume must be named before anything is written.
    if (disketteB_->isChecked() && driveB_->Folder().isEmpty()) {
        ErrorMsg(TextKey::InsertDisk, {}, BackupHelp);
        return;
    }
    accept();
}

// ---- TDiskNotEmptyDlg ----

TDiskNotEmptyDlg::TDiskNotEmptyDlg(QWidget* parent, const QStringList& foreign) : QDialog(parent)
{
    setObjectName(QStringLiteral("DiskNotEmptyDlg"));
    setWindowTitle(Plain(TextKey::DiskNotEmpty));
    auto* layout = new QVBoxLayout(this);
    auto* filesL = new QLabel(Plain(TextKey::Files) + u':', this);
    filesL->setObjectName(QStringLiteral("FilesL"));
    layout->addWidget(filesL);
    auto* filesB = new QPlainTextEdit(foreign.join(u' '), this);
    filesB->setObjectName(QStringLiteral("FilesB"));
    filesB->setReadOnly(true);
    layout->addWidget(filesB);
    auto* insertL = new QLabel(Text(TextKey::InsertEmptyDisk), this);
    insertL->setObjectName(QStringLiteral("InsertL"));
    insertL->setWordWrap(true);
    layout->addWidget(insertL);
    AddAnswerButtons(*this, *layout,
                     {{TextKey::Ok, "OkBtn", DiskNotEmptyOk},
                      {TextKey::Overwrite, "OverwriteBtn", DiskNotEmptyOverwrite},
                      {TextKey::Cancel, "CancelBtn", DiskNotEmptyCancel}},
                     DiskNotEmptyHelp);
}

int ExecDiskNotEmptyDlg(QWidget* parent, const QStringList& foreign)
{
    TDiskNotEmptyDlg dlg(parent, foreign);
    const int r = dlg.exec();
    return r == DiskNotEmptyOk || r == DiskNotEmptyOverwrite ? r : DiskNotEmptyCancel;
}

void BackupMapCommand(QWidget* parent)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !Index.MapOpen)
        return;
    TBackupDlg dlg(parent, z->WorkFile.Size());
    if (dlg.exec() != QDialog::Accepted)
        return;
    BackupMap(dlg.Choice());
}

} // namespace zemo
