#include "document/widgets/DocumentDialogs.h"

#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Help.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/NewMap.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

constexpr int NewMapHelp = 112;
constexpr int FileInfoHelp = 11;
constexpr int BrowseHelp = 172;
constexpr int NoSymbolFileHelp = 34;

QString Plain(TextKey k)
{
    return Text(k).remove(u'&');
}

class TNewFileDlg : public QDialog {
public:
    explicit TNewFileDlg(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("NewFileDlg"));
        setWindowTitle(Plain(TextKey::NewMap));
        auto* layout = new QVBoxLayout(this);
        auto* typeB = new QGroupBox(Plain(TextKey::MapType), this);
        auto* typeLayout = new QVBoxLayout(typeB);
        normalB_ = new QRadioButton(Plain(TextKey::NormalMap), typeB);
        courseB_ = new QRadioButton(Plain(TextKey::CourseSetting), typeB);
        normalB_->setChecked(true);
        typeLayout->addWidget(normalB_);
        typeLayout->addWidget(courseB_);
        layout->addWidget(typeB);
        layout->addWidget(new QLabel(Plain(TextKey::SymbolsFrom) + u':', this));
        fileB_ = new QListWidget(this);
        fileB_->setObjectName(QStringLiteral("FileB"));
        layout->addWidget(fileB_);
        layout->addWidget(new QLabel(Plain(TextKey::FileInfo) + u':', this));
        infoB_ = new QPlainTextEdit(this);
        infoB_->setReadOnly(true);
        layout->addWidget(infoB_);
        auto* buttons = new QDialogButtonBox(this);
        auto* ok = buttons->addButton(Plain(TextKey::Ok), QDialogButtonBox::AcceptRole);
        ok->setDefault(true);
        buttons->addButton(Plain(TextKey::Cancel), QDialogButtonBox::RejectRole);
        auto* other = buttons->addButton(Plain(TextKey::Browse) + QStringLiteral("..."),
                                         QDialogButtonBox::ActionRole);
        auto* help = buttons->addButton(Plain(TextKey::Help), QDialogButtonBox::HelpRole);
        layout->addWidget(buttons);

        connect(buttons, &QDialogButtonBox::accepted, this, [this] { TryAccept(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(NewMapHelp); });
        connect(other, &QPushButton::clicked, this, [this] { Browse(); });
        connect(courseB_, &QRadioButton::toggled, this, [this] { FillList(); });
        connect(fileB_, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row >= 0)
                Choose(SymbolSetFolder() + fileB_->item(row)->text());
        });
        connect(fileB_, &QListWidget::itemDoubleClicked, this, [this] { TryAccept(); });
        FillList();
    }

    QString chosen;
    bool Course() const { return courseB_->isChecked(); }

private:
    void FillList()
    {
        fileB_->clear();
        chosen.clear();
        infoB_->clear();
        fileB_->addItems(ListSymbolSetFiles(SymbolSetFolder(), Course()));
        if (fileB_->count() > 0)
            fileB_->setCurrentRow(0);
    }
    void Choose(const QString& file)
    {
        chosen = file;
        infoB_->setPlainText(ReadFileInfoOf(file));
    }
    void Browse()
    {
        QString name = GetMapFolder() + QStringLiteral("/*.zmd");
        const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|")
                               + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
        if (ExecOpenDialog(Plain(TextKey::SymbolsFrom), filter, QStringLiteral("zmd"), BrowseHelp, name)) {
            chosen = name;
            accept();
            return;
        }
        const int row = fileB_->currentRow();
        chosen = row >= 0 ? SymbolSetFolder() + fileB_->item(row)->text() : QString();
    }
    void TryAccept()
    {
        if (chosen.isEmpty()) {
            ErrorMsg(TextKey::NoSymbolFile, {}, NoSymbolFileHelp);
            return;
        }
        accept();
    }

    QRadioButton* normalB_ = nullptr;
    QRadioButton* courseB_ = nullptr;
    QListWidget* fileB_ = nullptr;
    QPlainTextEdit* infoB_ = nullptr;
};

} // namespace

bool ExecNewFileDlg(QWidget* parent, QString& symbolSetFile, bool& courseSetting)
{
    TNewFileDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted || dlg.chosen.isEmpty())
        return false;
    symbolSetFile = dlg.chosen;
    courseSetting = dlg.Course();
    return true;
}

void NewMap(QWidget* parent)
{
    QString file;
    bool course = false;
    if (ExecNewFileDlg(parent, file, course))
        CreateNewMap(file, course);
}

void EditFileInfo(QWidget* parent)
{
    if (!Index.ActiveZmd)
        return;
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("FileInfoDlg"));
    dlg.setWindowTitle(Plain(TextKey::FileInformation));
    auto* layout = new QVBoxLayout(&dlg);
    auto* infoB = new QPlainTextEdit(&dlg);
    infoB->setPlainText(GetFileInfoText());
    const QString shown = infoB->toPlainText();
    layout->addWidget(infoB);
    auto* buttons = new QDialogButtonBox(&dlg);
    buttons->addButton(Plain(TextKey::Ok), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Plain(TextKey::Cancel), QDialogButtonBox::RejectRole);
    auto* help = buttons->addButton(Plain(TextKey::Help), QDialogButtonBox::HelpRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(help, &QPushButton::clicked, &dlg, [] { ShowHelpContext(FileInfoHelp); });
    // At most 32767 characters are kept.
    QObject::connect(infoB, &QPlainTextEdit::textChanged, &dlg, [infoB] {
        if (infoB->document()->characterCount() - 1 > MaxInfoTextBytes - 1) {
            QString t = infoB->toPlainText().left(MaxInfoTextBytes - 1);
            infoB->setPlainText(t);
        }
    });
    infoB->setFocus();
    // The text as it was shown stays as the map holds it.
    if (dlg.exec() == QDialog::Accepted && infoB->toPlainText() != shown)
        SetFileInfoText(infoB->toPlainText());
}

} // namespace zemo
