// Changing the symbols of all objects of a symbol or a layer, and changing the map's scale:
// objects, symbols and setup read back from the working file at literal offsets.
#include "WholeMapFixture.h"

#include "core/Ports.h"
#include "edit/ChangeSym.h"

namespace zemo::test {
namespace {

class ChangeSymTest : public WholeMapTest {
protected:
    enum : int16_t { Contour = 1010, Marsh = 2010, Path = 3010, Boulder = 4010, Label = 5010, Caption = 6010 };
    enum : int {
        ContourLine = 1, ClosedContour, ContourPoint, ContourText, MarshArea, RoadsImported,
        LowerRoadsImported, RoadsWithSymbol, CaptionBox, ObjectCount = CaptionBox,
    };

    static TestMapWriter SymbolMap()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(Contour), TestSymbol::Area(Marsh), TestSymbol::Line(Path),
                     TestSymbol::Point(Boulder), TestSymbol::Text(Label), TestSymbol::Text(Caption)};
        auto& o = w.objects;
        o.push_back(TestObject::Line(Contour, {{0, 0}, {10 * Mm, 0}, {10 * Mm, 5 * Mm}}));
        o.push_back(TestObject::Line(Contour, {{0, 0}, {4 * Mm, 0}, {4 * Mm, 4 * Mm}, {0, 0}}));
        o.push_back(TestObject::Point(Contour, 1 * Mm, 1 * Mm));
        o.push_back(TestObject::Text(Contour, 2 * Mm, 2 * Mm, "101"));
        o.push_back(TestObject::Area(Marsh, {{0, 0}, {9 * Mm, 0}, {9 * Mm, 9 * Mm}, {0, 9 * Mm},
                                             {2 * Mm, 2 * Mm | HoleFlag}, {3 * Mm, 2 * Mm}, {3 * Mm, 3 * Mm}}));
        TestObject roads = TestObject::Line(-1, {{0, 0}, {1 * Mm, 1 * Mm}});
        roads.layerName = "Roads";
        o.push_back(roads);
        TestObject lower = roads;
        lower.layerName = "roads";
        o.push_back(lower);
        TestObject symbolled = roads;
        symbolled.symbol10 = Contour;
        o.push_back(symbolled);
        TestObject box = TestObject::Rect(Caption, 0, 0, 5 * Mm, 2 * Mm);
        box.text = "Start";
        box.hasText = true;
        o.push_back(box);
        return w;
    }
    // Symbol number and object type of every object.
    std::vector<std::pair<int16_t, uint8_t>> Kinds()
    {
        std::vector<std::pair<int16_t, uint8_t>> out;
        for (const auto& o : FileObjects())
            out.emplace_back(o->symbol, o->type);
        return out;
    }
};

TEST_F(ChangeSymTest, ObjectsChangeOnlyWhereTheTargetsTypeFits)
{
    using K = std::vector<std::pair<int16_t, uint8_t>>;
    const std::pair<int16_t, uint8_t> contourLine{Contour, LineObject}, contourPoint{Contour, PointObject},
        contourText{Contour, TextObject}, marsh{Marsh, AreaObject}, imported{-1, LineObject},
        caption{Caption, RectangleObject};
    const K original = {contourLine, contourLine, contourPoint, contourText, marsh,
                        imported, imported, contourLine, caption};
    struct Row {
        const char* name;
        ChangeSymValues change;
        K kinds;
    };
    const std::vector<Row> rows = {
        // Lines become areas; a point and a text of the same number are left alone.
        {"lines to an area symbol", {false, Contour, {}, Marsh},
         {marsh, marsh, contourPoint, contourText, marsh, imported, imported, marsh, caption}},
        {"an area to a line symbol", {false, Marsh, {}, Path},
         {contourLine, contourLine, contourPoint, contourText, {Path, LineObject}, imported, imported,
          contourLine, caption}},
        // Of all the objects of 101.0 only the point fits a point symbol.
        {"to a point symbol", {false, Contour, {}, Boulder},
         {contourLine, contourLine, {Boulder, PointObject}, contourText, marsh, imported, imported,
          contourLine, caption}},
        // Exactly this layer, and only objects without a symbol.
        {"a layer", {true, 0, QStringLiteral("Roads"), Path},
         {contourLine, contourLine, contourPoint, contourText, marsh, {Path, LineObject}, imported,
          contourLine, caption}},
        {"a text box to another text symbol", {false, Caption, {}, Label},
         {contourLine, contourLine, contourPoint, contourText, marsh, imported, imported, contourLine,
          {Label, RectangleObject}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenKinds(SymbolMap());
        ASSERT_EQ(Kinds(), original);
        ChangeSymbolsBy(row.change);
        EXPECT_EQ(Kinds(), row.kinds);
        CloseMap();
    }
}

TEST_F(ChangeSymTest, AnAreaThatBecomesALineLosesItsHoles)
{
    OpenKinds(SymbolMap());
    ChangeSymbolsBy({false, Marsh, {}, Path});
    const FileObject line = *FileObjects()[MarshArea - 1];
    EXPECT_EQ(line.nItem, 4);
    EXPECT_EQ(line.cords, (std::vector<Cord>{{0, 0}, {9 * Mm, 0}, {9 * Mm, 9 * Mm}, {0, 9 * Mm}}));
}

TEST_F(ChangeSymTest, EscStopsAfterTheObjectInHandAndKeepsWhatChanged)
{
    OpenKinds(SymbolMap());
    EditSomething(MarshArea);
    SelectOnly(ContourLine);
    // Esc is down by the time the first object is done.
    int pumps = 0;
    CorePorts().PumpKeyMessages.Bind([&] {
        ++pumps;
        AbortRequested = true;
    });
    ChangeSymbolsBy({false, Contour, {}, Marsh});
    EXPECT_EQ(pumps, 1);
    const auto kinds = Kinds();
    EXPECT_EQ(kinds[ContourLine - 1], (std::pair<int16_t, uint8_t>{Marsh, AreaObject}));
    EXPECT_EQ(kinds[ClosedContour - 1], (std::pair<int16_t, uint8_t>{Contour, LineObject}));
    EXPECT_FALSE(CanUndo());
    EXPECT_EQ(Index.SelectedIndex, 0);
}

TEST_F(ChangeSymTest, DefaultsComeFromTheSelectedObjectAndTheCurrentSymbol)
{
    OpenKinds(SymbolMap());
    struct Row {
        int selected;
        int current;  // list position
        bool byLayer;
        int from;
        QString layer;
        int to;
    };
    const Row rows[] = {
        {0, -1, false, 0, {}, 0},
        {ContourPoint, 2, false, Contour, {}, Path},
        {RoadsImported, 0, true, 0, QStringLiteral("Roads"), Contour},
        // An object with a symbol offers its symbol, whatever its layer.
        {RoadsWithSymbol, 1, false, Contour, {}, Marsh},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.selected);
        if (r.selected)
            SelectOnly(r.selected);
        else
            ClearSelection();
        S().CurrentSymbolIndex = int16_t(r.current);
        const ChangeSymValues v = ChangeSymDefaults();
        EXPECT_EQ(v.ByLayer, r.byLayer);
        EXPECT_EQ(v.From, r.from);
        EXPECT_EQ(v.Layer, r.layer);
        EXPECT_EQ(v.To, r.to);
    }
}

// ---- Change scale ----

class ChangeScaleTest : public WholeMapTest {
protected:
    std::vector<uint8_t> SymbolRecords(const std::vector<uint8_t>& b) const
    {
        std::vector<uint8_t> out;
        for (const SymbolBytes& s : zmd->Symbols) {
            const size_t pos = size_t(SymI32(s, SymFilePos));
            out.insert(out.end(), b.begin() + long(pos), b.begin() + long(pos + s.size()));
        }
        return out;
    }
    const uint8_t* LineSymbolInFile(const std::vector<uint8_t>& b) const
    {
        const SymbolBytes& s = zmd->Symbols[2];
        EXPECT_EQ(SymI16(s, SymNumber), LineSym);
        return b.data() + SymI32(s, SymFilePos);
    }
};

TEST_F(ChangeScaleTest, From15000To10000EveryPointGrowsByHalfAndTheSetupFollows)
{
    OpenKinds();
    S().MapScale = 15000;
    S().PaperGridDistance = 10;
    const auto before = FileObjects();
    const std::vector<uint8_t> old = FlushedBytes();
    ChangeScaleTo({10000, false});
    const std::vector<uint8_t> b = FlushedBytes();
    EXPECT_EQ(SetupF64(b, setup::MapScale), 10000);
    EXPECT_EQ(SetupF64(b, setup::PaperGridDistance), 15);
    EXPECT_EQ(SymbolRecords(b), SymbolRecords(old));
    for (int n = 1; n <= KindCount; ++n) {
        SCOPED_TRACE(n);
        const FileObject a = *ObjectInFile(b, n);
        const FileObject& o = *before[size_t(n - 1)];
        EXPECT_EQ(a.angle, o.angle);
        for (size_t i = 0; i < o.cords.size(); ++i) {
            const Cord c = o.cords[i];
            const Cord want{Masked(int32_t(std::nearbyint(Masked(c.x) * 1.5))) | Flags(c.x),
                            Masked(int32_t(std::nearbyint(Masked(c.y) * 1.5))) | Flags(c.y)};
            EXPECT_EQ(a.cords[i], want) << i;
        }
    }
    // 3.05 mm x 1.5 = 4.575 mm: 457.5 steps of 0.01 mm, masked to 457.
    EXPECT_EQ(ObjectInFile(b, RotPointObj)->cords[0], (Cord{457 * U, 6 * Mm}));
}

TEST_F(ChangeScaleTest, EnlargedSymbolsGrowWithTheMap)
{
    OpenKinds();
    S().MapScale = 15000;
    const std::vector<uint8_t> old = FlushedBytes();
    ChangeScaleTo({10000, true});
    const std::vector<uint8_t> b = FlushedBytes();
    const uint8_t* was = LineSymbolInFile(old);
    const uint8_t* now = LineSymbolInFile(b);
    // The test line symbol is 0.35 mm wide: 0.525 mm is stored as 0.52.
    EXPECT_EQ(GetI16({was, was + 424}, 350), 35);
    EXPECT_EQ(GetI16({now, now + 424}, 350), 52);
    EXPECT_EQ(GetI16({now, now + 424}, 348), GetI16({was, was + 424}, 348));
    EXPECT_NE(SymbolRecords(b), SymbolRecords(old));
}

TEST_F(ChangeScaleTest, TheUndoRingIsEmptyAfterwards)
{
    OpenKinds();
    EditSomething();
    ChangeScaleTo({7500, false});
    EXPECT_FALSE(CanUndo());
    EXPECT_FALSE(CanRedo());
}

TEST_F(ChangeScaleTest, ThePaperGridKeepsAsMuchOfItsSizeAsTheSetupHolds)
{
    OpenKinds();
    S().MapScale = 15000;
    S().PaperGridDistance = 50;
    ChangeScaleTo({1500, false});
    EXPECT_EQ(SetupF64(FlushedBytes(), setup::PaperGridDistance), 100);
}

} // namespace
} // namespace zemo::test
