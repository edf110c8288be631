// Line symbols drawn into a QImage: colour passes and the grey substitute, checked by pixel.
#include "LinesTestUtil.h"

#include "platform/PainterDevice.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::lntest;

namespace {

constexpr int W = 200, H = 60;
constexpr uint32_t Black = 200u << 24;
constexpr uint32_t Red = 200u << 8 | 200u << 16;   // magenta + yellow

// Pixel (px, py) of the image is map point (px, H - py) in 0.01 mm.
void PixelTransform()
{
    ResetScaleState();
    Scale.ViewOrigin = Cord{0, H * 256};
    Scale.ViewScaleX = 1.0 / 256;
    Scale.ViewScaleY = -1.0 / 256;
    Scale.FlattenTolerance = 1;
    Scale.DrawRect = CordRect{0, 0, W * 256, H * 256};
    Graph.ClipRect = Scale.DrawRect;
}

// Passes from the last colour to the first, as the map's colour loop runs them.
QImage Paint(const uint8_t* symbol, std::initializer_list<std::pair<int, uint32_t>> passes)
{
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    Graph.OutputMode = BitmapOutput;
    Graph.OutputDC = &dev;
    DrawSymbol = symbol;
    BeginDrawing(false);
    for (auto [color, cmyk] : passes) {
        Graph.CurrentColor = color;
        Graph.OutputCmyk = cmyk;
        DrawLineObject();
    }
    EndDrawing();
    dev.finish();
    Graph.OutputDC = nullptr;
    DrawSymbol = DefaultSymbol.data();
    return img;
}

QRgb At(const QImage& img, int x, int y) { return img.pixel(x, y); }

} // namespace

TEST(LinesPixel, DashedLineOverItsFramingColourZeroOnTop)
{
    ResetPainter();
    PixelTransform();
    // Dashes 0.4 mm, gaps 0.2 mm, end dashes 0.2 mm on 1.8 mm: n = 2, s = 1:
    // dashes at x 10-30, 50-90, 110-150, 170-190; the framing (colour 1) runs under all.
    LineSym sym;
    sym.Set(OLineWidth, 6).Set(OLineColor, 0).Set(OMainLength, 40).Set(OMainGap, 20).Set(OEndLength, 20)
        .Set(OFrColor, 1).Set(OFrWidth, 14).Set(OFrStyle, 0);
    SetLine({{10, H - 30}, {190, H - 30}});
    const QImage img = Paint(sym.Build(), {{1, Red}, {0, Black}});
    const QRgb black = qRgb(0, 0, 0);
    const QRgb red = At(img, 40, 24);
    EXPECT_EQ(qRed(red), 255);
    EXPECT_LT(qGreen(red), 80);
    for (int x : {20, 70, 130, 180})
        EXPECT_EQ(At(img, x, 30), black) << "dash at " << x;
    for (int x : {40, 100, 160})
        EXPECT_EQ(At(img, x, 30), red) << "gap at " << x;
    // The framing is wider than the line: red above and below the dashes.
    EXPECT_EQ(At(img, 70, 24), red);
    EXPECT_EQ(At(img, 70, 36), red);
    EXPECT_EQ(At(img, 70, 20), qRgb(255, 255, 255));
    // Outside the line nothing.
    EXPECT_EQ(At(img, 5, 30), qRgb(255, 255, 255));
    EXPECT_EQ(At(img, 195, 30), qRgb(255, 255, 255));
}

TEST(LinesPixel, WrongSymbolSizeGivesTheGreySubstitute)
{
    ResetPainter();
    PixelTransform();
    LineSym sym;
    sym.Set(OLineWidth, 6).Set(OLineColor, 0);
    SetLine({{10, H - 30}, {190, H - 30}});
    const QImage good = Paint(sym.Build(), {{0, Black}});
    EXPECT_EQ(At(good, 100, 30), qRgb(0, 0, 0));
    EXPECT_EQ(At(good, 100, 32), qRgb(0, 0, 0));

    sym.SizeAdjust = 8;   // states one slot more than its lists hold
    const QImage grey = Paint(sym.Build(), {{0, Black}});
    const QRgb g = At(grey, 100, 30);
    EXPECT_EQ(qRed(g), qGreen(g));
    EXPECT_EQ(qGreen(g), qBlue(g));
    EXPECT_GT(qRed(g), 150);
    EXPECT_LT(qRed(g), 230);
    // Thin: one pixel, whatever the symbol's width.
    EXPECT_EQ(At(grey, 100, 32), qRgb(255, 255, 255));
    EXPECT_EQ(At(grey, 100, 28), qRgb(255, 255, 255));
    EXPECT_EQ(Graph.OutputCmyk, Black);
}
