// The text modes of the output layer: PostScript, Illustrator and SVG lines, the pass-through
// frames of a PostScript printer, and an SVG file checked against the raster picture.
#include "Fixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>

using namespace zemo;
using namespace zemo::rtest;

namespace {

class MemorySink final : public OutputSink {
public:
    void Write(QByteArrayView bytes) override { data.append(bytes.data(), bytes.size()); }
    QByteArray data;
};

// The lines written, CR LF checked and removed.
std::vector<std::string> Lines(const QByteArray& data)
{
    std::vector<std::string> out;
    qsizetype at = 0;
    while (at < data.size()) {
        const qsizetype end = data.indexOf("\r\n", at);
        EXPECT_GE(end, 0) << "unterminated line";
        if (end < 0)
            break;
        out.emplace_back(data.constData() + at, size_t(end - at));
        at = end + 2;
    }
    return out;
}

class GraphSysText : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        ResetScaleState();
        Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256;
        Graph.OutputFile = &sink;
    }
    void Begin(int mode)
    {
        Graph.OutputMode = mode;
        SetOutputAdjust(100, 100, false);
        BeginDrawing(false);
    }
    std::vector<std::string> Take()
    {
        auto l = Lines(sink.data);
        sink.data.clear();
        return l;
    }
    MemorySink sink;
};

using Strings = std::vector<std::string>;

// Each row draws into the drawing its mode's rows share, in order, and reads back the lines.
TEST_F(GraphSysText, GoldenLinesOfPostScriptIllustratorAndSvg)
{
    constexpr int32_t Inch = 650240;  // 72 points
    const int32_t t = Inch / 10;
    struct Row {
        int mode;
        std::function<void()> draw;
        Strings want;
    };
    const Row rows[] = {
        {PostScriptOutput, [] { Path({Cord{0, 0}, Cord{25600, 0}}); GraphStroke(35, 1); },
         {"35 w 1 j 1 J", "n 0 0 m", "100 0 l", "S"}},
        // Curves are relative to the segment's start; the width correction applies.
        {PostScriptOutput, [] {
             SetOutputAdjust(110, 100, false);
             Path({Cord{0, 0}, Cord{2560 | FirstBezierFlag, 5120}, Cord{7680 | SecondBezierFlag, 5120}, Cord{10240, 0},
                   Cord{12800, 2560}});
             GraphStroke(35, 4);
             SetOutputAdjust(100, 100, false);
         }, {"45 w 0 j 0 J", "n 0 0 m", "10 20 30 20 40 0 c", "10 10 l", "S"}},
        {PostScriptOutput, [] { Path({Cord{0, 0}, Cord{2560, 0}, Cord{2560, 2560}}); EXPECT_TRUE(GraphFill(true)); },
         {"n 0 0 m", "10 0 l", "0 10 l", "f"}},
        // Holes are refused (the caller splits them).
        {PostScriptOutput, [] {
             Path({Cord{0, 0}, Cord{2560, 0}, Cord{2560, 2560}, Cord{256, 256 | HoleFlag}, Cord{512, 256}, Cord{512, 512}});
             EXPECT_FALSE(GraphFill(true));
         }, {}},
        {PostScriptOutput, [] { GraphDot(2560, 5120, 50); }, {"10 20 25 d"}},
        {PostScriptOutput, [] { GraphCircle(2560, 5120, 10, 100); }, {"10 w 2 j 0 J", "10 20 45 ci"}},
        {PostScriptOutput, [] {
             Path({Cord{0, 0}, Cord{2560, 0}, Cord{2560, 2560}});
             EXPECT_EQ(GraphClip(), 1);
             GraphResetClip();
         }, {"n 0 0 m", "10 0 l", "0 10 l", "cl", "re"}},
        // Illustrator writes pen lines only when they change.
        {IllustratorOutput, [] {
             Path({Cord{0, 0}, Cord{Inch, 0}});
             GraphStroke(100, 1);
             Path({Cord{0, 0}, Cord{0, Inch}});
             GraphStroke(100, 1);
         }, {"2.83 w", "1 j 1 J", "0.00 0.00 m", "72.00 0.00 L", "S", "0.00 0.00 m", "0.00 72.00 L", "S"}},
        {IllustratorOutput, [t] {
             Path({Cord{0, 0}, Cord{Inch, 0}, Cord{Inch, Inch}, Cord{t, t | HoleFlag}, Cord{2 * t, t}, Cord{2 * t, 2 * t}});
             EXPECT_TRUE(GraphFill(false));
         }, {"*u", "1 XR", "0.00 0.00 m", "72.00 0.00 L", "72.00 72.00 L", "0.00 0.00 L", "f", "7.20 7.20 m",
             "14.40 7.20 L", "14.40 14.40 L", "7.20 7.20 L", "f", "*U"}},
        // A curve ending in a corner.
        {IllustratorOutput, [t] {
             Path({Cord{0, 0}, Cord{t | FirstBezierFlag, 0}, Cord{2 * t | SecondBezierFlag, 0}, Cord{3 * t, 0 | CornerFlag},
                   Cord{3 * t, t}, Cord{4 * t | FirstBezierFlag, t}, Cord{5 * t | SecondBezierFlag, t}, Cord{6 * t, t},
                   Cord{7 * t, t}});
             GraphStroke(100, 1);
         }, {"0.00 0.00 m", "7.20 0.00 14.40 0.00 21.60 0.00 C", "21.60 7.20 L", "28.80 7.20 36.00 7.20 43.20 7.20 c",
             "50.40 7.20 L", "S"}},
        {IllustratorOutput, [t] {
             Path({Cord{0, 0}, Cord{t, 0}, Cord{t, t}});
             GraphClip();
             GraphResetClip();
         }, {"q", "0.00 0.00 m", "7.20 0.00 L", "7.20 7.20 L", "0.00 0.00 L", "h", "W", "n", "u", "U", "Q"}},
        // Fills are refused only beyond 32768 points.
        {IllustratorOutput, [] {
             EnsureWorkPoints2(32769);
             Graph.WorkPoints2Count = 32769;
             EXPECT_FALSE(GraphFill(false));
         }, {}},
        // SVG fills are odd-even; a hole closes its ring back to its start; lines after a curve
        // need their "L".
        {SvgOutput, [] { Path({Cord{0, 0}, Cord{2560, 0}, Cord{2560, 2560}, Cord{0, 2560}}); EXPECT_TRUE(GraphFill(false)); },
         {"<g fill=\"rgb(0,255,255)\" fill-rule=\"evenodd\" >", "<path ", "d=\"M0.00,100.00", "10.00,100.00 ",
          "10.00,90.00 ", "0.00,90.00 ", "\" />", "</g>"}},
        {SvgOutput, [] {
             Path({Cord{0, 0}, Cord{256 | FirstBezierFlag, 0}, Cord{512 | SecondBezierFlag, 0}, Cord{768, 0}, Cord{768, 768},
                   Cord{256, 256 | HoleFlag}, Cord{512, 256}, Cord{512, 512}});
             GraphFill(false);
         }, {"<g fill=\"rgb(0,255,255)\" fill-rule=\"evenodd\" >", "<path ", "d=\"M0.00,100.00",
             "C1.00,100.00 2.00,100.00 3.00,100.00", "L3.00,97.00 ", "L0.00,100.00", "M1.00,99.00", "2.00,99.00 ",
             "2.00,98.00 ", "\" />", "</g>"}},
        {SvgOutput, [] {
             Path({Cord{0, 0}, Cord{2560, 0}});
             GraphStroke(35, 1);
             GraphStroke(35, 0);
             GraphStroke(35, 4);
         }, {"<g stroke-width=\"35.00\"", "style=\"&stR;\"", ">", "<path ", "d=\"", "M0.00,100.00", "L10.00,100.00", "\" />",
             "</g>", "<g stroke-width=\"35.00\"", "style=\"&stB;\"", ">", "<path ", "d=\"", "M0.00,100.00",
             "L10.00,100.00", "\" />", "</g>", "<g stroke-width=\"35.00\"", ">", "<path ", "d=\"", "M0.00,100.00",
             "L10.00,100.00", "\" />", "</g>"}},
        {SvgOutput, [] { GraphDot(2560, 2560, 100); },
         {"<circle cx=\"10.00\" cy=\"90.00\" r=\"50.00\" fill=\"rgb(0,255,255)\" />"}},
        // A clip is a clip path whose group the reset closes; a reset with nothing open writes
        // nothing.
        {SvgOutput, [] { Path({Cord{0, 0}, Cord{2560, 0}, Cord{2560, 2560}}); EXPECT_EQ(GraphClip(), 1); },
         {"<clipPath id=\"clip1\" >", "<path ", "d=\"M0.00,100.00", "10.00,100.00 ", "10.00,90.00 ", "\" />",
          "</clipPath>", "<g clip-path=\"url(#clip1)\" >"}},
        {SvgOutput, [] { GraphResetClip(); }, {"</g>"}},
        {SvgOutput, [] { GraphResetClip(); }, {}},
    };
    int mode = -1;
    for (const Row& r : rows) {
        if (r.mode != mode) {
            if (mode >= 0)
                EndDrawing();
            mode = r.mode;
            Graph.SvgFillCmyk = 200u;  // cyan
            Scale.ViewScaleX = Scale.ViewScaleY = mode == SvgOutput ? 100.0 / 256 : 1.0 / 256;
            Scale.DrawRect = CordRect{0, 0, 25600, 25600};
            Begin(mode);
            Take();
        }
        r.draw();
        EXPECT_EQ(Take(), r.want) << "row " << &r - rows;
    }
    // A clip left open is closed at the end.
    GraphClip();
    Take();
    EndDrawing();
    EXPECT_EQ(Take(), (Strings{"</g>"}));
    // Pattern coordinates run from the origin downward.
    Graph.SvgPatternCoords = true;
    EXPECT_EQ(FormatSvgPoint(Cord{2560, 2560}), "10.00,10.00");
    Graph.SvgPatternCoords = false;
}

TEST(GraphSysTextFormat, EscapePsTextPutsEveryCharacterIntoOneByte)
{
    EXPECT_EQ(EscapePsText("a(b)"), "a_b_");
    EXPECT_EQ(EscapePsText("x\\y"), "x_y");
    EXPECT_EQ(EscapePsText(QString(QChar(200))), "\\310");
    EXPECT_EQ(EscapePsText(QString(QChar(9))), "\\011");
    EXPECT_EQ(EscapePsText(QString(QChar(127))), "\\177");
    // Above 255: through the code page, or "?" where it has no byte.
    EXPECT_EQ(EscapePsText(QString(QChar(0x20AC))), "\\200");
    EXPECT_EQ(EscapePsText(QString(QChar(0x03A9))), "?");
    EXPECT_EQ(EscapePsText(QString(QChar(0x03A9)), 1253), "\\331");
    EXPECT_EQ(EscapePsText(QString::fromUtf16(u"\U0001F600")), "?");
}

TEST_F(GraphSysText, PassThroughFramesEachLineWithItsLength)
{
    MemorySink printer;
    Graph.PsPassThrough = true;
    Graph.PsPassThroughTarget = &printer;
    Graph.OutputMode = PostScriptOutput;
    WriteOutputLine("0123456789");
    ASSERT_EQ(printer.data.size(), 14);
    EXPECT_EQ(printer.data, QByteArray("\x0c\x00" "0123456789\r\n", 14));
    EXPECT_TRUE(sink.data.isEmpty());
    // A line longer than one frame holds goes out in several, each with its own length.
    printer.data.clear();
    WriteOutputLine(QByteArray(70000, 'x'));
    ASSERT_EQ(printer.data.size(), 70002 + 4);
    EXPECT_EQ(uint8_t(printer.data[0]), 0xFF);
    EXPECT_EQ(uint8_t(printer.data[1]), 0xFF);
    EXPECT_EQ(uint8_t(printer.data[65537]), (70002 - 65535) & 0xFF);
    EXPECT_EQ(uint8_t(printer.data[65538]), (70002 - 65535) >> 8);
    EXPECT_TRUE(printer.data.endsWith("x\r\n"));
    // Other modes ignore pass-through and write to the file.
    Graph.OutputMode = SvgOutput;
    WriteOutputLine("abc");
    EXPECT_EQ(sink.data, QByteArray("abc\r\n"));
}

// ---- The same drawing as an SVG file and on a raster image ----

constexpr int Side = 200;

void TestDrawing()
{
    const auto fillPass = [] {
        Graph.SvgFillCmyk = Graph.OutputCmyk = 0x0000C800u; // magenta
        Path({At(10, 10, Side), At(120, 10, Side), At(120, 90, Side), At(10, 90, Side)});
        GraphFill(false);
        const Cord ring[] = {At(20, 110, Side), At(190, 110, Side), At(190, 190, Side),
                             At(20, 190, Side),
                             Cord{At(50, 130, Side).x, At(50, 130, Side).y | HoleFlag},
                             At(150, 130, Side), At(150, 170, Side), At(50, 170, Side)};
        GraphFillArea(ring, 8, false);
        Graph.SvgFillCmyk = Graph.OutputCmyk = 0x00C80000u; // yellow
        CirclePath(At(160, 50, Side).x, At(160, 50, Side).y, 50);
        GraphFill(false);
        // A fill confined by a clip.
        Path({At(130, 20, Side), At(150, 20, Side), At(150, 40, Side), At(130, 40, Side)});
        GraphClip();
        Path({At(100, 0, Side), At(200, 0, Side), At(200, 100, Side)});
        GraphFill(false);
        GraphResetClip();
        Graph.SvgFillCmyk = Graph.OutputCmyk = 200u << 24;
        GraphDot(At(100, 100, Side).x, At(100, 100, Side).y, 12);
    };
    const auto strokePass = [] {
        Graph.OutputCmyk = 200u << 24;
        Path({At(5, 100, Side), At(60, 60, Side), At(95, 100, Side)});
        GraphStroke(6, 1);
        Path({At(30, 30, Side), At(90, 30, Side), At(90, 70, Side)});
        GraphStroke(8, 0);
        GraphCircle(At(60, 150, Side).x, At(60, 150, Side).y, 4, 30);
    };
    if (Graph.OutputMode == SvgOutput) {
        WriteOutputLine("<g stroke=\"none\">");
        fillPass();
        WriteOutputLine("</g>");
        WriteOutputLine("<g stroke=\"rgb(0,0,0)\" fill=\"none\" stroke-miterlimit=\"10\">");
        strokePass();
        WriteOutputLine("</g>");
    } else {
        fillPass();
        strokePass();
    }
}

TEST(GraphSysSvgFile, RendersWithRsvgLikeTheRasterPicture)
{
    const QString rsvg = QStandardPaths::findExecutable("rsvg-convert");
    ASSERT_FALSE(rsvg.isEmpty()) << "needs rsvg-convert (Debian package librsvg2-bin)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // Raster picture.
    ResetLayer();
    PixelTransform(Side, Side);
    const QImage raster = DrawImage(Side, Side, TestDrawing);

    // SVG file in user units of one pixel: the exporter's transform.
    ResetLayer();
    PixelTransform(Side, Side);
    Scale.ViewOrigin = Cord{0, 0};
    Scale.ViewScaleX = Scale.ViewScaleY = 100.0 / 256;
    const QString svgName = dir.filePath("drawing.svg");
    {
        TFileClass file;
        file.Rewrite(svgName);
        FileOutputSink out(file);
        Graph.OutputFile = &out;
        Graph.OutputMode = SvgOutput;
        WriteOutputLine("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>");
        WriteOutputLine("<!DOCTYPE svg [");
        WriteOutputLine("<!ENTITY stR \"stroke-linejoin:round;stroke-linecap:round\">");
        WriteOutputLine("<!ENTITY stB \"stroke-linejoin:bevel;stroke-linecap:butt\">");
        WriteOutputLine("]>");
        WriteOutputLine("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200\" height=\"200\" "
                        "viewBox=\"0 0 200 200\">");
        BeginDrawing(false);
        TestDrawing();
        EndDrawing();
        WriteOutputLine("</svg>");
        file.Close();
        Graph.OutputFile = nullptr;
    }

    const QString pngName = dir.filePath("drawing.png");
    QProcess proc;
    proc.start(rsvg, {"-b", "white", "-o", pngName, svgName});
    ASSERT_TRUE(proc.waitForFinished(30000));
    ASSERT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().toStdString();
    QImage vector(pngName);
    ASSERT_EQ(vector.size(), raster.size());
    vector = vector.convertToFormat(QImage::Format_RGB32);

    int differ = 0, painted = 0;
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) {
            const QRgb a = raster.pixel(x, y), b = vector.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
            differ += d > 128;
            painted += a != qRgb(255, 255, 255);
        }
    EXPECT_GT(painted, Side * Side / 4);
    EXPECT_LE(differ, Side * Side * 2 / 100) << differ << " pixels differ";
    // The hole is open and the clip holds in the vector picture too.
    EXPECT_EQ(vector.pixel(100, 150), qRgb(255, 255, 255));
    EXPECT_EQ(vector.pixel(190, 80), qRgb(255, 255, 255));
    EXPECT_NE(vector.pixel(140, 180), qRgb(255, 255, 255));
}

} // namespace
