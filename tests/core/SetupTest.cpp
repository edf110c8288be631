#include "core/Setup.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
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

// One field of the golden block: its literal offset, how it is stored, a distinct in-range
// value (Booleans 0xFFFF), and the record field that must read it.
struct GoldenField {
    size_t at;
    char type;  // s: int16, u: uint16, i: int32, d: double
    double value;
    const char* name;
    std::function<double(const SetupRecord&)> get;
};
#define G(at, type, value, field) GoldenField{at, type, value, #field, [](const SetupRecord& s) { return double(s.field); }}

const std::vector<GoldenField>& GoldenFields()
{
    static const std::vector<GoldenField> fields{
        G(0, 'i', 1000001, ViewCenterX), G(4, 'i', -2000002, ViewCenterY), G(8, 'd', 12.5, PaperGridDistance),
        G(16, 'u', 0xFFFF, LinksActive ? 0xFFFF : 0), G(20, 'u', 0x1234, Word20), G(22, 's', 321, CurrentSymbolIndex),
        G(24, 'd', 25000.0, MapScale), G(32, 'd', 512345.5, RealWorldOffsetX), G(40, 'd', 6543210.25, RealWorldOffsetY),
        G(48, 'd', 12.75, RealWorldAngle), G(56, 'd', 750.0, RealWorldGridDistance), G(64, 'd', -3.5, GpsAngle),
        G(552, 'i', 7, GpsAdjustPointCount), G(556, 'd', 20000.0, TemplateScaleX), G(564, 'd', 30000.0, TemplateScaleY),
        G(572, 'i', 123456, TemplateX), G(576, 'i', -654321, TemplateY), G(836, 's', 1, TemplateMode),
        G(838, 's', 600, TemplateResolution), G(840, 'd', 0.5, TemplateAngle), G(856, 'd', -0.25, TemplateAngle2),
        G(864, 'i', -500000, PrintRange.x1), G(868, 'i', -400000, PrintRange.y1), G(872, 'i', 600000, PrintRange.x2),
        G(876, 'i', 700000, PrintRange.y2), G(880, 'u', 0xFFFF, PrintGrid ? 0xFFFF : 0), G(882, 's', 17, PrintGridColor),
        G(884, 's', 750, PrintOverlapX), G(886, 's', 1250, PrintOverlapY), G(888, 'd', 10000.0, PrintScale),
        G(896, 's', 80, PrintIntensity), G(898, 's', 120, PrintLineWidth), G(908, 'i', 11, PartialRange.x1),
        G(912, 'i', 22, PartialRange.y1), G(916, 'i', 33, PartialRange.x2), G(920, 'i', 44, PartialRange.y2),
        G(924, 'd', 2.0, Zoom), G(1076, 'i', 5, ViewHistoryCount), G(1080, 'u', 1, RealWorldCoords),
        G(1338, 'u', 0xFFFF, HatchView ? 0xFFFF : 0), G(1340, 'u', 0xFFFF, TemplatesDimmed ? 0xFFFF : 0),
        G(1342, 'u', 0xFFFF, TemplatesHidden ? 0xFFFF : 0), G(1344, 's', 2, Word1344),
    };
    return fields;
}

// Every field holds its golden value; reserved bytes are non-zero.
Block GoldenBlock()
{
    Block k;
    for (const GoldenField& f : GoldenFields()) {
        switch (f.type) {
        case 's': k.I16(f.at, int16_t(f.value)); break;
        case 'u': k.U16(f.at, uint16_t(f.value)); break;
        case 'i': k.I32(f.at, int32_t(f.value)); break;
        default: k.F64(f.at, f.value);
        }
    }
    for (int i = 0; i < 12; ++i) {
        const size_t o = 72 + size_t(i) * 40;
        k.I32(o, 100000 * (i + 1) + 1);
        k.I32(o + 4, -(200000 * (i + 1) + 2));
        k.F64(o + 8, 40.125 + i * 0.5);
        k.F64(o + 16, -120.25 + i);
        k.Str(o + 24, PointName(i));
    }
    for (int i = 0; i < 8; ++i) {
        const size_t o = 932 + size_t(i) * 16;
        k.F64(o, 0.5 * (i + 1));
        k.I32(o + 8, 1000 * i + 7);
        k.I32(o + 12, -1000 * i - 9);
    }
    k.Str(580, "/maps/base.tif");
    k.Str(1082, "/home/user/maps/forest.zmd");
    for (auto [at, n, first] : {std::tuple{18, 2, 0xA1}, {848, 8, 0xB0}, {900, 8, 0xC0}, {1060, 16, 0xD0}, {1346, 2, 0xE1}})
        k.Fill(size_t(at), size_t(n), uint8_t(first));
    return k;
}

TEST(SetupRecordBytes, GoldenBlockReadsIntoEveryFieldAndWritesBackIdentically)
{
    const Block k = GoldenBlock();
    SetupRecord s = ReadSetupBytes(k.b);
    for (const GoldenField& f : GoldenFields())
        EXPECT_EQ(f.get(s), f.value) << f.name << " at " << f.at;
    for (int i = 0; i < 12; ++i) {
        const GpsAdjustPoint& p = s.GpsAdjustPoints[i];
        EXPECT_EQ(p.X, 100000 * (i + 1) + 1) << i;
        EXPECT_EQ(p.Y, -(200000 * (i + 1) + 2)) << i;
        EXPECT_EQ(p.Latitude, 40.125 + i * 0.5) << i;
        EXPECT_EQ(p.Longitude, -120.25 + i) << i;
        EXPECT_EQ(p.Name, PointName(i)) << i;
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(s.ViewHistory[i].Zoom, 0.5 * (i + 1)) << i;
        EXPECT_EQ(s.ViewHistory[i].CenterX, 1000 * i + 7) << i;
        EXPECT_EQ(s.ViewHistory[i].CenterY, -1000 * i - 9) << i;
    }
    EXPECT_EQ(s.TemplateFile, "/maps/base.tif");
    EXPECT_EQ(s.MapPath, "/home/user/maps/forest.zmd");

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
