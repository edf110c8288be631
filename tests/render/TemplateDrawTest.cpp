// Templates rendered into the band: the scan-line converters pixel by pixel, dim and spot
// colour, turns, transparency, halving, intensity, huge templates, the band's growth, the
// decisions before a redraw, and maps drawn as templates. The records come from files of the
// test-only raster format through the program's loader.
#include "../support/CurrentMap.h"
#include "../support/TestMapWriter.h"
#include "../support/TestTemplates.h"
#include "app/Install.h"
#include "core/Config.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Open.h"
#include "document/Undo.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace zemo::test {
namespace {

constexpr int32_t Px = 2560;  // one device pixel at the tests' scale: 0.1 mm

class TemplateBand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toUtf8());
        ResetOpenUnit();
        ResetIndexState();
        ResetUndoState();
        ResetTemplateUnit();
        ResetGraphSysState();
        ResetScaleState();
        SetBandScreenSize(QSize(48, 32));
        ResetTemplateDrawState();
        DefaultConfig(ProgramConfig);
        InstallExternal();
        TestTemplateReader::Install();
        // Band pixels one to one: 0.1 mm a pixel, device (0, 0) at the map's origin.
        Graph.OutputMode = BitmapOutput;
        Scale.ViewScaleX = 1.0 / Px;
        Scale.ViewScaleY = -1.0 / Px;
        Scale.ViewOrigin = {0, 0};
    }
    void TearDown() override
    {
        CloseCurrentMap(zmd);
        ResetOpenUnit();
        ResetTemplateUnit();
    }

    QString File(const QString& name) const { return dir.filePath(name); }
    QString Write(const QString& name, const TestRaster& r) const
    {
        EXPECT_TRUE(WriteTestRaster(File(name), r));
        return File(name);
    }
    // A map with a black 0.5 mm line across (-10, 0) .. (10, 0) mm and these template strings.
    void OpenMap(const std::vector<QString>& templates, std::vector<TestSeparation> separations = {})
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        w.objects.push_back(TestObject::Line(10, {{-10 * kUnitsPerMm, 0}, {10 * kUnitsPerMm, 0}}));
        for (const QString& t : templates)
            w.strings.push_back(TestPString::Make(8, 0, t.toStdString()));
        w.separations = std::move(separations);
        const std::string path = File(QStringLiteral("own.zmd")).toStdString();
        ASSERT_TRUE(w.WriteTo(path));
        zmd = OpenAsCurrentMap(path);
    }
    // A string placing a w x h template with its top-left corner on device (left, top), pixels
    // of u x v tenths of a device pixel.
    static QString Placed(const QString& path, int w, int h, double left, double top, const QString& more = {},
                          double u = 10, double v = 10)
    {
        const double cx = (left + w * u / 20) * 10, cy = -(top + h * v / 20) * 10;
        return path + QStringLiteral("\ts1\tx%1\ty%2\tu%3\tv%4").arg(cx).arg(cy).arg(u).arg(v) + more;
    }
    // The band's rectangle after DrawTemplates, device rows top first.
    static QImage Rendered(const QRect& rect, bool doubled = false, const std::function<void()>& poll = {})
    {
        DrawTemplates(rect, doubled, 0, poll, false);
        return BandImage(0).copy(0, 0, rect.width(), rect.height());
    }

    QTemporaryDir dir;
    std::unique_ptr<TZmd> zmd;
    RecordingMessages messages;
};

TestRaster Distinct(int w, int h, int bits)
{
    TestRaster r = TestRaster::Grey(w, h, bits);
    for (int i = 0; i < 256; ++i) {
        r.red[size_t(i)] = uint8_t(i * 37 + 11);
        r.green[size_t(i)] = uint8_t(255 - i * 5);
        r.blue[size_t(i)] = uint8_t(i * 91 + 3);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < r.RowBytes(); ++x)
            r.Row(y)[x] = uint8_t(x * 29 + y * 113 + 5);
    return r;
}

// The colour a template pixel should take through its palette (24 bits: its own bytes).
QRgb Expected(const TestRaster& r, int x, int y)
{
    const uint8_t* row = r.pixels.data() + size_t(r.RowBytes()) * size_t(y);
    int v = 0;
    switch (r.bits) {
    case 1: v = row[x / 8] >> (7 - x % 8) & 1; break;
    case 4: v = x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4; break;
    case 8: v = row[x]; break;
    default: return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    return qRgb(r.red[size_t(v)], r.green[size_t(v)], r.blue[size_t(v)]);
}

TEST_F(TemplateBand, EachConverterIsExactAtOneToOne)
{
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        const TestRaster r = Distinct(13, 5, bits);
        const QString path = Write(QStringLiteral("t%1.tpx").arg(bits), r);
        OpenMap({Placed(path, 13, 5, 2, 1)});
        const QImage band = Rendered(QRect(0, 0, 20, 8));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= 2 && x < 15 && y >= 1 && y < 6;
                ASSERT_EQ(band.pixel(x, y), inside ? Expected(r, x - 2, y - 1) : qRgb(255, 255, 255))
                    << x << "," << y;
            }
        CloseCurrentMap(zmd);
    }
}

// A template holding only its top rows (a file cut short) draws those rows; below them the
// band keeps what lies under the template.
TEST_F(TemplateBand, RowsBelowTheHeldOnesAreBlank)
{
    TestRaster r = Distinct(13, 5, 8);
    const QString path = Write(QStringLiteral("cut.tpx"), r);
    OpenMap({Placed(path, 13, 5, 2, 1)});
    ASSERT_TRUE(LoadTemplateFile(path, TemplateLoadSilent)); // one use, kept over the drawing
    TTmp* t = FindLoadedTemplate(path);
    ASSERT_NE(t, nullptr);
    t->ReleasePixels();
    ASSERT_TRUE(t->HoldRows(3));
    for (int y = 0; y < 3; ++y)
        std::copy_n(r.Row(y), r.RowBytes(), t->Row(y));
    const QImage band = Rendered(QRect(0, 0, 20, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x < 15 && y >= 1 && y < 4;
            ASSERT_EQ(band.pixel(x, y), inside ? Expected(r, x - 2, y - 1) : qRgb(255, 255, 255)) << x << "," << y;
        }
    ReleaseTemplate(path);
    CloseCurrentMap(zmd);
}

TEST_F(TemplateBand, DimBlendsTowardsWhiteAndASpotColourTintsFromBlack)
{
    TestRaster bw = TestRaster::Grey(8, 1, 1);
    bw.red[1] = bw.green[1] = bw.blue[1] = 255;
    bw.Row(0)[0] = 0x0F;  // four black pixels, then four white
    TestRaster ramp = TestRaster::Grey(3, 1, 8);
    ramp.Row(0)[0] = 0;
    ramp.Row(0)[1] = 127;
    ramp.Row(0)[2] = 255;
    const QString bwPath = Write(QStringLiteral("bw.tpx"), bw);
    const QString rampPath = Write(QStringLiteral("ramp.tpx"), ramp);
    TestSeparation magenta;
    magenta.cmyk = {0, 200, 0, 0};
    OpenMap({Placed(bwPath, 8, 1, 0, 0, QStringLiteral("\td50")), Placed(rampPath, 3, 1, 0, 2, QStringLiteral("\tp0"))},
            {magenta});
    QImage band = Rendered(QRect(0, 0, 8, 3));
    EXPECT_EQ(band.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(band.pixel(3, 0), qRgb(128, 128, 128));
    EXPECT_EQ(band.pixel(4, 0), qRgb(255, 255, 255));
    // Black becomes the separation's colour, white stays, between them in proportion.
    const uint32_t spot = CmykToRgb(200u << 8);
    EXPECT_EQ(band.pixel(0, 2), qRgb(spot & 0xFF, spot >> 8 & 0xFF, spot >> 16 & 0xFF));
    EXPECT_EQ(band.pixel(0, 2), qRgb(255, 0, 255));
    EXPECT_EQ(band.pixel(1, 2), qRgb(255, 127, 255));
    EXPECT_EQ(band.pixel(2, 2), qRgb(255, 255, 255));

    // A separation's own output takes no tint.
    Graph.OutputColorMode = SpotSeparations;
    Graph.OutputSeparations = 1;
    band = Rendered(QRect(0, 0, 8, 3));
    EXPECT_EQ(band.pixel(0, 2), qRgb(0, 0, 0));
    EXPECT_EQ(band.pixel(1, 2), qRgb(127, 127, 127));
}

TEST_F(TemplateBand, ATemplateTurnedNinetyDegreesLaysItsRowsIntoColumns)
{
    TestRaster r = TestRaster::Grey(4, 2, 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            r.Row(y)[x] = uint8_t(10 * y + x);
    const QString path = Write(QStringLiteral("t.tpx"), r);
    // Centre on device (1, 2): the turned template covers columns 0..1 and rows 0..3.
    OpenMap({path + QStringLiteral("\ts1\tx10\ty-20\tu10\tv10\ta90")});
    const QImage band = Rendered(QRect(0, 0, 4, 5));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 2; ++j) {
            const int v = 10 * j + i;
            EXPECT_EQ(band.pixel(j, 3 - i), qRgb(v, v, v)) << i << "," << j;
        }
    EXPECT_EQ(band.pixel(2, 0), qRgb(255, 255, 255));
    EXPECT_EQ(band.pixel(0, 4), qRgb(255, 255, 255));
}

TEST_F(TemplateBand, ATransparentTemplateDarkensWhatLiesBelowAndAnOpaqueOneCovers)
{
    TestRaster below = TestRaster::Grey(4, 1, 8);
    std::fill(below.pixels.begin(), below.pixels.end(), 100);
    TestRaster above = TestRaster::Grey(4, 1, 8);
    above.Row(0)[0] = above.Row(0)[1] = 200;
    above.Row(0)[2] = above.Row(0)[3] = 255;
    const QString belowPath = Write(QStringLiteral("below.tpx"), below);
    const QString abovePath = Write(QStringLiteral("above.tpx"), above);
    OpenMap({Placed(abovePath, 4, 1, 1, 0, QStringLiteral("\tt1")), Placed(belowPath, 4, 1, 0, 0)});
    QImage band = Rendered(QRect(0, 0, 6, 1));
    EXPECT_EQ(band.pixel(0, 0), qRgb(100, 100, 100));
    EXPECT_EQ(band.pixel(1, 0), qRgb(45, 45, 45));  // 200 + 100 - 255
    EXPECT_EQ(band.pixel(2, 0), qRgb(45, 45, 45));
    EXPECT_EQ(band.pixel(3, 0), qRgb(100, 100, 100));  // white is neutral
    EXPECT_EQ(band.pixel(4, 0), qRgb(255, 255, 255));
    // The scratch band is white again for the next one.
    EXPECT_EQ(BandImage(1).pixel(1, 0), qRgb(255, 255, 255));

    CloseCurrentMap(zmd);
    OpenMap({Placed(abovePath, 4, 1, 1, 0), Placed(belowPath, 4, 1, 0, 0)});
    band = Rendered(QRect(0, 0, 6, 1));
    EXPECT_EQ(band.pixel(1, 0), qRgb(200, 200, 200));
    EXPECT_EQ(band.pixel(3, 0), qRgb(255, 255, 255));
}

// A map may name one picture at one place thousands of times: an opaque template drawn again
// unchanged above is drawn once (the poll runs once for each drawn), a transparent one darkens
// each time.
TEST_F(TemplateBand, ATemplateDrawnOverUnchangedIsDrawnOnceAndATransparentOneDarkensAgain)
{
    TestRaster grey = TestRaster::Grey(4, 1, 8);
    std::fill(grey.pixels.begin(), grey.pixels.end(), 100);
    TestRaster light = TestRaster::Grey(4, 1, 8);
    std::fill(light.pixels.begin(), light.pixels.end(), 200);
    const QString g = Placed(Write(QStringLiteral("grey.tpx"), grey), 4, 1, 0, 0);
    const QString l = Placed(Write(QStringLiteral("light.tpx"), light), 4, 1, 1, 0);
    const QString t = QStringLiteral("\tt1");
    struct Case {
        const char* what;
        std::vector<QString> templates; // top first
        int drawn;
        std::array<int, 6> grey;        // the band's row
    };
    const Case cases[] = {
        {"three times", {g, g, g}, 1, {100, 100, 100, 100, 255, 255}},
        {"over another", {g, l, g}, 2, {100, 100, 100, 100, 200, 255}},
        {"transparent twice", {g + t, g + t}, 2, {0, 0, 0, 0, 255, 255}},
        {"transparent over opaque", {g + t, g}, 2, {0, 0, 0, 0, 255, 255}},
        {"opaque over transparent", {g, g + t, l}, 3, {100, 100, 100, 100, 200, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenMap(c.templates);
        int polls = 0;
        const QImage band = Rendered(QRect(0, 0, 6, 1), false, [&polls] { ++polls; });
        EXPECT_EQ(polls, c.drawn);
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(band.pixel(x, 0), qRgb(c.grey[size_t(x)], c.grey[size_t(x)], c.grey[size_t(x)])) << x;
        CloseCurrentMap(zmd);
    }
}

TEST_F(TemplateBand, DoubleResolutionHalvesToTheMeanAndIntensityLightens)
{
    TestRaster r = TestRaster::Grey(8, 4, 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            r.Row(y)[x] = uint8_t(x * 20 + y * 7);
    const QString path = Write(QStringLiteral("t.tpx"), r);
    OpenMap({Placed(path, 8, 4, 0, 0)});
    // Two template pixels a device pixel: doubled, one a band pixel, then each 2 x 2 block
    // averaged.
    Scale.ViewScaleX = 1.0 / (2 * Px);
    Scale.ViewScaleY = -1.0 / (2 * Px);
    QImage band = Rendered(QRect(0, 0, 4, 2), true);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            const int sum = r.Row(2 * y)[2 * x] + r.Row(2 * y)[2 * x + 1] + r.Row(2 * y + 1)[2 * x]
                          + r.Row(2 * y + 1)[2 * x + 1];
            EXPECT_EQ(band.pixel(x, y), qRgb(sum >> 2, sum >> 2, sum >> 2)) << x << "," << y;
        }
    EXPECT_DOUBLE_EQ(Scale.ViewScaleX, 1.0 / (2 * Px));

    // At 50 % intensity every byte v becomes 255 - round((255 - v) / 2); the setting stays.
    Scale.ViewScaleX = 1.0 / Px;
    Scale.ViewScaleY = -1.0 / Px;
    Graph.OutputIntensity = 50;
    band = Rendered(QRect(0, 0, 8, 4));
    for (int x = 0; x < 8; ++x) {
        const int v = r.Row(1)[x];
        const int want = 255 - int(std::nearbyint((255 - v) / 2.0));
        EXPECT_EQ(band.pixel(x, 1), qRgb(want, want, want)) << x;
    }
    EXPECT_EQ(band.pixel(0, 0), qRgb(127, 127, 127));  // 255 - round(127.5)
    EXPECT_EQ(Graph.OutputIntensity, 50);
}

TEST_F(TemplateBand, AFortyThousandPixelTemplateFarOutShowsOnceInItsPlace)
{
    TestRaster r = TestRaster::Grey(40000, 2, 1);  // all black
    const QString path = Write(QStringLiteral("wide.tpx"), r);
    // 400 template pixels a device pixel across, 4 device pixels a row: 100 x 8 pixels
    // centred on device (200, 10).
    OpenMap({path + QStringLiteral("\ts1\tx2000\ty-100\tu0.025\tv40")});
    const QImage band = Rendered(QRect(0, 0, 400, 20));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 400; ++x) {
            const bool inside = x >= 150 && x < 250 && y >= 6 && y < 14;
            ASSERT_EQ(band.pixel(x, y), inside ? qRgb(0, 0, 0) : qRgb(255, 255, 255)) << x << "," << y;
        }

    // Farther out still: the whole template inside one device pixel, 40,000 pixels a step.
    CloseCurrentMap(zmd);
    OpenMap({path + QStringLiteral("\ts1\tx505\ty-105\tu0.000025\tv0.04")});
    const QImage far = Rendered(QRect(0, 0, 100, 20));
    int black = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            black += far.pixel(x, y) == qRgb(0, 0, 0);
    EXPECT_LE(black, 1);
}

// Turned and scaled templates lying partly beyond each edge of the band: every band pixel takes
// the template pixel under its centre, white where none lies, out to the template's corners.
TEST_F(TemplateBand, TurnedTemplatesAcrossTheBandsEdgesKeepEveryPixelOutToTheirCorners)
{
    const TestRaster r = Distinct(40, 24, 8);
    const QString path = Write(QStringLiteral("turned.tpx"), r);
    struct Case {
        double cx, cy, angle, u; // centre on the device, degrees, tenths of a device pixel
    };
    const Case cases[] = {
        {60, 45, 30, 10}, {5, 8, -120, 25}, {118, 86, 200, 25}, {60, 45, 0, 4}, {-10, 40, 75, 13}, {60, 100, 330, 17},
    };
    const int w = 120, h = 90;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        OpenMap({path + QStringLiteral("\ts1\tx%1\ty%2\tu%3\tv%3\ta%4").arg(c.cx * 10).arg(-c.cy * 10).arg(c.u).arg(c.angle)});
        const QImage band = Rendered(QRect(0, 0, w, h));
        const double a = c.angle * M_PI / 180, p = c.u / 10;
        int inside = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // Map-wise (y up) offset from the centre, turned back by the angle.
                const double dx = x + 0.5 - c.cx, dy = c.cy - (y + 0.5);
                const double lx = dx * std::cos(a) + dy * std::sin(a), ly = -dx * std::sin(a) + dy * std::cos(a);
                const double sx = r.width / 2.0 + lx / p, sy = r.height / 2.0 - ly / p;
                const auto onEdge = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
                if (onEdge(sx) || onEdge(sy))
                    continue;
                const bool in = sx >= 0 && sx < r.width && sy >= 0 && sy < r.height;
                inside += in;
                ASSERT_EQ(band.pixel(x, y), in ? Expected(r, int(sx), int(sy)) : qRgb(255, 255, 255)) << x << "," << y;
            }
        EXPECT_GT(inside, 40);
        CloseCurrentMap(zmd);
    }
}

TEST_F(TemplateBand, TheBandGrowsForAWiderRectangleOrDoubleResolution)
{
    TestRaster r = TestRaster::Grey(60, 40, 8);
    std::fill(r.pixels.begin(), r.pixels.end(), 7);
    const QString path = Write(QStringLiteral("t.tpx"), r);
    OpenMap({Placed(path, 60, 40, 0, 0)});
    SetBandScreenSize(QSize(24, 16));
    QImage band = Rendered(QRect(0, 0, 50, 35));
    EXPECT_GE(TemplateDraw.BandWidth, 50);
    EXPECT_EQ(TemplateDraw.BandWidth % 12, 0);
    EXPECT_GE(TemplateDraw.BandHeight, 35);
    EXPECT_EQ(band.pixel(49, 34), qRgb(7, 7, 7));

    SetBandScreenSize(QSize(24, 16));
    band = Rendered(QRect(0, 0, 20, 12), true);
    EXPECT_GE(TemplateDraw.BandWidth, 40);
    EXPECT_GE(TemplateDraw.BandHeight, 24);
    EXPECT_EQ(band.pixel(19, 11), qRgb(7, 7, 7));
}

TEST_F(TemplateBand, PixelSizesOfZeroOrBeyondRangeDrawNothing)
{
    TestRaster r = TestRaster::Grey(4, 4, 8);
    const QString path = Write(QStringLiteral("t.tpx"), r);
    for (const char* fields : {"\tu0", "\tv0", "\tu1e-320", "\tv-1e-320"}) {
        SCOPED_TRACE(fields);
        OpenMap({path + QStringLiteral("\ts1\tx0\ty0") + QLatin1String(fields)});
        const QImage band = Rendered(QRect(0, 0, 8, 8));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(band.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
        CloseCurrentMap(zmd);
    }
}

TEST_F(TemplateBand, AFileThatCannotBeReadIsSwitchedOffInTheMap)
{
    OpenMap({File(QStringLiteral("gone.tpx")) + QStringLiteral("\ts1\tx0")});
    EXPECT_FALSE(DrawTemplates(QRect(0, 0, 8, 8), false, 0, {}, false));
    EXPECT_EQ(zmd->Templates.Strings(0), File(QStringLiteral("gone.tpx")) + QStringLiteral("\ts0\tx0"));
    EXPECT_EQ(ReadPString(zmd->Templates.GetNumber(0)), zmd->Templates.Strings(0));

    // Named again and again: one paint switches every copy off, each stored.
    CloseCurrentMap(zmd);
    const QString gone = File(QStringLiteral("gone.tpx")) + QStringLiteral("\ts1\tx0");
    OpenMap({gone, File(QStringLiteral("also.tpx")) + QStringLiteral("\ts1"), gone, gone});
    EXPECT_FALSE(DrawTemplates(QRect(0, 0, 8, 8), false, 0, {}, false));
    const QString off = File(QStringLiteral("gone.tpx")) + QStringLiteral("\ts0\tx0");
    const QString texts[] = {off, File(QStringLiteral("also.tpx")) + QStringLiteral("\ts0"), off, off};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(zmd->Templates.Strings(i), texts[i]) << i;
        EXPECT_EQ(ReadPString(zmd->Templates.GetNumber(i)), texts[i]) << i;
    }
}

// ---- Decisions ----

TEST_F(TemplateBand, DecisionsBeforeARedraw)
{
    const QString raster = QStringLiteral("r.tpx\ts1");
    const QString rasterSpot1 = QStringLiteral("r.tpx\ts1\tp1");
    const QString map = QStringLiteral("m.zmd\ts1");
    struct Row {
        const char* name;
        std::vector<QString> templates;  // top first
        QString view;                    // type-1030 settings
        int kind = CompositeColors;
        uint32_t separations = 0;
        bool hidden = false;
        bool graphics = false;
        bool wanted = true;
        bool raster, after, separately;
    };
    const Row rows[] = {
        {"not wanted", {map}, {}, 0, 0, false, false, false, true, false, false},
        {"no templates", {}, {}, 0, 0, false, false, true, false, false, true},
        {"a raster template", {raster}, {}, 0, 0, false, false, true, true, true, true},
        {"a hidden one counts not", {QStringLiteral("r.tpx\ts0")}, {}, 0, 0, false, false, true, false, false, true},
        {"a map template", {map}, {}, 0, 0, false, false, true, false, true, true},
        {"a map template in spot colours", {map + QStringLiteral("\to1")}, {}, 0, 0, false, false, true, true, false, true},
        {"a transparent map template alone", {map + QStringLiteral("\tt1")}, {}, 0, 0, false, false, true, false, true, true},
        {"a transparent map template over a raster", {map + QStringLiteral("\tt1"), raster}, {}, 0, 0, false, false, true, true, false, true},
        {"a transparent raster under a map", {map, raster + QStringLiteral("\tt1")}, {}, 0, 0, false, false, true, true, true, true},
        {"the view's transparency", {raster}, QStringLiteral("\tt1"), 0, 0, false, false, true, true, false, false},
        {"the view's transparency without templates", {}, QStringLiteral("\tt1"), 0, 0, false, false, true, false, false, true},
        {"templates hidden", {map + QStringLiteral("\to1"), raster}, QStringLiteral("\tt1"), 0, 0, true, false, true, false, false, true},
        {"spot view", {raster}, QStringLiteral("\ts1"), 0, 0, false, false, true, true, false, false},
        {"symbol graphics", {map + QStringLiteral("\to1")}, {}, 0, 0, false, true, true, false, false, true},
        {"separations: a raster in one output", {rasterSpot1}, {}, SpotSeparations, 0b10, false, false, true, true, false, true},
        {"separations: a raster in none output", {rasterSpot1}, {}, SpotSeparations, 0b101, false, false, true, false, false, false},
        {"separations: hidden", {rasterSpot1}, {}, SpotSeparations, 0b10, true, false, true, false, false, true},
        {"kind 3", {raster}, {}, 3, 0, false, false, true, false, false, true},
        {"kind 4", {raster}, {}, 4, 0, false, false, true, false, false, true},
    };
    OpenMap({}, {TestSeparation{}, TestSeparation{}, TestSeparation{}});
    SymbolGraphicsBuffer graphics;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        zmd->Templates.Clear();
        for (const QString& t : r.templates)
            zmd->Templates.Add(t);
        zmd->MapSettings[size_t(MapSettingsSlot(1030))] = r.view;
        zmd->Setup.TemplatesHidden = r.hidden;
        graphics.Active = r.graphics;
        Index.SymbolGraphics = &graphics;
        Graph.OutputColorMode = r.kind;
        Graph.OutputSeparations = r.separations;
        PrepareTemplateDrawing(r.wanted);
        EXPECT_EQ(TemplateDraw.RasterFirst, r.raster);
        EXPECT_EQ(TemplateDraw.MapTemplatesAfter, r.after);
        EXPECT_EQ(TemplateDraw.MapDrawnSeparately, r.separately);
    }
    Index.SymbolGraphics = nullptr;
    zmd->Templates.Clear();
}

TEST_F(TemplateBand, TheSpotViewDrawsTheMapSeparationBySeparationInItsColours)
{
    TestMapWriter w(8);
    w.colors[0].separationPercent[0] = 200;  // black lies fully in the separation
    TestSeparation magenta;
    magenta.cmyk = {0, 200, 0, 0};
    w.separations = {magenta};
    w.symbols = {TestSymbol::Line(10, 0, 50)};
    w.objects.push_back(TestObject::Line(10, {{-10 * kUnitsPerMm, 0}, {10 * kUnitsPerMm, 0}}));
    ASSERT_TRUE(w.WriteTo(File(QStringLiteral("spot.zmd")).toStdString()));
    zmd = OpenAsCurrentMap(File(QStringLiteral("spot.zmd")).toStdString());
    Scale.ViewOrigin = {-20 * Px, 10 * Px};
    QString& view = zmd->MapSettings[size_t(MapSettingsSlot(1030))];
    for (const char* settings : {"\ts1", "\ts1\ta0"}) {
        SCOPED_TRACE(settings);
        view = QLatin1String(settings);
        PrepareTemplateDrawing(true);
        ASSERT_TRUE(TemplateDraw.RasterFirst);
        ASSERT_FALSE(TemplateDraw.MapDrawnSeparately);
        DrawTemplates(QRect(0, 0, 40, 20), false, 0, {}, true);
        // Shown in the separation's colour; a separation switched off in the view draws nothing.
        const QRgb want = view == QLatin1String("\ts1") ? qRgb(255, 0, 255) : qRgb(255, 255, 255);
        EXPECT_EQ(BandImage(0).pixel(20, 10), want);
        EXPECT_EQ(BandImage(0).pixel(20, 2), qRgb(255, 255, 255));
    }
}

// ---- Maps as templates ----

TEST_F(TemplateBand, ATransparentMapTemplateIsDrawnDimmedIntoTheBandAndTheMapComesBack)
{
    // The other map: the same black line. Below it a white raster template.
    TestMapWriter other(8);
    other.symbols = {TestSymbol::Line(10, 0, 50)};
    other.objects.push_back(TestObject::Line(10, {{-10 * kUnitsPerMm, 0}, {10 * kUnitsPerMm, 0}}));
    const QString otherPath = File(QStringLiteral("other.zmd"));
    ASSERT_TRUE(other.WriteTo(otherPath.toStdString()));
    TestRaster white = TestRaster::Grey(40, 20, 8);
    std::fill(white.pixels.begin(), white.pixels.end(), 255);
    const QString whitePath = Write(QStringLiteral("white.tpx"), white);
    Scale.ViewOrigin = {-20 * Px, 10 * Px};
    for (int dim : {50, 100}) {
        SCOPED_TRACE(dim);
        OpenMap({otherPath + QStringLiteral("\ts1\tt1\td%1").arg(dim), whitePath + QStringLiteral("\ts1\tx0\ty0")});
        TZmd* own = zmd.get();
        PrepareTemplateDrawing(true);
        ASSERT_TRUE(TemplateDraw.RasterFirst);
        ASSERT_FALSE(TemplateDraw.MapTemplatesAfter);
        DrawTemplates(QRect(0, 0, 40, 20), false, 0, {}, false);
        // Black at half its strength over white; dimmed fully it is gone.
        const int grey = dim == 50 ? 128 : 255;
        EXPECT_EQ(BandImage(0).pixel(20, 10), qRgb(grey, grey, grey));
        EXPECT_EQ(BandImage(0).pixel(20, 2), qRgb(255, 255, 255));
        EXPECT_EQ(Index.ActiveZmd, own);
        EXPECT_EQ(FindDocument(otherPath), nullptr);
        CloseCurrentMap(zmd);
    }
}

} // namespace
} // namespace zemo::test
