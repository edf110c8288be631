#include "render/RectClip.h"

#include "render/Bezier.h"

#include "Fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace zemo {
namespace {

constexpr int32_t Mm = 25600;

using Pieces = std::vector<std::vector<Cord>>;

Pieces Clip(const std::vector<Cord>& path, const CordRect& r)
{
    Pieces out;
    ClipLineToRect(path.data(), int(path.size()), r, [&](const Cord* p, int n) { out.emplace_back(p, p + n); });
    return out;
}

bool Inside(const CordRect& r, Cord c)
{
    return Masked(c.x) >= r.x1 && Masked(c.x) <= r.x2 && Masked(c.y) >= r.y1 && Masked(c.y) <= r.y2;
}

const CordRect Box{0, 0, 100 * Mm, 50 * Mm};

TEST(RectClip, PathInsideComesBackOnceUnchanged)
{
    const std::vector<Cord> path = {{10 * Mm, 10 * Mm | CornerFlag}, {20 * Mm | FirstBezierFlag | NoLeftLineFlag, 40 * Mm},
                                    {30 * Mm | SecondBezierFlag, 40 * Mm}, {40 * Mm, 10 * Mm | DashFlag},
                                    {90 * Mm, 20 * Mm}};
    const Pieces p = Clip(path, Box);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0], path);
}

TEST(RectClip, PathOutsideGivesNothing)
{
    EXPECT_TRUE(Clip({{-10 * Mm, -10 * Mm}, {-10 * Mm, 80 * Mm}, {200 * Mm, 80 * Mm}}, Box).empty());
    // A curve bulging towards the rectangle without reaching it.
    EXPECT_TRUE(Clip({{-10 * Mm, 0}, {-1 * Mm | FirstBezierFlag, 20 * Mm}, {-1 * Mm | SecondBezierFlag, 30 * Mm},
                      {-10 * Mm, 50 * Mm}}, Box).empty());
}

TEST(RectClip, StraightLineAcrossGivesOnePieceFromEntryToExit)
{
    const Pieces p = Clip({{-50 * Mm, 0}, {150 * Mm, 50 * Mm}}, Box);
    ASSERT_EQ(p.size(), 1u);
    ASSERT_EQ(p[0].size(), 2u);
    EXPECT_EQ(p[0][0], (Cord{0, 25 * Mm / 2}));
    EXPECT_EQ(p[0][1], (Cord{100 * Mm, 75 * Mm / 2}));
    // Through a corner region: x = 0 entry on the bottom edge.
    const Pieces q = Clip({{-10 * Mm, -10 * Mm}, {20 * Mm, 20 * Mm}, {20 * Mm, 80 * Mm}}, Box);
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0], (std::vector<Cord>{{0, 0}, {20 * Mm, 20 * Mm}, {20 * Mm, 50 * Mm}}));
}

TEST(RectClip, ArcLeavingAndReenteringGivesTwoCurvePieces)
{
    // Rises above y = 50 mm between two crossings that no halving meets exactly.
    const std::vector<Cord> arc = {{10 * Mm, 30 * Mm}, {30 * Mm | FirstBezierFlag, 77 * Mm},
                                   {70 * Mm | SecondBezierFlag, 77 * Mm}, {90 * Mm, 30 * Mm}};
    const Pieces p = Clip(arc, Box);
    ASSERT_EQ(p.size(), 2u);
    for (const auto& piece : p) {
        ASSERT_EQ(piece.size(), 4u);
        EXPECT_TRUE(piece[1].x & FirstBezierFlag);
        EXPECT_TRUE(piece[2].x & SecondBezierFlag);
    }
    EXPECT_EQ(p[0][0], arc[0]);
    EXPECT_EQ(Masked(p[0][3].y), 50 * Mm);
    EXPECT_EQ(Masked(p[1][0].y), 50 * Mm);
    EXPECT_EQ(p[1][3], arc[3]);
    // The two crossings lie symmetrically about x = 50 mm.
    EXPECT_NEAR(Masked(p[0][3].x) + Masked(p[1][0].x), 100 * Mm, 512);
    // And on the curve: the cubic's y at the crossing's parameter is 50 mm.
    const testgeo::Pt q[4] = {testgeo::Bare(arc[0]), testgeo::Bare(arc[1]), testgeo::Bare(arc[2]),
                              testgeo::Bare(arc[3])};
    double best = 1e300;
    for (int k = 0; k <= 100000; ++k) {
        const testgeo::Pt c = testgeo::CubicPoint(q, k / 100000.0);
        best = std::min(best, std::hypot(c.x - Masked(p[0][3].x), c.y - 50 * Mm));
    }
    EXPECT_LT(best, 400);
}

// A curve ending exactly on an edge, or touching it, splits nowhere and repeats nothing.
TEST(RectClip, CurveTouchingOrEndingOnAnEdge)
{
    const std::vector<Cord> ending = {{10 * Mm, 10 * Mm}, {40 * Mm | FirstBezierFlag, 10 * Mm},
                                      {70 * Mm | SecondBezierFlag, 30 * Mm}, {100 * Mm, 30 * Mm},
                                      {120 * Mm, 30 * Mm}};
    const Pieces p = Clip(ending, Box);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0], (std::vector<Cord>(ending.begin(), ending.begin() + 4)));
    // Symmetric hump whose top touches y = 50 mm at t = 1/2 exactly.
    const std::vector<Cord> touch = {{10 * Mm, 20 * Mm}, {30 * Mm | FirstBezierFlag, 60 * Mm},
                                     {50 * Mm | SecondBezierFlag, 60 * Mm}, {70 * Mm, 20 * Mm}};
    const Pieces t = Clip(touch, Box);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0], touch);
}

TEST(RectClip, HoleFlagStartsANewSubPath)
{
    const Pieces p = Clip({{10 * Mm, 10 * Mm}, {20 * Mm, 10 * Mm}, {30 * Mm, 10 * Mm | HoleFlag},
                           {40 * Mm, 10 * Mm}}, Box);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1], (std::vector<Cord>{{30 * Mm, 10 * Mm}, {40 * Mm, 10 * Mm}}));
}

TEST(RectClip, RandomPathsStayInsideTheRectangleAndLoseNothingInside)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> u(0, 1);
    auto grid = [](double v) { return testgeo::Grid(v); };
    for (int round = 0; round < 300; ++round) {
        const CordRect r{grid((u(rng) - 0.5) * 40 * Mm) + int32_t(u(rng) * 255),
                         grid((u(rng) - 0.5) * 40 * Mm) + int32_t(u(rng) * 255),
                         grid((0.5 + u(rng)) * 60 * Mm) + int32_t(u(rng) * 255),
                         grid((0.5 + u(rng)) * 60 * Mm) + int32_t(u(rng) * 255)};
        std::vector<Cord> path;
        const int segs = 2 + int(u(rng) * 10);
        path.push_back({grid((u(rng) - 0.3) * 120 * Mm), grid((u(rng) - 0.3) * 120 * Mm)});
        for (int s = 0; s < segs; ++s) {
            if (u(rng) < 0.6) {
                path.push_back({grid((u(rng) - 0.3) * 120 * Mm) | FirstBezierFlag, grid((u(rng) - 0.3) * 120 * Mm)});
                path.push_back({grid((u(rng) - 0.3) * 120 * Mm) | SecondBezierFlag, grid((u(rng) - 0.3) * 120 * Mm)});
            }
            path.push_back({grid((u(rng) - 0.3) * 120 * Mm), grid((u(rng) - 0.3) * 120 * Mm)});
        }
        const Pieces pieces = Clip(path, r);
        std::vector<std::vector<testgeo::Pt>> flat;
        for (const auto& piece : pieces) {
            ASSERT_GE(piece.size(), 2u);
            for (size_t k = 0; k < piece.size(); ++k) {
                const bool control = piece[k].x & (FirstBezierFlag | SecondBezierFlag);
                if (!control) {
                    ASSERT_TRUE(Inside(r, piece[k])) << "round " << round << " point " << k;
                }
                EXPECT_FALSE(piece[k].y & HoleFlag);
            }
            // The flattened piece stays inside within the flattening tolerance.
            for (size_t k = 0; k + 3 < piece.size(); ++k) {
                if (!(piece[k + 1].x & FirstBezierFlag))
                    continue;
                Cord out[64];
                const int n = FlattenBezier(&piece[k], out, 6, 1);
                for (int j = 0; j < n; ++j) {
                    EXPECT_GE(Masked(out[j].x), r.x1 - 768) << round;
                    EXPECT_LE(Masked(out[j].x), r.x2 + 768) << round;
                    EXPECT_GE(Masked(out[j].y), r.y1 - 768) << round;
                    EXPECT_LE(Masked(out[j].y), r.y2 + 768) << round;
                }
            }
            flat.push_back(testgeo::DenseRings(piece.data(), int(piece.size()), false, 256)[0]);
        }
        // Every point of the path well inside the rectangle is covered by some piece.
        const auto dense = testgeo::DenseRings(path.data(), int(path.size()), false, 64)[0];
        for (const testgeo::Pt& q : dense) {
            const double margin = 1024;
            if (q.x < r.x1 + margin || q.x > r.x2 - margin || q.y < r.y1 + margin || q.y > r.y2 - margin)
                continue;
            double best = 1e300;
            for (const auto& f : flat)
                for (size_t k = 0; k + 1 < f.size(); ++k)
                    best = std::min(best, testgeo::SegmentDistance(q, f[k], f[k + 1]));
            ASSERT_LT(best, 1024) << "round " << round;
        }
    }
}

} // namespace
} // namespace zemo
