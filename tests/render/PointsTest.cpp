// The point painter in output mode 7: elements turned and placed, circle gaps, damaged
// records and lists, element lists for the line painter and edited symbol graphics.
#include "Fixture.h"

#include "render/Points.h"

#include <numbers>

using namespace zemo;
using namespace zemo::rtest;

namespace {

class PointPainter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        MapUnitTransform();
        StartCollecting();
        Graph.CurrentColor = 2;
    }
    void TearDown() override
    {
        DrawSymbol = DefaultSymbol.data();
        Index.SymbolGraphics = nullptr;
    }
    void Draw(const std::vector<uint8_t>& rec, std::initializer_list<Cord> cords, int angle = 0)
    {
        symbol = rec;
        DrawSymbol = symbol.data();
        SetObject(DrawElement, 10, 1, cords, angle);
        DrawPointObject();
    }
    std::vector<uint8_t> symbol;
};

const Cord P{10 * Mm, 5 * Mm};

void ExpectNear(Cord c, double x, double y, const char* what)
{
    EXPECT_NEAR(Masked(c.x), x, 256) << what;
    EXPECT_NEAR(Masked(c.y), y, 256) << what;
}

} // namespace

TEST_F(PointPainter, QuarterTurnTurnsEveryElementAboutThePosition)
{
    ElementList list;
    list.Add(1, 4, 2, 20, 0, {{0, 0}, {Mm, 0}, {Mm | FirstBezierFlag, Mm / 2}});
    list.Add(4, 0, 2, 0, 60, {{2 * Mm, 0}});
    list.Add(4, 0, 3, 0, 60, {{3 * Mm, 0}});   // another colour: not in this pass
    Draw(PointSymbol(10, list, {2, 3}), {P}, 900);
    const auto got = CollectedElements();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, 1);
    EXPECT_EQ(got[0].style, 4);
    EXPECT_EQ(got[0].width, 20);
    ASSERT_EQ(got[0].cords.size(), 3u);
    EXPECT_EQ(got[0].cords[0], P);
    EXPECT_EQ(got[0].cords[1], (Cord{P.x, P.y + Mm}));
    // Curve flags stay with their points.
    EXPECT_EQ(got[0].cords[2], (Cord{(P.x - Mm / 2) | FirstBezierFlag, P.y + Mm}));
    EXPECT_EQ(got[1].kind, 4);
    EXPECT_EQ(got[1].cords[0], (Cord{P.x, P.y + 2 * Mm}));
}

TEST_F(PointPainter, CircleGapsLeaveArcsBetweenThem)
{
    ElementList list;
    list.Add(3, 0, 2, 20, 220, {{0, 0}});
    // Gaps 10..20 and 190..200 degrees; radius of the centre line (220 - 20) x 128 = 1 mm.
    for (int angle : {0, 900}) {
        Graph.SymbolElementSlots = 0;
        Draw(PointSymbol(10, list, {2}), {P, {100, 200}, {1900, 2000}}, angle);
        const auto got = CollectedElements();
        ASSERT_EQ(got.size(), 2u) << angle;
        const double base = angle / 10.0;
        const double arcs[2][2] = {{20, 190}, {200, 370}};
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(got[size_t(k)].kind, 1);
            EXPECT_EQ(got[size_t(k)].width, 20);
            EXPECT_EQ(got[size_t(k)].style, 0);
            const double a = (arcs[k][0] + base) * std::numbers::pi / 180;
            const double b = (arcs[k][1] + base) * std::numbers::pi / 180;
            ExpectNear(got[size_t(k)].cords.front(), P.x + Mm * std::cos(a), P.y + Mm * std::sin(a), "start");
            ExpectNear(got[size_t(k)].cords.back(), P.x + Mm * std::cos(b), P.y + Mm * std::sin(b), "end");
            // A 170 degree arc: every curve point of its middle lies near the circle.
            const Cord mid = got[size_t(k)].cords[got[size_t(k)].cords.size() / 2];
            const double r = std::hypot(double(Masked(mid.x) - P.x), double(Masked(mid.y) - P.y));
            EXPECT_NEAR(r, Mm, 0.2 * Mm);
        }
    }
}

TEST_F(PointPainter, WholeCircleWithoutGaps)
{
    ElementList list;
    list.Add(3, 0, 2, 20, 220, {{Mm, 0}});
    Draw(PointSymbol(10, list, {2}), {P});
    const auto got = CollectedElements();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, 3);
    EXPECT_EQ(got[0].width, 20);
    EXPECT_EQ(got[0].diameter, 220);
    EXPECT_EQ(got[0].cords[0], (Cord{P.x + Mm, P.y}));
}

TEST_F(PointPainter, DamagedRecordsAndListsAreNotInterpreted)
{
    ElementList list;
    list.Add(4, 0, 2, 0, 60, {{0, 0}});
    // Size not matching the slot count: the grey cross, 0.3 mm each way, 0.15 mm wide.
    std::vector<uint8_t> wrong = PointSymbol(10, list, {2});
    wrong.resize(wrong.size() + 8);
    Put16(wrong, 0, int(wrong.size()));
    Draw(wrong, {P});
    auto got = CollectedElements();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].width, 15);
    EXPECT_EQ(got[0].cords, (std::vector<Cord>{{P.x + 7680, P.y}, {P.x - 7680, P.y}}));
    EXPECT_EQ(got[1].cords, (std::vector<Cord>{{P.x, P.y - 7680}, {P.x, P.y + 7680}}));

    // More than 512 slots, even when the size agrees.
    ElementList big;
    for (int i = 0; i < 200; ++i)
        big.Add(4, 0, 2, 0, 60, {{i * 256, 0}});
    Graph.SymbolElementSlots = 0;
    Draw(PointSymbol(10, big, {2}), {P});
    EXPECT_EQ(CollectedElements().size(), 2u);

    // A list element running past the list ends the walk; so does a negative count.
    for (int count : {40, -1}) {
        ElementList broken;
        broken.Add(4, 0, 2, 0, 60, {{0, 0}});
        broken.Add(4, 0, 2, 0, 60, {{Mm, 0}}, count);
        broken.Add(4, 0, 2, 0, 60, {{2 * Mm, 0}});
        Graph.SymbolElementSlots = 0;
        Draw(PointSymbol(10, broken, {2}), {P});
        got = CollectedElements();
        ASSERT_EQ(got.size(), 1u) << count;
        EXPECT_EQ(got[0].cords[0], P);
    }

    // No position: nothing at all.
    Graph.SymbolElementSlots = 0;
    Draw(PointSymbol(10, list, {2}), {});
    EXPECT_TRUE(CollectedElements().empty());
}

TEST_F(PointPainter, AreaElementsAreFilledAtThePosition)
{
    ElementList list;
    list.Add(2, 0, 2, 0, 0, {{0, 0}, {Mm, 0}, {Mm, Mm}, {0, Mm}});
    Draw(PointSymbol(10, list, {2}), {P}, 1800);
    const auto got = CollectedElements();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, 2);
    ASSERT_GE(got[0].cords.size(), 4u);
    for (const Cord& c : got[0].cords) {
        EXPECT_GE(Masked(c.x), P.x - Mm);
        EXPECT_LE(Masked(c.x), P.x);
        EXPECT_GE(Masked(c.y), P.y - Mm);
        EXPECT_LE(Masked(c.y), P.y);
    }
}

TEST_F(PointPainter, ElementListAcrossScaleForLinePainter)
{
    ElementList list;
    list.Add(1, 0, 2, 10, 0, {{0, 0}, {Mm, 2 * Mm}});
    list.Add(4, 0, 2, 0, 100, {{0, 2 * Mm}});
    for (bool scaleDiameters : {false, true}) {
        Graph.SymbolElementSlots = 0;
        ElementPlacement place;
        place.Origin = Cord{P.x | 3, P.y | HoleFlag};   // origin flags are not carried
        place.AcrossScale = 0.5;
        place.ScaleDiameters = scaleDiameters;
        DrawElementList(list.bytes, list.Slots(), place);
        const auto got = CollectedElements();
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].cords[0], P);
        EXPECT_EQ(got[0].cords[1], (Cord{P.x + Mm, P.y + Mm}));
        EXPECT_EQ(got[1].cords[0], (Cord{P.x, P.y + Mm}));
        EXPECT_EQ(got[1].diameter, scaleDiameters ? 50 : 100);
    }
    // Turned by a direction: along-the-line x points north at 90 degrees.
    Graph.SymbolElementSlots = 0;
    DrawElementListAtAngle(list.bytes, list.Slots(), P, 900);
    const auto got = CollectedElements();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].cords[1], (Cord{P.x - 2 * Mm, P.y + Mm}));
}

TEST_F(PointPainter, EditedSymbolGraphicsElements)
{
    SymbolGraphicsBuffer graphics;
    graphics.Active = true;
    Index.SymbolGraphics = &graphics;
    SetObject(DrawElement, 32755, 1, {P});
    DrawElement.Word10 = 20;
    DrawElement.Word14 = 300;
    DrawPointObject();
    SetObject(DrawElement, 32756, 1, {P});
    DrawElement.Word14 = 150;
    DrawPointObject();
    SetObject(DrawElement, 32757, 1, {P});
    DrawPointObject();
    const auto got = CollectedElements();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, 3);
    EXPECT_EQ(got[0].width, 20);
    EXPECT_EQ(got[0].diameter, 300);
    EXPECT_EQ(got[1].kind, 4);
    EXPECT_EQ(got[1].diameter, 150 + Graph.LineWidthCorrection - 100);
}
