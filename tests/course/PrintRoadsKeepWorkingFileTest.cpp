// The roads that generate course objects for paper or another file, through the running
// program on an event map of another program's making: the course preview switched on and off,
// File > Print control descriptions (symbol and text sheets), File > Print of every course,
// relay team and leg (entire map, partial map, the course alone) and File > Export course maps.
// Each leaves the working file's bytes and the index as they were, so that the next save
// writes the bytes a save without them writes. The map holds what other writers leave behind:
// deleted objects and strings of the very lengths the generated objects have, which
// the store takes for new objects and strings of those lengths.
#include "../external/ModalScript.h"
#include "../support/FileState.h"
#include "../support/MapSnapshot.h"
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "course/Courses.h"
#include "course/widgets/CoursePanel.h"
#include "document/Index.h"
#include "io/Ports.h"
#include "io/widgets/QtPrinters.h"
#include "shell/widgets/MainFm.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

TestSymbol CourseSymbol(TestSymbol s, uint8_t role, uint8_t type)
{
    s.csRole = role;
    s.csType = type;
    return s;
}

// A text object as the program stores one: the anchor and the four corners of its box.
TestObject BoxedText(int16_t symbol10, int32_t x, int32_t y, std::string text)
{
    TestObject o = TestObject::Text(symbol10, x, y, std::move(text));
    o.cords.assign(5, {x, y});
    return o;
}

TestObject Deleted(TestObject o)
{
    o.deleted = true;
    return o;
}

// Start S1, controls 31 to 34, finish F1, a description box D1 and a relay start number T1;
// course Long (S1 31 32 33 34 F1, description symbol in column C of 31), relay Relay of 2
// legs and teams 1 to 2 (S1 r2{31|32} 33 F1); between them deleted objects of 1, 2 and 6
// slots: a point, a line and a one-line text such as a control number.
TestMapWriter EventMap()
{
    TestMapWriter w(8);
    w.fileType = 3;
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Purple", 70, 200, 0, 0)};
    const auto circle = [](int16_t n) { return TestSymbol::Point(n, {TestElement::Circle(1, 500, 35)}); };
    w.symbols = {
        CourseSymbol(TestSymbol::Point(1010, {TestElement::Dot(0, 300)}), 2, 0),
        CourseSymbol(circle(7010), 1, 0),
        CourseSymbol(circle(7020), 1, 1),
        CourseSymbol(circle(7030), 1, 2),
        CourseSymbol(TestSymbol::Point(7050, {TestElement::Dot(1, 100)}), 1, 4),
        CourseSymbol(TestSymbol::Text(7070, "Arial", 120, 1), 1, 6),
        TestSymbol::Line(8010, 0, 50),
        TestSymbol::Line(8020, 0, 25),
        TestSymbol::Point(8100, {TestElement::Polyline(0, 25, {{-200, -200}, {-200, 200}, {200, 0}, {-200, -200}})}),
        TestSymbol::Text(8200, "Arial", 100, 0),
        TestSymbol::Text(8210, "Arial", 100, 0),
        TestSymbol::Text(8220, "Arial", 100, 0),
        TestSymbol::Text(8230, "Arial", 80, 0),
        TestSymbol::Text(8240, "Arial", 80, 0),
        TestSymbol::Text(8250, "Arial", 100, 0),
        TestSymbol::Text(8260, "Arial", 100, 0),
        TestSymbol::Text(8300, "Arial", 120, 1),
        TestSymbol::Text(8301, "Arial", 120, 1),
        TestSymbol::Line(8310, 1, 35),
    };
    // Objects 1..: S1, a deleted line, 31, 32, a deleted text, 33, 34, a deleted point, F1, D1, T1.
    w.objects = {
        TestObject::Point(7010, 0, 0),
        Deleted(TestObject::Line(8310, {{10 * Mm, 10 * Mm}, {20 * Mm, 30 * Mm}})),
        TestObject::Point(7020, 0, 40 * Mm),
        TestObject::Point(7020, 30 * Mm, 70 * Mm),
        Deleted(BoxedText(8300, 5 * Mm, 45 * Mm, "7")),
        TestObject::Point(7020, -20 * Mm, 100 * Mm),
        TestObject::Point(7020, 10 * Mm, 130 * Mm),
        Deleted(TestObject::Point(8100, 1 * Mm, 1 * Mm)),
        TestObject::Point(7030, 0, 160 * Mm),
        TestObject::Point(7050, 80 * Mm, 0),
        BoxedText(7070, 80 * Mm, 160 * Mm, "T"),
    };
    PutF64(w.setup, setup::MapScale, 10000);
    PutF64(w.setup, setup::PrintScale, 10000);
    PutI16(w.setup, setup::PrintIntensity, 100);
    PutI16(w.setup, setup::PrintLineWidth, 100);
    PutI16(w.setup, setup::PrintOverlapX, 1000);
    PutI16(w.setup, setup::PrintOverlapY, 1000);
    // The partial range: 300 x 200 mm about the course, two pages or more.
    PutI32(w.setup, setup::PrintRange, -100 * Mm);
    PutI32(w.setup, setup::PrintRange + 4, -20 * Mm);
    PutI32(w.setup, setup::PrintRange + 8, 200 * Mm);
    PutI32(w.setup, setup::PrintRange + 12, 180 * Mm);
    w.strings = {
        TestPString::Make(1, 1, "S1\tYs\ttStart at the gate"),
        TestPString::Make(1, 3, "31\tYc\ttknoll\tc1010"),
        TestPString::Make(1, 4, "32\tYc\ts2/3"),
        TestPString::FreeSlot(),
        // A string another program deleted: its slot free, its place and text kept.
        TestPString::Make(0, 5, "Long\td31"),
        TestPString::Make(1, 6, "33\tYc"),
        TestPString::Make(1, 7, "34\tYc"),
        TestPString::Make(1, 9, "F1\tYf"),
        TestPString::Make(1, 10, "D1\tYd"),
        TestPString::Make(1, 11, "T1\tYt"),
        TestPString::Make(2, 0, "Long\tE0.50\tC120\tR10\tYn\tsS1\tc31\tc32\tc33\tc34\tfF1\tdD1"),
        TestPString::Make(2, 0, "Relay\tE0.00\tC0\tR2\tYs\tL2\tF1\tT2\tsS1\tr2\tv\tc31\tv\tc32\tq\tc33\tfF1\ttT1"),
        TestPString::Make(3, 0, "M21\tcLong"),
    };
    return w;
}

class PrintRoadsKeepWorkingFile : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        pdf = TempPath(QStringLiteral("printed.pdf"));
        printers = std::make_unique<QtPrinters>(QStringLiteral("PDF"), pdf);
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
        path = TempPath(QStringLiteral("event.zmd"));
        ASSERT_TRUE(EventMap().WriteTo(QFile::encodeName(path).toStdString()));
    }
    void TearDown() override
    {
        ProgramFixture::TearDown();
        IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
    }

    static TZmd& Z() { return *Index.ActiveZmd; }

    // What the working file and the index hold.
    struct State {
        std::vector<uint8_t> bytes;
        int highest = 0;
        std::vector<ObjectIndexEntry> objects;
        std::vector<PStringIndexEntry> strings;
        QStringList links;
    };
    static State Now()
    {
        TZmd& z = Z();
        z.WorkFile.Flush();
        State s;
        s.bytes = WorkingFileBytes(z);
        s.highest = z.HighestObject;
        for (const auto& b : z.ObjectBlocks)
            s.objects.insert(s.objects.end(), b->Entries.begin(), b->Entries.end());
        for (const PStringIndexBlock& b : z.StringBlocks)
            s.strings.insert(s.strings.end(), b.Entries.begin(), b.Entries.end());
        for (int i = 0; i < z.CsObjectLinks.Count(); ++i)
            s.links << z.CsObjectLinks.Strings(i);
        return s;
    }
    static void ExpectSame(const State& before, const State& after)
    {
        EXPECT_EQ(after.bytes.size(), before.bytes.size());
        EXPECT_TRUE(after.bytes == before.bytes) << "the working file's bytes changed";
        EXPECT_EQ(after.highest, before.highest);
        ASSERT_EQ(after.objects.size(), before.objects.size());
        for (size_t i = 0; i < before.objects.size(); ++i) {
            const ObjectIndexEntry &a = before.objects[i], &b = after.objects[i];
            EXPECT_TRUE(a == b) << "object entry " << i + 1 << ": symbol " << a.Symbol << " -> " << b.Symbol << ", pos "
                                << a.Pos << " -> " << b.Pos << ", length " << a.Length << " -> " << b.Length;
        }
        ASSERT_EQ(after.strings.size(), before.strings.size());
        for (size_t i = 0; i < before.strings.size(); ++i) {
            const PStringIndexEntry &a = before.strings[i], &b = after.strings[i];
            EXPECT_TRUE(a == b) << "string entry " << i << ": type " << a.Type << " -> " << b.Type << ", pos " << a.Pos
                                << " -> " << b.Pos << ", object " << a.Object << " -> " << b.Object;
        }
        EXPECT_EQ(after.links, before.links);
    }

    TCoursePanel* Panel() const
    {
        return static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
    }
    void Preview(bool on, int course = -1)
    {
        Panel()->CsPageControl->setCurrentIndex(CsCoursesPage);
        Settle();
        if (on)
            SelectCourse(course + 1);
        if (Panel()->CoursePreviewBtn->isChecked() != on)
            Panel()->CoursePreviewBtn->click();
        Settle();
        ASSERT_EQ(bool(Z().CoursePreviewOn), on);
    }

    void Run(Cmd command, const std::function<void(QDialog&)>& work)
    {
        messages.Clear();
        ModalScript script;
        script.Then<QDialog>(work);
        Trigger(command);
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
        EXPECT_TRUE(messages.Entries().empty());
        ASSERT_TRUE(Index.ActiveZmd);
        EXPECT_FALSE(Z().Modified);
    }
    static void SelectAll(QDialog& d)
    {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("CoursesB"));
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(true);
    }
    static void Press(QDialog& d, const char* name) { d.findChild<QAbstractButton*>(QString::fromLatin1(name))->click(); }

    void PrintDescriptions(const char* kind)
    {
        QFile::remove(pdf);
        Run(Cmd::FilePrintCDs, [kind](QDialog& d) {
            SelectAll(d);
            Press(d, kind);
            Press(d, "PrintBtn");
        });
        EXPECT_TRUE(QFile::exists(pdf));
    }
    void PrintCourses(const char* range)
    {
        QFile::remove(pdf);
        Run(Cmd::FilePrint, [range](QDialog& d) {
            EXPECT_EQ(d.objectName(), QStringLiteral("CsPrintDlg"));
            SelectAll(d);
            Press(d, range);
            Press(d, "PrintBtn");
        });
        EXPECT_TRUE(QFile::exists(pdf));
    }
    void ExportCourseMaps()
    {
        Run(Cmd::FileExportCsMaps, [](QDialog& d) {
            SelectAll(d);
            Press(d, "OKBtn");
        });
        EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("Cs_Relay.zmd"))));
    }

    // The map opened afresh from the other program's file.
    void Open()
    {
        ASSERT_TRUE(EventMap().WriteTo(QFile::encodeName(path).toStdString()));
        ASSERT_TRUE(OpenMap(path));
        Settle();
    }
    QByteArray SaveAndClose()
    {
        Trigger(Cmd::FileSave);
        Settle();
        Trigger(Cmd::FileClose);
        Settle();
        EXPECT_EQ(Index.ActiveZmd, nullptr);
        return FileBytes(path);
    }

    QString path;
    QString pdf;
    std::unique_ptr<QtPrinters> printers;
};

TEST_F(PrintRoadsKeepWorkingFile, EveryRoadLeavesTheFileAndTheNextSaveAsWithoutIt)
{
    Open();
    const QByteArray plain = SaveAndClose();
    ASSERT_FALSE(plain.isEmpty());

    Open();
    const State start = Now();
    const struct {
        const char* name;
        std::function<void()> road;
    } roads[] = {
        {"preview of a course", [&] { Preview(true, 0); Preview(false); }},
        {"preview of the relay", [&] { Preview(true, 1); Preview(false); }},
        {"description symbols", [&] { PrintDescriptions("CdsB"); }},
        {"text descriptions", [&] { PrintDescriptions("TextCdsB"); }},
        {"courses on the entire map", [&] { PrintCourses("EntireB"); }},
        {"courses on a partial map", [&] { PrintCourses("PartialB"); }},
        {"courses alone", [&] { PrintCourses("CourseOnlyB"); }},
        {"course maps", [&] { ExportCourseMaps(); }},
    };
    for (const auto& r : roads) {
        SCOPED_TRACE(r.name);
        r.road();
        ExpectSame(start, Now());
    }
    // The same with the relay's preview on: the print ends as it began, with the preview on.
    Preview(true, 1);
    const State previewed = Now();
    for (const auto& r : roads) {
        if (QByteArray(r.name).startsWith("preview"))
            continue;
        SCOPED_TRACE(std::string("with the preview on: ") + r.name);
        r.road();
        ASSERT_TRUE(Z().CoursePreviewOn);
        ExpectSame(previewed, Now());
    }
    Preview(false);
    ExpectSame(start, Now());
    EXPECT_TRUE(SaveAndClose() == plain) << "a save after the roads writes other bytes";
}

} // namespace
} // namespace zemo::test
