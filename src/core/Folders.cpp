#include "core/Folders.h"
#include "core/Ports.h"

#include "core/ByteIO.h"
#include "core/Config.h"
#include "core/LangTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cstring>
#include <span>
#include <string>

#ifndef ZEMO_VERSION
#define ZEMO_VERSION ""
#endif
#ifndef ZEMO_PRERELEASE
#define ZEMO_PRERELEASE 0
#endif
#ifndef ZEMO_SPECIAL_BUILD
#define ZEMO_SPECIAL_BUILD 0
#endif

namespace zemo {

QString VersionString;
int MajorVersion = 0;
int MinorVersion = 0;


std::vector<Cord> PathPoints;
std::vector<Cord> WorkPoints1;
std::vector<Cord> WorkPoints2;
std::vector<Cord> WorkPoints3;

std::array<uint8_t, DefaultSymbolBytes> DefaultSymbol{};
std::array<uint8_t, DefaultTextSymbolBytes> DefaultTextSymbol{};
std::array<uint8_t, DefaultLineTextSymbolBytes> DefaultLineTextSymbol{};
const uint8_t* DrawSymbol = DefaultSymbol.data();

namespace {

QString WithSlash(const QString& folder)
{
    if (folder.isEmpty() || IsPathSeparator(folder.back()))
        return folder;
    return folder + u'/';
}

// Removes one trailing separator from a stored folder field, but never turns the root into
// an empty (unset) field.
void DropTrailingSeparator(QString& field)
{
    if (field.size() > 1 && IsPathSeparator(field.back()))
        field.chop(1);
}

QString JoinPath(const QString& folder, const QString& name)
{
    return WithSlash(folder) + name;
}

int LastSeparator(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (IsPathSeparator(path[i]))
            return int(i);
    return -1;
}

QString UntitledText()
{
    return Text(TextKey::Untitled);
}

} // namespace

bool IsPathSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

QString ExtractFileDir(const QString& path)
{
    const int sep = LastSeparator(path);
    if (sep < 0)
        return QString();
    if (sep == 0)
        return path.left(1);
    return path.left(sep);
}

QString ExtractFileName(const QString& path)
{
    return path.mid(LastSeparator(path) + 1);
}

QString ReplaceExtension(const QString& path, const QString& extension)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path[i];
        if (c == u'.')
            return path.left(i) + extension;
        if (IsPathSeparator(c) || c == u':')
            break;
    }
    return path + extension;
}

QString GetProgramFolder()
{
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    QString folder;
    if (exe.isSymLink())
        folder = QFileInfo(exe.symLinkTarget()).absolutePath();
    else if (QCoreApplication::instance())
        folder = QCoreApplication::applicationDirPath();
    return WithSlash(folder.isEmpty() ? QDir::currentPath() : folder);
}

QString DataFolder()
{
    return DataFolderFor(GetProgramFolder());
}

QString DataFolderFor(const QString& programFolder)
{
    const QString exeDir = WithSlash(programFolder);
    for (const QString& candidate : {exeDir, exeDir + QStringLiteral("../")}) {
        if (QFileInfo::exists(candidate + QStringLiteral("strings.ini")))
            return WithSlash(QDir::cleanPath(candidate));
    }
    return WithSlash(QDir::cleanPath(exeDir + QStringLiteral("../share/zemo")));
}

QString HomeFolder()
{
    return WithSlash(QDir::homePath());
}

QString StateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = QDir::cleanPath(base + QStringLiteral("/zemo"));
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return WithSlash(folder);
}

QString CurrentMapPath()
{
    return CorePorts().CurrentMapPath();
}

QString GetMapFolder()
{
    QString& field = ProgramConfig.MapFolder;
    DropTrailingSeparator(field);
    if (field.isEmpty())
        return HomeFolder();
    return WithSlash(field);
}

QString GetTemplateFolder()
{
    return GetTemplateFolder(CurrentMapPath());
}

QString GetTemplateFolder(const QString& mapPath)
{
    QString& field = ProgramConfig.TemplateFolder;
    DropTrailingSeparator(field);
    if (!field.isEmpty())
        return WithSlash(field);
    const QString mapDir = ExtractFileDir(mapPath);
    if (!mapDir.isEmpty())
        return WithSlash(mapDir);
    return GetMapFolder();
}

void SetExportFolder(const QString& fileName)
{
    SetExportFolder(fileName, CurrentMapPath());
}

void SetExportFolder(const QString& fileName, const QString& mapPath)
{
    const QString folder = ExtractFileDir(fileName);
    if (!mapPath.isEmpty() && folder == ExtractFileDir(mapPath))
        ProgramConfig.ExportFolder.clear();
    else
        ProgramConfig.ExportFolder = folder;
}

QString GetExportFileName(const QString& extension)
{
    return GetExportFileName(extension, CurrentMapPath());
}

QString GetExportFileName(const QString& extension, const QString& mapPath)
{
    const QString& exportFolder = ProgramConfig.ExportFolder;
    if (mapPath.isEmpty()) {
        if (exportFolder.isEmpty())
            return GetMapFolder() + UntitledText() + extension;
        return JoinPath(exportFolder, UntitledText() + extension);
    }
    if (exportFolder.isEmpty())
        return ReplaceExtension(mapPath, extension);
    return JoinPath(exportFolder, ReplaceExtension(ExtractFileName(mapPath), extension));
}

bool MakeVersionString(std::string_view version, bool preRelease, bool specialBuild)
{
    VersionString.clear();
    MajorVersion = 0;
    MinorVersion = 0;

    // a.b.c.d as the four 16-bit words of a file version.
    std::array<int, 4> part{};
    int count = 0;
    const char* p = version.data();
    const char* const end = p + version.size();
    while (p < end && count < 4) {
        unsigned v = 0;
        const auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || v > 0xFFFF)
            return false;
        part[count++] = int(v);
        p = next;
        if (p < end) {
            if (*p != '.' || p + 1 == end)
                return false;
            ++p;
        }
    }
    if (count == 0 || p != end)
        return false;

    MajorVersion = part[0];
    MinorVersion = part[1];
    const QString numbers = QString::number(part[0]) + u'.' + QString::number(part[2]);
    QString versionWord = Text(TextKey::Version);
    if (versionWord.isEmpty())
        versionWord = QStringLiteral("Version");
    if (preRelease)
        VersionString = QStringLiteral("Beta ") + numbers + QStringLiteral(" Build ") + QString::number(part[3]);
    else if (specialBuild)
        VersionString = versionWord + u' ' + numbers + QStringLiteral("  Special Build ") + QString::number(part[3]);
    else
        VersionString = versionWord + u' ' + numbers;
    return true;
}

void MakeVersionString()
{
    MakeVersionString(ZEMO_VERSION, ZEMO_PRERELEASE != 0, ZEMO_SPECIAL_BUILD != 0);
}

void MakeDefaultSymbols()
{
    DefaultSymbol.fill(0);
    std::vector<uint8_t> buf(DefaultSymbolBytes, 0);
    {
        ByteWriter w(buf);
        w.PutI16(0, int16_t(DefaultSymbolBytes));
        w.PutI16(8, 32);  // extent
        const QByteArray undefined = TextBytes(TextKey::Undefined);
        w.PutShortString(52, std::string_view(undefined.constData(), size_t(undefined.size())), 31);
    }
    std::memcpy(DefaultSymbol.data(), buf.data(), DefaultSymbolBytes);

    buf.assign(DefaultTextSymbolBytes, 0);
    {
        ByteWriter w(buf);
        w.PutI16(0, int16_t(DefaultTextSymbolBytes));
        w.PutI16(4, TextObject);
        w.PutI16(382, 30);   // font size, 0.1 pt
        w.PutI16(390, 100);  // word spacing, %
        w.PutI16(394, 120);  // line spacing, %
    }
    std::memcpy(DefaultTextSymbol.data(), buf.data(), DefaultTextSymbolBytes);

    buf.assign(DefaultLineTextSymbolBytes, 0);
    {
        ByteWriter w(buf);
        w.PutI16(0, int16_t(DefaultLineTextSymbolBytes));
        w.PutI16(382, 80);   // font size, 0.1 pt
        w.PutI16(390, 100);  // word spacing, %
    }
    std::memcpy(DefaultLineTextSymbol.data(), buf.data(), DefaultLineTextSymbolBytes);
}

void InitConfigUnit()
{
    MakeVersionString();
    MakeDefaultSymbols();
    DrawSymbol = DefaultSymbol.data();
    PathPoints.assign(PathPointCapacity, Cord{});
    WorkPoints1.assign(PathPointCapacity, Cord{});
    WorkPoints2.assign(PathPointCapacity, Cord{});
    WorkPoints3.assign(WorkPoints3Capacity, Cord{});
}

void DoneConfigUnit()
{
    for (auto* v : {&PathPoints, &WorkPoints1, &WorkPoints2, &WorkPoints3}) {
        v->clear();
        v->shrink_to_fit();
    }
    VersionString.clear();
    ProgramConfig = ConfigRecord();
}

} // namespace zemo
