// The line painter: lengths on the recording device read in 0.01 mm; colour passes and the
// widths of the sides checked by pixel.
#include "Fixture.h"

#include "render/Points.h"

#include <algorithm>
#include <map>

using namespace zemo;
using namespace zemo::rtest;

namespace {

Cord C(int x, int y) { return Cord{x * 256, y * 256}; }  // 0.01 mm

// A line symbol: fields by literal offset, then the five lists in order.
enum : size_t {
    OLineColor = 348, OLineWidth = 350, OStyleBits = 352, ODistFromStart = 354, ODistToEnd = 356,
    OMainLength = 358, OEndLength = 360, OMainGap = 362, OSecGap = 364, OEndGap = 366,
    OMinSym = 368, ONPrimSym = 370, OPrimSymDist = 372, ODblMode = 374, ODblFlags = 376,
    ODblFillColor = 378, ODblLeftColor = 380, ODblRightColor = 382, ODblWidth = 384,
    ODblLeftWidth = 386, ODblRightWidth = 388, ODblLength = 390, ODblGap = 392,
    ODecMode = 400, ODecLast = 402, OFrColor = 406, OFrWidth = 408, OFrStyle = 410,
};

struct LineSym {
    std::map<size_t, int> Fields;
    std::vector<uint8_t> Lists[5];
    int SizeAdjust = 0;                // a wrong stated size
    std::map<int, int> CountOverride;  // list index -> stated slot count
    std::vector<uint8_t> Bytes;

    LineSym& Set(size_t offset, int v)
    {
        Fields[offset] = v;
        return *this;
    }
    const uint8_t* Build()
    {
        Bytes = Head(424, 1010, 2, {});
        for (auto [off, v] : Fields)
            Put16(Bytes, off, v);
        for (int i = 0; i < 5; ++i) {
            const auto it = CountOverride.find(i);
            Put16(Bytes, 412 + 2 * size_t(i), it != CountOverride.end() ? it->second : int(Lists[i].size() / 8));
            Bytes.insert(Bytes.end(), Lists[i].begin(), Lists[i].end());
        }
        Put16(Bytes, 0, int(Bytes.size()) + SizeAdjust);
        Bytes.resize(Bytes.size() + 64, 0);
        return Bytes.data();
    }
};


struct Pt {
    int x, y;            // 0.01 mm
    int fx = 0, fy = 0;  // flags
};

void SetLine(const std::vector<Pt>& pts)
{
    std::vector<Cord> c;
    for (const Pt& p : pts)
        c.push_back(Cord{p.x * 256 | p.fx, p.y * 256 | p.fy});
    SetObject(DrawElement, 1010, LineObject, c);
}

struct Span {
    double from, to;
};

class LinePainter : public ::testing::Test {
protected:
    RecordingDevice rec{QSize(40000, 40000)};

    void SetUp() override
    {
        ResetLayer();
        MapUnitTransform();
        Graph.OutputMode = ScreenOutput;
        Graph.OutputDC = &rec;
        BeginDrawing(false);
    }
    void TearDown() override
    {
        EndDrawing();
        Graph.OutputDC = nullptr;
        DrawSymbol = DefaultSymbol.data();
    }
    void Paint(LineSym& sym, int color = 0)
    {
        DrawSymbol = sym.Build();
        Graph.CurrentColor = color;
        Redraw();
    }
    // A fresh drawing, so that pens are recorded again.
    void Redraw()
    {
        EndDrawing();
        BeginDrawing(false);
        Graph.OutputCmyk = Black;
        rec.clear();
        DrawLineObject();
    }
    // x extents of the recorded strokes (of horizontal lines at y when y >= 0).
    std::vector<Span> XSpans(double y = -1, const char* what = "polyline") const
    {
        std::vector<Span> out;
        for (const auto& pl : Recorded(rec, what)) {
            if (y >= 0 && std::abs(pl.front().y() - y) > 0.5)
                continue;
            double lo = 1e18, hi = -1e18;
            for (QPointF p : pl) {
                lo = std::min(lo, p.x());
                hi = std::max(hi, p.x());
            }
            out.push_back({lo, hi});
        }
        return out;
    }
};

LineSym DashedSymbol(int a, int gap, int b)
{
    LineSym s;
    s.Set(OLineWidth, 30).Set(OMainLength, a).Set(OMainGap, gap).Set(OEndLength, b);
    return s;
}

QRect Bounds(const std::vector<QPointF>& pts)
{
    return QPolygonF(QList<QPointF>(pts.begin(), pts.end())).boundingRect().toRect();
}

void ExpectSpans(const std::vector<Span>& got, const std::vector<Span>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got[i].from, want[i].from, 1) << "dash " << i;
        EXPECT_NEAR(got[i].to, want[i].to, 1) << "dash " << i;
    }
}

} // namespace

TEST_F(LinePainter, DashesFitEachPartAndMinSymDecidesTheGaps)
{
    // a 2 mm, gap 0.5 mm, end dash 1 mm. 10 mm: n = 3, s = 1; 11 mm: dashes stretched by 9 / 8,
    // gaps kept; 1.5 and 3 mm: MinSym 1 forces one main dash, -1 none and no gaps.
    const double s = 900.0 / 800.0;
    const struct { std::vector<Pt> line; int minSym; std::vector<Span> spans; } cases[] = {
        {{{0, 100}, {1000, 100}}, 0, {{0, 100}, {150, 350}, {400, 600}, {650, 850}, {900, 1000}}},
        {{{0, 100}, {1100, 100}}, 0, {{0, 100 * s}, {100 * s + 50, 300 * s + 50}, {300 * s + 100, 500 * s + 100},
                                      {500 * s + 150, 700 * s + 150}, {700 * s + 200, 1100}}},
        {{{0, 100}, {150, 100}}, 0, {{0, 50}, {100, 150}}},
        {{{0, 100}, {150, 100}}, 1, {{0, 12.5}, {62.5, 87.5}, {137.5, 150}}},
        {{{0, 100}, {150, 100}}, -1, {{0, 150}}},
        {{{0, 100}, {300, 100}}, 1, {{0, 50}, {100, 200}, {250, 300}}},
        {{{0, 100}, {300, 100}}, 0, {{0, 125}, {175, 300}}},
        // Two parts meeting at a dash point: the end dash a / 2 runs on into the start dash.
        {{{0, 100}, {750, 100, 0, DashFlag}, {1500, 100}}, 0,
         {{0, 100}, {150, 350}, {400, 600}, {650, 850}, {900, 1100}, {1150, 1350}, {1400, 1500}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.back().x * 10 + c.minSym);
        SetLine(c.line);
        LineSym sym = DashedSymbol(200, 50, 100);
        Paint(sym.Set(OMinSym, c.minSym));
        ExpectSpans(XSpans(), c.spans);
    }
    // At a corner one dash bends round it; a short part beside a long one loses its gaps
    // whatever MinSym says.
    SetLine({{0, 100}, {1000, 100, 0, CornerFlag}, {1000, 250}});
    for (int minSym : {0, 1}) {
        LineSym sym = DashedSymbol(200, 50, 100);
        Paint(sym.Set(OMinSym, minSym));
        const auto strokes = Recorded(rec);
        ASSERT_FALSE(strokes.empty());
        for (size_t k = 0; k + 1 < strokes.size(); ++k)
            for (QPointF p : strokes[k])
                EXPECT_LE(p.y(), 100) << "only the last stroke reaches the short part";
        EXPECT_EQ(strokes.back().back(), QPointF(1000, 250));
        EXPECT_EQ(strokes.back().front(), QPointF(900, 100));
        EXPECT_NE(std::find(strokes.back().begin(), strokes.back().end(), QPointF(1000, 100)), strokes.back().end());
    }
}

TEST_F(LinePainter, PointedEndsShrinkOnShortLines)
{
    LineSym sym;
    sym.Set(OLineWidth, 100).Set(OStyleBits, PointedEndsBit).Set(ODistFromStart, 300).Set(ODistToEnd, 300);
    const auto tips = [this] { return XSpans(-1, "polygon"); };
    // 10 mm >= 1.5 x 6 mm: full 3 mm tips, the stroke between them.
    SetLine({{0, 500}, {1000, 500}});
    Paint(sym);
    ExpectSpans(XSpans(), {{300, 700}});
    ExpectSpans(tips(), {{0, 300}, {700, 1000}});
    // 6 mm: tips of round(2/3 x 300 x 600 / 600) = 200.
    SetLine({{0, 500}, {600, 500}});
    Paint(sym);
    ExpectSpans(XSpans(), {{200, 400}});
    ExpectSpans(tips(), {{0, 200}, {400, 600}});
    // The tip is as wide as the line where it meets it and a third of it half way.
    const auto polys = Recorded(rec, "polygon");
    ASSERT_FALSE(polys.empty());
    EXPECT_EQ(Bounds(polys[0]).bottom(), 549);

    // Thinner than 1.5 device units: no tips, one stroke over the whole length.
    Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256 / 100;
    Paint(sym);
    EXPECT_TRUE(Recorded(rec, "polygon").empty());
    EXPECT_EQ(Recorded(rec).size(), 1u);
}

TEST_F(LinePainter, NoLeftLineFlagGapsOnlyTheLeftLine)
{
    LineSym sym;
    sym.Set(ODblMode, 1).Set(ODblWidth, 100).Set(ODblLeftWidth, 20).Set(ODblRightWidth, 20)
        .Set(ODblFlags, 1);
    SetLine({{0, 500}, {300, 500, NoLeftLineFlag, 0}, {600, 500}, {1000, 500}});
    Paint(sym);
    // Left at +0.6 mm, right at -0.6 mm (left of the direction of travel).
    ExpectSpans(XSpans(560), {{0, 300}, {600, 1000}});
    ExpectSpans(XSpans(440), {{0, 1000}});
    const auto fills = Recorded(rec, "polygon");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(Bounds(fills[0]), QRect(0, 450, 1000, 100)) << "the fill spans the gap between the sides";
    // The right-line flag gaps only the right line.
    SetLine({{0, 500}, {300, 500, 0, NoRightLineFlag}, {600, 500}, {1000, 500}});
    Paint(sym);
    ExpectSpans(XSpans(560), {{0, 1000}});
    ExpectSpans(XSpans(440), {{0, 300}, {600, 1000}});
}

TEST_F(LinePainter, DoubleLineWithDashedSidesAndFill)
{
    LineSym sym;
    sym.Set(ODblMode, 3).Set(ODblWidth, 100).Set(ODblLeftWidth, 20).Set(ODblRightWidth, 20)
        .Set(ODblFlags, 1).Set(ODblLength, 200).Set(ODblGap, 50).Set(ODblFillColor, 2);
    SetLine({{0, 500}, {1000, 500}});
    Paint(sym);
    // n = round(950 / 250) = 4 equal dashes over (L + gap) / n.
    const std::initializer_list<Span> dashes = {{0, 212}, {262, 475}, {525, 738}, {788, 1000}};
    ExpectSpans(XSpans(560), dashes);
    ExpectSpans(XSpans(440), dashes);
    EXPECT_TRUE(Recorded(rec, "polygon").empty()) << "the fill has its own colour";
    Paint(sym, 2);
    EXPECT_TRUE(Recorded(rec).empty());
    EXPECT_EQ(Recorded(rec, "polygon").size(), 1u);
    // Mode 2: the left side dashed, the right one solid.
    Paint(sym.Set(ODblMode, 2));
    ExpectSpans(XSpans(560), dashes);
    ExpectSpans(XSpans(440), {{0, 1000}});
    // A side shorter than a quarter dash with no room for a gap stays whole.
    SetLine({{0, 500}, {40, 500}});
    Paint(sym);
    ExpectSpans(XSpans(560), {{0, 40}});
}

TEST_F(LinePainter, DecreaseEndsAtTheLastSymbolsScale)
{
    // One tick 1 mm across in every gap, the first and the last in the middle of the end gaps;
    // DecLast is held to 0 .. 100 (no division by zero, no mirrored symbols).
    LineSym sym;
    sym.Set(OMainLength, 200).Set(OMainGap, 50).Set(OEndLength, 100).Set(ONPrimSym, 1);
    sym.Lists[MainSymList] = ElementList().Add(1, 0, 0, 10, 0, {C(0, -50), C(0, 50)}).bytes;
    const struct { int mode, decLast, length; double first, last, widestAt; } cases[] = {
        {1, 50, 2000, 100, 50, 125}, {1, 250, 2000, 100, 100, 125},
        {2, 50, 1800, 50, 50, 900},  // towards both ends: full size in the middle
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.decLast);
        SetLine({{0, 500}, {c.length, 500}});
        Paint(sym.Set(ODecMode, c.mode).Set(ODecLast, c.decLast));
        std::vector<std::pair<double, double>> t;  // x, signed length across
        for (const auto& pl : Recorded(rec))
            if (pl.size() == 2)
                t.push_back({pl[0].x(), pl[1].y() - pl[0].y()});
        ASSERT_GE(t.size(), 4u);
        EXPECT_NEAR(t.front().second, c.first, 1);
        EXPECT_NEAR(t.back().second, c.last, 1);
        EXPECT_NEAR(t.front().first, 125, 1);
        EXPECT_NEAR(t.back().first, c.length - 125, 1);
        const auto widest = std::max_element(t.begin(), t.end(), [](auto a, auto b) { return a.second < b.second; });
        EXPECT_NEAR(widest->second, 100, 1);
        EXPECT_NEAR(widest->first, c.widestAt, 1);
        for (size_t i = 1; i < t.size(); ++i) {
            EXPECT_GT(t[i].first, t[i - 1].first);
            EXPECT_GE(t[i].second, 0);
            if (c.mode == 1) {
                EXPECT_LE(t[i].second, t[i - 1].second + 0.5);
            }
        }
    }
    SetLine({{0, 500}, {2000, 500}});
    Paint(sym.Set(ODecMode, 1).Set(ODecLast, 0));
    const std::string atZero = rec.text();
    for (int below : {-100, -40}) {
        Paint(sym.Set(ODecLast, below));
        EXPECT_EQ(rec.text(), atZero) << below;
    }
    // Length along the line is unchanged: a tick along the line keeps its length.
    sym.Lists[MainSymList] = ElementList().Add(1, 0, 0, 10, 0, {C(-20, 0), C(20, 0)}).bytes;
    Paint(sym.Set(ODecLast, 50));
    for (const auto& pl : Recorded(rec))
        EXPECT_NEAR(std::abs(pl.back().x() - pl.front().x()), 40, 1);
}

TEST_F(LinePainter, CornerSymbolsAreStretchedAcrossTheTurn)
{
    LineSym sym;
    sym.Lists[CornerSymList] = ElementList().Add(1, 0, 0, 10, 0, {C(0, -50), C(0, 50)}).bytes;
    // Right angle: across by 1 / cos 45 degrees, centred on the corner, across the bisector;
    // a hairpin: at most 4 times.
    for (auto [end, length] : {std::pair{Pt{1000, 1500}, 100 * std::sqrt(2.0)}, std::pair{Pt{0, 510}, 400.0}}) {
        SetLine({{0, 500}, {1000, 500, 0, CornerFlag}, end});
        Paint(sym);
        const auto s = Recorded(rec);
        ASSERT_EQ(s.size(), 1u);
        const QPointF a = s[0].front(), b = s[0].back();
        EXPECT_NEAR(std::hypot(b.x() - a.x(), b.y() - a.y()), length, 1.5);
        if (end.y == 1500) {
            EXPECT_NEAR((a.x() + b.x()) / 2, 1000, 1);
            EXPECT_NEAR((a.y() + b.y()) / 2, 500, 1);
            EXPECT_NEAR(a.x() - b.x(), b.y() - a.y(), 1.5);
        }
    }
    // No corner flag, no corner symbol.
    SetLine({{0, 500}, {1000, 500}, {1000, 1500}});
    Paint(sym);
    EXPECT_TRUE(Recorded(rec).empty());
}

TEST_F(LinePainter, SymbolsAlongTheLineSitInTheGaps)
{
    LineSym sym;
    sym.Set(OMainLength, 200).Set(OMainGap, 50).Set(OEndLength, 100).Set(ONPrimSym, 2).Set(OPrimSymDist, 40);
    sym.Lists[MainSymList] = ElementList().Add(4, 0, 0, 0, 20, {C(0, 0)}).bytes;
    sym.Lists[SecSymList] = ElementList().Add(4, 0, 0, 0, 10, {C(0, 0)}).bytes;
    sym.Lists[StartSymList] = ElementList().Add(3, 0, 0, 5, 60, {C(0, 0)}).bytes;
    sym.Lists[EndSymList] = ElementList().Add(3, 0, 0, 5, 80, {C(0, 0)}).bytes;
    SetLine({{0, 500}, {1000, 500}});
    Paint(sym);
    std::vector<std::pair<double, double>> dots;   // centre x, diameter
    for (const std::string& line : LinesStarting(rec, "ellipse ")) {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "ellipse %lf,%lf,%lf,%lf", &x1, &y1, &x2, &y2), 4);
        dots.push_back({(x1 + x2) / 2, x2 - x1});
    }
    // Start circle, 4 gaps x 2 main dots 0.4 mm apart, 3 secondary dots mid-dash, end circle.
    ASSERT_EQ(dots.size(), 1u + 8 + 3 + 1);
    EXPECT_NEAR(dots.front().first, 0, 1);
    EXPECT_NEAR(dots.back().first, 1000, 1);
    const double gaps[4] = {125, 375, 625, 875};
    std::vector<double> mains, secs;
    for (const auto& [x, d] : dots) {
        if (std::abs(d - 20) < 1.5)
            mains.push_back(x);
        else if (std::abs(d - 10) < 1.5)
            secs.push_back(x);
    }
    ASSERT_EQ(mains.size(), 8u);
    ASSERT_EQ(secs.size(), 3u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(mains[size_t(2 * k)], gaps[k] - 20, 1);
        EXPECT_NEAR(mains[size_t(2 * k + 1)], gaps[k] + 20, 1);
    }
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(secs[size_t(k)], gaps[k] + 100, 1);
}

TEST_F(LinePainter, ClosedSolidLineGetsAJoinAtItsStart)
{
    LineSym sym;
    sym.Set(OLineWidth, 30).Set(OStyleBits, 4);
    SetLine({{0, 0}, {500, 0}, {500, 500}, {0, 500}, {0, 0}});
    Paint(sym);
    const auto s = Recorded(rec);
    ASSERT_EQ(s.size(), 1u);
    ASSERT_EQ(s[0].size(), 6u);
    EXPECT_EQ(s[0][5], QPointF(500, 0)) << "first segment drawn once more";
}

TEST_F(LinePainter, WrongSymbolGivesTheGreyLine)
{
    LineSym good;
    good.Set(OLineWidth, 50);
    good.Lists[MainSymList] = ElementList().Add(4, 0, 0, 0, 20, {C(0, 0)}).bytes;
    SetLine({{0, 100}, {1000, 100}});
    const auto greyPen = [this] {
        const std::string rgb = Rgb(Graph.GreyCmyk);
        for (const std::string& p : LinesStarting(rec, "pen solid"))
            if (p.find(rgb) != std::string::npos)
                return true;
        return false;
    };
    Paint(good);
    EXPECT_FALSE(greyPen());
    // Stated size one slot short; counts that add up only with a negative one; a line-text
    // sub-type without text.
    LineSym bad[3] = {good, good, good};
    bad[0].SizeAdjust = -8;
    bad[1].CountOverride = {{MainSymList, -2}, {SecSymList, 5}};
    for (LineSym& b : bad) {
        DrawSymbol = b.Build();
        b.Bytes[6] = &b == &bad[2];
        Redraw();
        EXPECT_TRUE(greyPen()) << &b - bad;
        ASSERT_EQ(Recorded(rec).size(), 1u);
        EXPECT_EQ(Graph.OutputCmyk, Black) << "colour restored";
    }
    // A record that is not a line symbol.
    DrawSymbol = DefaultSymbol.data();
    Redraw();
    EXPECT_TRUE(greyPen());
    // One point draws nothing.
    SetLine({{0, 100}});
    Paint(good);
    EXPECT_TRUE(Recorded(rec).empty());
}

TEST_F(LinePainter, TinyDashesOnALongLineAreBounded)
{
    // 0.01 mm dashes and gaps on a 20 m line would ask for a million dashes.
    LineSym sym = DashedSymbol(1, 1, 1);
    SetLine({{0, 100}, {2000000, 100}});
    Graph.OutputMode = SymbolElementOutput;   // counted, not drawn
    DrawSymbol = sym.Build();
    DrawLineObject();
    EXPECT_LE(PathWalk.DashCount, MaxLineStepsPerObject);
    EXPECT_EQ(Lines.StepsLeft, 0);
    EXPECT_GT(PathWalk.DashScale, 0.5);
}

TEST_F(LinePainter, ReadLineSymbolBoundsItsFields)
{
    LineSym sym;
    sym.Set(ONPrimSym, 9).Set(OMinSym, -7).Set(ODecLast, -100).Set(OMainLength, -300).Set(ODblGap, -5);
    sym.Lists[CornerSymList] = ElementList().Add(4, 0, 0, 0, 20, {C(0, 0)}).bytes;
    const uint8_t* rec = sym.Build();
    const std::span<const uint8_t> span(rec, 424 + 24);
    ASSERT_TRUE(LineSymbolUsable(span));
    const LineSymbolFields f = ReadLineSymbol(span);
    EXPECT_EQ(f.NPrimSym, 5);
    EXPECT_EQ(f.MinSym, -1);
    EXPECT_EQ(f.DecLast, 0);
    EXPECT_EQ(f.MainLength, 0);
    EXPECT_EQ(f.DblGap, 0);
    EXPECT_EQ(f.Counts[CornerSymList], 3);
    EXPECT_EQ(f.Lists[CornerSymList].data(), rec + 424);
    // The bytes must hold what the record states.
    EXPECT_FALSE(LineSymbolUsable(span.first(424 + 16)));
}

// ---- By pixel: image pixel (px, py) is map point (px, H - py) in 0.01 mm ----

namespace {

constexpr int W = 200, H = 60;

// Passes from the last colour to the first, as the map's colour loop runs them.
QImage PaintPasses(LineSym& sym, std::initializer_list<std::pair<int, uint32_t>> passes)
{
    ResetLayer();
    PixelTransform(W, H);
    DrawSymbol = sym.Build();
    QImage img = DrawImage(W, H, [&] {
        for (auto [color, cmyk] : passes) {
            Graph.CurrentColor = color;
            Graph.OutputCmyk = cmyk;
            DrawLineObject();
        }
    });
    DrawSymbol = DefaultSymbol.data();
    return img;
}

} // namespace

TEST(LinesPixel, DashedLineOverItsFramingColourZeroOnTop)
{
    // Dashes 0.4 mm, gaps 0.2 mm, end dashes 0.2 mm on 1.8 mm: n = 2, s = 1:
    // dashes at x 10-30, 50-90, 110-150, 170-190; the framing (colour 1) runs under all.
    LineSym sym;
    sym.Set(OLineWidth, 6).Set(OLineColor, 0).Set(OMainLength, 40).Set(OMainGap, 20).Set(OEndLength, 20)
        .Set(OFrColor, 1).Set(OFrWidth, 14).Set(OFrStyle, 0);
    SetLine({{10, H - 30}, {190, H - 30}});
    const uint32_t red = 200u << 8 | 200u << 16;   // magenta + yellow
    const QImage img = PaintPasses(sym, {{1, red}, {0, Black}});
    const QRgb framing = img.pixel(40, 24);
    EXPECT_EQ(qRed(framing), 255);
    EXPECT_LT(qGreen(framing), 80);
    for (int x : {20, 70, 130, 180})
        EXPECT_EQ(img.pixel(x, 30), qRgb(0, 0, 0)) << "dash at " << x;
    for (int x : {40, 100, 160})
        EXPECT_EQ(img.pixel(x, 30), framing) << "gap at " << x;
    // The framing is wider than the line: above and below the dashes, and no further.
    EXPECT_EQ(img.pixel(70, 24), framing);
    EXPECT_EQ(img.pixel(70, 36), framing);
    EXPECT_FALSE(Painted(img, 70, 20));
    EXPECT_FALSE(Painted(img, 5, 30));
    EXPECT_FALSE(Painted(img, 195, 30));
}

TEST(LinesPixel, DoubleLineDrawsEachSideWithItsOwnWidth)
{
    // Sides 0.2 mm apart; the left one (above, for a line running east) 0.04 mm wide and the
    // right one 0.10 mm, or the other way round.
    for (auto [left, right] : {std::pair{4, 10}, std::pair{10, 4}}) {
        LineSym sym;
        sym.Set(ODblMode, 1).Set(ODblWidth, 20).Set(ODblLeftWidth, left).Set(ODblRightWidth, right);
        SetLine({{10, H - 30}, {190, H - 30}});
        const QImage img = PaintPasses(sym, {{0, Black}});
        int above = 0, below = 0, aboveMid = 0, belowMid = 0;
        for (int y = 0; y < H; ++y)
            if (Painted(img, 100, y)) {
                (y < 30 ? above : below) += 1;
                (y < 30 ? aboveMid : belowMid) += y;
            }
        EXPECT_EQ(above, left) << left << "/" << right;
        EXPECT_EQ(below, right) << left << "/" << right;
        // Each side's centre half its width beyond the gap: 30 -+ (20 + width) / 2.
        EXPECT_NEAR(double(aboveMid) / std::max(above, 1), 30 - (20 + left) / 2.0, 1) << left;
        EXPECT_NEAR(double(belowMid) / std::max(below, 1), 30 + (20 + right) / 2.0, 1) << right;
    }
}
