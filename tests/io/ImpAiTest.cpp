// The Illustrator reader on literal files: style names, compound paths, curves, strings and
// texts, the coordinate and room checks, placing on the view and the 200-object rule.
#include "IoFixture.h"
#include "io/ImpAi.h"
#include "io/Import.h"
#include "edit/Work.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace zemo::test {
namespace {

struct AiObj {
    uint8_t type = 0;
    int16_t symbol = 0;
    int16_t angle = 0;
    std::vector<Cord> pts;
    QByteArray layer;
    QByteArray text;
};

QByteArray Ai(const QByteArray& body)
{
    return "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 600 800\n%%EndProlog\n%%BeginSetup\n0 0 m 9 9 l S\n%%EndSetup\n"
        + body + "%%PageTrailer\n%%Trailer\n0 0 m 5 5 l S\n%%EOF\n";
}

// One point in map units, as the reader computes it.
int32_t U(double points)
{
    return Masked(int32_t(std::nearbyint(points / 72 * 2540 * 256)));
}

class ImpAiTest : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_NE(Open(w), nullptr);
        Stp()->ViewCenterX = 1000 * Mm;
        Stp()->ViewCenterY = -500 * Mm;
        SetActiveUndoRing(&ring);
        ASSERT_TRUE(CreateUndoFile(false));
    }
    void TearDown() override
    {
        SetActiveUndoRing(nullptr);
        IoTest::TearDown();
    }
    UndoRing ring;
    static std::vector<AiObj> Objects()
    {
        std::vector<AiObj> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            ElementRecord& e = AuxElement1;
            if (!GetIndex(n) || !ReadElement(n, e))
                continue;
            AiObj o{e.ObjectType, e.Symbol, e.Angle, {e.Cords(), e.Cords() + e.nItem}, {}, {}};
            o.layer = QByteArray(reinterpret_cast<const char*>(e.LayerName.data() + 1), e.LayerName[0]);
            if (e.nText > 0)
                o.text = QByteArray(reinterpret_cast<const char*>(e.TextBytes()));
            out.push_back(std::move(o));
        }
        return out;
    }
};

TEST(ImpAi, FormatTestNeedsExtensionAndPostScriptLine)
{
    const struct {
        const char* name;
        const char* head;
        bool ok;
    } cases[] = {{"a.ai", "%!PS-Adobe", true},  {"a.AI8", "%!PS", true},   {"a.eps", "%!PS", false},
                 {"a.ai", "%PS!", false},       {"ai", "%!PS", false},      {"a.ai", "", false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsAiFile(QString::fromLatin1(c.name), c.head), c.ok) << c.name;
}

TEST(ImpAi, StringsDecodeTheirEscapes)
{
    const struct {
        QByteArray in, out;
    } cases[] = {{"(a\\)b)", "a)b"},          {"(x\\(\\\\)", "x(\\"},     {"(1\\n2\\r3\\t4)", "1\r\n2\r\n3\t4"},
                 {"(\\351t\\351)", "\xE9t\xE9"}, {"(\\501)", "A"},          {"(a\\qb)", "ab"},
                 {"(\\\\)", "\\"},             {"(\\12)", "2"}};
    for (const auto& c : cases)
        EXPECT_EQ(DecodeAiString(c.in), c.out) << c.in.constData();
}

TEST(ImpAi, CoordinatesInDoubleAndWithinTheMap)
{
    const struct {
        const char* in;
        bool ok;
        int32_t v;
    } cases[] = {{"72", true, 2540 * 256},  {"-36", true, -1270 * 256}, {"1e3", true, U(1000)},
                 {"300000", false, 0},      {"-300000", false, 0},     {"5669", true, U(5669)},
                 {"5670", false, 0},        {"nan", false, 0},          {"inf", false, 0},
                 {"12x", false, 0},         {"", false, 0}};
    for (const auto& c : cases) {
        int32_t v = 7;
        EXPECT_EQ(AiPointToMap(c.in, v), c.ok) << c.in;
        if (c.ok) {
            EXPECT_EQ(v, c.v) << c.in;
        }
    }
}

TEST_F(ImpAiTest, StylesNameTheirObjectsByLayer)
{
    const QByteArray body = "%AI5_BeginLayer\n(Roads) Ln\n0 O\n0 0 0 1 K\n1 w 0 J 0 j\n"
                            "0 0 m 10 0 l S\n0 10 m 10 10 l S\n2 w\n0 20 m 10 20 l S\n"
                            "(ABCDEFGHIJKLMNO) Ln\n0 30 m 10 30 l S\n"
                            "(Roads) Ln\n0.5 g 0.5 k\n0 40 m 10 40 l 10 50 l b\n";
    EXPECT_EQ(ImportAi(Ai(body)), 6);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 6u);
    EXPECT_EQ(o[0].layer, "Roads 1");
    EXPECT_EQ(o[1].layer, "Roads 1");
    EXPECT_EQ(o[2].layer, "Roads 2");
    EXPECT_EQ(o[3].layer, "ABCDEFGHIJKLM 1");
    EXPECT_EQ(o[4].type, AreaObject);
    EXPECT_EQ(o[4].layer, "Roads 3");
    EXPECT_EQ(o[5].type, LineObject);
    EXPECT_EQ(o[5].layer, "Roads 4");
    // "b" closes the path it strokes: the line returns to its start.
    std::vector<Cord> closed = o[4].pts;
    closed.push_back(o[4].pts[0]);
    EXPECT_EQ(o[5].pts, closed);
    for (const AiObj& x : o)
        EXPECT_EQ(x.symbol, -1);
}

TEST_F(ImpAiTest, CompoundPathsAndCurvesKeepRelativeCoordinatesCentredOnTheView)
{
    const QByteArray body = "*u\n0 0 m\n100 0 l\n100 100 L\n0 100 l\nf\n20 20 m\n20 40 l 40 40 l\nf\n*U\n"
                            "0 0 m\n10 10 20 10 30 0 c\n40 10 50 0 v\n60 10 70 0 Y\n80 10 90 0 90 5 C\nS\n"
                            "%%BeginPattern\n0 0 m 1 1 l S\n%%EndPattern\n% 0 0 m 1 1 l S\n";
    EXPECT_EQ(ImportAi(Ai(body)), 2);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 2u);
    ASSERT_EQ(o[0].type, AreaObject);
    ASSERT_EQ(o[0].pts.size(), 7u);
    const Cord base = o[0].pts[0];
    const int32_t expect[7][2] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {20, 20}, {20, 40}, {40, 40}};
    for (size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(Masked(o[0].pts[k].x) - Masked(base.x), U(expect[k][0]) - U(0)) << k;
        EXPECT_EQ(Masked(o[0].pts[k].y) - Masked(base.y), U(expect[k][1]) - U(0)) << k;
        EXPECT_EQ(Flags(o[0].pts[k].y), k == 4 ? HoleFlag : 0) << k;
    }
    ASSERT_EQ(o[1].type, LineObject);
    ASSERT_EQ(o[1].pts.size(), 13u);
    const int xflags[13] = {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
    const int yflags[13] = {0, 0, 0, 0, 0, 0, 0, 0, 0, CornerFlag, 0, 0, CornerFlag};
    for (size_t k = 0; k < 13; ++k) {
        EXPECT_EQ(Flags(o[1].pts[k].x), xflags[k]) << k;
        EXPECT_EQ(Flags(o[1].pts[k].y), yflags[k]) << k;
    }
    // v: the first control is the current point; y: the second is the end point.
    EXPECT_EQ(Masked(o[1].pts[4].x), Masked(o[1].pts[3].x));
    EXPECT_EQ(Masked(o[1].pts[8].x), Masked(o[1].pts[9].x));
    EXPECT_EQ(Masked(o[1].pts[12].y) - Masked(o[1].pts[0].y), U(5) - U(0));
    // The whole drawing is centred on the view.
    const CordRect r = Index.SelectionRect;
    EXPECT_NEAR((int64_t(r.x1) + r.x2) / 2, 1000 * Mm, 256);
    EXPECT_NEAR((int64_t(r.y1) + r.y2) / 2, -500 * Mm, 256);
    EXPECT_EQ(Index.SelectionCount, 2);
}

TEST_F(ImpAiTest, TextsAsPointAreaAndPathTexts)
{
    const QByteArray body = "0 To\n0.866 0.5 -0.5 0.866 100 200 0 Tp\nTP\n/_Helvetica 12 Tf\n(Hi\\)\\n2) Tx\n(dup) TX\nTO\n"
                            "0 0 m 50 0 l 50 20 l 0 20 l\n0 To\n1 0 0 1 0 0 1 Tp\nn\n(Area) Tx\nTO\n"
                            "0 0 m 50 0 l 80 10 l\n0 To\n1 0 0 1 0 0 2 Tp\nN\n(Path) Tx\nTO\n"
                            "0 0 m\n0 To\n1 0 0 1 0 0 3 Tp\nn\n(Few) Tx\nTO\n"
                            "0 To\nx y z a b c d Tp\n(Plain) Tj\nTO\n0 To\nTO\n";
    EXPECT_EQ(ImportAi(Ai(body)), 5);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 5u);
    EXPECT_EQ(o[0].type, TextObject);
    EXPECT_EQ(o[0].text, "Hi)\r\n2");
    EXPECT_EQ(o[0].angle, 300);
    EXPECT_EQ(o[0].pts.size(), 5u);
    EXPECT_EQ(o[1].type, RectangleObject);
    EXPECT_EQ(o[1].text, "Area");
    EXPECT_EQ(o[1].pts.size(), 4u);
    EXPECT_EQ(o[2].type, LineObject);
    EXPECT_EQ(o[2].text, "Path");
    EXPECT_EQ(o[2].pts.size(), 3u);
    // Area text with a path of one point comes in as point text.
    EXPECT_EQ(o[3].type, TextObject);
    EXPECT_EQ(o[3].text, "Few");
    EXPECT_EQ(o[4].text, "Plain");
    EXPECT_EQ(o[4].angle, 0);
    EXPECT_EQ(o[0].layer, o[3].layer);
    EXPECT_NE(o[0].layer, o[2].layer);
}

// The box starts at the text's position, reaches the corner farthest along the text and spans
// the corners across it; a box with no corner ahead of the position becomes point text.
TEST_F(ImpAiTest, AreaTextBoxStartsAtTheTextsPosition)
{
    const QByteArray body = "0 0 m 1 0 l S\n"
                            "0 0 m 50 0 l 50 20 l 0 20 l\n0 To\n1 0 0 1 5 15 0 Tp\nn\n(Level) Tx\nTO\n"
                            "0 0 m 20 0 l 20 50 l 0 50 l\n0 To\n0 1 -1 0 15 5 0 Tp\nn\n(Up) Tx\nTO\n"
                            "0 0 m 50 0 l 50 20 l 0 20 l\n0 To\n1 0 0 1 60 10 0 Tp\nn\n(Past) Tx\nTO\n";
    EXPECT_EQ(ImportAi(Ai(body)), 4);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 4u);
    const Cord ref = o[0].pts[0];
    const auto rel = [&](const std::vector<Cord>& pts) {
        std::vector<std::pair<int32_t, int32_t>> out;
        for (Cord c : pts)
            out.push_back({Masked(c.x) - Masked(ref.x), Masked(c.y) - Masked(ref.y)});
        return out;
    };
    const auto at = [](double x, double y) { return std::pair<int32_t, int32_t>{U(x) - U(0), U(y) - U(0)}; };
    ASSERT_EQ(o[1].type, RectangleObject);
    EXPECT_EQ(o[1].angle, 0);
    EXPECT_EQ(rel(o[1].pts), (std::vector{at(5, 0), at(50, 0), at(50, 20), at(5, 20)}));
    // Turned a quarter: the text runs up from (15, 5) to the top at 50.
    ASSERT_EQ(o[2].type, RectangleObject);
    EXPECT_EQ(o[2].angle, 900);
    EXPECT_EQ(rel(o[2].pts), (std::vector{at(20, 5), at(20, 50), at(0, 50), at(0, 5)}));
    EXPECT_EQ(o[3].type, TextObject);
    EXPECT_EQ(rel({o[3].pts[0]}), (std::vector{at(60, 10)}));
}

// Esc is looked at after every token: a long line stops where it was pressed.
TEST_F(ImpAiTest, EscStopsWithinALineAndKeepsWhatCameIn)
{
    escAt = 7;
    EXPECT_EQ(ImportAi(Ai("0 0 m 10 0 l S 0 5 m 10 5 l S 0 9 m 10 9 l S\n")), 1);
    EXPECT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Index.SelectionCount, 1);
    EXPECT_EQ(polls, 7);
}

TEST_F(ImpAiTest, PointsOutsideTheMapOrBeyondTheRoomAreNotAdded)
{
    QByteArray body = "0 0 m 300000 0 l abc 1 l 10 10 l S\n0 0 m\n";
    for (int k = 0; k < 33000; ++k)
        body += QByteArray::number(k % 100) + " 1 l\n";
    body += "1 2 3 4 5 6 c\nS\n";
    EXPECT_EQ(ImportAi(Ai(body)), 2);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0].pts.size(), 2u);
    EXPECT_EQ(o[1].pts.size(), size_t(MaxAiPathPoints - 1));
}

TEST_F(ImpAiTest, TwoHundredObjectsStaySelectedNotMore)
{
    for (int count : {200, 201}) {
        const int before = Index.ActiveZmd->HighestObject;
        QByteArray body;
        for (int k = 0; k < count; ++k)
            body += "0 " + QByteArray::number(k) + " m 10 " + QByteArray::number(k) + " l S\n";
        EXPECT_EQ(ImportAi(Ai(body)), count);
        EXPECT_EQ(Index.ActiveZmd->HighestObject - before, count);
        EXPECT_EQ(Index.SelectionCount, count == 200 ? 200 : 0) << count;
    }
}

TEST_F(ImpAiTest, FileImportDispatchesByExtensionAndUndoesInOneStep)
{
    ResetImportUnit();
    InitImportUnit();
    InitImpAiUnit();
    const QByteArray body = "0 0 m 10 0 l S\n0 5 m 10 5 l 5 9 l f\n";
    WriteFile(InMaps("drawing.ai"), Ai(body));
    WriteFile(InMaps("drawing.eps"), Ai(body));
    ImportFileByName(InMaps("drawing.eps"));
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 0);
    EXPECT_EQ(messages.CountOf(TextKey::UnknownFormat), 1);
    ImportFileByName(InMaps("drawing.ai"));
    EXPECT_EQ(Objects().size(), 2u);
    EXPECT_EQ(Index.SelectionCount, 2);
    EXPECT_EQ(ProgramConfig.WorkMode, ToolModes::PointEdit);
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_EQ(Objects().size(), 0u) << "one undo takes the whole import back";
}

// Compound paths are painted at their end as their subpaths' operators say: filled as one
// area with holes, stroked as a line per subpath, closed where "s" or "b" closes it; a
// subpath of one point draws nothing. "B" and "S" leave their line open.
TEST_F(ImpAiTest, CompoundPathsArePaintedOnceAsTheirSubpathsSay)
{
    const QByteArray body = "*u\n0 0 m 100 0 l 100 100 l 0 100 l s\n20 20 m 20 40 l 40 40 l s\n20 20 m s\n*U\n"
                            "*u\n0 0 m 100 0 l 100 100 l B\n20 20 m 20 40 l 40 40 l B\n*U\n"
                            "0 0 m 10 0 l 10 10 l S\n0 0 m 10 0 l 10 10 l s\n";
    EXPECT_EQ(ImportAi(Ai(body)), 7);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 7u);
    const Cord base = o[0].pts[0];
    const auto rel = [&](const AiObj& x) {
        std::vector<std::tuple<int32_t, int32_t, int32_t>> out;
        for (Cord c : x.pts)
            out.emplace_back(Masked(c.x) - Masked(base.x), Masked(c.y) - Masked(base.y), Flags(c.y));
        return out;
    };
    const auto pts = [](std::initializer_list<std::tuple<double, double, int32_t>> list) {
        std::vector<std::tuple<int32_t, int32_t, int32_t>> out;
        for (auto [x, y, f] : list)
            out.emplace_back(U(x) - U(0), U(y) - U(0), f);
        return out;
    };
    EXPECT_EQ(o[0].type, LineObject);
    EXPECT_EQ(rel(o[0]), pts({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {0, 0, 0}}));
    EXPECT_EQ(o[1].type, LineObject);
    EXPECT_EQ(rel(o[1]), pts({{20, 20, 0}, {20, 40, 0}, {40, 40, 0}, {20, 20, 0}}));
    EXPECT_EQ(o[2].type, AreaObject);
    EXPECT_EQ(rel(o[2]), pts({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {20, 20, HoleFlag}, {20, 40, 0}, {40, 40, 0}}));
    EXPECT_EQ(o[3].type, LineObject);
    EXPECT_EQ(rel(o[3]), pts({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}}));
    EXPECT_EQ(rel(o[4]), pts({{20, 20, 0}, {20, 40, 0}, {40, 40, 0}}));
    EXPECT_EQ(rel(o[5]).size(), 3u);
    EXPECT_EQ(rel(o[6]).size(), 4u);
}

// pstoedit writes each subpath of a compound path with its own paint operator and ends it with
// a lone moveto: a filled and stroked letter with a hole is one area and two lines, not three
// lines and an area per stroke. The report says it came in whole.
TEST_F(ImpAiTest, PstoeditsStrokedCompoundPathsComeInOnce)
{
    WriteFile(InMaps("letter.svg"), R"(<svg xmlns="http://www.w3.org/2000/svg" width="120mm" height="80mm" viewBox="0 0 120 80">
 <path d="M10 10 H40 V50 H10 Z M20 20 V40 H30 V20 Z" fill="#f00" stroke="#000" stroke-width="1" fill-rule="evenodd"/>
 <path d="M50 10 H80 V50 H50 Z M55 15 H75 V25 H55 Z" fill="none" stroke="#000" stroke-width="1"/>
</svg>
)");
    for (const QStringList& args : {QStringList{InMaps("letter.svg"), QStringLiteral("--export-filename=") + InMaps("letter.eps")},
                                    QStringList{QStringLiteral("-f"), QStringLiteral("ps2ai"), InMaps("letter.eps"), InMaps("letter.ai")}}) {
        QProcess p;
        p.start(args.size() == 2 ? QStringLiteral("inkscape") : QStringLiteral("pstoedit"), args);
        ASSERT_TRUE(p.waitForFinished(120000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    }
    const QByteArray ai = Read(InMaps("letter.ai"));
    ASSERT_TRUE(ai.contains("*u") && ai.contains("\ns\n")) << "a stroked compound path";
    messages.Clear();
    EXPECT_EQ(ImportAi(ai, InMaps("letter.ai")), 5);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 5u);
    // The filled letter: its outline and its hole, 10 mm in from the outline's corner.
    ASSERT_EQ(o[0].type, AreaObject);
    ASSERT_GE(o[0].pts.size(), 8u);
    size_t hole = 0;
    for (size_t k = 1; k < o[0].pts.size() && !hole; ++k)
        hole = (Flags(o[0].pts[k].y) & HoleFlag) ? k : 0;
    ASSERT_GT(hole, 0u);
    const auto mm = [&](Cord a, Cord b) {
        return std::pair((Masked(a.x) - Masked(b.x)) / 256.0 / 100, (Masked(a.y) - Masked(b.y)) / 256.0 / 100);
    };
    const Cord corner = *std::min_element(o[0].pts.begin(), o[0].pts.begin() + long(hole), [](Cord a, Cord b) {
        return int64_t(Masked(a.x)) + Masked(a.y) < int64_t(Masked(b.x)) + Masked(b.y);
    });
    const Cord holeCorner = *std::min_element(o[0].pts.begin() + long(hole), o[0].pts.end(), [](Cord a, Cord b) {
        return int64_t(Masked(a.x)) + Masked(a.y) < int64_t(Masked(b.x)) + Masked(b.y);
    });
    EXPECT_NEAR(mm(holeCorner, corner).first, 10, 0.02);
    EXPECT_NEAR(mm(holeCorner, corner).second, 10, 0.02);
    // Its stroke: outline and hole, each a closed line; then the two of the unfilled shape.
    for (size_t k = 1; k < 5; ++k) {
        EXPECT_EQ(o[k].type, LineObject) << k;
        EXPECT_EQ(o[k].pts.front(), o[k].pts.back()) << k;
        for (Cord c : o[k].pts)
            EXPECT_EQ(Flags(c.y) & HoleFlag, 0) << k;
    }
    EXPECT_NEAR(mm(o[3].pts[0], o[1].pts[0]).first, 40, 0.02) << "the second shape lies 40 mm to the right";
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().kind, MsgKind::Info);
}

// Ghostscript's own converter writes the Illustrator file from PostScript made here.
TEST_F(ImpAiTest, ADrawingConvertedByGhostscriptComesInByItsPaths)
{
    const QStringList found = QDir(QStringLiteral("/usr/share/ghostscript")).entryList({QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    QString ps2ai;
    for (const QString& v : found)
        if (QFile::exists(QStringLiteral("/usr/share/ghostscript/%1/lib/ps2ai.ps").arg(v)))
            ps2ai = QStringLiteral("/usr/share/ghostscript/%1/lib/ps2ai.ps").arg(v);
    ASSERT_FALSE(ps2ai.isEmpty()) << "ghostscript's ps2ai.ps is missing (scripts/install-deps)";
    WriteFile(InMaps("drawing.ps"),
              "%!PS\n"
              "newpath 100 100 moveto 200 100 lineto 200 200 lineto 100 200 lineto closepath\n"
              "120 120 moveto 120 180 lineto 180 180 lineto 180 120 lineto closepath 0.5 setgray eofill\n"
              "newpath 300 300 moveto 350 400 400 250 450 300 curveto 3 setlinewidth 0 setgray stroke\n"
              "newpath 300 100 moveto 400 150 lineto 350 180 lineto closepath 0 0 1 setrgbcolor fill\n"
              "newpath 300 100 moveto 400 150 lineto 350 180 lineto closepath 0 setgray 1 setlinewidth stroke\n"
              "/Helvetica findfont 20 scalefont setfont\n"
              "gsave 100 500 translate 30 rotate 0 0 moveto (Hello) show grestore showpage\n");
    QProcess gs;
    gs.setStandardOutputFile(InMaps("drawing.ai"));
    gs.start(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                    QStringLiteral("-dNOSAFER"), QStringLiteral("-sDEVICE=ps2write"),
                                    QStringLiteral("-sOutputFile=/dev/null"), ps2ai, InMaps("drawing.ps")});
    ASSERT_TRUE(gs.waitForFinished(120000));
    ASSERT_EQ(gs.exitCode(), 0) << gs.readAllStandardError().constData();
    const QByteArray ai = Read(InMaps("drawing.ai"));
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    WriteFile(samples + QStringLiteral("/ghostscript-ps2ai.ai"), ai);
    ASSERT_TRUE(IsAiFile(QStringLiteral("drawing.ai"), ai));

    EXPECT_EQ(ImportAi(ai), 5);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 5u);
    // The even-odd square with its hole.
    ASSERT_EQ(o[0].type, AreaObject);
    ASSERT_EQ(o[0].pts.size(), 10u);
    EXPECT_EQ(Flags(o[0].pts[5].y), HoleFlag);
    EXPECT_EQ(Masked(o[0].pts[5].x) - Masked(o[0].pts[0].x), U(120) - U(100));
    EXPECT_EQ(Masked(o[0].pts[2].y) - Masked(o[0].pts[0].y), U(200) - U(100));
    // The stroked curve.
    ASSERT_EQ(o[1].type, LineObject);
    ASSERT_EQ(o[1].pts.size(), 4u);
    EXPECT_EQ(Flags(o[1].pts[1].x), FirstBezierFlag);
    EXPECT_EQ(Masked(o[1].pts[3].x) - Masked(o[1].pts[0].x), U(450) - U(300));
    EXPECT_EQ(Masked(o[1].pts[0].x) - Masked(o[0].pts[0].x), U(300) - U(100));
    // The filled triangle and its stroke.
    EXPECT_EQ(o[2].type, AreaObject);
    EXPECT_EQ(o[3].type, LineObject);
    EXPECT_EQ(Masked(o[3].pts[1].y) - Masked(o[0].pts[0].y), U(150) - U(100));
    EXPECT_NE(o[2].layer, o[0].layer);
    // The rotated text.
    ASSERT_EQ(o[4].type, TextObject);
    EXPECT_EQ(o[4].text, "Hello");
    EXPECT_EQ(o[4].angle, 300);
    EXPECT_EQ(Masked(o[4].pts[0].y) - Masked(o[0].pts[0].y), U(500) - U(100));
    const CordRect r = Index.SelectionRect;
    EXPECT_NEAR((int64_t(r.x1) + r.x2) / 2, 1000 * Mm, 256);
    EXPECT_NEAR((int64_t(r.y1) + r.y2) / 2, -500 * Mm, 256);
}

} // namespace
} // namespace zemo::test
