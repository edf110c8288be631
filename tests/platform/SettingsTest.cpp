#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

namespace zemo {
namespace {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    }
    QString FilePath() const { return dir.path() + QStringLiteral("/zemo/settings.conf"); }

    QTemporaryDir dir;
};

TEST_F(SettingsStore, FileLivesUnderXdgConfigHomeElseHomeConfig)
{
    EXPECT_EQ(Settings::DefaultFilePath(), FilePath());

    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(Settings::DefaultFilePath(), home.path() + QStringLiteral("/.config/zemo/settings.conf"));
    // A relative XDG path is not a valid base.
    qputenv("XDG_CONFIG_HOME", "relative/conf");
    EXPECT_EQ(Settings::DefaultFilePath(), home.path() + QStringLiteral("/.config/zemo/settings.conf"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Settings::DefaultFilePath(), home.path() + QStringLiteral("/.config/zemo/settings.conf"));
}

TEST_F(SettingsStore, ValuesSurviveSaveAndLoadExactly)
{
    const QString awkward = QStringLiteral("line one\nline two\ttabbed\r\n back\\slash a=b \\n \x01\x7f é €");
    Settings s = Settings::OpenDefault();
    EXPECT_EQ(s.Count(), 0);
    ASSERT_TRUE(s.WriteString(QStringLiteral("Zemo8/Startup/File"), awkward));
    ASSERT_TRUE(s.WriteString(QStringLiteral("Zemo8/Startup/Empty"), QString()));
    ASSERT_TRUE(s.WriteString(QStringLiteral("Odd=Key\\x/Name é"), QStringLiteral("v")));
    ASSERT_TRUE(s.WriteInt(QStringLiteral("Zemo8/Startup/Min"), INT32_MIN));
    ASSERT_TRUE(s.WriteInt(QStringLiteral("Zemo8/Startup/Max"), INT32_MAX));
    ASSERT_TRUE(s.WriteInt(QStringLiteral("Zemo8/Startup/Zero"), 0));
    ASSERT_TRUE(s.Save());
    ASSERT_TRUE(QFileInfo::exists(FilePath()));

    Settings t = Settings::OpenDefault();
    EXPECT_EQ(t.Count(), 6);
    QString text;
    ASSERT_TRUE(t.ReadString(QStringLiteral("Zemo8/Startup/File"), text));
    EXPECT_EQ(text, awkward);
    text = QStringLiteral("x");
    ASSERT_TRUE(t.ReadString(QStringLiteral("Zemo8/Startup/Empty"), text));
    EXPECT_TRUE(text.isEmpty());
    ASSERT_TRUE(t.ReadString(QStringLiteral("Odd=Key\\x/Name é"), text));
    EXPECT_EQ(text, QStringLiteral("v"));
    int32_t n = 7;
    ASSERT_TRUE(t.ReadInt(QStringLiteral("Zemo8/Startup/Min"), n));
    EXPECT_EQ(n, INT32_MIN);
    ASSERT_TRUE(t.ReadInt(QStringLiteral("Zemo8/Startup/Max"), n));
    EXPECT_EQ(n, INT32_MAX);
    ASSERT_TRUE(t.ReadInt(QStringLiteral("Zemo8/Startup/Zero"), n));
    EXPECT_EQ(n, 0);

    // One value per line: the escapes keep every value on its own line.
    const QByteArray file = ReadFile(FilePath());
    EXPECT_EQ(file.count('\n'), 7);  // comment + 6 values
    EXPECT_TRUE(file.contains("i Zemo8/Startup/Min=-2147483648\n"));
}

TEST_F(SettingsStore, WrongTypeOrMissingValueLeavesVariableAlone)
{
    Settings s(FilePath());
    s.WriteString(QStringLiteral("a/text"), QStringLiteral("12"));
    s.WriteInt(QStringLiteral("a/number"), 12);
    int32_t n = 99;
    QString text = QStringLiteral("keep");
    EXPECT_FALSE(s.ReadInt(QStringLiteral("a/text"), n));
    EXPECT_EQ(n, 99);
    EXPECT_FALSE(s.ReadString(QStringLiteral("a/number"), text));
    EXPECT_FALSE(s.ReadString(QStringLiteral("a/missing"), text));
    EXPECT_EQ(text, QStringLiteral("keep"));
    EXPECT_EQ(s.TypeOf(QStringLiteral("a/text")), Settings::ValueType::String);
    EXPECT_EQ(s.TypeOf(QStringLiteral("a/number")), Settings::ValueType::Int);
    EXPECT_EQ(s.TypeOf(QStringLiteral("a")), Settings::ValueType::None);

    // Writing another type replaces the value and its type.
    s.WriteInt(QStringLiteral("a/text"), 5);
    EXPECT_TRUE(s.ReadInt(QStringLiteral("a/text"), n));
    EXPECT_EQ(n, 5);
    EXPECT_FALSE(s.ReadString(QStringLiteral("a/text"), text));
}

TEST_F(SettingsStore, DamagedLinesAreSkippedAndTheRestIsRead)
{
    QByteArray text;
    text += "# comment with = sign\n";
    text += "\n";
    text += "s good/one=first\n";
    text += "x unknown/type=1\n";
    text += "i bad/number=12x\n";
    text += "i bad/overflow=2147483648\n";
    text += "i bad/empty=\n";
    text += "i bad/blank= 5\n";
    text += "s bad/escape=a\\qb\n";
    text += "s bad/hex=a\\x4\n";
    text += "s bad/trailing=a\\\n";
    text += "s bad/noequals\n";
    text += "s =nokey\n";
    text += "s bad//path=1\n";
    text += "s /bad/lead=1\n";
    text += "sbad/nospace=1\n";
    text += QByteArray("\x00\xff\xfe garbage\x01\n", 13);
    text += "i good/crlf=-42\r\n";
    text += "s good/dup=old\n";
    text += "s good/dup=new\n";
    text += "s good/eq=a=b=c\n";
    text += "s good/hex=\\x41\\x7e\n";
    text += "i good/last=7";  // no final line end
    WriteFile(FilePath(), text);

    Settings s = Settings::OpenDefault();
    EXPECT_EQ(s.Count(), 6);
    QString v;
    int32_t n = 0;
    EXPECT_TRUE(s.ReadString(QStringLiteral("good/one"), v));
    EXPECT_EQ(v, QStringLiteral("first"));
    EXPECT_TRUE(s.ReadInt(QStringLiteral("good/crlf"), n));
    EXPECT_EQ(n, -42);
    EXPECT_TRUE(s.ReadString(QStringLiteral("good/dup"), v));
    EXPECT_EQ(v, QStringLiteral("new"));
    EXPECT_TRUE(s.ReadString(QStringLiteral("good/eq"), v));
    EXPECT_EQ(v, QStringLiteral("a=b=c"));
    EXPECT_TRUE(s.ReadString(QStringLiteral("good/hex"), v));
    EXPECT_EQ(v, QStringLiteral("A~"));
    EXPECT_TRUE(s.ReadInt(QStringLiteral("good/last"), n));
    EXPECT_EQ(n, 7);
    EXPECT_FALSE(s.KeyExists(QStringLiteral("bad")));
    EXPECT_FALSE(s.KeyExists(QStringLiteral("unknown")));
}

TEST_F(SettingsStore, KeyExistsOnlyForWholePathParts)
{
    Settings s(FilePath());
    EXPECT_FALSE(s.KeyExists(QString()));
    s.WriteInt(QStringLiteral("Zemo8/Dialogs/Print/Copies"), 1);
    EXPECT_TRUE(s.KeyExists(QString()));
    EXPECT_TRUE(s.KeyExists(QStringLiteral("Zemo8")));
    EXPECT_TRUE(s.KeyExists(QStringLiteral("Zemo8/Dialogs")));
    EXPECT_TRUE(s.KeyExists(QStringLiteral("Zemo8/Dialogs/Print")));
    EXPECT_FALSE(s.KeyExists(QStringLiteral("Zemo")));
    EXPECT_FALSE(s.KeyExists(QStringLiteral("Zemo8/Dialogs/Pri")));
    // A value is not a key.
    EXPECT_FALSE(s.KeyExists(QStringLiteral("Zemo8/Dialogs/Print/Copies")));
    EXPECT_TRUE(s.Remove(QStringLiteral("Zemo8/Dialogs/Print/Copies")));
    EXPECT_FALSE(s.KeyExists(QStringLiteral("Zemo8")));
}

TEST_F(SettingsStore, MalformedKeysAreRefused)
{
    Settings s(FilePath());
    for (const char* key : {"", "/a", "a/", "a//b", "a/\nb", "a\x7f"})
        EXPECT_FALSE(s.WriteInt(QString::fromLatin1(key), 1)) << key;
    EXPECT_EQ(s.Count(), 0);
}

TEST_F(SettingsStore, SaveReplacesTheFileAndLeavesNoTemporaryFiles)
{
    Settings s(FilePath());
    s.WriteString(QStringLiteral("k/v"), QStringLiteral("one"));
    ASSERT_TRUE(s.Save());
    s.WriteString(QStringLiteral("k/v"), QStringLiteral("two"));
    ASSERT_TRUE(s.Save());
    const QStringList entries =
        QDir(dir.path() + QStringLiteral("/zemo")).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(entries, QStringList{QStringLiteral("settings.conf")});
    EXPECT_EQ(QFileInfo(FilePath()).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);
    Settings t = Settings::OpenDefault();
    QString v;
    ASSERT_TRUE(t.ReadString(QStringLiteral("k/v"), v));
    EXPECT_EQ(v, QStringLiteral("two"));
}

TEST_F(SettingsStore, FailedSaveKeepsTheOldFileAndCleansUp)
{
    // The target is a folder, so the final rename fails after the data was written.
    const QString target = dir.path() + QStringLiteral("/zemo/blocked.conf");
    ASSERT_TRUE(QDir().mkpath(target));
    WriteFile(target + QStringLiteral("/inside"), "keep");
    Settings s(target);
    s.WriteInt(QStringLiteral("k/v"), 1);
    EXPECT_FALSE(s.Save());
    EXPECT_TRUE(QFileInfo(target).isDir());
    EXPECT_EQ(ReadFile(target + QStringLiteral("/inside")), QByteArray("keep"));
    const QStringList entries =
        QDir(dir.path() + QStringLiteral("/zemo")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(entries, QStringList{QStringLiteral("blocked.conf")});

    // No file at all: an empty store, and Load says so.
    Settings missing(dir.path() + QStringLiteral("/nowhere/settings.conf"));
    EXPECT_FALSE(missing.Load());
    EXPECT_EQ(missing.Count(), 0);
}

} // namespace
} // namespace zemo
