// Optimize and repair: each check and each spurious rule lands in its counter (and in the
// report dialog), flags are repaired, strings follow their objects, a fragmented map shrinks
// with every object as it was, and a stopped or failed run leaves the working file byte for
// byte as it was, with no file behind.
#include "DocumentFixture.h"

#include "../support/TestMapReader.h"
#include "core/Ports.h"
#include "core/Status.h"
#include "document/Optimize.h"
#include "document/widgets/OptimizeDlg.h"

#include <QLabel>

#include <csignal>
#include <sys/resource.h>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int16_t PointSym = 10, LineSym = 20, AreaSym = 30, TextSym = 40, LineTextSym = 50, RectSym = 60;

class OptimizeTest : public DocTest {
protected:
    void TearDown() override
    {
        CorePorts().PumpKeyMessages.Unbind();
        DocTest::TearDown();
    }
    static TestMapWriter Base()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(PointSym, {TestElement::Circle(0, 200, 25)}), TestSymbol::Line(LineSym),
                     TestSymbol::Area(AreaSym),     TestSymbol::Text(TextSym),
                     TestSymbol::LineText(LineTextSym), TestSymbol::Rect(RectSym)};
        return w;
    }
    // Through the open unit, as File > Open: a working copy in the state folder.
    void OpenMap(const TestMapWriter& w)
    {
        OpenWritten(w, QStringLiteral("optimize.zmd"));
        Z().WorkFile.MakeOwnCopy();  // as the first change makes it
        work_ = Z().WorkFile.FileName();
    }
    std::vector<uint8_t> WorkBytes() const { return ReadAll(work_); }
    QStringList StateFiles() const { return FilesIn(StateFolder()); }
    // The live objects through the store.
    static std::vector<std::vector<Cord>> Objects()
    {
        std::vector<std::vector<Cord>> all;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, AuxElement1))
                all.emplace_back(AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem);
        return all;
    }
    QString work_;
};

TestObject TextOf5(const std::string& text)
{
    TestObject o = TestObject::Text(TextSym, 0, 0, text);
    o.cords = {{0, 0}, {0, -mm}, {5 * mm, -mm}, {5 * mm, 2 * mm}, {0, 2 * mm}};
    return o;
}

TestObject With(TestObject o, const std::function<void(TestObject&)>& change)
{
    change(o);
    return o;
}

std::string LabelText(const QDialog& d, const char* name)
{
    const auto* l = d.findChild<QLabel*>(QString::fromLatin1(name));
    return l ? l->text().toStdString() : std::string("(no ") + name + ")";
}

TEST_F(OptimizeTest, EachCheckAndEachSpuriousRuleLandsInItsCounterAndTheReport)
{
    struct Case {
        const char* name;
        std::function<TestObject()> object;
        int repaired, damaged, spurious, unknown;
    };
    const TestObject line = TestObject::Line(LineSym, {{0, 0}, {mm, 0}, {2 * mm, mm}});
    const TestObject point = TestObject::Point(PointSym, mm, mm);
    const Case cases[] = {
        {"record beyond the end of the file",
         [&] { return With(point, [](TestObject& o) { o.entryPosition = FilePos::FromEnd(100); }); }, 0, 1, 0, 0},
        {"entry of length 0", [&] { return With(point, [](TestObject& o) { o.entryLength = 0; }); }, 0, 1, 0, 0},
        {"counts above the length", [&] { return With(line, [](TestObject& o) { o.nItemField = 40; }); }, 0, 1, 0, 0},
        {"symbol other than its entry's",
         [&] { return With(point, [](TestObject& o) { o.entrySymbolWord = LineSym; }); }, 0, 1, 0, 0},
        {"type 0", [&] { return With(point, [](TestObject& o) { o.type = 0; }); }, 0, 1, 0, 0},
        {"type 6", [&] { return With(point, [](TestObject& o) { o.type = 6; }); }, 0, 1, 0, 0},
        {"no points", [&] { return With(line, [](TestObject& o) { o.nItemField = 0; }); }, 0, 1, 0, 0},
        {"point outside its rectangle",
         [&] { return With(line, [](TestObject& o) { o.bounds = TestRect{0, 0, mm, mm}; }); }, 0, 1, 0, 0},

        {"line of one point", [] { return TestObject::Line(LineSym, {{0, 0}}); }, 0, 0, 1, 0},
        {"line text without characters",
         [] { return TestObject::LineText(LineTextSym, {{0, 0}, {mm, 0}}, ""); }, 0, 0, 1, 0},
        {"area of two points", [] { return TestObject::Area(AreaSym, {{0, 0}, {mm, 0}}); }, 0, 0, 1, 0},
        {"area out and back", [] { return TestObject::Area(AreaSym, {{0, 0}, {mm, 0}, {mm, mm}, {mm, 0}, {0, 0}}); },
         0, 0, 1, 0},
        {"text of one point", [] { return TestObject::Text(TextSym, 0, 0, "Hill"); }, 0, 0, 1, 0},
        {"text without characters", [] { return TextOf5(""); }, 0, 0, 1, 0},
        {"rectangle of three points",
         [] { return With(TestObject::Rect(RectSym, 0, 0, mm, mm), [](TestObject& o) { o.cords.pop_back(); }); },
         0, 0, 1, 0},
        {"rectangle whose third point is its first",
         [] { return With(TestObject::Rect(RectSym, 0, 0, mm, mm), [](TestObject& o) { o.cords[2] = o.cords[0]; }); },
         0, 0, 1, 0},
        {"rectangle with text slots but no characters",
         [] { return With(TestObject::Rect(RectSym, 0, 0, mm, mm), [](TestObject& o) { o.hasText = true; }); },
         0, 0, 1, 0},

        {"hole flag on the first point", [&] { return With(line, [](TestObject& o) { o.cords[0].y |= HoleFlag; }); },
         1, 0, 0, 0},
        {"hole flag inside a line", [&] { return With(line, [](TestObject& o) { o.cords[1].y |= HoleFlag; }); },
         1, 0, 0, 0},
        {"control point without its partner",
         [&] { return With(line, [](TestObject& o) { o.cords[1].x |= FirstBezierFlag; }); }, 1, 0, 0, 0},
        {"unknown symbol", [] { return TestObject::Point(990, 0, 0); }, 0, 0, 0, 1},
        {"sound text", [] { return TextOf5("Hill"); }, 0, 0, 0, 0},
        // The smallest of each kind stays.
        {"line of two points", [] { return TestObject::Line(LineSym, {{0, 0}, {mm, mm}}); }, 0, 0, 0, 0},
        {"line text of one character",
         [] { return TestObject::LineText(LineTextSym, {{0, 0}, {mm, 0}}, "A"); }, 0, 0, 0, 0},
        {"open area of three points", [] { return TestObject::Area(AreaSym, {{0, 0}, {mm, 0}, {mm, mm}}); },
         0, 0, 0, 0},
        {"text of one character", [] { return TextOf5("A"); }, 0, 0, 0, 0},
        {"text of one UTF-16 character with a zero low byte",
         [] {
             return With(TestObject::Text16(TextSym, 0, 0, u"\u0100"), [](TestObject& o) { o.cords = TextOf5("").cords; });
         },
         0, 0, 0, 0},
        {"rectangle of four points", [] { return TestObject::Rect(RectSym, 0, 0, mm, mm); }, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMapWriter w = Base();
        w.objects = {TestObject::Point(PointSym, 0, 0), c.object(), TestObject::Point(PointSym, 3 * mm, 0)};
        OpenMap(w);
        const std::optional<OptimizeResult> r = OptimizeMap();
        ASSERT_TRUE(r.has_value());
        const bool kept = c.damaged + c.spurious == 0;
        EXPECT_EQ(r->Written, kept ? 3 : 2);
        EXPECT_EQ(r->Repaired, c.repaired);
        EXPECT_EQ(r->Damaged(), c.damaged);
        EXPECT_EQ(r->Spurious, c.spurious);
        EXPECT_EQ(r->Deleted, c.damaged + c.spurious);
        EXPECT_EQ(r->UnknownSymbol, c.unknown);
        EXPECT_EQ(r->OldSize, int64_t(ReadAll(MapPath(QStringLiteral("optimize.zmd"))).size()));
        EXPECT_EQ(r->NewSize, int64_t(WorkBytes().size()));
        EXPECT_EQ(Z().HighestObject, r->Written);
        const ReadMap m = ReadMapBytes(WorkBytes());
        EXPECT_TRUE(m.Sound()) << m.Problems();
        EXPECT_EQ(int(m.objects.size()), r->Written);

        const TOptimizeDlg dlg(nullptr, *r);
        EXPECT_EQ(LabelText(dlg, "RepairedB"), std::to_string(c.repaired));
        EXPECT_EQ(LabelText(dlg, "DeletedB"), std::to_string(c.damaged));
        EXPECT_EQ(LabelText(dlg, "SpuriousB"), std::to_string(c.spurious));
        EXPECT_EQ(LabelText(dlg, "UnknownSymB"), std::to_string(c.unknown));
        EXPECT_EQ(LabelText(dlg, "NewFileSizeB"), QLocale().toString(qlonglong(r->NewSize)).toStdString());
        CloseDocument(Index.ActiveZmd);
    }
}

TEST(RepairBezierFlags, KeepsOnlyControlPointsThatFormAWholeSegment)
{
    // '.' plain, 'F' first control point, 'S' second, 'B' both flags.
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"....", "...."},        {".FS.", ".FS."},       {".FS.FS.", ".FS.FS."}, {"FS..", "...."},
        {".FS", "..."},          {"..FS", "...."},       {".FSFS.", "......"},   {".B..", "...."},
        {".F.S.", "....."},      {".SF.", "...."},       {".FS..F", ".FS..."},   {".FFS.", "....."},
    };
    for (const auto& c : cases) {
        ElementRecord& e = CurElement;
        e = ElementRecord{};
        e.ObjectType = LineObject;
        e.nItem = uint16_t(std::strlen(c.in));
        for (int i = 0; i < e.nItem; ++i) {
            const char f = c.in[i];
            e.Slots[size_t(i)] = {i * mm + (f == 'F' ? 1 : f == 'S' ? 2 : f == 'B' ? 3 : 0) + 4, i | DashFlag};
        }
        const bool cleared = RepairBezierFlags(e);
        std::string got;
        for (int i = 0; i < e.nItem; ++i) {
            const int32_t f = e.Slots[size_t(i)].x & 3;
            got += f == 1 ? 'F' : f == 2 ? 'S' : f == 3 ? 'B' : '.';
            // Other flags and the place stay.
            EXPECT_EQ(e.Slots[size_t(i)].x & ~3, i * mm + 4) << c.in;
            EXPECT_EQ(e.Slots[size_t(i)].y, i | DashFlag) << c.in;
        }
        EXPECT_EQ(got, c.out) << c.in;
        EXPECT_EQ(cleared, std::string(c.in) != c.out) << c.in;
    }
}

TEST_F(OptimizeTest, AnglesComeIntoRangePointsTakeTheirOwnSymbolsExtentAndUnknownSymbolsStay)
{
    TestMapWriter w = Base();
    w.symbols.push_back(TestSymbol::Point(11));
    w.objects = {TestObject::Point(PointSym, mm, 2 * mm, 1900), TestObject::Point(PointSym, 0, 0, -1900),
                 TestObject::Point(PointSym, 0, 0, 1800), TestObject::Point(990, 0, 0, 3700)};
    // A rectangle wider than the symbol reaches.
    w.objects[0].bounds = TestRect{-5 * mm, -5 * mm, 5 * mm, 5 * mm};
    OpenMap(w);
    // The user's symbol is another one, of another extent.
    SetCurrentSymbolPos(6);
    ASSERT_TRUE(OptimizeMap().has_value());
    std::vector<int> angles;
    for (int n = 1; n <= 4; ++n) {
        ASSERT_TRUE(GetIndex(n) && ReadElement(n, CurElement));
        angles.push_back(CurElement.Angle);
    }
    EXPECT_EQ(angles, std::vector<int>({-1700, 1700, 1800, 100}));
    SymbolBytes* own = nullptr;
    ASSERT_TRUE(GetSymbol(PointSym, own));
    const int32_t e = SymI16(*own, SymExtent) * 256;
    ASSERT_GT(e, 0);
    ASSERT_NE(SymI16(*own, SymExtent), SymI16(Z().Symbols[6], SymExtent));
    EXPECT_EQ(Z().Entry(1).Rect, (CordRect{mm - e, 2 * mm - e, mm + e, 2 * mm + e}));
    EXPECT_EQ(Z().Entry(4).Symbol, 990);
}

// Whatever marks an entry carries, the rest of its word is checked against the record: a
// marked entry naming another symbol is mended from the record (its mark dropped) and counted
// as damaged; one naming the right symbol keeps its mark; a record of symbol 0 is dropped.
TEST_F(OptimizeTest, MarkedEntriesAreCheckedAgainstTheirRecordsAndMended)
{
    struct Case {
        const char* name;
        uint16_t word;
        int16_t recordSymbol;
        uint16_t written; // the entry's word after the run; 0: dropped
        int damaged;
    };
    const Case cases[] = {
        {"course-only, another symbol", uint16_t(CourseOnlyMark | AreaSym), LineSym, uint16_t(LineSym), 1},
        {"course-only, its own symbol", uint16_t(CourseOnlyMark | LineSym), LineSym, uint16_t(CourseOnlyMark | LineSym), 0},
        {"negative word, another symbol", uint16_t(-LineSym), LineSym, uint16_t(LineSym), 1},
        {"course-only, a record of symbol 0", uint16_t(CourseOnlyMark | LineSym), 0, 0, 1},
        {"plain, another symbol", uint16_t(AreaSym), LineSym, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMapWriter w = Base();
        TestObject line = TestObject::Line(c.recordSymbol, {{0, 0}, {mm, 0}, {2 * mm, mm}});
        line.entrySymbolWord = c.word;
        w.objects = {TestObject::Point(PointSym, 0, 0), line, TestObject::Point(PointSym, 3 * mm, 0)};
        OpenMap(w);
        const std::optional<OptimizeResult> r = OptimizeMap();
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->Damaged(), c.damaged);
        EXPECT_EQ(r->Written, c.written ? 3 : 2);
        const ReadMap m = ReadMapBytes(WorkBytes());
        EXPECT_TRUE(m.Sound()) << m.Problems();
        ASSERT_EQ(int(m.objects.size()), r->Written);
        if (c.written) {
            EXPECT_EQ(m.objects[1].entrySymbol, c.written);
            EXPECT_EQ(Z().Entry(2).Symbol, c.written);
            EXPECT_EQ(EntryLive(Z().Entry(2)), !(c.written & CourseOnlyMark));
        }
        EXPECT_EQ(m.objects.back().entrySymbol, uint16_t(PointSym));
        const TOptimizeDlg dlg(nullptr, *r);
        EXPECT_EQ(LabelText(dlg, "DeletedB"), std::to_string(c.damaged));
        CloseDocument(Index.ActiveZmd);
    }
}

TEST_F(OptimizeTest, StringsFollowTheirObjectsThoseOfDroppedObjectsGoAndTheMapsOwnStay)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Point(PointSym, 0, 0), TestObject::Point(PointSym, mm, 0),
                 TestObject::Line(LineSym, {{0, 0}}), TestObject::Point(PointSym, 2 * mm, 0)};
    w.objects[0].bounds = TestRect{mm, mm, 2 * mm, 2 * mm};  // damaged
    const std::string course(5000, 'c');
    w.strings = {TestPString::Make(5, 1, "of the damaged"), TestPString::Make(5, 2, "of two"),
                 TestPString::Make(5, 3, "of the spurious"), TestPString::Make(2, 0, course),
                 TestPString::Make(5, 4, "of four"), TestPString::Make(1030, 0, "\tv1")};
    OpenMap(w);
    const std::optional<OptimizeResult> r = OptimizeMap();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->Written, 2);
    EXPECT_EQ(r->Spurious, 1);
    EXPECT_EQ(r->Deleted, 4);  // two objects and their two strings
    const ReadMap m = ReadMapBytes(WorkBytes());
    ASSERT_TRUE(m.Sound()) << m.Problems();
    std::vector<std::pair<int, std::string>> got;
    for (const ReadString& s : m.strings)
        got.emplace_back(s.object, s.text);
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "of two"}, {0, course}, {2, "of four"}, {0, "\tv1"}};
    EXPECT_EQ(got, expected);
    // The store has them again, in their lists.
    EXPECT_EQ(Z().Courses.Count(), 1);
    EXPECT_EQ(Z().ObjectLinks.Count(), 2);
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(1030))], QStringLiteral("\tv1"));
}

TEST_F(OptimizeTest, AFragmentedMapShrinksWithEveryObjectAsItWas)
{
    TestMapWriter w = Base();
    for (int i = 0; i < 600; ++i)
        w.objects.push_back(TestObject::Line(LineSym, {{i * mm, 0}, {i * mm, mm}, {i * mm + mm, 2 * mm}}));
    w.objects.push_back(TextOf5("Hill"));
    OpenMap(w);
    {
        UndoSuspend quiet;
        // Every line grows by a point: its record moves to the end, the old one stays behind.
        for (int n = 1; n <= 600; ++n) {
            ASSERT_TRUE(ReadElement(n, CurElement));
            CurElement.Slots[CurElement.nItem] = {n * mm, 3 * mm | CornerFlag};
            ++CurElement.nItem;
            ASSERT_TRUE(SaveElement(n));
        }
    }
    const std::vector<std::vector<Cord>> before = Objects();
    const int64_t size = Z().WorkFile.Size();
    const std::optional<OptimizeResult> r = OptimizeMap();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->OldSize, size);
    // Exactly the dead records are gone: the rest was as compact as the new file.
    EXPECT_EQ(r->NewSize, size - 600 * 56);
    EXPECT_EQ(r->Written, 601);
    EXPECT_EQ(r->Deleted + r->Repaired + r->UnknownSymbol, 0);
    EXPECT_EQ(Objects(), before);
    EXPECT_TRUE(Z().Modified);
    const ReadMap m = ReadMapBytes(WorkBytes());
    EXPECT_TRUE(m.Sound()) << m.Problems();
}

TEST_F(OptimizeTest, EscAndAFullDeviceLeaveTheWorkingFileByteForByteAndNoFileBehind)
{
    TestMapWriter w = Base();
    for (int i = 0; i < 3000; ++i)
        w.objects.push_back(TestObject::Point(PointSym, i * mm / 10, 0));
    w.objects.push_back(TestObject::Line(LineSym, {{0, 0}}));
    OpenMap(w);
    const std::vector<uint8_t> before = WorkBytes();
    const QStringList files = StateFiles();

    // Esc while the objects are read.
    int polls = 0;
    CorePorts().PumpKeyMessages.Bind([&] {
        if (++polls == 100)
            AbortRequested = true;
    });
    EXPECT_FALSE(OptimizeMap().has_value());
    EXPECT_EQ(WorkBytes(), before);
    EXPECT_EQ(StateFiles(), files);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(Z().HighestObject, 3001);
    CorePorts().PumpKeyMessages.Unbind();

    // A full device: the new file cannot grow beyond 30000 bytes.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{30000, 30000};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    EXPECT_FALSE(OptimizeMap().has_value());
    EXPECT_EQ(WorkBytes(), before);
    EXPECT_EQ(StateFiles(), files);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotWrite);
    EXPECT_EQ(messages.Last().params, work_);
    EXPECT_EQ(Z().HighestObject, 3001);
}

} // namespace
