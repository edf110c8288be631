// Moving, stretching and rotating the whole map: every kind of object read back from the
// working file at literal offsets, the question before objects leave the map area, and the
// undo ring and setup afterwards.
#include "WholeMapFixture.h"

#include "edit/MapTrans.h"

#include <functional>

namespace zemo::test {
namespace {

class MapTransTest : public WholeMapTest {
protected:
    static bool IsRectangle(int n) { return n == TextBoxObj || n == RectObj; }
    // The file with the bounding rectangles of the object entries zeroed.
    std::vector<uint8_t> WithoutEntryRects(std::vector<uint8_t> b) const
    {
        const size_t entries = size_t(GetI32(b, hdr::ObjectIndex)) + 4;
        for (int n = 0; n < zmd->HighestObject; ++n)
            std::fill_n(b.begin() + long(entries + kObjectEntrySize * size_t(n)), 16, 0);
        return b;
    }
    // The four corners of an axis-parallel rectangle in drawing order from its lower left.
    static std::vector<Cord> Corners(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
    {
        return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
    }
};

// (x, y) to (-y, x), each coordinate with its own flags.
Cord QuarterTurn(Cord c)
{
    return {Masked(-Masked(c.y)) | Flags(c.x), Masked(c.x) | Flags(c.y)};
}

TEST_F(MapTransTest, MovingShiftsEveryPointExactlyAndMovingByZeroRewritesTheSameBytes)
{
    OpenKinds();
    const std::vector<uint8_t> bytes = FlushedBytes();
    MoveMapBy({0, 0});
    // The entries' rectangles are measured anew (texts by their fonts); the rest stays.
    EXPECT_EQ(WithoutEntryRects(FlushedBytes()), WithoutEntryRects(bytes));

    const auto before = FileObjects();
    MoveMapBy({12.34, -5});
    const auto after = FileObjects();
    const int32_t dx = 1234 * U, dy = -500 * U;
    ASSERT_EQ(after.size(), size_t(KindCount));
    for (int n = 1; n <= KindCount; ++n) {
        SCOPED_TRACE(n);
        const FileObject& a = *after[size_t(n - 1)];
        const FileObject& b = *before[size_t(n - 1)];
        EXPECT_EQ(a.symbol, b.symbol);
        EXPECT_EQ(a.type, b.type);
        EXPECT_EQ(a.angle, b.angle);
        EXPECT_EQ(a.nText, b.nText);
        ASSERT_EQ(a.cords.size(), b.cords.size());
        for (size_t i = 0; i < a.cords.size(); ++i)
            EXPECT_EQ(a.cords[i], (Cord{b.cords[i].x + dx, b.cords[i].y + dy})) << i;
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(MapTransTest, StretchingRoundsEachProductDownToAWholeStepAndKeepsFlagsAndAngles)
{
    OpenKinds();
    const auto before = FileObjects();
    StretchMapBy({150, 50, false, false});
    const auto after = FileObjects();
    // The points the products give, each masked: 457.5 and -754.5 steps become 457 and -755.
    EXPECT_EQ(after[RotPointObj - 1]->cords[0], (Cord{457 * U, 200 * U}));
    EXPECT_EQ(after[FixedPointObj - 1]->cords[0], (Cord{-755 * U, 103 * U}));
    for (int n = 1; n <= KindCount; ++n) {
        SCOPED_TRACE(n);
        const FileObject& a = *after[size_t(n - 1)];
        const FileObject& b = *before[size_t(n - 1)];
        EXPECT_EQ(a.angle, b.angle);
        ASSERT_EQ(a.cords.size(), b.cords.size());
        for (size_t i = 0; i < a.cords.size(); ++i) {
            const Cord o = b.cords[i];
            const Cord want{Masked(int32_t(std::nearbyint(Masked(o.x) * 1.5))) | Flags(o.x),
                            Masked(int32_t(std::nearbyint(Masked(o.y) * 0.5))) | Flags(o.y)};
            EXPECT_EQ(a.cords[i], want) << i;
        }
    }
}

TEST_F(MapTransTest, MirroringBothWaysIsAHalfTurnWithRectangleCornersInDrawingOrder)
{
    OpenKinds();
    const auto before = FileObjects();
    StretchMapBy({100, 100, true, true});
    const auto mirrored = FileObjects();
    CloseMap();
    OpenKinds();
    RotateMapBy({180, false});
    const auto turned = FileObjects();
    for (int n = 1; n <= KindCount; ++n) {
        SCOPED_TRACE(n);
        const FileObject& b = *before[size_t(n - 1)];
        const FileObject& m = *mirrored[size_t(n - 1)];
        EXPECT_EQ(m.angle, b.angle);
        if (IsRectangle(n)) {
            const Cord lo = b.cords[0], hi = b.cords[2];
            EXPECT_EQ(m.cords, Corners(-hi.x, -hi.y, -lo.x, -lo.y));
            continue;
        }
        for (size_t i = 0; i < b.cords.size(); ++i)
            EXPECT_EQ(m.cords[i], (Cord{Masked(-Masked(b.cords[i].x)) | Flags(b.cords[i].x),
                                        Masked(-Masked(b.cords[i].y)) | Flags(b.cords[i].y)}))
                << i;
        EXPECT_EQ(m.cords, turned[size_t(n - 1)]->cords);
    }
}

TEST_F(MapTransTest, AMirroredRectangleKeepsItsCornersInDrawingOrder)
{
    // From the lower left, counter-clockwise, whichever way it is mirrored.
    const struct {
        double fx, fy;
    } mirrors[] = {{-1, 1}, {1, -1}, {-1, -1}, {2, 0.5}};
    for (const auto& m : mirrors) {
        SCOPED_TRACE(testing::Message() << m.fx << " " << m.fy);
        ElementRecord& e = AuxElement1;
        InitElement(e, RectSym, RectangleObject, 4, 0, 0);
        const std::vector<Cord> corners = Corners(10 * U, 20 * U, 30 * U, 50 * U);
        std::copy(corners.begin(), corners.end(), e.Cords());
        ASSERT_TRUE(StretchObjectPoints(e, m.fx, m.fy));
        const int32_t xa = int32_t(10 * U * m.fx), xb = int32_t(30 * U * m.fx);
        const int32_t ya = int32_t(20 * U * m.fy), yb = int32_t(50 * U * m.fy);
        const std::vector<Cord> got(e.Cords(), e.Cords() + 4);
        EXPECT_EQ(got, Corners(std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb)));
    }
}

TEST_F(MapTransTest, RotatingTurnsPointsAndTheAnglesOfWhatMayTurn)
{
    struct Row {
        const char* name;
        RotateMapValues turn;
        // Angles after the turn, by object number (1-based; index 0 unused).
        std::vector<int16_t> angles;
    };
    const std::vector<Row> rows = {
        // Only rotatable symbols turn; a symbol the map lacks or an imported object's does not.
        // Angles stay within -1800..1800: 900 and 900 make 1800, 1700 and 900 make -1000.
        {"90 degrees", {90, false}, {0, 1800, 450, 0, 0, 0, 300, 900, 0, -1000, 100, 100}},
        {"90 degrees, every symbol", {90, true},
         {0, 1800, 1350, 900, 900, 900, 1200, 900, 900, -1000, 1000, 1000}},
        // 1700 and 300 make 2000, which is -1600.
        {"30 degrees", {30, false}, {0, 1200, 450, 0, 0, 0, 300, 300, 0, -1600, 100, 100}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenKinds();
        S().RealWorldAngle = 10;
        const auto before = FileObjects();
        RotateMapBy(row.turn);
        const std::vector<uint8_t> bytes = FlushedBytes();
        EXPECT_EQ(SetupF64(bytes, setup::RealWorldAngle), 10 + row.turn.Degrees);
        for (int n = 1; n <= KindCount; ++n) {
            SCOPED_TRACE(n);
            const FileObject a = *ObjectInFile(bytes, n);
            const FileObject& b = *before[size_t(n - 1)];
            EXPECT_EQ(a.angle, row.angles[size_t(n)]);
            if (row.turn.Degrees != 90)
                continue;
            std::vector<Cord> want;
            for (const Cord& c : b.cords)
                want.push_back(QuarterTurn(c));
            // A rectangle whose angle stays keeps its orientation: its corners follow the first.
            if (n == RectObj && !row.turn.RotateSymbols) {
                const Cord lo = b.cords[0], hi = b.cords[2], first = want[0];
                want = Corners(first.x, first.y, first.x + hi.x - lo.x, first.y + hi.y - lo.y);
            }
            EXPECT_EQ(a.cords, want);
        }
        CloseMap();
    }
}

TEST_F(MapTransTest, ObjectsLeavingTheMapAreaAreDeletedOnlyWhenTheUserAgrees)
{
    TestMapWriter w = KindsMap();
    w.objects = {TestObject::Point(FixedPoint, 900 * Mm, 0),
                 TestObject::Point(FixedPoint, 1500 * Mm, 0),
                 TestObject::Line(LineSym, {{0, 0}, {1900 * Mm, 10 * Mm}}),
                 TestObject::Point(FixedPoint, -1000 * Mm, 1999 * Mm),
                 TestObject::Point(FixedPoint, 1399 * Mm, -1999 * Mm)};
    OpenKinds(w);
    const std::vector<uint8_t> bytes = FlushedBytes();
    // Which leave is decided here, point by point.
    const auto before = FileObjects();
    const int32_t dx = 600 * Mm, dy = 1 * Mm;
    std::vector<bool> leaves;
    for (const auto& o : before) {
        bool out = false;
        for (const Cord& c : o->cords)
            out = out || std::abs(int64_t(c.x) + dx) > MapAreaLimit || std::abs(int64_t(c.y) + dy) > MapAreaLimit;
        leaves.push_back(out);
    }
    ASSERT_EQ(leaves, (std::vector<bool>{false, true, true, false, false}));

    messages.QueueAnswer(IdCancel);
    MoveMapBy({600, 1});
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::OutOfArea);
    EXPECT_EQ(messages.Last().kind, MsgKind::OkCancel);
    EXPECT_EQ(messages.Last().helpContext, OutOfAreaHelpContext);
    EXPECT_EQ(FlushedBytes(), bytes);

    messages.QueueAnswer(IdOk);
    MoveMapBy({600, 1});
    const auto after = FileObjects();
    for (size_t i = 0; i < leaves.size(); ++i)
        EXPECT_EQ(!after[i].has_value(), leaves[i]) << i;
    EXPECT_EQ(after[0]->cords[0], (Cord{1500 * Mm, 1 * Mm}));
}

TEST_F(MapTransTest, AMapWithoutObjectsIsNeverAskedAbout)
{
    TestMapWriter w = KindsMap();
    w.objects.clear();
    OpenKinds(w);
    MoveMapBy({4000, -4000});
    StretchMapBy({1000, 1000, false, true});
    RotateMapBy({45, false});
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(MapTransTest, AfterEveryTransformTheUndoRingIsEmptyAndNothingIsSelected)
{
    const std::vector<std::pair<const char*, std::function<void()>>> runs = {
        {"move", [] { MoveMapBy({1, 1}); }},
        {"stretch", [] { StretchMapBy({120, 80, true, false}); }},
        {"rotate", [] { RotateMapBy({15, true}); }},
    };
    for (const auto& [name, run] : runs) {
        SCOPED_TRACE(name);
        OpenKinds();
        EditSomething();
        SelectOnly(AreaObj);
        run();
        EXPECT_FALSE(CanUndo());
        EXPECT_FALSE(CanRedo());
        if (std::string(name) != "stretch") {
            EXPECT_EQ(Index.SelectedIndex, 0);
            EXPECT_EQ(Index.SelectionCount, 0);
        }
        CloseMap();
    }
}

TEST_F(MapTransTest, StretchingKeepsTheSelectionWithItsObject)
{
    OpenKinds();
    SelectOnly(AreaObj);
    StretchMapBy({200, 100, false, false});
    EXPECT_EQ(Index.SelectedIndex, AreaObj);
    // The buffer of the selected object holds it as it is now.
    EXPECT_EQ(CurElement.ObjectType, AreaObject);
    EXPECT_EQ(CurElement.Cords()[0], (Cord{40 * Mm, 20 * Mm}));
    EXPECT_EQ(EditSys.StretchBox, zmd->Entry(AreaObj).Rect);
}

TEST_F(MapTransTest, TheSetupAngleStaysInTheRangeTheSetupKeeps)
{
    // Two turns of 300 degrees make 600, kept as 240 rather than lost on the next reading.
    OpenKinds();
    RotateMapBy({300, false});
    RotateMapBy({300, false});
    EXPECT_EQ(S().RealWorldAngle, 240);
    EXPECT_EQ(SetupF64(FlushedBytes(), setup::RealWorldAngle), 240);
    RotateMapBy({-360, false});
    RotateMapBy({-360, false});
    EXPECT_EQ(S().RealWorldAngle, -120);
}

} // namespace
} // namespace zemo::test
