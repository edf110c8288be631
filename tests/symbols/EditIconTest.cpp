// The icon editor's pixels: shapes by the window system's rules, the drag's clamping, the
// pen, the turns, and a store that changes only the icon field and its form bit.
#include "EditorRecords.h"
#include "symbols/EditIcon.h"
#include "symbols/store/IconCodec.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr QRgb White = qRgb(255, 255, 255);
constexpr int Red = 5;  // colour number of (255, 0, 0)

using Pixels = std::set<std::pair<int, int>>;

Pixels Painted(const QImage& img)
{
    Pixels out;
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            if (img.pixel(x, y) != White)
                out.insert({x, y});
    return out;
}

Pixels Box(int x1, int y1, int x2, int y2, bool filled)
{
    Pixels out;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x)
            if (filled || x == x1 || x == x2 || y == y1 || y == y2)
                out.insert({x, y});
    return out;
}

IconEditor Drag(IconTool tool, QPoint from, QPoint to)
{
    IconEditor e;
    e.SetTool(tool);
    e.SetColorNumber(Red);
    e.MouseDown(from);
    e.MouseMove((from + to) / 2);
    e.MouseMove(to);
    e.MouseUp(to);
    return e;
}

} // namespace

TEST(EditIcon, RectanglesCoverBothCornerPixelsWhicheverWayTheyAreDragged)
{
    struct Case {
        IconTool tool;
        QPoint from, to;
        Pixels expected;
    };
    const Case cases[] = {
        {IconTool::Rect, {5, 5}, {2, 9}, Box(2, 5, 5, 9, false)},
        {IconTool::FullRect, {5, 5}, {2, 9}, Box(2, 5, 5, 9, true)},
        {IconTool::Rect, {2, 9}, {5, 5}, Box(2, 5, 5, 9, false)},
        {IconTool::FullRect, {7, 7}, {7, 7}, Box(7, 7, 7, 7, true)},
        // Released outside the icon: the shape ends at the nearest edge pixel.
        {IconTool::Rect, {18, 3}, {40, -6}, Box(18, 0, 21, 3, false)},
        {IconTool::FullRect, {3, 3}, {-10, 30}, Box(0, 3, 3, 21, true)},
    };
    for (const Case& c : cases) {
        const IconEditor e = Drag(c.tool, c.from, c.to);
        EXPECT_EQ(Painted(e.Image()), c.expected) << int(c.tool) << " " << c.to.x() << "," << c.to.y();
        for (auto [x, y] : c.expected)
            ASSERT_EQ(e.Image().pixel(x, y), qRgb(255, 0, 0));
    }
}

TEST(EditIcon, EllipsesStayInsideTheirBoxAndTouchItsSides)
{
    for (IconTool tool : {IconTool::Ellipse, IconTool::FullEllipse}) {
        const IconEditor e = Drag(tool, {12, 3}, {2, 10});
        const Pixels p = Painted(e.Image());
        ASSERT_FALSE(p.empty());
        int minX = 99, maxX = -1, minY = 99, maxY = -1;
        for (auto [x, y] : p) {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
        EXPECT_EQ(minX, 2);
        EXPECT_EQ(maxX, 12);
        EXPECT_EQ(minY, 3);
        EXPECT_EQ(maxY, 10);
        // An outline leaves the centre, a filled ellipse covers it.
        EXPECT_EQ(p.count({7, 6}) == 1, tool == IconTool::FullEllipse);
    }
}

TEST(EditIcon, ALineHasBothEndPixels)
{
    struct Case {
        QPoint from, to;
        size_t count;
    };
    for (const Case c : {Case{{1, 1}, {8, 1}, 8}, {{3, 15}, {3, 2}, 14}, {{0, 0}, {21, 21}, 22},
                         {{20, 2}, {4, 6}, 17}, {{10, 10}, {30, 10}, 12}}) {
        const IconEditor e = Drag(IconTool::Line, c.from, c.to);
        const Pixels p = Painted(e.Image());
        const QPoint end(std::clamp(c.to.x(), 0, 21), std::clamp(c.to.y(), 0, 21));
        EXPECT_EQ(p.size(), c.count) << c.to.x();
        EXPECT_TRUE(p.count({c.from.x(), c.from.y()}));
        EXPECT_TRUE(p.count({end.x(), end.y()}));
    }
}

TEST(EditIcon, ThePenSetsEachPixelItPassesInsideTheIcon)
{
    IconEditor e;
    e.SetColorNumber(Red);
    e.MouseDown({-1, 4});  // outside: no pixel, and no drag
    EXPECT_FALSE(e.Dragging());
    e.MouseDown({4, 4});
    e.MouseMove({5, 4});
    e.MouseMove({25, 4});
    e.MouseMove({6, 5});
    e.MouseUp({6, 5});
    EXPECT_EQ(Painted(e.Image()), (Pixels{{4, 4}, {5, 4}, {6, 5}}));
    e.MouseMove({9, 9});  // no button held
    EXPECT_EQ(Painted(e.Image()).size(), 3u);
}

TEST(EditIcon, TheDragShowsItsShapeInvertedWithoutDrawingIt)
{
    IconEditor e;
    e.SetTool(IconTool::FullRect);
    e.MouseDown({2, 2});
    e.MouseMove({4, 4});
    EXPECT_TRUE(Painted(e.Image()).empty());
    const QImage shown = e.Shown();
    EXPECT_EQ(shown.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(3, 3), White);  // the outline only
    EXPECT_EQ(shown.pixel(4, 4), qRgb(0, 0, 0));
    e.MouseUp({4, 4});
    EXPECT_EQ(e.Shown(), e.Image());
}

TEST(EditIcon, TurnsGoRoundAndBack)
{
    IconEditor e;
    for (int x = 0; x < 22; ++x)
        for (int y = 0; y < 22; ++y)
            if ((x * 7 + y * 3) % 5 == 0 || (x < 4 && y < 2)) {
                e.SetColorNumber((x + y) % 26);
                e.MouseDown({x, y});
                e.MouseUp({x, y});
            }
    const QImage start = e.Image();
    // A quarter clockwise takes the top left corner to the top right.
    IconEditor one = e;
    one.RotateClockwise();
    EXPECT_EQ(one.Image().pixel(21, 0), start.pixel(0, 0));
    EXPECT_EQ(one.Image().pixel(20, 3), start.pixel(3, 1));
    for (int i = 0; i < 3; ++i)
        one.RotateClockwise();
    EXPECT_EQ(one.Image(), start);
    IconEditor back = e;
    back.RotateClockwise();
    EXPECT_NE(back.Image(), start);
    back.RotateCounterClockwise();
    EXPECT_EQ(back.Image(), start);
    back.RotateCounterClockwise();
    EXPECT_EQ(back.Image().pixel(0, 21), start.pixel(0, 0));
}

TEST(EditIcon, StoringChangesOnlyTheIconFieldAndItsFormBit)
{
    TestSymbol s = TestSymbol::Point(10, {TestElement::Dot(2, 100)});
    s.flags = 1;  // rotatable
    s.description = "Marker";
    s.body.push_back(0xAB);
    const std::vector<uint8_t> rec = RecordBytes(s);
    for (int version : {7, 8}) {
        IconEditor e;
        e.Load(rec);
        EXPECT_TRUE(Painted(e.Image()).empty());  // a white plain icon
        e.SetColorNumber(17);
        e.MouseDown({3, 3});
        e.MouseUp({3, 3});
        std::vector<uint8_t> out = rec;
        ASSERT_TRUE(e.Store(out, version));
        for (size_t i = 0; i < out.size(); ++i) {
            if (i >= 84 && i < 348)
                continue;
            if (i == 7)
                EXPECT_EQ(out[i], version == 8 ? 3 : 1);
            else
                ASSERT_EQ(out[i], rec[i]) << i;
        }
        IconEditor again;
        again.Load(out);
        EXPECT_EQ(again.Image().pixel(3, 3), qRgb(0, 0, 255)) << version;
    }
}
