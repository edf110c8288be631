#include "core/Config.h"

#include "CoreFixture.h"
#include "platform/Settings.h"

#include <QFileInfo>

#include <functional>
#include <vector>

namespace zemo {
namespace {

class ConfigStore : public test::CoreTest {
public:
    void SetUp() override
    {
        CoreTest::SetUp();
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        ProgramConfig = ConfigRecord();
    }
    // Puts values into the settings file the way an earlier run (or version) left them.
    static void Store(const std::function<void(Settings&)>& fill)
    {
        Settings s = Settings::OpenDefault();
        fill(s);
        ASSERT_TRUE(s.Save());
    }
    QString StoredText(const char* key) const
    {
        QString v = QStringLiteral("<missing>");
        Settings::OpenDefault().ReadString(QString::fromLatin1(key), v);
        return v;
    }
    int32_t StoredInt(const char* key) const
    {
        int32_t v = -99999;
        Settings::OpenDefault().ReadInt(QString::fromLatin1(key), v);
        return v;
    }
};

int ShortCutIndex(const char* name)
{
    for (int i = 0; i < ShortCutCount; ++i)
        if (qstrcmp(ShortCutNames[i], name) == 0)
            return i;
    return -1;
}

TEST(ConfigDefaults, ShortCutsHaveTheirStandardKeys)
{
    ConfigRecord c;
    const std::pair<const char*, const char*> expected[] = {
        {"ViewRedraw", "F5"},        {"ViewMove", "F6"},          {"ViewZoomIn", "F7"},
        {"ViewZoomOut", "F8"},       {"View025X", "Shift+F5"},    {"View05X", "Shift+F6"},
        {"View1X", "Shift+F7"},      {"View2X", "Shift+F8"},      {"View4X", "Shift+F9"},
        {"View8X", "Shift+F10"},     {"View16X", "Shift+F11"},    {"View32X", "Shift+F12"},
        {"OptionsAdjustTemp", "F9"}, {"OptionsHideTemp", "F10"},
    };
    int set = 0;
    for (const auto& [name, key] : expected) {
        const int i = ShortCutIndex(name);
        ASSERT_GE(i, 0) << name;
        EXPECT_EQ(c.ShortCutTexts[i], QString::fromLatin1(key)) << name;
    }
    for (const QString& t : c.ShortCutTexts)
        set += !t.isEmpty();
    EXPECT_EQ(set, 14);
    EXPECT_EQ(QString::fromLatin1(ShortCutNames.front()), QStringLiteral("EditJoin"));
    EXPECT_EQ(QString::fromLatin1(ShortCutNames.back()), QStringLiteral("OptionsScales"));
    EXPECT_EQ(ShortCutIndex("ViewEntire"), 12);

    c.ShortCutTexts[0] = QStringLiteral("Ctrl+J");
    c.ShortCutTexts[8] = QString();
    DefaultShortCuts(c);
    EXPECT_TRUE(c.ShortCutTexts[0].isEmpty());
    EXPECT_EQ(c.ShortCutTexts[8], QStringLiteral("F5"));
}

TEST_F(ConfigStore, NoSettingsGiveTheDefaultsAndWriteNothing)
{
    ProgramConfig.WorkMode = 3;
    ReadConfig();
    EXPECT_TRUE(ProgramConfig == ConfigRecord());
    EXPECT_FALSE(QFileInfo::exists(Settings::DefaultFilePath()));
}

TEST_F(ConfigStore, EveryFieldRoundTripsUnderZemo8)
{
    ConfigRecord c;
    c.File = QStringLiteral("/maps/start.zmd");
    for (int i = 0; i < 5; ++i)
        c.RecentFiles[i] = QStringLiteral("/maps/recent%1.zmd").arg(i + 1);
    c.WorkMode = 7;
    c.LineMode = 6;
    c.BackupDrive = 1;
    c.BackupFile = QStringLiteral("/backup/set.zbk");
    c.BackupFolder = QStringLiteral("/media/ann/STICK");
    c.AutoLoad = false;
    c.AutoSave = true;
    c.Smoothing = 2;
    c.AutoJoin = false;
    c.RedrawBackground = false;
    c.AutoScroll = false;
    c.AutoSelectSym = false;
    c.ContextMenu = false;
    c.ObjectStretch = false;
    c.LineUpdate = true;
    c.AreaUpdate = true;
    c.ScreenGrid = false;
    c.FreehandToCurve = true;
    c.SelectMode = 1;
    c.CurveMode = 1;
    c.SelectTolerance = 5;
    c.JoinTolerance = 100;
    c.HiddenPrintWarning = false;
    c.HiddenExportWarning = false;
    c.HiddenImportWarning = false;
    c.MapFolder = QStringLiteral("/maps");
    c.TemplateFolder = QStringLiteral("/templates");
    c.ExportFolder = QStringLiteral("/exports");
    c.ScreenColor = 100;
    c.ScreenGamma = -100;
    c.PrintPrinter = QStringLiteral("Laser");
    c.CdPrintPrinter = QStringLiteral("Inkjet");
    for (int i = 0; i < ShortCutCount; ++i)
        c.ShortCutTexts[i] = QStringLiteral("Ctrl+%1").arg(i);
    c.GpsEnabled = true;
    c.GpsPort = QStringLiteral("/dev/ttyUSB0");
    c.GpsSpeed = 9600;
    c.GpsFilter = true;
    c.GpsMin4Sat = true;
    c.GpsDgpsRequired = true;

    ProgramConfig = c;
    ASSERT_TRUE(WriteConfig());

    // The value names of the layout, under "Zemo8".
    EXPECT_EQ(StoredText("Zemo8/Startup/File"), c.File);
    EXPECT_EQ(StoredText("Zemo8/Startup/File3"), c.RecentFiles[2]);
    EXPECT_EQ(StoredText("Zemo8/Startup/BackupFolder"), c.BackupFolder);
    EXPECT_EQ(StoredInt("Zemo8/Startup/WorkMode"), 7);
    EXPECT_EQ(StoredInt("Zemo8/Startup/AutoSave"), 1);
    EXPECT_EQ(StoredInt("Zemo8/Startup/AutoLoad"), 0);
    EXPECT_EQ(StoredInt("Zemo8/Preferences/JoinTolerance"), 100);
    EXPECT_EQ(StoredText("Zemo8/Preferences/TemplateFolder"), c.TemplateFolder);
    EXPECT_EQ(StoredText("Zemo8/Dialogs/Print/Printer"), c.PrintPrinter);
    EXPECT_EQ(StoredText("Zemo8/Dialogs/CdPrint/Printer"), c.CdPrintPrinter);
    EXPECT_EQ(StoredText("Zemo8/ShortCuts/OptionsScales"), QStringLiteral("Ctrl+37"));
    EXPECT_EQ(StoredText("Zemo8/Gps/Port"), c.GpsPort);
    EXPECT_EQ(StoredInt("Zemo8/Gps/Speed"), 9600);
    EXPECT_EQ(StoredInt("Zemo8/Gps/DgpsRequired"), 1);

    ProgramConfig = ConfigRecord();
    ReadConfig();
    EXPECT_TRUE(ProgramConfig == c);
    EXPECT_EQ(ProgramConfig.ShortCutTexts[20], QStringLiteral("Ctrl+20"));

    // The start-up file is offered once: the store now holds it empty.
    EXPECT_EQ(StoredText("Zemo8/Startup/File"), QString());
    ProgramConfig = ConfigRecord();
    ReadConfig();
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
    EXPECT_EQ(ProgramConfig.RecentFiles[4], c.RecentFiles[4]);
}

TEST_F(ConfigStore, OldVersionKeysAreReadAndWrittenBackAsZemo8)
{
    // Without a version key the root is read.
    Store([](Settings& s) { s.WriteInt(QStringLiteral("Preferences/SelectTolerance"), 4); });
    ReadConfig();
    EXPECT_EQ(ProgramConfig.SelectTolerance, 4);

    Store([](Settings& s) {
        s.WriteInt(QStringLiteral("Zemo7/Startup/WorkMode"), 8);
        s.WriteString(QStringLiteral("Zemo7/Startup/File"), QStringLiteral("/old/start.zmd"));
        s.WriteString(QStringLiteral("Zemo7/Preferences/MapFolder"), QStringLiteral("/old/maps"));
        s.WriteInt(QStringLiteral("Zemo7/Gps/Speed"), 19200);
        s.WriteString(QStringLiteral("Zemo7/ShortCuts/EditJoin"), QStringLiteral("Ctrl+J"));
        // The root is older still and is not read while Zemo7 exists.
        s.WriteInt(QStringLiteral("Startup/Smoothing"), 2);
    });
    ReadConfig();
    EXPECT_EQ(ProgramConfig.WorkMode, 8);
    EXPECT_EQ(ProgramConfig.File, QStringLiteral("/old/start.zmd"));
    EXPECT_EQ(ProgramConfig.MapFolder, QStringLiteral("/old/maps"));
    EXPECT_EQ(ProgramConfig.GpsSpeed, 19200);
    EXPECT_EQ(ProgramConfig.ShortCutTexts[0], QStringLiteral("Ctrl+J"));
    EXPECT_EQ(ProgramConfig.Smoothing, 1);
    // The start-up file is emptied where it was read.
    EXPECT_EQ(StoredText("Zemo7/Startup/File"), QString());
    EXPECT_FALSE(Settings::OpenDefault().KeyExists(QStringLiteral("Zemo8")));

    ASSERT_TRUE(WriteConfig());
    EXPECT_EQ(StoredInt("Zemo8/Startup/WorkMode"), 8);
    EXPECT_EQ(StoredText("Zemo8/Preferences/MapFolder"), QStringLiteral("/old/maps"));
    EXPECT_EQ(StoredInt("Zemo8/Gps/Speed"), 19200);
    // The old key stays as it was; values of others in the store survive a write.
    EXPECT_EQ(StoredInt("Zemo7/Startup/WorkMode"), 8);
    EXPECT_EQ(StoredInt("Startup/Smoothing"), 2);

    // From now on Zemo8 wins, even for values only Zemo7 has.
    Store([](Settings& s) {
        s.WriteInt(QStringLiteral("Zemo8/Startup/WorkMode"), 9);
        s.Remove(QStringLiteral("Zemo8/Gps/Speed"));
    });
    ReadConfig();
    EXPECT_EQ(ProgramConfig.WorkMode, 9);
    EXPECT_EQ(ProgramConfig.GpsSpeed, 4800);
}

TEST_F(ConfigStore, ValuesOfAnotherTypeOrTooLongKeepTheirDefaultsFlagsTakeAnyNonZero)
{
    const QString fits = QStringLiteral("/") + QString(MaxConfigTextBytes - 1, u'a');
    const QString tooLong = fits + u'b';
    Store([&](Settings& s) {
        s.WriteString(QStringLiteral("Zemo8/Startup/WorkMode"), QStringLiteral("7"));
        s.WriteString(QStringLiteral("Zemo8/Startup/AutoLoad"), QStringLiteral("0"));
        s.WriteInt(QStringLiteral("Zemo8/Gps/Port"), 2);
        s.WriteInt(QStringLiteral("Zemo8/ShortCuts/ViewRedraw"), 116);
        s.WriteInt(QStringLiteral("Zemo8/Startup/AutoSave"), 2);
        s.WriteInt(QStringLiteral("Zemo8/Preferences/LineUpdate"), -1);
        s.WriteString(QStringLiteral("Zemo8/Startup/File1"), fits);
        s.WriteString(QStringLiteral("Zemo8/Startup/File2"), tooLong);
        // Three-byte characters: 1366 of them are 4098 bytes, though only 1366 characters.
        s.WriteString(QStringLiteral("Zemo8/Preferences/MapFolder"), QString(1366, QChar(0x20AC)));
    });
    ReadConfig();
    EXPECT_EQ(ProgramConfig.WorkMode, 10);
    EXPECT_TRUE(ProgramConfig.AutoLoad);
    EXPECT_EQ(ProgramConfig.GpsPort, QStringLiteral("COM1"));
    EXPECT_EQ(ProgramConfig.ShortCutTexts[ShortCutIndex("ViewRedraw")], QStringLiteral("F5"));
    EXPECT_TRUE(ProgramConfig.AutoSave);
    EXPECT_TRUE(ProgramConfig.LineUpdate);
    EXPECT_EQ(ProgramConfig.RecentFiles[0], fits);
    EXPECT_TRUE(ProgramConfig.RecentFiles[1].isEmpty());
    EXPECT_TRUE(ProgramConfig.MapFolder.isEmpty());
    ASSERT_TRUE(WriteConfig());
    EXPECT_EQ(StoredInt("Zemo8/Startup/AutoSave"), 1);

    // A start-up file set too long in memory is dropped by the check.
    ProgramConfig.File = tooLong;
    CheckConfig();
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
    ProgramConfig.File = fits;
    CheckConfig();
    EXPECT_EQ(ProgramConfig.File, fits);
}

TEST_F(ConfigStore, EveryRangeCheckHasItsFallback)
{
    struct Row {
        const char* name;
        int32_t ConfigRecord::*field;
        std::vector<std::pair<int32_t, int32_t>> storedRead;
    };
    const Row rows[] = {
        {"Startup/WorkMode", &ConfigRecord::WorkMode, {{20, 11}, {4, 11}, {13, 11}, {5, 5}, {12, 12}}},
        {"Startup/LineMode", &ConfigRecord::LineMode, {{4, 10}, {11, 10}, {5, 5}}},
        // 2, another location, is kept: it is what the backup itself stores.
        {"Startup/BackupDrive", &ConfigRecord::BackupDrive, {{-1, 0}, {3, 0}, {2, 2}, {1, 1}}},
        {"Preferences/Smoothing", &ConfigRecord::Smoothing, {{3, 1}, {-1, 1}, {0, 0}, {2, 2}}},
        {"Preferences/SelectMode", &ConfigRecord::SelectMode, {{2, 0}, {1, 1}}},
        {"Preferences/CurveMode", &ConfigRecord::CurveMode, {{-1, 0}, {1, 1}}},
        {"Preferences/SelectTolerance", &ConfigRecord::SelectTolerance, {{1, 3}, {6, 3}, {2, 2}, {5, 5}}},
        {"Preferences/JoinTolerance", &ConfigRecord::JoinTolerance, {{150, 25}, {-1, 25}, {0, 0}, {100, 100}}},
        // The fallback of the colour corrections is 0, not their defaults.
        {"Preferences/ScreenColor", &ConfigRecord::ScreenColor, {{-101, 0}, {101, 0}, {-100, -100}, {100, 100}}},
        {"Preferences/ScreenGamma", &ConfigRecord::ScreenGamma, {{-101, 0}, {101, 0}, {-100, -100}, {100, 100}}},
        {"Gps/Speed", &ConfigRecord::GpsSpeed, {{-5, -5}}},  // unchecked: taken as stored
    };
    for (const Row& r : rows)
        for (auto [stored, read] : r.storedRead) {
            Store([&](Settings& s) { s.WriteInt(QStringLiteral("Zemo8/") + QString::fromLatin1(r.name), stored); });
            ReadConfig();
            EXPECT_EQ(ProgramConfig.*r.field, read) << r.name << " stored " << stored;
        }
}

} // namespace
} // namespace zemo
