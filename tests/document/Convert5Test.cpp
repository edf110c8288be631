// Version-5 maps opened by converting them: numbers, setup, colours, every symbol rule and the
// objects, read back from the converted map; damaged files; the whole road through
// OpenMapByName with a save and a reload.
#include "DocumentFixture.h"

#include "../support/OldMapWriter.h"
#include "../support/TestMapReader.h"
#include "core/Ports.h"
#include "core/Status.h"
#include "document/Convert5.h"

#include <QDir>
#include <QFile>

#include <cmath>

namespace zemo::test {
namespace {

constexpr int32_t U = 256;  // one 0.01 mm

// Version5Coord of literal old values: 72 -> 127 x 256, 144 -> 254 x 256, 1440 -> 2540 x 256.
constexpr int32_t V72 = 127 * U, V144 = 254 * U;

// Leaves a converted map under <build>/samples/ for people and other programs.
void SaveSample(const QString& path, const QString& name)
{
    const QString samples = DataFolder() + QStringLiteral("samples/");
    QDir().mkpath(samples);
    QFile::remove(samples + name);
    EXPECT_TRUE(QFile::copy(path, samples + name));
}

// Colours 0 to n - 1.
void Colours(Version5Writer& w, uint16_t n)
{
    w.colors.clear();
    for (uint16_t k = 0; k < n; ++k) {
        V5Color c;
        c.number = k;
        c.name = "C" + std::to_string(k);
        c.rgb = uint32_t(k) * 0x102030u;
        w.colors.push_back(c);
    }
}

class Convert5 : public DocTest {
protected:
    // Written and opened through File > Open's road; the working copy read back.
    bool OpenV5(const Version5Writer& w, const QString& name = "old5.zmd")
    {
        file = WriteBytes(w.Build(), name);
        if (!OpenMapByName(file))
            return false;
        map = ReadMapFile(QFile::encodeName(Z().WorkFile.FileName()).toStdString());
        return true;
    }
    const ReadSymbol& Sym(int16_t number10)
    {
        const ReadSymbol* s = map.Symbol(number10);
        static const ReadSymbol none;
        EXPECT_NE(s, nullptr) << "symbol " << number10;
        return s ? *s : none;
    }
    QString file;
    ReadMap map;
};

// ---- Numbers ----

TEST(Convert5Numbers, CoordinatesLengthsRealsAndMulDiv)
{
    const struct {
        int16_t x;
        int32_t coord;
    } coords[] = {{1440, 650240}, {-1, -256}, {0, 0}, {72, V72}, {32767, 57797 * 256}};
    for (const auto& c : coords)
        EXPECT_EQ(Version5Coord(c.x), c.coord) << c.x;
    const struct {
        int32_t x, length;
    } lengths[] = {{1, 1}, {72, 64}, {-72, -64}, {144, 127}, {0, 0}, {-1, -1}};
    for (const auto& l : lengths)
        EXPECT_EQ(Version5Length(l.x), l.length) << l.x;
    const struct {
        int32_t a, b, c, r;
    } muldivs[] = {{1, 1, 2, 1},   {-1, 1, 2, -1},  {3, 1, 2, 2},          {-3, 1, 2, -2},
                   {5, 1, -2, -3}, {1, 127, 72, 2}, {1, 1, 0, -1},         {65536, 65536, 1, -1},
                   {-7, 3, 4, -5}, {10, 10, 3, 33}, {2000000000, 3, 4, 1500000000}};
    for (const auto& m : muldivs)
        EXPECT_EQ(MulDiv(m.a, m.b, m.c), m.r) << m.a << " " << m.b << " " << m.c;
    for (double v : {0.0, 1.0, -2.5, 15000.0, 0.05, 1.0 / 3.0, -1e-9}) {
        const auto bytes = Real48(v);
        EXPECT_NEAR(Real48ToDouble(bytes), v, std::fabs(v) * 1e-11) << v;
    }
    EXPECT_EQ(Real48(1.0)[0], 129);
    EXPECT_EQ(Real48(-2.5)[5], 0xA0);
    EXPECT_EQ(Sat16(86697), 32767);
    EXPECT_EQ(Sat16(-40000), -32764);
}

// ---- Setup ----

TEST_F(Convert5, SetupFieldsLandAtTheirOffsets)
{
    const struct {
        int16_t step;
        double zoom;
    } zooms[] = {{0, 16}, {3, 2}, {-1, 32}};
    for (const auto& z : zooms) {
        Version5Writer w;
        w.SetupI16(8, z.step);
        w.SetupI16(10, 1440);
        w.SetupI16(12, -1);
        w.SetupReal(14, 2.5);
        w.SetupI16(26, 3);
        w.SetupI16(28, 144);
        w.SetupI16(30, 72);
        w.SetupI16(32, 72);
        w.SetupI16(34, 144);
        w.SetupI16(36, 1);
        w.SetupI16(38, 7);
        w.SetupI16(40, 72);
        w.SetupI16(42, -72);
        w.SetupReal(44, 15000);
        w.SetupReal(50, 1.25);
        w.SetupReal(56, 10000);
        w.SetupI16(62, 72);
        w.SetupI16(64, 144);
        const std::string name = "scan.bmp";
        std::copy(name.begin(), name.end(), w.setup.begin() + 66);
        w.SetupI16(146, 0);
        w.SetupI16(148, 300);
        w.SetupReal(150, 0.5);
        w.SetupI16(156, 1440);
        w.SetupI16(158, -1);
        w.SetupReal(160, -0.25);
        ASSERT_TRUE(OpenV5(w));
        EXPECT_EQ(GetF64(map.setup, setup::Zoom), z.zoom);
        EXPECT_EQ(GetI32(map.setup, setup::ViewCenterX), 650240);
        EXPECT_EQ(GetF64(map.setup, setup::MapScale), 15000);
        CloseAllDocuments();
        // Every field as converted; the load then puts what is out of range right.
        SetupRecord r;
        ConvertVersion5Setup(w.setup, r);
        const auto bytes = WriteSetupBytes(r);
        const std::vector<uint8_t> s(bytes.begin(), bytes.end());
        EXPECT_EQ(GetF64(s, setup::Zoom), z.zoom);
        EXPECT_EQ(GetI32(s, setup::ViewCenterX), 650240);
        EXPECT_EQ(GetI32(s, setup::ViewCenterY), -256);
        EXPECT_EQ(GetF64(s, setup::PaperGridDistance), 2.5);
        EXPECT_EQ(GetI16(s, setup::LinksActive), 0);
        EXPECT_EQ(GetU16(s, setup::Word20), 0);
        EXPECT_EQ(GetI16(s, setup::CurrentSymbolIndex), 3);
        EXPECT_EQ(GetI32(s, setup::PrintRange), V144 - V72);
        EXPECT_EQ(GetI32(s, setup::PrintRange + 4), V72 - V144);
        EXPECT_EQ(GetI32(s, setup::PrintRange + 8), V144 + V72);
        EXPECT_EQ(GetI32(s, setup::PrintRange + 12), V72 + V144);
        EXPECT_EQ(GetI16(s, setup::PrintGrid), -1);
        EXPECT_EQ(GetI16(s, setup::PrintGridColor), 7);
        EXPECT_EQ(GetI16(s, setup::PrintOverlapX), 64);
        EXPECT_EQ(GetI16(s, setup::PrintOverlapY), -64);
        EXPECT_EQ(GetF64(s, setup::MapScale), 15000);
        EXPECT_EQ(GetF64(s, setup::TemplateScaleX), 1.25);
        EXPECT_EQ(GetF64(s, setup::TemplateScaleY), 1.25);
        EXPECT_EQ(GetF64(s, setup::PrintScale), 10000);
        EXPECT_EQ(GetI32(s, setup::TemplateX), V72);
        EXPECT_EQ(GetI32(s, setup::TemplateY), V144);
        EXPECT_EQ(GetI16(s, setup::TemplateResolution), 300);
        EXPECT_NEAR(GetF64(s, setup::TemplateAngle), 0.5, 1e-12);
        EXPECT_EQ(GetI32(s, 848), 650240);
        EXPECT_EQ(GetI32(s, 852), -256);
        EXPECT_NEAR(GetF64(s, setup::TemplateAngle2), -0.25, 1e-12);
        EXPECT_EQ(r.TemplateFile, "scan.bmp");
        EXPECT_EQ(GetI16(s, setup::TemplateMode), 0);
    }
    // A grid distance outside 0.05 .. 100 keeps the default.
    Version5Writer w;
    w.SetupReal(14, 200);
    ASSERT_TRUE(OpenV5(w));
    EXPECT_EQ(GetF64(map.setup, setup::PaperGridDistance), GetF64(DefaultSetupBytes(), setup::PaperGridDistance));
}

// ---- Colours and separations ----

TEST_F(Convert5, ColoursSeparationsAndPercentages)
{
    Version5Writer w;
    w.colors.clear();
    V5Color c;
    c.number = 4;
    c.name = "Brown";
    c.rgb = 0x0000FF;  // red
    c.percent[0] = 0;
    c.percent[1] = 50;
    c.percent[2] = 101;
    c.percent[3] = -1;
    c.percent[4] = 100;
    w.colors.push_back(c);
    w.separations = {{"BLACK", 1200, 9}, {"", 0, 0}, {"cyan process colour", 1, 2}};
    ASSERT_TRUE(OpenV5(w));
    const SymbolHeaderBlock& cb = Z().ColorBlock;
    EXPECT_EQ(cb.ColorCount, 32);
    EXPECT_EQ(cb.Colors[0].Number, 4);
    EXPECT_EQ(ShortFieldText(cb.Colors[0].Name), "Brown");
    EXPECT_EQ(cb.Colors[0].Cmyk, (std::array<uint8_t, 4>{0, 200, 200, 0}));
    const struct {
        size_t sep;
        uint8_t value;
    } percents[] = {{0, 255}, {1, 100}, {2, 0}, {3, 0}, {4, 200}};
    for (const auto& p : percents)
        EXPECT_EQ(cb.Colors[0].Separations[p.sep], p.value) << p.sep;
    EXPECT_EQ(cb.SeparationCount, 3);
    EXPECT_EQ(ShortFieldText(cb.Separations[0].Name), "Black");
    EXPECT_EQ(cb.Separations[0].Screen, 1200);
    EXPECT_EQ(cb.Separations[0].Screen2, 9);
    EXPECT_EQ(ShortFieldText(cb.Separations[2].Name), "Cyan process co");
    // The same in the file.
    EXPECT_EQ(map.colorCount, 32);
    EXPECT_EQ(GetU16(ReadAll(Z().WorkFile.FileName()), TestMapLayout::ColorRecordPos(0)), 4);
}

// ---- Symbols ----

using Fields = std::vector<std::pair<size_t, int16_t>>;
using Points = std::vector<std::pair<int32_t, int32_t>>;  // 0.01 mm

struct ElementWant {
    size_t at = 0;  // record offset
    int kind = 0, color = 0, width = 0, diameter = 0;
    Points points;
};

::testing::AssertionResult HasFields(const std::vector<uint8_t>& rec, const Fields& fields)
{
    for (const auto& [at, v] : fields)
        if (at + 2 > rec.size() || GetI16(rec, at) != v)
            return ::testing::AssertionFailure()
                << "+" << at << " is " << (at + 2 > rec.size() ? -99999 : GetI16(rec, at)) << ", not " << v;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult HasElement(const std::vector<uint8_t>& rec, const ElementWant& e)
{
    if (e.at + 16 + 8 * e.points.size() > rec.size())
        return ::testing::AssertionFailure() << "no element at +" << e.at;
    if (GetU16(rec, e.at) != e.kind || GetI16(rec, e.at + 4) != e.color || GetI16(rec, e.at + 6) != e.width
        || GetI16(rec, e.at + 8) != e.diameter || GetI16(rec, e.at + 10) != int16_t(e.points.size()))
        return ::testing::AssertionFailure() << "element at +" << e.at << ": kind " << GetU16(rec, e.at) << " colour "
                                             << GetI16(rec, e.at + 4) << " width " << GetI16(rec, e.at + 6) << " diameter "
                                             << GetI16(rec, e.at + 8) << " count " << GetI16(rec, e.at + 10);
    for (size_t k = 0; k < e.points.size(); ++k) {
        const int32_t x = GetI32(rec, e.at + 16 + 8 * k), y = GetI32(rec, e.at + 20 + 8 * k);
        if (x != e.points[k].first * U || y != e.points[k].second * U)
            return ::testing::AssertionFailure() << "point " << k << " is (" << x / 256.0 << ", " << y / 256.0 << ")";
    }
    return ::testing::AssertionSuccess();
}

// Old fields of the line-style rows: c1 3, c2 5, w1 20, w2 40, w3 10, a 144, b 72, d 288,
// e 36, s 30, s2 50, angle 60 degrees, R 1. In 0.01 mm: L(w1) 18, L(w2) 35, L(w3) 9, L(a) 127,
// L(b) 64, L(d) 254, L(e) 32, L(s) 26, L(s2) 44.
V5Symbol LineRow(int16_t number10, int16_t style, int16_t flags, int16_t b)
{
    V5Symbol s = V5Symbol::Make(number10, 2, style);
    const std::pair<size_t, int16_t> old[] = {
        {V5Symbol::Flags, flags}, {V5Symbol::C1, 3}, {V5Symbol::C2, 5}, {V5Symbol::W1, 20}, {V5Symbol::W2, 40},
        {V5Symbol::W3, 10},       {V5Symbol::A, 144}, {V5Symbol::B, b},  {V5Symbol::D, 288}, {V5Symbol::E, 36},
        {V5Symbol::S, 30},        {V5Symbol::S2, 50}, {V5Symbol::Theta, 600}, {V5Symbol::R, 1}};
    for (const auto& [at, v] : old)
        s.Set(at, v);
    return s;
}

TEST_F(Convert5, LineStylesAtTheirRecordOffsets)
{
    const Fields style12 = {{348, 3}, {350, 18}, {358, 191}, {360, 286}, {370, 2}, {372, 64}};
    const Fields style13 = {{348, 3}, {350, 18}, {358, 153}, {360, 64}, {364, 26}, {370, 1}};
    const Fields style14 = {{348, 3}, {350, 18}, {358, 127}, {360, 64}, {370, 1}};
    const Fields sides = {{376, 1}, {378, 5}, {380, 3}, {382, 3}, {384, 18}, {386, 35}, {388, 35}};
    const auto plus = [](Fields f, Fields more) {
        f.insert(f.end(), more.begin(), more.end());
        return f;
    };
    const ElementWant dot26{424, 4, 3, 0, 26, {{0, 0}}};
    const auto line = [](size_t at, Points p) { return ElementWant{at, 1, 3, 35, 0, std::move(p)}; };
    const struct Row {
        int16_t style, flags, b;
        size_t size;
        Fields fields;
        std::vector<ElementWant> elements;
    } rows[] = {
        {0, 0, 72, 424, {{348, 3}, {350, 18}, {352, 1}, {412, 0}}, {}},
        {1, 0, 72, 424, {{348, 3}, {350, 18}, {358, 127}, {360, 127}, {362, 26}}, {}},
        {2, 0, 72, 448, {{348, 0}, {350, 0}, {358, 127}, {370, 1}, {412, 3}}, {dot26}},
        {3, 0, 72, 424, plus(sides, {{374, 1}, {348, 0}, {350, 0}}), {}},
        {5, 1, 72, 456, {{348, 3}, {350, 18}, {352, 1}, {358, 127}, {360, 64}, {368, 1}, {370, 1}, {412, 4}},
         {line(424, {{0, 0}, {0, -263}})}},
        {5, 0, 10, 456, {{360, 17}, {368, -1}}, {line(424, {{0, 0}, {0, -263}})}},
        {6, 0, 72, 456, {{348, 3}, {350, 18}, {358, 127}, {360, 64}, {370, 1}, {412, 4}},
         {line(424, {{0, 263}, {0, -263}})}},
        {6, 0, 10, 456, {{360, 18}}, {line(424, {{0, 263}, {0, -263}})}},
        {7, 1, 72, 488, {{348, 3}, {350, 18}, {412, 0}, {416, 4}, {420, 4}},
         {line(424, {{0, 136}, {0, -136}}), line(456, {{0, 136}, {0, -136}})}},
        {7, 0, 72, 456, {{416, 4}, {420, 0}}, {line(424, {{0, 136}, {0, -136}})}},
        {8, 2, 72, 488,
         {{348, 0}, {374, 1}, {376, 0}, {380, 3}, {382, 3}, {384, 26}, {386, 18}, {388, 18}, {416, 4}, {420, 4}},
         {line(424, {{0, 158}, {0, -158}}), line(456, {{0, 158}, {0, -158}})}},
        {9, 0, 72, 424, {{348, 3}, {350, 18}, {352, 2}, {354, 127}, {356, 127}}, {}},
        {10, 0, 72, 472, {{348, 3}, {350, 18}, {356, 127}, {420, 6}},
         {ElementWant{424, 2, 3, 0, 0, {{0, 0}, {-191, 13}, {-127, 0}, {-191, -13}}}}},
        {11, 0, 72, 448, {{348, 3}, {350, 18}, {358, 127}, {360, 64}, {370, 1}, {412, 3}}, {dot26}},
        {12, 0, 72, 448, plus(style12, {{412, 3}}), {dot26}},
        {13, 0, 72, 448, plus(style13, {{412, 3}}), {ElementWant{424, 4, 3, 0, 44, {{0, 0}}}}},
        {14, 0, 72, 456, plus(style14, {{412, 4}}), {line(424, {{0, 0}, {-127, -220}})}},
        {15, 0, 72, 456, plus(style12, {{412, 4}}), {line(424, {{0, 0}, {-16, -28}})}},
        {16, 0, 72, 456, plus(style13, {{412, 4}}), {line(424, {{0, 0}, {-32, -55}})}},
        {17, 0, 72, 464, plus(style14, {{412, 5}}), {line(424, {{-127, 220}, {0, 0}, {-127, -220}})}},
        {18, 0, 72, 464, plus(style12, {{412, 5}}), {line(424, {{-16, 28}, {0, 0}, {-16, -28}})}},
        {19, 0, 72, 464, plus(style13, {{412, 5}}), {line(424, {{-32, 55}, {0, 0}, {-32, -55}})}},
        {20, 0, 72, 424, {{348, 3}, {350, 18}, {358, 280}, {360, 280}, {362, 44}, {364, 26}, {366, 26}}, {}},
        {21, 0, 72, 424, {{348, 5}, {350, 18}, {358, 127}, {362, 26}, {374, 1}, {376, 1}, {378, 3}, {384, 88}}, {}},
        {22, 0, 72, 424, plus(sides, {{374, 2}, {390, 127}, {392, 26}}), {}},
        {23, 0, 72, 424, plus(sides, {{374, 3}, {390, 127}, {392, 26}}), {}},
    };
    Version5Writer w;
    Colours(w, 8);
    for (size_t k = 0; k < std::size(rows); ++k)
        w.symbols.push_back(LineRow(int16_t(100 + 10 * k), rows[k].style, rows[k].flags, rows[k].b));
    ASSERT_TRUE(OpenV5(w));
    for (size_t k = 0; k < std::size(rows); ++k) {
        SCOPED_TRACE(::testing::Message() << "style " << rows[k].style << " row " << k);
        const std::vector<uint8_t>& rec = Sym(int16_t(100 + 10 * k)).bytes;
        ASSERT_EQ(rec.size(), rows[k].size);
        EXPECT_EQ(GetI16(rec, 4), 2);
        EXPECT_TRUE(HasFields(rec, rows[k].fields));
        for (const ElementWant& e : rows[k].elements)
            EXPECT_TRUE(HasElement(rec, e));
        EXPECT_TRUE(SymbolUsable(rec, Z().ColorBlock));
    }
    EXPECT_TRUE(map.Sound()) << map.Problems();
}

// Sums of old lengths pass 16 bits: they stay at the largest length.
TEST_F(Convert5, LongLengthSumsSaturate)
{
    Version5Writer w;
    V5Symbol s = LineRow(10, 20, 0, 72);
    s.Set(V5Symbol::A, 32767);
    s.Set(V5Symbol::S, 32767);
    w.symbols.push_back(s);
    V5Symbol d = LineRow(20, 4, 0, 72);
    d.Set(V5Symbol::W1, 32767);
    d.Set(V5Symbol::W2, 32767);
    w.symbols.push_back(d);
    ASSERT_TRUE(OpenV5(w));
    EXPECT_TRUE(HasFields(Sym(10).bytes, {{358, 32767}, {360, 32767}, {364, 28899}}));
    EXPECT_EQ(GetI16(Sym(20).bytes, 384), 32767);
}

TEST_F(Convert5, AreaPointTextAndRectangleSymbols)
{
    Version5Writer w;
    const auto old = [](int16_t number10, int16_t type, int16_t subtype, Fields f) {
        V5Symbol s = V5Symbol::Make(number10, type, subtype);
        const Fields common = {{V5Symbol::C1, 3}, {V5Symbol::C2, 5}, {V5Symbol::W1, 20}, {V5Symbol::A, 144},
                               {V5Symbol::B, 72}, {V5Symbol::S, 30}, {V5Symbol::S2, 50}, {V5Symbol::Theta, 600},
                               {V5Symbol::Theta2, 300}};
        for (const auto& [at, v] : common)
            s.Set(at, v);
        for (const auto& [at, v] : f)
            s.Set(at, v);
        return s;
    };
    const Fields hatch = {{354, 1}, {356, 3}, {358, 18}, {360, 26}, {362, 600}, {364, 300}};
    const struct Row {
        int16_t number10, type, subtype;
        Fields old;
        size_t size;
        Fields fields;
        std::vector<ElementWant> elements;
    } rows[] = {
        {10, 3, 0, {}, 380, {{350, -1}, {352, 3}, {354, 0}, {368, 0}}, {}},
        {20, 3, 1, {}, 380, {{350, 0}, {352, 0}, {354, 1}, {356, 3}, {358, 18}, {360, 26}, {362, 600}, {364, 300}}, {}},
        {30, 3, 4, {}, 380, {{350, -1}, {352, 5}, {354, 1}, {356, 3}, {358, 18}, {360, 26}}, {}},
        {40, 3, 7, {}, 380, {{350, 0}, {354, 2}, {356, 3}}, {}},
        {50, 3, 2, {}, 412, {{350, 0}, {368, 2}, {370, 171}, {372, 44}, {374, 600}, {378, 4}}, {}},
        {60, 3, 5, {}, 412, {{350, -1}, {352, 5}, {368, 2}, {378, 4}}, {}},
        {70, 3, 3, {}, 404, {{350, 0}, {368, 1}, {370, 127}, {372, 127}, {374, 600}, {378, 3}},
         {ElementWant{380, 4, 3, 0, 26, {{0, 0}}}}},
        {80, 3, 6, {}, 404, {{350, -1}, {352, 5}, {368, 1}, {378, 3}}, {ElementWant{380, 4, 3, 0, 26, {{0, 0}}}}},
        {90, 1, 1, {}, 376, {{348, 3}}, {ElementWant{352, 4, 3, 0, 26, {{0, 0}}}}},
        {100, 1, 2, {}, 376, {{348, 3}}, {ElementWant{352, 3, 3, 18, 26, {{0, 0}}}}},
        {110, 5, 0, {}, 416, {{348, 3}, {350, 18}, {352, 127}, {354, 0}}, {}},
        {120, 5, 1, {{V5Symbol::Flags, 1}}, 416, {{348, 3}, {350, 13}, {354, 7}, {356, 127}, {358, 64}}, {}},
        {130, 5, 2, {}, 416, {{354, 3}}, {}},
    };
    for (const Row& r : rows)
        w.symbols.push_back(old(r.number10, r.type, r.subtype, r.old));
    ASSERT_TRUE(OpenV5(w));
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "symbol " << r.number10);
        const std::vector<uint8_t>& rec = Sym(r.number10).bytes;
        ASSERT_EQ(rec.size(), r.size);
        EXPECT_EQ(GetI16(rec, 4), r.type);
        EXPECT_TRUE(HasFields(rec, r.fields));
        for (const ElementWant& e : r.elements)
            EXPECT_TRUE(HasElement(rec, e));
    }
    // The structure's dash turns with the structure: (-0.64, 0) and (0.63, 0) by 60 degrees.
    const std::vector<uint8_t>& dash = Sym(50).bytes;
    EXPECT_EQ(GetU16(dash, 380), 1);
    EXPECT_EQ(GetI16(dash, 386), 18);
    EXPECT_NEAR(GetI32(dash, 396), -64 * U / 2, 256);
    EXPECT_NEAR(GetI32(dash, 400), -64 * U * 0.8660254, 256);
    EXPECT_NEAR(GetI32(dash, 404), 63 * U / 2, 256);
    EXPECT_NEAR(GetI32(dash, 408), 63 * U * 0.8660254, 256);
}

TEST_F(Convert5, PointElementsFromTheCoordinateTable)
{
    Version5Writer w;
    // Slot 0: a curve with a hole marker; slot 1: an area; slot 2 reaches past the table.
    w.table = {Pt(0, 0), BezierMark(), Pt(72, 0), Pt(144, 0), Pt(144, 72), HoleMark(), Pt(0, 72),
               Pt(0, 0), Pt(72, 0), Pt(72, 72)};
    V5Symbol s = V5Symbol::Make(10, 1, 0);
    s.SetSlot(0, 0, 7, 2, 3, 4, 20);
    s.SetSlot(1, 7, 3, 3, 5, 0, 0);
    s.SetSlot(2, 4090, 10, 2, 3, 0, 20);
    s.SetSlot(3, -5, 3, 2, 3, 0, 20);
    w.symbols.push_back(s);
    // A drawn point symbol without usable slots.
    w.symbols.push_back(V5Symbol::Make(20, 1, 0));
    ASSERT_TRUE(OpenV5(w));
    const std::vector<uint8_t>& rec = Sym(10).bytes;
    ASSERT_EQ(rec.size(), 352u + 8 * (7 + 5));
    EXPECT_EQ(GetI16(rec, 348), 12);
    EXPECT_EQ(GetU16(rec, 352), 1);
    EXPECT_EQ(GetU16(rec, 354), 4);
    EXPECT_EQ(GetU16(rec, 356), 3);
    EXPECT_EQ(GetI16(rec, 358), 18);
    EXPECT_EQ(GetI16(rec, 362), 5);
    const int32_t want[5][2] = {{0, 0}, {V72 | 1, 0}, {V144 | 2, 0}, {V144, V72}, {0, V72 | 2}};
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(GetI32(rec, 368 + 8 * k), want[k][0]) << k;
        EXPECT_EQ(GetI32(rec, 372 + 8 * k), want[k][1]) << k;
    }
    EXPECT_EQ(GetU16(rec, 408), 2);
    EXPECT_EQ(GetU16(rec, 412), 5);
    EXPECT_EQ(GetI16(rec, 418), 3);
    // The smallest point symbol: no elements.
    EXPECT_EQ(Sym(20).bytes.size(), 352u);
    EXPECT_EQ(GetI16(Sym(20).bytes, 348), 0);
}

TEST_F(Convert5, TextSymbolFromTheTable)
{
    Version5Writer w;
    w.table = {Pt(1, 2)};
    const int16_t font = w.AddTableText("Times New Roman");
    const auto text = [&](int16_t number10, int16_t fontIndex, bool lineBelow) {
        V5Symbol s = V5Symbol::Make(number10, 4, 0);
        const Fields f = {{V5Symbol::FontIndex, fontIndex}, {V5Symbol::C1, 3}, {V5Symbol::C2, 5},
                          {V5Symbol::W1, 120}, {V5Symbol::Theta, int16_t(lineBelow ? 1 : 0)},
                          {V5Symbol::Theta2, 700}, {V5Symbol::Italic, 1}, {V5Symbol::A, 1440},
                          {V5Symbol::W2, 40}, {V5Symbol::S2, 50}, {V5Symbol::S, 600}};
        for (const auto& [at, v] : f)
            s.Set(at, v);
        return s;
    };
    w.symbols = {text(10, font, true), text(20, font, false), text(30, 4096, false), text(40, -1, false)};
    w.symbols[1].Set(V5Symbol::A, 0);
    w.symbols[1].Set(V5Symbol::S, 0);
    ASSERT_TRUE(OpenV5(w));
    const std::vector<uint8_t>& t = Sym(10).bytes;
    ASSERT_EQ(t.size(), 588u);
    EXPECT_EQ(t[6], 1);
    EXPECT_EQ(ShortFieldText(std::span<const uint8_t>(t).subspan(348, 32)), "Times New Roman");
    // Paragraph space: L(600) - round(120 / 72 x 254 x 1.2) - (35 + 26).
    EXPECT_TRUE(HasFields(t, {{380, 3}, {382, 120}, {384, 700}, {390, 100}, {394, 120}, {402, 1},
                              {532, -1}, {534, 5}, {536, 35}, {538, 27}, {396, 529 - 508 - 35 - 27}}));
    EXPECT_EQ(t[386], 1);
    EXPECT_EQ(GetI32(t, 404), 1270);
    const std::vector<uint8_t>& plain = Sym(20).bytes;
    EXPECT_TRUE(HasFields(plain, {{402, 0}, {532, 0}, {396, 0}}));
    // Names outside the table are empty.
    EXPECT_EQ(Sym(30).bytes[348], 0);
    EXPECT_EQ(Sym(40).bytes[348], 0);
}

TEST_F(Convert5, HeadFieldsAndTheIconShift)
{
    Version5Writer w;
    V5Symbol s = LineRow(10, 0, 0, 72);
    s.Set(V5Symbol::Extent, 72);
    s.Set(V5Symbol::ColorSet, 0x0009);      // colours 0 and 3
    s.Set(V5Symbol::ColorSet + 2, int16_t(0x8000));  // colour 31
    s.SetDescription("Path with a very long description text");
    w.symbols.push_back(s);
    ASSERT_TRUE(OpenV5(w));
    const std::vector<uint8_t>& rec = Sym(10).bytes;
    EXPECT_EQ(ShortFieldText(std::span<const uint8_t>(rec).subspan(52, 32)), "Path with a very long descripti");
    // The icon moves one row up and one pixel left: byte k from old bytes 12 + k and 13 + k.
    for (size_t k : {size_t(0), size_t(1), size_t(100), size_t(263)})
        EXPECT_EQ(rec[84 + k], uint8_t(((12 + k) << 4) | ((13 + k) >> 4))) << k;
    EXPECT_EQ(rec[7] & 2, 0);
}

TEST_F(Convert5, StyleFourSharesOneCenterLineColourInFrontOfTheFill)
{
    Version5Writer w;
    w.colors.clear();
    for (uint16_t n = 0; n < 8; ++n) {
        V5Color c;
        c.number = n;
        c.name = "C" + std::to_string(n);
        c.rgb = uint32_t(n * 30);
        w.colors.push_back(c);
    }
    w.symbols = {LineRow(10, 4, 0, 72), LineRow(20, 4, 0, 72)};
    ASSERT_TRUE(OpenV5(w));
    const SymbolHeaderBlock& cb = Z().ColorBlock;
    ASSERT_EQ(cb.ColorCount, 33);
    // Colour 5 (c2) was at index 5: the copy of colour 3 sits there now.
    EXPECT_EQ(cb.Colors[5].Number, 32);
    EXPECT_EQ(cb.Colors[6].Number, 5);
    EXPECT_EQ(cb.Colors[5].Cmyk, cb.Colors[3].Cmyk);
    EXPECT_EQ(ShortFieldText(cb.Colors[5].Name), Text(TextKey::CenterLine).toStdString());
    EXPECT_EQ(GetI16(Sym(10).bytes, 348), 32);
    EXPECT_EQ(GetI16(Sym(20).bytes, 348), 32);
}

TEST_F(Convert5, StyleFourAddsNoColourToAFullTable)
{
    Version5Writer w;
    w.colors.clear();
    for (uint16_t n = 0; n < 3; ++n) {
        V5Color c;
        c.number = n;
        c.rgb = uint32_t(0x40 * (n + 1));
        w.colors.push_back(c);
    }
    // Centre lines copied from colours 0 and 1 in turn never match the one in front of them:
    // each adds one until the table holds 256.
    for (int16_t k = 0; k < 226; ++k) {
        V5Symbol s = LineRow(int16_t(10 + 10 * k), 4, 0, 72);
        s.Set(V5Symbol::C1, int16_t(k % 2));
        s.Set(V5Symbol::C2, 2);
        w.symbols.push_back(s);
    }
    ASSERT_TRUE(OpenV5(w));
    const SymbolHeaderBlock& cb = Z().ColorBlock;
    EXPECT_EQ(cb.ColorCount, 256);
    // Colour 2 moved up by one for each new colour: 224 of them.
    EXPECT_EQ(cb.Colors[226].Number, 2);
    EXPECT_EQ(cb.Colors[225].Number, 255);
    // The last two find the table full and take the colour in front of colour 2.
    EXPECT_EQ(GetI16(Sym(2240).bytes, 348), 255);
    EXPECT_EQ(GetI16(Sym(2250).bytes, 348), 255);
    EXPECT_EQ(GetI16(Sym(2260).bytes, 348), 255);
}

// Symbols of a style, kind or type without a rule keep a record of their type that reads back.
TEST_F(Convert5, SymbolsWithoutARuleSurviveAReopen)
{
    Version5Writer w;
    const struct {
        int16_t number10, type, subtype;
        size_t size;
    } rows[] = {{10, 2, 24, 424}, {20, 3, 8, 380}, {30, 1, 3, 352}, {40, 1, 0, 352}, {50, 2, -1, 424}};
    for (const auto& r : rows) {
        V5Symbol s = V5Symbol::Make(r.number10, r.type, r.subtype);
        s.SetDescription("Kept");
        w.symbols.push_back(s);
    }
    w.symbols.push_back(V5Symbol::Make(60, 7, 0));  // no type of ours: left out
    ASSERT_TRUE(OpenV5(w));
    ASSERT_TRUE(SaveMap(false));
    CloseAllDocuments();
    const ReadMap saved = ReadMapFile(QFile::encodeName(file).toStdString());
    EXPECT_TRUE(saved.Sound()) << saved.Problems();
    for (const auto& r : rows) {
        const ReadSymbol* s = saved.Symbol(r.number10);
        ASSERT_NE(s, nullptr) << r.number10;
        EXPECT_EQ(s->bytes.size(), r.size);
        EXPECT_EQ(s->type, r.type);
        EXPECT_EQ(ShortFieldText(std::span<const uint8_t>(s->bytes).subspan(52, 32)), "Kept");
    }
    EXPECT_EQ(saved.Symbol(60), nullptr);
    ASSERT_TRUE(OpenMapByName(file));
    EXPECT_EQ(Z().SymbolCount(), int(std::size(rows)));
}

// ---- Objects ----

struct CordWant {
    int32_t x, y;
};

::testing::AssertionResult HasCords(const ReadObject* o, const std::vector<CordWant>& want)
{
    if (!o)
        return ::testing::AssertionFailure() << "no object";
    if (o->cords.size() != want.size())
        return ::testing::AssertionFailure() << o->cords.size() << " points, not " << want.size();
    for (size_t k = 0; k < want.size(); ++k)
        if (o->cords[k].x != want[k].x || o->cords[k].y != want[k].y)
            return ::testing::AssertionFailure() << "point " << k << " is (" << o->cords[k].x << ", " << o->cords[k].y
                                                 << ") not (" << want[k].x << ", " << want[k].y << ")";
    return ::testing::AssertionSuccess();
}

TEST_F(Convert5, MarkersBecomeFlagsAndDoubleLineStatesCarryOn)
{
    constexpr int32_t FB = 1, SB = 2, NoLeft = 4;      // in x
    constexpr int32_t Corner = 1, Hole = 2, NoRight = 4;  // in y
    const struct Row {
        const char* what;
        int type;
        std::vector<OldEntry> entries;
        std::vector<CordWant> cords;
    } rows[] = {
        {"curve", 2, {Pt(0, 0), BezierMark(), Pt(72, 0), Pt(144, 0), Pt(0, 72)},
         {{0, 0}, {V72 | FB, 0}, {V144 | SB, 0}, {0, V72}}},
        {"corner before a curve", 2, {Pt(0, 0), Pt(72, 0), BezierMark(-32767), Pt(144, 0), Pt(0, 72), Pt(0, 0)},
         {{0, 0}, {V72, Corner}, {V144 | FB, 0}, {SB, V72}, {0, 0}}},
        {"corner marker", 2, {Pt(0, 0), CornerMark(), Pt(72, 0), Pt(144, 0)}, {{0, 0}, {V72, Corner}, {V144, 0}}},
        {"hole", 3, {Pt(0, 0), Pt(144, 0), Pt(0, 144), HoleMark(), Pt(72, 72), Pt(72, 0), Pt(0, 72)},
         {{0, 0}, {V144, 0}, {0, V144}, {V72, V72 | Hole}, {V72, 0}, {0, V72}}},
        {"double-line states", 2,
         {Pt(0, 0), CornerMark(1), Pt(72, 0), Pt(144, 0), CornerMark(3), Pt(0, 72), Pt(72, 72), BezierMark(8),
          Pt(144, 72), Pt(0, 144), Pt(72, 144), CornerMark(6), Pt(144, 144), CornerMark(9), Pt(0, 0),
          CornerMark(5), Pt(72, 0), CornerMark(7), Pt(144, 0), CornerMark(2), Pt(0, 0), CornerMark(4), Pt(72, 0)},
         {{0, 0},
          {V72 | NoLeft, 0},
          {V144 | NoLeft, 0},
          {NoLeft, V72 | NoRight},
          {V72, V72},
          {V144 | FB, V72},
          {SB, V144},
          {V72, V144},
          {V144 | NoLeft, V144},
          {NoLeft, 0},
          {V72 | NoLeft, NoRight},
          {V144, NoRight},
          {0, NoRight},
          {V72, 0}}},
    };
    Version5Writer w;
    for (const Row& r : rows) {
        OldObject o = OldObject::Line(10, r.entries);
        o.type = uint8_t(r.type);
        w.objects.push_back(o);
    }
    // n beyond the record is cut to it: 3 points of the 5 the count claims.
    OldObject cut = OldObject::Line(10, {Pt(0, 0), Pt(72, 0), Pt(144, 0)});
    cut.nField = 5;
    w.objects.push_back(cut);
    ASSERT_TRUE(OpenV5(w));
    for (size_t k = 0; k < std::size(rows); ++k) {
        SCOPED_TRACE(rows[k].what);
        EXPECT_TRUE(HasCords(map.Object(int(k) + 1), rows[k].cords));
        ASSERT_NE(map.Object(int(k) + 1), nullptr);
        EXPECT_EQ(map.Object(int(k) + 1)->type, rows[k].type);
    }
    EXPECT_TRUE(HasCords(map.Object(int(std::size(rows)) + 1), {{0, 0}, {V72, 0}, {V144, 0}}));
    EXPECT_TRUE(map.Sound()) << map.Problems();
}

TEST_F(Convert5, LinesOfSymbolsWithCornerElementsGetCorners)
{
    Version5Writer w;
    Colours(w, 8);
    w.symbols = {LineRow(10, 7, 0, 72), LineRow(20, 0, 0, 72)};
    const std::vector<OldEntry> entries = {Pt(0, 0),  Pt(72, 0),  CornerMark(2), Pt(144, 0), Pt(216, 0),
                                           BezierMark(), Pt(0, 72), Pt(72, 72),    Pt(144, 72)};
    w.objects = {OldObject::Line(10, entries), OldObject::Line(20, entries)};
    ASSERT_TRUE(OpenV5(w));
    // Not the ends, not a point with a double-line code, not the control points.
    constexpr int32_t V216 = 381 * U;
    EXPECT_TRUE(HasCords(map.Object(1), {{0, 0}, {V72, 1}, {V144, 0}, {V216, 1}, {1, V72}, {V72 | 2, V72}, {V144, V72}}));
    EXPECT_TRUE(HasCords(map.Object(2), {{0, 0}, {V72, 0}, {V144, 0}, {V216, 0}, {1, V72}, {V72 | 2, V72}, {V144, V72}}));
}

// The measurer of the tests: every character 100 units wide, the font 500 high.
FrameTextMetrics FixedAdvances(const QString&, int, const std::u32string& chars)
{
    return FrameTextMetrics{500, std::vector<int32_t>(chars.size(), 100)};
}

TEST_F(Convert5, TextsKeepTheirPointsOrBecomeFramesWithALineBelow)
{
    // Measured at the font's height to the nearest 0.01 mm: 10 points are 352.78.
    std::vector<int> heights;
    DocumentPorts().MeasureFrameText.Bind([&heights](const QString& font, int height, const std::u32string& chars) {
        heights.push_back(height);
        return FixedAdvances(font, height, chars);
    });
    Version5Writer w;
    Colours(w, 8);
    const auto text = [](int16_t number10, bool lineBelow) {
        V5Symbol s = V5Symbol::Make(number10, 4, 0);
        const Fields f = {{V5Symbol::C1, 3}, {V5Symbol::C2, 5}, {V5Symbol::W1, 100},
                          {V5Symbol::Theta, int16_t(lineBelow)}, {V5Symbol::A, 1440}, {V5Symbol::W2, 40}};
        for (const auto& [at, v] : f)
            s.Set(at, v);
        return s;
    };
    w.symbols = {text(10, true), text(20, false)};
    const std::array<OldEntry, 5> box = {Pt(0, 0), Pt(0, -72), Pt(144, -72), Pt(144, 144), Pt(0, 144)};
    w.objects = {OldObject::Text(10, box, "AB\tC"), OldObject::Text(10, box, ""), OldObject::Text(20, box, "Hill"),
                 OldObject::Text(10, box, "AAAA")};
    // The same box turned by 90 degrees.
    w.objects[3].entries = {Pt(0, 0), Pt(72, 0), Pt(72, 144), Pt(-144, 144), Pt(-144, 0)};
    w.objects[3].angle = 900;
    // Fewer than five points: no text object.
    OldObject shortText = OldObject::Line(20, {Pt(0, 0), Pt(72, 0)});
    shortText.type = 4;
    shortText.nField = 2;
    w.objects.push_back(shortText);
    // No NUL: the text ends with the record.
    OldObject open = OldObject::Text(20, box, "Open");
    open.words = {{36, 0x2121}, {38, 0x2121}};
    open.nField = 7;
    w.objects.push_back(open);
    // Turned, and narrower than its box: the box keeps its width.
    OldObject narrow = OldObject::Text(10, box, "A");
    narrow.entries = w.objects[3].entries;
    narrow.angle = 900;
    w.objects.push_back(narrow);
    ASSERT_TRUE(OpenV5(w));
    const int32_t top = 500 * U, bottom = -V72;
    // A, B, a tab to 12.70 mm, C, and 0.04 mm.
    const int32_t wide = (1270 + 100) * U + 1024;
    EXPECT_TRUE(HasCords(map.Object(1), {{0, bottom}, {wide, bottom}, {wide, top}, {0, top}}));
    EXPECT_EQ(map.Object(1)->type, 5);
    EXPECT_EQ(map.Object(1)->Text8(), "AB\tC");
    // An empty text is one blank, narrower than its box.
    EXPECT_TRUE(HasCords(map.Object(2), {{0, bottom}, {V144 + 1024, bottom}, {V144 + 1024, top}, {0, top}}));
    EXPECT_EQ(map.Object(2)->Text8(), " ");
    EXPECT_TRUE(HasCords(map.Object(3), {{0, 0}, {0, bottom}, {V144, bottom}, {V144, V144}, {0, V144}}));
    EXPECT_EQ(map.Object(3)->type, 4);
    EXPECT_EQ(map.Object(3)->Text8(), "Hill");
    // Turned by 90 degrees: measured upright, turned back.
    const ReadObject* turned = map.Object(4);
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->type, 5);
    ASSERT_EQ(turned->cords.size(), 4u);
    EXPECT_NEAR(turned->cords[2].y, 400 * U + 1024, 512);
    EXPECT_NEAR(turned->cords[2].x, -top, 512);
    // The short one is left out: the open text follows as object 5.
    ASSERT_NE(map.Object(5), nullptr);
    EXPECT_EQ(map.Object(5)->Text8(), "Open!!!!");
    const ReadObject* kept = map.Object(6);
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->cords.size(), 4u);
    EXPECT_NEAR(kept->cords[2].y, V144 + 1024, 512);
    EXPECT_NEAR(kept->cords[2].x, -top, 512);
    EXPECT_EQ(map.Object(7), nullptr);
    EXPECT_TRUE(map.Sound()) << map.Problems();
    ASSERT_FALSE(heights.empty());
    EXPECT_EQ(heights, std::vector<int>(heights.size(), 353));
}

// ---- Damage ----

TEST_F(Convert5, CountsAndPositionsReadFromTheFileAreChecked)
{
    const struct Row {
        const char* what;
        std::function<void(Version5Writer&)> damage;
        bool opens;
    } rows[] = {
        {"data start before the index", [](Version5Writer& w) { w.dataStart = 8; }, false},
        {"data start past the end", [](Version5Writer& w) { w.dataStart = 1 << 30; }, false},
        {"negative data start", [](Version5Writer& w) { w.dataStart = -48; }, false},
        {"symbol block past the end", [](Version5Writer& w) { w.symbolBlockPos = 0x7FFFFFF0; }, false},
        {"negative symbol block", [](Version5Writer& w) { w.symbolBlockPos = -4880; }, false},
        {"negative symbol count", [](Version5Writer& w) { w.symbolCount = -2; }, true},
        {"symbol count past the file", [](Version5Writer& w) { w.symbolCount = 399; }, true},
        {"negative table count", [](Version5Writer& w) { w.tableCount = -30000; }, true},
        {"table past the file", [](Version5Writer& w) { w.tableCount = 4000; }, true},
        {"record position near 2^31", [](Version5Writer& w) { w.objects[0].posField = 0x7FFFFFFF; }, true},
        {"record length of 0", [](Version5Writer& w) { w.objects[0].lenField = 0; }, true},
        {"negative point count", [](Version5Writer& w) { w.objects[0].nField = -3; }, true},
        {"truncated in the symbols", [](Version5Writer& w) { w.truncateAt = w.Build().size() - 300; }, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Version5Writer w;
        Colours(w, 4);
        w.symbols = {LineRow(10, 0, 0, 72), LineRow(20, 1, 0, 72)};
        w.table = {Pt(1, 1), Pt(2, 2)};
        w.objects = {OldObject::Line(10, {Pt(0, 0), Pt(72, 72)}), OldObject::Point(20, 1, 1)};
        r.damage(w);
        messages.Clear();
        const bool opened = OpenV5(w, "damaged.zmd");
        EXPECT_EQ(opened, r.opens);
        if (!opened) {
            EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
            EXPECT_TRUE(WorkingCopies().isEmpty());
        } else {
            EXPECT_TRUE(map.Sound()) << map.Problems();
        }
        CloseAllDocuments();
    }
}

// An object of markers alone has no point: it is left out and the run goes on; a tab in a
// text whose symbol has no tab width takes no room.
TEST_F(Convert5, ObjectsWithoutPointsAndTabsWithoutWidth)
{
    DocumentPorts().MeasureFrameText.Bind(FixedAdvances);
    Version5Writer w;
    Colours(w, 8);
    V5Symbol t = V5Symbol::Make(10, 4, 0);
    for (const auto& [at, v] : Fields{{V5Symbol::C1, 3}, {V5Symbol::W1, 120}, {V5Symbol::Theta, 1}, {V5Symbol::W2, 40}})
        t.Set(at, v);
    w.symbols = {t, LineRow(20, 0, 0, 72)};
    w.objects = {OldObject::Line(20, {CornerMark(1), BezierMark(), HoleMark()}),
                 OldObject::Text(10, {Pt(0, 0), Pt(0, -72), Pt(1, -72), Pt(1, 144), Pt(0, 144)}, "\t\tA"),
                 OldObject::Line(20, {Pt(0, 0), Pt(72, 0)})};
    ASSERT_TRUE(OpenV5(w));
    ASSERT_EQ(map.objects.size(), 2u);
    EXPECT_EQ(map.objects[0].type, 5);
    EXPECT_EQ(map.objects[0].cords[1].x, 100 * U + 1024);
    EXPECT_EQ(map.objects[1].cords.size(), 2u);
    EXPECT_EQ(messages.Count(), 1);  // the question before the conversion only
}

TEST_F(Convert5, AWrongHeaderKeepsNoColoursOrSymbolsButItsObjects)
{
    Version5Writer w;
    w.second = 205;
    w.symbols = {LineRow(10, 0, 0, 72)};
    w.objects = {OldObject::Line(10, {Pt(0, 0), Pt(72, 72)})};
    ASSERT_TRUE(OpenV5(w));
    EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
    EXPECT_EQ(Z().SymbolCount(), 0);
    EXPECT_EQ(map.objects.size(), 1u);
}

// ---- The whole road ----

TEST_F(Convert5, OpensSavesAndReloadsEqual)
{
    DocumentPorts().MeasureFrameText.Bind(FixedAdvances);
    Version5Writer w;
    Colours(w, 8);
    w.SetupReal(44, 10000);
    for (int16_t style = 0; style < 24; ++style)
        w.symbols.push_back(LineRow(int16_t(100 + 10 * style), style, 1, 72));
    for (int16_t k = 0; k < 30; ++k)
        w.objects.push_back(OldObject::Line(int16_t(100 + 10 * (k % 24)),
                                            {Pt(k, 0), BezierMark(5), Pt(72, k), Pt(144, 0), Pt(0, 72)}));
    w.objects.push_back(OldObject::Point(100, 10, 10));
    ASSERT_TRUE(OpenV5(w, "road.zmd"));
    const std::vector<uint8_t> before = ReadAll(file);
    EXPECT_TRUE(map.Sound()) << map.Problems();
    EXPECT_EQ(map.objects.size(), 31u);
    const QString saved = MapPath("road-saved.zmd");
    dialogs.QueueAnswer(true, saved);
    ASSERT_TRUE(SaveMap(true));
    const ReadMap first = ReadMapFile(QFile::encodeName(saved).toStdString());
    EXPECT_TRUE(first.Sound()) << first.Problems();
    EXPECT_EQ(first.header.version, 8);
    CloseAllDocuments();
    // The old file is only read.
    EXPECT_EQ(ReadAll(file), before);
    ASSERT_TRUE(OpenMapByName(saved));
    ASSERT_TRUE(SaveMap(false));
    CloseAllDocuments();
    const ReadMap second = ReadMapFile(QFile::encodeName(saved).toStdString());
    ASSERT_EQ(second.objects.size(), first.objects.size());
    for (size_t k = 0; k < first.objects.size(); ++k) {
        EXPECT_EQ(second.objects[k].cords.size(), first.objects[k].cords.size());
        for (size_t j = 0; j < first.objects[k].cords.size(); ++j) {
            EXPECT_EQ(second.objects[k].cords[j].x, first.objects[k].cords[j].x);
            EXPECT_EQ(second.objects[k].cords[j].y, first.objects[k].cords[j].y);
        }
    }
    ASSERT_EQ(second.symbols.size(), first.symbols.size());
    for (size_t k = 0; k < first.symbols.size(); ++k)
        EXPECT_EQ(second.symbols[k].bytes, first.symbols[k].bytes) << k;
    EXPECT_EQ(second.setup, first.setup);
    SaveSample(saved, "converted-version5.zmd");
}

TEST_F(Convert5, EscOrARefusalOpensNothing)
{
    Version5Writer w;
    for (int16_t k = 0; k < 40; ++k)
        w.objects.push_back(OldObject::Point(10, k, k));
    const QString path = WriteBytes(w.Build(), "esc.zmd");
    const std::vector<uint8_t> before = ReadAll(path);
    int polls = 0;
    CorePorts().PumpKeyMessages.Bind([&] {
        if (++polls == 5)
            AbortRequested = true;
    });
    EXPECT_FALSE(OpenMapByName(path));
    CorePorts().PumpKeyMessages.Unbind();
    EXPECT_EQ(polls, 5);
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_EQ(Index.ActiveZmd, nullptr);
    // The question answered with Cancel.
    messages.QueueAnswer(IdCancel);
    EXPECT_FALSE(OpenMapByName(path));
    EXPECT_EQ(messages.Last().key, TextKey::ZEMO5Format);
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ReadAll(path), before);
}

} // namespace
} // namespace zemo::test
