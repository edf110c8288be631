// Enhanced metafiles: drawings written by libEMF through its drawing calls (map modes, extents,
// pen selections, 16- and 32-bit point records, poly-polygons, wide texts, a bitmap) placed by
// the header's device and the mapping records, the drawing centred on the view, and damaged files built at the record layouts.
#include "EmfDrawing.h"
#include "MetafileFixture.h"
#include "core/ByteIO.h"
#include "io/ImpEmf.h"
#include "io/Import.h"

#include <QFile>

#include <array>
#include <cmath>
#include <numbers>

#include <set>

namespace zemo::test {
namespace {

class ImpEmfTest : public MetafileTest {
protected:
    // Near the map's middle, so that 32-bit points far out still fall on the map.
    static constexpr int32_t Ex = 100 * Mm, Ey = -50 * Mm;
    void SetUp() override
    {
        MetafileTest::SetUp();
        Stp()->ViewCenterX = Ex;
        Stp()->ViewCenterY = Ey;
    }
    static uint32_t At(const QByteArray& b, int at) { return LoadLE<uint32_t>(reinterpret_cast<const uint8_t*>(b.constData() + at)); }
    // The objects' points in whole 0.01 mm, each less the first point of the first object: what
    // the drawing's placement on the view leaves unchanged.
    static std::vector<std::vector<std::pair<int64_t, int64_t>>> Relative(const std::vector<Obj>& o)
    {
        std::vector<std::vector<std::pair<int64_t, int64_t>>> out;
        if (o.empty() || o[0].pts.empty())
            return out;
        const Cord origin = o[0].pts[0];
        for (const auto& obj : o) {
            auto& pts = out.emplace_back();
            for (Cord c : obj.pts)
                pts.emplace_back((Masked(c.x) - Masked(origin.x)) / 256, (Masked(c.y) - Masked(origin.y)) / 256);
        }
        return out;
    }
    // The record types of a file, walked by their sizes.
    static std::multiset<uint32_t> Types(const QByteArray& b)
    {
        std::multiset<uint32_t> out;
        for (qsizetype p = 0; p + 8 <= b.size() && At(b, int(p + 4)) >= 8;) {
            out.insert(At(b, int(p)));
            p += At(b, int(p + 4));
        }
        return out;
    }
};

void Put(QByteArray& b, int32_t v)
{
    for (int k = 0; k < 4; ++k)
        b += char((uint32_t(v) >> (8 * k)) & 0xFF);
}

// A record of this type whose size word says `size` (0: its true size).
QByteArray Rec(uint32_t type, std::initializer_list<int32_t> params, uint32_t size = 0)
{
    QByteArray r;
    Put(r, int32_t(type));
    Put(r, int32_t(size ? size : 8 + 4 * params.size()));
    for (int32_t v : params)
        Put(r, v);
    return r;
}

// 16-bit points packed two to a parameter.
int32_t P16(int16_t x, int16_t y)
{
    return int32_t(uint32_t(uint16_t(x)) | uint32_t(uint16_t(y)) << 16);
}

// A header of bounds 0, 0, 100, 100 on this device, then the records and the end record.
QByteArray Emf(const QByteArray& records, int32_t px = 1024, int32_t py = 768, int32_t mmx = 320, int32_t mmy = 240)
{
    QByteArray h;
    for (int32_t v : {1, 88, 0, 0, 100, 100, 0, 0, 2540, 2540, int32_t(EmfSignature), 0x10000, 0, 0, 1, 0, 0, 0, px,
                      py, mmx, mmy})
        Put(h, v);
    return h + records + Rec(14, {0, 16, 20});
}

const QByteArray Line16 = Rec(87, {0, 0, 0, 0, 2, P16(0, 0), P16(10, 10)});

TEST(ImpEmf, FormatTestNeedsExtensionAndSignature)
{
    const QByteArray good = Emf({});
    QByteArray unsigned_ = good;
    unsigned_[40] = 'X';
    const struct {
        const char* name;
        QByteArray head;
        bool ok;
    } cases[] = {{"a.emf", good, true},          {"a.EMF", good.left(44), true}, {"a.wmf", good, false},
                 {"a.emf", unsigned_, false},    {"a.emf", good.left(43), false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsEmfFile(QString::fromLatin1(c.name), c.head), c.ok) << c.name;
}

TEST_F(ImpEmfTest, ALibEmfDrawingComesInByItsMappingCentredOnTheView)
{
    const QString path = Samples() + QStringLiteral("/emf-libemf-drawing.emf");
    QFile::remove(path);
    {
        EmfDrawing d(path.toStdString(), 0, 0, 2540, 1270);
        d.Polyline({{0, 0}, {81, 40}})
            .Pen(1)
            .MapMode(8)
            .WindowExt(1000, 500)
            .ViewportExt(81, 40)
            .Polygon({{0, 0}, {1000, 0}, {1000, 500}, {0, 500}})
            .Pen(2)
            .PolyPolygon({{{0, 0}, {1000, 0}, {1000, 500}, {0, 500}}, {{100, 100}, {200, 100}, {200, 200}}})
            .Polyline({{0, 0}, {40000, 20000}})
            .PolyPolygon({{{0, 0}, {40000, 0}, {40000, 500}}, {{10, 10}, {20, 10}, {20, 20}}})
            .Polyline({{0, 0}, {300000, 0}})
            .MapMode(3)
            .Polyline({{0, 0}, {100, -200}})
            .MapMode(8)
            .Text(500, 250, u"H\u00e9llo \u0101");
    }
    const QByteArray emf = Read(path);
    ASSERT_TRUE(IsEmfFile(path, emf));
    // The writer's reference device: 1024 x 768 pixels on 320 x 240 mm, 81 pixels an inch;
    // a frame of 25.4 x 12.7 mm is 81 x 40 pixels.
    ASSERT_EQ(At(emf, 72), 1024u);
    ASSERT_EQ(At(emf, 80), 320u);
    ASSERT_EQ(At(emf, 16), 81u);
    ASSERT_EQ(At(emf, 20), 40u);
    const std::multiset<uint32_t> types = Types(emf);
    for (uint32_t t : {87u, 86u, 91u, 4u, 8u, 84u})
        EXPECT_EQ(types.count(t) > 0, true) << "record " << t << " not written";
    EXPECT_EQ(types.count(37), 2u);

    int count = 0;
    ASSERT_TRUE(ImportEmfHandle(emf, &count));
    EXPECT_EQ(count, 7);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 7u);
    // The drawing (without the line too long for the map) reaches from logical (0, 0) to
    // 101600 right and 50173 down: its middle lands on the view's centre.
    const int32_t ox = Ex - 50800 * 256, oy = Ey + 25086 * 256;
    // One pixel is 2540 / 81 units; 81 x 40 pixels reach 2540 x -1254.
    EXPECT_EQ(o[0].type, LineObject);
    EXPECT_EQ(o[0].layer, "EMF 1");
    EXPECT_EQ(o[0].pts, (std::vector<Cord>{{ox, oy}, {ox + 2540 * 256, oy - 1254 * 256}}));
    // Map mode 8 with 1000 x 500 logical units on 81 x 40 pixels: x 2.54, y -2.5086 units.
    EXPECT_EQ(o[1].type, AreaObject);
    EXPECT_EQ(o[1].layer, "EMF 2");
    EXPECT_EQ(o[1].pts, (std::vector<Cord>{{ox, oy}, {ox + 2540 * 256, oy}, {ox + 2540 * 256, oy - 1254 * 256},
                                           {ox, oy - 1254 * 256}}));
    ASSERT_EQ(o[2].pts.size(), 7u);
    EXPECT_EQ(o[2].layer, "EMF 3");
    for (size_t k = 0; k < 7; ++k)
        EXPECT_EQ(Flags(o[2].pts[k].y), k == 4 ? HoleFlag : 0) << k;
    EXPECT_EQ(o[2].pts[4], (Cord{ox + 254 * 256, (oy - 251 * 256) | HoleFlag}));
    // 32-bit points.
    EXPECT_EQ(o[3].pts, (std::vector<Cord>{{ox, oy}, {ox + 101600 * 256, oy - 50173 * 256}}));
    ASSERT_EQ(o[4].pts.size(), 6u);
    EXPECT_EQ(o[4].pts[1], (Cord{ox + 101600 * 256, oy}));
    EXPECT_EQ(Flags(o[4].pts[3].y), HoleFlag);
    // The line 300000 units long would leave the map; in 0.01 mm with y upward then.
    EXPECT_EQ(o[5].pts, (std::vector<Cord>{{ox, oy}, {ox + 100 * 256, oy - 200 * 256}}));
    // Wide text in code page 1252, all five points at the reference point.
    EXPECT_EQ(o[6].type, TextObject);
    EXPECT_EQ(o[6].text, "H\xE9llo ?");
    EXPECT_EQ(o[6].pts, std::vector<Cord>(5, Cord{ox + 1270 * 256, oy - 627 * 256}));
    EXPECT_EQ(messages.CountOf(TextKey::CannotImportBitmap), 0);
    EXPECT_EQ(Index.SelectionCount, 7);
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_EQ(Objects().size(), 0u);
}

TEST_F(ImpEmfTest, ARotatingWorldTransformTurnsEveryPointAndTheStockPensSayWhatIsDrawn)
{
    const QString path = Samples() + QStringLiteral("/emf-libemf-world-transform.emf");
    QFile::remove(path);
    // Turned by 30 degrees and moved; one logical unit a pixel of the writer's 81-dpi device.
    const float c = float(std::cos(std::numbers::pi / 6)), s = float(std::sin(std::numbers::pi / 6));
    {
        EmfDrawing d(path.toStdString(), 0, 0, 20000, 20000);
        d.WorldTransform(c, s, -s, c, 100, 200)
            .Stock(7)  // the black pen
            .MoveTo(10, 40).LineTo(400, 40).LineTo(400, 250)
            .Stock(8)  // the null pen draws nothing
            .MoveTo(0, 0).LineTo(50, 50)
            .Polygon({{0, 0}, {30, 0}, {30, 30}})  // filled with the white brush
            .Stock(5)  // the null brush: and no pen either
            .Polygon({{0, 0}, {30, 0}, {30, 30}})
            .Stock(7)  // the outline alone
            .Polygon({{500, 0}, {600, 0}, {600, 80}});
    }
    const QByteArray emf = Read(path);
    ASSERT_EQ(At(emf, 72), 1024u);
    ASSERT_EQ(At(emf, 80), 320u);
    ASSERT_EQ(Types(emf).count(35), 1u) << "the writer keeps the transform as a record";
    ASSERT_TRUE(ImportEmfHandle(emf));
    const auto o = Objects();
    ASSERT_EQ(o.size(), 3u);
    EXPECT_EQ(o[0].type, LineObject);
    EXPECT_EQ(o[1].type, AreaObject);
    EXPECT_EQ(o[2].type, LineObject);
    // Each logical point through the transform, then 2540 / 81 hundredths of a millimetre a
    // unit, y upward.
    const auto at = [&](double x, double y) {
        const double wx = x * c - y * s + 100, wy = x * s + y * c + 200;
        return std::pair(int64_t(std::nearbyint(wx * 2540 / 81)), int64_t(std::nearbyint(-wy * 2540 / 81)));
    };
    const std::vector<std::vector<std::pair<double, double>>> source{
        {{10, 40}, {400, 40}, {400, 250}}, {{0, 0}, {30, 0}, {30, 30}}, {{500, 0}, {600, 0}, {600, 80}, {500, 0}}};
    std::vector<std::vector<std::pair<int64_t, int64_t>>> expected;
    const auto origin = at(10, 40);
    for (const auto& obj : source) {
        auto& pts = expected.emplace_back();
        for (auto [x, y] : obj) {
            const auto p = at(x, y);
            pts.emplace_back(p.first - origin.first, p.second - origin.second);
        }
    }
    EXPECT_EQ(Relative(o), expected);
    // The first segment runs at 30 degrees, upward on the map.
    const Cord a = o[0].pts[0], b = o[0].pts[1];
    EXPECT_NEAR(std::atan2(double(Masked(b.y) - Masked(a.y)), double(Masked(b.x) - Masked(a.x))) * 180 / std::numbers::pi,
                -30, 0.01);
}

// GDI's order of mappings, modelled here from its documentation: the world transform (set,
// multiplied before or after, reset), saved and restored with the rest of the state, then the
// window and viewport origins of the map mode; a metric map mode keeps its own scale.
TEST_F(ImpEmfTest, ModifiedTransformsSavedStatesAndOriginsPlaceEveryPoint)
{
    const QString path = Samples() + QStringLiteral("/emf-libemf-modified-transforms.emf");
    QFile::remove(path);
    using Xform = std::array<double, 6>;  // m11, m12, m21, m22, dx, dy
    const auto turn = [](double degrees) {
        const double a = degrees * std::numbers::pi / 180;
        return Xform{double(float(std::cos(a))), double(float(std::sin(a))), -double(float(std::sin(a))),
                     double(float(std::cos(a))), 0, 0};
    };
    // a, then b.
    const auto then = [](const Xform& a, const Xform& b) {
        return Xform{a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
                     a[2] * b[1] + a[3] * b[3], a[4] * b[0] + a[5] * b[2] + b[4], a[4] * b[1] + a[5] * b[3] + b[5]};
    };
    struct State {
        Xform world{1, 0, 0, 1, 0, 0};
        double wox = 0, woy = 0, vox = 0, voy = 0;
        bool metric = false;  // 0.1 mm a unit, y upward
        double pixels = 1;    // device pixels a unit
    };
    const double pixel = 2540.0 / 81;  // the writer's device, in 0.01 mm
    // A point in 0.01 mm, y upward.
    const auto place = [&](const State& g, double x, double y) {
        const auto& w = g.world;
        const double px = x * w[0] + y * w[2] + w[4] - g.wox, py = x * w[1] + y * w[3] + w[5] - g.woy;
        if (g.metric)
            return std::pair(px * 10 + g.vox * pixel, py * 10 - g.voy * pixel);
        return std::pair((px * g.pixels + g.vox) * pixel, -(py * g.pixels + g.voy) * pixel);
    };
    std::vector<std::vector<std::pair<double, double>>> want;
    const auto draw = [&](EmfDrawing& d, const State& g, const EmfDrawing::Points& pts) {
        d.Polyline(pts);
        auto& line = want.emplace_back();
        for (auto [x, y] : pts)
            line.push_back(place(g, x, y));
    };
    {
        EmfDrawing d(path.toStdString(), 0, 0, 20000, 20000);
        State g;
        g.world = {1, 0, 0, 1, 300, 200};
        d.WorldTransform(1, 0, 0, 1, 300, 200);
        // A fan: each blade turned about its own origin before the move.
        for (int k = 0; k < 4; ++k) {
            const Xform t = turn(30 * k);
            State saved = g;
            d.Save().ModifyTransform(float(t[0]), float(t[1]), float(t[2]), float(t[3]), 0, 0, 2);
            g.world = then(t, g.world);
            draw(d, g, {{0, 0}, {100, 0}, {100, 20}});
            d.Restore(-1);
            g = saved;
        }
        // Turned after the move: about the page's origin.
        const Xform q = turn(90);
        d.ModifyTransform(float(q[0]), float(q[1]), float(q[2]), float(q[3]), 0, 0, 3);
        g.world = then(g.world, q);
        draw(d, g, {{0, 0}, {50, 0}});
        d.ModifyTransform(1, 0, 0, 1, 0, 0, 1);
        g.world = {1, 0, 0, 1, 0, 0};
        d.WindowOrg(-40, 10);
        g.wox = -40, g.woy = 10;
        draw(d, g, {{0, 0}, {60, 0}});
        d.ViewportOrg(20, 30);
        g.vox = 20, g.voy = 30;
        draw(d, g, {{0, 0}, {0, 60}});
        d.Save().MapMode(2);
        State metric = g;
        metric.metric = true;
        draw(d, metric, {{0, 0}, {1000, 500}});
        d.Restore(-1);
        // Isotropic: twice as wide a viewport as high still maps a unit to one pixel each way.
        d.Save().MapMode(7).WindowExt(100, 100).ViewportExt(200, 100);
        draw(d, g, {{0, 0}, {100, 50}});
        d.Restore(-1);
        draw(d, g, {{0, 0}, {10, 0}});
    }
    const QByteArray emf = Read(path);
    const std::multiset<uint32_t> types = Types(emf);
    for (uint32_t t : {33u, 34u, 36u, 10u, 12u})
        ASSERT_GT(types.count(t), 0u) << "record " << t << " not written";
    ASSERT_TRUE(ImportEmfHandle(emf));
    const auto o = Objects();
    ASSERT_EQ(o.size(), want.size());
    const auto r = Relative(o);
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(r[i].size(), want[i].size());
        for (size_t k = 0; k < want[i].size(); ++k) {
            EXPECT_NEAR(double(r[i][k].first), want[i][k].first - want[0][0].first, 1) << k;
            EXPECT_NEAR(double(r[i][k].second), want[i][k].second - want[0][0].second, 1) << k;
        }
    }
}

TEST_F(ImpEmfTest, FiguresClosedByACurveBoxesEllipsesAndEightBitTextsComeInPointForPoint)
{
    const QString path = Samples() + QStringLiteral("/emf-libemf-closed-curves.emf");
    QFile::remove(path);
    {
        EmfDrawing d(path.toStdString(), 0, 0, 20000, 20000);
        d.BeginPath()
            .MoveTo(0, 0)
            .PolyBezierTo({{100, 0}, {100, 100}, {0, 100}, {-100, 100}, {-100, 0}, {0, 0}})
            .CloseFigure()
            .EndPathAndFill()
            .Rectangle(0, 0, 100, 50)
            .Ellipse(0, 0, 200, 100)
            .Stock(5)
            .Ellipse(0, 0, 200, 100)
            .Arc(0, 0, 100, 100, 100, 50, 0, 50)
            .TextA(10, 20, "Ab\xE9");
    }
    messages.Clear();
    ASSERT_TRUE(ImportEmfHandle(Read(path), nullptr, path));
    const auto o = Objects();
    ASSERT_EQ(o.size(), 5u);
    const double u = 2540.0 / 81;  // 0.01 mm a unit, y upward
    const auto p = [u](double x, double y) { return std::pair(int64_t(std::nearbyint(x * u)), int64_t(std::nearbyint(-y * u))); };
    const auto rel = [&](std::initializer_list<std::pair<double, double>> pts, std::pair<double, double> origin) {
        std::vector<std::pair<int64_t, int64_t>> out;
        const auto o0 = p(origin.first, origin.second);
        for (auto [x, y] : pts) {
            const auto q = p(x, y);
            out.emplace_back(q.first - o0.first, q.second - o0.second);
        }
        return out;
    };
    const auto r = Relative(o);
    // The figure's last curve ends on its start: that end stays, with its two control points.
    EXPECT_EQ(o[0].type, AreaObject);
    EXPECT_EQ(r[0], rel({{0, 0}, {100, 0}, {100, 100}, {0, 100}, {-100, 100}, {-100, 0}, {0, 0}}, {0, 0}));
    std::vector<int32_t> flags;
    for (Cord c : o[0].pts)
        flags.push_back(c.x & 3);
    EXPECT_EQ(flags, (std::vector<int32_t>{0, FirstBezierFlag, SecondBezierFlag, 0, FirstBezierFlag, SecondBezierFlag, 0}));
    // The rectangle's corners, filled by the white brush.
    EXPECT_EQ(o[1].type, AreaObject);
    EXPECT_EQ(r[1], rel({{0, 0}, {100, 0}, {100, 50}, {0, 50}}, {0, 0}));
    // The ellipse: four curves from its top round to its top, filled; then its outline alone.
    const double k = 0.5522847498307936;
    const auto ellipse = rel({{100, 0}, {100 + 100 * k, 0}, {200, 50 - 50 * k}, {200, 50}, {200, 50 + 50 * k},
                              {100 + 100 * k, 100}, {100, 100}, {100 - 100 * k, 100}, {0, 50 + 50 * k}, {0, 50},
                              {0, 50 - 50 * k}, {100 - 100 * k, 0}, {100, 0}},
                             {0, 0});
    EXPECT_EQ(o[2].type, AreaObject);
    EXPECT_EQ(r[2], ellipse);
    EXPECT_EQ(o[3].type, LineObject);
    EXPECT_EQ(r[3], ellipse);
    EXPECT_EQ(o[4].type, TextObject);
    EXPECT_EQ(o[4].text, "Ab\xE9");
    EXPECT_EQ(r[4].front(), rel({{10, 20}}, {0, 0}).front());
    // The arc is not read, and the report names it.
    ASSERT_EQ(messages.CountOf(TextKey::ImportReportRead), 1);
    EXPECT_TRUE(MessageText(messages.Last()).endsWith(Text(TextKey::UnreadDrawingRecords) + QStringLiteral(" (ARC): 1")))
        << MessageText(messages.Last()).toStdString();
}

TEST_F(ImpEmfTest, DamagedFilesEndOrSkipCleanly)
{
    QByteArray unsigned_ = Emf(Line16);
    unsigned_[40] = 'X';
    QByteArray headerPastEnd = Emf(Line16);
    headerPastEnd[4] = char(0xF0);
    QByteArray manyPoints = Rec(4, {0, 0, 0, 0, MaxElementItems + 1}, 28 + 8 * (MaxElementItems + 1));
    manyPoints += QByteArray(8 * (MaxElementItems + 1), '\0');
    const struct {
        const char* what;
        QByteArray bytes;
        bool opens;
        int objects;
    } cases[] = {
        {"header cut", Emf(Line16).left(80), false, 0},
        {"no signature", unsigned_, false, 0},
        {"header past the end", headerPastEnd, false, 0},
        {"no device pixels", Emf(Line16, 0, 768), false, 0},
        {"no device millimetres", Emf(Line16, 1024, 768, 320, 0), false, 0},
        {"under a pixel an inch", Emf(Line16, 1, 1, 1000, 1000), false, 0},
        {"size 0", Emf(QByteArray::fromHex("5700000000000000") + Line16), true, 0},
        {"size 4", Emf(Rec(87, {}, 4) + Line16), true, 0},
        // Read as 38 bytes, the line after the two bytes of padding would come in.
        {"size 38", Emf(Rec(87, {0, 0, 0, 0, 2, 0, 0}, 38) + QByteArray(2, '\0') + Line16), true, 0},
        {"past the end", Emf(Rec(87, {0, 0, 0, 0, 2, 0, 0}, 0x10000)), true, 0},
        {"forged count", Emf(Rec(87, {0, 0, 0, 0, 500, 0, 0}) + Line16), true, 1},
        {"forged wide count", Emf(Rec(4, {0, 0, 0, 0, 0x20000000, 0, 0}) + Line16), true, 1},
        {"more points than an object holds", Emf(manyPoints + Line16), true, 1},
        {"one triangle, the smallest poly-polygon", Emf(Rec(91, {0, 0, 0, 0, 1, 3, 3, P16(0, 0), P16(1, 0), P16(1, 1)}) + Line16), true, 2},
        {"forged polygon counts", Emf(Rec(91, {0, 0, 0, 0, 2, 3, 2, 2, P16(0, 0), P16(1, 0), P16(1, 1)}) + Line16), true, 1},
        {"forged polygon number", Emf(Rec(91, {0, 0, 0, 0, 0x40000000, 3, 3, P16(0, 0), P16(1, 0), P16(1, 1)}) + Line16), true, 1},
        {"forged text", Emf(Rec(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 1000, 76, 0, 0, 0, 0, 0, 0, 0x61}) + Line16), true, 1},
        {"text offset outside", Emf(Rec(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 4000, 0, 0, 0, 0, 0, 0, 0x61}) + Line16), true, 1},
        {"zero extents", Emf(Rec(17, {8}) + Rec(9, {0, 5}) + Rec(11, {5, 0}) + Line16), true, 1},
    };
    for (const auto& c : cases) {
        const int before = Index.ActiveZmd->HighestObject;
        messages.Clear();
        EXPECT_EQ(ImportEmfHandle(c.bytes), c.opens) << c.what;
        EXPECT_EQ(messages.CountOf(TextKey::CannotOpenEmf), c.opens ? 0 : 1) << c.what;
        EXPECT_EQ(Index.ActiveZmd->HighestObject - before, c.objects) << c.what;
    }
    // A wide text of one character at the reference point reads; a long one is cut.
    ASSERT_TRUE(ImportEmfHandle(Emf(Rec(84, {0, 0, 0, 0, 1, 0, 0, 50, 50, 1, 77, 0, 0, 0, 0, 0, 0, 0x61}))));
    EXPECT_EQ(Objects().back().text, "a");
    QByteArray longText = Rec(84, {0, 0, 0, 0, 1, 0, 0, 50, 50, 8200, 76, 0, 0, 0, 0, 0, 0}, 76 + 8200 * 2);
    for (int k = 0; k < 8200; ++k)
        longText += QByteArray("b\0", 2);
    ASSERT_TRUE(ImportEmfHandle(Emf(longText)));
    EXPECT_EQ(Objects().back().text, QByteArray(MaxEmfTextBytes, 'b'));
}

// The device context's own pen and brush (stock objects 19 and 18) draw after the null ones.
TEST_F(ImpEmfTest, TheDeviceContextsPenAndBrushDrawAfterTheNullOnes)
{
    const int32_t stock = int32_t(0x80000000u);
    const QByteArray triangle = Rec(86, {0, 0, 0, 0, 3, P16(0, 0), P16(10, 0), P16(10, 10)});
    ASSERT_TRUE(ImportEmfHandle(Emf(Rec(37, {stock | 8}) + Line16 + Rec(37, {stock | 19}) + Line16
                                    + Rec(37, {stock | 5}) + triangle + Rec(37, {stock | 18}) + triangle)));
    const auto o = Objects();
    ASSERT_EQ(o.size(), 3u);
    EXPECT_EQ(o[0].type, LineObject);
    EXPECT_EQ(o[1].type, LineObject) << "the outline of the unfilled triangle";
    EXPECT_EQ(o[1].pts.size(), 4u);
    EXPECT_EQ(o[2].type, AreaObject);
}

// Data that stops before the end record is cut even where it stops between two records.
TEST_F(ImpEmfTest, DataStoppingBeforeTheEndRecordIsReportedCut)
{
    const QByteArray whole = Emf(Line16 + Line16);
    EXPECT_EQ(Brought(ImportEmfHandle, whole), std::pair(2, false));
    EXPECT_EQ(Brought(ImportEmfHandle, whole.chopped(20)), std::pair(2, true)) << "without the end record";
    EXPECT_EQ(Brought(ImportEmfHandle, whole.chopped(20 + Line16.size())), std::pair(1, true)) << "after the first line";
}

// The writer draws no pictures, so the bitmap records are made here.
TEST_F(ImpEmfTest, BitmapRecordsAreReportedOnce)
{
    for (uint32_t type : {76u, 77u, 79u, 81u, 82u}) {
        messages.Clear();
        ASSERT_TRUE(ImportEmfHandle(Emf(Rec(type, {0, 0, 10, 10}) + Rec(type, {0, 0, 10, 10}) + Line16)));
        EXPECT_EQ(messages.CountOf(TextKey::CannotImportBitmap), type >= 77 && type <= 81 ? 1 : 0) << type;
    }
    EXPECT_EQ(Objects().size(), 5u);
}

// Esc is looked at after every record; what came in before stays, as one undo step.
TEST_F(ImpEmfTest, EscStopsAfterTheRecordItWasPressedAt)
{
    escAt = 2;
    int count = 0;
    ASSERT_TRUE(ImportEmfHandle(Emf(Line16 + Line16 + Line16), &count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Index.SelectionCount, 2);
    ASSERT_TRUE(CanUndo());
}

TEST_F(ImpEmfTest, FileImportTakesAnEnhancedMetafile)
{
    ResetImportUnit();
    InitImportUnit();
    InitImpEmfUnit();
    {
        EmfDrawing d(InMaps("drawing.emf").toStdString(), 0, 0, 1000, 1000);
        d.Polygon({{0, 0}, {10, 0}, {10, 10}}).Polyline({{0, 0}, {5, 5}});
    }
    ImportFileByName(InMaps("drawing.emf"));
    const auto o = Objects();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0].type, AreaObject);
    EXPECT_EQ(o[1].type, LineObject);
}

} // namespace
} // namespace zemo::test
