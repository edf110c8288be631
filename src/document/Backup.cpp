#include "document/Backup.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/FileDialogs.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

#include <algorithm>
#include <charconv>

#include <sys/stat.h>
#include <unistd.h>

namespace zemo {

BackupState Backups;

void ResetBackupUnit()
{
    Backups = BackupState();
}

namespace {

constexpr int InfoCodePage = 1252;
// Numbers take at most 10 characters; a date or time as long as a locale writes it (a long
// time carries its zone) is read whole up to this.
constexpr int NumberChars = 10;
constexpr int TextFieldChars = 64;

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

bool IsSep(QChar c)
{
    return c == u'/' || c == u'\\';
}

// What follows the key, at most `chars` characters.
QString Field(const QString& line, int chars)
{
    return line.mid(5, chars);
}

int FieldNumber(const QString& text)
{
    const QByteArray b = text.trimmed().toLatin1();
    int v = 0;
    const auto [end, ec] = std::from_chars(b.constData(), b.constData() + b.size(), v);
    return ec == std::errc() && end == b.constData() + b.size() ? v : 0;
}

QString InfoPath(const QString& root)
{
    return root + u'/' + QLatin1String(BackupInfoName);
}

bool StatOf(const QString& path, struct stat& st)
{
    return ::lstat(Native(path).constData(), &st) == 0;
}

class Hourglass {
public:
    Hourglass()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(true);
    }
    ~Hourglass()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(false);
    }
};

// The entries of root that are not this backup's; false when root cannot be listed.
bool ForeignEntries(const QString& root, const QString& fileName, QStringList& foreign)
{
    const QFileInfo fi(root);
    if (!fi.isDir() || ::access(Native(root).constData(), R_OK | X_OK) != 0)
        return false;
    const QStringList names = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                                   | QDir::System, QDir::Name);
    foreign.clear();
    for (const QString& n : names) {
        const bool ours = n.compare(fileName, Qt::CaseInsensitive) == 0
                          || n.compare(QLatin1String(BackupInfoName), Qt::CaseInsensitive) == 0;
        struct stat st {};
        // Under our names only plain files are ours: a link or pipe is somebody else's.
        if (!ours || !StatOf(root + u'/' + n, st) || !S_ISREG(st.st_mode))
            foreign << n;
    }
    return true;
}

// The "backinfo.txt" of root is one this run wrote.
bool WrittenThisRun(const QString& root, const std::vector<WrittenInfo>& written)
{
    struct stat st {};
    if (!StatOf(InfoPath(root), st) || !S_ISREG(st.st_mode))
        return false;
    QFile f(InfoPath(root));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.read(MaxBackupInfoBytes);
    return std::any_of(written.begin(), written.end(), [&](const WrittenInfo& w) {
        return w.Device == uint64_t(st.st_dev) && w.Inode == uint64_t(st.st_ino) && w.Bytes == bytes;
    });
}

// "Insert volume n" once more; false on Cancel.
bool AskVolume(QString& root, int disk, const QString& label = {})
{
    ShownMessage m;
    m.kind = MsgKind::OkCancel;
    m.key = TextKey::InsertNextDisk;
    m.label = label;
    m.params = QString::number(disk);
    m.helpContext = InsertNextDiskHelp;
    if (ShowMsg(m) != IdOk)
        return false;
    return FindVolumeFolder(root, InsertNextDiskHelp);
}

void DeleteQuietly(TFileClass& f);

// Writes "backinfo.txt" as a new file and remembers it; false (reported) on failure.
bool WriteInfo(const QString& root, const BackupInfo& info, std::vector<WrittenInfo>& written)
{
    const QByteArray bytes = BackupInfoText(info);
    TFileClass f;
    try {
        f.Rewrite(InfoPath(root));
    } catch (const EAbort&) {
        ErrorMsg(TextKey::CannotWrite, InfoPath(root));
        return false;
    }
    try {
        f.Write(bytes);
        f.Close();
    } catch (const EAbort&) {
        DeleteQuietly(f);
        return false;
    }
    struct stat st {};
    if (StatOf(InfoPath(root), st))
        written.push_back(WrittenInfo{uint64_t(st.st_dev), uint64_t(st.st_ino), bytes});
    return true;
}

// A file left unfinished: closed without a further message and deleted.
void DeleteQuietly(TFileClass& f)
{
    const QString name = f.FileName();
    try {
        f.CloseAndDelete();
    } catch (const EAbort&) {
        if (!name.isEmpty())
            QFile::remove(name);
    }
}

int ClampInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, 0, INT32_MAX));
}

} // namespace

QString BackupInfo::PieceName() const
{
    qsizetype i = File.size();
    while (i > 0 && !IsSep(File[i - 1]))
        --i;
    const QString name = File.mid(i);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

QByteArray BackupInfoText(const BackupInfo& info)
{
    bool lossless = true;
    QByteArray file = EncodeCodePage(InfoCodePage, info.File, &lossless);
    if (!lossless)
        file = info.File.toUtf8();
    QByteArray t = "[Backup Info]\r\n";
    t += "File=" + file + "\r\n";
    t += "Date=" + EncodeCodePage(InfoCodePage, info.Date) + "\r\n";
    t += "Time=" + EncodeCodePage(InfoCodePage, info.Time) + "\r\n";
    t += "Disk=" + QByteArray::number(info.Disk) + "\r\n";
    t += "Last=" + QByteArray::number(info.Last) + "\r\n";
    return t;
}

BackupInfo ReadBackupInfo(QByteArrayView bytes)
{
    BackupInfo info;
    const QByteArrayView all = bytes.first(std::min(bytes.size(), MaxBackupInfoBytes));
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = start;
        while (end < all.size() && all[end] != '\r' && all[end] != '\n')
            ++end;
        const QByteArray raw = all.sliced(start, end - start).toByteArray();
        start = end + (end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n' ? 2 : 1);
        if (raw.size() < 5)
            continue;
        const QByteArray key = raw.left(5);
        // A path written as UTF-8 reads back as it was; anything else is code page 1252.
        QString line = DecodeCodePage(InfoCodePage, raw);
        if (key == "File=") {
            const QString utf8 = QString::fromUtf8(raw);
            if (utf8.toUtf8() == raw)
                line = utf8;
            info.File = line.mid(5);
        } else if (key == "Date=") {
            info.Date = Field(line, TextFieldChars);
        } else if (key == "Time=") {
            info.Time = Field(line, TextFieldChars);
        } else if (key == "Disk=") {
            info.Disk = FieldNumber(Field(line, NumberChars));
        } else if (key == "Last=") {
            info.Last = FieldNumber(Field(line, NumberChars));
        }
    }
    return info;
}

bool IsRemovableDevice(const QString& device, const QString& sysBlock)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    const QString name = QFileInfo(device).fileName();
    const QString entry = QFileInfo(sysBlock + u'/' + name).canonicalFilePath();
    if (entry.isEmpty())
        return false;
    for (const QString& dir : {entry, QFileInfo(entry).absolutePath()}) {
        QFile f(dir + QStringLiteral("/removable"));
        if (f.open(QIODevice::ReadOnly))
            return f.read(8).trimmed() == "1";
    }
    return false;
}

std::vector<BackupVolume> RemovableVolumes()
{
    std::vector<BackupVolume> v;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        if (!s.isValid() || !s.isReady() || s.isReadOnly())
            continue;
        if (!IsRemovableDevice(QString::fromLocal8Bit(s.device())))
            continue;
        v.push_back(BackupVolume{s.rootPath(), s.displayName()});
    }
    return v;
}

int64_t FolderBytesAvailable(const QString& folder)
{
    const QStorageInfo s(folder);
    return s.isValid() && s.isReady() ? std::max<int64_t>(s.bytesAvailable(), 0) : 0;
}

QString BackupFileName(const TZmd& z)
{
    const QString path = DocumentPath(&z);
    return path.isEmpty() ? QString::fromLatin1(UntitledBackupName) : QFileInfo(path).fileName();
}

bool FindVolumeFolder(QString& root, int helpContext)
{
    while (!QFileInfo(root).isDir()) {
        // The medium came up elsewhere: the user says where.
        QString folder = QFileInfo(root).absolutePath();
        if (!ExecFolderDialog(Text(TextKey::Backup), helpContext, folder))
            return false;
        root = folder;
    }
    return true;
}

bool ClearBackupDisk(const QString& root, const QStringList& listed)
{
    bool ok = true;
    for (const QString& name : listed) {
        if (name.contains(u'/') || name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const QString path = root + u'/' + name;
        struct stat st {};
        if (!StatOf(path, st) || !S_ISREG(st.st_mode))
            continue;
        if (::unlink(Native(path).constData()) != 0)
            ok = false;
    }
    return ok;
}

bool CheckBackupDisk(QString& root, const QString& fileName, int disk, const std::vector<WrittenInfo>& written)
{
    for (;;) {
        ShowStatusNow(Text(TextKey::CheckDisk) + QStringLiteral("..."));
        QStringList foreign;
        if (!ForeignEntries(root, fileName, foreign)) {
            ErrorMsg(TextKey::CannotReadDisk, root, CannotReadDiskHelp);
            if (!AskVolume(root, disk))
                return false;
            continue;
        }
        if (WrittenThisRun(root, written)) {
            // The same medium again: its piece would be lost under the next one.
            if (!AskVolume(root, disk, QStringLiteral("\r\n") + Text(TextKey::RestoreDiskNumber)))
                return false;
            continue;
        }
        if (!foreign.isEmpty()) {
            const int answer = DocumentPorts().RunDiskNotEmptyDlg(foreign);
            if (answer == DiskNotEmptyOverwrite) {
                if (ClearBackupDisk(root, foreign))
                    return true;
                ErrorMsg(TextKey::BackupCannotDelete, root);
                continue;
            }
            if (answer == DiskNotEmptyOk)
                continue;
            return false;
        }
        if (::access(Native(root).constData(), W_OK) != 0) {
            ErrorMsg(TextKey::WriteProtected, root, CannotReadDiskHelp);
            if (!AskVolume(root, disk))
                return false;
            continue;
        }
        return true;
    }
}

bool BackupToDisks(QString& root)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !z->WorkFile.IsOpen())
        return false;
    const QString fileName = BackupFileName(*z);
    const CoursePreviewPause pause;
    try {
        z->WorkFile.MakeOwnCopy();  // the pieces are read through its handle
    } catch (const EAbort&) {
        return false;
    }
    const int source = z->WorkFile.Handle();
    const int64_t total = z->WorkFile.Size();
    BackupInfo info;
    // An untitled map has no path: its piece's name stands in, so that the restore finds it.
    info.File = DocumentPath(z).isEmpty() ? fileName : DocumentPath(z);
    std::vector<WrittenInfo> written;
    StartProgress(TextKey::WriteBackup, TextKey::BytesWritten, ClampInt(total), 1, true);
    AbortRequested = false;
    int64_t pos = 0;
    bool end = false;
    bool aborted = false;
    std::vector<char> block;
    for (int disk = 1; !end && !aborted;) {
        if (disk > 1 && !AskVolume(root, disk)) {
            aborted = true;
            break;
        }
        if (!CheckBackupDisk(root, fileName, disk, written)) {
            // Past the first volume the user may still insert another one.
            if (disk == 1)
                aborted = true;
            continue;
        }
        // This volume cannot take the piece: another one is asked for.
        const auto refuse = [&](TextKey why, const QString& param) {
            ErrorMsg(why, param, InsertNextDiskHelp);
            if (disk == 1 && !AskVolume(root, disk))
                aborted = true;
        };
        const int64_t room = Backups.DiskFree(root) - BackupReserve;
        if (room <= 0) {
            // A full volume would take an empty piece and ask for the next one without end.
            refuse(TextKey::InsertEmptyDisk, {});
            continue;
        }
        const QString piece = root + u'/' + fileName;
        struct stat st {};
        if (StatOf(piece, st) && !S_ISREG(st.st_mode)) {
            // Written through, a link would put the piece elsewhere and a pipe would wait.
            refuse(TextKey::BackupCannotWrite, piece);
            continue;
        }
        ShowStatusNow(Text(TextKey::WriteBackup) + QStringLiteral("..."));
        TFileClass out;
        try {
            // An old "backinfo.txt" must not vouch for the piece until it is whole.
            if (QFileInfo::exists(InfoPath(root)) && !QFile::remove(InfoPath(root))) {
                ErrorMsg(TextKey::BackupCannotDelete, root);
                throw EAbort();
            }
            try {
                out.Rewrite(piece);
            } catch (const EAbort&) {
                ErrorMsg(TextKey::CannotWrite, piece);
                throw;
            }
            for (int64_t left = room; left > 0;) {
                DispatchKeyMessages();
                if (AbortRequested)
                    break;
                const int64_t want = std::min(left, BackupBlock);
                block.resize(size_t(want));
                int64_t got = 0;
                while (got < want) {
                    const ssize_t n = ::pread(source, block.data() + got, size_t(want - got), off_t(pos + got));
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n < 0) {
                        ErrorMsg(TextKey::CannotRead, z->WorkFile.FileName());
                        throw EAbort();
                    }
                    if (n == 0)
                        break;
                    got += n;
                }
                out.Write(block.data(), got);
                pos += got;
                left -= got;
                UpdateProgress(ClampInt(pos), ClampInt(pos));
                if (got < want) {
                    end = true;
                    break;
                }
            }
            out.Close();
        } catch (const EAbort&) {
            aborted = true;
        }
        if (aborted || (AbortRequested && !end)) {
            aborted = true;
            DeleteQuietly(out);
            break;
        }
        const QDateTime now = Backups.Now();
        const QLocale locale;
        info.Date = locale.toString(now.date(), QLocale::ShortFormat);
        // Through the date and time, so that the zone is the moment's own.
        info.Time = locale.toString(now, locale.timeFormat(QLocale::LongFormat));
        info.Disk = disk;
        info.Last = end ? 1 : 0;
        if (!WriteInfo(root, info, written)) {
            aborted = true;
            break;
        }
        ClearStatusText();
        ++disk;
    }
    EndProgress();
    ClearStatusText();
    return end && !aborted;
}

bool BackupToFile(const QString& target)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !z->WorkFile.IsOpen())
        return false;
    const QString full = QFileInfo(target).absoluteFilePath();
    struct stat a {}, b {};
    const bool sameAsWork = ::fstat(z->WorkFile.Handle(), &a) == 0 && ::stat(Native(full).constData(), &b) == 0
                            && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    // The working file, or the file of another open map, is never replaced by a backup.
    if (sameAsWork || FindDocument(full)) {
        ErrorMsg(TextKey::FileInUse, QStringLiteral("\r\n") + full);
        return false;
    }
    Hourglass hourglass;
    const CoursePreviewPause pause;
    // The backup holds the setup as it stands (the current symbol too); that write changes
    // nothing the user would have to save.
    if (!WriteViewSetup() || !ReplaceFileWithCopy(z->WorkFile, full))
        return false;
    ProgramConfig.BackupDrive = BackupToOtherLocation;
    ProgramConfig.BackupFile = GetLongFileName(full);
    WriteConfig();
    return true;
}

void BackupMap(const BackupChoice& choice)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !Index.MapOpen)
        return;
    if (choice.ToVolume) {
        if (!WriteViewSetup())
            return;
        QString root = choice.Folder;
        ProgramConfig.BackupDrive = 0;
        ProgramConfig.BackupFolder = root;
        WriteConfig();
        if (BackupToDisks(root)) {
            ProgramConfig.BackupFolder = root;
            WriteConfig();
            InfoMsg(TextKey::BackupOk);
        } else {
            ErrorMsg(TextKey::BackupAborted);
        }
        return;
    }
    const QString last = ProgramConfig.BackupFile;
    const QString folder = last.isEmpty() ? QDir::homePath() : QFileInfo(last).absolutePath();
    QString name = folder + u'/' + BackupFileName(*z);
    const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|") + Text(TextKey::AllFiles)
                           + QStringLiteral(" (*.*)|*.*");
    if (!ExecSaveDialog(Text(TextKey::Backup), filter, QStringLiteral("zmd"), BackupHelp, name))
        return;
    BackupToFile(name);
}

} // namespace zemo
