// The Illustrator export: a layer per colour and symbol, balanced and named; hatch and point
// patterns; process and spot colours, a colour in two separations a layer each, darker first;
// the box in points at the map scale; separation names that would break the strings; and the
// file run by Ghostscript after a procset of our own that defines the operators it uses.
#include "IoFixture.h"
#include "io/Export.h"
#include "io/Ports.h"

#include <QProcess>
#include <QRegularExpression>

namespace zemo::test {
namespace {

QStringList LinesOf(const QByteArray& bytes)
{
    QStringList l = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    if (!l.isEmpty() && l.back().isEmpty())
        l.pop_back();
    return l;
}

class AiExport : public IoTest {
protected:
    // Colour 0 black (in both separations when there are two: "A)B\" at 100 % and a light one
    // at 50 %), colour 1 blue. Line symbols 10 and 20 in black; area 30 blue-filled with a
    // black hatch; area 40 with a pattern of black dots. One object each; area 40 spans the
    // map, whose extent is 100 mm wide and 30 mm high, the others lie inside it.
    TZmd* OpenMap(bool separations)
    {
        TestMapWriter w(8);
        TestColor black = TestColor::Cmyk(0, "Black", 0, 0, 0, 200);
        TestColor blue = TestColor::Cmyk(1, "Blue", 200, 0, 0, 0);
        if (separations) {
            TestSeparation dark;
            dark.name = "A)B\\";
            dark.cmyk = {0, 0, 0, 200};
            TestSeparation light;
            light.name = "Light";
            light.cmyk = {100, 0, 0, 0};
            w.separations = {light, dark};
            black.separationPercent[0] = 100;  // half of the light ink
            black.separationPercent[1] = 200;  // all of the dark one
        }
        w.colors = {black, blue};
        TestSymbol hatched = TestSymbol::Area(30, 1);
        hatched.SetI16(354, 1);    // hatch mode: single
        hatched.SetI16(356, 0);    // hatch colour
        hatched.SetI16(358, 20);   // line width 0.2 mm
        hatched.SetI16(360, 80);   // distance 0.8 mm
        hatched.AddColor(0);
        w.symbols = {TestSymbol::Line(10, 0, 50), TestSymbol::Line(20, 0, 30), hatched,
                     TestSymbol::Area(40, 1, {TestElement::Dot(0, 40)})};
        w.objects = {TestObject::Line(10, {{10 * Mm, 2 * Mm}, {90 * Mm, 2 * Mm}}),
                     TestObject::Line(20, {{10 * Mm, 28 * Mm}, {50 * Mm, 20 * Mm}}),
                     TestObject::Area(30, {{10 * Mm, 5 * Mm}, {30 * Mm, 5 * Mm}, {30 * Mm, 20 * Mm}}),
                     TestObject::Area(40, {{Mm / 2, Mm / 2}, {99 * Mm + Mm / 2, Mm / 2},
                                           {99 * Mm + Mm / 2, 29 * Mm + Mm / 2}, {Mm / 2, 29 * Mm + Mm / 2}})};
        // The whole map's extent has half a millimetre more on each side.
        w.objects.back().bounds = TestRect{Mm / 2, Mm / 2, 99 * Mm + Mm / 2, 29 * Mm + Mm / 2};
        TZmd* z = Open(w);
        z->Setup.MapScale = 10000;
        return z;
    }
    QStringList Export(bool spot)
    {
        IoPorts().RunAiDialog.Bind([spot](AiOptions& o) {
            EXPECT_EQ(o.SpotAllowed, Index.ActiveZmd->ColorBlock.SeparationCount > 0);
            o.SpotColors = spot;
            return true;
        });
        dialogs.QueueAnswer(true);
        ExportAi();
        return LinesOf(Read(InMaps(QStringLiteral("map.ai"))));
    }
    // The layer names in order.
    static QStringList Layers(const QStringList& lines)
    {
        QStringList names;
        for (const QString& l : lines)
            if (l.endsWith(QStringLiteral(") Ln")))
                names << l.mid(1, l.size() - 5);
        return names;
    }
};

TEST_F(AiExport, ALayerPerColourAndSymbolBalancedWithPatternsAndTheBoxAtMapScale)
{
    for (double printScale : {10000.0, 25000.0}) {
        SCOPED_TRACE(printScale);
        TZmd* z = OpenMap(false);
        z->Setup.PrintScale = printScale;
        const QStringList lines = Export(false);
        ASSERT_GT(lines.size(), 30);
        EXPECT_EQ(lines[0], "%!PS-Adobe-3.0 EPSF-2.0");
        EXPECT_EQ(lines[2], "%%Title: map.ai");
        // 100 x 30 mm whatever the print scale.
        EXPECT_EQ(lines[3].toStdString(), "%%BoundingBox: 0 0 283 85");
        EXPECT_EQ(lines[4], "%%TemplateBox: 0 0 283 85");
        EXPECT_FALSE(lines.filter(QStringLiteral("%%DocumentCustomColors")).size());
        EXPECT_EQ(lines.count(QStringLiteral("%AI5_BeginLayer")), lines.count(QStringLiteral("%AI5_EndLayer--")));
        EXPECT_EQ(lines.count(QStringLiteral("1 1 1 1 0 0 0 0 0 0 Lb")), lines.count(QStringLiteral("LB")));
        // Black: the two line symbols and the hatch and dots of the areas; blue: the areas' fills.
        // Colours from the last, symbols in list order.
        EXPECT_EQ(Layers(lines), (QStringList{"3.0 Area 30 1", "4.0 Area 40 1", "1.0 Line 10 0", "2.0 Line 20 0",
                                              "3.0 Area 30 0", "4.0 Area 40 0"}));
        EXPECT_TRUE(lines.contains("0.000 0.000 0.000 1.000 k 0 O"));
        EXPECT_TRUE(lines.contains("0.000 0.000 0.000 1.000 K 0 R"));
        EXPECT_TRUE(lines.contains("1.000 0.000 0.000 0.000 k 0 O"));
        // The patterns: the hatch of 30 in black, the dots of 40 in black, each defined once.
        EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^%%BeginPattern: "))),
                  (QStringList{"%%BeginPattern: (3.0 Hatch 0)", "%%BeginPattern: (4.0 Pattern 0)"}));
        EXPECT_EQ(lines.count(QStringLiteral("%%EndPattern")), 2);
        // A hatch tile 12.7 mm wide and as many 1 mm periods as reach 7.5 mm: 8.
        EXPECT_TRUE(lines.contains(QStringLiteral("(3.0 Hatch 0) 0 0 36.00 22.68 [")));
        EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^-0.1 [0-9.]+ m$"))).size(), 8);
        EXPECT_EQ(lines.back(), "%%Trailer");
        ResetOpenUnit();
        ResetIndexState();
    }
}

TEST_F(AiExport, SpotColoursGiveALayerPerSeparationDarkerFirstWithEscapedNames)
{
    OpenMap(true);
    const QStringList lines = Export(true);
    ASSERT_GT(lines.size(), 30);
    // The separations in the header, their names made safe as layer names are.
    EXPECT_TRUE(lines.contains(QStringLiteral("%%DocumentCustomColors: (Light)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("%%+ (A_B_)")));
    // Black is in both: each of its symbols gets a layer per separation, the dark one first.
    const QStringList layers = Layers(lines);
    EXPECT_EQ(layers.mid(0, 4), (QStringList{"1.0 Line 10 0 A_B_", "1.0 Line 10 0 Light",
                                             "2.0 Line 20 0 A_B_", "2.0 Line 20 0 Light"}));
    // Tint 1 - percentage / 200, with the separation's own ink.
    EXPECT_TRUE(lines.contains(QStringLiteral("0.000 0.000 0.000 1.000 (A_B_) 0.000 x")));
    EXPECT_TRUE(lines.contains(QStringLiteral("0.500 0.000 0.000 0.000 (Light) 0.500 X")));
    // Blue is in no separation: nothing of it is written.
    EXPECT_TRUE(layers.filter(QRegularExpression(QStringLiteral(" 1( |$)"))).isEmpty());
    // A pattern per separation too.
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^%%BeginPattern: \\(3.0 Hatch 0"))).size(), 2);
}

// Ghostscript reads the file after a procset of ours that gives every operator the file uses
// its operand count; an unbalanced string or a stray operand would stop it.
TEST_F(AiExport, GhostscriptRunsTheFileAfterATestProcset)
{
    OpenMap(true);
    Export(true);
    const QString procset = InMaps(QStringLiteral("procset.ps"));
    WriteFile(procset, R"(
/initialize {} def
/Adobe_level2_AI5 1 dict dup /initialize {} put def
/Adobe_ColorImage_AI6 1 dict dup /initialize {} put def
/Adobe_Illustrator_AI5 1 dict dup /initialize {} put def
/Adobe_pattern_AI5 1 dict dup /initialize {} put def
/Adobe_Illustrator_AI5_vars 1 dict def
/p0 {} def /p1 {pop} def /p2 {pop pop} def /p4 {pop pop pop pop} def
/p6 {pop pop pop pop pop pop} def
/Lb {10 {pop} repeat} def /Ln /p1 load def /LB {} def
/k /p4 load def /K /p4 load def /O /p1 load def /R /p1 load def
/x /p6 load def /X /p6 load def
/m /p2 load def /L /p2 load def /l /p2 load def /c /p6 load def /C /p6 load def
/v /p4 load def /V /p4 load def /y /p4 load def /Y /p4 load def
/S {} def /s {} def /f {} def /F {} def /b {} def /B {} def /N {} def /n {} def /H {} def /h {} def
/w /p1 load def /j /p1 load def /J /p1 load def /M /p1 load def /d /p2 load def /D /p1 load def
/u {} def /U {} def /*u {} def /*U {} def /A /p1 load def
/@ {} def /& {} def /E {pop pop pop pop pop pop} def
/p {11 {pop} repeat} def
(procset loaded) print flush
)");
    QProcess gs;
    gs.setProcessChannelMode(QProcess::MergedChannels);
    gs.start(QStringLiteral("gs"), {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=nullpage", procset,
                                    InMaps(QStringLiteral("map.ai")), "-c", "count ==", "quit"});
    ASSERT_TRUE(gs.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(gs.readAll());
    EXPECT_EQ(gs.exitCode(), 0) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("Error"))) << out.toStdString();
    // Nothing left on the stack.
    EXPECT_TRUE(out.trimmed().endsWith(QStringLiteral("0"))) << out.toStdString();
}

TEST_F(AiExport, EscStopsWithExportAbortedAndNoFile)
{
    OpenMap(false);
    const QString target = InMaps(QStringLiteral("map.ai"));
    WriteFile(target, "older");
    escAt = 1;
    Export(false);
    EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
    EXPECT_EQ(Read(target), "older");
    EXPECT_EQ(FilesInMaps(), (QStringList{"map.ai", "map.zmd"}));
    EXPECT_FALSE(ProgressRunning());
}

} // namespace
} // namespace zemo::test
