// The internet map in a real browser: File > Export > internet map in the running program, then
// headless chromium opens the page from disk. Its screenshots show what the GIF renderer draws
// of the same area at three levels (the first view, a place from the address, a name from the
// find box) and its document has the hotspots' links at their objects. All of it stays in
// <build>/samples/kiv-browser.
#include "../external/DbLinkFixture.h"
#include "document/ServiceHooks.h"
#include "io/ExpGif.h"
#include "io/ExpKiv.h"
#include "io/widgets/KivDlgs.h"

#include <QApplication>
#include <QCheckBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace zemo::test {
namespace {

constexpr double MapScale = 10000, OffsetX = 600000, OffsetY = 5200000, CordsPerMetre = 2.56e7;
constexpr int Columns = 12, Rows = 7, Cell = 8 * LinkMm, Tile = 150, TileH = 100;
// The viewer's map in the screenshot: after the body's margin and the applet's frame.
constexpr int ViewLeft = 18, ViewTop = 18;
// A pixel differs when a channel is off by more than 40 (the tiles and the reference reduce
// their anti-aliased edges to colour tables of their own); at most 1 % of them may.
constexpr int ChannelTolerance = 40;
constexpr double MostDiffering = 0.01;

// A level's view centred on a place (kept on the tiles, as the viewer does), in map units.
struct View {
    KivLevel l;
    int left = 0, top = 0;
    QPoint At(QPointF place) const  // the view pixel of a place in metres
    {
        const double u = (place.x() - OffsetX) * CordsPerMetre / MapScale;
        const double v = (place.y() - OffsetY) * CordsPerMetre / MapScale;
        return {int(std::floor((u - l.X0) / l.StepX * Tile + 0.5)) - left,
                int(std::floor(l.Rows * TileH - (v - l.Y0) / l.StepY * TileH + 0.5)) - top};
    }
};

// The largest difference of a channel.
int Distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

View ViewOf(const KivLevel& l, QPointF centre)
{
    View v{l};
    const QPoint p = v.At(centre);
    const auto fit = [](int p, int64_t size, int side) {
        return size <= side ? size / 2 : std::clamp<int64_t>(p, side / 2, size - side / 2);
    };
    v.left = int(fit(p.x(), l.Columns * Tile, 2 * Tile)) - Tile;
    v.top = int(fit(p.y(), l.Rows * TileH, 2 * TileH)) - TileH;
    return v;
}

class KivBrowser : public DbLinkFixture {
protected:
    // Cells of 8 mm in four colours (object 1 + row x 12 + column) and a black diagonal; three
    // of them named, two with links.
    bool OpenCells()
    {
        TestDbf t;
        t.fields = {{"ID", 6}, {"NAME", 30}, {"URL", 40}};
        t.records = {{{"1", "Quarry", "https://example.org/quarry"}},
                     {{"2", "M\xFChle", "mill.html"}},
                     {{"3", "Bridge", ""}}};
        TestMapWriter w(8);
        PutF64(w.setup, setup::MapScale, MapScale);
        PutF64(w.setup, setup::RealWorldOffsetX, OffsetX);
        PutF64(w.setup, setup::RealWorldOffsetY, OffsetY);
        w.colors = {TestColor(), TestColor::Cmyk(1, "Yellow", 0, 0, 200, 0),
                    TestColor::Cmyk(2, "Green", 160, 0, 200, 0), TestColor::Cmyk(3, "Grey", 0, 0, 0, 70),
                    TestColor::Cmyk(4, "Brown", 0, 100, 200, 60)};
        w.symbols = {TestSymbol::Line(20, 0, 35), TestSymbol::Area(310, 1), TestSymbol::Area(320, 2),
                     TestSymbol::Area(330, 3), TestSymbol::Area(340, 4)};
        for (int r = 0; r < Rows; ++r)
            for (int k = 0; k < Columns; ++k)
                w.objects.push_back(TestObject::Area(int16_t(310 + 10 * ((k * 5 + r * 3 + k * r) % 4)),
                                                     {{k * Cell, r * Cell}, {(k + 1) * Cell, r * Cell},
                                                      {(k + 1) * Cell, (r + 1) * Cell}, {k * Cell, (r + 1) * Cell}}));
        w.objects.push_back(TestObject::Line(20, {{0, 0}, {Columns * Cell, Rows * Cell}}));
        w.strings.push_back(TestPString::Make(4, 0, "Places\te\ttplaces\tkID"));
        for (const auto& [column, row, key] : {std::tuple{2, 1, "1"}, {9, 5, "2"}, {6, 3, "3"}})
            w.strings.push_back(Link(1 + row * Columns + column, key, "Places"));
        return t.WriteTo(TempPath(QStringLiteral("places.dbf"))) && OpenWritten(w, QStringLiteral("cells.zmd"));
    }
    // The levels as the export draws them: three, at 150 dpi.
    static bool Planned(CordRect& extent, KivPlan& plan)
    {
        double f = 0;
        return GetFullExtent(extent) && ComputeKivZoom(extent, 2 * Tile, 2 * TileH, 150, 3, f)
               && PlanKivLevels(extent, 2 * Tile, 2 * TileH, 150, 3, f, MapScale, plan);
    }
    // A cell's centre in whole metres, as the page has it.
    static QPointF Place(int column, int row)
    {
        return {std::nearbyint(OffsetX + MapScale * (column + 0.5) * Cell / CordsPerMetre),
                std::nearbyint(OffsetY + MapScale * (row + 0.5) * Cell / CordsPerMetre)};
    }

    // The page at this address in chromium: its document, or a screenshot into `png`.
    QByteArray Chromium(const QString& fragment, const QString& png = {}, const QString& page = QStringLiteral("web"))
    {
        QUrl url = QUrl::fromLocalFile(out + u'/' + page + QStringLiteral(".html"));
        url.setFragment(fragment.isEmpty() ? QString() : fragment);
        QProcess p;
        p.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                           "--force-device-scale-factor=1", "--force-color-profile=srgb", "--window-size=400,300",
                           "--user-data-dir=" + TempPath("chromium"),
                           png.isEmpty() ? QStringLiteral("--dump-dom") : "--screenshot=" + png,
                           url.toString(QUrl::FullyEncoded)});
        EXPECT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return p.readAllStandardOutput();
    }

    // The share of the view's pixels, but for the marks (centre, half side), that differ from
    // the GIF renderer's picture of the same area.
    double Compare(const QString& name, const QString& fragment, const View& v,
                   const std::vector<std::pair<QPoint, int>>& marks, int viewTop = ViewTop)
    {
        Chromium(fragment, out + u'/' + name + QStringLiteral(".png"));
        shot = QImage(out + u'/' + name + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
        const double x1 = v.l.X0 + double(v.left) * v.l.StepX / Tile;
        const double y2 = v.l.Y0 + double(v.l.Rows * TileH - v.top) * v.l.StepY / TileH;
        const auto round = [](double d) { return int32_t(std::nearbyint(d)); };
        RasterSettings s;
        s.AntiAlias = s.ColorCorrection = true;
        s.ShowProgress = false;
        s.Pixels = QSize(2 * Tile, 2 * TileH);
        s.DpiExact = 150 * v.l.Zoom;
        const QString reference = out + u'/' + name + QStringLiteral("-reference.gif");
        const CordRect area{round(x1), round(y2 - 2.0 * v.l.StepY), round(x1 + 2.0 * v.l.StepX), round(y2)};
        EXPECT_EQ(RenderGif(area, reference, s), RasterResult::Written);
        const QImage want = QImage(reference).convertToFormat(QImage::Format_RGB32);
        if (shot.size() != QSize(400, 300) || want.size() != s.Pixels)
            return 1;
        int differing = 0, compared = 0;
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x) {
                if (std::any_of(marks.begin(), marks.end(), [&](const auto& m) {
                        return std::abs(x - m.first.x()) <= m.second && std::abs(y - m.first.y()) <= m.second;
                    }))
                    continue;
                const QRgb a = shot.pixel(ViewLeft + x, viewTop + y), b = want.pixel(x, y);
                ++compared;
                differing += Distance(a, b) > ChannelTolerance;
            }
        return double(differing) / compared;
    }
    // Pixels of the last screenshot within `half` of a view pixel near a colour.
    int Coloured(QPoint at, int half, QRgb c) const
    {
        int n = 0;
        for (int y = at.y() - half; y <= at.y() + half; ++y)
            for (int x = at.x() - half; x <= at.x() + half; ++x) {
                n += Distance(shot.pixel(ViewLeft + x, ViewTop + y), c) < 60;
            }
        return n;
    }

    QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    QString out = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../samples"))
                      .absoluteFilePath(QStringLiteral("kiv-browser"));
    QImage shot;
};

TEST_F(KivBrowser, ThePageShowsTheLevelsTheFoundNameAndTheHotspotsAsTheRasterExportDrawsThem)
{
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    ASSERT_TRUE(OpenCells());
    dialogs.QueueAnswer(true, out + QStringLiteral("/web.html"));
    QTimer::singleShot(0, [] {
        auto* dlg = dynamic_cast<TExpKivDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->findChild<QSpinBox*>(QStringLiteral("WidthB"))->setValue(2 * Tile);
        dlg->findChild<QSpinBox*>(QStringLiteral("HeightB"))->setValue(2 * TileH);
        dlg->findChild<QCheckBox*>(QStringLiteral("FindBoxB"))->setChecked(true);
        dlg->findChild<TFieldCombo*>(QStringLiteral("NameFieldB"))->setEditText(QStringLiteral("NAME"));
        dlg->findChild<QCheckBox*>(QStringLiteral("HotspotB"))->setChecked(true);
        dlg->findChild<TFieldCombo*>(QStringLiteral("LinkFieldB"))->setEditText(QStringLiteral("URL"));
        QTimer::singleShot(0, [] { dynamic_cast<QDialog*>(QApplication::activeModalWidget())->accept(); });
        dlg->accept();
    });
    Trigger(Cmd::FileExportKiv);
    EXPECT_EQ(messages.Count(), 0);
    ASSERT_TRUE(QFileInfo(out + QStringLiteral("/web_28.gif")).isFile());
    CordRect extent;
    KivPlan plan;
    ASSERT_TRUE(Planned(extent, plan));

    const QPointF quarry = Place(2, 1), mill = Place(9, 5), bridge = Place(6, 3);
    // Left out: the hotspots (within 5 pixels of their places) and the pointer (7).
    const auto marks = [&](const View& v, std::optional<QPointF> pointer) {
        std::vector<std::pair<QPoint, int>> m{{v.At(quarry), 6}, {v.At(mill), 6}};
        if (pointer)
            m.push_back({v.At(*pointer), 8});
        return m;
    };
    // The first view: the most reduced level on the middle of the map, the hotspots in blue.
    const View first = ViewOf(plan.Levels[0], {OffsetX + (extent.x1 + extent.x2) / 2.0 * MapScale / CordsPerMetre,
                                               OffsetY + (extent.y1 + extent.y2) / 2.0 * MapScale / CordsPerMetre});
    EXPECT_LE(Compare(QStringLiteral("level-0"), {}, first, marks(first, {})), MostDiffering);
    for (const QPointF& place : {quarry, mill})
        EXPECT_GE(Coloured(first.At(place), 6, qRgb(0, 0, 255)), 16) << place.x();
    // The middle level on the bridge, from the address, with the pointer on it.
    const View second = ViewOf(plan.Levels[1], bridge);
    const QString address = QStringLiteral("1,%1,%2").arg(qint64(bridge.x())).arg(qint64(bridge.y()));
    EXPECT_LE(Compare(QStringLiteral("level-1"), address, second, marks(second, bridge)), MostDiffering);
    EXPECT_GE(Coloured(second.At(bridge), 7, qRgb(255, 0, 0)), 30);
    // The find box's name: full resolution, moved there as far as the tiles go, pointed at.
    const View found = ViewOf(plan.Levels[2], mill);
    EXPECT_LE(Compare(QStringLiteral("found"), QStringLiteral("find=M\u00FChle"), found, marks(found, mill)),
              MostDiffering);
    EXPECT_GE(Coloured(found.At(mill), 7, qRgb(255, 0, 0)), 30);

    // The hotspots' links, each over its outline on the first view.
    const QString dom = QString::fromUtf8(Chromium({}));
    std::vector<std::tuple<QString, int, int>> links;
    const QRegularExpression href(QStringLiteral(R"re(href="([^"]*)")re"));
    const QRegularExpression corner(QStringLiteral(R"re(left: (-?\d+)px; top: (-?\d+)px)re"));
    for (auto m = QRegularExpression(QStringLiteral("<a ([^>]*)>")).globalMatch(dom); m.hasNext();) {
        const QString a = m.next().captured(1);
        const auto at = corner.match(a);
        links.emplace_back(href.match(a).captured(1), at.captured(1).toInt(), at.captured(2).toInt());
    }
    const std::vector<std::tuple<QString, int, int>> want{
        {QStringLiteral("https://example.org/quarry"), first.At(quarry).x() - 5, first.At(quarry).y() - 5},
        {QStringLiteral("mill.html"), first.At(mill).x() - 5, first.At(mill).y() - 5}};
    EXPECT_EQ(links, want) << dom.toStdString();
}

// A script of the test's own drives the viewer on a copy of the page, noting the page rectangles of
// the zoom-out button and the map, then after each step the lowest tile number shown and the
// pointer's corner.
constexpr const char* Driver = R"js(<SCRIPT>
window.addEventListener("load", function () {
  var box = document.getElementsByName("map")[0], view = box.querySelector("div"), log = [];
  var button = box.querySelector("button");
  document.body.setAttribute("data-rects", [button, view].map(function (e) {
    var r = e.getBoundingClientRect();
    return [r.left, r.top, r.width, r.height].join(",");
  }).join(" "));
  function note() {
    var p = view.querySelector(".pointer"), tiles = Array.prototype.map.call(view.querySelectorAll("img"),
        function (i) { return parseInt(i.src.split("_").pop(), 10); });
    log.push([Math.min.apply(null, tiles), parseInt(p.style.left, 10), parseInt(p.style.top, 10)].join(","));
  }
  function mouse(type, x, y, shift) {
    var r = view.getBoundingClientRect(), o = {clientX: r.left + x, clientY: r.top + y, bubbles: true,
        cancelable: true, pointerId: 1, button: 0, shiftKey: shift, deltaY: -100};
    view.dispatchEvent(type === "wheel" ? new WheelEvent(type, o) : new PointerEvent(type, o));
  }
  function key(k) { view.dispatchEvent(new KeyboardEvent("keydown", {key: k, bubbles: true})); note(); }
  note();
  mouse("pointerdown", 100, 100); mouse("pointermove", 120, 110); mouse("pointerup", 120, 110); note();
  key("ArrowRight");
  var p = view.querySelector(".pointer"), x = parseInt(p.style.left, 10) + 7, y = parseInt(p.style.top, 10) + 7;
  mouse("wheel", x, y); note();
  mouse("pointerdown", x, y, true); mouse("pointerup", x, y, true); note();
  button.click(); note();
  key("+");
  document.body.setAttribute("data-log", log.join(" "));
});
</SCRIPT>
)js";

TEST_F(KivBrowser, ClicksTheWheelKeysDragsAndTheZoomOutButtonChangeTheLevelAndMoveTheMap)
{
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    out += QStringLiteral("-input");
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    ASSERT_TRUE(OpenCells());
    KivOptions o = KivDialogOptions();
    o.FileName = out + QStringLiteral("/web.html");
    o.Width = 2 * Tile;
    o.Height = 2 * TileH;
    o.ZoomOut = true;
    ASSERT_TRUE(WriteKiv(o));
    QFile drive(out + QStringLiteral("/drive.html"));
    ASSERT_TRUE(drive.open(QIODevice::WriteOnly));
    drive.write(ReadAll(o.FileName).replace("</BODY>", Driver));
    drive.close();
    CordRect extent;
    KivPlan plan;
    ASSERT_TRUE(Planned(extent, plan));

    const QPointF bridge = Place(6, 3);
    const QString address = QStringLiteral("1,%1,%2").arg(qint64(bridge.x())).arg(qint64(bridge.y()));
    const QString dom = QString::fromUtf8(Chromium(address, {}, QStringLiteral("drive")));
    // The button lies above the map, clear of it, at the map's left; the map keeps its size.
    std::vector<QRect> rects;
    for (const QString& r : QRegularExpression(QStringLiteral("data-rects=\"([^\"]*)\"")).match(dom).captured(1).split(u' ')) {
        const QStringList v = r.split(u',');
        ASSERT_EQ(v.size(), 4) << dom.toStdString();
        rects.emplace_back(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
    }
    ASSERT_EQ(rects.size(), 2u);
    const QRect button = rects[0], map = rects[1];
    EXPECT_GT(button.height(), 10);
    EXPECT_LT(button.bottom(), map.top());
    EXPECT_EQ(button.left(), map.left());
    EXPECT_EQ(map, QRect(ViewLeft, map.top(), 2 * Tile, 2 * TileH));
    // Seen in the browser, the whole map below the button is as the raster export draws it,
    // its top-left corner too.
    const View shown = ViewOf(plan.Levels[1], bridge);
    EXPECT_LE(Compare(QStringLiteral("zoom-out"), address, shown, {{shown.At(bridge), 8}}, map.top()),
              MostDiffering);
    const QRegularExpression logged(QStringLiteral("data-log=\"([^\"]*)\""));
    const QStringList log = logged.match(dom).captured(1).split(u' ');
    ASSERT_EQ(log.size(), 7) << dom.toStdString();
    std::vector<int> levels;
    std::vector<QPoint> pointer;
    for (const QString& step : log) {
        const QStringList v = step.split(u',');
        ASSERT_EQ(v.size(), 3);
        levels.push_back(int(std::count_if(plan.Levels.begin() + 1, plan.Levels.end(),
                                           [&](const KivLevel& l) { return l.FirstTile <= v[0].toInt(); })));
        pointer.emplace_back(v[1].toInt() + 7, v[2].toInt() + 7);
    }
    // The address's level and place; a drag moves the map with the mouse, the arrow a quarter of
    // the view; the wheel and a click keep the place under the mouse; Shift zooms out, and so
    // do the button and "-", "+" in.
    EXPECT_EQ(levels, (std::vector<int>{1, 1, 1, 2, 1, 0, 1}));
    EXPECT_EQ(pointer[0], ViewOf(plan.Levels[1], bridge).At(bridge));
    EXPECT_EQ(pointer[1] - pointer[0], QPoint(20, 10));
    EXPECT_EQ(pointer[2] - pointer[1], QPoint(-Tile / 2, 0));
    for (int i : {3, 4})
        EXPECT_LE((pointer[size_t(i)] - pointer[2]).manhattanLength(), 1) << i;
}

} // namespace
} // namespace zemo::test
