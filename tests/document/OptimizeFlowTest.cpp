// Extras > Optimize and repair in the running program marks the map changed only when it
// changed what the map holds: a map another program wrote, found sound but for an object of a
// symbol it lacks, closes afterwards without a question and keeps its file's bytes.
#include "../support/FileState.h"
#include "../support/MapSnapshot.h"
#include "../support/ProgramFixture.h"
#include "../support/TestMapReader.h"

#include "core/Config.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "document/widgets/OptimizeDlg.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <map>

namespace zemo::test {
namespace {

constexpr int32_t Mm = kUnitsPerMm;

class OptimizeFlow : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
    }
    // Runs the command and reads the report's counts as it shows them, then OK.
    std::map<std::string, std::string> Optimize()
    {
        std::map<std::string, std::string> shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dlg = dynamic_cast<TOptimizeDlg*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            poll.stop();
            for (const char* name : {"RepairedB", "DeletedB", "UnknownSymB", "SpuriousB"})
                shown[name] = dlg->findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
            dlg->findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
        });
        poll.start(5);
        Trigger(Cmd::ExtrasOptimize);
        return shown;
    }
};

// Symbols 1.0 (point), 2.0 (line) and 3.0 (area); colours as another program names them. Its
// entries as that program leaves them: deleted objects' entries (a zero word, the high bit
// alone), an empty slot, turns counted up to a whole one, loose rectangles.
TestMapWriter ForeignMap()
{
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(0, "Black 100%", 0, 0, 0, 200), TestColor::Cmyk(1, "Brown 50%", 0, 50, 100, 20)};
    w.symbols = {TestSymbol::Point(10, {TestElement::Dot(0, 60)}), TestSymbol::Line(20, 1, 18),
                 TestSymbol::Area(30, 1)};
    TestObject deleted = TestObject::Point(10, Mm, Mm);
    deleted.deleted = true;
    TestObject flagged = TestObject::Line(20, {{0, 0}, {Mm, Mm}});
    flagged.entrySymbolWord = 0x8000;
    w.objects = {TestObject::Point(10, 2 * Mm, 3 * Mm, 2700),
                 deleted,
                 TestObject::Line(20, {{-4 * Mm, 0}, {Mm, 2 * Mm}, {6 * Mm, -Mm}}),
                 TestObject::EmptySlot(),
                 TestObject::Area(30, {{0, 0}, {5 * Mm, 0}, {5 * Mm, 4 * Mm}, {0, 4 * Mm}}),
                 flagged,
                 // Symbol 7.5 is not in the map: the object stays as it is.
                 TestObject::Line(75, {{-8 * Mm, -8 * Mm}, {8 * Mm, -7 * Mm}})};
    w.objects[2].bounds = TestRect{-5 * Mm, -2 * Mm, 7 * Mm, 3 * Mm};
    w.objects[6].bounds = TestRect{-9 * Mm, -9 * Mm, 9 * Mm, -6 * Mm};
    // A database link of the line, which must follow it to its new number.
    w.strings = {TestPString::Make(5, 3, "forest\t17")};
    return w;
}

TEST_F(OptimizeFlow, OnlyARepairOrADroppedObjectMarksTheMapChanged)
{
    const struct Case {
        const char* name;
        std::function<void(TestMapWriter&)> damage;
        const char *repaired, *deleted, *spurious, *unknown;
        bool changed;
    } cases[] = {
        {"sound but for an object of an unknown symbol", [](TestMapWriter&) {}, "0", "0", "0", "1", false},
        {"a hole flag on a line", [](TestMapWriter& w) { w.objects[2].cords[1].y |= HoleFlag; }, "1", "0", "0", "1",
         true},
        {"a line of one point", [](TestMapWriter& w) { w.objects.push_back(TestObject::Line(20, {{0, 0}})); }, "0",
         "0", "1", "1", true},
        {"an entry naming another symbol than its record",
         [](TestMapWriter& w) { w.objects[4].entrySymbolWord = 20; }, "0", "1", "0", "1", true},
    };
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMapWriter w = ForeignMap();
        c.damage(w);
        const QString path = TempPath(QStringLiteral("foreign%1.zmd").arg(++k));
        ASSERT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        const QByteArray before = FileBytes(path);
        ASSERT_TRUE(OpenMap(path));
        ASSERT_FALSE(Index.ActiveZmd->Modified);
        const auto shown = Optimize();
        EXPECT_EQ(shown.at("RepairedB"), c.repaired);
        EXPECT_EQ(shown.at("DeletedB"), c.deleted);
        EXPECT_EQ(shown.at("SpuriousB"), c.spurious);
        EXPECT_EQ(shown.at("UnknownSymB"), c.unknown);
        ASSERT_TRUE(Index.ActiveZmd);
        EXPECT_EQ(bool(Index.ActiveZmd->Modified), c.changed);
        // The working copy is the compact one either way: the link moved with the line.
        const ReadMap m = ReadMapBytes(WorkingFileBytes(*Index.ActiveZmd));
        EXPECT_TRUE(m.Sound()) << m.Problems();
        ASSERT_GE(m.objects.size(), 3u);
        EXPECT_EQ(m.objects[0].angle, -900);
        EXPECT_EQ(m.objects[1].symbol, 20);
        std::vector<std::pair<int, std::string>> links;
        for (const ReadString& r : m.strings)
            if (r.type == 5)
                links.emplace_back(r.object, r.text);
        EXPECT_EQ(links, (std::vector<std::pair<int, std::string>>{{2, "forest\t17"}}));
        messages.Clear();
        if (c.changed)
            messages.QueueAnswer(IdNo);
        Trigger(Cmd::FileClose);
        EXPECT_EQ(Windows(), 0);
        EXPECT_EQ(messages.CountOf(TextKey::FileModified), c.changed ? 1 : 0);
        EXPECT_EQ(messages.Count(), c.changed ? 1 : 0);
        EXPECT_EQ(FileBytes(path), before) << "the file as the other program wrote it";
    }
}

} // namespace
} // namespace zemo::test
