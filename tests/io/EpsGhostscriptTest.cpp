// The EPS export checked by Ghostscript: a map of the shipped orienteering set with a raster
// template under it, exported through File > Export > EPS, is rendered by gs and compared with
// the raster road's picture of the same map; gs's bounding-box device finds no error and a box
// inside the declared one; and a document whose fills always fail still ends.
#include "../support/ProgramFixture.h"
#include "../support/TestTemplates.h"
#include "StripCollector.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Work.h"
#include "external/Template.h"
#include "io/widgets/ExportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;
constexpr int Dpi = 150;

QString Samples()
{
    const QString s = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(s);
    return QDir(s).absolutePath();
}

struct GsRun {
    bool finished = false;
    int exitCode = -1;
    QString output;  // stdout and stderr
};

GsRun Gs(const QStringList& args, int timeoutMs = 120000)
{
    QProcess gs;
    gs.setProcessChannelMode(QProcess::MergedChannels);
    gs.start(QStringLiteral("gs"), QStringList{"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER"} + args);
    GsRun r;
    if (!gs.waitForStarted(10000))
        return r;
    r.finished = gs.waitForFinished(timeoutMs);
    if (!r.finished) {
        gs.kill();
        gs.waitForFinished(5000);
    }
    r.exitCode = gs.exitCode();
    r.output = QString::fromLocal8Bit(gs.readAll());
    return r;
}

class EpsGhostscript : public ProgramFixture {
protected:
    static void Append(int16_t symbol, uint8_t type, std::vector<Cord> cords)
    {
        ASSERT_TRUE(InitElement(CurElement, symbol, type, uint16_t(cords.size()), 0, 0));
        std::copy(cords.begin(), cords.end(), CurElement.Cords());
        ASSERT_TRUE(AppendElement());
    }
    // A map of the orienteering set: areas plain, hatched and patterned, lines, points, all
    // within a 20 x 15 raster template of 2.54 mm pixels whose corner is the origin, so that
    // the extent is two by one and a half inches.
    void MakeMap()
    {
        ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
        TZmd& z = *Index.ActiveZmd;
        z.Setup.PrintScale = z.Setup.MapScale;
        const auto rect = [](double x1, double y1, double x2, double y2) {
            return std::vector<Cord>{{int32_t(x1 * Mm), int32_t(y1 * Mm)}, {int32_t(x2 * Mm), int32_t(y1 * Mm)},
                                     {int32_t(x2 * Mm), int32_t(y2 * Mm)}, {int32_t(x1 * Mm), int32_t(y2 * Mm)}};
        };
        Append(4010, AreaObject, rect(4, -34, 24, -20));    // open land, yellow
        Append(3080, AreaObject, rect(28, -34, 46, -22));   // uncrossable marsh, hatched
        Append(2080, AreaObject, rect(6, -16, 22, -6));     // boulder field, a pattern
        Append(3010, AreaObject, {{30 * Mm, -18 * Mm}, {44 * Mm, -16 * Mm}, {40 * Mm, -6 * Mm}, {32 * Mm, -8 * Mm}});
        Append(1010, LineObject, {{5 * Mm, -4 * Mm}, {15 * Mm, -12 * Mm}, {25 * Mm, -5 * Mm}, {45 * Mm, -30 * Mm}});
        Append(1020, LineObject, {{3 * Mm, -36 * Mm}, {48 * Mm, -3 * Mm}});
        Append(5030, LineObject, {{2 * Mm, -19 * Mm}, {49 * Mm, -19 * Mm}});
        Append(1120, PointObject, {{12 * Mm, -26 * Mm}});
        Append(2060, PointObject, {{36 * Mm, -26 * Mm}});

        // Four colour blocks with a white band across.
        TestRaster r = TestRaster::Grey(20, 15, 24);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 20; ++x) {
                uint8_t* p = r.Row(y) + 3 * x;
                const bool white = y == 7;
                p[0] = white ? 255 : x < 10 ? 230 : 120;             // blue
                p[1] = white ? 255 : y < 7 ? 200 : 240;              // green
                p[2] = white ? 255 : (x + y) % 3 == 0 ? 150 : 250;   // red
            }
        const QString raster = TempPath(QStringLiteral("blocks.tpx"));
        ASSERT_TRUE(WriteTestRaster(raster, r));
        TestTemplateReader::Install();
        TestTemplateReader& place = TestTemplateReader::Get();
        place.x = 20 * 254 / 2 * 256;  // the centre, in map units
        place.y = -15 * 254 * 256 / 2;
        place.u = place.v = 254;
        AddTemplate(raster);
        CordRect e;
        ASSERT_TRUE(GetFullExtent(e));
        ASSERT_EQ(e, (CordRect{0, -15 * 254 * 256, 20 * 254 * 256, 0}));
    }
    // File > Export > EPS through its menu item and dialog, into `path`.
    void ExportEpsTo(const QString& path, int resolution)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(Cmd::FileExportEps)->isEnabled());
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<TExpEpsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            ran = true;
            dlg->findChild<QComboBox*>(QStringLiteral("ResolB"))->setEditText(QString::number(resolution));
            dlg->accept();
        });
        QFile::remove(path);
        dialogs.QueueAnswer(true, path);
        Trigger(Cmd::FileExportEps);
        EXPECT_TRUE(ran);
        ASSERT_TRUE(QFile::exists(path));
    }
};

TEST_F(EpsGhostscript, GhostscriptDrawsWhatTheRasterRoadDraws)
{
    MakeMap();
    const QString eps = Samples() + QStringLiteral("/orienteering-15000-template.eps");
    ExportEpsTo(eps, Dpi);
    EXPECT_EQ(messages.Count(), 0);

    const QString png = Samples() + QStringLiteral("/orienteering-15000-template-gs-150dpi.png");
    QFile::remove(png);
    // No anti-aliasing, CMYK turned into RGB without colour profiles, and, as the painters
    // fill, the pixels whose centres lie inside (no fill adjustment).
    const GsRun run = Gs({"-sDEVICE=png16m", "-r150", "-dEPSCrop", "-dGraphicsAlphaBits=1", "-dTextAlphaBits=1",
                          "-dUseFastColor", "-sOutputFile=" + png, "-c", "0 0 .setfilladjust2", "-f", eps});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    const QImage gs = QImage(png).convertToFormat(QImage::Format_RGB888);
    ASSERT_FALSE(gs.isNull()) << run.output.toStdString();

    CordRect extent;
    ASSERT_TRUE(GetFullExtent(extent));
    CollectingWriter writer;
    RasterSettings settings;
    settings.Dpi = Dpi;
    // As the raster exports run: in the command frame, where no window paints in between.
    RasterResult result = RasterResult::Failed;
    RunInCommandFrame([&] { result = ExportRaster(extent, settings, writer, TempPath(QStringLiteral("road.raw"))); });
    ASSERT_EQ(result, RasterResult::Written);
    const QImage& road = writer.image;
    road.save(Samples() + QStringLiteral("/orienteering-15000-template-raster-150dpi.png"));
    ASSERT_EQ(road.size(), QSize(300, 225));
    ASSERT_EQ(gs.size(), road.size());

    // The painters place a line's pixels as the Windows device contexts did (a point on a pixel
    // corner), PostScript by pixel centres: the same line may lie a pixel apart. So a pixel
    // counts as different when nothing within one pixel of it in the other picture is within 48
    // in every channel; the strict count is recorded too.
    const auto close = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 48 && std::abs(qGreen(a) - qGreen(b)) <= 48
               && std::abs(qBlue(a) - qBlue(b)) <= 48;
    };
    const auto near = [&close](const QImage& in, int x, int y, QRgb c) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (in.valid(x + dx, y + dy) && close(in.pixel(x + dx, y + dy), c))
                    return true;
        return false;
    };
    int differ = 0, strict = 0, inked = 0;
    QImage marks(road.size(), QImage::Format_RGB888);
    marks.fill(Qt::white);
    for (int y = 0; y < road.height(); ++y)
        for (int x = 0; x < road.width(); ++x) {
            const QRgb a = road.pixel(x, y), b = gs.pixel(x, y);
            inked += a != qRgb(255, 255, 255);
            strict += !close(a, b);
            if (!near(gs, x, y, a) || !near(road, x, y, b)) {
                ++differ;
                marks.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    RecordProperty("StrictlyDifferingPixels", strict);
    // Where they differ, in red.
    marks.save(Samples() + QStringLiteral("/orienteering-15000-template-gs-differences.png"));
    // The picture is not empty, and the two agree but for a few edge pixels.
    EXPECT_GT(inked, road.width() * road.height() / 2);
    EXPECT_LE(differ, road.width() * road.height() * 2 / 100) << differ << " pixels differ";
}

TEST_F(EpsGhostscript, TheBoundingBoxDeviceFindsNoErrorAndABoxInsideTheDeclaredOne)
{
    MakeMap();
    const QString eps = TempPath(QStringLiteral("map.eps"));
    ExportEpsTo(eps, 75);
    QFile f(eps);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(f.readAll());
    ASSERT_TRUE(text.contains(QStringLiteral("%%BoundingBox: 0 0 144 108\r\n")));

    const GsRun run = Gs({"-sDEVICE=bbox", eps});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(run.output.contains(QStringLiteral("Error"))) << run.output.toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("%%HiResBoundingBox: ([-0-9.]+) ([-0-9.]+) ([-0-9.]+) ([-0-9.]+)")).match(run.output);
    ASSERT_TRUE(m.hasMatch()) << run.output.toStdString();
    // Up to gs's own rounding of the clip.
    EXPECT_GE(m.captured(1).toDouble(), -0.05);
    EXPECT_GE(m.captured(2).toDouble(), -0.05);
    EXPECT_LE(m.captured(3).toDouble(), 144.05);
    EXPECT_LE(m.captured(4).toDouble(), 108.05);
    // The template covers it all.
    EXPECT_GT(m.captured(3).toDouble(), 140);
    EXPECT_GT(m.captured(4).toDouble(), 104);

    // Every fill fails: each is tried with coarser flatness until that no longer grows, then
    // dropped, and the document still ends.
    const QString failing = TempPath(QStringLiteral("failing-eofill.ps"));
    QFile pre(failing);
    ASSERT_TRUE(pre.open(QIODevice::WriteOnly));
    pre.write("/eofill { /eofill errordict /limitcheck get exec } def\n");
    pre.close();
    const GsRun stuck = Gs({"-sDEVICE=bbox", failing, eps}, 60000);
    EXPECT_TRUE(stuck.finished) << "gs did not end";
    EXPECT_EQ(stuck.exitCode, 0) << stuck.output.toStdString();
}

} // namespace
} // namespace zemo::test
