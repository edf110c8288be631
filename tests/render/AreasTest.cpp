// The area painter: hatch rows anchored to the map, structures, holes, new objects of a hatch,
// and the pattern texts of the file formats.
#include "Fixture.h"

#include "render/Areas.h"
#include "symbols/store/SymbolRecords.h"
#include "symbols/store/SymbolStore.h"

#include <QTemporaryDir>

using namespace zemo;
using namespace zemo::rtest;

namespace {

class AreaPainter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        MapUnitTransform();
        Graph.CurrentColor = 6;
        ExportPatternNames = {};
    }
    void TearDown() override
    {
        if (Graph.Drawing)
            EndDrawing();
        Graph.OutputDC = nullptr;
        Graph.OutputFile = nullptr;
        DrawSymbol = DefaultSymbol.data();
    }
    void Use(const std::vector<uint8_t>& rec)
    {
        symbol = rec;
        DrawSymbol = symbol.data();
    }
    void Area(std::initializer_list<Cord> cords, int angle = 0)
    {
        SetObject(DrawElement, 30, 3, cords, angle);
        DrawAreaObject();
    }
    void Record()
    {
        Graph.OutputMode = ScreenOutput;
        Graph.OutputDC = &rec;
        BeginDrawing(false);
    }
    std::vector<uint8_t> symbol;
    RecordingDevice rec{QSize(1000, 1000)};
};

AreaFields Hatch(int width, int dist, int angle = 0)
{
    AreaFields f;
    f.hatchMode = 1;
    f.hatchColor = 6;
    f.hatchWidth = width;
    f.hatchDist = dist;
    f.hatchAngle1 = angle;
    return f;
}

AreaFields Structure(int mode, int w, int h)
{
    AreaFields f;
    f.structMode = mode;
    f.structWidth = w;
    f.structHeight = h;
    return f;
}

ElementList Dot(int color = 6, int diameter = 40)
{
    ElementList l;
    l.Add(4, 0, color, 0, diameter, {{0, 0}});
    return l;
}

size_t Count(const std::string& s, const std::string& what)
{
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(AreaPainter, HatchLinesAreAnchoredToTheMap)
{
    // 0.1 mm lines, 0.4 mm apart: rows every 0.5 mm of the map whatever the area's position.
    Use(AreaSymbol(30, Hatch(10, 40), {}, {6}));
    Record();
    for (int32_t shift : {0, 137 * 256, 333 * 256}) {
        rec.clear();
        Area({{213 * 256 + shift, 213 * 256}, {777 * 256 + shift, 213 * 256},
              {777 * 256 + shift, 640 * 256 + shift}, {213 * 256 + shift, 640 * 256 + shift}});
        const auto lines = Recorded(rec);
        ASSERT_GE(lines.size(), 8u) << shift;
        std::vector<double> ys;
        for (const auto& l : lines) {
            ASSERT_EQ(l.size(), 2u);
            EXPECT_EQ(l[0].y(), l[1].y());
            EXPECT_EQ(std::fmod(l[0].y(), 50.0), 0.0) << l[0].y();
            ys.push_back(l[0].y());
        }
        // Every row across the area is there.
        for (double y = 250; y <= 600 + shift / 256.0; y += 50)
            EXPECT_NE(std::find(ys.begin(), ys.end(), y), ys.end()) << y << " shift " << shift;
        EXPECT_EQ(Count(rec.text(), "clippath"), Count(rec.text(), "resetclip"));
    }
}

TEST_F(AreaPainter, TurnedHatchAndFineHatchFilledSolid)
{
    Use(AreaSymbol(30, Hatch(10, 40, 450), {}, {6}));
    Record();
    Area({{200 * 256, 200 * 256}, {800 * 256, 200 * 256}, {800 * 256, 800 * 256}, {200 * 256, 800 * 256}});
    const auto lines = Recorded(rec);
    ASSERT_FALSE(lines.empty());
    for (const auto& l : lines) {
        // At 45 degrees, each a multiple of 0.5 mm from the origin across the hatch.
        EXPECT_NEAR(l[1].x() - l[0].x(), l[1].y() - l[0].y(), 1.5);
        const double across = (l[0].y() - l[0].x()) / std::sqrt(2.0);
        EXPECT_NEAR(std::remainder(across, 50.0), 0.0, 1.0);
    }
    // Below one device unit of free distance: a solid fill in the hatch colour instead.
    EndDrawing();
    rec.clear();
    Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256 / 100;
    Record();
    Area({{0, 0}, {100 * Mm, 0}, {100 * Mm, 100 * Mm}, {0, 100 * Mm}});
    EXPECT_TRUE(Recorded(rec).empty());
    EXPECT_FALSE(Recorded(rec, "polygon").empty());
}

TEST_F(AreaPainter, OffsetStructureRowsAreShiftedHalfACell)
{
    // 2 mm cells, offset rows, one dot per cell; collected in map units.
    Use(AreaSymbol(30, Structure(2, 200, 200), Dot(), {6}));
    Graph.ClipRect = {0, 0, 10 * Mm, 10 * Mm};
    StartCollecting();
    Area({{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm}});
    const auto got = CollectedElements();
    ASSERT_GE(got.size(), 25u);
    int odd = 0, even = 0;
    for (const auto& e : got) {
        ASSERT_EQ(e.kind, 4);
        const int32_t x = e.cords[0].x, y = e.cords[0].y;
        ASSERT_EQ(y % (2 * Mm), 0);
        const int row = y / (2 * Mm);
        const int32_t phase = ((x % (2 * Mm)) + 2 * Mm) % (2 * Mm);
        if (row % 2) {
            EXPECT_EQ(phase, Mm) << x << "," << y;
            ++odd;
        } else {
            EXPECT_EQ(phase, 0) << x << "," << y;
            ++even;
        }
    }
    EXPECT_GT(odd, 0);
    EXPECT_GT(even, 0);
}

TEST_F(AreaPainter, StructureTooFineOrTooSmallIsNotDrawn)
{
    // 0.01 mm cells over a 1 m area: far more cells than any output can show.
    Use(AreaSymbol(30, Structure(1, 1, 1), Dot(), {6}));
    StartCollecting();
    Area({{0, 0}, {1000 * Mm, 0}, {1000 * Mm, 1000 * Mm}, {0, 1000 * Mm}});
    EXPECT_TRUE(CollectedElements().empty());
    // An element list of no extent: nothing either.
    ElementList zero;
    zero.Add(4, 0, 6, 0, 0, {{0, 0}});
    Use(AreaSymbol(30, Structure(1, 200, 200), zero, {6}));
    Area({{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm}});
    EXPECT_TRUE(CollectedElements().empty());
}

TEST_F(AreaPainter, HolesStayEmptyOnTheDevice)
{
    PixelTransform(300, 300);
    const auto square = [](int a, int b, bool hole) {
        return std::vector<Cord>{{a * 256, (a * 256) | (hole ? HoleFlag : 0)}, {b * 256, a * 256},
                                 {b * 256, b * 256}, {a * 256, b * 256}};
    };
    for (const auto& fields : {Hatch(2, 2), Structure(1, 6, 6)}) {
        ElementList dot;
        dot.Add(4, 0, 6, 0, 4, {{0, 0}});
        Use(AreaSymbol(30, fields, dot, {6}));
        std::vector<Cord> cords = square(20, 280, false);
        const auto hole = square(100, 200, true);
        cords.insert(cords.end(), hole.begin(), hole.end());
        SetObject(DrawElement, 30, 3, cords);
        const QImage img = DrawImage(300, 300, [] { DrawAreaObject(); });
        int inHole = 0, inRing = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x) {
                const bool painted = img.pixel(x, y) != qRgb(255, 255, 255);
                if (x > 102 && x < 198 && y > 102 && y < 198)
                    inHole += painted;
                else if (painted)
                    ++inRing;
                if (painted && (x < 18 || x > 282 || y < 18 || y > 282))
                    ADD_FAILURE() << "outside at " << x << "," << y;
            }
        EXPECT_EQ(inHole, 0);
        EXPECT_GT(inRing, 5000);
    }
}

// "To graphics" has no clip: the hatch segments must end on the outline.
static std::vector<std::vector<Cord>> HatchObjects(const std::vector<uint8_t>& sym, const std::vector<Cord>& cords)
{
    QTemporaryDir dir;
    SymbolStore store;
    store.WorkFile.Rewrite(dir.filePath("work.dmy"));
    store.WorkFile.Write(QByteArray(VariablePartPos, '\0'));
    SetCurrentSymbolStore(&store);
    EXPECT_TRUE(store.AppendSymbolRecord(sym));
    store.BuildNumberTable();
    DrawSymbol = store.Symbols[0].data();
    std::vector<std::vector<Cord>> made;
    Graph.AppendElementHook = [&](ElementRecord& e) { made.emplace_back(e.Cords(), e.Cords() + e.nItem); };
    Graph.OutputMode = NewObjectOutput;
    SetObject(DrawElement, 30, 3, cords);
    DrawAreaObject();
    SetCurrentSymbolStore(nullptr);
    Graph.AppendElementHook = nullptr;
    DrawSymbol = DefaultSymbol.data();
    store.WorkFile.Close();
    return made;
}

TEST_F(AreaPainter, NewObjectsFromHatchAreClippedToTheArea)
{
    // A triangle with a square hole.
    const auto made = HatchObjects(AreaSymbol(30, Hatch(10, 40, 300), {}, {6}),
                                   {{0, 0}, {20 * Mm, 0}, {0, 20 * Mm}, {3 * Mm, 3 * Mm | HoleFlag},
                                    {8 * Mm, 3 * Mm}, {8 * Mm, 8 * Mm}, {3 * Mm, 8 * Mm}});
    ASSERT_GT(made.size(), 20u);
    const int32_t tol = 2 * 256;
    for (const auto& seg : made) {
        ASSERT_EQ(seg.size(), 2u);
        for (int k = 0; k <= 8; ++k) {
            const double x = Masked(seg[0].x) + (double(Masked(seg[1].x)) - Masked(seg[0].x)) * k / 8;
            const double y = Masked(seg[0].y) + (double(Masked(seg[1].y)) - Masked(seg[0].y)) * k / 8;
            EXPECT_GE(x, -tol);
            EXPECT_GE(y, -tol);
            EXPECT_LE(x + y, 20.0 * Mm + 2 * tol);
            EXPECT_FALSE(x > 3 * Mm + tol && x < 8 * Mm - tol && y > 3 * Mm + tol && y < 8 * Mm - tol)
                << "in the hole at " << x << "," << y;
        }
    }
}

// Corners exactly on a hatch row (rows every 0.5 mm): each counted once, so the row through
// the diamond's left and right corners runs from one to the other.
TEST_F(AreaPainter, CornersOnAHatchRowAreCountedOnce)
{
    const auto made = HatchObjects(AreaSymbol(30, Hatch(10, 40), {}, {6}),
                                   {{10 * Mm, 0}, {20 * Mm, 10 * Mm}, {10 * Mm, 20 * Mm}, {0, 10 * Mm}});
    const auto row = std::find_if(made.begin(), made.end(), [](const auto& seg) {
        return seg.size() == 2 && seg[0].y == 10 * Mm && seg[1].y == 10 * Mm;
    });
    ASSERT_NE(row, made.end());
    EXPECT_EQ(std::min(Masked((*row)[0].x), Masked((*row)[1].x)), 0);
    EXPECT_EQ(std::max(Masked((*row)[0].x), Masked((*row)[1].x)), 20 * Mm);
}

TEST_F(AreaPainter, PostScriptPatternProcedureIsWrittenOncePerSymbolAndColour)
{
    TextSink sink;
    Graph.OutputFile = &sink;
    Graph.OutputMode = PostScriptOutput;
    Use(AreaSymbol(30, Structure(2, 200, 200), Dot(), {6}));
    BeginDrawing(false);
    Area({{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm}});
    Area({{20 * Mm, 0}, {30 * Mm, 0}, {30 * Mm, 10 * Mm}, {20 * Mm, 10 * Mm}});
    EndDrawing();
    EXPECT_EQ(Count(sink.text, "/Pat0030006{"), 1u);
    EXPECT_EQ(Count(sink.text, "}bind def"), 1u);
    // Offset rows: two loop pairs per area.
    EXPECT_EQ(Count(sink.text, "grestore}for"), 4u);
    EXPECT_EQ(Count(sink.text, " rt\r\n"), 2u);
    EXPECT_TRUE(ExportPatternNames.Names.count("0030006"));
}

TEST_F(AreaPainter, IllustratorAndSvgReferOnlyToDefinedPatterns)
{
    TextSink sink;
    Graph.OutputFile = &sink;
    Use(AreaSymbol(30, Hatch(10, 40, 450), {}, {6}));
    const std::initializer_list<Cord> square = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm}};
    Graph.OutputMode = SvgOutput;
    Area(square, 100);
    EXPECT_EQ(sink.text, "");
    ExportPatternNames.Names.insert(SvgPatternName(30, true, 6, 550));
    EXPECT_EQ(SvgPatternName(30, true, 6, 550), "Hatch3.0c6ang550");
    Area(square, 100);
    EXPECT_EQ(Count(sink.text, "<g fill=\"url(#Hatch3.0c6ang550)\" >"), 1u);
    EXPECT_EQ(Count(sink.text, "</g>"), 1u);

    sink.text.clear();
    Graph.OutputMode = IllustratorOutput;
    ExportPatternNames.Separation = 2;
    ExportPatternNames.Names.insert(AiPatternName(30, true, 6, 2));
    EXPECT_EQ(AiPatternName(30, true, 6, 2), "3.0 Hatch 6.2");
    Area(square, 100);
    EXPECT_EQ(Count(sink.text, "(3.0 Hatch 6.2) 0.00 0.00 1 1 55.0 0 0 0 0 [1 0 0 1 0 0] p"), 1u);
    EXPECT_EQ(Count(sink.text, "f\r\n"), 1u);
}

TEST_F(AreaPainter, FillAndDamagedSymbols)
{
    AreaFields f;
    f.fillOn = -1;
    f.fillColor = 6;
    Use(AreaSymbol(30, f, {}, {6}));
    Record();
    Area({{0, 0}, {100 * 256, 0}, {100 * 256, 100 * 256}});
    EXPECT_EQ(Recorded(rec, "polygon").size(), 1u);
    // Another colour's pass draws nothing.
    rec.clear();
    Graph.CurrentColor = 7;
    Area({{0, 0}, {100 * 256, 0}, {100 * 256, 100 * 256}});
    EXPECT_TRUE(Recorded(rec, "polygon").empty());
    // A size that does not match the structure slots: grey fill.
    std::vector<uint8_t> bad = AreaSymbol(30, Hatch(10, 40), Dot(), {6});
    Put16(bad, 378, 1);
    Use(bad);
    rec.clear();
    Area({{0, 0}, {100 * 256, 0}, {100 * 256, 100 * 256}});
    EXPECT_EQ(Recorded(rec, "polygon").size(), 1u);
    EXPECT_TRUE(Recorded(rec).empty());
    // Fewer than three points: nothing.
    rec.clear();
    Area({{0, 0}, {100 * 256, 0}});
    EXPECT_TRUE(rec.lines().empty());
}
