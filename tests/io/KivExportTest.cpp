// The internet map: the zoom factor, the level grid and its 16-bit limits, the ".kiv" file read
// back by a reader of its own at literal offsets, the tiles (their size, their pixels put
// together again, a level drawn from a map of another scale), Esc, the page alone, the viewer's
// archive, the escapes of the page's texts, the settings string and the level maps' order.
#include "MarkerMap.h"
#include "io/ExpKiv.h"
#include "io/Ports.h"

#include <QDirIterator>
#include <QImage>
#include <QRegularExpression>

#include <cstring>
#include <functional>

namespace zemo::test {
namespace {

uint16_t Be16(const QByteArray& b, int at) { return uint16_t(uint8_t(b[at]) << 8 | uint8_t(b[at + 1])); }
double BeDouble(const QByteArray& b, int at)
{
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | uint8_t(b[at + i]);
    double v = 0;
    std::memcpy(&v, &bits, 8);
    return v;
}

// A ".kiv" as the viewer reads it.
struct KivFile {
    bool ok = false;
    int mark = 0, format = 0, version = 0, subVersion = 0;
    int tileWidth = 0, tileHeight = 0, appletWidth = 0, appletHeight = 0, zoomOut = 0, dpi = 0;
    struct Level {
        int one = 0, first = 0, columns = 0, rows = 0;
        double scale = 0, x = 0, y = 0;
    };
    std::vector<Level> levels;
};

KivFile ReadKiv(const QByteArray& b)
{
    KivFile k;
    if (b.size() < 20 || (b.size() - 20) % 32 != 0)
        return k;
    k.mark = Le16(b, 0);
    k.format = Le16(b, 2);
    k.version = Le16(b, 4);
    k.subVersion = Le16(b, 6);
    k.tileWidth = Be16(b, 8);
    k.tileHeight = Be16(b, 10);
    k.appletWidth = Be16(b, 12);
    k.appletHeight = Be16(b, 14);
    k.zoomOut = Be16(b, 16);
    k.dpi = Be16(b, 18);
    for (int at = 20; at < b.size(); at += 32)
        k.levels.push_back({Be16(b, at), Be16(b, at + 2), Be16(b, at + 4), Be16(b, at + 6), BeDouble(b, at + 8),
                            BeDouble(b, at + 16), BeDouble(b, at + 24)});
    k.ok = true;
    return k;
}

// One side of an extent of this many pixels at 254 dpi (0.1 mm a pixel).
int32_t Px(int pixels) { return pixels * 2560; }

class KivExport : public MarkerMapTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        ResetExpKivUnit();
        // The viewer's archive is looked for where the test says.
        KivUnit.ArchiveFolder = Folder(QStringLiteral("data"));
        QDir().mkpath(KivUnit.ArchiveFolder);
        IoPorts().RunKivMapsDialog.Bind([](KivMapsEdit&) { return true; });
    }

    // A map whose only content is a raster template of w x h pixels of 0.1 mm with its top-left
    // corner on the origin.
    TZmd* OpenRasterMap(int w, int h, const std::function<QRgb(int, int)>& colour, const QString& name,
                        double scale = 10000)
    {
        TestRaster r = TestRaster::Grey(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb c = colour(x, y);
                uint8_t* p = r.Row(y) + 3 * x;
                p[0] = uint8_t(qBlue(c));
                p[1] = uint8_t(qGreen(c));
                p[2] = uint8_t(qRed(c));
            }
        const QString raster = InMaps(name + QStringLiteral(".tpx"));
        EXPECT_TRUE(WriteTestRaster(raster, r));
        TestMapWriter m(8);
        PutF64(m.setup, setup::MapScale, scale);
        PutF64(m.setup, setup::RealWorldOffsetX, 600000);
        PutF64(m.setup, setup::RealWorldOffsetY, 5200000);
        m.symbols = {TestSymbol::Line(10, 0, 50)};
        m.strings.push_back(TestPString::Make(8, 0, Placed(raster, w, h)));
        return Open(m, name + QStringLiteral(".zmd"));
    }
    static KivOptions Options(const QString& page, int appletWidth, int appletHeight, int dpi, int levels)
    {
        KivOptions o;
        o.FileName = page;
        o.Width = appletWidth;
        o.Height = appletHeight;
        o.Resolution = QString::number(dpi);
        o.Levels = levels;
        o.AntiAlias = false;
        o.ColorCorrection = false;
        return o;
    }
    static QImage Tile(const QString& path) { return QImage(path).convertToFormat(QImage::Format_RGB32); }
    QStringList Leftovers() const
    {
        return QDir(Folder()).entryList(QStringList{QStringLiteral(".zemo-kiv-*")}, QDir::AllEntries | QDir::Hidden);
    }
};

TEST_F(KivExport, ZoomFactorFromTheAppletAndTheMapOnItsLimitingSide)
{
    const struct {
        int w, h;        // map pixels at 254 dpi
        int levels;
        bool ok;
        double f;
    } cases[] = {
        {1600, 600, 3, true, 0.5},     // width limits: 400 / 1600 = 0.25, square root
        {600, 1200, 3, true, 0.5},     // height limits: 300 / 1200
        {1600, 600, 2, true, 0.25},
        {400, 300, 1, true, 1},        // one level needs no zoom, also when the map fits
        {40, 30, 1, true, 1},
        {400, 300, 3, false, 1},       // the map fits the applet
        {440, 300, 2, false, 0},       // 400 / 440 = 0.909: not below 0.9
        {450, 300, 2, true, 400.0 / 450},
        {0, 0, 3, false, 0},           // nothing to zoom
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << ", " << c.levels << " levels");
        double f = -1;
        EXPECT_EQ(ComputeKivZoom(CordRect{0, 0, Px(c.w), Px(c.h)}, 400, 300, 254, c.levels, f), c.ok);
        if (c.ok || c.f == 1) {
            EXPECT_NEAR(f, c.f, 1e-12);
        }
    }
}

TEST_F(KivExport, LevelGridsAndTheirSixteenBitLimits)
{
    KivPlan plan;
    // Three levels, f = 0.5: 4x, 2x and 1x the scale, tiles numbered on from level to level.
    ASSERT_TRUE(PlanKivLevels(CordRect{0, 0, Px(1600), Px(600)}, 400, 300, 254, 3, 0.5, 10000, plan));
    ASSERT_EQ(plan.Levels.size(), 3u);
    const struct {
        double scale;
        int64_t columns, rows, first, step;
    } want[] = {{40000, 2, 1, 0, 8000 * 256}, {20000, 4, 2, 2, 4000 * 256}, {10000, 8, 4, 10, 2000 * 256}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(plan.Levels[i].Scale, want[i].scale);
        EXPECT_EQ(plan.Levels[i].Columns, want[i].columns);
        EXPECT_EQ(plan.Levels[i].Rows, want[i].rows);
        EXPECT_EQ(plan.Levels[i].FirstTile, want[i].first);
        EXPECT_EQ(plan.Levels[i].StepX, want[i].step);
    }
    EXPECT_EQ(plan.Tiles, 42);
    // The grid is centred on the extent: a map of 1.5 tiles starts a quarter tile before it.
    ASSERT_TRUE(PlanKivLevels(CordRect{0, 0, Px(300), Px(150)}, 400, 300, 254, 1, 1, 10000, plan));
    EXPECT_EQ(plan.Levels[0].Columns, 2);
    EXPECT_DOUBLE_EQ(plan.Levels[0].X0, -Px(50));
    EXPECT_EQ(KivTileRect(plan.Levels[0], 1, 0, 1), (CordRect{Px(150), 0, Px(350), Px(150)}));
    // Halved coordinates for a level map of twice the scale, flag bits cleared.
    EXPECT_EQ(KivTileRect(plan.Levels[0], 1, 0, 0.5), (CordRect{Px(75), 0, Px(175), Px(75)}));

    // Tiles of 5 x 5 pixels at 254 dpi; columns, rows and the first tile number of a level
    // must fit 16 bits.
    const struct {
        int w, h, levels;
        bool ok;
    } limits[] = {
        {5 * 65535, 5, 1, true},
        {5 * 65535 + 1, 5, 1, false},
        {5, 5 * 65535, 1, true},
        {5, 5 * 65535 + 1, 1, false},
        {5 * 255, 5 * 257, 2, true},        // 65,535 tiles before the second level
        {5 * 255, 5 * 257 + 1, 2, false},   // 65,790
    };
    for (const auto& l : limits) {
        SCOPED_TRACE(testing::Message() << l.w << " x " << l.h);
        EXPECT_EQ(PlanKivLevels(CordRect{0, 0, Px(l.w), Px(l.h)}, 10, 10, 254, l.levels, 1, 10000, plan), l.ok);
    }
}

TEST_F(KivExport, ThreeLevelsAsTheKivFileTellsThemAndTilesOfTheTileSize)
{
    ASSERT_NE(OpenRasterMap(160, 60, [](int x, int y) { return x == 2 * y ? qRgb(0, 0, 0) : qRgb(255, 255, 255); },
                            QStringLiteral("map")),
              nullptr);
    const QString page = InMaps(QStringLiteral("web.html"));
    KivOptions o = Options(page, 40, 30, 254, 3);
    o.ZoomOut = true;
    ASSERT_TRUE(WriteKiv(o));
    EXPECT_EQ(messages.Count(), 0);

    const KivFile k = ReadKiv(Read(InMaps(QStringLiteral("web.kiv"))));
    ASSERT_TRUE(k.ok);
    EXPECT_EQ(k.mark, 0x5E71);
    EXPECT_EQ(k.format, 597);
    EXPECT_EQ(k.version, 8);
    EXPECT_EQ(k.tileWidth, 20);
    EXPECT_EQ(k.tileHeight, 15);
    EXPECT_EQ(k.appletWidth, 40);
    EXPECT_EQ(k.appletHeight, 30);
    EXPECT_EQ(k.zoomOut, 1);
    EXPECT_EQ(k.dpi, 254);
    ASSERT_EQ(k.levels.size(), 3u);
    const struct {
        double scale;
        int columns, rows, first;
    } want[] = {{40000, 2, 1, 0}, {20000, 4, 2, 2}, {10000, 8, 4, 10}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(k.levels[i].one, 1);
        EXPECT_DOUBLE_EQ(k.levels[i].scale, want[i].scale);
        EXPECT_EQ(k.levels[i].columns, want[i].columns);
        EXPECT_EQ(k.levels[i].rows, want[i].rows);
        EXPECT_EQ(k.levels[i].first, want[i].first);
        // The centre of the extent in metres, the map's own scale, no rotation.
        EXPECT_NEAR(k.levels[i].x, 600080, 0.01);
        EXPECT_NEAR(k.levels[i].y, 5199970, 0.01);
    }
    // 42 tiles, each a GIF of the tile size; none in the way of the next export.
    for (int n = 0; n < 42; ++n) {
        const QString tile = InMaps(QStringLiteral("web_%1.gif").arg(n));
        EXPECT_EQ(Read(tile).left(6), QByteArray("GIF87a")) << n;
        EXPECT_EQ(QImage(tile).size(), QSize(20, 15)) << n;
    }
    EXPECT_FALSE(QFileInfo::exists(InMaps(QStringLiteral("web_42.gif"))));
    EXPECT_TRUE(Leftovers().isEmpty());
    EXPECT_TRUE(QFileInfo(page).isFile());
    EXPECT_FALSE(QFileInfo::exists(InMaps(KivArchiveName)));
    QFile::copy(page, Samples() + QStringLiteral("/kiv-three-levels.html"));
    QFile::copy(InMaps(QStringLiteral("web.kiv")), Samples() + QStringLiteral("/kiv-three-levels.kiv"));
}

TEST_F(KivExport, OneLevelsTilesPutTogetherAgainGiveTheMap)
{
    ASSERT_NE(OpenRasterMap(W, H, Marker, QStringLiteral("markers")), nullptr);
    // Tiles of 10 x 5 pixels: 7 columns and 10 rows cover the 70 x 50 pixels exactly.
    ASSERT_TRUE(WriteKiv(Options(InMaps(QStringLiteral("one.html")), 20, 10, Dpi, 1)));
    const KivFile k = ReadKiv(Read(InMaps(QStringLiteral("one.kiv"))));
    ASSERT_EQ(k.levels.size(), 1u);
    EXPECT_DOUBLE_EQ(k.levels[0].scale, 10000);
    EXPECT_EQ(k.levels[0].columns, 7);
    EXPECT_EQ(k.levels[0].rows, 10);
    QImage whole(W, H, QImage::Format_RGB32);
    // Row by row from the top, left to right.
    int n = 0;
    for (int row = 0; row < 10; ++row)
        for (int column = 0; column < 7; ++column) {
            const QImage tile = Tile(InMaps(QStringLiteral("one_%1.gif").arg(n++)));
            ASSERT_EQ(tile.size(), QSize(10, 5));
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 10; ++x)
                    whole.setPixel(10 * column + x, 5 * row + y, tile.pixel(x, y));
        }
    EXPECT_EQ(WrongPixels(whole), 0);
}

TEST_F(KivExport, ALevelMapOfAnotherScaleDrawsItsLevel)
{
    // The level map at 1:20000 holds in blue what the 1:10000 map holds in white.
    ASSERT_NE(OpenRasterMap(80, 30, [](int, int) { return qRgb(0, 0, 255); }, QStringLiteral("small"), 20000), nullptr);
    ASSERT_NE(OpenRasterMap(160, 60, [](int, int) { return qRgb(255, 255, 255); }, QStringLiteral("map")), nullptr);
    KivMapsEdit e = KivMapsOf(3);
    e.Rows[0] = InMaps(QStringLiteral("small.zmd"));  // the most reduced level
    SaveKivMaps(e);
    ASSERT_TRUE(WriteKiv(Options(InMaps(QStringLiteral("web.html")), 40, 30, 254, 3)));
    EXPECT_EQ(messages.Count(), 0);
    // Level 2 (tiles 0 and 1) from the small map, the others from the map itself.
    for (int n : {0, 1, 2, 9, 10, 41}) {
        const QImage tile = Tile(InMaps(QStringLiteral("web_%1.gif").arg(n)));
        EXPECT_EQ(tile.pixel(10, 7), n < 2 ? qRgb(0, 0, 255) : qRgb(255, 255, 255)) << n;
    }
    // The map itself is current again; the level map is closed.
    EXPECT_EQ(CurrentMapPath(), InMaps(QStringLiteral("map.zmd")));
}

TEST_F(KivExport, EscEndsTheExportOnceAndLeavesAnEarlierOneAsItWas)
{
    ASSERT_NE(OpenRasterMap(160, 60, [](int, int) { return qRgb(255, 255, 255); }, QStringLiteral("map")), nullptr);
    // The polls of a whole export, then Esc in the middle of another.
    QDir().mkpath(Folder(QStringLiteral("counted")));
    escAt = 1 << 30;
    ASSERT_TRUE(WriteKiv(Options(Folder(QStringLiteral("counted")) + QStringLiteral("/web.html"), 40, 30, 254, 3)));
    const int all = polls;
    ASSERT_GT(all, 10);
    for (const char* name : {"web.html", "web.kiv", "web_0.gif", "web_41.gif"})
        WriteFile(InMaps(QLatin1String(name)), QByteArray("earlier ") + name);
    const QStringList before = FilesInMaps();
    polls = 0;
    escAt = all / 2;
    EXPECT_FALSE(WriteKiv(Options(InMaps(QStringLiteral("web.html")), 40, 30, 254, 3)));
    EXPECT_LT(polls, all);
    EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
    EXPECT_EQ(messages.Count(), 1);
    EXPECT_EQ(FilesInMaps(), before);
    for (const char* name : {"web.html", "web.kiv", "web_0.gif", "web_41.gif"})
        EXPECT_EQ(Read(InMaps(QLatin1String(name))), QByteArray("earlier ") + name);
    EXPECT_TRUE(Leftovers().isEmpty());
}

TEST_F(KivExport, ThePageAloneAndTheViewersArchiveBesideOtherPages)
{
    ASSERT_NE(OpenRasterMap(160, 60, [](int, int) { return qRgb(255, 255, 255); }, QStringLiteral("map")), nullptr);
    // No archive in the data folder: none is copied.
    ASSERT_TRUE(WriteKiv(Options(InMaps(QStringLiteral("a.html")), 40, 30, 254, 1)));
    EXPECT_FALSE(QFileInfo::exists(InMaps(KivArchiveName)));
    WriteFile(QDir(KivUnit.ArchiveFolder).filePath(KivArchiveName), QByteArray("PK viewer"));
    ASSERT_TRUE(WriteKiv(Options(InMaps(QStringLiteral("b.html")), 40, 30, 254, 1)));
    EXPECT_EQ(Read(InMaps(KivArchiveName)), QByteArray("PK viewer"));
    // A page in the data folder itself has it there.
    ASSERT_TRUE(WriteKiv(Options(QDir(KivUnit.ArchiveFolder).filePath(QStringLiteral("c.html")), 40, 30, 254, 1)));
    EXPECT_EQ(QDir(KivUnit.ArchiveFolder).entryList(QDir::Files).filter(QStringLiteral(".jar")).size(), 1);

    // HTML only: the page and nothing else, also with an archive to copy. An applet of 400 x
    // 300 has tiles of 200 x 150 and a tag of 420 x 320.
    const QString only = Folder(QStringLiteral("only"));
    QDir().mkpath(only);
    KivOptions o = Options(only + QStringLiteral("/page.html"), 400, 300, 150, 1);
    o.HtmlOnly = true;
    ASSERT_TRUE(WriteKiv(o));
    EXPECT_EQ(QDir(only).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("page.html")});
    const QString text = QString::fromLatin1(Read(only + QStringLiteral("/page.html")));
    EXPECT_TRUE(text.contains(QStringLiteral(
        "\r\n  <APPLET NAME=map ARCHIVE=ZEMO.jar CODE=ZEMO.class WIDTH=420 HEIGHT=320>\r\n"
        "    <PARAM NAME=FileName VALUE=\"page\">\r\n    Browser does not support JavaScript!\r\n  </APPLET>\r\n"
        "  <SCRIPT>\r\n    function ZemoMap(box, levelFile) {\r\n")))
        << text.toStdString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("<HTML>\r\n<HEAD>\r\n  <TITLE>ZEMO Applet</TITLE>\r\n</HEAD>\r\n<BODY>\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("</BODY>\r\n</HTML>\r\n")));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(KivExport, ThePageCarriesTheLevelFileOfTheTilesBesideIt)
{
    ASSERT_NE(OpenRasterMap(160, 60, [](int, int) { return qRgb(255, 255, 255); }, QStringLiteral("map")), nullptr);
    const auto carried = [](const QString& page) {
        static const QRegularExpression start(QStringLiteral("\r\n    ZemoMap\\(document.getElementsByName\\(\"map\"\\)"
                                                             "\\[0\\], \"([A-Za-z0-9+/=]*)\"\\);\r\n  </SCRIPT>\r\n"));
        const QRegularExpressionMatch m = start.match(QString::fromLatin1(Read(page)));
        return m.hasMatch() ? QByteArray::fromBase64(m.captured(1).toLatin1()) : QByteArray("none");
    };
    const QString page = InMaps(QStringLiteral("web.html")), kiv = InMaps(QStringLiteral("web.kiv"));
    ASSERT_TRUE(WriteKiv(Options(page, 40, 30, 254, 3)));
    const QByteArray written = Read(kiv);
    ASSERT_EQ(written.size(), 20 + 3 * 32);
    EXPECT_EQ(carried(page), written);

    // The page alone at another resolution shows the tiles that are there.
    KivOptions only = Options(page, 40, 30, 127, 2);
    only.HtmlOnly = true;
    ASSERT_TRUE(WriteKiv(only));
    EXPECT_EQ(Read(kiv), written);
    EXPECT_EQ(carried(page), written);
    // Without a level file beside it, or with one that is none, the page has its own levels.
    for (const QByteArray& other : {QByteArray(), QByteArray(written).replace(0, 2, "\x71\x5F"), written + "x"}) {
        SCOPED_TRACE(other.size());
        QFile::remove(kiv);
        if (!other.isEmpty())
            WriteFile(kiv, other);
        ASSERT_TRUE(WriteKiv(only));
        const KivFile k = ReadKiv(carried(page));
        ASSERT_TRUE(k.ok);
        EXPECT_EQ(k.mark, 0x5E71);
        EXPECT_EQ(k.dpi, 127);
        EXPECT_EQ(k.levels.size(), 2u);
    }
}

TEST_F(KivExport, TooManyTilesAreRefusedBeforeAnythingIsWritten)
{
    // Corners 3.98 m apart on paper at 600 dpi, tiles of 5 pixels: four levels would number
    // more than 65,535 tiles before the last one.
    TestMapWriter m(8);
    m.symbols = {TestSymbol::Point(10)};
    m.objects.push_back(TestObject::Point(10, -1990 * Mm, -1990 * Mm));
    m.objects.push_back(TestObject::Point(10, 1990 * Mm, 1990 * Mm));
    ASSERT_NE(Open(m), nullptr);
    const QStringList before = FilesInMaps();
    const KivOptions o = Options(InMaps(QStringLiteral("big.html")), 10, 10, 600, 4);
    double f = 0;
    ASSERT_TRUE(ComputeKivZoom(o, f));
    EXPECT_FALSE(WriteKiv(o));
    EXPECT_EQ(messages.CountOf(TextKey::BmpResTooHigh), 1);
    EXPECT_EQ(FilesInMaps(), before);
    EXPECT_TRUE(Leftovers().isEmpty());
    // The page alone needs no tiles.
    KivOptions page = o;
    page.HtmlOnly = true;
    EXPECT_TRUE(WriteKiv(page));
    QStringList want = before;
    want << QStringLiteral("big.html");
    want.sort();
    EXPECT_EQ(FilesInMaps(), want);
}

TEST_F(KivExport, ScriptStringsAndHtmlTextsStayInside)
{
    const struct {
        const char16_t* in;
        const char* script;
        const char* html;
    } cases[] = {
        {u"plain 1.5", "plain 1.5", "plain 1.5"},
        {u"say \"hi\"", "say \\\"hi\\\"", "say &quot;hi&quot;"},
        {u"a\\b", "a\\\\b", "a\\b"},
        {u"</SCRIPT><b>", "\\u003C/SCRIPT\\u003E\\u003Cb\\u003E", "&lt;/SCRIPT&gt;&lt;b&gt;"},
        {u"M\u00FChle & S\u00F6hne", "M\\u00FChle \\u0026 S\\u00F6hne", "M&#252;hle &amp; S&#246;hne"},
        {u"line\r\nbreak\t", "line\\u000D\\u000Abreak\\u0009", "line  break "},
        {u"\U0001F600", "\\uD83D\\uDE00", "&#128512;"},
    };
    for (const auto& c : cases) {
        const QString in = QString::fromUtf16(c.in);
        EXPECT_EQ(ScriptString(in), QLatin1String(c.script)) << c.script;
        EXPECT_EQ(HtmlText(in), QLatin1String(c.html)) << c.html;
    }
}

TEST_F(KivExport, SettingsStringAndProposedNames)
{
    TestMapWriter m(8);
    m.symbols = {TestSymbol::Point(10)};
    m.objects.push_back(TestObject::Point(10, 0, 0));
    m.objects.push_back(TestObject::Point(10, 100 * Mm, 80 * Mm));
    ASSERT_NE(Open(m, QStringLiteral("named.zmd")), nullptr);

    KivOptions o;
    o.FileName = QStringLiteral("/x/old.kiv");
    o.Width = 640;
    o.Resolution = QStringLiteral("200");
    o.Levels = 4;
    o.AntiAlias = false;
    o.HtmlOnly = true;
    o.FindBox = true;
    o.FindDataset = QStringLiteral("Places");
    o.NameField = QStringLiteral("NAME");
    EXPECT_EQ(KivSettingsString(o), QStringLiteral("/x/old.kiv\tw640\th300\tr200\tz4\ta0\to0\tm1\tsPlaces\tnNAME"));
    ASSERT_TRUE(SaveTypedPString(KivSettingsString(o), KivSettingsType));
    // Read back, every field the same.
    EXPECT_EQ(KivSettingsString(KivDialogOptions()), KivSettingsString(o));
    // Out of range values come back within it; "a" is on unless "0".
    ASSERT_TRUE(SaveTypedPString(QStringLiteral("\tw5\th9000\tz0\ta"), KivSettingsType));
    const KivOptions fixed = KivDialogOptions();
    EXPECT_EQ(fixed.Width, MinAppletSide);
    EXPECT_EQ(fixed.Height, MaxAppletSide);
    EXPECT_EQ(fixed.Levels, MinKivLevels);
    EXPECT_TRUE(fixed.AntiAlias);

    // The proposed page: the stored one (a ".kiv" one as ".html"), else the map's.
    QString chosen;
    IoPorts().RunKivDialog.Bind([&](KivOptions& d) {
        d.FileName = chosen;
        d.Levels = 1;
        d.HtmlOnly = true;
        return true;
    });
    const struct {
        QString stored;
        QString proposed;
    } cases[] = {{QStringLiteral("/x/old.kiv"), QStringLiteral("old.html")},
                 {QStringLiteral("/x/page.htm"), QStringLiteral("page.htm")},
                 {QString(), QStringLiteral("named.html")}};
    for (const auto& c : cases) {
        chosen = c.stored;
        ASSERT_TRUE(SaveTypedPString(c.stored, KivSettingsType));
        dialogs.QueueAnswer(false);
        ExportKiv();
        ASSERT_FALSE(dialogs.Requests().empty());
        EXPECT_EQ(dialogs.Requests().back().fileName, c.proposed);
        EXPECT_EQ(dialogs.Requests().back().defaultExt, QStringLiteral("html"));
    }
    // OK writes the page and stores the name chosen.
    chosen.clear();
    dialogs.QueueAnswer(true, InMaps(QStringLiteral("chosen.html")));
    ExportKiv();
    EXPECT_TRUE(QFileInfo(InMaps(QStringLiteral("chosen.html"))).isFile());
    EXPECT_EQ(KivDialogOptions().FileName, InMaps(QStringLiteral("chosen.html")));
    // Cancel in the level-map dialog writes nothing.
    IoPorts().RunKivMapsDialog.Bind([](KivMapsEdit&) { return false; });
    dialogs.QueueAnswer(true, InMaps(QStringLiteral("cancelled.html")));
    ExportKiv();
    EXPECT_FALSE(QFileInfo::exists(InMaps(QStringLiteral("cancelled.html"))));
}

TEST_F(KivExport, LevelMapsKeepTheirOrderThroughTheStringStore)
{
    TestMapWriter m(8);
    m.symbols = {TestSymbol::Point(10)};
    m.objects.push_back(TestObject::Point(10, 0, 0));
    // Two level maps whose records differ in length: a short name first, a long one second.
    const std::string longName(100, 'l');
    m.strings.push_back(TestPString::Make(6, 0, "s.zmd"));
    m.strings.push_back(TestPString::Make(6, 0, longName + ".zmd"));
    ASSERT_NE(Open(m), nullptr);
    KivMapsEdit e = KivMapsOf(3);
    // Row 2 (level 0) and row 1 (level 1) from the file, the top row the map itself.
    EXPECT_EQ(e.Rows, (QStringList{QString(), QString::fromStdString(longName + ".zmd"), QStringLiteral("s.zmd")}));
    EXPECT_EQ(KivMapShown(e, 0), InMaps(QStringLiteral("map.zmd")));
    EXPECT_EQ(KivMapShown(e, 2), InMaps(QStringLiteral("s.zmd")));
    // Now level 0 takes the long name and level 1 the short one: the freed records would
    // put them the other way round.
    e.Rows = {QStringLiteral("t.zmd"), QStringLiteral("s.zmd"), QString::fromStdString(longName + ".zmd")};
    SaveKivMaps(e);
    ASSERT_TRUE(SaveMap(false));
    CloseMapFile(InMaps(QStringLiteral("map.zmd")));
    ASSERT_EQ(Index.ActiveZmd, nullptr);
    ASSERT_TRUE(OpenMapByName(InMaps(QStringLiteral("map.zmd"))));
    EXPECT_EQ(KivMapsOf(3).Rows, e.Rows);
    // A row that names the map's own file is the map itself.
    e.Rows[1] = InMaps(QStringLiteral("map.zmd"));
    SaveKivMaps(e);
    EXPECT_EQ(KivMapsOf(3).Rows[1], QString());
}

} // namespace
} // namespace zemo::test
