#include "core/Folders.h"
#include "core/Ports.h"

#include "core/Config.h"
#include "core/LangTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace zemo {
namespace {

class FolderFields : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        ProgramConfig = ConfigRecord();
        SetText(TextKey::Untitled, "Untitled");
    }
    QString Home() const { return home.path() + u'/'; }

    QTemporaryDir home;
};

TEST_F(FolderFields, MapFolderDropsOneTrailingSeparatorAndFallsBackToHome)
{
    ProgramConfig.MapFolder = QStringLiteral("/data/maps/");
    EXPECT_EQ(GetMapFolder(), QStringLiteral("/data/maps/"));
    EXPECT_EQ(ProgramConfig.MapFolder, QStringLiteral("/data/maps"));
    EXPECT_EQ(GetMapFolder(), QStringLiteral("/data/maps/"));

    // A folder stored by an older version may end with a backslash.
    ProgramConfig.MapFolder = QStringLiteral("/data/maps\\");
    EXPECT_EQ(GetMapFolder(), QStringLiteral("/data/maps/"));
    EXPECT_EQ(ProgramConfig.MapFolder, QStringLiteral("/data/maps"));

    // The root stays the root and does not become "unset".
    ProgramConfig.MapFolder = QStringLiteral("/");
    EXPECT_EQ(GetMapFolder(), QStringLiteral("/"));

    // Empty: the home folder, since the program folder is not writable once installed.
    ProgramConfig.MapFolder.clear();
    EXPECT_EQ(GetMapFolder(), Home());
}

TEST_F(FolderFields, TemplateFolderThenMapFolderOfTheMapThenMapFolder)
{
    ProgramConfig.MapFolder = QStringLiteral("/maps");
    ProgramConfig.TemplateFolder = QStringLiteral("/scans/");
    EXPECT_EQ(GetTemplateFolder(QStringLiteral("/a/forest.zmd")), QStringLiteral("/scans/"));
    EXPECT_EQ(ProgramConfig.TemplateFolder, QStringLiteral("/scans"));

    ProgramConfig.TemplateFolder.clear();
    EXPECT_EQ(GetTemplateFolder(QStringLiteral("/a/b/forest.zmd")), QStringLiteral("/a/b/"));
    EXPECT_EQ(GetTemplateFolder(QStringLiteral("C:\\Maps\\forest.zmd")), QStringLiteral("C:\\Maps/"));
    EXPECT_EQ(GetTemplateFolder(QStringLiteral("/forest.zmd")), QStringLiteral("/"));
    EXPECT_EQ(GetTemplateFolder(QString()), QStringLiteral("/maps/"));

    // Without an argument the current map comes from the map store.
    CorePorts().CurrentMapPath.Bind([] { return QStringLiteral("/hooked/map.zmd"); });
    EXPECT_EQ(GetTemplateFolder(), QStringLiteral("/hooked/"));
    CorePorts().CurrentMapPath.Unbind();
    EXPECT_EQ(GetTemplateFolder(), QStringLiteral("/maps/"));
}

TEST_F(FolderFields, ExportProposalsFollowTheLastExportFolder)
{
    ProgramConfig.MapFolder = QStringLiteral("/maps/");
    // Untitled map, no export yet: the map folder.
    EXPECT_EQ(GetExportFileName(QStringLiteral(".ai"), QString()), QStringLiteral("/maps/Untitled.ai"));

    const QString forest = QStringLiteral("/A/Forest.zmd");
    EXPECT_EQ(GetExportFileName(QStringLiteral(".svg"), forest), QStringLiteral("/A/Forest.svg"));

    SetExportFolder(QStringLiteral("/B/anything.svg"), forest);
    EXPECT_EQ(ProgramConfig.ExportFolder, QStringLiteral("/B"));
    EXPECT_EQ(GetExportFileName(QStringLiteral(".svg"), forest), QStringLiteral("/B/Forest.svg"));
    EXPECT_EQ(GetExportFileName(QStringLiteral(".ai"), QString()), QStringLiteral("/B/Untitled.ai"));

    // Back into the map's own folder: forgotten again.
    SetExportFolder(QStringLiteral("/A/other.svg"), forest);
    EXPECT_TRUE(ProgramConfig.ExportFolder.isEmpty());
    EXPECT_EQ(GetExportFileName(QStringLiteral(".svg"), forest), QStringLiteral("/A/Forest.svg"));

    // An export into the root folder is remembered as "/".
    SetExportFolder(QStringLiteral("/x.svg"), forest);
    EXPECT_EQ(ProgramConfig.ExportFolder, QStringLiteral("/"));
    EXPECT_EQ(GetExportFileName(QStringLiteral(".svg"), forest), QStringLiteral("/Forest.svg"));

    // An untitled map has no folder of its own.
    SetExportFolder(QStringLiteral("/A/x.svg"), QString());
    EXPECT_EQ(ProgramConfig.ExportFolder, QStringLiteral("/A"));

    CorePorts().CurrentMapPath.Bind([] { return QStringLiteral("/C/Hill.zmd"); });
    SetExportFolder(QStringLiteral("/C/h.gif"));
    EXPECT_TRUE(ProgramConfig.ExportFolder.isEmpty());
    EXPECT_EQ(GetExportFileName(QStringLiteral(".gif")), QStringLiteral("/C/Hill.gif"));
}

TEST_F(FolderFields, ExportUntitledUsesTheLanguageText)
{
    SetText(TextKey::Untitled, "Naamloos");
    ProgramConfig.MapFolder.clear();
    EXPECT_EQ(GetExportFileName(QStringLiteral(".tif"), QString()), Home() + QStringLiteral("Naamloos.tif"));
}

TEST(FolderPaths, ExtensionIsReplacedOnlyInTheFileName)
{
    struct Row { const char* in; const char* out; };
    for (Row r : {Row{"/a/forest.zmd", "/a/forest.ai"}, {"/a/forest", "/a/forest.ai"}, {"/a.b/forest", "/a.b/forest.ai"},
                  {"C:\\a.b\\forest", "C:\\a.b\\forest.ai"}, {"/a/forest.v2.zmd", "/a/forest.v2.ai"},
                  {"c.d:forest", "c.d:forest.ai"}, {"", ".ai"}})
        EXPECT_EQ(ReplaceExtension(r.in, ".ai"), r.out) << r.in;
    for (Row r : {Row{"/a/b/c.zmd", "/a/b"}, {"/a\\b\\c.zmd", "/a\\b"}, {"/c.zmd", "/"}, {"c.zmd", ""}})
        EXPECT_EQ(ExtractFileDir(r.in), r.out) << r.in;
    EXPECT_EQ(ExtractFileName("/a/b\\c.zmd"), "c.zmd");
    EXPECT_EQ(ExtractFileName("c.zmd"), "c.zmd");
}

TEST(FolderPaths, StateFolderIsCreatedPrivateUnderXdgStateHome)
{
    QTemporaryDir base;
    qputenv("XDG_STATE_HOME", (base.path() + QStringLiteral("/state")).toUtf8());
    const QString expected = base.path() + QStringLiteral("/state/zemo/");
    EXPECT_EQ(StateFolder(), expected);
    const QFileInfo info(expected);
    ASSERT_TRUE(info.isDir());
    EXPECT_EQ(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);

    qputenv("HOME", base.path().toUtf8());
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(StateFolder(), base.path() + QStringLiteral("/.local/state/zemo/"));
    EXPECT_TRUE(QFileInfo(base.path() + QStringLiteral("/.local/state/zemo")).isDir());
    qputenv("XDG_STATE_HOME", "relative");
    EXPECT_EQ(StateFolder(), base.path() + QStringLiteral("/.local/state/zemo/"));
}

TEST(FolderPaths, DataFolderBesideTheProgramElseShare)
{
    QTemporaryDir base;
    const QString root = base.path();
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/build/tests")));
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/usr/bin")));
    QFile marker(root + QStringLiteral("/build/strings.ini"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();

    EXPECT_EQ(DataFolderFor(root + QStringLiteral("/build")), root + QStringLiteral("/build/"));
    EXPECT_EQ(DataFolderFor(root + QStringLiteral("/build/tests/")), root + QStringLiteral("/build/"));
    EXPECT_EQ(DataFolderFor(root + QStringLiteral("/usr/bin")), root + QStringLiteral("/usr/share/zemo/"));

    EXPECT_TRUE(GetProgramFolder().endsWith(u'/'));
    EXPECT_TRUE(QFileInfo(GetProgramFolder()).isDir());
    EXPECT_EQ(DataFolder(), DataFolderFor(GetProgramFolder()));
}

class Version : public ::testing::Test {
protected:
    void SetUp() override { SetText(TextKey::Version, "Version"); }
};

TEST_F(Version, ReleasePreReleaseAndSpecialBuildTexts)
{
    struct Row { const char* version; bool pre, special; const char* text; int major, minor; };
    // Pre-release wins over special build; missing parts are 0; leading zeros go.
    for (Row r : {Row{"8.0.2.15", true, false, "Beta 8.2 Build 15", 8, 0}, {"8.0.3.1", false, false, "Version 8.3", 8, 0},
                  {"8.1.3.7", false, true, "Version 8.3  Special Build 7", 8, 1},
                  {"8.1.3.7", true, true, "Beta 8.3 Build 7", 8, 1}, {"8.0.0", false, false, "Version 8.0", 8, 0},
                  {"08.00.010", true, false, "Beta 8.10 Build 0", 8, 0}}) {
        EXPECT_TRUE(MakeVersionString(r.version, r.pre, r.special)) << r.version;
        EXPECT_EQ(VersionString, r.text);
        EXPECT_EQ(MajorVersion, r.major);
        EXPECT_EQ(MinorVersion, r.minor);
    }
    SetText(TextKey::Version, "Versie");
    EXPECT_TRUE(MakeVersionString("9.2.4.0", false, false));
    EXPECT_EQ(VersionString, QStringLiteral("Versie 9.4"));
}

TEST_F(Version, UnreadableVersionLeavesTheTextEmpty)
{
    for (const char* bad : {"", "8.x", "8..1", "8.", ".8", "70000.0.0", "8.0.0.0.1", "-8.0", "8.0 beta"}) {
        MakeVersionString("8.0.1.1", false, false);
        EXPECT_FALSE(MakeVersionString(bad, false, false)) << bad;
        EXPECT_TRUE(VersionString.isEmpty()) << bad;
        EXPECT_EQ(MajorVersion, 0) << bad;
        EXPECT_EQ(MinorVersion, 0) << bad;
    }
}

TEST_F(Version, ThisBuildTakesItsNumbersFromTheBuildVersion)
{
    MakeVersionString();
    const QStringList parts = QStringLiteral(ZEMO_VERSION).split(u'.');
    ASSERT_GE(parts.size(), 2);
    EXPECT_EQ(MajorVersion, parts[0].toInt());
    EXPECT_EQ(MinorVersion, parts[1].toInt());
    EXPECT_FALSE(VersionString.isEmpty());
}

int16_t I16At(const uint8_t* p, size_t offset)
{
    int16_t v;
    std::memcpy(&v, p + offset, 2);
    return v;
}

TEST(CoreStartUp, DefaultSymbolsPointArraysAndShutDown)
{
    SetText(TextKey::Undefined, QByteArray("Undefined symbol with a description far too long"));
    InitConfigUnit();

    EXPECT_EQ(I16At(DefaultSymbol.data(), 0), 348);
    EXPECT_EQ(I16At(DefaultSymbol.data(), 8), 32);
    EXPECT_EQ(DefaultSymbol[52], 31);
    EXPECT_EQ(0, std::memcmp(DefaultSymbol.data() + 53, "Undefined symbol with a descrip", 31));
    size_t nonZero = 0;
    for (size_t i = 0; i < DefaultSymbol.size(); ++i)
        if (DefaultSymbol[i] != 0 && i != 0 && i != 1 && i != 8 && !(i >= 52 && i < 84))
            ++nonZero;
    EXPECT_EQ(nonZero, 0u);
    EXPECT_EQ(DrawSymbol, DefaultSymbol.data());

    EXPECT_EQ(I16At(DefaultTextSymbol.data(), 0), 588);
    EXPECT_EQ(I16At(DefaultTextSymbol.data(), 4), 4);
    EXPECT_EQ(I16At(DefaultTextSymbol.data(), 382), 30);
    EXPECT_EQ(I16At(DefaultTextSymbol.data(), 390), 100);
    EXPECT_EQ(I16At(DefaultTextSymbol.data(), 394), 120);
    EXPECT_EQ(I16At(DefaultLineTextSymbol.data(), 0), 440);
    EXPECT_EQ(I16At(DefaultLineTextSymbol.data(), 382), 80);
    EXPECT_EQ(I16At(DefaultLineTextSymbol.data(), 390), 100);
    EXPECT_EQ(I16At(DefaultLineTextSymbol.data(), 4), 0);

    EXPECT_EQ(PathPoints.size(), 32768u);
    EXPECT_EQ(WorkPoints1.size(), 32768u);
    EXPECT_EQ(WorkPoints2.size(), 32768u);
    EXPECT_EQ(WorkPoints3.size(), 1024u);
    EXPECT_FALSE(VersionString.isEmpty());

    // A short text leaves no stale bytes of the longer one behind.
    SetText(TextKey::Undefined, QByteArray("Unknown"));
    MakeDefaultSymbols();
    EXPECT_EQ(DefaultSymbol[52], 7);
    EXPECT_EQ(DefaultSymbol[60], 0);

    ProgramConfig.MapFolder = QStringLiteral("/maps");
    DoneConfigUnit();
    EXPECT_TRUE(PathPoints.empty());
    EXPECT_TRUE(WorkPoints3.empty());
    EXPECT_TRUE(VersionString.isEmpty());
    EXPECT_TRUE(ProgramConfig.MapFolder.isEmpty());
}

} // namespace
} // namespace zemo
