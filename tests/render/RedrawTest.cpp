// The drivers around the painters: the map's colour loop, the one object under edit painted
// and erased in place, the dispatch, pattern repeats and the arrow marker.
#include "Fixture.h"

#include "core/Numeric.h"
#include "render/Redraw.h"
#include "symbols/store/SymbolRecords.h"

using namespace zemo;
using namespace zemo::rtest;

namespace {

// Half-percent CMYK of the test colours.
constexpr std::array<uint8_t, 4> BlackInk{0, 0, 0, 200};
constexpr std::array<uint8_t, 4> CyanInk{200, 0, 0, 0};
constexpr std::array<uint8_t, 4> YellowInk{0, 0, 200, 0};

uint32_t Pack(const std::array<uint8_t, 4>& c)
{
    return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24;
}

class Redraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        ResetIndexState();
        // Colour table: 0 black (first entry, painted last), 1 cyan, 2 yellow.
        zmd.ColorBlock.ColorCount = 3;
        const std::array<uint8_t, 4> inks[3] = {BlackInk, CyanInk, YellowInk};
        for (int i = 0; i < 3; ++i) {
            zmd.ColorBlock.Colors[size_t(i)].Number = uint16_t(i);
            zmd.ColorBlock.Colors[size_t(i)].Cmyk = inks[i];
        }
        ElementList dot;
        dot.Add(4, 0, 0, 0, 30, {{0, 0}});
        Add(PointSymbol(10, dot, {0}));
        Add(RectSymbol(20, 1, 8, 0, 0, 0, 0));
        AreaFields fill;
        fill.fillOn = -1;
        fill.fillColor = 2;
        Add(AreaSymbol(30, fill, {}, {2}));
        ElementList three;
        three.Add(4, 0, 0, 0, 100, {{0, 0}});
        three.Add(4, 0, 1, 0, 200, {{0, 0}});
        three.Add(4, 0, 2, 0, 300, {{0, 0}});
        Add(PointSymbol(40, three, {0, 1, 2}));
        zmd.BuildNumberTable();
        SetCurrentMap(&zmd);
    }
    void TearDown() override
    {
        if (Graph.Drawing)
            EndDrawing();
        Graph.OutputDC = nullptr;
        DrawSymbol = DefaultSymbol.data();
        SetCurrentMap(nullptr);
        ResetIndexState();
    }
    void Add(const std::vector<uint8_t>& rec) { ASSERT_TRUE(zmd.AppendSymbolRecord(rec)); }
    const uint8_t* Sym(int number) { return zmd.Symbols[size_t(zmd.NumberTable[size_t(number)])].data(); }

    // The document window's loop in small: colour by colour, last table entry first, every
    // object whose symbol has the colour.
    void PaintMap(const std::vector<ElementRecord*>& objects)
    {
        for (int i = zmd.ColorBlock.ColorCount - 1; i >= 0; --i) {
            const ColorRecord& c = zmd.ColorBlock.Colors[size_t(i)];
            for (ElementRecord* e : objects) {
                SymbolBytes* rec = nullptr;
                GetSymbol(e->Symbol, rec);
                if (!SymbolHasColor(rec->data(), c.Number))
                    continue;
                DrawElement = *e;
                DrawSymbol = rec->data();
                Graph.CurrentColor = c.Number;
                Graph.OutputCmyk = Pack(c.Cmyk);
                DrawObjectByType();
            }
        }
    }
    TZmd zmd;
};

bool Near(QRgb a, QRgb b) { return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) < 30; }

} // namespace

TEST_F(Redraw, OverlappingObjectsColourByColourWithColourZeroOnTop)
{
    static ElementRecord point, rect, area;
    // 1 pixel = 0.01 mm; image 400 x 400 pixels, y up.
    SetObject(area, 30, 3, {{50 * 256, 50 * 256}, {300 * 256, 50 * 256}, {300 * 256, 300 * 256}, {50 * 256, 300 * 256}});
    SetObject(rect, 20, 5, {{100 * 256, 100 * 256}, {350 * 256, 100 * 256}, {350 * 256, 350 * 256}, {100 * 256, 350 * 256}});
    SetObject(point, 10, 1, {{100 * 256, 200 * 256}});
    PixelTransform(400, 400);
    // Listed in an order that would put the wrong colour on top if objects were drawn whole.
    const QImage img = DrawImage(400, 400, [&] { PaintMap({&point, &rect, &area}); });
    const DeviceColor bk = ColorToDevice(Pack(BlackInk));
    const QRgb black = qRgb(bk.r, bk.g, bk.b);
    const auto px = [&](int x, int y) { return img.pixel(x, 400 - y - 1); };
    const DeviceColor cy = ColorToDevice(Pack(CyanInk)), ye = ColorToDevice(Pack(YellowInk));
    EXPECT_TRUE(Near(px(70, 70), qRgb(ye.r, ye.g, ye.b)));          // area alone
    EXPECT_TRUE(Near(px(200, 100), qRgb(cy.r, cy.g, cy.b)));        // rectangle edge over the area
    EXPECT_TRUE(Near(px(330, 100), qRgb(cy.r, cy.g, cy.b)));        // rectangle edge alone
    EXPECT_TRUE(Near(px(100, 200), black));                         // dot over edge and fill
    EXPECT_TRUE(Near(px(90, 200), black));                          // dot over the fill
    EXPECT_TRUE(Near(px(370, 370), qRgb(255, 255, 255)));
    EXPECT_TRUE(Near(px(200, 200), qRgb(ye.r, ye.g, ye.b)));        // inside the rectangle: fill only
}

// Three dots of one symbol: black 1 mm, cyan 2 mm and yellow 3 mm across, at one place.
TEST_F(Redraw, OneObjectIsPaintedFromTheLastColourToTheFirst)
{
    PixelTransform(400, 400);
    SetObject(Index.CurElement, 40, 1, {{200 * 256, 200 * 256}});
    QImage img(400, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    RedrawView view;
    view.Dc = &dev;
    PaintElement(view);
    dev.finish();
    const auto shown = [](const std::array<uint8_t, 4>& ink) {
        const DeviceColor c = ColorToDevice(ScreenCorrectedColor(Pack(ink)));
        return qRgb(c.r, c.g, c.b);
    };
    // The first colour on top: each ring shows its own colour.
    EXPECT_TRUE(Near(img.pixel(200, 200), shown(BlackInk)));
    EXPECT_TRUE(Near(img.pixel(275, 200), shown(CyanInk)));
    EXPECT_TRUE(Near(img.pixel(200, 325), shown(YellowInk)));
    EXPECT_FALSE(Painted(img, 200, 360));
}

TEST_F(Redraw, EraseRunsOnePassPerColourWithoutInkAndPaintUsesTheColours)
{
    RecordingDevice rec(QSize(1000, 1000));
    MapUnitTransform();
    Scale.DrawRect = {0, 0, 1000 * 256, 1000 * 256};
    SetObject(Index.CurElement, 40, 1, {{500 * 256, 500 * 256}});
    RedrawView view;
    view.Dc = &rec;
    EraseElement(view);
    const auto ellipses = [&] {
        int n = 0;
        for (const auto& l : rec.lines())
            n += l.rfind("ellipse", 0) == 0;
        return n;
    };
    EXPECT_EQ(ellipses(), 3);
    // After the layer's own start-up state, only white.
    const std::string erased = rec.text().substr(rec.text().find("resetclip"));
    EXPECT_EQ(erased.find("rgb(0,"), std::string::npos) << erased;
    EXPECT_EQ(Graph.GreyCmyk, RgbToCmyk(0x00C0C0C0));   // put back
    rec.clear();
    PaintElement(view);
    EXPECT_EQ(ellipses(), 3);
    EXPECT_NE(rec.text().find("rgb(0,0,0)"), std::string::npos) << rec.text();
    EXPECT_EQ(Graph.OutputDC, nullptr);
}

TEST_F(Redraw, DispatchAndColourSets)
{
    StartCollecting();
    MapUnitTransform();
    Graph.CurrentColor = 0;
    DrawSymbol = Sym(10);
    SetObject(DrawElement, 10, 9, {{0, 0}});
    DrawObjectByType();
    EXPECT_TRUE(CollectedElements().empty());
    DrawElement.ObjectType = 1;
    DrawObjectByType();
    EXPECT_EQ(CollectedElements().size(), 1u);
    EXPECT_TRUE(SymbolHasColor(Sym(40), 2));
    EXPECT_FALSE(SymbolHasColor(Sym(40), 3));
    EXPECT_FALSE(SymbolHasColor(Sym(40), 256));
    EXPECT_FALSE(SymbolHasColor(Sym(40), -1));
}

TEST_F(Redraw, PatternRepeatsAndArrowMarker)
{
    RedrawView view;
    view.SymbolGraphics = true;
    view.ShowRepeats = true;
    view.CellWidth = 500;
    view.CellHeight = 500;
    view.OffsetRows = true;
    Cord o[8];
    ASSERT_EQ(PatternRepeatOffsets(view, o), 6);
    EXPECT_EQ(o[0], (Cord{-250, -500}));
    EXPECT_EQ(o[3], (Cord{250, 500}));
    EXPECT_EQ(o[5], (Cord{500, 0}));
    view.OffsetRows = false;
    EXPECT_EQ(PatternRepeatOffsets(view, o), 8);
    view.ShowRepeats = false;
    EXPECT_EQ(PatternRepeatOffsets(view, o), 0);

    RecordingDevice rec(QSize(200, 200));
    MapUnitTransform();
    view.ArrowPoint = {50 * 256, 60 * 256};
    DrawArrowMarker(rec, view);
    const auto polys = Recorded(rec, "polygon");
    ASSERT_EQ(polys.size(), 1u);
    ASSERT_EQ(polys[0].size(), 8u);
    EXPECT_EQ(polys[0][1], QPointF(50, 60 - 26));
    EXPECT_EQ(polys[0][3], QPointF(50 - 12, 60 - 34));
    rec.clear();
    view.ArrowPoint = {-30 * 256, 60 * 256};
    DrawArrowMarker(rec, view);
    EXPECT_TRUE(rec.lines().empty());
}
