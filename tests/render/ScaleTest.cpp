#include "render/Scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zemo {
namespace {

class ScaleTest : public ::testing::Test {
protected:
    void SetUp() override { ResetScaleState(); }
};

TEST_F(ScaleTest, StartsAsIdentity)
{
    EXPECT_EQ(Scale.ViewScaleX, 1.0);
    EXPECT_EQ(Scale.ViewScaleY, 1.0);
    EXPECT_EQ(Scale.CachedAngle, 0);
    EXPECT_EQ(Scale.CachedSin, 0);
    EXPECT_EQ(Scale.CachedCos, 1.0);
}

TEST_F(ScaleTest, ZoomOneShows8192UnitsPerPixelWithItsTolerances)
{
    ViewParams p;
    p.Zoom = 1;
    p.Width = 800;
    p.Height = 600;
    p.SelectTolerance = 3;
    ASSERT_TRUE(UpdateViewTransform(p));
    EXPECT_DOUBLE_EQ(Scale.ViewScaleX, 1.0 / 8192);
    EXPECT_DOUBLE_EQ(Scale.ViewScaleY, -1.0 / 8192);
    EXPECT_EQ(Scale.FlattenTolerance, 128);
    EXPECT_EQ(Scale.PickTolerance, 24704);
    EXPECT_EQ(p.Zoom, 1);
    // 800 x 8192 / 2 and 600 x 8192 / 2 round the centre.
    EXPECT_EQ(Scale.DrawRect, (CordRect{-3276800, -2457600, 3276800, 2457600}));
    EXPECT_EQ(Scale.ViewOrigin, (Cord{-3276800, 2457600}));
}

TEST_F(ScaleTest, UnequalResolutionsScaleTheOtherAxisByTheirRatio)
{
    Scale.ScreenPixelsPerInchX = 120;
    Scale.ScreenPixelsPerInchY = 96;
    ViewParams p;
    p.Zoom = 2;
    ASSERT_TRUE(UpdateViewTransform(p));
    EXPECT_DOUBLE_EQ(Scale.ViewScaleX, 2.0 / 8192);
    EXPECT_DOUBLE_EQ(Scale.ViewScaleY, -2.0 * 0.8 / 8192);
    Scale.ScreenPixelsPerInchX = 96;
    Scale.ScreenPixelsPerInchY = 120;
    ASSERT_TRUE(UpdateViewTransform(p));
    EXPECT_DOUBLE_EQ(Scale.ViewScaleX, 2.0 * 0.8 / 8192);
    EXPECT_DOUBLE_EQ(Scale.ViewScaleY, -2.0 / 8192);
}

TEST_F(ScaleTest, SmallZoomIsRaisedSoTheWindowFitsTheMap)
{
    ViewParams p;
    p.Zoom = 0.01;
    p.Width = 1000;
    p.Height = 100;
    ASSERT_TRUE(UpdateViewTransform(p));
    EXPECT_DOUBLE_EQ(p.Zoom, 0.08);
    EXPECT_LE(Scale.DrawRect.x2 - Scale.DrawRect.x1, 2 * MapAreaLimit);
    p.Zoom = 0.01;
    p.Width = 100;
    p.Height = 2000;
    ASSERT_TRUE(UpdateViewTransform(p));
    EXPECT_DOUBLE_EQ(p.Zoom, 0.16);
}

TEST_F(ScaleTest, ViewCentreIsClampedToTheMapArea)
{
    ViewParams p;
    p.Zoom = 1.024;  // 250 pixels then span 2,000,000 units: half width 999,936 after masking
    p.Width = 250;
    p.Height = 250;
    p.CenterX = 51000000;
    p.CenterY = -51000000;
    ASSERT_TRUE(UpdateViewTransform(p));
    const int32_t hw = 999936;
    EXPECT_EQ(p.CenterX, MapAreaLimit - hw);
    EXPECT_EQ(p.CenterY, hw - MapAreaLimit);
    EXPECT_EQ(Scale.DrawRect.x2, MapAreaLimit);
    EXPECT_EQ(Scale.DrawRect.y1, -MapAreaLimit);
    EXPECT_EQ(p.HScrollPos, (MapAreaLimit - hw) / 25600);
    EXPECT_EQ(p.VScrollPos, (MapAreaLimit - hw) / 25600);
    p.CenterX = -51000000;
    p.CenterY = 51000000;
    ASSERT_TRUE(UpdateViewTransform(p));
    EXPECT_EQ(p.CenterX, hw - MapAreaLimit);
    EXPECT_EQ(p.CenterY, MapAreaLimit - hw);
    EXPECT_EQ(p.HScrollPos, -1960);  // truncated toward zero
}

TEST_F(ScaleTest, RefusesZoomThatIsZeroNegativeOrNotFinite)
{
    ViewParams good;
    good.Zoom = 4;
    ASSERT_TRUE(UpdateViewTransform(good));
    const ScaleState before = Scale;
    for (double z : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        ViewParams p;
        p.Zoom = z;
        EXPECT_FALSE(UpdateViewTransform(p)) << z;
        EXPECT_EQ(Scale.ViewScaleX, before.ViewScaleX);
        EXPECT_EQ(Scale.FlattenTolerance, before.FlattenTolerance);
    }
    Scale.ScreenPixelsPerInchX = 0;
    EXPECT_FALSE(UpdateViewTransform(good));
}

TEST_F(ScaleTest, DeviceConversionsSaturateAndPointDown)
{
    ViewParams p;
    p.Zoom = 32;
    ASSERT_TRUE(UpdateViewTransform(p));
    ASSERT_EQ(Scale.ViewOrigin, (Cord{0, 0}));
    // 10 m of paper to the right at zoom 32: a million pixels, held at 32767.
    EXPECT_EQ(CordToDevice({256000000, 0}), QPoint(32767, 0));
    EXPECT_EQ(CordToDevice({-256000000, 0}), QPoint(-32764, 0));
    // 1 mm right is 100 pixels; a point above the origin lies at negative device y.
    EXPECT_EQ(CordToDevice({25600, 25600}), QPoint(100, -100));
    Cord back[2];
    const QPoint dev[2] = {QPoint(100, -100), QPoint(3, 7)};
    DeviceToCord(dev, back, 2);
    EXPECT_EQ(back[0], (Cord{25600, 25600}));
    EXPECT_EQ(back[1], (Cord{768, -1792}));
    // Far beyond the 30-bit range on the way back.
    Scale.ViewScaleX = 1e-6;
    EXPECT_EQ(DeviceToCord(QPoint(30000, 0)).x, 1073741823 & CoordMask);
    Scale.ViewScaleX = 0;
    EXPECT_EQ(DeviceToCord(QPoint(5, 5)), (Cord{0, 0}));
}

TEST_F(ScaleTest, RealWorldRoundTripAtThirtyDegrees)
{
    RealWorldRef ref;
    ref.MapScale = 15000;
    ref.OffsetEast = 600000;
    ref.OffsetNorth = 7000000;
    ref.GridAngle = 30;
    for (double de : {0.0, 123.456, -987.6, 2500.25}) {
        for (double dn : {0.0, 77.7, -1500.5}) {
            Cord c;
            ASSERT_TRUE(RealWorldToCord(ref.OffsetEast + de, ref.OffsetNorth + dn, ref, c));
            EXPECT_EQ(Flags(c.x) | Flags(c.y), 0);
            double e, n;
            ASSERT_TRUE(CordToRealWorld(c, ref, e, n));
            // Back on the map: within one 0.01 mm step (256 units) each way.
            const double unitsPerGroundMetre = UnitsPerMetre / ref.MapScale;
            EXPECT_LE(std::hypot(e - ref.OffsetEast - de, n - ref.OffsetNorth - dn) * unitsPerGroundMetre,
                      256 * std::sqrt(2.0));
            // A masked map point survives the trip exactly.
            Cord again;
            ASSERT_TRUE(RealWorldToCord(e, n, ref, again));
            EXPECT_EQ(again, c);
        }
    }
    EXPECT_EQ(Scale.CachedAngle, 30);
    EXPECT_NEAR(Scale.CachedSin, 0.5, 1e-15);
    // The rotation takes ground east to map north-east.
    Cord c;
    ASSERT_TRUE(RealWorldToCord(ref.OffsetEast + 15, ref.OffsetNorth, ref, c));
    EXPECT_NEAR(c.x, 25600 * std::cos(M_PI / 6), 256);
    EXPECT_NEAR(c.y, 25600 * 0.5, 256);
}

TEST_F(ScaleTest, RealWorldLimitsAndRefusals)
{
    RealWorldRef ref;
    ref.MapScale = 1;
    Cord c{1, 1};
    ASSERT_TRUE(RealWorldToCord(1000, -1000, ref, c));
    EXPECT_EQ(c, (Cord{204800000, -204800000}));
    for (double s : {0.0, -15000.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        ref.MapScale = s;
        c = {1, 1};
        EXPECT_FALSE(RealWorldToCord(10, 10, ref, c)) << s;
        EXPECT_EQ(c, (Cord{1, 1}));
        double e = 5, n = 5;
        EXPECT_FALSE(CordToRealWorld({25600, 0}, ref, e, n));
        EXPECT_EQ(e, 5);
    }
    ref.MapScale = 10000;
    EXPECT_FALSE(RealWorldToCord(std::nan(""), 0, ref, c));
}

TEST_F(ScaleTest, RealWorldExtentCoversAllFourCorners)
{
    RealWorldRef ref;
    ref.MapScale = 10000;
    ref.GridAngle = 90;
    RealWorldBox box;
    ASSERT_TRUE(RealWorldExtent({0, 0, 2560000, 1280000}, ref, box));
    // Turned by -90 degrees: map x becomes ground -north, map y ground east.
    EXPECT_NEAR(box.MinEast, 0, 1e-6);
    EXPECT_NEAR(box.MaxEast, 500, 1e-6);
    EXPECT_NEAR(box.MinNorth, -1000, 1e-6);
    EXPECT_NEAR(box.MaxNorth, 0, 1e-6);
    ASSERT_TRUE(ExtendRealWorldBox(-2560000, 0, ref, box));
    EXPECT_NEAR(box.MaxNorth, 1000, 1e-6);
}

} // namespace
} // namespace zemo
