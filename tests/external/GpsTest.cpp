// The GPS receiver's sentences, its filter, and the adjustment's fit: NMEA GGA and RMC from
// either talker with their quality rules, checksums and truncation; the mean of the last ten
// positions; placements recovered from adjustment points.
#include "TemplateFixture.h"
#include "external/AdjGps.h"
#include "external/Gps.h"

#include <cmath>
#include <numbers>
#include <random>
#include <utility>

namespace zemo::test {
namespace {

// The sentence with "$" and its checksum.
QByteArray Nmea(const std::string& body)
{
    uint8_t sum = 0;
    for (char c : body)
        sum ^= uint8_t(c);
    char hh[3];
    std::snprintf(hh, sizeof hh, "%02X", sum);
    return QByteArray(("$" + body + "*" + hh).c_str());
}

class GpsUnitTest : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        ResetGpsUnit();
        ResetAdjGpsUnit();
    }
    void TearDown() override
    {
        ResetGpsUnit();
        TemplateTest::TearDown();
    }
};

TEST_F(GpsUnitTest, SentencesGivePositionAndStatus)
{
    struct Case {
        const char* name;
        std::vector<QByteArray> lines;
        bool dgpsRequired, min4Sat;
        double lat, lon;
        int status, satellites;
        bool dgps;
    };
    const double lat = 48 + 7.038 / 60, lon = 11 + 31.0 / 60;
    const Case cases[] = {
        {"GGA from GP", {Nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")}, false, false, lat, lon, 0, 8, false},
        {"GGA from GN, south and west", {Nmea("GNGGA,123519,4807.038,S,01131.000,W,1,08,0.9,545.4,M,46.9,M,,")}, false, false, -lat, -lon, 0, 8, false},
        {"RMC from GP", {Nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")}, false, false, lat, lon, 0, 0, false},
        {"RMC from GN, south", {Nmea("GNRMC,123519,A,4807.038,S,01131.000,E,022.4,084.4,230394,003.1,W")}, false, false, -lat, lon, 0, 0, false},
        {"RMC void", {Nmea("GPRMC,123519,V,4807.038,N,01131.000,E,,,230394,,")}, false, false, 0, 0, 1, 0, false},
        {"DGPS 7 satellites age 5, required", {Nmea("GPGGA,1,4807.038,N,01131.000,E,2,07,0.9,5,M,4,M,5,0001")}, true, false, lat, lon, 3, 7, true},
        {"DGPS 7 satellites age 5, not required", {Nmea("GPGGA,1,4807.038,N,01131.000,E,2,07,0.9,5,M,4,M,5,0001")}, false, false, lat, lon, 0, 7, true},
        {"DGPS age 3 is fresh enough", {Nmea("GPGGA,1,4807.038,N,01131.000,E,2,07,0.9,5,M,4,M,3,0001")}, true, false, lat, lon, 0, 7, true},
        {"no DGPS, required", {Nmea("GPGGA,1,4807.038,N,01131.000,E,1,07,0.9,5,M,4,M,,")}, true, false, lat, lon, 3, 7, false},
        {"3 satellites with Min4Sat", {Nmea("GPGGA,1,4807.038,N,01131.000,E,1,03,0.9,5,M,4,M,,")}, false, true, lat, lon, 2, 3, false},
        {"4 satellites with Min4Sat", {Nmea("GPGGA,1,4807.038,N,01131.000,E,1,04,0.9,5,M,4,M,,")}, false, true, lat, lon, 0, 4, false},
        {"fix 0", {Nmea("GPGGA,1,4807.038,N,01131.000,E,0,00,,,,,,,")}, false, true, lat, lon, 1, 0, false},
        {"latitude without minutes", {Nmea("GPGGA,1,48.07,N,01131.000,E,1,05,,,,,,,")}, false, false, 0, 0, 1, 5, false},
        {"RMC ignored after a GGA",
         {Nmea("GPGGA,1,4807.038,N,01131.000,E,1,05,,,,,,,"), Nmea("GPRMC,2,A,5000.000,N,00100.000,E,,,,,")}, false, false, lat, lon, 0, 5, false},
        {"bad checksum ignored",
         {Nmea("GPGGA,1,4807.038,N,01131.000,E,1,05,,,,,,,"), "$GPGGA,1,5000.000,N,00100.000,E,1,05,,,,,,,*00"}, false, false, lat, lon, 0, 5, false},
        {"without checksum it stands", {"$GPGGA,1,4807.038,N,01131.000,E,1,06,,,,,,,"}, false, false, lat, lon, 0, 6, false},
        {"truncated: fields missing read as empty", {Nmea("GPGGA,1,4807.038,N,01131.000,E,1")}, false, false, lat, lon, 0, 0, false},
        {"truncated before the longitude", {Nmea("GPGGA,1,4807.038,N")}, false, false, 0, 0, 1, 0, false},
        {"other sentences ignored", {Nmea("GPGSV,3,1,11,03,03,111,00")}, false, false, 0, 0, 1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetGpsUnit();
        ProgramConfig.GpsDgpsRequired = c.dgpsRequired;
        ProgramConfig.GpsMin4Sat = c.min4Sat;
        ProgramConfig.GpsEnabled = false;
        for (const QByteArray& l : c.lines)
            CommLine(l);
        EXPECT_TRUE(ProgramConfig.GpsEnabled) << "a line marks the receiver as delivering";
        const GpsPositionRecord& p = Gps.Position;
        EXPECT_NEAR(p.Latitude, c.lat, 1e-12);
        EXPECT_NEAR(p.Longitude, c.lon, 1e-12);
        EXPECT_EQ(p.Status, c.status);
        EXPECT_EQ(p.Satellites, c.satellites);
        EXPECT_EQ(p.Dgps, c.dgps);
    }
}

TEST_F(GpsUnitTest, NmeaAngles)
{
    const std::pair<const char*, double> good[] = {
        {"4807.038", 48 + 7.038 / 60}, {"01131.000", 11 + 31.0 / 60}, {"0000.0", 0}, {"8959.9999", 89 + 59.9999 / 60}};
    for (const auto& [t, v] : good) {
        double d = -1;
        EXPECT_TRUE(ParseNmeaAngle(t, d)) << t;
        EXPECT_DOUBLE_EQ(d, v) << t;
    }
    for (const char* t : {"", "48.07", "807.038", "4807", "48x7.038", "-4807.038", "4807.03e", "nan.0000", "4807.038 "}) {
        double d = 0;
        EXPECT_FALSE(ParseNmeaAngle(t, d)) << t;
    }
}

TEST_F(GpsUnitTest, FilterMeansTheValidOfTheLastTen)
{
    ProgramConfig.GpsEnabled = true;
    ProgramConfig.GpsFilter = true;
    Gps.Position.Status = GpsStatus::Valid;
    UpdateGpsPosition(10, 20);  // the oldest, pushed out later
    for (int i = 0; i < 9; ++i)
        UpdateGpsPosition(1, 2);
    EXPECT_EQ(Gps.MeanCount, 10);
    EXPECT_DOUBLE_EQ(Gps.MeanLatitude, 1.9);
    EXPECT_DOUBLE_EQ(Gps.MeanLongitude, 3.8);
    // No fix: its position does not count, but it pushes the oldest out.
    Gps.Position.Status = GpsStatus::NoFix;
    UpdateGpsPosition(50, 60);
    EXPECT_EQ(Gps.MeanCount, 9);
    EXPECT_DOUBLE_EQ(Gps.MeanLatitude, 1);
    EXPECT_DOUBLE_EQ(Gps.MeanLongitude, 2);
    // Without the filter only the newest counts, and only when valid.
    ProgramConfig.GpsFilter = false;
    UpdateGpsPosition(50, 60);
    EXPECT_EQ(Gps.MeanCount, 0);
    Gps.Position.Status = GpsStatus::Valid;
    UpdateGpsPosition(5, 6);
    EXPECT_EQ(Gps.MeanCount, 1);
    EXPECT_DOUBLE_EQ(Gps.MeanLatitude, 5);
    // Not delivering: nothing moves.
    ProgramConfig.GpsEnabled = false;
    UpdateGpsPosition(7, 8);
    EXPECT_DOUBLE_EQ(Gps.MeanLatitude, 5);
}

TEST_F(GpsUnitTest, StatusTexts)
{
    GpsPositionRecord& p = Gps.Position;
    p = {0, 0, GpsStatus::Valid, true, 7, 0, true};
    EXPECT_EQ(GpsStatusText(), "DGPS 7 " + Text(TextKey::Satellites));
    p.Dgps = false;
    p.Satellites = 0;
    EXPECT_EQ(GpsStatusText(), "GPS ");
    p.Status = GpsStatus::NoFix;
    EXPECT_EQ(GpsStatusText(), Text(TextKey::NoFix));
    p.Status = GpsStatus::NoDgps;
    EXPECT_EQ(GpsStatusText(), Text(TextKey::NoDgps));
    p.Status = GpsStatus::FewSatellites;
    p.Satellites = 3;
    EXPECT_TRUE(GpsStatusText().startsWith(Text(TextKey::OnlySat)));
    EXPECT_TRUE(GpsStatusText().endsWith("3"));
    p.Latitude = -(48 + 7.038 / 60);
    EXPECT_EQ(GpsTestLatitude(), QString::fromUtf8("-48\u00b0 7.0380'"));
}

// ---- Adjustment ----

struct Placement {
    double refLat, refLon;  // the points' mean position
    double refX, refY;      // 0.01 mm, whole
    double fx, fy, degrees;
};

// n points of a known placement: map points on whole 0.01 mm whose offsets add up to zero (so
// that their mean is the reference), positions by the inverse of the placement.
void PointsOf(SetupRecord* st, const Placement& pl, int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> off(-30000, 30000);
    const double a = pl.degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    const double kx = std::cos(pl.refLat * std::numbers::pi / 180);
    std::vector<std::pair<double, double>> d;
    double sx = 0, sy = 0;
    for (int i = 0; i + 1 < n; ++i) {
        d.push_back({double(off(rng)), double(off(rng))});
        sx += d.back().first;
        sy += d.back().second;
    }
    d.push_back({-sx, -sy});
    for (int i = 0; i < n; ++i) {
        const auto [a0, b0] = d[size_t(i)];
        // a = (p c - q s) fx, b = (q c + p s) fy: solve for p, q.
        const double u = a0 / pl.fx, v = b0 / pl.fy;
        const double p = u * c + v * s, q = -u * s + v * c;
        GpsAdjustPoint& pt = st->GpsAdjustPoints[size_t(i)];
        pt.X = int32_t((pl.refX + a0) * 256);
        pt.Y = int32_t((pl.refY + b0) * 256);
        pt.Latitude = pl.refLat + q;
        pt.Longitude = pl.refLon + p / kx;
    }
    st->GpsAdjustPointCount = n;
}

double AngleApart(double a, double b) { return std::abs(std::remainder(a - b, 360.0)); }

TEST_F(GpsUnitTest, FitRecoversPlacementsFromTwoThreeAndTwelvePoints)
{
    Open(WriteMap(MapWith({}), InMaps("gps.zmd")));
    SetupRecord* st = Stp();
    st->MapScale = 15000;
    const Placement placements[] = {
        {60.1, 24.9, 1000, -2000, 740000, 740000, 0},
        {-33.9, 151.2, -51000, 42000, 700000, 1000000, 30},
        {47.5, -122.3, 0, 0, 900000, 600000, -135.5},
        {0.5, 0.5, 123456, -65432, 500000, 700000, 90},
    };
    unsigned seed = 3;
    for (const Placement& pl : placements)
        for (int n : {2, 3, 12}) {
            const bool square = n == 2;
            Placement p = pl;
            if (square)
                p.fy = p.fx;
            SCOPED_TRACE(testing::Message() << p.degrees << " degrees, " << n << " points");
            PointsOf(st, p, n, seed++);
            ASSERT_TRUE(FitGpsTransformation());
            const GpsTransform& t = AdjGps.Fit;
            EXPECT_NEAR(t.Fx, p.fx, 1e-6 * p.fx);
            EXPECT_NEAR(t.Fy, p.fy, 1e-6 * p.fy);
            EXPECT_LT(AngleApart(st->GpsAngle, p.degrees), 1e-6);
            EXPECT_EQ(t.RefX, p.refX);
            EXPECT_EQ(t.RefY, p.refY);
            EXPECT_NEAR(t.Kx, std::cos(t.RefLatitude * std::numbers::pi / 180), 1e-15);
            // Each point's position maps back onto it.
            for (int i = 0; i < n; ++i) {
                const GpsAdjustPoint& pt = st->GpsAdjustPoints[size_t(i)];
                double x = 0, y = 0;
                GpsToMap(pt.Latitude, pt.Longitude, x, y);
                EXPECT_NEAR(x, pt.X / 256, 1e-3);
                EXPECT_NEAR(y, pt.Y / 256, 1e-3);
            }
        }
}

TEST_F(GpsUnitTest, FitHoldsTheScaleRatioForThreePoints)
{
    Open(WriteMap(MapWith({}), InMaps("gps.zmd")));
    SetupRecord* st = Stp();
    st->MapScale = 10000;
    // y stretched five times against x: the ratio stops at its bound.
    PointsOf(st, {50, 10, 0, 0, 200000, 1000000, 10}, 12, 9);
    ASSERT_TRUE(FitGpsTransformation());
    EXPECT_NEAR(AdjGps.Fit.Fx / AdjGps.Fit.Fy, 0.5, 1e-12);
    PointsOf(st, {50, 10, 0, 0, 1000000, 100000, 10}, 3, 9);
    ASSERT_TRUE(FitGpsTransformation());
    EXPECT_NEAR(AdjGps.Fit.Fx / AdjGps.Fit.Fy, 2, 1e-12);
}

TEST_F(GpsUnitTest, OnePointPutsTheMarkOnItAndNorthTurnsByTheAngle)
{
    Open(WriteMap(MapWith({}), InMaps("gps.zmd")));
    SetupRecord* st = Stp();
    st->MapScale = 15000;
    const double fx = std::numbers::pi * 637816000000.0 / 15000 / 180;
    // North and east, and south and west, where a minute east is shorter than one north.
    for (const auto [lat, lon] : {std::pair{61.5, 23.75}, std::pair{-33.5, -70.5}})
        for (double degrees : {0.0, 30.0, -90.0}) {
            SCOPED_TRACE(testing::Message() << lat << " " << lon << " " << degrees);
            st->GpsAngle = degrees;
            st->GpsAdjustPointCount = 1;
            st->GpsAdjustPoints[0] = {5000 * 256, -7000 * 256, lat, lon, "P"};
            ASSERT_TRUE(FitGpsTransformation());
            double x = 0, y = 0;
            GpsToMap(lat, lon, x, y);
            EXPECT_DOUBLE_EQ(x, 5000);
            EXPECT_DOUBLE_EQ(y, -7000);
            const double a = degrees * std::numbers::pi / 180;
            GpsToMap(lat + 1.0 / 60, lon, x, y);
            EXPECT_NEAR(x - 5000, -fx / 60 * std::sin(a), 1e-6);
            EXPECT_NEAR(y + 7000, fx / 60 * std::cos(a), 1e-6);
            const double east = fx / 60 * std::cos(lat * std::numbers::pi / 180);
            GpsToMap(lat, lon - 1.0 / 60, x, y);
            EXPECT_NEAR(x - 5000, -east * std::cos(a), 1e-6);
            EXPECT_NEAR(y + 7000, -east * std::sin(a), 1e-6);
        }
    // Far away: held at the map's bound.
    double x = 0, y = 0;
    GpsToMap(-61.5, 23.75, x, y);
    EXPECT_EQ(std::max(std::abs(x), std::abs(y)), 200000);
}

TEST_F(GpsUnitTest, CoincidentPointsKeepThePreviousFit)
{
    Open(WriteMap(MapWith({}), InMaps("gps.zmd")));
    SetupRecord* st = Stp();
    st->MapScale = 15000;
    PointsOf(st, {60, 25, 100, 200, 740000, 740000, 20}, 3, 1);
    ASSERT_TRUE(FitGpsTransformation());
    const GpsTransform before = AdjGps.Fit;
    const double angle = st->GpsAngle;
    // Same position at different map points, and different positions at one map point.
    const std::vector<std::vector<GpsAdjustPoint>> cases = {
        {{0, 0, 60, 25, "a"}, {100 * 256, 900 * 256, 60, 25, "b"}},
        {{512, 512, 60, 25, "a"}, {512, 512, 60.001, 25.002, "b"}, {512, 512, 60.002, 25, "c"}},
    };
    for (size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(k);
        messages.Clear();
        for (size_t i = 0; i < cases[k].size(); ++i)
            st->GpsAdjustPoints[i] = cases[k][i];
        st->GpsAdjustPointCount = int(cases[k].size());
        EXPECT_FALSE(FitGpsTransformation());
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::AdjTooClose);
        EXPECT_EQ(AdjGps.Fit.Fx, before.Fx);
        EXPECT_EQ(AdjGps.Fit.RefX, before.RefX);
        EXPECT_EQ(AdjGps.Fit.C, before.C);
        EXPECT_EQ(st->GpsAngle, angle);
    }
}

TEST_F(GpsUnitTest, DeletingAPointMovesTheLaterUp)
{
    Open(WriteMap(MapWith({}), InMaps("gps.zmd")));
    SetupRecord* st = Stp();
    st->GpsAdjustPointCount = 3;
    st->GpsAdjustPoints[0].Name = "a";
    st->GpsAdjustPoints[1].Name = "b";
    st->GpsAdjustPoints[2].Name = "c";
    DeleteGpsPoint(0);
    EXPECT_EQ(st->GpsAdjustPointCount, 2);
    EXPECT_EQ(st->GpsAdjustPoints[0].Name, "b");
    EXPECT_EQ(st->GpsAdjustPoints[1].Name, "c");
    EXPECT_EQ(st->GpsAdjustPoints[2].Name, "");
    DeleteGpsPoint(2);
    EXPECT_EQ(st->GpsAdjustPointCount, 2);
}

} // namespace
} // namespace zemo::test
