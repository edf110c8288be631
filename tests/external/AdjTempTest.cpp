// The fit of a template to pairs of template and map points: generated placements come back
// from 1, 2 and 12 pairs (one pair also with pixels higher or lower than wide); points too
// close together, or all on one map point, fit nothing.
#include "external/AdjTemp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace zemo {
namespace {

struct Placement {
    double x, y, u, v, degrees;  // v: the pixel's height where it differs from its width
};

// Pairs of a template placed so: template points spread over the template, consecutive ones
// at least 300 mm apart on the map (the fit works on map points rounded to whole units: the
// farther apart, the closer the pixel size).
AdjTempState PairsOf(const Placement& p, int n, unsigned seed)
{
    AdjTempState s;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(-6000, 6000);
    const double a = p.degrees * std::numbers::pi / 180, c = std::cos(a), sn = std::sin(a);
    for (int k = 0; k < n; ++k) {
        double lx = 0, ly = 0;
        do {
            lx = coord(rng);
            ly = coord(rng);
        } while (k > 0 && std::hypot(lx - s.Lx[size_t(k - 1)], ly - s.Ly[size_t(k - 1)]) * p.u < 30000);
        s.Lx[size_t(k)] = lx;
        s.Ly[size_t(k)] = ly;
        s.MapX[size_t(k)] = p.x + 256 * (lx * p.u * c - ly * p.v * sn);
        s.MapY[size_t(k)] = p.y + 256 * (lx * p.u * sn + ly * p.v * c);
    }
    s.Pairs = n;
    return s;
}

double AngleApart(double a, double b)
{
    const double d = std::remainder(a - b, 2 * std::numbers::pi);
    return std::abs(d);
}

TEST(FitTemplate, RecoversGeneratedPlacementsFromOneTwoAndTwelvePairs)
{
    const Placement placements[] = {
        {0, 0, 10, 10, 0},
        {3141592, -2718281, 2540.0 / 300, 2540.0 / 200, 30},
        {-51200000, 40000000, 5.08, 4, -135.5},
        {1234567, 7654321, 4, 6, 90},
        {-9999999, -8888888, 10, 7.5, 179.9},
    };
    unsigned seed = 1;
    for (const Placement& pl : placements)
        for (int n : {1, 2, 12}) {
            // One pair keeps pixels whose height is not their width; more are fitted square.
            Placement p = pl;
            if (n > 1)
                p.v = p.u;
            SCOPED_TRACE(testing::Message() << p.degrees << " degrees, " << n << " pairs");
            AdjTempState s = PairsOf(p, n, seed++);
            // Where the template was before: off by some millimetres, and for a single pair
            // (a shift only) already at its angle and size.
            s.X = p.x + 123456;
            s.Y = p.y - 654321;
            s.U = n == 1 ? p.u : 10;
            s.V = n == 1 ? p.v : 10;
            s.Angle = n == 1 ? p.degrees * std::numbers::pi / 180 : 0.3;
            TemplateFit fit;
            ASSERT_TRUE(ComputeTemplateFit(s, fit));
            EXPECT_LE(std::abs(fit.X - p.x), 256);
            EXPECT_LE(std::abs(fit.Y - p.y), 256);
            EXPECT_LT(AngleApart(fit.Angle, p.degrees * std::numbers::pi / 180), 1e-6);
            EXPECT_NEAR(fit.U, p.u, 1e-6);
            EXPECT_NEAR(fit.V, p.v, 1e-6);
        }
}

TEST(FitTemplate, PointsTooCloseOrOnOneMapPointFitNothing)
{
    AdjTempState s;
    s.U = s.V = 10;
    // Two template points 40 pixels apart on one map point: the spread is there, the size is 0.
    s.Pairs = 2;
    s.Lx = {-20, 20};
    s.MapX = {76800, 76800};
    s.MapY = {76800, 76800};
    TemplateFit fit;
    EXPECT_FALSE(ComputeTemplateFit(s, fit));
    // Three of them.
    s.Pairs = 3;
    s.Lx = {-20, 20, 0};
    s.Ly = {0, 0, 30};
    s.MapX = {76800, 76800, 76800};
    s.MapY = {0, 0, 0};
    EXPECT_FALSE(ComputeTemplateFit(s, fit));
    // Template points closer than the least spread (Spq u v below 20000).
    s.Pairs = 2;
    s.Lx = {0, 19};
    s.Ly = {0, 0};
    s.MapX = {0, 25600};
    s.MapY = {0, 0};
    EXPECT_FALSE(ComputeTemplateFit(s, fit));
    s.Lx = {0, 20};
    EXPECT_TRUE(ComputeTemplateFit(s, fit));
    // Without pairs nothing changes.
    s.Pairs = 0;
    s.X = 5;
    s.Angle = 1;
    ASSERT_TRUE(ComputeTemplateFit(s, fit));
    EXPECT_EQ(fit.X, 5);
    EXPECT_EQ(fit.Angle, 1);
}

} // namespace
} // namespace zemo
