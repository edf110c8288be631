// The EPS writer: the document's head, scale and box at map and export scales, colour lines
// only for colours with objects, files per separation with their screens and grey levels,
// raster templates as runs, Esc, and the names of separation files.
#include "IoFixture.h"
#include "io/Export.h"
#include "document/ServiceHooks.h"
#include "io/Ports.h"
#include "render/TemplateDraw.h"

#include <QRegularExpression>

namespace zemo::test {
namespace {

// What the writer sends: to a file as it is, to a printer in frames of a 16-bit length (low
// byte first) and the bytes, which are checked and taken off.
class TextSink final : public OutputSink {
public:
    explicit TextSink(bool framed) : framed_(framed) {}
    void Write(QByteArrayView bytes) override
    {
        if (framed_) {
            ASSERT_GE(bytes.size(), 2);
            EXPECT_EQ(uint8_t(bytes[0]) | uint8_t(bytes[1]) << 8, bytes.size() - 2);
            bytes = bytes.sliced(2);
        }
        text += bytes.toByteArray();
    }
    QByteArray text;

private:
    bool framed_;
};

QStringList LinesOf(const QByteArray& bytes)
{
    QStringList l = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    if (!l.isEmpty() && l.back().isEmpty())
        l.pop_back();
    return l;
}

QStringList Matching(const QStringList& lines, const QString& pattern)
{
    return lines.filter(QRegularExpression(pattern));
}

class EpsExport : public IoTest {
protected:
    // Colour 1 (red) and colour 0 (black, last in the table); a black line symbol 10 and a red
    // one 20; a black line from (10, 10) to (90, 40) mm only.
    TZmd* OpenLineMap(std::vector<TestSeparation> separations = {},
                      std::array<uint8_t, 32> blackPercent = {})
    {
        TestMapWriter w(8);
        TestColor red = TestColor::Cmyk(1, "Red", 0, 200, 200, 0);
        TestColor black = TestColor::Cmyk(0, "Black", 0, 0, 0, 200);
        if (!separations.empty())
            black.separationPercent = blackPercent;
        w.colors = {red, black};
        w.separations = std::move(separations);
        w.symbols = {TestSymbol::Line(10, 0, 50), TestSymbol::Line(20, 1, 50)};
        w.objects.push_back(TestObject::Line(10, {{10 * Mm, 10 * Mm}, {90 * Mm, 40 * Mm}}));
        TZmd* z = Open(w);
        z->Setup.MapScale = 10000;
        z->Setup.PrintScale = 10000;
        // 100 x 50 mm from the origin.
        z->Setup.PrintRange = {0, 0, 100 * Mm, 50 * Mm};
        return z;
    }
    // File > Export EPS with the dialog answering these options.
    void Export(std::function<void(EpsOptions&)> choose)
    {
        IoPorts().RunEpsDialog.Bind([choose](EpsOptions& o) {
            choose(o);
            return true;
        });
        ExportEps();
    }
};

TEST_F(EpsExport, BoxAndScaleFollowTheExportScale)
{
    const struct {
        double exportScale;
        const char* box;
        const char* hiRes;
        const char* scale;
    } rows[] = {
        {10000, "%%BoundingBox: 0 0 283 142", "%%HiResBoundingBox: 0 0 283.4646 141.7323", "10000 10000 div 72 mul 2540 div dup scale"},
        {20000, "%%BoundingBox: 0 0 142 71", "%%HiResBoundingBox: 0 0 141.7323 70.8661", "5000 10000 div 72 mul 2540 div dup scale"},
    };
    OpenLineMap();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.exportScale);
        dialogs.QueueAnswer(true);
        Export([&](EpsOptions& o) {
            o.Partial = true;
            o.ExportScale = row.exportScale;
        });
        const QStringList lines = LinesOf(Read(InMaps(QStringLiteral("map.eps"))));
        ASSERT_GT(lines.size(), 40);
        EXPECT_EQ(lines[0], "%!PS-Adobe-3.0 EPSF-2.0");
        EXPECT_TRUE(lines[1].startsWith("%%Creator: ZEMO "));
        EXPECT_EQ(lines[2], "%%Title: map.eps");
        EXPECT_EQ(lines[3], row.box);
        EXPECT_EQ(lines[4], row.hiRes);
        EXPECT_EQ(lines[5], "%%DocumentProcessColors: Cyan Magenta Yellow Black");
        EXPECT_EQ(lines[6], "%%EndComments");
        const QStringList prolog = EpsPrologLines();
        EXPECT_EQ(lines.mid(7, prolog.size()), prolog);
        const int at = 7 + int(prolog.size());
        EXPECT_EQ(lines[at], row.scale);
        // The clip: the rectangle in 0.01 mm from the lower-left corner.
        EXPECT_EQ(lines.mid(at + 1, 5), (QStringList{"0 0 m", "10000 0 lineto", "10000 5000 lineto",
                                                     "0 5000 lineto eoclip n", "0 w 0 J 1 j"}));
        EXPECT_EQ(lines.mid(lines.size() - 3), (QStringList{"showpage", "%%Trailer", "%%EOF"}));
        // The black line's colour, once; red has no objects and writes nothing.
        EXPECT_EQ(Matching(lines, " cmyk$"), QStringList{"0 0 0 200 cmyk"});
        EXPECT_EQ(Matching(lines, "^[01] O$"), QStringList{"0 O"});
        EXPECT_EQ(Stp()->PrintScale, row.exportScale);
    }
    // The resolution went into the map's EPS settings.
    EXPECT_EQ(FilesInMaps(), (QStringList{"map.eps", "map.zmd"}));
}

TEST_F(EpsExport, ASeparationPerFileWithItsScreenAndGreyLevels)
{
    TestSeparation a;
    a.name = "Spot/One";
    a.screen = 0;       // the default frequency, 150 lines
    a.screen2 = 450;
    TestSeparation b;
    b.name = "Two";
    b.screen = 1200;
    b.screen2 = 150;
    std::array<uint8_t, 32> percent{};
    percent.fill(255);
    percent[0] = 100;   // half the ink of the first
    percent[1] = 201;   // not in the second
    OpenLineMap({a, b}, percent);
    dialogs.QueueAnswer(true);
    dialogs.QueueAnswer(true);
    Export([](EpsOptions& o) {
        o.Partial = true;
        o.Separations = true;
        o.Selected = {true, true};
    });
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    // Named after the separations, a "/" in a name kept from leaving the folder.
    EXPECT_EQ(FilesInMaps(), (QStringList{"Spot_One.eps", "Two.eps", "map.zmd"}));
    const QStringList one = LinesOf(Read(InMaps(QStringLiteral("Spot_One.eps"))));
    const QStringList two = LinesOf(Read(InMaps(QStringLiteral("Two.eps"))));
    for (const QStringList* l : {&one, &two}) {
        EXPECT_TRUE(l->contains("%%DocumentProcessColors: Black"));
        EXPECT_TRUE(Matching(*l, " cmyk$").isEmpty());
    }
    EXPECT_EQ(Matching(one, "setscreen$"),
              QStringList{"currentscreen 3 1 roll pop 450 10 div 3 1 roll pop 1500 10 div 3 1 roll setscreen"});
    EXPECT_EQ(Matching(two, "setscreen$"),
              QStringList{"currentscreen 3 1 roll pop 150 10 div 3 1 roll pop 1200 10 div 3 1 roll setscreen"});
    EXPECT_EQ(Matching(one, " gray$"), QStringList{"100 gray"});
    // 201: the colour is absent, and so are its objects.
    EXPECT_TRUE(Matching(two, " gray$").isEmpty());
    EXPECT_LT(two.size(), one.size());
}

TEST_F(EpsExport, EscStopsWithPrintUserAbortAndNoFile)
{
    OpenLineMap();
    const QString target = InMaps(QStringLiteral("map.eps"));
    WriteFile(target, "older");
    escAt = 1;
    dialogs.QueueAnswer(true);
    Export([](EpsOptions& o) { o.Partial = true; });
    EXPECT_EQ(messages.CountOf(TextKey::PrintUserAbort), 1);
    EXPECT_EQ(messages.Last().helpContext, PrintUserAbortHelpContext);
    EXPECT_EQ(Read(target), "older");
    EXPECT_EQ(FilesInMaps(), (QStringList{"map.eps", "map.zmd"}));
    EXPECT_FALSE(ProgressRunning());
}

TEST_F(EpsExport, CancelInTheDialogOrTheSaveDialogWritesNothing)
{
    OpenLineMap();
    IoPorts().RunEpsDialog.Bind([](EpsOptions&) { return false; });
    ExportEps();
    EXPECT_TRUE(dialogs.Requests().empty());
    Export([](EpsOptions&) {});
    EXPECT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(FilesInMaps(), QStringList{"map.zmd"});
}

// Raster templates come as runs of one colour: a red row is one run, a white row none in a
// file and one when sent to a printer.
TEST_F(EpsExport, TemplateRowsBecomeRunsOfOneColour)
{
    TestRaster r = TestRaster::Grey(8, 3, 24);
    for (int x = 0; x < 8; ++x) {
        uint8_t* top = r.Row(0) + 3 * x;
        top[0] = 0, top[1] = 0, top[2] = 255;  // red
        uint8_t* white = r.Row(1) + 3 * x;
        white[0] = white[1] = white[2] = 255;
        uint8_t* split = r.Row(2) + 3 * x;      // black, then white from x 5
        split[0] = split[1] = split[2] = x < 5 ? 0 : 255;
    }
    const QString raster = InMaps(QStringLiteral("runs.tpx"));
    ASSERT_TRUE(WriteTestRaster(raster, r));
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(10, 0, 50)};
    w.strings.push_back(TestPString::Make(8, 0, Placed(raster, 8, 3)));
    TZmd* z = Open(w);
    z->Setup.MapScale = z->Setup.PrintScale = 10000;
    for (bool pass : {false, true}) {
        SCOPED_TRACE(pass ? "printer" : "file");
        // 254 dpi: a template pixel is a raster pixel.
        Eps.Resolution = 254;
        ASSERT_TRUE(GetFullExtent(Scale.DrawRect));
        Graph.ClipRect = Scale.DrawRect;
        if (pass) {
            // A 254 dpi printer's page, rows downward from the top-left corner.
            Scale.ViewOrigin = {Scale.DrawRect.x1, Scale.DrawRect.y2};
            Scale.ViewScaleX = 1.0 / 2560;
            Scale.ViewScaleY = -1.0 / 2560;
        } else {
            Scale.ViewOrigin = {Scale.DrawRect.x1, Scale.DrawRect.y1};
            Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256;
        }
        Graph.OutputMode = PostScriptOutput;
        Graph.OutputColorMode = CompositeColors;
        Graph.PsPassThrough = pass;
        PrintSys.LOGPIXELSX = 254;
        TextSink sink(pass);
        Graph.OutputFile = pass ? nullptr : &sink;
        Graph.PsPassThroughTarget = pass ? &sink : nullptr;
        ASSERT_TRUE(WriteEps(QStringLiteral("t"), false));
        const QStringList runs = Matching(LinesOf(sink.text), " r$");
        if (!pass) {
            EXPECT_EQ(runs, (QStringList{"0 0 8 0 200 200 0 r", "0 2 5 0 0 0 200 r"}));
        } else {
            EXPECT_EQ(runs, (QStringList{"0 0 8 0 200 200 0 r", "0 1 8 0 0 0 0 r", "0 2 5 0 0 0 200 r",
                                         "5 2 3 0 0 0 0 r"}));
        }
    }
}

// A band as wide as the render band: each row's runs end at its last pixel, and the band is
// read, never written (no end marker after a row).
TEST_F(EpsExport, RunsOfAFullWidthBandEndAtTheRowAndLeaveTheBandAsItWas)
{
    RenderBand(0, true);
    const int w = TemplateDraw.BandWidth, h = TemplateDraw.BandHeight;
    ASSERT_GT(w, 8);
    // Image line y: black up to x = y, then white to the end; the last line all cyan.
    for (int y = 0; y < h; ++y) {
        uint8_t* p = BandRow(0, h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const bool cyan = y == h - 1, black = x <= y;
            p[3 * x] = cyan ? 255 : black ? 0 : 255;       // blue
            p[3 * x + 1] = cyan ? 255 : black ? 0 : 255;   // green
            p[3 * x + 2] = cyan ? 0 : black ? 0 : 255;     // red
        }
    }
    const QImage before = BandImage(0).copy();
    Graph.OutputMode = PostScriptOutput;
    Graph.OutputColorMode = CompositeColors;
    TextSink sink(false);
    Graph.OutputFile = &sink;
    EpsBlt(QRect(100, 200, w, h));
    EXPECT_TRUE(BandImage(0) == before);
    const QStringList runs = Matching(LinesOf(sink.text), " r$");
    ASSERT_EQ(runs.size(), h);
    EXPECT_EQ(runs[0], "100 200 1 0 0 0 200 r");
    EXPECT_EQ(runs[1], "100 201 2 0 0 0 200 r");
    // The band's full width, to its last pixel and no further.
    EXPECT_EQ(runs.back(), QStringLiteral("100 %1 %2 200 0 0 0 r").arg(200 + h - 1).arg(w));
}

TEST_F(EpsExport, TitleAndFileNamePartsAreMadeSafe)
{
    const struct {
        QString in, fileName, comment;
    } rows[] = {
        {"plain", "plain", "plain"},
        {"a/b\\c", "a_b_c", "a/b\\c"},
        {QStringLiteral("x\ny\tz"), "x_y_z", "x y z"},
        {"..", "__", ".."},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SafeFileNamePart(row.in), row.fileName);
        EXPECT_EQ(SafeCommentText(row.in), row.comment);
    }
}

} // namespace
} // namespace zemo::test
