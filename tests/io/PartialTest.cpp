// Extras > Export partial map, the written map read back by the test reader: a rectangle around
// the map copies everything unchanged; one across it cuts areas (holes kept), takes texts
// whole when any point lies inside; a boundary object cuts lines into their inside pieces and
// is itself left out, as are the symbols nothing uses; a fresh map proposes its full extent.
#include "../support/TestMapReader.h"
#include "IoFixture.h"
#include "document/ServiceHooks.h"
#include "io/Partial.h"
#include "io/Ports.h"

#include <algorithm>

namespace zemo::test {
namespace {

constexpr int32_t Hole = 2;  // the y flag of a hole's first point

class PartialMap : public IoTest {
protected:
    // Line 10, area 20, text 30, area 40 (the boundary's), line 50 (unused). Objects: a short
    // line, a 40 x 20 mm square from (30, 5) with a 5 mm hole, a text at (60, 30) whose second
    // point (45, 30) lies left of x = 50; and with `boundary` also a 50 mm square of symbol 40
    // from the origin and a line starting inside it that leaves it rightwards and comes back.
    TZmd* OpenMap(bool boundary)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50), TestSymbol::Area(20), TestSymbol::Text(30),
                     TestSymbol::Area(40), TestSymbol::Line(50, 0, 20)};
        w.objects.push_back(TestObject::Line(10, {{10 * Mm, 10 * Mm}, {20 * Mm, 10 * Mm}}));
        w.objects.push_back(TestObject::Area(20, {{30 * Mm, 5 * Mm}, {70 * Mm, 5 * Mm}, {70 * Mm, 25 * Mm},
                                                  {30 * Mm, 25 * Mm}, {35 * Mm, 10 * Mm | Hole},
                                                  {40 * Mm, 10 * Mm}, {40 * Mm, 15 * Mm}, {35 * Mm, 15 * Mm}}));
        TestObject text = TestObject::Text(30, 60 * Mm, 30 * Mm, "Hi");
        text.cords.push_back({45 * Mm, 30 * Mm});
        w.objects.push_back(text);
        if (boundary) {
            w.objects.push_back(TestObject::Area(40, {{0, 0}, {50 * Mm, 0}, {50 * Mm, 50 * Mm}, {0, 50 * Mm}}));
            w.objects.push_back(TestObject::Line(10, {{20 * Mm, 40 * Mm}, {60 * Mm, 40 * Mm}, {60 * Mm, 45 * Mm},
                                                      {20 * Mm, 45 * Mm}}));
        }
        source = w;
        return Open(w);
    }
    // Extras > Export partial map with a rectangle in millimetres, into `name`.
    ReadMap ExportRect(RangeFields f, const QString& name)
    {
        IoPorts().RunPartialDialog.Bind([f](PartialEdit& e) {
            e.Store(f);
            return RangeAnswer::Ok;
        });
        dialogs.QueueAnswer(true, InMaps(name));
        ExportPartialMap();
        return ReadMapFile(QFile::encodeName(InMaps(name)).toStdString());
    }
    static std::vector<int16_t> Symbols(const ReadMap& m)
    {
        std::vector<int16_t> s;
        for (const ReadSymbol& r : m.symbols)
            s.push_back(r.number10);
        return s;
    }
    static std::vector<std::pair<int32_t, int32_t>> Points(const ReadObject& o)
    {
        std::vector<std::pair<int32_t, int32_t>> p;
        for (const TestCord& c : o.cords)
            p.push_back({c.x, c.y});
        return p;
    }
    static std::vector<std::pair<int32_t, int32_t>> Points(const TestObject& o)
    {
        std::vector<std::pair<int32_t, int32_t>> p;
        for (const TestCord& c : o.cords)
            p.push_back({c.x, c.y});
        return p;
    }

    TestMapWriter source;
};

TEST_F(PartialMap, ARectangleAroundTheMapCopiesEveryObjectUnchanged)
{
    OpenMap(false);
    const ReadMap m = ExportRect({-10, 100, -10, 100}, QStringLiteral("all.zmd"));
    ASSERT_TRUE(m.Sound()) << m.Problems();
    ASSERT_EQ(m.objects.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.objects[i].symbol, source.objects[i].symbol10);
        EXPECT_EQ(m.objects[i].type, source.objects[i].type);
        EXPECT_EQ(Points(m.objects[i]), Points(source.objects[i]));
    }
    EXPECT_EQ(m.objects[2].Text8(), "Hi");
    // The unused symbols are left out.
    EXPECT_EQ(Symbols(m), (std::vector<int16_t>{10, 20, 30}));
    // The save dialog of the command.
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].title, Text(TextKey::ExportPartial));
    EXPECT_EQ(dialogs.Requests()[0].defaultExt, "zmd");
    EXPECT_EQ(dialogs.Requests()[0].helpContext, PartialHelpContext);
    // The rectangle is kept with the map.
    EXPECT_EQ(Stp()->PartialRange, (CordRect{-10 * Mm, -10 * Mm, 100 * Mm, 100 * Mm}));
}

TEST_F(PartialMap, ARectangleAcrossCutsAreasKeepingHolesAndTakesTextsWhole)
{
    OpenMap(false);
    const ReadMap m = ExportRect({0, 50, 0, 50}, QStringLiteral("half.zmd"));
    ASSERT_TRUE(m.Sound()) << m.Problems();
    ASSERT_EQ(m.objects.size(), 3u);
    EXPECT_EQ(Points(m.objects[0]), Points(source.objects[0]));
    // The area's left half: its outline within x 30 .. 50, the hole as it was.
    const ReadObject& area = m.objects[1];
    EXPECT_EQ(area.symbol, 20);
    const auto hole = std::find_if(area.cords.begin(), area.cords.end(),
                                   [](const TestCord& c) { return (c.y & Hole) != 0; });
    ASSERT_NE(hole, area.cords.end());
    std::vector<std::pair<int32_t, int32_t>> outline, holeRing;
    for (auto it = area.cords.begin(); it != area.cords.end(); ++it)
        (it < hole ? outline : holeRing).push_back({Masked(it->x), Masked(it->y)});
    std::sort(outline.begin(), outline.end());
    outline.erase(std::unique(outline.begin(), outline.end()), outline.end());
    EXPECT_EQ(outline, (std::vector<std::pair<int32_t, int32_t>>{
                           {30 * Mm, 5 * Mm}, {30 * Mm, 25 * Mm}, {50 * Mm, 5 * Mm}, {50 * Mm, 25 * Mm}}));
    std::sort(holeRing.begin(), holeRing.end());
    EXPECT_EQ(holeRing, (std::vector<std::pair<int32_t, int32_t>>{
                            {35 * Mm, 10 * Mm}, {35 * Mm, 15 * Mm}, {40 * Mm, 10 * Mm}, {40 * Mm, 15 * Mm}}));
    // The text's first point lies outside, its second inside: whole.
    EXPECT_EQ(Points(m.objects[2]), Points(source.objects[2]));
    EXPECT_EQ(m.objects[2].Text8(), "Hi");

    // A flat rectangle, wider than it is high, cuts the area at its top only (hole kept).
    const ReadMap flat = ExportRect({0, 100, 0, 20}, QStringLiteral("flat.zmd"));
    ASSERT_TRUE(flat.Sound()) << flat.Problems();
    ASSERT_EQ(flat.objects.size(), 2u);
    EXPECT_EQ(Points(flat.objects[0]), Points(source.objects[0]));
    std::vector<std::pair<int32_t, int32_t>> cut;
    for (const TestCord& c : flat.objects[1].cords)
        cut.push_back({Masked(c.x), Masked(c.y)});
    std::sort(cut.begin(), cut.end());
    cut.erase(std::unique(cut.begin(), cut.end()), cut.end());
    EXPECT_EQ(cut, (std::vector<std::pair<int32_t, int32_t>>{{30 * Mm, 5 * Mm}, {30 * Mm, 20 * Mm}, {35 * Mm, 10 * Mm},
                                                            {35 * Mm, 15 * Mm}, {40 * Mm, 10 * Mm}, {40 * Mm, 15 * Mm},
                                                            {70 * Mm, 5 * Mm}, {70 * Mm, 20 * Mm}}));
}

TEST_F(PartialMap, ABoundaryObjectCutsALineIntoItsInsidePiecesAndStaysOut)
{
    TZmd* z = OpenMap(true);
    const QString name = InMaps(QStringLiteral("object.zmd"));
    ASSERT_TRUE(WritePartialMap(name, 4));
    const ReadMap m = ReadMapFile(QFile::encodeName(name).toStdString());
    ASSERT_TRUE(m.Sound()) << m.Problems();
    // The square's bounding rectangle became the map's partial rectangle.
    EXPECT_EQ(z->Setup.PartialRange, (CordRect{0, 0, 50 * Mm, 50 * Mm}));
    std::vector<std::vector<std::pair<int32_t, int32_t>>> lines;
    for (const ReadObject& o : m.objects) {
        EXPECT_NE(o.symbol, 40);
        if (o.symbol == 10 && Masked(o.cords[0].y) >= 40 * Mm) {
            lines.push_back({});
            for (const TestCord& c : o.cords)
                lines.back().push_back({Masked(c.x), Masked(c.y)});
        }
    }
    // Two pieces: in along y = 40 to the edge, and back in along y = 45 from it.
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (std::vector<std::pair<int32_t, int32_t>>{{20 * Mm, 40 * Mm}, {50 * Mm, 40 * Mm}}));
    EXPECT_EQ(lines[1], (std::vector<std::pair<int32_t, int32_t>>{{50 * Mm, 45 * Mm}, {20 * Mm, 45 * Mm}}));
    EXPECT_EQ(Symbols(m), (std::vector<int16_t>{10, 20, 30}));
}

TEST_F(PartialMap, AFreshMapProposesTheFullExtentAndEscLeavesNoFile)
{
    TZmd* z = OpenMap(false);
    z->Setup.PartialRange = {};
    PartialEdit edit(z->Setup, false);
    CordRect full;
    ASSERT_TRUE(GetFullExtent(full));
    EXPECT_EQ(edit.Rect(), full);
    EXPECT_FALSE(edit.ObjectAllowed());

    const QString target = InMaps(QStringLiteral("cut.zmd"));
    WriteFile(target, "older");
    escAt = 1;
    ExportRect({0, 50, 0, 50}, QStringLiteral("cut.zmd"));
    EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
    EXPECT_EQ(Read(target), "older");
    EXPECT_EQ(FilesInMaps(), (QStringList{"cut.zmd", "map.zmd"}));
    EXPECT_FALSE(ProgressRunning());
}

} // namespace
} // namespace zemo::test
