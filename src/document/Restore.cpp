#include "document/Restore.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemo {

namespace {

constexpr int64_t RestoreBlock = 8000;
constexpr int FileNotFoundHelp = 26;

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// The plain file of root whose name matches `name` without regard to case ("" when none).
QString EntryOf(const QString& root, const QString& name)
{
    const QStringList names = QDir(root).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& n : names)
        if (n == name)
            return n;
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return n;
    return {};
}

// Asks for volume `expected` (again); false on Cancel.
bool AskRestoreVolume(QString& root, int expected, bool wrongNumber)
{
    ShownMessage m;
    m.kind = MsgKind::OkCancel;
    m.key = TextKey::InsertNextDisk;
    if (wrongNumber)
        m.label = QStringLiteral("\r\n") + Text(TextKey::RestoreDiskNumber);
    m.params = QString::number(expected);
    m.helpContext = RestoreDiskHelp;
    if (ShowMsg(m) != IdOk)
        return false;
    return FindVolumeFolder(root, RestoreDiskHelp);
}

// Until the volume at root is the expected one; false when the user gave up.
bool WaitForBackupDisk(QString& root, int expected, bool checkNumbers, BackupInfo& info, QString& piece)
{
    for (;;) {
        if (!ReadBackupInfo(root, info, piece)) {
            if (!AskRestoreVolume(root, expected, false))
                return false;
            continue;
        }
        if (checkNumbers && info.Disk != expected) {
            if (!AskRestoreVolume(root, expected, true))
                return false;
            continue;
        }
        return true;
    }
}

// Appends the whole piece to out; false (reported) on a read failure or Esc.
bool CopyPiece(const QString& piece, TFileClass& out, bool& stopped)
{
    const int fd = ::open(Native(piece).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        ErrorMsg(TextKey::CannotRead, piece);
        return false;
    }
    struct stat st {};
    // Only a plain file: a pipe or device on a volume would never end.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        ErrorMsg(TextKey::CannotRead, piece);
        return false;
    }
    const int64_t size = st.st_size;
    StartProgress(TextKey::Restoring, TextKey::BytesRestored, int(std::clamp<int64_t>(size, 0, INT32_MAX)), 1, true);
    std::vector<char> block(RestoreBlock);
    int64_t done = 0;
    bool ok = true;
    try {
        for (;;) {
            DispatchKeyMessages();
            if (AbortRequested) {
                stopped = true;
                ok = false;
                break;
            }
            int64_t got = 0;
            while (got < RestoreBlock) {
                const ssize_t n = ::read(fd, block.data() + got, size_t(RestoreBlock - got));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    ErrorMsg(TextKey::CannotRead, piece);
                    throw EAbort();
                }
                if (n == 0)
                    break;
                got += n;
            }
            out.Write(block.data(), got);
            done += got;
            const int shown = int(std::clamp<int64_t>(done, 0, INT32_MAX));
            UpdateProgress(shown, shown);
            if (got < RestoreBlock)
                break;
        }
    } catch (const EAbort&) {
        ok = false;
    }
    ::close(fd);
    EndProgress();
    return ok;
}

// The joined copy is given up: deleted at once, so that no start offers it as lost work.
void DropCopy(TFileClass& out)
{
    const QString name = out.FileName();
    try {
        out.CloseAndDelete();
    } catch (const EAbort&) {
        QFile::remove(name);
    }
}

} // namespace

bool ReadBackupInfo(const QString& root, BackupInfo& info, QString& piece)
{
    info = BackupInfo();
    piece.clear();
    ShowStatusNow(TextKey::ReadingInfo);
    const QFileInfo fi(root);
    if (!fi.isDir() || ::access(Native(root).constData(), R_OK | X_OK) != 0) {
        ErrorMsg(TextKey::CannotReadDisk, root, CannotReadDiskHelp);
        ClearStatusText();
        return false;
    }
    const QString infoName = EntryOf(root, QString::fromLatin1(BackupInfoName));
    if (!infoName.isEmpty()) {
        QFile f(root + u'/' + infoName);
        if (!f.open(QIODevice::ReadOnly)) {
            ErrorMsg(TextKey::CannotReadDisk, root, CannotReadDiskHelp);
            ClearStatusText();
            return false;
        }
        info = ReadBackupInfo(f.read(MaxBackupInfoBytes));
        // Only the name counts: the piece is looked for on this volume and nowhere else.
        const QString name = info.PieceName();
        if (!name.isEmpty())
            piece = root + u'/' + name;
    } else {
        const QStringList maps = QDir(root).entryList({QStringLiteral("*.zmd")},
                                                      QDir::Files | QDir::Hidden, QDir::Name);
        if (!maps.isEmpty()) {
            info.File = maps.first();
            piece = root + u'/' + maps.first();
        }
    }
    ClearStatusText();
    if (piece.isEmpty()) {
        ErrorMsg(TextKey::RestoreNoFileFound);
        return false;
    }
    return true;
}

bool InsideVolume(const QString& target, const QString& root)
{
    const QString volume = QFileInfo(root).canonicalFilePath();
    if (volume.isEmpty())
        return false;
    // The nearest existing folder of the target, with links resolved.
    QString folder = QFileInfo(target).absolutePath();
    QString real;
    for (;;) {
        real = QFileInfo(folder).canonicalFilePath();
        if (!real.isEmpty())
            break;
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder)
            return false;
        folder = up;
    }
    const QString withSep = volume.endsWith(u'/') ? volume : volume + u'/';
    return real == volume || real.startsWith(withSep);
}

bool JoinBackupPieces(QString& root, const QString& source, bool fromVolume, bool checkNumbers,
                      const QString& target)
{
    TFileClass out;
    QString outName;
    try {
        outName = CreateWorkingCopy(out);
    } catch (const EAbort&) {
        return false;
    }
    bool stopped = false;
    bool ok = true;
    for (int expected = 1;; ++expected) {
        QString piece = source;
        BackupInfo info;
        if (fromVolume && !WaitForBackupDisk(root, expected, checkNumbers, info, piece)) {
            ok = false;
            stopped = true;
            break;
        }
        if (!CopyPiece(piece, out, stopped)) {
            ok = false;
            break;
        }
        if (!fromVolume)
            break;
        if (!checkNumbers) {
            const int answer = DocumentPorts().RunRestoreNextDlg(expected + 1);
            if (answer == RestoreNextAllDone)
                break;
            if (answer != RestoreNextOk) {
                ok = false;
                stopped = true;
                break;
            }
            if (!FindVolumeFolder(root, RestoreNextHelp)) {
                ok = false;
                stopped = true;
                break;
            }
        } else {
            if (info.Last >= 1)
                break;
            if (!AskRestoreVolume(root, expected + 1, false)) {
                ok = false;
                stopped = true;
                break;
            }
        }
    }
    if (!ok) {
        DropCopy(out);
        if (stopped)
            ErrorMsg(TextKey::RestoreAborted);
        return false;
    }
    try {
        out.Close();
    } catch (const EAbort&) {
        DropCopy(out);
        return false;
    }
    DocumentPorts().LeaveCurrentWindow();
    // A damaged backup is named as the user chose it, never by the joined working copy.
    if (!OpenMapFile(outName, target, true, false, source)) {
        QFile::remove(outName);
        return false;
    }
    TZmd* z = Index.ActiveZmd;
    OpenDocument* d = DocumentOf(z);
    struct stat a {}, b {};
    const bool worksInOutput = ::fstat(z->WorkFile.Handle(), &a) == 0 && ::stat(Native(outName).constData(), &b) == 0
                               && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    if (!worksInOutput) {
        QFile::remove(outName);
    } else if (d) {
        // The joined file is the map's working copy, not its file.
        d->WorkingCopy = true;
        z->DirectMode = 0;
    }
    DocumentPortSet& windows = DocumentPorts();
    const QString path = DocumentPath(z);
    if (!windows.CreateWindow(*z, path.isEmpty() ? DamagedCopyCaption(source) : path)) {
        CloseDocument(z);
        return false;
    }
    if (!AfterOpenSetup(path)) {
        windows.CloseWindows(*z);
        CloseDocument(z);
        return false;
    }
    // Saved where the user asked at once: a map only in its working copy would be lost
    // when it is closed.
    bool saved = false;
    if (!path.isEmpty()) {
        try {
            saved = WriteSetup() && ReplaceFileWithCopy(z->WorkFile, path);
        } catch (const EAbort&) {
            saved = false;
        }
    }
    z->Modified = saved ? 0 : 1;
    return true;
}

void RestoreMap(const RestoreChoice& choice)
{
    const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|") + Text(TextKey::AllFiles)
                           + QStringLiteral(" (*.*)|*.*");
    QString root;
    QString source;
    bool checkNumbers = false;
    if (choice.FromVolume) {
        root = choice.Folder;
        ProgramConfig.BackupDrive = 0;
        ProgramConfig.BackupFolder = root;
        WriteConfig();
        BackupInfo info;
        if (!ReadBackupInfo(root, info, source))
            return;
        checkNumbers = info.Disk > 0;
    } else {
        if (!QFileInfo(choice.File).isFile()) {
            ErrorMsg(TextKey::FileNotFound, QStringLiteral("\r\n") + choice.File, FileNotFoundHelp);
            return;
        }
        ProgramConfig.BackupDrive = BackupToOtherLocation;
        source = GetLongFileName(QFileInfo(choice.File).absoluteFilePath());
        WriteConfig();
    }
    QString target = GetMapFolder() + u'/' + QFileInfo(source).fileName();
    if (!ExecSaveDialog(Text(TextKey::Restore), filter, QStringLiteral("zmd"), RestoreTargetHelp, target))
        return;
    target = GetLongFileName(QFileInfo(target).absoluteFilePath());
    if (choice.FromVolume && InsideVolume(target, root)) {
        ErrorMsg(TextKey::RestoreDifferentDrives, {}, RestoreDrivesHelp);
        return;
    }
    if (FindDocument(target) || (QFileInfo::exists(target) && FileInUse(target))) {
        ErrorMsg(TextKey::FileInUse, QStringLiteral("\r\n") + target);
        return;
    }
    if (JoinBackupPieces(root, source, choice.FromVolume, checkNumbers, target) && choice.FromVolume
        && root != ProgramConfig.BackupFolder) {
        ProgramConfig.BackupFolder = root;
        WriteConfig();
    }
}

} // namespace zemo
