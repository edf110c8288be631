// ReverseLine: point order, Bezier flags, and the side flags moving with their segments.
#include "core/Cord.h"
#include "core/Element.h"
#include "edit/Reverse.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace zemo;

namespace {

constexpr int32_t U = 256;
constexpr int32_t L = NoLeftLineFlag;   // in x
constexpr int32_t R = NoRightLineFlag;  // in y
constexpr int32_t F = FirstBezierFlag;
constexpr int32_t S = SecondBezierFlag;

std::vector<Cord> Reversed(const std::vector<Cord>& in)
{
    auto e = std::make_unique<ElementRecord>();
    e->ObjectType = LineObject;
    e->nItem = uint16_t(in.size());
    std::copy(in.begin(), in.end(), e->Cords());
    ReverseLine(*e);
    return {e->Cords(), e->Cords() + e->nItem};
}

TEST(ReverseLine, PointsTurnAroundAndSideFlagsMoveWithTheirSegments)
{
    struct Row {
        const char* name;
        std::vector<Cord> in, out;
    };
    const std::vector<Row> rows{
        {"too short to turn", {{U | L, U | R}}, {{U | L, U | R}}},
        {"two points: the flags of the one segment go to its new start, sides exchanged",
         {{0 | L, 0}, {10 * U, 5 * U}},
         {{10 * U, 5 * U | R}, {0, 0}}},
        // Segment 0-1 has no left side, 1-2 no right side, 2-3 none; 1 is a corner, 2 a dash.
        {"straight segments keep their gaps on their stretch",
         {{0 | L, 0}, {10 * U, 0 | R | CornerFlag}, {20 * U, 0 | DashFlag}, {30 * U, 0}},
         {{30 * U, 0}, {20 * U | L, 0 | DashFlag}, {10 * U, 0 | CornerFlag | R}, {0, 0}}},
        // A curve 0..3 without its left side (control points flagged alike), then a straight
        // segment 3-4 without its right side.
        {"a curve keeps its control points and its gap",
         {{0 | L, 0}, {1 * U | F | L, 4 * U}, {3 * U | S | L, 4 * U}, {4 * U, 0 | R}, {9 * U, 0}},
         {{9 * U | L, 0}, {4 * U, 0 | R}, {3 * U | F, 4 * U | R}, {1 * U | S, 4 * U | R}, {0, 0}}},
        {"the old last point's side flags are dropped",
         {{0, 0}, {5 * U | L, 5 * U | R}},
         {{5 * U, 5 * U}, {0, 0}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Reversed(r.in), r.out);
    }
}

TEST(ReverseLine, TwiceGivesTheSameLineWhenItsLastPointHasNoSideFlag)
{
    const std::vector<std::vector<Cord>> lines{
        {{0 | L, 0}, {10 * U, 3 * U | R | CornerFlag}, {20 * U | L, 0 | DashFlag | R}, {30 * U, 7 * U}},
        {{0, 0 | R}, {1 * U | F, 4 * U | R}, {3 * U | S, 4 * U | R}, {4 * U | L, 0}, {5 * U | F | L, 2 * U},
         {6 * U | S | L, 2 * U}, {7 * U, 0 | CornerFlag}, {9 * U, 1 * U}},
    };
    for (const auto& line : lines)
        EXPECT_EQ(Reversed(Reversed(line)), line);
}

} // namespace
