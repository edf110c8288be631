// The one set-up of the core tests: a temporary folder, recorded messages, the C locale (a
// test may switch to a comma locale), language texts cleared afterwards.
#pragma once

#include "core/LangTexts.h"
#include "core/Messages.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zemo::test {

// Public, so that table rows (lambdas) can reach the folder and helpers.
class CoreTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override { ClearTexts(); }

    QString Path(const QString& name) const { return dir.filePath(name); }
    static void German() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    static void English() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    static void WriteBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray ReadBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    QTemporaryDir dir;
    RecordingMessages messages;
};

} // namespace zemo::test
