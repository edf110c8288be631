// The backup and restore dialogs on their own, offscreen: what they show from the settings
// and a volume's "backinfo.txt", what their buttons answer, and the fields that keep them open.
#include "ShellFixture.h"

#include "core/LangTexts.h"
#include "document/widgets/BackupDlg.h"
#include "document/widgets/RestoreDlg.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace zemo;
using namespace zemo::test;

namespace {

template <class T>
T* Child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QString LabelText(QWidget* w, const char* name)
{
    return Child<QLabel>(w, name)->text();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class BackupDialogs : public ShellTest {
protected:
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        ShellTest::TearDown();
    }
};

} // namespace

TEST_F(BackupDialogs, TheBackupDialogShowsTheSizeAndTheLastChoice)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const QString vol = TempPath(QStringLiteral("stick"));
    QDir().mkpath(vol);
    ProgramConfig.BackupFolder = vol;
    for (const int drive : {0, 1, 2}) {
        SCOPED_TRACE(drive);
        ProgramConfig.BackupDrive = drive;
        TBackupDlg dlg(nullptr, 250000);
        EXPECT_EQ(LabelText(&dlg, "FileSizeB"), Text(TextKey::Bytes) + QStringLiteral(" 250,000"));
        const bool volume = drive < 2;
        EXPECT_EQ(Child<QRadioButton>(&dlg, "DisketteB")->isChecked(), volume);
        EXPECT_EQ(Child<QRadioButton>(&dlg, "OtherB")->isChecked(), !volume);
        EXPECT_EQ(LabelText(&dlg, "InsertL"), volume ? Text(TextKey::InsertDisk) : QString());
        EXPECT_EQ(dlg.DriveB()->Folder(), vol);
        EXPECT_EQ(dlg.Choice().ToVolume, volume);
        // The other choice brings or takes the hint.
        Child<QRadioButton>(&dlg, volume ? "OtherB" : "DisketteB")->setChecked(true);
        EXPECT_EQ(LabelText(&dlg, "InsertL"), volume ? QString() : Text(TextKey::InsertDisk));
    }

    // No volume chosen: Start says so and the dialog stays; a folder lets it go.
    ProgramConfig.BackupDrive = 0;
    TBackupDlg dlg(nullptr, 1);
    dlg.DriveB()->setCurrentIndex(-1);
    Child<QPushButton>(&dlg, "StartBtn")->click();
    EXPECT_EQ(messages.CountOf(TextKey::InsertDisk), 1);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    // "Browse..." asks for a folder; the chosen one is listed and taken.
    const QString other = TempPath(QStringLiteral("other"));
    QDir().mkpath(other);
    dialogs.QueueAnswer(true, other);
    dlg.DriveB()->setCurrentIndex(dlg.DriveB()->count() - 1);
    Q_EMIT dlg.DriveB()->activated(dlg.DriveB()->count() - 1);
    EXPECT_EQ(dialogs.Requests().back().kind, FileDialogRequest::Folder);
    EXPECT_EQ(dlg.DriveB()->Folder(), other);
    Child<QPushButton>(&dlg, "StartBtn")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Choice().Folder, other);
}

TEST_F(BackupDialogs, TheQuestionsAnswerWithTheirButtons)
{
    const std::pair<const char*, int> notEmpty[] = {{"OkBtn", DiskNotEmptyOk},
                                                    {"OverwriteBtn", DiskNotEmptyOverwrite},
                                                    {"CancelBtn", DiskNotEmptyCancel}};
    for (const auto& [button, answer] : notEmpty) {
        TDiskNotEmptyDlg dlg(nullptr, {QStringLiteral("notes.txt"), QStringLiteral("Photos")});
        EXPECT_EQ(Child<QPlainTextEdit>(&dlg, "FilesB")->toPlainText(), QStringLiteral("notes.txt Photos"));
        Child<QPushButton>(&dlg, button)->click();
        EXPECT_EQ(dlg.result(), answer) << button;
    }
    const std::pair<const char*, int> next[] = {{"OkBtn", RestoreNextOk},
                                                {"AllDoneBtn", RestoreNextAllDone},
                                                {"CancelBtn", RestoreNextCancel}};
    for (const auto& [button, answer] : next) {
        TRestoreNextDlg dlg(nullptr, 4);
        EXPECT_TRUE(LabelText(&dlg, "TextB").endsWith(QStringLiteral(" 4")));
        EXPECT_TRUE(LabelText(&dlg, "TextB").startsWith(Text(TextKey::InsertNextDisk1)));
        Child<QPushButton>(&dlg, button)->click();
        EXPECT_EQ(dlg.result(), answer) << button;
    }
}

TEST_F(BackupDialogs, TheRestoreDialogShowsAVolumesInformation)
{
    const QString vol = TempPath(QStringLiteral("stick"));
    QDir().mkpath(vol);
    ProgramConfig.BackupDrive = 1;
    ProgramConfig.BackupFolder = vol;
    TRestoreDlg dlg(nullptr);
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "DisketteB")->isChecked());
    for (const char* label : {"FileB", "DateB", "TimeB", "DiskB"})
        EXPECT_TRUE(LabelText(&dlg, label).isEmpty()) << label;
    const struct Case {
        const char* name;
        QByteArray info;     // empty: no "backinfo.txt"
        const char* map;     // a map file on the volume, or none
        QString file, date, disk;
        int noFile;          // RestoreNoFileFound shown
    } cases[] = {
        {"the last volume", "[Backup Info]\r\nFile=/maps/forest.zmd\r\nDate=7 Dec 2026\r\nTime=09:41:05 UTC\r\nDisk=3\r\nLast=1\r\n",
         nullptr, QStringLiteral("/maps/forest.zmd"), QStringLiteral("7 Dec 2026"), Text(TextKey::Last) + QStringLiteral(" - 3"), 0},
        {"a middle volume", "File=/maps/forest.zmd\r\nDisk=2\r\nLast=0\r\n", nullptr, QStringLiteral("/maps/forest.zmd"),
         QString(), QStringLiteral("2"), 0},
        {"only a map", {}, "copy.zmd", QStringLiteral("copy.zmd"), QString(), QStringLiteral("0"), 0},
        {"nothing", {}, nullptr, Text(TextKey::NoFileFound), QString(), QString(), 1},
        {"information naming no file", "File=..\r\nDisk=1\r\nLast=1\r\n", nullptr, Text(TextKey::NoFileFound), QString(), QString(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(vol).removeRecursively();
        QDir().mkpath(vol);
        if (!c.info.isEmpty())
            WriteBytes(vol + QStringLiteral("/backinfo.txt"), c.info);
        if (c.map)
            WriteBytes(vol + u'/' + QLatin1String(c.map), "map");
        messages.Clear();
        Child<QPushButton>(&dlg, "InfoBtn")->click();
        EXPECT_EQ(LabelText(&dlg, "FileB"), c.file);
        EXPECT_EQ(LabelText(&dlg, "DateB"), c.date);
        EXPECT_EQ(LabelText(&dlg, "DiskB"), c.disk);
        EXPECT_EQ(messages.CountOf(TextKey::RestoreNoFileFound), c.noFile);
    }
    // Info is for volumes only.
    Child<QRadioButton>(&dlg, "OtherB")->setChecked(true);
    EXPECT_FALSE(Child<QPushButton>(&dlg, "InfoBtn")->isEnabled());
    Child<QRadioButton>(&dlg, "DisketteB")->setChecked(true);
    EXPECT_TRUE(Child<QPushButton>(&dlg, "InfoBtn")->isEnabled());
}

TEST_F(BackupDialogs, TheRestoreDialogTakesAnExistingFileOnly)
{
    const QString last = TempPath(QStringLiteral("backups/forest.zmd"));
    WriteBytes(last, "map");
    ProgramConfig.BackupDrive = 2;
    ProgramConfig.BackupFile = last;
    TRestoreDlg dlg(nullptr);
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "OtherB")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(&dlg, "FileNameB")->text(), last);

    // A file that is not there keeps the dialog open.
    Child<QLineEdit>(&dlg, "FileNameB")->setText(TempPath(QStringLiteral("missing.zmd")));
    Child<QPushButton>(&dlg, "StartBtn")->click();
    EXPECT_EQ(messages.CountOf(TextKey::FileNotFound), 1);
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    // Browse starts in the home folder when the field is empty and chooses the other location.
    Child<QLineEdit>(&dlg, "FileNameB")->clear();
    Child<QRadioButton>(&dlg, "DisketteB")->setChecked(true);
    dialogs.QueueAnswer(true, last);
    Child<QPushButton>(&dlg, "BrowseBtn")->click();
    ASSERT_FALSE(dialogs.Requests().empty());
    EXPECT_EQ(dialogs.Requests().back().kind, FileDialogRequest::Open);
    EXPECT_EQ(dialogs.Requests().back().initialFolder, QDir::homePath());
    EXPECT_EQ(Child<QLineEdit>(&dlg, "FileNameB")->text(), last);
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "OtherB")->isChecked());
    Child<QPushButton>(&dlg, "StartBtn")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const RestoreChoice c = dlg.Choice();
    EXPECT_FALSE(c.FromVolume);
    EXPECT_EQ(c.File, last);
}
