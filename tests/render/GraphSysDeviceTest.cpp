// The output layer on raster images and on the recording device: dots, circles, strokes,
// fills, hatches, clips, colours and the 16-bit-free device coordinates.
#include "GraphSysTestUtil.h"

#include "core/Numeric.h"
#include "platform/PainterDevice.h"
#include "platform/RecordingDevice.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <sstream>

using namespace zemo;
using namespace zemo::gstest;

namespace {

class GraphSysDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAll();
        PixelTransform(100, 100);
    }

    // Runs draw between BeginDrawing and EndDrawing on a fresh white image.
    template <class F>
    QImage Draw(F draw, int w = 100, int h = 100, int mode = BitmapOutput)
    {
        QImage img = WhiteImage(w, h);
        PainterDevice dev(&img);
        Graph.OutputMode = mode;
        Graph.OutputDC = &dev;
        BeginDrawing(false);
        Graph.OutputCmyk = Black;
        draw();
        EndDrawing();
        dev.finish();
        Graph.OutputDC = nullptr;
        return img;
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

TEST_F(GraphSysDevice, CircleRingStaysInsideItsDiameter)
{
    const Cord c = At(50, 50);
    QImage img = Draw([c] { GraphCircle(c.x, c.y, 4, 40); });
    EXPECT_EQ(PaintedBounds(img), QRect(30, 30, 40, 40));
    EXPECT_TRUE(Painted(img, 30, 50));
    EXPECT_TRUE(Painted(img, 33, 50));
    EXPECT_FALSE(Painted(img, 35, 50)); // ring 4 wide
    EXPECT_FALSE(Painted(img, 50, 50)); // no fill
    // A circle wider than its diameter is a dot.
    QImage dot = Draw([c] { GraphCircle(c.x, c.y, 40, 20); });
    EXPECT_TRUE(Painted(dot, 50, 50));
    // Wholly outside the clip rectangle: nothing is drawn.
    Graph.ClipRect = CordRect{0, 0, 10 * 256, 10 * 256};
    QImage off = Draw([c] { GraphCircle(c.x, c.y, 4, 40); });
    EXPECT_EQ(PaintedCount(off), 0);
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

TEST_F(GraphSysDevice, HolesStayWhiteWhateverTheirDirection)
{
    const Cord outline[] = {At(10, 10), At(90, 10), At(90, 90), At(10, 90),
                            // hole running the same way as the outer ring
                            Cord{At(40, 40).x, At(40, 40).y | HoleFlag}, At(60, 40), At(60, 60), At(40, 60)};
    QImage img = Draw([&] { GraphFillArea(outline, 8, false); });
    EXPECT_TRUE(Painted(img, 20, 20));
    EXPECT_TRUE(Painted(img, 85, 50));
    EXPECT_FALSE(Painted(img, 50, 50));
    EXPECT_FALSE(Painted(img, 41, 41));
    EXPECT_FALSE(Painted(img, 5, 5));

    // GraphFill alone refuses a path with a hole so that its caller splits it.
    RecordingDevice rec;
    Graph.OutputMode = ScreenOutput;
    Graph.OutputDC = &rec;
    BeginDrawing(false);
    std::copy(std::begin(outline), std::end(outline), WorkPoints2.begin());
    Graph.WorkPoints2Count = 8;
    EXPECT_FALSE(GraphFill(false));
    // The pieces reach the device as single rings.
    rec.clear();
    GraphFillArea(outline, 8, false);
    int polygons = 0;
    for (const std::string& line : rec.lines())
        if (line.rfind("polygon", 0) == 0) {
            ++polygons;
            EXPECT_EQ(line.find("refused"), std::string::npos);
        }
    EXPECT_GE(polygons, 2);
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

    // A clip far larger than any 16-bit device is taken and still confines.
    QImage big = Draw([] {
        Path({At(-90000, 50), At(90000, 50), At(90000, 90000), At(-90000, 90000)});
        EXPECT_EQ(GraphClip(), 1);
        Path({At(0, 0), At(100, 0), At(100, 100), At(0, 100)});
        GraphFill(false);
        GraphResetClip();
    });
    EXPECT_EQ(PaintedBounds(big), QRect(0, 50, 100, 50));

    // Fewer than 3 points: nothing to clip; holes: cannot.
    Path({At(1, 1), At(2, 2)});
    EXPECT_EQ(GraphClip(), 2);
    Path({At(0, 0), At(10, 0), At(10, 10), Cord{At(2, 2).x, At(2, 2).y | HoleFlag}, At(3, 2), At(3, 3)});
    EXPECT_EQ(GraphClip(), 0);
}

TEST_F(GraphSysDevice, GreySubstituteIsLightGreyOnTheDevice)
{
    const DeviceColor grey = ColorToDevice(Graph.GreyCmyk);
    EXPECT_NEAR(grey.r, 192, 2);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);
    QImage img = Draw([] {
        Graph.OutputCmyk = Graph.GreyCmyk;
        Path({At(10, 10), At(90, 10), At(90, 90), At(10, 90)});
        GraphFill(false);
    });
    EXPECT_EQ(img.pixel(50, 50), qRgb(grey.r, grey.g, grey.b));
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
}

TEST(GraphSysColour, ScreenCorrectionIsIdentityAtZeroSettings)
{
    ResetAll();
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
    ResetAll();
    SetOutputAdjust(5, 200, true);
    EXPECT_EQ(Graph.LineWidthCorrection, 100);
    EXPECT_EQ(Graph.OutputIntensity, 100);
    SetOutputAdjust(150, 10, false);
    EXPECT_EQ(Graph.LineWidthCorrection, 150);
    EXPECT_EQ(Graph.OutputIntensity, 10);
}

// Parses "polyline x,y x,y ..." lines of the recording device.
std::vector<std::vector<QPointF>> Polylines(const RecordingDevice& rec)
{
    std::vector<std::vector<QPointF>> out;
    for (const std::string& line : rec.lines()) {
        if (line.rfind("polyline ", 0) != 0)
            continue;
        std::vector<QPointF> pts;
        std::istringstream in(line.substr(9));
        std::string tok;
        while (in >> tok) {
            const size_t comma = tok.find(',');
            double x = 0, y = 0;
            std::from_chars(tok.data(), tok.data() + comma, x);
            std::from_chars(tok.data() + comma + 1, tok.data() + tok.size(), y);
            pts.emplace_back(x, y);
        }
        out.push_back(std::move(pts));
    }
    return out;
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
    const auto chunks = Polylines(rec);
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

TEST_F(GraphSysDevice, FarEndAtZoom32KeepsTheSlopeOnScreen)
{
    ViewParams p;
    p.Zoom = 32;
    p.Width = 200;
    p.Height = 200;
    ASSERT_TRUE(UpdateViewTransform(p));
    ASSERT_DOUBLE_EQ(Scale.ViewScaleX, 1.0 / 256);
    Graph.ClipRect = Scale.DrawRect;
    // From the centre toward a point 1.2 million pixels right and 400,000 pixels up.
    const Cord start{0, 0};
    const Cord far{300000000, 100000000};
    QImage img = Draw([&] {
        Path({start, far});
        GraphStroke(1, 0);
    }, 200, 200, ScreenOutput);
    const QPointF c = CordToDeviceF(start);
    int checked = 0;
    for (int x = int(c.x()) + 5; x < 200; ++x) {
        const double expectY = c.y() - (x - c.x()) / 3.0;
        int row = -1;
        for (int y = 0; y < 200; ++y)
            if (Painted(img, x, y))
                row = y;
        ASSERT_GE(row, 0) << x;
        EXPECT_NEAR(row, expectY, 1.0) << x;
        ++checked;
    }
    EXPECT_GT(checked, 80);
}

TEST_F(GraphSysDevice, FillsOfAnySizeAreTakenOnTheDevice)
{
    // A square 100,000 pixels wide round the image and a pointed tip far beyond it.
    QImage img = Draw([] {
        Path({At(-50000, -50000), At(50000, -50000), At(50000, 50000), At(-50000, 50000)});
        EXPECT_TRUE(GraphFill(false));
    });
    EXPECT_EQ(PaintedCount(img), 100 * 100);
    QImage tip = Draw([] {
        Path({At(0, 40), At(1e6, 50), At(0, 60)});
        EXPECT_TRUE(GraphFill(false));
    });
    EXPECT_TRUE(Painted(tip, 50, 50));
    EXPECT_TRUE(Painted(tip, 99, 50));
    EXPECT_FALSE(Painted(tip, 50, 35));
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

} // namespace
