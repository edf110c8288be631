#include "PlatformFixture.h"
#include "platform/Settings.h"

namespace zemo {

using SettingsStore = PlatformTest;

TEST_F(SettingsStore, FileLivesUnderXdgConfigHomeElseHomeConfig)
{
    EXPECT_EQ(Settings::DefaultFilePath(), Path("zemo/settings.conf"));
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    const QString fallback = home.path() + QStringLiteral("/.config/zemo/settings.conf");
    // Empty, relative (not a valid base) and unset.
    for (const char* xdg : {"", "relative/conf", static_cast<const char*>(nullptr)}) {
        xdg ? qputenv("XDG_CONFIG_HOME", xdg) : qunsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(Settings::DefaultFilePath(), fallback) << (xdg ? xdg : "unset");
    }
}

TEST_F(SettingsStore, ValuesSurviveSaveAndLoadExactlyOneALine)
{
    const QString awkward =
        QStringLiteral("line one\nline two\ttabbed\r\n back\\slash a=b \\n \x01\x1f\x7f é €");
    const std::pair<QString, QString> texts[] = {
        {"Zemo8/Startup/File", awkward}, {"Zemo8/Startup/Empty", ""}, {"Odd=Key\\x/Name é", "v"}};
    const std::pair<QString, int32_t> numbers[] = {
        {"Zemo8/Startup/Min", INT32_MIN}, {"Zemo8/Startup/Max", INT32_MAX},
        {"Zemo8/Startup/Zero", 0}};
    Settings s = Settings::OpenDefault();
    EXPECT_EQ(s.Count(), 0);
    for (const auto& [key, text] : texts)
        ASSERT_TRUE(s.WriteString(key, text));
    for (const auto& [key, n] : numbers)
        ASSERT_TRUE(s.WriteInt(key, n));
    ASSERT_TRUE(s.Save());
    EXPECT_EQ(ReadFile(Path("zemo/settings.conf")).toStdString(),
              "# ZEMO settings. One value per line: \"s key=text\" or \"i key=number\".\n"
              "s Odd\\=Key\\\\x/Name é=v\ns Zemo8/Startup/Empty=\n"
              "s Zemo8/Startup/File=line one\\nline two\\ttabbed\\r\\n back\\\\slash a=b \\\\n "
              "\\x01\\x1F\\x7F é €\ni Zemo8/Startup/Max=2147483647\n"
              "i Zemo8/Startup/Min=-2147483648\ni Zemo8/Startup/Zero=0\n");
    const Settings t = Settings::OpenDefault();
    EXPECT_EQ(t.Count(), 6);
    for (const auto& [key, text] : texts) {
        QString read = QStringLiteral("x");
        EXPECT_TRUE(t.ReadString(key, read) && read == text) << key.toStdString();
    }
    for (const auto& [key, n] : numbers) {
        int32_t read = 7;
        EXPECT_TRUE(t.ReadInt(key, read) && read == n) << key.toStdString();
    }
}

TEST_F(SettingsStore, KeysMatchWholePartsOfOneTypeAndMalformedOnesAreRefused)
{
    Settings s(Path("zemo/settings.conf"));
    for (const char* key : {"", "/a", "a/", "a//b", "a/\nb", "a\x7f"})
        EXPECT_FALSE(s.WriteInt(QString::fromLatin1(key), 1)) << key;
    EXPECT_TRUE(s.Count() == 0 && !s.KeyExists(QString()));
    s.WriteInt(QStringLiteral("Zemo8/Dialogs/Print/Copies"), 12);
    s.WriteString(QStringLiteral("a/text"), QStringLiteral("12"));
    // A value is not a key; a key is whole parts of a path.
    const std::pair<const char*, bool> keys[] = {
        {"", true}, {"Zemo8", true}, {"Zemo8/Dialogs", true}, {"Zemo8/Dialogs/Print", true},
        {"Zemo", false}, {"Zemo8/Dialogs/Pri", false}, {"Zemo8/Dialogs/Print/Copies", false}};
    for (const auto& [key, exists] : keys)
        EXPECT_EQ(s.KeyExists(QString::fromLatin1(key)), exists) << key;
    // The wrong type or no value leaves the variable as it was; another type replaces one.
    int32_t n = 99;
    QString text = QStringLiteral("keep");
    EXPECT_FALSE(s.ReadInt(QStringLiteral("a/text"), n)
                 || s.ReadString(QStringLiteral("Zemo8/Dialogs/Print/Copies"), text)
                 || s.ReadString(QStringLiteral("a/missing"), text));
    EXPECT_TRUE(n == 99 && text == QStringLiteral("keep"));
    EXPECT_EQ(
        (std::array{s.TypeOf("a/text"), s.TypeOf("Zemo8/Dialogs/Print/Copies"), s.TypeOf("a")}),
        (std::array{Settings::ValueType::String, Settings::ValueType::Int,
                    Settings::ValueType::None}));
    s.WriteInt(QStringLiteral("a/text"), 5);
    EXPECT_TRUE(s.ReadInt(QStringLiteral("a/text"), n) && n == 5
                && !s.ReadString(QStringLiteral("a/text"), text));
    // Removing the last value under a path removes the path.
    EXPECT_TRUE(s.Remove(QStringLiteral("Zemo8/Dialogs/Print/Copies")));
    EXPECT_FALSE(s.KeyExists(QStringLiteral("Zemo8")));
}

TEST_F(SettingsStore, DamagedLinesAreSkippedAndTheRestIsRead)
{
    QDir().mkpath(dir.path() + QStringLiteral("/zemo"));
    // Unknown type, bad numbers, bad escapes, no "=", empty parts of a key, no blank, garbage.
    static const char text[] =
        "# comment with = sign\n\ns good/one=first\nx unknown/type=1\n"
        "i bad/number=12x\ni bad/overflow=2147483648\ni bad/empty=\ni bad/blank= 5\n"
        "s bad/escape=a\\qb\ns bad/hex=a\\x4\ns bad/trailing=a\\\ns bad/noequals\n"
        "s =nokey\ns bad//path=1\ns /bad/lead=1\nsbad/nospace=1\n\x00\xff\xfe garbage\x01\n"
        "i good/crlf=-42\r\ns good/dup=old\ns good/dup=new\ns good/eq=a=b=c\n"
        "s good/hex=\\x41\\x7e\\x1F\ni good/last=7"; // no final line end
    WriteFile(Path("zemo/settings.conf"), QByteArray(text, sizeof text - 1));
    // What survives, written back.
    EXPECT_EQ(Settings::OpenDefault().ToText().toStdString(),
              "# ZEMO settings. One value per line: \"s key=text\" or \"i key=number\".\n"
              "i good/crlf=-42\ns good/dup=new\ns good/eq=a=b=c\ns good/hex=A~\\x1F\n"
              "i good/last=7\ns good/one=first\n");
}

TEST_F(SettingsStore, SaveReplacesTheFileWholeOrLeavesTheOldOne)
{
    const QString folder = dir.path() + QStringLiteral("/zemo");
    Settings s(Path("zemo/settings.conf"));
    for (const char* value : {"one", "two"}) {
        s.WriteString(QStringLiteral("k/v"), QString::fromLatin1(value));
        ASSERT_TRUE(s.Save());
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"settings.conf"});
    EXPECT_EQ(QFileInfo(Path("zemo/settings.conf")).permissions()
                  & (QFile::ReadOther | QFile::WriteOther),
              0);
    QString v;
    EXPECT_TRUE(Settings::OpenDefault().ReadString(QStringLiteral("k/v"), v)
                && v == QStringLiteral("two"));

    // The target is a folder, so the final rename fails after the data was written.
    const QString target = folder + QStringLiteral("/blocked.conf");
    ASSERT_TRUE(QDir().mkpath(target));
    WriteFile(target + QStringLiteral("/inside"), "keep");
    Settings blocked(target);
    blocked.WriteInt(QStringLiteral("k/v"), 1);
    EXPECT_FALSE(blocked.Save());
    EXPECT_EQ(ReadFile(target + QStringLiteral("/inside")), QByteArray("keep"));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"blocked.conf", "settings.conf"}));

    // No file at all: an empty store, and Load says so.
    Settings missing(dir.path() + QStringLiteral("/nowhere/settings.conf"));
    EXPECT_FALSE(missing.Load());
    EXPECT_EQ(missing.Count(), 0);
}

} // namespace zemo
