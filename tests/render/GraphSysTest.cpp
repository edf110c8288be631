// The output layer: dots, strokes, fills, hatches and clips on a raster image and on the
// recording device, its colours, and output modes 7 (symbol elements) and 8 (new objects).
#include "Fixture.h"

#include "core/Numeric.h"
#include "render/Bezier.h"
#include "symbols/store/IconCodec.h"
#include "symbols/store/SymbolStore.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <random>

using namespace zemo;
using namespace zemo::rtest;

namespace {

int U16(const uint8_t* p) { return p[0] | p[1] << 8; }

class GraphSysDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        PixelTransform(100, 100);
    }
    template <class F>
    QImage Draw(F draw, int w = 100, int h = 100, int mode = BitmapOutput)
    {
        return DrawImage(w, h, draw, mode);
    }
};

TEST_F(GraphSysDevice, DotDiameterBelowTwoDrawsNothingTwoOrThreeOnePixelMoreAnEllipse)
{
    // Device diameter 1: the minimum of 3 (0.01 mm) at a third of a unit per 0.01 mm.
    Scale.ViewScaleX = 1.0 / 768;
    Scale.ViewScaleY = -1.0 / 768;
    Scale.ViewOrigin = Cord{0, 100 * 768};
    Graph.ClipRect = CordRect{0, 0, 100 * 768, 100 * 768};
    QImage none = Draw([] { GraphDot(50 * 768, 50 * 768, 3); });
    EXPECT_EQ(PaintedCount(none), 0);

    PixelTransform(100, 100);
    const Cord c = At(50, 50);
    QImage one = Draw([c] { GraphDot(c.x, c.y, 3); });
    EXPECT_EQ(PaintedCount(one), 1);
    EXPECT_TRUE(Painted(one, 50, 50));
    // Below the minimum the dot is still 3 wide.
    QImage small = Draw([c] { GraphDot(c.x, c.y, 1); });
    EXPECT_EQ(PaintedCount(small), 1);

    QImage four = Draw([c] { GraphDot(c.x, c.y, 4); });
    EXPECT_EQ(PaintedBounds(four), QRect(48, 48, 4, 4));

    QImage big = Draw([c] { GraphDot(c.x, c.y, 20); });
    EXPECT_EQ(PaintedBounds(big), QRect(40, 40, 20, 20));
    EXPECT_FALSE(Painted(big, 40, 40)); // an ellipse, not a square
    EXPECT_TRUE(Painted(big, 50, 50));

    // The width correction widens dots.
    QImage wide = Draw([c] {
        SetOutputAdjust(120, 100, false);
        GraphDot(c.x, c.y, 20);
    });
    EXPECT_EQ(PaintedBounds(wide), QRect(30, 30, 40, 40));
}

TEST_F(GraphSysDevice, ClosedMitredLineJoinsItsStart)
{
    const auto square = [] {
        Path({At(20, 20), At(80, 20), At(80, 80), At(20, 80), At(20, 20)});
        GraphStroke(10, 4);
    };
    QImage img = Draw(square);
    // Every corner, the start included, is a full mitre: the outer corner pixel is set.
    for (QPoint corner : {QPoint(16, 16), QPoint(83, 16), QPoint(83, 83), QPoint(16, 83)})
        EXPECT_TRUE(Painted(img, corner.x(), corner.y())) << corner.x() << "," << corner.y();
    EXPECT_FALSE(Painted(img, 12, 12));
    EXPECT_FALSE(Painted(img, 50, 50));

    // An open line of the same points (last point moved off the start) leaves that corner out.
    QImage open = Draw([] {
        Path({At(20, 20), At(80, 20), At(80, 80), At(20, 80), At(20, 21)});
        GraphStroke(10, 4);
    });
    EXPECT_FALSE(Painted(open, 16, 16));
}

TEST_F(GraphSysDevice, AreaWithHolesGoesOutAsOnePolygonOfItsRings)
{
    // The outer ring's last point carries a stray curve flag: no curve reaches into the hole.
    const Cord outline[] = {At(10, 10), At(90, 10), At(90, 90), Cord{At(10, 90).x | FirstBezierFlag, At(10, 90).y},
                            // hole running the same way as the outer ring
                            Cord{At(40, 40).x, At(40, 40).y | HoleFlag}, At(60, 40), At(60, 60), At(40, 60)};
    RecordingDevice rec;
    Graph.OutputMode = ScreenOutput;
    Graph.OutputDC = &rec;
    BeginDrawing(false);
    GraphFillArea(outline, 8, false);
    const auto polygons = LinesStarting(rec, "polygon");
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0], "polygon 10,10 90,10 90,90 10,90 | 40,40 60,40 60,60 40,60");
    EndDrawing();
}

struct HatchCase {
    int color;
    int (*expected)(int x, int y);
};

TEST_F(GraphSysDevice, HatchPeriodDirectionAndOriginFollowTheColourNumber)
{
    Graph.HatchedAreas = true;
    const HatchCase cases[] = {
        {0, [](int, int y) { return int((y & 7) == 0); }},                 // horizontal
        {1, [](int x, int) { return int((x & 7) == 0); }},                 // vertical
        {4, [](int, int y) { return int(((y - 1) & 7) == 0); }},           // shifted 1 along y
        {5, [](int x, int) { return int(((x - 1) & 7) == 0); }},           // shifted 1 along x
        {2, [](int x, int y) { return int(((x - y) & 7) == 0); }},         // forward diagonal
        {11, [](int x, int y) { return int(((x - 2 + y) & 7) == 0); }},    // backward, origin x 2
    };
    for (const HatchCase& hc : cases) {
        QImage img = Draw([&] {
            Graph.CurrentColor = hc.color;
            Path({At(0, 0), At(100, 0), At(100, 100), At(0, 100)});
            EXPECT_TRUE(GraphFill(true));
        });
        int wrong = 0;
        for (int y = 2; y < 98; ++y)
            for (int x = 2; x < 98; ++x)
                wrong += Painted(img, x, y) != bool(hc.expected(x, y));
        EXPECT_EQ(wrong, 0) << "colour " << hc.color;
    }
    // Hatching not allowed for this fill: solid.
    QImage solid = Draw([] {
        Path({At(0, 0), At(100, 0), At(100, 100), At(0, 100)});
        GraphFill(false);
    });
    EXPECT_EQ(PaintedCount(solid), 100 * 100);
}

TEST_F(GraphSysDevice, ClipConfinesFillsUntilReset)
{
    QImage img = Draw([] {
        Path({At(30, 30), At(70, 30), At(70, 70), At(30, 70)});
        EXPECT_EQ(GraphClip(), 1);
        Path({At(0, 0), At(100, 0), At(100, 100), At(0, 100)});
        GraphFill(false);
        GraphResetClip();
        Path({At(0, 0), At(10, 0), At(10, 10), At(0, 10)});
        GraphFill(false);
    });
    QImage inner = img.copy(20, 20, 60, 60);
    EXPECT_EQ(PaintedBounds(inner), QRect(10, 10, 40, 40));
    EXPECT_TRUE(Painted(img, 5, 5)); // after the reset
    EXPECT_FALSE(Painted(img, 25, 25));

    // A device clips out a hole as its fill leaves it out.
    QImage framed = Draw([] {
        Path({At(20, 20), At(80, 20), At(80, 80), At(20, 80), Cord{At(40, 40).x, At(40, 40).y | HoleFlag},
              At(60, 40), At(60, 60), At(40, 60)});
        EXPECT_EQ(GraphClip(), 1);
        Path({At(0, 0), At(100, 0), At(100, 100), At(0, 100)});
        GraphFill(false);
    });
    EXPECT_EQ(PaintedCount(framed), 60 * 60 - 20 * 20);
    EXPECT_FALSE(Painted(framed, 50, 50));

    // Fewer than 3 points: nothing to clip; holes without a device: cannot.
    Path({At(1, 1), At(2, 2)});
    EXPECT_EQ(GraphClip(), 2);
    Path({At(0, 0), At(10, 0), At(10, 10), Cord{At(2, 2).x, At(2, 2).y | HoleFlag}, At(3, 2), At(3, 3)});
    EXPECT_EQ(GraphClip(), 0);
}

TEST_F(GraphSysDevice, IntensityLightensBrushesButNotLines)
{
    // Black at half intensity, the brush BeginDrawing selects included.
    SetOutputAdjust(100, 50, false);
    QImage img = Draw([] {
        Path({At(10, 10), At(90, 10), At(90, 50), At(10, 50)});
        GraphFill(false);
        Path({At(10, 70), At(90, 70)});
        GraphStroke(3, 0);
    });
    EXPECT_EQ(img.pixel(50, 30), qRgb(128, 128, 128));
    EXPECT_EQ(img.pixel(50, 70), qRgb(0, 0, 0));

    // Each ink is rounded to nearest: at 30 %, cyan 199 gives 60 (59.7), magenta 5 gives 2
    // (1.5), yellow 101 gives 30 (30.3).
    SetOutputAdjust(100, 30, false);
    img = Draw([] {
        Graph.OutputCmyk = 199u | 5u << 8 | 101u << 16;
        Path({At(10, 10), At(90, 10), At(90, 50), At(10, 50)});
        GraphFill(false);
    });
    const uint32_t rgb = CmykToRgb(60u | 2u << 8 | 30u << 16);
    EXPECT_EQ(img.pixel(50, 30), qRgb(rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16 & 0xFF));
}

TEST(GraphSysColour, ScreenCorrectionIsIdentityAtZeroSettings)
{
    ResetLayer();
    EXPECT_EQ(ScreenCorrectedColor(0), 0u); // white stays white
    ProgramConfig.ScreenGamma = 0;
    ProgramConfig.ScreenColor = 0;
    InitScreenColorTables();
    EXPECT_EQ(ScreenCorrectedColor(0), 0u);
    for (uint32_t cmyk : {0x000000C8u, 0x0000C800u, 0x00C80000u, 0xC8000000u, 0x1E3C5A14u,
                          0x00326496u, 0x64000064u}) {
        const uint32_t a = CmykToRgb(cmyk), b = CmykToRgb(ScreenCorrectedColor(cmyk));
        for (int s = 0; s < 24; s += 8)
            EXPECT_NEAR(int((a >> s) & 0xFF), int((b >> s) & 0xFF), 1) << std::hex << cmyk;
    }
    // The defaults (-20, -40) do change a colour: red bleeds into green and blue.
    ProgramConfig = ConfigRecord{};
    InitScreenColorTables();
    const uint32_t cyan = CmykToRgb(ScreenCorrectedColor(0x000000C8u));
    EXPECT_NE(cyan, CmykToRgb(0x000000C8u));
}

TEST(GraphSysColour, OutputAdjustKeepsOnlyValuesInRange)
{
    ResetLayer();
    SetOutputAdjust(5, 200, true);
    EXPECT_EQ(Graph.LineWidthCorrection, 100);
    EXPECT_EQ(Graph.OutputIntensity, 100);
    SetOutputAdjust(150, 10, false);
    EXPECT_EQ(Graph.LineWidthCorrection, 150);
    EXPECT_EQ(Graph.OutputIntensity, 10);
}

// A line within the view widened by its pen goes out whole, as it is; one whose first, middle
// or last point lies beyond any side is cut on the widened view, where its points change.
TEST_F(GraphSysDevice, OnlyALineReachingBeyondTheWidenedViewIsCut)
{
    RecordingDevice rec(QSize(1000, 1000));
    PixelTransform(1000, 1000);
    Graph.OutputMode = ScreenOutput;
    Graph.OutputDC = &rec;
    BeginDrawing(false);
    const std::vector<QPointF> inside{{100, 120}, {400, 380}, {520, 610}, {700, 560}, {880, 900}};
    const QPointF beyond[] = {{-4000, 500}, {5000, 500}, {500, -4000}, {500, 5000}};
    for (int side = -1; side < 4; ++side)
        for (const size_t at : {size_t(0), size_t(2), size_t(4)}) {
            std::vector<QPointF> line = inside;
            if (side >= 0)
                line[at] = beyond[side];
            Graph.WorkPoints2Count = 0;
            for (const QPointF& p : line) {
                const Cord c = At(p.x(), p.y(), 1000);
                GraphLineTo(c.x, c.y);
            }
            rec.clear();
            GraphStroke(20, 0);
            const auto runs = Recorded(rec);
            ASSERT_FALSE(runs.empty());
            if (side < 0) {
                ASSERT_EQ(runs.size(), 1u);
                EXPECT_EQ(runs[0], line);
                continue;
            }
            for (const auto& run : runs)
                for (const QPointF& p : run)
                    EXPECT_TRUE(std::abs(p.x()) < 1500 && std::abs(p.y()) < 1500)
                        << "side " << side << " point " << at << ": " << p.x() << "," << p.y();
        }
    EndDrawing();
}

TEST_F(GraphSysDevice, LongStrokeGoesOutInOverlappingChunksEndingOnSegmentEnds)
{
    RecordingDevice rec(QSize(1000, 1000));
    PixelTransform(1000, 1000);
    Graph.OutputMode = ScreenOutput;
    Graph.OutputDC = &rec;
    BeginDrawing(false);
    // Curve, line, curve, line ... : index 4k+1 and 4k+2 are control points.
    Graph.WorkPoints2Count = 0;
    std::vector<QPointF> onCurve;
    for (int i = 0; i < 300; ++i) {
        const double px = 10 + i * 3, py = 500 + (i % 2) * 40;
        Cord c = At(px, py, 1000);
        if (i % 4 == 1)
            c.x |= FirstBezierFlag;
        else if (i % 4 == 2)
            c.x |= SecondBezierFlag;
        else
            onCurve.emplace_back(px, py);
        GraphLineTo(c.x, c.y);
    }
    GraphStroke(1, 0);
    EndDrawing();
    const auto chunks = Recorded(rec);
    ASSERT_GE(chunks.size(), 4u);
    const auto isOnCurve = [&](QPointF p) {
        return std::find(onCurve.begin(), onCurve.end(), p) != onCurve.end();
    };
    for (size_t k = 0; k < chunks.size(); ++k) {
        ASSERT_GE(chunks[k].size(), 2u);
        EXPECT_TRUE(isOnCurve(chunks[k].front())) << k;
        EXPECT_TRUE(isOnCurve(chunks[k].back())) << k;
        if (k + 1 < chunks.size()) {
            // The next chunk starts on the start of this chunk's last segment.
            const QPointF next = chunks[k + 1].front();
            const auto at = std::find(chunks[k].begin(), chunks[k].end(), next);
            ASSERT_NE(at, chunks[k].end()) << k;
            EXPECT_NE(at + 1, chunks[k].end()) << k;
            // and everything between is that one segment (flattened curve or straight line)
            const auto& last = chunks[k];
            for (auto it = at + 1; it + 1 != last.end(); ++it)
                EXPECT_FALSE(isOnCurve(*it)) << k;
        }
    }
    EXPECT_EQ(chunks.front().front(), onCurve.front());
    EXPECT_EQ(chunks.back().back(), onCurve.back());
}

// A last point flagged as a curve's first control point has no curve behind it: the points
// after the path's end (here far off) are never read.
TEST_F(GraphSysDevice, PathEndingInAStrayCurveFlagStopsAtItsEnd)
{
    RecordingDevice rec;
    Graph.OutputMode = ScreenOutput;
    Graph.OutputDC = &rec;
    BeginDrawing(false);
    for (auto [n, fill] : {std::pair{2, false}, std::pair{3, false}, std::pair{3, true}}) {
        {
            SCOPED_TRACE(n * 10 + fill);
            EnsureWorkPoints2(8);
            std::fill(WorkPoints2.begin(), WorkPoints2.begin() + 8, At(5000, 5000));
            WorkPoints2[0] = At(10, 10);
            WorkPoints2[1] = At(50, 10);
            WorkPoints2[2] = At(50, 50);
            WorkPoints2[size_t(n - 1)].x |= FirstBezierFlag;
            Graph.WorkPoints2Count = n;
            rec.clear();
            if (fill)
                GraphFill(false);
            else
                GraphStroke(1, 0);
            const auto got = Recorded(rec, fill ? "polygon" : "polyline");
            ASSERT_EQ(got.size(), 1u);
            EXPECT_LE(got[0].size(), size_t(n + fill));
            for (QPointF p : got[0])
                EXPECT_TRUE(p.x() <= 50 && p.y() <= 50) << p.x() << "," << p.y();
            EXPECT_EQ(got[0][size_t(n - 1)], n == 2 ? QPointF(50, 10) : QPointF(50, 50));
        }
    }
    EndDrawing();
}

TEST_F(GraphSysDevice, PensAreCachedAndFollowTheLineStyle)
{
    RecordingDevice rec;
    Graph.OutputMode = ScreenOutput;
    Graph.OutputDC = &rec;
    BeginDrawing(false);
    rec.clear();
    Path({At(10, 10), At(50, 10)});
    GraphStroke(10, 4);
    Path({At(10, 20), At(50, 20)});
    GraphStroke(10, 4);
    Path({At(10, 30), At(50, 30)});
    GraphStroke(10, 1);
    EndDrawing();
    std::vector<std::string> pens;
    for (const std::string& l : rec.lines())
        if (l.rfind("pen ", 0) == 0)
            pens.push_back(l);
    ASSERT_EQ(pens.size(), 2u);
    EXPECT_EQ(pens[0], "pen solid 10 rgb(0,0,0) mitre flat frame");
    EXPECT_EQ(pens[1], "pen solid 10 rgb(0,0,0) round round frame");
    // Width 10 is a geometric line: its joins come from a stroked path.
    EXPECT_NE(std::find(rec.lines().begin(), rec.lines().end(), "strokepath"), rec.lines().end());
}

TEST_F(GraphSysDevice, PrinterDrawsWideLinesAsQuadrilateralsWithMitres)
{
    QImage img = Draw([] {
        Path({At(20, 20), At(80, 20), At(80, 80)});
        GraphStroke(10, 4);
    }, 100, 100, PrinterOutput);
    EXPECT_TRUE(Painted(img, 83, 16));  // mitre corner
    EXPECT_TRUE(Painted(img, 50, 20));
    EXPECT_TRUE(Painted(img, 80, 50));
    EXPECT_FALSE(Painted(img, 50, 50));
    QImage bevel = Draw([] {
        Path({At(20, 20), At(80, 20), At(80, 80)});
        GraphStroke(10, 0);
    }, 100, 100, PrinterOutput);
    EXPECT_FALSE(Painted(bevel, 84, 15)); // bevel cuts the corner
    EXPECT_TRUE(Painted(bevel, 80, 20));
}

class GraphSysModes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        ResetScaleState();
        Scale.ViewOrigin = Cord{1000 * 256, 2000 * 256};
        Graph.CurrentColor = 7;
    }
};

TEST_F(GraphSysModes, SymbolElementsAreWrittenAtTheirOffsetsRelativeToTheOrigin)
{
    Graph.OutputMode = SymbolElementOutput;
    Path({Cord{1100 * 256, 2050 * 256}, Cord{1200 * 256 | FirstBezierFlag, 2000 * 256}});
    GraphStroke(35, 4);
    GraphDot(1000 * 256, 1990 * 256, 80);
    GraphCircle(1000 * 256, 2000 * 256, 10, 120);
    Path({Cord{1000 * 256, 2000 * 256}, Cord{1010 * 256, 2000 * 256},
          Cord{1010 * 256, 2010 * 256 | HoleFlag}});
    EXPECT_TRUE(GraphFill(true));
    ASSERT_EQ(Graph.SymbolElementSlots, 4 + 3 + 3 + 5);
    const uint8_t* b = Graph.SymbolElementBuffer.data();
    // Line: kind, style, colour, width, diameter, count, 4 zero bytes, points.
    EXPECT_EQ(U16(b), 1);
    EXPECT_EQ(U16(b + 2), 4);
    EXPECT_EQ(U16(b + 4), 7);
    EXPECT_EQ(U16(b + 6), 35);
    EXPECT_EQ(U16(b + 8), 0);
    EXPECT_EQ(U16(b + 10), 2);
    EXPECT_EQ(Get32(b + 12), 0);
    EXPECT_EQ(Get32(b + 16), 100 * 256);
    EXPECT_EQ(Get32(b + 20), 50 * 256);
    EXPECT_EQ(Get32(b + 24), 200 * 256 | FirstBezierFlag);
    // Dot: diameter after the width correction (none here), no width.
    const uint8_t* d = b + 4 * 8;
    EXPECT_EQ(U16(d), 4);
    EXPECT_EQ(U16(d + 8), 80);
    EXPECT_EQ(U16(d + 10), 1);
    EXPECT_EQ(Get32(d + 20), -10 * 256);
    const uint8_t* c = b + 7 * 8;
    EXPECT_EQ(U16(c), 3);
    EXPECT_EQ(U16(c + 6), 10);
    EXPECT_EQ(U16(c + 8), 120);
    // Area: holes keep their flags; strokes lose them.
    const uint8_t* a = b + 10 * 8;
    EXPECT_EQ(U16(a), 2);
    EXPECT_EQ(U16(a + 10), 3);
    EXPECT_EQ(Get32(a + 16 + 2 * 8 + 4), 10 * 256 | HoleFlag);
}

TEST_F(GraphSysModes, SymbolElementThatDoesNotFitIsDropped)
{
    Graph.OutputMode = SymbolElementOutput;
    Graph.SymbolElementSlots = 510;
    Graph.SymbolElementBuffer.fill(0xAB);
    Path({Cord{0, 0}, Cord{256, 0}});
    GraphStroke(10, 0);  // needs 4 slots
    GraphDot(0, 0, 50);  // needs 3
    GraphCircle(0, 0, 5, 50);
    EXPECT_EQ(Graph.SymbolElementSlots, 510);
    EXPECT_EQ(Graph.SymbolElementBuffer[510 * 8], 0xAB);
    // Exactly enough room: taken.
    Graph.SymbolElementSlots = 509;
    GraphDot(0, 0, 50);
    EXPECT_EQ(Graph.SymbolElementSlots, 512);
    Path({Cord{0, 0}, Cord{256, 0}, Cord{256, 256}});
    EXPECT_TRUE(GraphFill(false)); // true even when dropped
    EXPECT_EQ(Graph.SymbolElementSlots, 512);
}

// The source symbol's icon: colour blocks of the standard palette.
int SourceIndex(int x, int y) { return (x / 4 + y / 5 * 3) % 16; }

// What a made symbol's icon shows: the source icon with its grey corner triangle (7 pixels
// in the top row, one fewer in each row below).
QImage MarkedSourceIcon(bool blank = false)
{
    QImage img(22, 22, QImage::Format_RGB32);
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 22; ++x)
            img.setPixel(x, y, blank ? qRgb(255, 255, 255) : IconPalette[size_t(SourceIndex(x, y))]);
    for (int y = 0; y < 7; ++y)
        for (int x = 15 + y; x < 22; ++x)
            img.setPixel(x, y, qRgb(128, 128, 128));
    return img;
}

class GraphSysNewObjects : public GraphSysModes {
protected:
    void SetUp() override
    {
        GraphSysModes::SetUp();
        ASSERT_TRUE(dir.isValid());
        store.WorkFile.Rewrite(dir.filePath("work.dmy"));
        store.WorkFile.Write(QByteArray(VariablePartPos, '\0'));
        // The source symbol, number 10.0, with an icon of its own.
        SymbolBytes source(424, 0);
        SetSymI16(source, SymSize, 424);
        SetSymI16(source, SymNumber, 100);
        SetSymI16(source, SymObjectType, LineObject);
        // Plain icon form, written by hand: 12 bytes a row, bottom row first, left pixel in
        // the high nibble.
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 22; ++x) {
                uint8_t& b = source[size_t(SymIcon + (21 - y) * 12 + x / 2)];
                b = uint8_t(x % 2 ? (b & 0xF0) | SourceIndex(x, y) : (b & 0x0F) | SourceIndex(x, y) << 4);
            }
        ASSERT_TRUE(store.AppendSymbolRecord(source));
        store.BuildNumberTable();
        SetCurrentSymbolStore(&store);
        DrawElement.Symbol = 100;
        DrawSymbol = store.Symbols[0].data();
        Graph.OutputMode = NewObjectOutput;
        Graph.CurrentColor = 3;
        Graph.AppendElementHook = [this](ElementRecord& e) {
            appended.push_back({e.Symbol, e.ObjectType,
                                std::vector<Cord>(e.Cords(), e.Cords() + e.nItem)});
        };
    }
    void TearDown() override
    {
        SetCurrentSymbolStore(nullptr);
        DrawSymbol = nullptr;
        ResetIconCodec();
        store.WorkFile.Close();
    }
    const SymbolBytes& Symbol(int number) const
    {
        const int at = store.NumberTable[size_t(number)];
        EXPECT_GE(at, 0);
        return store.Symbols[size_t(std::max(at, 0))];
    }
    struct Appended {
        int symbol;
        int type;
        std::vector<Cord> points;
    };
    QTemporaryDir dir;
    SymbolStore store;
    std::vector<Appended> appended;
};

TEST_F(GraphSysNewObjects, IdenticalSymbolIsReusedAndEachStrokeBecomesAnObject)
{
    Path({Cord{0, 0}, Cord{25600, 0}});
    GraphStroke(50, 4);
    ASSERT_EQ(store.SymbolCount(), 2);
    const SymbolBytes& made = store.Symbols[1];
    ASSERT_EQ(made.size(), 424u);
    EXPECT_EQ(SymI16(made, SymNumber), 101);
    EXPECT_EQ(SymI16(made, SymObjectType), LineObject);
    EXPECT_EQ(SymI16(made, SymExtent), 26);
    EXPECT_TRUE(SymColors(made).test(3));
    EXPECT_EQ(SymColors(made).count(), 1u);
    EXPECT_EQ(SymI16(made, 348), 3);
    EXPECT_EQ(SymI16(made, 350), 50);
    EXPECT_EQ(SymI16(made, 352), 4);
    QImage icon;
    EXPECT_EQ(DecodeRecordIcon(made, icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());

    Path({Cord{0, 25600}, Cord{25600, 25600}, Cord{25600, 0}});
    GraphStroke(50, 4);
    EXPECT_EQ(store.SymbolCount(), 2); // the same symbol again
    Path({Cord{0, 0}, Cord{256, 0}});
    GraphStroke(60, 4);
    EXPECT_EQ(store.SymbolCount(), 3);

    ASSERT_EQ(appended.size(), 3u);
    EXPECT_EQ(appended[0].symbol, 101);
    EXPECT_EQ(appended[1].symbol, 101);
    EXPECT_EQ(appended[2].symbol, 102);
    EXPECT_EQ(appended[0].type, LineObject);
    EXPECT_EQ(appended[1].points.size(), 3u);
    EXPECT_EQ(appended[1].points[2], (Cord{25600, 0}));
    // The source symbol is fetched again after the list changed.
    EXPECT_EQ(DrawSymbol, store.Symbols[size_t(store.NumberTable[100])].data());
}

TEST_F(GraphSysNewObjects, FillsDotsAndCirclesBecomeAreasAndLines)
{
    Path({Cord{0, 0}, Cord{25600, 0}, Cord{25600, 25600}});
    EXPECT_TRUE(GraphFill(false));
    ASSERT_EQ(store.SymbolCount(), 2);
    const SymbolBytes& area = store.Symbols[1];
    ASSERT_EQ(area.size(), 380u);
    EXPECT_EQ(SymI16(area, SymObjectType), AreaObject);
    EXPECT_EQ(SymI16(area, 350), -1);
    EXPECT_EQ(SymI16(area, 352), 3);
    GraphDot(0, 0, 100);        // an area of the same symbol
    GraphCircle(0, 0, 10, 100); // a line of width 10
    EXPECT_EQ(store.SymbolCount(), 3);
    ASSERT_EQ(appended.size(), 3u);
    EXPECT_EQ(appended[1].symbol, appended[0].symbol);
    EXPECT_EQ(appended[1].points.size(), 13u);
    EXPECT_EQ(appended[2].type, LineObject);
    // Without a store no symbol number exists and nothing is appended.
    SetCurrentSymbolStore(nullptr);
    GraphDot(0, 0, 100);
    EXPECT_EQ(appended.size(), 3u);
}

TEST_F(GraphSysNewObjects, IconFormFollowsTheMapVersionAndTheSourceStaysUnmarked)
{
    const SymbolBytes sourceBefore = Symbol(100);
    // Format 7 maps read only the plain form: check its bytes at their offsets.
    store.Header.Version = 7;
    Path({Cord{0, 0}, Cord{25600, 0}});
    GraphStroke(50, 0);
    ASSERT_EQ(store.SymbolCount(), 2);
    const SymbolBytes plain = Symbol(101);
    EXPECT_EQ(plain[SymFlags] & 2, 0);
    EXPECT_EQ(plain[size_t(SymIcon + 21 * 12 + 10)], 0x77);    // top row, x 20 and 21: grey
    EXPECT_EQ(plain[size_t(SymIcon + 21 * 12 + 7)], 0x37);     // x 14 keeps its colour, 15 grey
    EXPECT_EQ(plain[size_t(SymIcon + 15 * 12 + 10)], 0x87);    // y 6: x 20 keeps, 21 grey
    EXPECT_EQ(plain[size_t(SymIcon + 14 * 12 + 10)], 0x88);    // y 7: no mark
    EXPECT_EQ(plain[size_t(SymIcon + 0 * 12 + 0)], 0xCC);      // bottom row, left block
    QImage icon;
    EXPECT_EQ(DecodeRecordIcon(plain, icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());

    // Format 8 may pack it; whatever the form, the picture is the same.
    store.Header.Version = 8;
    Path({Cord{0, 0}, Cord{25600, 0}});
    GraphStroke(70, 0);
    ASSERT_EQ(store.SymbolCount(), 3);
    const SymbolBytes packed = Symbol(102);
    EXPECT_NE(packed[SymFlags] & 2, 0);
    EXPECT_EQ(DecodeRecordIcon(packed, icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());

    // The source symbol's icon is left as it was.
    const SymbolBytes& source = Symbol(100);
    EXPECT_EQ(source[SymFlags], sourceBefore[SymFlags]);
    EXPECT_TRUE(std::equal(source.begin() + SymIcon, source.begin() + SymIcon + 264,
                           sourceBefore.begin() + SymIcon));
}

TEST_F(GraphSysNewObjects, IconIsMadeWithoutDisturbingAnOpenIconEditor)
{
    IconCodec().EditorOpen = true;
    IconCodec().WorkBitmap.fill(qRgb(255, 0, 0));
    Path({Cord{0, 0}, Cord{25600, 0}, Cord{25600, 25600}});
    EXPECT_TRUE(GraphFill(false));
    ASSERT_EQ(store.SymbolCount(), 2);
    QImage icon;
    EXPECT_EQ(DecodeRecordIcon(Symbol(101), icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());
    EXPECT_EQ(IconCodec().WorkBitmap.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(IconCodec().WorkBitmap.pixel(21, 0), qRgb(255, 0, 0));

    // Without a source symbol the new icon is blank but for the mark.
    DrawSymbol = nullptr;
    GraphCircle(0, 0, 10, 100);
    ASSERT_EQ(store.SymbolCount(), 3);
    EXPECT_EQ(DecodeRecordIcon(Symbol(102), icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon(true));
}

} // namespace

// Device points of a path against each coordinate converted on its own: the nearest whole
// number of (masked coordinate - origin) x scale, halves to even, a zero keeping the sign of
// what was rounded; repeats left out, a ring started at each hole, curves flattened. The
// paths mix flag bits, holes, curves, repeats, halves, small negatives and points far beyond
// 2^31 device units.
TEST(GraphSysPath, DevicePointsAreTheRoundedPositionsOfTheirCoordinates)
{
    const ScaleState kept = Scale;
    std::mt19937 rng(5);
    int curves = 0, holes = 0, halves = 0, negativeZeros = 0, far = 0;
    const auto reference = [&halves](Cord c) {
        const double x = double(int64_t(Masked(c.x)) - Scale.ViewOrigin.x) * Scale.ViewScaleX;
        const double y = double(int64_t(Masked(c.y)) - Scale.ViewOrigin.y) * Scale.ViewScaleY;
        halves += x - std::floor(x) == 0.5 || y - std::floor(y) == 0.5;
        return QPointF(std::nearbyint(x), std::nearbyint(y));
    };
    const double scales[] = {1.0 / 768, 0.5, -0.25, 3.0, 100.0, -1.0 / 3};
    for (int round = 0; round < 600; ++round) {
        Scale.ViewScaleX = scales[round % 6];
        Scale.ViewScaleY = -scales[(round / 6) % 6];
        Scale.ViewOrigin = Cord{int32_t(rng() % 2000000) - 1000000, int32_t(rng() % 2000000) - 1000000};
        const int n = 1 + int(rng() % 40);
        EnsureWorkPoints2(n);
        Cord at = Scale.ViewOrigin;
        for (int i = 0; i < n; ++i) {
            const int step = rng() % 3 == 0 ? 3 : rng() % 2 ? 2000 : 50000000;
            if (rng() % 8 != 0) {
                at.x = std::clamp<int32_t>(at.x + int32_t(rng() % unsigned(2 * step + 1)) - step, -MapAreaLimit, MapAreaLimit);
                at.y = std::clamp<int32_t>(at.y + int32_t(rng() % unsigned(2 * step + 1)) - step, -MapAreaLimit, MapAreaLimit);
            }
            Cord c{Masked(at.x), Masked(at.y)};
            // Flags that do not move a point: a corner, a dash, no line on one side.
            c.x |= rng() % 5 == 0 ? NoLeftLineFlag : 0;
            c.y |= rng() % 5 == 0 ? (CornerFlag | DashFlag) : 0;
            if (i > 0 && rng() % 15 == 0)
                c.y |= HoleFlag;
            WorkPoints2[size_t(i)] = c;
        }
        for (int i = 1; i + 2 < n; ++i)
            if (rng() % 6 == 0) {
                WorkPoints2[size_t(i)].x |= FirstBezierFlag;
                WorkPoints2[size_t(i + 1)].x |= SecondBezierFlag;
                i += 2;
            }
        Graph.WorkPoints2Count = n;
        const int tolerance = 1 + int(rng() % 20);
        PathToDevice(tolerance);

        std::vector<QPointF> want;
        std::vector<int> rings;
        size_t ringStart = 0;
        const Cord* p = WorkPoints2.data();
        const auto add = [&](QPointF d) {
            if (d.x() != want.back().x() || d.y() != want.back().y())
                want.push_back(d);
        };
        want.push_back(reference(p[0]));
        for (int i = 1; i < n;) {
            if (p[i].y & HoleFlag) {
                rings.push_back(int(want.size() - ringStart));
                ringStart = want.size();
                want.push_back(reference(p[i++]));
                ++holes;
            } else if (i < n - 2 && (p[i].x & FirstBezierFlag) && !((p[i + 1].y | p[i + 2].y) & HoleFlag)) {
                Cord flat[32];
                const int k = FlattenBezier(p + i - 1, flat, 5, tolerance);
                for (int j = 0; j < k; ++j)
                    add(reference(flat[j]));
                i += 3;
                ++curves;
            } else {
                add(reference(p[i++]));
            }
        }
        rings.push_back(int(want.size() - ringStart));
        ASSERT_EQ(Graph.DeviceRingSizes, rings) << "round " << round;
        ASSERT_EQ(Graph.DevicePoints.size(), want.size()) << "round " << round;
        for (size_t k = 0; k < want.size(); ++k) {
            const QPointF got = Graph.DevicePoints[k];
            ASSERT_TRUE(got.x() == want[k].x() && got.y() == want[k].y()
                        && std::signbit(got.x()) == std::signbit(want[k].x())
                        && std::signbit(got.y()) == std::signbit(want[k].y()))
                << "round " << round << " point " << k << ": " << got.x() << "," << got.y() << " for "
                << want[k].x() << "," << want[k].y();
            negativeZeros += (want[k].x() == 0 && std::signbit(want[k].x())) || (want[k].y() == 0 && std::signbit(want[k].y()));
            far += std::abs(want[k].x()) > 2147483648.0 || std::abs(want[k].y()) > 2147483648.0;
        }
    }
    Scale = kept;
    EXPECT_GT(curves, 100);
    EXPECT_GT(holes, 100);
    EXPECT_GT(halves, 100);
    EXPECT_GT(negativeZeros, 20);
    EXPECT_GT(far, 100);
}
