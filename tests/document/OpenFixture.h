// A clean state and config folder per test, the open-documents list reset, recorded
// messages and file dialogs, and helpers to write test maps and read files at offsets.
#pragma once

#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zemo::test {

inline std::vector<uint8_t> ReadAll(const QString& path)
{
    std::ifstream f(QFile::encodeName(path).toStdString(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// The symbol record is usable: its size word is its length and matches its own counts.
inline ::testing::AssertionResult SymbolUsable(const SymbolBytes& rec)
{
    if (rec.size() < 348 || size_t(SymI16(rec, SymSize)) != rec.size() || rec.size() % 4 != 0)
        return ::testing::AssertionFailure() << "size word " << SymI16(rec, SymSize) << " buffer " << rec.size();
    const int type = SymI16(rec, SymObjectType);
    const bool lineText = type == 2 && SymU8(rec, SymTextFlag) == 1;
    size_t want = 0;
    switch (type) {
    case 1: want = 352 + 8 * size_t(SymI16(rec, 348)); break;
    case 2:
        if (lineText) {
            want = 440;
        } else {
            int slots = 0;
            for (size_t o = 412; o <= 420; o += 2)
                slots += SymI16(rec, o);
            want = 424 + 8 * size_t(slots);
        }
        break;
    case 3: want = 380 + 8 * size_t(SymI16(rec, 378)); break;
    case 4: want = 588; break;
    case 5: want = 416; break;
    default: return ::testing::AssertionFailure() << "type " << type;
    }
    if (rec.size() != want)
        return ::testing::AssertionFailure() << "type " << type << " size " << rec.size() << " wants " << want;
    return ::testing::AssertionSuccess();
}

class OpenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        QDir().mkpath(dir.path() + "/maps");
        ResetOpenUnit();
        ResetIndexState();
        DefaultConfig(ProgramConfig);
        ProgramConfig.AutoSave = false;
        // Old versions are opened when asked.
        messages.SetDefaultAnswer(IdOk);
    }
    void TearDown() override
    {
        DocumentPorts().ConvertOldMap.Unbind();
        DocumentPorts().CreateWindow.Unbind();
        ResetOpenUnit();
        ResetIndexState();
    }

    QString MapPath(const QString& name) const { return dir.path() + "/maps/" + name; }
    QString Write(const TestMapWriter& w, const QString& name, TestMapLayout* layout = nullptr)
    {
        const QString p = MapPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(p).toStdString(), layout));
        return p;
    }
    // The working copies in the state folder.
    QStringList WorkingCopies() const
    {
        return QDir(StateFolder()).entryList({"temp*.~md"}, QDir::Files, QDir::Name);
    }
    QStringList FilesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static TZmd& Active() { return *Index.ActiveZmd; }
    static void AppendPoint(int16_t symbol, int32_t x, int32_t y)
    {
        ElementRecord& e = Index.CurElement;
        e = ElementRecord{};
        e.Symbol = symbol;
        e.ObjectType = PointObject;
        e.nItem = 1;
        e.Slots[0] = {x, y};
        ASSERT_TRUE(AppendElement());
    }

    QTemporaryDir dir;
    RecordingMessages messages;
    RecordingFileDialogs dialogs;
};

} // namespace zemo::test
