// The recording device: one stable text line per call.
#include "PlatformFixture.h"
#include "platform/RecordingDevice.h"

namespace zemo {
namespace {

TEST(DeviceRecording, ShortDrawingGivesGoldenLinesAndOnlyARasterTakesXor)
{
    RecordingDevice rec(QSize(200, 100), false);
    DevicePen pen = Pen(2.5, Red, PenJoin::Mitre);
    pen.insideFrame = true;
    rec.setPen(pen);
    rec.setBrush(Hatch(HatchStyle::BDiagonal, Blue));
    rec.setBrushOrigin(QPoint(3, 0));
    rec.setBackground(BackgroundMode::Transparent, White);
    EXPECT_FALSE(rec.setRasterOp(RasterOp::Xor));
    rec.setFillRule(FillRule::Winding);
    rec.setBaseClip(QRegion(0, 0, 50, 40));
    const std::vector<QPointF> rings{{0, 0}, {40, 0}, {40, 30}, {0, 30}, {5, 5}, {10, 5}, {5, 10}};
    rec.beginPath();
    rec.polygon(rings, std::vector<int>{4, 3});
    rec.endPath();
    EXPECT_TRUE(rec.fillPath());
    EXPECT_FALSE(rec.fillPath());
    Line(rec, {{0, 0}, {10.5, -2}, {-0.0, 1e7}});
    rec.polygon(rings, std::vector<int>{4, 4});
    rec.ellipse(QRectF(1, 2, 10, 20));
    rec.save();
    EXPECT_FALSE(rec.clipToPath());
    rec.setPen(NullPen);
    rec.rectangle(QRectF(0, 0, 3, 3));
    rec.restore();
    rec.restore();
    rec.setPixel(QPoint(7, 8), {1, 2, 3});
    rec.drawImage(QRectF(0, 0, 20, 20), QImage(4, 4, QImage::Format_RGB32), QRect(1, 1, 2, 2));
    rec.resetClip();
    rec.clearBaseClip();
    EXPECT_EQ(rec.text(),
              "pen solid 2.5 rgb(255,0,0) mitre flat frame\nbrush hatch bdiagonal rgb(0,0,255)\nbrushorigin 3,0\n"
              "background transparent rgb(255,255,255)\nrop xor refused\nfillrule winding\nbaseclip 0,0,50,40\n"
              "beginpath\npolygon 0,0 40,0 40,30 0,30 | 5,5 10,5 5,10\nendpath\nfillpath\nfillpath refused\n"
              "polyline 0,0 10.5,-2 0,10000000\npolygon refused\nellipse 1,2,11,22\nsave\nclippath refused\n"
              "pen null\nrectangle 0,0,3,3\nrestore\nrestore unmatched\npixel 7,8 rgb(1,2,3)\n"
              "image 0,0,20,20 from 1,1,3,3 of 4x4\nresetclip\nbaseclip none\n");

    // A raster device takes XOR.
    RecordingDevice raster;
    EXPECT_TRUE(raster.canXor());
    EXPECT_TRUE(raster.setRasterOp(RasterOp::Xor));
    raster.setRasterOp(RasterOp::Copy);
    raster.beginPath();
    raster.endPath();
    EXPECT_TRUE(raster.clipToPath());
    EXPECT_EQ(raster.text(), "rop xor\nrop copy\nbeginpath\nendpath\nclippath\n");
}

} // namespace
} // namespace zemo
