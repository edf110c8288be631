// The document window's paint with templates: the band copied under the map's own objects,
// other maps drawn as templates after it, and input that stops the paint while it renders.
#include "EditFixture.h"

#include "../support/TestTemplates.h"
#include "document/Open.h"
#include "render/TemplateDraw.h"

namespace zemo::test {
namespace {

class TemplatePaint : public EditTest {
protected:
    void SetUp() override
    {
        EditTest::SetUp();
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state")));
        ResetTemplateUnit();
        SetBandScreenSize(QSize(240, 180));
        InstallExternal();
        TestTemplateReader::Install();
    }
    void TearDown() override
    {
        EditTest::TearDown();
        ResetOpenUnit();
        ResetTemplateUnit();
    }
    // A 60 x 40 grey ramp of 0.1 mm pixels centred on (-3, 2) mm, as a template string.
    QString Ramp(const QString& more = {})
    {
        TestRaster r = TestRaster::Grey(60, 40, 8);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                r.Row(y)[x] = uint8_t(x * 4 + y);
        const QString path = dir.filePath("ramp.tpx");
        EXPECT_TRUE(WriteTestRaster(path, r));
        return path + QStringLiteral("\ts1\tx-300\ty200\tu10\tv10") + more;
    }
    static TestMapWriter WithTemplates(TestMapWriter w, const std::vector<QString>& templates)
    {
        for (const QString& t : templates)
            w.strings.push_back(TestPString::Make(8, 0, t.toStdString()));
        return w;
    }
};

TEST_F(TemplatePaint, AWindowPaintIsTheBandWithTheOwnObjectsOverIt)
{
    OpenMap(WithTemplates(ThreeColourMap(), {Ramp()}));
    TMdiChild* w = NewWindow();
    PaintNow(w);
    ASSERT_FALSE(w->View().PendingValid);

    // The band alone, copied as the paint copies it, and the objects alone.
    MapView& v = w->View();
    QImage band(v.ClientWidth, v.ClientHeight, QImage::Format_RGB32);
    band.fill(Qt::white);
    {
        PainterDevice dc(&band);
        UpdateViewOf(v);
        Graph.OutputDC = &dc;
        Graph.OutputMode = ScreenOutput;
        Graph.OutputColorMode = CompositeColors;
        Graph.ClipRect = Scale.DrawRect;
        PrepareTemplateDrawing(true);
        ASSERT_TRUE(TemplateDraw.RasterFirst);
        ASSERT_TRUE(TemplateDraw.MapDrawnSeparately);
        ASSERT_TRUE(DrawTemplates(QRect(0, 0, v.ClientWidth, v.ClientHeight), false, 1, {}, true));
        Graph.OutputDC = nullptr;
    }
    const QImage objects = DirectPaint(v);
    int underObjects = 0, templatePixels = 0;
    for (int y = 0; y < band.height(); ++y)
        for (int x = 0; x < band.width(); ++x) {
            const bool ink = objects.pixel(x, y) != qRgb(255, 255, 255);
            underObjects += ink;
            templatePixels += !ink && band.pixel(x, y) != qRgb(255, 255, 255);
            ASSERT_EQ(w->Surface().pixel(x, y), ink ? objects.pixel(x, y) : band.pixel(x, y)) << x << "," << y;
        }
    EXPECT_GT(underObjects, 100);
    EXPECT_GT(templatePixels, 800);
}

TEST_F(TemplatePaint, AKeyWhileTheTemplatesRenderLeavesThePendingRectangle)
{
    OpenMap(WithTemplates(ThreeColourMap(), {Ramp(), Ramp(QStringLiteral("\tt1"))}));
    TMdiChild* w = NewWindow();
    int polls = 0;
    EditPorts().PollInput.Bind([&] { return ++polls == 1; });
    PaintNow(w);
    // Stopped after the first template: nothing else was drawn, the rectangle waits.
    EXPECT_EQ(polls, 1);
    const MapView& v = w->View();
    EXPECT_TRUE(v.PendingValid);
    EXPECT_EQ(v.PendingRect, (PixRect{0, 0, v.ClientWidth, v.ClientHeight}));
    UpdateViewOf(w->View());
    EXPECT_EQ(w->Surface().pixel(CordToDevice(Cord{3 * Mm, 5 * Mm / 2})), qRgb(255, 255, 255));

    EditPorts().PollInput.Bind([] { return false; });
    PaintNow(w);
    EXPECT_FALSE(w->View().PendingValid);
    EXPECT_NE(w->Surface().pixel(CordToDevice(Cord{3 * Mm, 5 * Mm / 2})), qRgb(255, 255, 255));
}

TEST_F(TemplatePaint, AnotherMapIsDrawnDimmedAfterTheBandAndTheWindowsMapComesBack)
{
    TestMapWriter other(8);
    other.colors = {TestColor::Cmyk(0, "Blue", 200, 100, 0, 0)};
    other.symbols = {TestSymbol::Line(10, 0, 60)};
    other.objects.push_back(TestObject::Line(10, {{-8 * Mm, -7 * Mm}, {8 * Mm, -7 * Mm}}));
    const QString otherPath = dir.filePath("other.zmd");
    ASSERT_TRUE(other.WriteTo(otherPath.toStdString()));
    OpenMap(WithTemplates(ThreeColourMap(), {otherPath + QStringLiteral("\ts1\td50")}));
    TMdiChild* w = NewWindow();
    PaintNow(w);
    EXPECT_EQ(Index.ActiveZmd, zmd.get());
    EXPECT_EQ(FindDocument(otherPath), nullptr);
    UpdateViewOf(w->View());
    // Half of the blue's components, screen-corrected.
    const uint32_t half = 100 | 50 << 8;
    const DeviceColor c = ColorToDevice(ScreenCorrectedColor(half));
    EXPECT_EQ(w->Surface().pixel(CordToDevice(Cord{0, -7 * Mm})), qRgb(c.r, c.g, c.b));
}

} // namespace
} // namespace zemo::test
