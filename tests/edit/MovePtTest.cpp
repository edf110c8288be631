// Moving one point of a curve: what follows it and what keeps its length.
#include "edit/MovePt.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zemo {
namespace {

constexpr int32_t U = 256 * 100;  // 1 mm

// A, c1, c2, B (smooth), c3, c4, C
void Curve(ElementRecord& e, int32_t cornerAtB = 0)
{
    const Cord pts[7] = {{0, 0},          {U | FirstBezierFlag, U}, {2 * U | SecondBezierFlag, 0},
                         {4 * U, cornerAtB}, {6 * U | FirstBezierFlag, 0}, {7 * U | SecondBezierFlag, U},
                         {8 * U, 0}};
    e.nItem = 7;
    for (int k = 0; k < 7; ++k)
        e.Cords()[k] = pts[k];
}

double Len(Cord a, Cord b)
{
    return std::hypot(double(Masked(a.x)) - Masked(b.x), double(Masked(a.y)) - Masked(b.y));
}

TEST(MovePt, AnAnchorCarriesItsControlPoints)
{
    static ElementRecord e;
    Curve(e);
    MovePointTo(e, 3, {5 * U + 7, U}, 0);
    const Cord* p = e.Cords();
    EXPECT_EQ(p[3], (Cord{5 * U, U}));
    EXPECT_EQ(p[2], (Cord{3 * U | SecondBezierFlag, U}));
    EXPECT_EQ(p[4], (Cord{7 * U | FirstBezierFlag, U}));
    EXPECT_EQ(p[1], (Cord{U | FirstBezierFlag, U}));
    EXPECT_EQ(p[5], (Cord{7 * U | SecondBezierFlag, U}));
    EXPECT_EQ(DependentSegments(e, 3), (std::vector<int>{0, 3}));
}

TEST(MovePt, AControlPointOfASmoothAnchorTurnsTheOppositeOneAtItsLength)
{
    static ElementRecord e;
    Curve(e);
    const int opp = OppositeHandleLengthOf(e, 4);
    EXPECT_EQ(opp, 2 * U);
    MovePointTo(e, 4, {4 * U, 3 * U}, opp);
    const Cord* p = e.Cords();
    EXPECT_EQ(p[4], (Cord{4 * U | FirstBezierFlag, 3 * U}));
    EXPECT_EQ(p[2], (Cord{4 * U | SecondBezierFlag, -2 * U}));
    EXPECT_EQ(p[3], (Cord{4 * U, 0}));
    EXPECT_NEAR(Len(p[3], p[2]), 2 * U, 1);
    EXPECT_EQ(DependentSegments(e, 4), (std::vector<int>{3, 0}));
    // The second control point before B turns the first one after it.
    const int opp2 = OppositeHandleLengthOf(e, 2);
    MovePointTo(e, 2, {4 * U, 2 * U}, opp2);
    EXPECT_EQ(Masked(p[4].x), 4 * U);
    EXPECT_EQ(Masked(p[4].y), -3 * U);
}

TEST(MovePt, ACornerAnchorLetsItsControlPointsMoveAlone)
{
    static ElementRecord e;
    Curve(e, CornerFlag);
    EXPECT_EQ(OppositeHandleLengthOf(e, 4), 0);
    MovePointTo(e, 4, {5 * U, 2 * U}, 0);
    EXPECT_EQ(e.Cords()[2], (Cord{2 * U | SecondBezierFlag, 0}));
    EXPECT_EQ(e.Cords()[3], (Cord{4 * U, CornerFlag}));
    EXPECT_EQ(DependentSegments(e, 4), (std::vector<int>{3}));
}

} // namespace
} // namespace zemo
