// Fonts and characters of the output layer against the installed DejaVu Sans and Liberation
// Sans: the weight threshold, metrics from the font tables read apart with FreeType, glyph
// outlines, merged overlapping contours and a made glyph of thousands of points. (Which face a
// name finds is the font service's rule, tested with it.)
#include "Fixture.h"

#include "core/Numeric.h"
#include "platform/Fonts.h"
#include "render/AreaRings.h"

#include FT_TRUETYPE_TABLES_H

#include <QRegularExpression>

#include <numbers>

using namespace zemo;
using namespace zemo::rtest;

namespace {

// What the font file itself says, read with FreeType apart from our font service.
struct RawTables {
    int upem = 0, winAscent = 0, winDescent = 0, advanceM = 0, heightA = 0;
};

RawTables ReadTables(const QString& path)
{
    RawTables t;
    FT_Library lib = nullptr;
    EXPECT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face face = nullptr;
    EXPECT_EQ(FT_New_Face(lib, QFile::encodeName(path).constData(), 0, &face), 0);
    if (face) {
        t.upem = face->units_per_EM;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2) {
            t.winAscent = os2->usWinAscent;
            t.winDescent = os2->usWinDescent;
        }
        if (FT_Load_Char(face, 'M', FT_LOAD_NO_SCALE) == 0)
            t.advanceM = int(face->glyph->advance.x);
        if (FT_Load_Char(face, 'A', FT_LOAD_NO_SCALE) == 0)
            t.heightA = int(face->glyph->metrics.height);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
    return t;
}

int RingCount(const std::vector<Cord>& p)
{
    int n = p.empty() ? 0 : 1;
    for (size_t i = 1; i < p.size(); ++i)
        n += (p[i].y & HoleFlag) != 0;
    return n;
}

// Odd-even inside test over the straight control polygon of all rings.
bool InsideOddEven(const std::vector<Cord>& p, double x, double y)
{
    bool in = false;
    size_t start = 0;
    for (size_t i = 0; i <= p.size(); ++i) {
        if (i == p.size() || (i > start && (p[i].y & HoleFlag))) {
            for (size_t a = start; a < i; ++a) {
                const size_t b = a + 1 < i ? a + 1 : start;
                const double ax = Masked(p[a].x), ay = Masked(p[a].y);
                const double bx = Masked(p[b].x), by = Masked(p[b].y);
                if ((ay > y) != (by > y) && x < ax + (y - ay) * (bx - ax) / (by - ay))
                    in = !in;
            }
            start = i;
        }
    }
    return in;
}

OutlineContour Square(double x0, double y0, double x1, double y1, bool ccw)
{
    OutlineContour c;
    c.start = QPointF(x0, y0);
    const QPointF pts[4] = {ccw ? QPointF(x1, y0) : QPointF(x0, y1), QPointF(x1, y1),
                            ccw ? QPointF(x0, y1) : QPointF(x1, y0), QPointF(x0, y0)};
    for (QPointF p : pts)
        c.segments.push_back(OutlineSegment{OutlineSegment::Kind::Line, {}, {}, p});
    return c;
}

// A ring of n quadratic pieces round a circle (clockwise as TrueType draws outer rings when
// `outer`), in design units.
OutlineContour QuadCircle(double cx, double cy, double r, int n, bool outer)
{
    OutlineContour c;
    const auto at = [&](double a, double rr) {
        return QPointF(cx + rr * std::cos(a), cy + rr * std::sin(a));
    };
    const double step = (outer ? -2 : 2) * std::numbers::pi / n;
    c.start = at(0, r);
    for (int k = 0; k < n; ++k) {
        const double a0 = k * step, a1 = (k + 1) * step;
        OutlineSegment s;
        s.kind = OutlineSegment::Kind::Quadratic;
        s.c1 = at((a0 + a1) / 2, r / std::cos(step / 2));
        s.to = k + 1 == n ? c.start : at(a1, r);
        c.segments.push_back(s);
    }
    return c;
}

class GraphSysFont : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        ResetMapFontState();
        FontService::ResetInstance();
        ASSERT_TRUE(FontService::Instance().HasFamily(QStringLiteral("DejaVu Sans")))
            << "needs the Debian package fonts-dejavu-core";
        ASSERT_TRUE(FontService::Instance().HasFamily(QStringLiteral("Liberation Sans")))
            << "needs the Debian package fonts-liberation2";
    }
    void TearDown() override { ResetMapFontState(); }
    void Use(const char* family, int size = 100, int weight = 400)
    {
        SelectMapFont(QString::fromLatin1(family), size, weight, false);
        ApplyMapFont();
        ASSERT_TRUE(MapFont.Font.IsValid());
    }
    uint32_t Glyph(char32_t ch) { return MapFont.Font.GlyphIndex(ch); }
};

TEST_F(GraphSysFont, WeightAbove550IsBoldAndTheSameNameKeepsTheFace)
{
    for (const char* family : {"DejaVu Sans", "Liberation Sans"}) {
        Use(family, 100, 550);
        EXPECT_EQ(MapFont.Font.family, QString::fromLatin1(family));
        EXPECT_FALSE(MapFont.Font.bold);
        Use(family, 100, 551);
        EXPECT_TRUE(MapFont.Font.bold) << family;
        EXPECT_FALSE(MapFont.Font.syntheticBold) << family;
    }
    Use("Arial");
    const auto face = MapFont.Font.face;
    Use("Arial", 120);
    EXPECT_EQ(MapFont.Font.face, face);
}

TEST_F(GraphSysFont, MetricsAndAdvancesComeFromTheFontTables)
{
    for (const char* family : {"DejaVu Sans", "Liberation Sans"}) {
        Use(family, 120);  // 12 point
        const RawTables t = ReadTables(MapFont.Font.filePath);
        ASSERT_GT(t.upem, 0);
        const double f = 120.0 / 72 * 254 / t.upem;  // 0.01 mm per design unit
        const int leading = t.winAscent + t.winDescent - t.upem;
        EXPECT_EQ(MapFont.FontAscent, std::lround(std::nearbyint((t.winAscent + leading) * f) * 256)) << family;
        EXPECT_EQ(MapFont.FontDescent, std::lround(std::nearbyint(t.winDescent * f) * 256)) << family;
        EXPECT_EQ(MapFont.CapHeight, std::lround(std::nearbyint(t.heightA * f * 256))) << family;
        EXPECT_EQ(MeasureChar(U'M'), std::lround(std::nearbyint(t.advanceM * f * 256))) << family;

        MeasureText(u"M\tM \r");
        ASSERT_EQ(MapFont.TextClasses.size(), 6u);
        EXPECT_EQ(MapFont.TextClasses[0], GlyphClass);
        EXPECT_EQ(MapFont.TextChars[0], Glyph(U'M'));
        EXPECT_EQ(MapFont.TextAdvances[0], MeasureChar(U'M'));
        EXPECT_EQ(MapFont.TextClasses[1], TabClass);
        EXPECT_EQ(MapFont.TextAdvances[1], 0);
        EXPECT_EQ(MapFont.TextClasses[3], SpaceClass);
        EXPECT_EQ(MapFont.TextClasses[4], CarriageReturnClass);
        EXPECT_EQ(MapFont.TextClasses[5], TextEndClass);
    }
    // A character outside the BMP is one glyph; its second half draws nothing.
    Use("DejaVu Sans");
    MeasureText(u"\U0001D400x");
    EXPECT_EQ(MapFont.TextClasses[1], 1);
    EXPECT_EQ(MapFont.TextAdvances[1], 0);
    EXPECT_EQ(MapFont.TextClasses[2], GlyphClass);
}

TEST_F(GraphSysFont, LetterOHasTwoRingsTheSecondAHole)
{
    for (const char* family : {"DejaVu Sans", "Liberation Sans"}) {
        Use(family, 200);
        const int32_t x = 1000 * 256, y = 2000 * 256;
        CharOutlinePath(x, y, 0, Glyph(U'O'));
        const std::vector<Cord>& p = MapFont.CharOutline;
        ASSERT_GT(p.size(), 8u);
        EXPECT_EQ(RingCount(p), 2) << family;
        EXPECT_EQ(p[0].y & HoleFlag, 0);
        // Points lie round the origin within the letter's box; controls come in pairs.
        for (size_t i = 0; i < p.size(); ++i) {
            EXPECT_EQ(Masked(p[i].x) - (p[i].x & ~FlagMask), 0);
            EXPECT_GT(Masked(p[i].x), x);
            EXPECT_LT(Masked(p[i].x), x + MapFont.FontAscent * 2);
            EXPECT_GT(Masked(p[i].y), y - MapFont.FontDescent);
            EXPECT_LT(Masked(p[i].y), y + MapFont.FontAscent);
            if (p[i].x & FirstBezierFlag) {
                ASSERT_LT(i + 2, p.size());
                EXPECT_TRUE(p[i + 1].x & SecondBezierFlag);
            }
        }
        // The inner ring lies inside the outer one: the odd-even fill leaves the middle open.
        // After orientation the outer ring (whichever the font lists first) runs
        // counter-clockwise and the inner one clockwise.
        std::vector<Cord> q = p;
        OrientAreaRings(q.data(), int(q.size()));
        const int second = RingEnd(q.data(), int(q.size()), 0);
        double ext[2] = {0, 0};
        for (int ring = 0; ring < 2; ++ring) {
            const int from = ring == 0 ? 0 : second, to = ring == 0 ? second : int(q.size());
            int32_t lo = INT32_MAX, hi = INT32_MIN;
            for (int i = from; i < to; ++i) {
                lo = std::min(lo, Masked(q[size_t(i)].x));
                hi = std::max(hi, Masked(q[size_t(i)].x));
            }
            ext[ring] = double(hi) - lo;
        }
        const int outer = ext[0] > ext[1] ? 0 : second, inner = ext[0] > ext[1] ? second : 0;
        EXPECT_TRUE(RingIsCcw(q.data(), int(q.size()), outer)) << family;
        EXPECT_FALSE(RingIsCcw(q.data(), int(q.size()), inner)) << family;
        const GlyphBox box = MapFont.Font.BlackBox(U'O');
        const double cx = x + (box.xMin + box.xMax) / 2.0 * MapFont.Factor;
        const double cy = y + (box.yMin + box.yMax) / 2.0 * MapFont.Factor;
        EXPECT_FALSE(InsideOddEven(p, cx, cy));
        EXPECT_TRUE(InsideOddEven(p, x + (box.xMin + 20) * MapFont.Factor, cy));
    }
}

TEST_F(GraphSysFont, EachGlyphsOutlineIsMadeOnceForItsFace)
{
    struct Case {
        const char* family;
        int size;
        char32_t ch;
    };
    const Case cases[] = {{"DejaVu Sans", 200, U'O'}, {"Liberation Sans", 200, U'O'},
                          {"DejaVu Sans", 120, U'B'}, {"Liberation Sans", 120, U'B'}};
    const auto outline = [this](const Case& c) {
        Use(c.family, c.size);
        CharOutlinePath(1000 * 256, 2000 * 256, 0, Glyph(c.ch));
        return MapFont.CharOutline;
    };
    // Each made from its font alone.
    std::vector<std::vector<Cord>> alone;
    for (const Case& c : cases) {
        MapFont.KeptOutlines.clear();
        MapFont.KeptGlyphCount = 0;
        alone.push_back(outline(c));
        ASSERT_GT(alone.back().size(), 8u);
    }
    EXPECT_NE(alone[0], alone[1]) << "the faces draw their own letters";
    // In turns, at other sizes too: the kept outlines give the same points.
    MapFont.KeptOutlines.clear();
    MapFont.KeptGlyphCount = 0;
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < std::size(cases); ++i) {
            Case c = cases[i];
            c.size += 40 * round;
            std::vector<Cord> expect = alone[i];
            if (round == 1) {
                Use(c.family, c.size);
                const double k = double(c.size) / cases[i].size;
                for (Cord& p : expect)
                    p = {Masked(SafeRound(1000 * 256 + (Masked(p.x) - 1000 * 256) * k)) | (p.x & FlagMask),
                         Masked(SafeRound(2000 * 256 + (Masked(p.y) - 2000 * 256) * k)) | (p.y & FlagMask)};
            }
            const std::vector<Cord> got = outline(c);
            ASSERT_EQ(got.size(), expect.size()) << c.family << " round " << round;
            for (size_t k = 0; k < got.size(); ++k) {
                EXPECT_EQ(got[k].x & FlagMask, expect[k].x & FlagMask);
                EXPECT_EQ(got[k].y & FlagMask, expect[k].y & FlagMask);
                EXPECT_NEAR(Masked(got[k].x), Masked(expect[k].x), 1024) << c.family << " point " << k;
                EXPECT_NEAR(Masked(got[k].y), Masked(expect[k].y), 1024) << c.family << " point " << k;
            }
        }
    EXPECT_EQ(MapFont.KeptGlyphCount, std::size(cases));
}

TEST_F(GraphSysFont, QuadraticSegmentsBecomeCubicsThroughTheSameCurve)
{
    for (const char* family : {"DejaVu Sans", "Liberation Sans"}) {
        Use(family, 1000);
        const std::vector<OutlineContour> contours = MapFont.Font.Contours(U'S');
        CharOutlinePath(0, 0, 0, Glyph(U'S'));
        const std::vector<Cord>& p = MapFont.CharOutline;
        ASSERT_FALSE(contours.empty());
        const double k = MapFont.Factor;
        size_t at = 1;
        QPointF a = contours[0].start;
        int quads = 0;
        for (const OutlineSegment& s : contours[0].segments) {
            if (s.kind == OutlineSegment::Kind::Line) {
                ++at;
            } else if (s.kind == OutlineSegment::Kind::Quadratic) {
                ASSERT_LT(at + 2, p.size());
                ++quads;
                EXPECT_TRUE(p[at].x & FirstBezierFlag);
                EXPECT_TRUE(p[at + 1].x & SecondBezierFlag);
                // Controls two thirds of the way to the quadratic's control point.
                EXPECT_NEAR(Masked(p[at].x), (a.x() + 2 * (s.c1.x() - a.x()) / 3) * k, 256);
                EXPECT_NEAR(Masked(p[at + 1].y), (s.to.y() + 2 * (s.c1.y() - s.to.y()) / 3) * k, 256);
                // The cubic's middle is the quadratic's middle.
                const double qx = (a.x() + 2 * s.c1.x() + s.to.x()) / 4 * k;
                const double qy = (a.y() + 2 * s.c1.y() + s.to.y()) / 4 * k;
                const Cord& p0 = p[at - 1];
                const double mx = (Masked(p0.x) + 3.0 * Masked(p[at].x) + 3.0 * Masked(p[at + 1].x) + Masked(p[at + 2].x)) / 8;
                const double my = (Masked(p0.y) + 3.0 * Masked(p[at].y) + 3.0 * Masked(p[at + 1].y) + Masked(p[at + 2].y)) / 8;
                EXPECT_NEAR(mx, qx, 256);
                EXPECT_NEAR(my, qy, 256);
                at += 3;
            } else {
                at += 3;
            }
            a = s.to;
        }
        EXPECT_GT(quads, 4) << family;
        EXPECT_EQ(at, size_t(RingEnd(p.data(), int(p.size()), 0)));
    }
}

TEST_F(GraphSysFont, DeviceGlyphsOnScreenOutlinesElsewhereAndWhenSmall)
{
    Use("DejaVu Sans", 100);
    PixelTransform(200, 100);
    RecordingDevice rec;
    Graph.OutputDC = &rec;
    Graph.OutputMode = ScreenOutput;
    BeginDrawing(false);
    rec.clear();
    DrawMapChar(At(50, 80).x, At(50, 80).y, 900, Glyph(U'A'));
    ASSERT_EQ(rec.lines().size(), 1u);
    // 10 point is 353 hundredths of a millimetre: 353 pixels here.
    EXPECT_EQ(rec.lines()[0].rfind("glyphs \"DejaVu Sans\" 353 at 50,80 angle 90 rgb(0,0,0)", 0), 0u)
        << rec.lines()[0];
    // Printer: filled outlines (in pieces without holes).
    Graph.OutputMode = PrinterOutput;
    rec.clear();
    DrawMapChar(At(50, 80).x, At(50, 80).y, 0, Glyph(U'A'));
    EXPECT_FALSE(rec.text().find("glyphs") != std::string::npos);
    EXPECT_NE(rec.text().find("polygon"), std::string::npos);
    // On the screen at 5 device units or less: outlines too.
    Graph.OutputMode = ScreenOutput;
    Scale.ViewScaleX = 1.0 / 256 / 80.0;
    Scale.ViewScaleY = -Scale.ViewScaleX;
    rec.clear();
    DrawMapChar(0, 0, 0, Glyph(U'A'));
    EXPECT_EQ(rec.text().find("glyphs"), std::string::npos);
    EndDrawing();
}

TEST_F(GraphSysFont, AMirroredPageDrawsTextsAsOutlinesThatTurnWithIt)
{
    Use("DejaVu Sans", 20);
    PixelTransform(200, 100);
    RecordingDevice rec;
    Graph.OutputDC = &rec;
    Graph.OutputMode = ScreenOutput;
    BeginDrawing(false);
    // The outline's device points, in drawing order.
    const auto points = [&rec, this] {
        rec.clear();
        DrawMapChar(At(50, 80).x, At(50, 80).y, 0, Glyph(U'A'));
        std::vector<QPointF> out;
        const QRegularExpression pair(QStringLiteral("(-?[0-9.]+),(-?[0-9.]+)"));
        for (const std::string& line : rec.lines()) {
            EXPECT_EQ(line.find("glyphs"), std::string::npos) << line;
            if (line.rfind("polygon", 0) != 0)
                continue;
            auto it = pair.globalMatch(QString::fromStdString(line));
            while (it.hasNext()) {
                const auto m = it.next();
                out.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
            }
        }
        return out;
    };
    Graph.Mirror = true;
    const std::vector<QPointF> upright = points();
    ASSERT_GT(upright.size(), 8u);
    // The page turned top to bottom (y grows upward on the device now).
    Scale.ViewOrigin = {0, 0};
    Scale.ViewScaleY = 1.0 / 256;
    const std::vector<QPointF> turned = points();
    ASSERT_EQ(turned.size(), upright.size());
    for (size_t i = 0; i < turned.size(); ++i) {
        EXPECT_EQ(turned[i].x(), upright[i].x());
        EXPECT_EQ(turned[i].y(), 100 - upright[i].y());
    }
    Graph.Mirror = false;
    EndDrawing();
}

TEST_F(GraphSysFont, OverlappingContoursAreMergedForOddEvenFilling)
{
    Use("DejaVu Sans", 20);
    // Two clockwise squares that overlap, as a font may draw a glyph.
    const std::vector<OutlineContour> glyph = {Square(0, 0, 1000, 1000, false),
                                               Square(500, 500, 1500, 1500, false)};
    MapFont.GlyphSource = [&](uint32_t) { return glyph; };
    const double k = MapFont.Factor;
    CharOutlinePath(0, 0, 0, 1);
    const std::vector<Cord>& p = MapFont.CharOutline;
    EXPECT_EQ(RingCount(p), 1);
    EXPECT_TRUE(InsideOddEven(p, 750 * k, 750 * k));   // the overlap
    EXPECT_TRUE(InsideOddEven(p, 250 * k, 250 * k));
    EXPECT_TRUE(InsideOddEven(p, 1250 * k, 1250 * k));
    EXPECT_FALSE(InsideOddEven(p, 250 * k, 1250 * k));

    // A hole drawn the other way stays a hole; a ring nested the same way is merged away.
    MapFont.GlyphSource = [&](uint32_t) {
        return std::vector<OutlineContour>{Square(0, 0, 1000, 1000, false),
                                           Square(300, 300, 700, 700, true)};
    };
    CharOutlinePath(0, 0, 0, 1);
    EXPECT_EQ(RingCount(MapFont.CharOutline), 2);
    EXPECT_FALSE(InsideOddEven(MapFont.CharOutline, 500 * k, 500 * k));
    MapFont.GlyphSource = [&](uint32_t) {
        return std::vector<OutlineContour>{Square(0, 0, 1000, 1000, false),
                                           Square(300, 300, 700, 700, false)};
    };
    CharOutlinePath(0, 0, 0, 1);
    EXPECT_TRUE(InsideOddEven(MapFont.CharOutline, 500 * k, 500 * k));

    // Mode 7 collects the glyph as one area element: the overlap is inside it.
    MapFont.GlyphSource = [&](uint32_t) { return glyph; };
    ResetScaleState();
    Graph.OutputMode = SymbolElementOutput;
    Graph.SymbolElementSlots = 0;
    BeginDrawing(false);
    DrawMapChar(0, 0, 0, 1);
    EndDrawing();
    const auto got = CollectedElements();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].kind, 2);  // area
    const std::vector<Cord>& pts = got[0].cords;
    EXPECT_TRUE(InsideOddEven(pts, 750 * k, 750 * k));

    // And in a bitmap the overlap is painted.
    PixelTransform(100, 100);
    MapFont.TextAsOutlines = true;
    const QImage img = DrawImage(100, 100, [] { DrawMapChar(At(10, 90).x, At(10, 90).y, 0, 1); });
    const double px = 750 * k / 256;  // device units of the overlap's middle
    EXPECT_TRUE(Painted(img, int(10 + px), int(90 - px)));
    EXPECT_FALSE(Painted(img, int(10 + 250 * k / 256), int(90 - 1250 * k / 256)));
}

// Several thousand outline points (rings of 3000 and 2000 quadratic pieces, 15001 Cords), turned
// and framed: the turned outline and the framing rings keep their own room.
TEST_F(GraphSysFont, GlyphOfThousandsOfPointsIsDrawnClean)
{
    Use("DejaVu Sans", 40);
    MapFont.GlyphSource = [](uint32_t) {
        return std::vector<OutlineContour>{QuadCircle(1000, 1000, 1000, 3000, true),
                                           QuadCircle(1000, 1000, 500, 2000, false)};
    };
    const double k = MapFont.Factor;
    CharOutlinePath(0, 0, 900, 1);
    const std::vector<Cord> unturned = MapFont.CharOutline;
    const std::vector<Cord> turned = MapFont.CharOutlineTurned;
    ASSERT_EQ(unturned.size(), size_t(1 + 3 * 3000 + 1 + 3 * 2000));
    ASSERT_EQ(turned.size(), unturned.size());
    std::vector<Cord> expect = unturned;
    RotatePoints(0, 0, expect.data(), int(expect.size()), 0, 1, expect.data());
    EXPECT_EQ(turned, expect);

    // Framed in a bitmap: the ring is painted, the hole's middle and the outside are not.
    PixelTransform(200, 200);
    MapFont.TextAsOutlines = true;
    const QImage img = DrawImage(200, 200, [] { DrawMapCharOutline(At(20, 180, 200).x, At(20, 180, 200).y, 0, 3, 1); });
    const double r = 1000 * k / 256;  // outer radius in pixels
    const double cx = 20 + r, cy = 180 - r;
    EXPECT_TRUE(Painted(img, int(cx + 0.75 * r), int(cy)));
    EXPECT_TRUE(Painted(img, int(cx + r + 2), int(cy)));  // grown by the frame width
    EXPECT_FALSE(Painted(img, int(cx), int(cy)));
    EXPECT_FALSE(Painted(img, int(cx + r + 8), int(cy)));
    // The outline unchanged by the drawing.
    EXPECT_EQ(MapFont.CharOutline.size(), unturned.size());

    // Mode 7 has no room for it: the element is dropped, nothing overruns.
    Graph.OutputMode = SymbolElementOutput;
    Graph.SymbolElementSlots = 0;
    BeginDrawing(false);
    DrawMapCharOutline(0, 0, 450, 3, 1);
    EndDrawing();
    EXPECT_LE(Graph.SymbolElementSlots, SymbolElementBufferSlots);
}

} // namespace
