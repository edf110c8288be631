// File > Import of a map file cut short, in the running program: cut inside its header, its
// colours, its symbol or object index, or its records, the import says that the file was cut
// short, how long it is and how far what it holds reaches, beside what came in.
#include "../support/ProgramFixture.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "io/widgets/ImportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QRadioButton>
#include <QTimer>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class ImportCutMap : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    // File > Import of the file, placed by the offset of the dialog; the dialog may not come.
    void Import(const QString& path)
    {
        dialogs.QueueAnswer(true, path);
        Frame().UpdateCommandStates();
        QTimer::singleShot(0, [] {
            if (auto* d = dynamic_cast<TImportDlg*>(QApplication::activeModalWidget())) {
                d->findChild<QRadioButton*>(QStringLiteral("OffsetB"))->setChecked(true);
                d->accept();
            }
        });
        Trigger(Cmd::FileImport);
        Settle();
    }
};

// A map of another program's making with four point objects of two symbols, cut at places
// that lose its header, its colours, the symbols' records, the object index and the last two
// objects' records.
TEST_F(ImportCutMap, TheReportSaysWhereTheFileEndsAndHowFarItReaches)
{
    for (int version : {8, 6}) {
        TestMapWriter src(version);
        src.symbols = {TestSymbol::Point(1120), TestSymbol::Point(1130)};
        src.objects = {TestObject::Point(1120, Mm, Mm), TestObject::Point(1130, 2 * Mm, Mm),
                       TestObject::Point(1120, 3 * Mm, Mm), TestObject::Point(1130, 4 * Mm, Mm)};
        TestMapLayout l;
        const std::vector<uint8_t> whole = src.Build(&l);
        const auto end = [&](int32_t at, size_t bytes) { return int64_t(at) + int64_t(bytes); };
        const int64_t lastRecord = end(l.objectRecords[3], kElementHeadSize + 8);
        const struct {
            const char* where;
            int64_t at;
            int objects;
            int64_t reaches;  // what the report names: the furthest end it met beyond the cut
        } cuts[] = {
            {"header", 30, 0, int64_t(kHeaderSize)},
            {"colours", 5000, 0, end(l.objectBlocks[0], kObjectIndexBlockSize)},
            {"symbol records", l.symbolRecords[1] + 100, 0, end(l.objectBlocks[0], kObjectIndexBlockSize)},
            {"object index", l.objectBlocks[0] + 100, 0, end(l.objectBlocks[0], kObjectIndexBlockSize)},
            {"third object's record", l.objectRecords[2] + 10, 2, lastRecord},
        };
        for (const auto& c : cuts) {
            SCOPED_TRACE(std::string(c.where) + ", version " + std::to_string(version));
            ASSERT_GT(int64_t(whole.size()), c.at);
            const QString path = TempPath(QStringLiteral("cut.zmd"));
            {
                QFile f(path);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                f.write(reinterpret_cast<const char*>(whole.data()), c.at);
            }
            const int before = Index.ActiveZmd->HighestObject;
            messages.Clear();
            Import(path);
            EXPECT_EQ(Index.ActiveZmd->HighestObject - before, c.objects);
            ASSERT_EQ(messages.CountOf(TextKey::ImportReportRead), 1);
            const ShownMessage& m = messages.Last();
            EXPECT_EQ(m.key, TextKey::ImportReportRead);
            EXPECT_EQ(m.kind, MsgKind::Warning);
            EXPECT_EQ(m.params, QStringLiteral("cut.zmd"));
            const QString said = MessageText(m);
            const QString read = c.objects > 0 ? Text(TextKey::PointObjects) + QStringLiteral(": %1").arg(c.objects)
                                               : Text(TextKey::ImportReportNothing);
            EXPECT_TRUE(said.endsWith(read + QStringLiteral("\r\nThe file ends after %1 bytes, but what it holds "
                                                            "reaches to byte %2 at least: it was cut short, and "
                                                            "the rest of it is missing.")
                                                 .arg(c.at)
                                                 .arg(c.reaches)))
                << said.toStdString();
        }
    }
}

} // namespace
} // namespace zemo::test
