// Convert to curves: the fit's exact results on cases worked out by hand, the tolerance kept, the
// retry that stops when a larger tolerance no longer helps, a run as long as its object, and
// the two commands as one undo step each.
#include "ObjectFixture.h"

#include "render/Bezier.h"

#include <pthread.h>

#include <cmath>
#include <numbers>

namespace zemo::test {
namespace {

constexpr int32_t F = FirstBezierFlag;
constexpr int32_t S = SecondBezierFlag;
constexpr int32_t MmU = 25600;

void SetLine(const std::vector<Cord>& cords, uint8_t type = LineObject, int nText = 0)
{
    ElementRecord& e = CurElement;
    InitElement(e, 10, type, uint16_t(cords.size()), uint16_t(nText), 0);
    std::copy(cords.begin(), cords.end(), e.Cords());
    for (int t = 0; t < nText; ++t)
        e.Slots[cords.size() + size_t(t)] = {0x64636261, 0x00686766};  // "abcdefgh"-ish bytes
}

std::vector<Cord> Converted(const std::vector<Cord>& cords, int hole = 0)
{
    Index.SelectedHoleStart = hole;
    SetLine(cords, hole > 0 || (cords.size() > 1 && (cords[1].y & HoleFlag)) ? AreaObject : LineObject);
    ConvertToCurve();
    Index.SelectedHoleStart = 0;
    return {CurElement.Cords(), CurElement.Cords() + CurElement.nItem};
}

// The Bezier path's points: every segment sampled finely.
std::vector<QPointF> Sampled(const std::vector<Cord>& c)
{
    std::vector<QPointF> out;
    for (size_t i = 0; i + 1 < c.size();) {
        if ((c[i + 1].x & F) && i + 3 < c.size()) {
            const double x[4] = {double(Masked(c[i].x)), double(Masked(c[i + 1].x)), double(Masked(c[i + 2].x)),
                                 double(Masked(c[i + 3].x))};
            const double y[4] = {double(Masked(c[i].y)), double(Masked(c[i + 1].y)), double(Masked(c[i + 2].y)),
                                 double(Masked(c[i + 3].y))};
            const int steps = std::max(50, int(std::hypot(x[3] - x[0], y[3] - y[0]) / 64));
            for (int k = 0; k <= steps; ++k) {
                double px, py;
                BezierPointAt(x, y, double(k) / steps, px, py);
                out.emplace_back(px, py);
            }
            i += 3;
        } else {
            const int steps = std::max(50, int(std::hypot(double(c[i + 1].x) - c[i].x, double(c[i + 1].y) - c[i].y) / 64));
            for (int k = 0; k <= steps; ++k) {
                const double t = double(k) / steps;
                out.emplace_back(Masked(c[i].x) + t * (double(Masked(c[i + 1].x)) - Masked(c[i].x)),
                                 Masked(c[i].y) + t * (double(Masked(c[i + 1].y)) - Masked(c[i].y)));
            }
            ++i;
        }
    }
    return out;
}

int Segments(const std::vector<Cord>& c)
{
    int n = 0;
    for (const Cord& p : c)
        n += (p.x & F) ? 1 : 0;
    return n;
}

TEST(ToCurve, ThePartsCasesGiveExactControlPoints)
{
    ResetIndexState();
    ProgramConfig.Smoothing = 1;
    struct Row {
        const char* name;
        std::vector<Cord> in, out;
        int hole = 0;
    };
    const std::vector<Row> rows{
        {"two points stay a straight line", {{0, 0}, {10 * MmU, 5 * MmU}}, {{0, 0}, {10 * MmU, 5 * MmU}}},
        // Split at the first inner point; tangents along the line; controls at 0.4 of each chord.
        {"three collinear points: two curves on the line",
         {{0, 0}, {10 * MmU, 0}, {20 * MmU, 0}},
         {{0, 0}, {102400 | F, 0}, {153600 | S, 0}, {10 * MmU, 0}, {358400 | F, 0}, {409600 | S, 0}, {20 * MmU, 0}}},
        {"a corner in the middle: each side on its own, the corner kept",
         {{0, 0}, {10 * MmU, 0}, {20 * MmU, 0 | CornerFlag}, {20 * MmU, 10 * MmU}, {20 * MmU, 20 * MmU}},
         {{0, 0}, {102400 | F, 0}, {153600 | S, 0}, {10 * MmU, 0}, {358400 | F, 0}, {409600 | S, 0},
          {20 * MmU, 0 | CornerFlag}, {512000 | F, 102400}, {512000 | S, 153600}, {20 * MmU, 10 * MmU},
          {512000 | F, 358400}, {512000 | S, 409600}, {20 * MmU, 20 * MmU}}},
        {"a curve is copied and the conversion goes on after it",
         {{0, 0}, {10 * MmU, 0}, {20 * MmU, 0}, {25 * MmU | F, 5 * MmU}, {30 * MmU | S, 5 * MmU}, {35 * MmU, 0},
          {45 * MmU, 0}, {55 * MmU, 0}},
         {{0, 0}, {102400 | F, 0}, {153600 | S, 0}, {10 * MmU, 0}, {358400 | F, 0}, {409600 | S, 0}, {20 * MmU, 0},
          {25 * MmU | F, 5 * MmU}, {30 * MmU | S, 5 * MmU}, {35 * MmU, 0}, {998400 | F, 0}, {1049600 | S, 0},
          {45 * MmU, 0}, {1254400 | F, 0}, {1305600 | S, 0}, {55 * MmU, 0}}},
        // The gap flags of a segment's start go to its control points; a change of them ends
        // the run.
        {"side flags end a run and ride on the controls",
         {{0 | NoLeftLineFlag, 0}, {10 * MmU | NoLeftLineFlag, 0}, {20 * MmU, 0}, {30 * MmU, 0}},
         {{0 | NoLeftLineFlag, 0}, {102400 | F | NoLeftLineFlag, 0}, {153600 | S | NoLeftLineFlag, 0},
          {10 * MmU | NoLeftLineFlag, 0}, {358400 | F | NoLeftLineFlag, 0}, {409600 | S | NoLeftLineFlag, 0},
          {20 * MmU, 0}, {30 * MmU, 0}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Converted(r.in, r.hole), r.out);
    }
    // A run of three points with the same gap flags: the controls carry them.
    const std::vector<Cord> flagged = Converted({{0, 0 | NoRightLineFlag}, {10 * MmU, 0 | NoRightLineFlag}, {20 * MmU, 0}});
    ASSERT_EQ(flagged.size(), 7u);
    EXPECT_EQ(flagged[1], (Cord{102400 | F, 0 | NoRightLineFlag}));
    EXPECT_EQ(flagged[2], (Cord{153600 | S, 0 | NoRightLineFlag}));
}

TEST(ToCurve, AnAreaConvertsOnlyItsOuterRingOrOnlyTheSelectedHole)
{
    ResetIndexState();
    ProgramConfig.Smoothing = 1;
    // An outer ring and two holes, every ring a wavy polygon.
    std::vector<Cord> area;
    std::vector<int> starts;
    for (int ring = 0; ring < 3; ++ring) {
        starts.push_back(int(area.size()));
        const double r = ring == 0 ? 40 * MmU : 5 * MmU, cx = ring == 2 ? 20 * MmU : 0;
        for (int k = 0; k <= 24; ++k) {
            const double a = k * std::numbers::pi / 12;
            Cord c{Masked(int32_t(cx + r * std::cos(a))), Masked(int32_t(r * std::sin(a)))};
            if (k == 24)
                c = area[size_t(starts.back())];
            if (k == 0 && ring > 0)
                c.y |= HoleFlag;
            area.push_back(c);
        }
    }
    auto ring = [&](const std::vector<Cord>& c, int which) {
        int seen = -1;
        std::vector<Cord> out;
        for (size_t i = 0; i < c.size(); ++i) {
            if (i == 0 || (c[i].y & HoleFlag))
                ++seen;
            if (seen == which)
                out.push_back(c[i]);
        }
        return out;
    };
    const std::vector<Cord> outer = Converted(area);
    EXPECT_GT(Segments(ring(outer, 0)), 0);
    EXPECT_EQ(ring(outer, 1), ring(area, 1));
    EXPECT_EQ(ring(outer, 2), ring(area, 2));
    const std::vector<Cord> hole = Converted(area, starts[1]);
    EXPECT_EQ(ring(hole, 0), ring(area, 0));
    EXPECT_GT(Segments(ring(hole, 1)), 0);
    EXPECT_EQ(ring(hole, 1).front(), area[size_t(starts[1])]);  // still a hole
    EXPECT_EQ(ring(hole, 2), ring(area, 2));
}

TEST(ToCurve, EverySourcePointLiesWithinTheToleranceOfTheCurves)
{
    ResetIndexState();
    // A wavy freehand line, and its text slots after it.
    std::vector<Cord> line;
    for (int i = 0; i < 400; ++i) {
        const double x = i * 0.25 * MmU;
        const double y = 6 * MmU * std::sin(i / 17.0) + 0.1 * MmU * std::sin(i * 1.3);
        line.push_back({Masked(int32_t(x)), Masked(int32_t(y))});
    }
    for (int smoothing : {0, 1, 2}) {
        SCOPED_TRACE(smoothing);
        ProgramConfig.Smoothing = smoothing;
        SetLine(line, LineObject, 2);
        ASSERT_EQ(ConvertToCurve(), ConvertResult::Converted);
        const std::vector<Cord> out(CurElement.Cords(), CurElement.Cords() + CurElement.nItem);
        EXPECT_EQ(CurElement.Slots[out.size()], (Cord{0x64636261, 0x00686766}));  // the text moved along
        EXPECT_EQ(out.front(), line.front());
        EXPECT_EQ(out.back(), line.back());
        const std::vector<QPointF> curve = Sampled(out);
        const double tol = CurveTolerance(smoothing);
        double worst = 0;
        for (const Cord& p : line) {
            double best = 1e300;
            for (const QPointF& q : curve)
                best = std::min(best, std::max(std::fabs(q.x() - Masked(p.x)), std::fabs(q.y() - Masked(p.y))));
            worst = std::max(worst, best);
        }
        EXPECT_LE(worst, tol + 64);  // the halving rounds each level; the samples lie 64 apart
    }
}

TEST(ToCurve, ALargerSmoothingGivesFewerSegmentsOnACloselySampledCircle)
{
    ResetIndexState();
    std::vector<Cord> circle;
    for (int k = 0; k <= 720; ++k) {
        const double a = k * std::numbers::pi / 360;
        circle.push_back({Masked(int32_t(30 * MmU * std::cos(a))), Masked(int32_t(30 * MmU * std::sin(a)))});
    }
    circle.back() = circle.front();
    std::vector<int> segments;
    for (int smoothing : {0, 2}) {
        ProgramConfig.Smoothing = smoothing;
        segments.push_back(Segments(Converted(circle)));
    }
    EXPECT_GT(segments[1], 0);
    EXPECT_LT(segments[1], segments[0]);
}

TEST(ToCurve, FreehandRunsConvertOnlyTheirStretches)
{
    ResetIndexState();
    ProgramConfig.Smoothing = 1;
    std::vector<Cord> line;
    for (int i = 0; i < 10; ++i)
        line.push_back({i * 10 * MmU, 0});
    struct Row {
        const char* name;
        std::vector<FreehandRun> runs;
        int segments;
        size_t size;
    };
    const std::vector<Row> rows{
        {"none", {}, 0, 10},
        {"one of three points: two curves", {{2, 4}}, 2, 14},
        {"a run of one segment is copied", {{2, 3}}, 0, 10},
        {"two runs sharing a point", {{0, 2}, {2, 4}}, 4, 18},
        {"runs out of order or outside are left alone", {{4, 6}, {1, 3}, {7, 12}, {8, 8}}, 2, 14},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SetLine(line);
        ToCurve.FreehandRuns = r.runs;
        FreehandRunsToCurve();
        const std::vector<Cord> out(CurElement.Cords(), CurElement.Cords() + CurElement.nItem);
        EXPECT_EQ(Segments(out), r.segments);
        EXPECT_EQ(out.size(), r.size);
        EXPECT_EQ(out.back(), line.back());
    }
}

// Each run of two segments (every other point a corner) becomes two curves at any tolerance:
// the result never fits, and the object stays as it was.
TEST_F(ObjectTest, ALineThatCannotFitAfterConversionIsLeftUnchangedWithMaxPoints)
{
    TestMapWriter w = ObjectMap();
    TestObject big = TestObject::Line(20, {});
    for (int i = 0; i < 12000; ++i)
        big.cords.push_back({(i % 1000) * 2560 - 20 * Mm, (i / 1000) * 2 * Mm | ((i % 2) ? CornerFlag : 0)});
    w.objects.push_back(big);
    ShowMap(w);
    const int n = zmd->HighestObject;
    const std::vector<uint8_t> before = ElementRecordBytes(Stored(n), Stored(n).nItem);
    Select({n});
    ObjectsToCurve();
    EXPECT_EQ(messages.CountOf(TextKey::MaxPoints), 1);
    EXPECT_EQ(messages.Last().helpContext, 71);
    EXPECT_EQ(ElementRecordBytes(Stored(n), Stored(n).nItem), before);
    EXPECT_FALSE(CanUndo());
}

// A run as long as its object: each split leaves all but one point to the next, and the fit
// runs on a thread with a small stack.
TEST(ToCurve, ARunAsLongAsItsObjectFitsWithinASmallStack)
{
    ResetIndexState();
    ProgramConfig.Smoothing = 1;
    std::vector<Cord> zigzag;
    for (int i = 0; i < 8000; ++i) {
        const double amplitude = 10 * MmU * std::pow(0.99995, i);
        zigzag.push_back({i * 1024, Masked(int32_t((i % 2 ? 1 : -1) * amplitude))});
    }
    SetLine(zigzag);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1 << 20);
    pthread_t thread;
    static ConvertResult result;
    ASSERT_EQ(pthread_create(&thread, &attr, [](void*) -> void* {
        result = ConvertToCurve();
        return nullptr;
    }, nullptr), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(result, ConvertResult::Converted);
    EXPECT_EQ(CurElement.Cords()[CurElement.nItem - 1], zigzag.back());
}

TEST_F(ObjectTest, ToCurveOfOneOrManyObjectsIsOneUndoStep)
{
    TestMapWriter w = ObjectMap();
    std::vector<TestCord> wave;
    for (int i = 0; i < 60; ++i)
        wave.push_back({i * Mm / 2, Masked(int32_t(5 * Mm * std::sin(i / 6.0)))});
    w.objects.push_back(TestObject::Line(20, wave));
    w.objects.push_back(TestObject::Area(30, wave));
    ShowMap(w);
    const int line = zmd->HighestObject - 1, area = zmd->HighestObject;
    Select({line});
    CheckUndo([] { ObjectsToCurve(); });
    EXPECT_GT(Segments(CordsOf(line)), 0);
    Select({line, area, HoledAreaObj});
    CheckUndo([] { ObjectsToCurve(); });
    EXPECT_GT(Segments(CordsOf(area)), 0);
}

// Extras > Convert objects to curves: the question first; every object of the current symbol
// converted, all of them one undo step.
TEST_F(ObjectTest, SymbolObjectsToCurveAsksAndIsOneUndoStep)
{
    TestMapWriter w = ObjectMap();
    for (int k = 0; k < 40; ++k) {
        std::vector<TestCord> wave;
        for (int i = 0; i < 20; ++i)
            wave.push_back({i * Mm / 2, k * Mm + Masked(int32_t(3 * Mm * std::sin(i / 3.0)))});
        w.objects.push_back(TestObject::Line(20, wave));
    }
    ShowMap(w);
    S().CurrentSymbolIndex = 1;  // the double line
    const MapSnapshot start = Snap();
    const std::vector<Cord> area = CordsOf(HoledAreaObj);
    messages.QueueAnswer(IdCancel);
    SymbolObjectsToCurve();
    EXPECT_EQ(messages.Last().key, TextKey::ToCurveSym);
    EXPECT_EQ(messages.Last().helpContext, 63);
    EXPECT_EQ(Snap(), start);
    messages.SetDefaultAnswer(IdOk);
    CheckUndo(SymbolObjectsToCurve);
    for (int n = GapLineObj + 5; n <= zmd->HighestObject; ++n)
        EXPECT_GT(Segments(CordsOf(n)), 0) << n;
    EXPECT_EQ(CordsOf(HoledAreaObj), area);  // other symbols untouched
}

} // namespace
} // namespace zemo::test
