// The rings an area hands the device: closed ones without their closing point, those far
// beyond the view left out, those across its widened edge cut exactly on it, a clip ring
// without the spike at its start, and the same rings whether the outline lives in the work
// points or apart from them.
#include "Fixture.h"

#include <algorithm>

using namespace zemo;
using namespace zemo::rtest;

namespace {

class DeviceAreaRings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        PixelTransform(100, 100);
        Graph.OutputMode = ScreenOutput;
        Graph.OutputDC = &m_rec;
        BeginDrawing(false);
    }
    void TearDown() override
    {
        EndDrawing();
        Graph.OutputDC = nullptr;
    }
    // The polygons the device was given since the last call.
    std::vector<std::string> Polygons()
    {
        std::vector<std::string> out = LinesStarting(m_rec, "polygon");
        m_rec.clear();
        return out;
    }
    RecordingDevice m_rec;
};

// Cords of an outline: rings after the first start with the hole flag.
std::vector<Cord> Outline(std::initializer_list<std::initializer_list<QPointF>> rings)
{
    std::vector<Cord> out;
    for (const auto& ring : rings)
        for (const QPointF& p : ring) {
            Cord c = At(p.x(), p.y());
            if (&p == ring.begin() && !out.empty())
                c.y |= HoleFlag;
            out.push_back(c);
        }
    return out;
}

} // namespace

TEST_F(DeviceAreaRings, RingsAcrossTheWidenedViewAreCutOnItsEdgeAndFarOnesLeftOut)
{
    // The view is 100 pixels square; rings reaching more than 8 pixels beyond it are cut there.
    const std::vector<Cord> area = Outline({
        {{10, 10}, {30, 10}, {30, 30}, {10, 10}},        // closed by its first point again
        {{44, 20}, {172, 84}, {44, 84}},                  // its slanted edge leaves at (108, 52)
        {{101, 40}, {107, 40}, {107, 45}},                // beyond the view, within the margin
        {{-72, 90}, {56, 90}, {56, 95}, {-72, 95}},       // across the left side
        {{50, -24}, {60, -24}, {60, 8}, {50, 8}},         // across the top
        {{60, 60}, {60, 60}, {70, 60}},                   // two points only
        {{20, 44}, {40, 44}, {40, 172}},                  // only its last point beyond
    });
    GraphFillArea(area.data(), int(area.size()), false);
    const std::vector<std::string> polygons = Polygons();
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0], "polygon 10,10 30,10 30,30 | 44,20 108,52 108,84 44,84 | -8,90 56,90 56,95 -8,95"
                           " | 60,-8 60,8 50,8 50,-8 | 20,44 40,44 40,108 30,108");

    // A ring cut first and one taken as it is after it: both, in their order.
    const std::vector<Cord> mixed = Outline({{{-72, 90}, {56, 90}, {56, 95}, {-72, 95}}, {{10, 10}, {30, 10}, {30, 30}}});
    GraphFillArea(mixed.data(), int(mixed.size()), false);
    EXPECT_EQ(Polygons(), std::vector<std::string>{"polygon -8,90 56,90 56,95 -8,95 | 10,10 30,10 30,30"});

    // Nothing left in view: nothing at all goes out.
    const std::vector<Cord> away = Outline({{{120, 10}, {140, 10}, {130, 30}}});
    GraphFillArea(away.data(), int(away.size()), false);
    EXPECT_TRUE(Polygons().empty());
}

TEST_F(DeviceAreaRings, AClipRingLosesTheSpikeAtItsStart)
{
    // From A out to B, C and round, back by C and B to A: a spike of two steps; the clip runs
    // C D E F.
    const auto spiked = [] {
        Path({At(5, 5), At(10, 10), At(20, 20), At(80, 20), At(80, 80), At(20, 80), At(20, 20), At(10, 10)});
    };
    spiked();
    EXPECT_EQ(GraphClip(), 1);
    const std::vector<std::string> polygons = Polygons();
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0], "polygon 20,20 80,20 80,80 20,80");
    // The same ring filled keeps its spike.
    spiked();
    GraphFill(false);
    EXPECT_EQ(Polygons(), std::vector<std::string>{"polygon 5,5 10,10 20,20 80,20 80,80 20,80 20,20 10,10"});
}

TEST_F(DeviceAreaRings, AnOutlineInTheWorkPointsFillsAsOneApartFromThem)
{
    const std::vector<Cord> area = Outline({{{10, 10}, {90, 10}, {154, 74}, {10, 74}}, {{40, 40}, {60, 40}, {50, 60}}});
    GraphFillArea(area.data(), int(area.size()), false);
    const std::vector<std::string> apart = Polygons();
    EnsureWorkPoints2(int(area.size()));
    std::copy(area.begin(), area.end(), WorkPoints2.begin());
    GraphFillArea(WorkPoints2.data(), int(area.size()), false);
    const std::vector<std::string> inWork = Polygons();
    ASSERT_EQ(apart.size(), 1u);
    EXPECT_EQ(apart[0], "polygon 10,10 90,10 108,28 108,74 10,74 | 40,40 60,40 50,60");
    EXPECT_EQ(inWork, apart);
}
