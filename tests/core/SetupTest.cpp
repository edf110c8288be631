#include "core/Setup.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace zemo {
namespace {

// The test's own writer of a setup block at literal offsets, independent of the codec.
struct Block {
    std::vector<uint8_t> b = std::vector<uint8_t>(1348, 0);

    template <typename T>
    void Put(size_t offset, T v)
    {
        ASSERT_LE(offset + sizeof v, b.size());
        std::memcpy(b.data() + offset, &v, sizeof v);
    }
    void I16(size_t o, int16_t v) { Put(o, v); }
    void U16(size_t o, uint16_t v) { Put(o, v); }
    void I32(size_t o, int32_t v) { Put(o, v); }
    void F64(size_t o, double v) { Put(o, v); }
    void Str(size_t o, const std::string& s)
    {
        b[o] = uint8_t(s.size());
        std::memcpy(b.data() + o + 1, s.data(), s.size());
    }
    void Fill(size_t o, size_t n, uint8_t first)
    {
        for (size_t i = 0; i < n; ++i)
            b[o + i] = uint8_t(first + i);
    }
    std::array<uint8_t, 1348> Array() const
    {
        std::array<uint8_t, 1348> a{};
        std::memcpy(a.data(), b.data(), a.size());
        return a;
    }
};

std::string PointName(int i)
{
    // Point 0 fills its 15 characters exactly.
    return i == 0 ? std::string("Fifteen chars!!") : "P" + std::to_string(i);
}

// Distinct, in-range values at every field; Booleans 0xFFFF; reserved bytes non-zero.
Block GoldenBlock()
{
    Block k;
    k.I32(0, 1000001);
    k.I32(4, -2000002);
    k.F64(8, 12.5);
    k.U16(16, 0xFFFF);
    k.Fill(18, 2, 0xA1);
    k.U16(20, 0x1234);
    k.I16(22, 321);
    k.F64(24, 25000.0);
    k.F64(32, 512345.5);
    k.F64(40, 6543210.25);
    k.F64(48, 12.75);
    k.F64(56, 750.0);
    k.F64(64, -3.5);
    for (int i = 0; i < 12; ++i) {
        const size_t o = 72 + size_t(i) * 40;
        k.I32(o, 100000 * (i + 1) + 1);
        k.I32(o + 4, -(200000 * (i + 1) + 2));
        k.F64(o + 8, 40.125 + i * 0.5);
        k.F64(o + 16, -120.25 + i);
        k.Str(o + 24, PointName(i));
    }
    k.I32(552, 7);
    k.F64(556, 20000.0);
    k.F64(564, 30000.0);
    k.I32(572, 123456);
    k.I32(576, -654321);
    k.Str(580, "/maps/base.tif");
    k.I16(836, 1);
    k.I16(838, 600);
    k.F64(840, 0.5);
    k.Fill(848, 8, 0xB0);
    k.F64(856, -0.25);
    k.I32(864, -500000);
    k.I32(868, -400000);
    k.I32(872, 600000);
    k.I32(876, 700000);
    k.U16(880, 0xFFFF);
    k.I16(882, 17);
    k.I16(884, 750);
    k.I16(886, 1250);
    k.F64(888, 10000.0);
    k.I16(896, 80);
    k.I16(898, 120);
    k.Fill(900, 8, 0xC0);
    k.I32(908, 11);
    k.I32(912, 22);
    k.I32(916, 33);
    k.I32(920, 44);
    k.F64(924, 2.0);
    for (int i = 0; i < 8; ++i) {
        const size_t o = 932 + size_t(i) * 16;
        k.F64(o, 0.5 * (i + 1));
        k.I32(o + 8, 1000 * i + 7);
        k.I32(o + 12, -1000 * i - 9);
    }
    k.Fill(1060, 16, 0xD0);
    k.I32(1076, 5);
    k.U16(1080, 1);
    k.Str(1082, "/home/user/maps/forest.zmd");
    k.U16(1338, 0xFFFF);
    k.U16(1340, 0xFFFF);
    k.U16(1342, 0xFFFF);
    k.I16(1344, 2);
    k.Fill(1346, 2, 0xE1);
    return k;
}

TEST(SetupRecordBytes, GoldenBlockReadsIntoEveryFieldAndWritesBackIdentically)
{
    const Block k = GoldenBlock();
    SetupRecord s = ReadSetupBytes(k.b);

    EXPECT_EQ(s.ViewCenterX, 1000001);
    EXPECT_EQ(s.ViewCenterY, -2000002);
    EXPECT_EQ(s.PaperGridDistance, 12.5);
    EXPECT_TRUE(s.LinksActive);
    EXPECT_EQ(s.Word20, 0x1234);
    EXPECT_EQ(s.CurrentSymbolIndex, 321);
    EXPECT_EQ(s.MapScale, 25000.0);
    EXPECT_EQ(s.RealWorldOffsetX, 512345.5);
    EXPECT_EQ(s.RealWorldOffsetY, 6543210.25);
    EXPECT_EQ(s.RealWorldAngle, 12.75);
    EXPECT_EQ(s.RealWorldGridDistance, 750.0);
    EXPECT_EQ(s.GpsAngle, -3.5);
    for (int i = 0; i < 12; ++i) {
        const GpsAdjustPoint& p = s.GpsAdjustPoints[i];
        EXPECT_EQ(p.X, 100000 * (i + 1) + 1) << i;
        EXPECT_EQ(p.Y, -(200000 * (i + 1) + 2)) << i;
        EXPECT_EQ(p.Latitude, 40.125 + i * 0.5) << i;
        EXPECT_EQ(p.Longitude, -120.25 + i) << i;
        EXPECT_EQ(p.Name, PointName(i)) << i;
    }
    EXPECT_EQ(s.GpsAdjustPointCount, 7);
    EXPECT_EQ(s.TemplateScaleX, 20000.0);
    EXPECT_EQ(s.TemplateScaleY, 30000.0);
    EXPECT_EQ(s.TemplateX, 123456);
    EXPECT_EQ(s.TemplateY, -654321);
    EXPECT_EQ(s.TemplateFile, "/maps/base.tif");
    EXPECT_EQ(s.TemplateMode, 1);
    EXPECT_EQ(s.TemplateResolution, 600);
    EXPECT_EQ(s.TemplateAngle, 0.5);
    EXPECT_EQ(s.TemplateAngle2, -0.25);
    EXPECT_EQ(s.PrintRange, (CordRect{-500000, -400000, 600000, 700000}));
    EXPECT_TRUE(s.PrintGrid);
    EXPECT_EQ(s.PrintGridColor, 17);
    EXPECT_EQ(s.PrintOverlapX, 750);
    EXPECT_EQ(s.PrintOverlapY, 1250);
    EXPECT_EQ(s.PrintScale, 10000.0);
    EXPECT_EQ(s.PrintIntensity, 80);
    EXPECT_EQ(s.PrintLineWidth, 120);
    EXPECT_EQ(s.PartialRange, (CordRect{11, 22, 33, 44}));
    EXPECT_EQ(s.Zoom, 2.0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(s.ViewHistory[i].Zoom, 0.5 * (i + 1)) << i;
        EXPECT_EQ(s.ViewHistory[i].CenterX, 1000 * i + 7) << i;
        EXPECT_EQ(s.ViewHistory[i].CenterY, -1000 * i - 9) << i;
    }
    EXPECT_EQ(s.ViewHistoryCount, 5);
    EXPECT_EQ(s.RealWorldCoords, 1);
    EXPECT_EQ(s.MapPath, "/home/user/maps/forest.zmd");
    EXPECT_TRUE(s.HatchView);
    EXPECT_TRUE(s.TemplatesDimmed);
    EXPECT_TRUE(s.TemplatesHidden);
    EXPECT_EQ(s.Word1344, 2);

    EXPECT_EQ(WriteSetupBytes(s), k.Array());
    CheckSetup(s);
    EXPECT_EQ(WriteSetupBytes(s), k.Array()) << "an in-range record passes the checks unchanged";
}

TEST(SetupRecordBytes, DefaultRecordHasItsValuesAtTheirOffsetsAndZeroElsewhere)
{
    Block k;
    k.F64(8, 10.0);
    k.U16(20, 11);
    k.F64(24, 15000.0);
    k.F64(56, 1000.0);
    k.F64(556, 15000.0);
    k.F64(564, 15000.0);
    k.I16(838, 300);
    k.I32(864, -1280000);
    k.I32(868, -1280000);
    k.I32(872, 1280000);
    k.I32(876, 1280000);
    k.I16(884, 1000);
    k.I16(886, 1000);
    k.F64(888, 15000.0);
    k.F64(924, 4.0);
    EXPECT_EQ(WriteSetupBytes(DefaultSetupRecord()), k.Array());

    SetupRecord s = ReadSetupBytes(GoldenBlock().b);
    DefaultSetup(s);
    EXPECT_EQ(WriteSetupBytes(s), k.Array()) << "DefaultSetup clears every field, strings too";
}

TEST(SetupRecordBytes, ShortLongAndOverlongFieldsReadSafely)
{
    // A short block keeps the defaults of the rest; a longer one is cut.
    Block k;
    k.I32(0, 777);
    const SetupRecord head = ReadSetupBytes(std::vector<uint8_t>(k.b.begin(), k.b.begin() + 32));
    EXPECT_EQ(head.ViewCenterX, 777);
    EXPECT_EQ(head.PrintRange, (CordRect{-1280000, -1280000, 1280000, 1280000}));
    std::vector<uint8_t> longer = GoldenBlock().b;
    longer.resize(2000, 0x5A);
    EXPECT_EQ(WriteSetupBytes(ReadSetupBytes(longer)), GoldenBlock().Array());
    EXPECT_EQ(WriteSetupBytes(ReadSetupBytes({})), WriteSetupBytes(DefaultSetupRecord()));

    // Point 3's name claims 200 bytes in a 15-byte field; the bytes after it are point 4.
    k = GoldenBlock();
    k.b[72 + 3 * 40 + 24] = 200;
    k.Fill(72 + 3 * 40 + 25, 15, 'a');
    // Any non-zero Boolean word reads true and is written as FFFF.
    k.U16(16, 1);
    k.U16(880, 0x8000);
    const SetupRecord s = ReadSetupBytes(k.b);
    EXPECT_EQ(s.GpsAdjustPoints[3].Name, "abcdefghijklmno");
    EXPECT_EQ(s.GpsAdjustPoints[4].X, 500001);
    auto out = WriteSetupBytes(s);
    EXPECT_EQ(out[72 + 3 * 40 + 24], 15);
    EXPECT_EQ(out[17], 0xFF);
    EXPECT_EQ(out[880], 0xFF);

    // An in-memory string longer than its field is cut on writing, never spilling over.
    SetupRecord t = DefaultSetupRecord();
    t.GpsAdjustPoints[0].Name = std::string(40, 'n');
    t.MapPath = std::string(300, 'p');
    out = WriteSetupBytes(t);
    EXPECT_EQ(out[96], 15);
    EXPECT_EQ(out[112], 0);  // point 1 untouched
    EXPECT_EQ(out[1082], 255);
    EXPECT_EQ(out[1338], 0);  // HatchView untouched
}

// A checked copy of the golden record with one change.
template <typename F>
SetupRecord Checked(F change)
{
    SetupRecord s = ReadSetupBytes(GoldenBlock().b);
    change(s);
    CheckSetup(s);
    return s;
}

struct CheckRow {
    const char* what;
    void (*set)(SetupRecord&);
    double (*get)(const SetupRecord&);
    double out;
};
#define ROW(field, in, expect) \
    CheckRow{#field " = " #in, [](SetupRecord& s) { s.field = in; }, \
             [](const SetupRecord& s) { return double(s.field); }, double(expect)}

TEST(SetupChecks, EveryCheckedFieldKeepsItsBoundsAndGetsItsFallbackBeyond)
{
    const CheckRow rows[] = {
        ROW(Zoom, 0.01, 0.01), ROW(Zoom, 32, 32), ROW(Zoom, 0.009, 4), ROW(Zoom, 33, 4),
        ROW(ViewCenterX, 51200000, 51200000), ROW(ViewCenterX, 51200001, 0),
        ROW(ViewCenterY, -51200000, -51200000), ROW(ViewCenterY, -51200001, 0),
        ROW(PaperGridDistance, 0.05, 0.05), ROW(PaperGridDistance, 100, 100),
        ROW(PaperGridDistance, 0.04, 10), ROW(PaperGridDistance, 100.5, 10),
        ROW(CurrentSymbolIndex, -1, -1), ROW(CurrentSymbolIndex, 999, 999),
        ROW(CurrentSymbolIndex, -2, 0), ROW(CurrentSymbolIndex, 1000, 0),
        ROW(PrintGridColor, 31, 31), ROW(PrintGridColor, 32, 0), ROW(PrintGridColor, -1, 0),
        ROW(PrintOverlapX, 0, 0), ROW(PrintOverlapX, 10000, 10000), ROW(PrintOverlapX, 10001, 500),
        ROW(PrintOverlapY, -1, 500),
        // Intensity and line width are the print dialog's business.
        ROW(PrintIntensity, 5, 5), ROW(PrintLineWidth, 500, 500),
        ROW(MapScale, 1, 1), ROW(MapScale, 10000000, 10000000), ROW(MapScale, 10000001, 10000),
        ROW(MapScale, -15000, 10000), ROW(PrintScale, 2500, 2500), ROW(PrintScale, 2499, 25000),
        ROW(RealWorldOffsetX, 10000000, 10000000), ROW(RealWorldOffsetX, 10000000.5, 0),
        ROW(RealWorldOffsetY, -10000000, -10000000), ROW(RealWorldOffsetY, -10000001, 0),
        ROW(RealWorldAngle, -360, -360), ROW(RealWorldAngle, 360.5, 0),
        // The grid distance falls back to 250 m, not to its default of 1000 m.
        ROW(RealWorldGridDistance, 5, 250), ROW(RealWorldGridDistance, 10, 10),
        ROW(RealWorldGridDistance, 100000, 100000), ROW(RealWorldGridDistance, 100001, 250),
        ROW(GpsAngle, 360, 360), ROW(GpsAngle, -361, 0),
        ROW(GpsAdjustPointCount, 12, 12), ROW(GpsAdjustPointCount, 13, 0), ROW(GpsAdjustPointCount, -1, 0),
        // Every one of the twelve points is checked, also beyond the count (7 in the golden block).
        ROW(GpsAdjustPoints[11].X, 51200001, 0), ROW(GpsAdjustPoints[11].Y, -51200000, -51200000),
        ROW(GpsAdjustPoints[10].Latitude, 90, 90), ROW(GpsAdjustPoints[9].Latitude, -90.5, 0),
        ROW(GpsAdjustPoints[8].Longitude, -180, -180), ROW(GpsAdjustPoints[7].Longitude, 181, 0),
        ROW(TemplateMode, 5, 5),
        ROW(TemplateResolution, 1, 1), ROW(TemplateResolution, 10000, 10000),
        ROW(TemplateResolution, 0, 150), ROW(TemplateResolution, 10001, 150),
        ROW(TemplateAngle, -10, -10), ROW(TemplateAngle, 10.1, 0),
        ROW(TemplateAngle2, 10, 10), ROW(TemplateAngle2, -10.5, 0),
        ROW(ViewHistoryCount, 8, 8), ROW(ViewHistoryCount, 9, 0), ROW(ViewHistoryCount, -1, 0),
        ROW(Word1344, 0, 0), ROW(Word1344, 3, 0), ROW(Word1344, -1, 0),
    };
    for (const CheckRow& r : rows)
        EXPECT_EQ(r.get(Checked(r.set)), r.out) << r.what;

    // A count of 9 empties the history; the entries themselves stay.
    EXPECT_EQ(Checked([](SetupRecord& r) { r.ViewHistoryCount = 9; }).ViewHistory[7].Zoom, 4.0);
    // A template mode needs a template file.
    EXPECT_EQ(Checked([](SetupRecord& r) { r.TemplateFile.clear(); r.TemplateMode = 5; }).TemplateMode, 0);
}

TEST(SetupChecks, PrintRangeIsBoundedOrderedAndAtLeastOneMillimetre)
{
    struct Row { CordRect in, out; };
    const Row rows[] = {
        {{100, 100, 50, 50}, {50, 50, 25650, 25650}},
        // An outside coordinate becomes 0 before ordering.
        {{60000000, 100000, -200000, -51200001}, {-200000, 0, 0, 100000}},
        {{-51200000, -51200000, 51200000, 51200000}, {-51200000, -51200000, 51200000, 51200000}},
        // Exactly 1 mm stays; one unit less is widened, even past the map area at its edge.
        {{0, 0, 25600, 25599}, {0, 0, 25600, 25600}},
        {{51200000, 0, 51200000, 100000}, {51200000, 0, 51225600, 100000}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Checked([&](SetupRecord& s) { s.PrintRange = r.in; }).PrintRange, r.out) << r.in.x1;
}

TEST(SetupChecks, ScalesAreJudgedAgainstTheCheckedMapScale)
{
    // A zero map scale gets 10000, and a print scale of 15000 then stays.
    SetupRecord s = Checked([](SetupRecord& r) {
        r.MapScale = 0;
        r.PrintScale = 15000;
        r.TemplateScaleX = 1000;
        r.TemplateScaleY = 999;
    });
    EXPECT_EQ(s.MapScale, 10000);
    EXPECT_EQ(s.PrintScale, 15000);
    EXPECT_EQ(s.TemplateScaleX, 1000);
    EXPECT_EQ(s.TemplateScaleY, 10000);
    s = Checked([](SetupRecord& r) {
        r.MapScale = 4000;
        r.PrintScale = 50000;
        r.TemplateScaleX = 40000;
        r.TemplateScaleY = 40001;
    });
    EXPECT_EQ(s.PrintScale, 4000);
    EXPECT_EQ(s.TemplateScaleX, 40000);
    EXPECT_EQ(s.TemplateScaleY, 4000);
}

TEST(SetupChecks, NonFiniteCheckedNumberResetsTheWholeRecord)
{
    const auto defaults = WriteSetupBytes(DefaultSetupRecord());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // Through the file: a NaN bit pattern in the map scale.
    Block k = GoldenBlock();
    k.U16(24 + 6, 0x7FF8);
    SetupRecord s = ReadSetupBytes(k.b);
    CheckSetup(s);
    EXPECT_EQ(WriteSetupBytes(s), defaults);

    const std::function<void(SetupRecord&)> poison[] = {
        [&](SetupRecord& r) { r.Zoom = inf; },
        [&](SetupRecord& r) { r.PaperGridDistance = -inf; },
        [&](SetupRecord& r) { r.TemplateScaleY = nan; },
        [&](SetupRecord& r) { r.RealWorldOffsetY = nan; },
        [&](SetupRecord& r) { r.RealWorldGridDistance = inf; },
        [&](SetupRecord& r) { r.GpsAngle = nan; },
        [&](SetupRecord& r) { r.GpsAdjustPoints[11].Longitude = nan; },  // beyond the count
        [&](SetupRecord& r) { r.PrintScale = inf; },
        [&](SetupRecord& r) { r.TemplateAngle2 = nan; },
    };
    for (size_t i = 0; i < std::size(poison); ++i)
        EXPECT_EQ(WriteSetupBytes(Checked(poison[i])), defaults) << "case " << i;
    // Unchecked numbers are left alone.
    s = Checked([&](SetupRecord& r) { r.ViewHistory[2].Zoom = nan; });
    EXPECT_TRUE(std::isnan(s.ViewHistory[2].Zoom));
    EXPECT_EQ(s.MapPath, "/home/user/maps/forest.zmd");
}

} // namespace
} // namespace zemo
