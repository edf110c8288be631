// Damaged maps in the running program: what could be read opens as a new untitled map and the
// damaged file is never written; a map whose only fault is a record the reader's rules skip
// opens under its own name and keeps that record in its file.
#include "ShellFixture.h"

#include "core/LangTexts.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

class DamagedMap : public ShellTest {
protected:
    // Symbols 10.1 and 20.1, three lines and a course.
    static TestMapWriter Sound()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201)};
        for (int i = 0; i < 3; ++i)
            w.objects.push_back(TestObject::Line(201, {{-50 * Mm, i * Mm}, {50 * Mm, i * Mm}}));
        w.strings.push_back(TestPString::Make(2, 0, "Course A"));
        return w;
    }
    QString Write(const TestMapWriter& w, const QString& name, TestMapLayout* layout = nullptr)
    {
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString(), layout));
        return path;
    }
    QString Caption() const { return ActiveChild() ? ActiveChild()->windowTitle() : QString(); }
    int SaveDialogs() const
    {
        int n = 0;
        for (const FileDialogRequest& r : dialogs.Requests())
            n += r.kind == FileDialogRequest::Save ? 1 : 0;
        return n;
    }
};

TEST_F(DamagedMap, TheWarningCountsEachLossAndTheMapOpensUntitled)
{
    struct Row {
        const char* what;
        std::function<void(TestMapWriter&)> spoil;
        const char* lost;
    };
    const std::vector<Row> rows{
        {"an object record past the end",
         [](TestMapWriter& w) { w.objects[2].entryPosition = FilePos::FromEnd(-8); },
         "Objects: 1, Symbols: 0, Text: 0"},
        {"two object records into the colour block",
         [](TestMapWriter& w) { w.objects[0].entryPosition = w.objects[1].entryPosition = FilePos::At(200); },
         "Objects: 2, Symbols: 0, Text: 0"},
        {"a symbol slot outside the file",
         [](TestMapWriter& w) { w.symbols[0].indexPosition = FilePos::FromEnd(100); },
         "Objects: 0, Symbols: 1, Text: 0"},
        {"a string record past the end",
         [](TestMapWriter& w) { w.strings[0].position = FilePos::FromEnd(-10); },
         "Objects: 0, Symbols: 0, Text: 1"},
        {"the object chain cut", [](TestMapWriter& w) { w.objectChainEnd = ChainEnd::PastEnd; },
         "Objects: 0+, Symbols: 0, Text: 0"},
        {"every chain cut",
         [](TestMapWriter& w) { w.objectChainEnd = w.symbolChainEnd = w.stringChainEnd = ChainEnd::Negative; },
         "Objects: 0+, Symbols: 0+, Text: 0+"},
        {"damage and a record the rules skip",
         [](TestMapWriter& w) {
             w.symbols.push_back(TestSymbol::Raw(123, 1, 29408));
             w.objects[1].entryPosition = FilePos::FromEnd(-8);
         },
         "Objects: 1, Symbols: 1, Text: 0"},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TestMapWriter w = Sound();
        row.spoil(w);
        const QString path = Write(w, QStringLiteral("damaged%1.zmd").arg(++n));
        const std::vector<uint8_t> before = ReadAll(path);
        messages.Clear();
        ASSERT_TRUE(OpenMap(path));
        ASSERT_EQ(messages.Count(), 1);
        const ShownMessage& m = messages.Last();
        EXPECT_EQ(m.key, TextKey::DamagedMap);
        EXPECT_EQ(m.kind, MsgKind::Warning);
        EXPECT_EQ(m.helpContext, 27);
        EXPECT_EQ(m.params, path + QStringLiteral("\r\n;") + QLatin1String(row.lost));

        EXPECT_TRUE(DocumentPath(Index.ActiveZmd).isEmpty()) << "untitled";
        EXPECT_EQ(Caption(), DamagedCopyCaption(path));
        EXPECT_TRUE(Caption().contains(path));
        EXPECT_TRUE(Index.ActiveZmd->Modified) << "kept only by saving it";

        // Save asks for a name; cancelled, nothing is written anywhere.
        dialogs.QueueAnswer(false);
        Trigger(Cmd::FileSave);
        EXPECT_EQ(SaveDialogs(), n);
        // Closing asks; Enter answers No and the map goes.
        messages.Clear();
        Trigger(Cmd::FileClose);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::FileModified);
        EXPECT_EQ(messages.Entries()[0].answer, int(IdNo));
        EXPECT_EQ(Windows(), 0);
        EXPECT_EQ(ReadAll(path), before) << "the damaged file is never written";
    }
}

TEST_F(DamagedMap, TheUntitledCopySavesUnderANewNameOnly)
{
    TestMapWriter w = Sound();
    w.objects[2].entryPosition = FilePos::FromEnd(-8);
    const QString path = Write(w, QStringLiteral("cut.zmd"));
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_TRUE(OpenMap(path));
    const QString saved = TempPath(QStringLiteral("saved.zmd"));
    dialogs.QueueAnswer(true, saved);
    Key(Surface(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(DocumentPath(Index.ActiveZmd), saved);
    EXPECT_FALSE(Index.ActiveZmd->Modified);
    EXPECT_EQ(ReadAll(path), before);
    // What was saved is a sound map: it opens under its name without a warning.
    Trigger(Cmd::FileClose);
    messages.Clear();
    ASSERT_TRUE(OpenMap(saved));
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(CountObjects(), 2);
    EXPECT_EQ(Caption(), saved);
}

// Maps of another program carry a logo symbol of 29408 bytes.
TEST_F(DamagedMap, ARecordTheRulesSkipKeepsTheMapsNameItsBytesAndItsWarning)
{
    TestMapWriter w = Sound();
    w.symbols.insert(w.symbols.begin() + 1, TestSymbol::Raw(123, 1, 29408));
    TestMapLayout layout;
    const QString path = Write(w, QStringLiteral("logo.zmd"), &layout);
    const size_t logoPos = size_t(layout.symbolRecords[1]);
    const std::vector<uint8_t> file = ReadAll(path);
    const std::vector<uint8_t> logo(file.begin() + logoPos, file.begin() + logoPos + 29408);

    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        messages.Clear();
        ASSERT_TRUE(OpenMap(path));
        ASSERT_EQ(messages.Count(), 1) << "the same once more";
        EXPECT_EQ(messages.Last().key, TextKey::SkippedSymbols);
        EXPECT_EQ(messages.Last().params, path + QStringLiteral("\r\n;Symbol 12.3 (29408 bytes)"));
        EXPECT_EQ(DocumentPath(Index.ActiveZmd), path);
        EXPECT_EQ(Caption(), path);
        EXPECT_EQ(Index.ActiveZmd->SymbolCount(), 2);
        EXPECT_EQ(CountObjects(), 3 - opening);

        // A change saved with Ctrl+S goes to the map's own file, the logo with it.
        DeleteElement(1 + opening);
        messages.Clear();
        Key(Surface(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(messages.Count(), 0);
        EXPECT_EQ(SaveDialogs(), 0) << "no name asked";
        EXPECT_FALSE(Index.ActiveZmd->Modified);
        const std::vector<uint8_t> after = ReadAll(path);
        ASSERT_GE(after.size(), logoPos + 29408);
        EXPECT_TRUE(std::equal(logo.begin(), logo.end(), after.begin() + long(logoPos)));
        EXPECT_EQ(size_t(GetI32(after, layout.SymbolSlotPos(1))), logoPos) << "its slot stays";
        Trigger(Cmd::FileClose);
        EXPECT_EQ(Windows(), 0);
    }
}

// Optimize and repair writes the map anew: the record it cannot read goes along unchanged with
// its slot, and so through a rewrite of the symbol index and Save as.
TEST_F(DamagedMap, ARecordTheRulesSkipGoesThroughOptimizeAndSaveAs)
{
    TestMapWriter w = Sound();
    w.symbols.insert(w.symbols.begin() + 1, TestSymbol::Raw(123, 1, 29408));
    TestMapLayout layout;
    const QString path = Write(w, QStringLiteral("logo.zmd"), &layout);
    const std::vector<uint8_t> file = ReadAll(path);
    const auto logoAt = file.begin() + long(layout.symbolRecords[1]);
    const std::vector<uint8_t> logo(logoAt, logoAt + 29408);
    ASSERT_TRUE(OpenMap(path));

    // The run's report closes when it shows.
    bool reported = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            reported = true;
            dlg->accept();
        }
    });
    closer.start(10);
    Trigger(Cmd::ExtrasOptimize);
    closer.stop();
    EXPECT_TRUE(reported);
    Index.ActiveZmd->WriteSymbolIndex();
    const QString saved = TempPath(QStringLiteral("logo-optimized.zmd"));
    dialogs.QueueAnswer(true, saved);
    Trigger(Cmd::FileSaveAs);
    Settle();

    // The record whole in the new file, and a slot of the symbol chain naming it.
    const std::vector<uint8_t> after = ReadAll(saved);
    const auto found = std::search(after.begin(), after.end(), logo.begin(), logo.end());
    ASSERT_NE(found, after.end()) << "the record is gone";
    const int32_t at = int32_t(found - after.begin());
    int slots = 0, named = 0;
    for (int32_t block = GetI32(after, 8); block > 0 && size_t(block) + 1028 <= after.size() && slots < 4096;
         block = GetI32(after, size_t(block)))
        for (int k = 0; k < 256; ++k, ++slots)
            named += GetI32(after, size_t(block) + 4 + 4 * size_t(k)) == at ? 1 : 0;
    EXPECT_EQ(named, 1);
    Trigger(Cmd::FileClose);
    messages.Clear();
    ASSERT_TRUE(OpenMap(saved));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().params, saved + QStringLiteral("\r\n;Symbol 12.3 (29408 bytes)"));
    EXPECT_EQ(Index.ActiveZmd->SymbolCount(), 2);
}

// The close question's answer for Enter: No where saving would keep only remains.
TEST_F(DamagedMap, TheCloseQuestionsDefaultFollowsTheDamage)
{
    struct Row {
        const char* what;
        std::function<void(TestMapWriter&)> spoil;
        int enter;
    };
    const std::vector<Row> rows{
        {"whole", [](TestMapWriter&) {}, IdYes},
        {"a record the rules skip", [](TestMapWriter& w) { w.symbols.push_back(TestSymbol::Raw(123, 1, 20905)); },
         IdYes},
        {"a symbol record of a head only", [](TestMapWriter& w) { w.symbols.push_back(TestSymbol::Raw(124, 1, 348)); },
         IdYes},
        {"damaged", [](TestMapWriter& w) { w.strings[0].position = FilePos::FromEnd(-10); }, IdNo},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TestMapWriter w = Sound();
        row.spoil(w);
        const QString path = Write(w, QStringLiteral("q%1.zmd").arg(++n));
        ASSERT_TRUE(OpenMap(path));
        DeleteElement(1);
        Frame().UpdateCommandStates();
        messages.Clear();
        Trigger(Cmd::FileClose);
        ASSERT_GE(messages.Count(), 1);
        EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::FileModified);
        EXPECT_EQ(messages.Entries()[0].answer, row.enter);
        EXPECT_EQ(Windows(), 0);
    }
}

} // namespace
