// Saving as versions 7 and 6: long lines cut into pieces that share their ends (never on a
// control point, never for ever), separations, dash points, 8-bit texts, the symbols' older
// fields and the header, read by the test-only reader at literal offsets; through File > Save
// as, the entries of the dialog, the warning, and a map left as it was after Cancel or a
// failing target.
#include "DocumentFixture.h"

#include "../support/TestMapReader.h"
#include "document/Save7.h"
#include "render/AreaSplt.h"
#include "symbols/store/IconCodec.h"

#include <QFile>

#include <cmath>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int16_t LineSym = 20, TextSym = 40, LineTextSym = 50;

class Save7Test : public DocTest {
protected:
    static TestMapWriter Base()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(10), TestSymbol::Line(LineSym), TestSymbol::Text(TextSym),
                     TestSymbol::LineText(LineTextSym)};
        return w;
    }
    QString Target() const { return MapPath(QStringLiteral("old.zmd")); }
    // The map opened as by File > Open, then written in the older version.
    ReadMap SaveAs(const TestMapWriter& w, int version)
    {
        OpenWritten(w, QStringLiteral("new.zmd"));
        Z().WorkFile.MakeOwnCopy();  // as the first change makes it
        work_ = ReadAll(Z().WorkFile.FileName());
        EXPECT_TRUE(SaveOldVersion(version, Target()));
        // The open map is as it was.
        EXPECT_EQ(ReadAll(Z().WorkFile.FileName()), work_);
        const ReadMap m = ReadMapBytes(ReadAll(Target()));
        EXPECT_TRUE(m.Sound()) << m.Problems();
        return m;
    }
    // n points; with a shift of 0 to 2, curves throughout: the points whose index plus the
    // shift leaves 1 or 2 by 3 are first and second control points.
    static std::vector<TestCord> Run(int n, int curveShift = -1)
    {
        std::vector<TestCord> c;
        for (int i = 0; i < n; ++i) {
            const int k = curveShift < 0 ? 0 : (i + curveShift) % 3;
            c.push_back({i * 2560 | (k == 1 ? FirstBezierFlag : k == 2 ? SecondBezierFlag : 0), (i % 7) * 2560});
        }
        return c;
    }
    std::vector<uint8_t> work_;
};

// The pieces of a cut line, in file order, joined at their shared points.
std::vector<TestCord> Joined(const ReadMap& m, int16_t symbol, int last)
{
    std::vector<const ReadObject*> pieces;
    for (const ReadObject& o : m.objects)
        if (o.symbol == symbol && o.number != last)
            pieces.push_back(&o);
    pieces.push_back(m.Object(last));  // the object itself keeps the rest
    std::vector<TestCord> all;
    for (const ReadObject* p : pieces) {
        EXPECT_TRUE(all.empty() || (all.back().x == p->cords.front().x && all.back().y == p->cords.front().y));
        all.insert(all.end(), p->cords.begin() + (all.empty() ? 0 : 1), p->cords.end());
    }
    return all;
}

TEST(LineCut, MovesBackOffAControlPointAtMostTwiceAndEndsADamagedRun)
{
    const struct {
        const char* name;
        std::vector<std::pair<int, int32_t>> flags;  // point index, Bezier flags
        int cut;
        int32_t sharedFlags;  // of the piece's last point afterwards
    } cases[] = {
        {"plain points", {}, 1990, 0},
        {"last point a first control point", {{1989, 1}, {1990, 2}}, 1989, 0},
        {"last point a second control point", {{1988, 1}, {1989, 2}}, 1988, 0},
        {"three control points in a row", {{1987, 1}, {1988, 2}, {1989, 1}}, 1990, 0},
    };
    for (const auto& c : cases) {
        std::vector<Cord> pts(2100);
        for (int i = 0; i < 2100; ++i)
            pts[size_t(i)] = {i * 256, 0};
        for (const auto& [at, f] : c.flags)
            pts[size_t(at)].x |= f;
        const int cut = LineCut(pts.data());
        EXPECT_EQ(cut, c.cut) << c.name;
        EXPECT_EQ(pts[size_t(cut - 1)].x & 3, c.sharedFlags) << c.name;
        EXPECT_EQ(pts[size_t(cut - 1)].x & ~3, (cut - 1) * 256) << c.name;
    }
}

TEST_F(Save7Test, A4000PointLineBecomesPiecesOf1990And1990And22SharingTheirEnds)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(LineSym, Run(4000)),
                 TestObject::LineText(LineTextSym, Run(2500), "Long river")};
    // A deleted line whose room no byte length can hold is not carried.
    TestObject gone = TestObject::Line(LineSym, Run(9000));
    gone.deleted = true;
    w.objects.push_back(gone);
    const ReadMap m = SaveAs(w, 7);
    std::vector<int> counts;
    for (const ReadObject& o : m.objects)
        counts.push_back(o.nItem);
    // The objects keep their numbers with their last pieces; the first pieces follow.
    EXPECT_EQ(counts, std::vector<int>({22, 511, 1990, 1990, 1990}));
    EXPECT_EQ(m.objects[2].number, 4) << "the deleted line's number stays empty";
    const std::vector<TestCord> line = Joined(m, LineSym, 1), text = Joined(m, LineTextSym, 2);
    ASSERT_EQ(line.size(), 4000u);
    ASSERT_EQ(text.size(), 2500u);
    for (size_t i = 0; i < 4000; ++i)
        EXPECT_EQ(line[i].x, Run(4000)[i].x) << i;
    // Every piece of a line text carries the text.
    for (const ReadObject& o : m.objects)
        if (o.symbol == LineTextSym) {
            EXPECT_EQ(o.Text8(), "Long river");
        }
}

TEST_F(Save7Test, CutsMoveBackOffControlPointsAndALineOfNothingButControlPointsEnds)
{
    TestMapWriter w = Base();
    w.symbols.push_back(TestSymbol::Line(21));
    // Curves whose 1990th point is a first control point.
    w.objects = {TestObject::Line(LineSym, Run(4000, 1))};
    std::vector<TestCord> damaged = Run(4000);
    for (TestCord& c : damaged)
        c.x |= FirstBezierFlag;
    w.objects.push_back(TestObject::Line(21, damaged));
    const ReadMap m = SaveAs(w, 7);
    ASSERT_EQ(m.objects.size(), 6u);
    // The curve's first cut moved back one point; the damaged run is cut at 1990.
    EXPECT_EQ(m.objects[2].nItem, 1989);
    EXPECT_EQ(m.objects[4].nItem, 1990);
    for (const ReadObject& o : m.objects) {
        // Every piece ends on a plain point.
        EXPECT_EQ(o.cords.back().x & 3, 0) << o.number;
        EXPECT_LE(o.nItem, 1990);
    }
    for (const auto& [symbol, last] : {std::pair<int16_t, int>{LineSym, 1}, {21, 2}}) {
        const std::vector<TestCord> all = Joined(m, symbol, last);
        ASSERT_EQ(all.size(), 4000u) << symbol;
        for (size_t i = 0; i < all.size(); ++i)
            ASSERT_EQ(all[i].x & ~0xFF, int32_t(i) * 2560) << symbol << " " << i;
    }
}

TEST_F(Save7Test, SeparationsDashPointsTextsAndTheHeaderAsEachVersionHoldsThem)
{
    for (int version : {7, 6}) {
        SCOPED_TRACE(version);
        TestMapWriter w = Base();
        w.separations.assign(30, TestSeparation{});
        w.objects = {TestObject::Line(LineSym, {{0, HoleFlag}, {mm, DashFlag}, {2 * mm, 0}}),
                     TestObject::Text16(TextSym, 0, 0, u"Z\u00fcrich"), TestObject::Text16(TextSym, 0, 0, std::u16string(40, u'\u00e5'))};
        const ReadMap m = SaveAs(w, version);
        EXPECT_EQ(m.header.version, version);
        EXPECT_EQ(m.header.fileType, version == 7 ? 7 : 0);
        EXPECT_EQ(m.header.subversion, 5);
        EXPECT_EQ(m.header.stringIndex, 0);
        EXPECT_EQ(m.separationCount, 24);
        ASSERT_EQ(m.objects.size(), 3u);
        EXPECT_EQ(m.objects[0].cords[1].y & DashFlag, version == 7 ? DashFlag : 0);
        EXPECT_EQ(m.objects[0].cords[0].y, 0) << "no hole flag on a first point";
        // 8-bit texts of code page 1252 in the slots the UTF-16 text had, or fewer.
        EXPECT_EQ(m.objects[1].flags, 0);
        EXPECT_EQ(m.objects[1].nText, 8);
        EXPECT_EQ(m.objects[1].Text8(), "Z\xFCrich");
        EXPECT_EQ(m.objects[2].Text8(), std::string(40, '\xE5'));
        EXPECT_EQ(m.objects[2].nText, 8);
        // Entry lengths in bytes.
        EXPECT_EQ(m.objects[0].entryLength, 32 + 8 * 3);
        CloseDocument(Index.ActiveZmd);
    }
}

TEST(OldVersionSymbols, EachRowOfTheTableChangesItsFieldsAtTheirOffsets)
{
    const auto record = [](TestSymbol s) {
        s.status = 0x1A;  // hidden in bits 0-2, memory bits above
        s.flags |= 2;     // compressed icon
        SymbolBytes b(s.Size());
        std::copy(s.body.begin(), s.body.end(), b.begin() + 348);
        SetSymI16(b, 0, int16_t(s.Size()));
        SetSymI16(b, 2, s.number10);
        SetSymI16(b, 4, s.type);
        b[6] = s.textFlag;
        b[7] = s.flags;
        b[11] = s.status;
        return b;
    };
    TestSymbol lineText = TestSymbol::LineText(50, "Arial", 100);
    lineText.SetU8(387, 238);
    lineText.SetU8(386, 1);
    lineText.SetI16(384, 700);
    lineText.SetI16(430, 33);
    TestSymbol text = TestSymbol::Text(40, "Arial", 120);
    text.SetU8(387, 204);
    text.SetI16(578, 44);
    TestSymbol line = TestSymbol::Line(20);
    line.SetI16(352, 7);
    line.SetI16(408, 25);
    struct Case {
        const char* name;
        int version;
        SymbolBytes rec;
        std::vector<std::pair<size_t, int>> bytes;  // offset, expected byte
        std::vector<std::pair<size_t, int>> words;  // offset, expected i16
    };
    const auto framed = [&](SymbolBytes r, size_t at, uint8_t mode) {
        r[at] = mode;
        return r;
    };
    const std::vector<Case> cases = {
        {"7 line text shadow", 7, framed(record(lineText), 394, 1),
         {{387, 0}, {394, 1}, {396, 5}, {397, 'A'}, {14, 100}, {15, 0}}, {{430, 0}, {432, 700}, {434, -1}}},
        {"7 line text outline", 7, framed(record(lineText), 394, 2),
         {{387, 0}, {394, 2}, {396, 0}, {14, 33}, {15, 0}}, {{430, 0}}},
        {"7 text shadow", 7, framed(record(text), 542, 1),
         {{387, 0}, {542, 1}, {544, 5}, {545, 'A'}, {14, 120}, {15, 0}}, {{578, 0}, {580, 400}, {582, 0}}},
        {"7 text rectangle", 7, framed(record(text), 542, 3), {{542, 0}, {544, 0}, {14, 44}}, {{578, 0}}},
        {"6 line", 6, record(line), {}, {{352, 3}, {408, 0}}},
        {"6 line text", 6, framed(record(lineText), 394, 1), {{387, 0}, {394, 0}, {396, 0}}, {{430, 0}}},
        {"6 text", 6, framed(record(text), 542, 2), {{387, 0}, {542, 0}, {544, 0}}, {{578, 0}}},
        {"7 line unchanged", 7, record(line), {}, {{352, 7}, {408, 25}}},
    };
    for (Case c : cases) {
        ConvertSymbolForOldVersion(c.rec, c.version);
        for (const auto& [at, v] : c.bytes)
            EXPECT_EQ(int(c.rec[at]), v & 0xFF) << c.name << " byte " << at;
        for (const auto& [at, v] : c.words)
            EXPECT_EQ(SymI16(c.rec, at), v) << c.name << " word " << at;
        EXPECT_EQ(c.rec[11], 0x02) << c.name;
        EXPECT_EQ(c.rec[7] & 2, 0) << c.name << ": plain icon";
    }
}

TEST_F(Save7Test, SaveAsOffersTheOlderVersionsToOrdinaryMapsOnlyAndClosesTheMapAfterOne)
{
    OpenWritten(Base(), QStringLiteral("map8.zmd"));
    // The all-files entry saves the current version.
    dialogs.QueueAnswer(true, MapPath(QStringLiteral("all.zmd")), 4);
    ASSERT_TRUE(SaveMap(true));
    EXPECT_EQ(ReadMapFile(QFile::encodeName(MapPath(QStringLiteral("all.zmd"))).toStdString()).header.version, 8);
    // Four entries: versions 8, 7 and 6 and all files.
    EXPECT_EQ(dialogs.Requests().back().filter.count(u'|'), 7) << dialogs.Requests().back().filter.toStdString();
    // Version 7: the map closes once its file is there.
    dialogs.QueueAnswer(true, Target(), 2);
    ASSERT_TRUE(SaveMap(true));
    EXPECT_EQ(messages.CountOf(TextKey::ZEMO6Warning), 1);
    EXPECT_EQ(ReadMapFile(QFile::encodeName(Target()).toStdString()).header.version, 7);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_TRUE(WorkingCopies().isEmpty());

    // A course-setting map: the current version and all files only.
    TestMapWriter course = Base();
    course.fileType = 3;
    OpenWritten(course, QStringLiteral("course.zmd"));
    dialogs.QueueAnswer(true, MapPath(QStringLiteral("course-as.zmd")), 2);
    ASSERT_TRUE(SaveMap(true));
    EXPECT_EQ(dialogs.Requests().back().filter.count(u'|'), 3);
    EXPECT_EQ(ReadMapFile(QFile::encodeName(MapPath(QStringLiteral("course-as.zmd"))).toStdString()).header.version, 8);
    EXPECT_EQ(Opening.OpenDocuments.size(), 1u);
}

TEST_F(Save7Test, AnAreaTheSplitterCannotCutWholeFailsTheSaveAndWritesNothing)
{
    // 2500 points: in a circle of 20 mm, and crowded into less than 0.02 mm.
    std::vector<TestCord> wide, crowded;
    for (int i = 0; i < 2500; ++i) {
        const double a = 2 * 3.14159265358979 * i / 2500;
        wide.push_back({int32_t(std::lround(20 * mm * std::cos(a))) & ~0xFF, int32_t(std::lround(20 * mm * std::sin(a))) & ~0xFF});
        crowded.push_back({(i % 2) * 256, (i / 2 % 2) * 256});
    }
    const struct {
        const char* name;
        bool splitter;
        std::vector<TestCord> area;
    } cases[] = {{"no splitter", false, wide}, {"a piece too small to cut", true, crowded}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.splitter)
            DocumentPorts().SplitArea.Bind([](const Cord* p, int n, const AreaPieceFn& accept) {
                return SplitArea(p, n, accept);
            });
        TestMapWriter w = Base();
        w.symbols.push_back(TestSymbol::Area(30));
        w.objects = {TestObject::Line(LineSym, Run(10)), TestObject::Area(30, c.area)};
        OpenWritten(w, QStringLiteral("area.zmd"));
        Z().WorkFile.MakeOwnCopy();
        const std::vector<uint8_t> before = ReadAll(Z().WorkFile.FileName());
        messages.Clear();
        EXPECT_FALSE(SaveOldVersion(7, Target()));
        EXPECT_EQ(messages.CountOf(TextKey::MaxPoints), 1);
        EXPECT_FALSE(QFile::exists(Target()));
        EXPECT_EQ(ReadAll(Z().WorkFile.FileName()), before);
        EXPECT_EQ(WorkingCopies().size(), 1);
        CloseDocument(Index.ActiveZmd);
        DocumentPorts().SplitArea.Unbind();
    }
    // The wide area with the splitter: pieces, none larger than the older versions hold.
    DocumentPorts().SplitArea.Bind([](const Cord* p, int n, const AreaPieceFn& accept) {
        return SplitArea(p, n, accept);
    });
    TestMapWriter w = Base();
    w.symbols.push_back(TestSymbol::Area(30));
    w.objects = {TestObject::Area(30, wide)};
    const ReadMap m = SaveAs(w, 7);
    EXPECT_GE(m.objects.size(), 2u);
    for (const ReadObject& o : m.objects)
        EXPECT_LE(o.nItem, 1990);
    DocumentPorts().SplitArea.Unbind();
}

TEST_F(Save7Test, CancelOrAFailingTargetLeaveTheMapAsItWas)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(LineSym, Run(3000))};
    OpenWritten(w, QStringLiteral("map8.zmd"));
    Z().WorkFile.MakeOwnCopy();
    Z().Modified = 1;
    const std::vector<uint8_t> before = ReadAll(Z().WorkFile.FileName());
    const QStringList copies = WorkingCopies();
    // Cancel at the warning, then a target in a folder that is not there.
    messages.QueueAnswer(IdCancel);
    dialogs.QueueAnswer(true, Target(), 3);
    EXPECT_FALSE(SaveMap(true));
    dialogs.QueueAnswer(true, MapPath(QStringLiteral("none/old.zmd")), 3);
    EXPECT_FALSE(SaveMap(true));
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
    EXPECT_TRUE(Z().Modified);
    EXPECT_EQ(Z().HighestObject, 1);
    EXPECT_EQ(ReadAll(Z().WorkFile.FileName()), before);
    EXPECT_EQ(WorkingCopies(), copies);
    EXPECT_FALSE(QFile::exists(Target()));
}

} // namespace
