// Metafiles that other programs wrote, through File > Import in the running program: Inkscape's
// enhanced metafile (paths of lines and Bezier pieces, filled with their holes, stroked,
// both), its Windows metafile (poly-polygons, pen strokes) and pstoedit's enhanced metafile
// (poly-polygons, strokes drawn with the pen). Each drawing is centred on the view at its own
// size and said in one report; half a file comes in as far as it holds and says so.
#include "../support/ProgramFixture.h"
#include "../support/RasterRefs.h"
#include "core/Element.h"
#include "core/Setup.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "shell/widgets/MainFm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace zemo::test {
namespace {

// Letters with one and two holes, an open curve, a filled and stroked shape with a curved
// side and a straight line: 100 x 65 mm of geometry.
constexpr const char* Letters = R"(<svg xmlns="http://www.w3.org/2000/svg" width="120mm" height="80mm" viewBox="0 0 120 80">
 <path d="M10 10 H40 V50 H10 Z M20 20 V40 H30 V20 Z" fill="#000" fill-rule="evenodd"/>
 <path d="M50 10 H80 V50 H50 Z M55 15 H75 V25 H55 Z M55 35 H75 V45 H55 Z" fill="#00f" fill-rule="evenodd"/>
 <path d="M10 60 C30 50 50 70 70 60" fill="none" stroke="#000" stroke-width="0.5"/>
 <path d="M85 10 L110 10 C108 30 100 40 85 50 Z" fill="#f00" stroke="#0f0" stroke-width="1"/>
 <line x1="10" y1="75" x2="110" y2="75" stroke="#000" stroke-width="0.3"/>
</svg>
)";

struct Drawn {
    int areas = 0, lines = 0, curves = 0;
    std::vector<int> holes;  // per area, sorted
    int64_t x1 = INT64_MAX, y1 = INT64_MAX, x2 = INT64_MIN, y2 = INT64_MIN;  // 0.01 mm
};

class MetafileWriters : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
        QFile svg(TempPath(QStringLiteral("letters.svg")));
        ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
        svg.write(Letters);
    }
    // The drawing written by Inkscape as .emf, .wmf or .eps, left under samples/ too.
    QString Inkscape(const QString& ext)
    {
        const QString out = TempPath(QStringLiteral("letters.") + ext);
        EXPECT_TRUE(RunTool(QStringLiteral("inkscape"),
                            {TempPath(QStringLiteral("letters.svg")), QStringLiteral("--export-filename=") + out}));
        Keep(out, QStringLiteral("metafile-inkscape-letters.") + ext);
        return out;
    }
    static void Keep(const QString& path, const QString& name)
    {
        const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
        QDir().mkpath(samples);
        QFile::remove(samples + u'/' + name);
        QFile::copy(path, samples + u'/' + name);
    }
    void Import(const QString& path)
    {
        messages.Clear();
        dialogs.QueueAnswer(true, path);
        Frame().UpdateCommandStates();
        Trigger(Cmd::FileImport);
    }
    static Drawn Objects()
    {
        Drawn d;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            ElementRecord& e = AuxElement1;
            if (!GetIndex(n) || !ReadElement(n, e))
                continue;
            int holes = 0;
            for (int i = 0; i < e.nItem; ++i) {
                const Cord c = e.Cords()[i];
                holes += (c.y & HoleFlag) ? 1 : 0;
                d.curves += (c.x & FirstBezierFlag) ? 1 : 0;
                d.x1 = std::min<int64_t>(d.x1, Masked(c.x) / 256);
                d.x2 = std::max<int64_t>(d.x2, Masked(c.x) / 256);
                d.y1 = std::min<int64_t>(d.y1, Masked(c.y) / 256);
                d.y2 = std::max<int64_t>(d.y2, Masked(c.y) / 256);
            }
            if (e.ObjectType == AreaObject) {
                ++d.areas;
                d.holes.push_back(holes);
            }
            d.lines += e.ObjectType == LineObject ? 1 : 0;
        }
        std::sort(d.holes.begin(), d.holes.end());
        return d;
    }
    // The letters whole: every path, at 100 x 65 mm within `slack` hundredths, centred on the view.
    static void ExpectLetters(const Drawn& d, int lines, int slack)
    {
        EXPECT_EQ(d.areas, 3);
        EXPECT_EQ(d.holes, (std::vector<int>{0, 1, 2})) << "the letters keep their holes";
        EXPECT_EQ(d.lines, lines);
        EXPECT_NEAR(double(d.x2 - d.x1), 10000, slack);
        EXPECT_NEAR(double(d.y2 - d.y1), 6500, slack);
        EXPECT_NEAR(double(d.x1 + d.x2) / 2, Masked(Stp()->ViewCenterX) / 256, 1);
        EXPECT_NEAR(double(d.y1 + d.y2) / 2, Masked(Stp()->ViewCenterY) / 256, 1);
    }
    QString Report() const { return messages.Count() ? MessageText(messages.Last()) : QString(); }
};

TEST_F(MetafileWriters, InkscapesEnhancedMetafileComesInWithEveryPath)
{
    Import(Inkscape(QStringLiteral("emf")));
    const Drawn d = Objects();
    // The curve and the shape's curved side stay Bezier pieces.
    ExpectLetters(d, 2, 5);
    EXPECT_EQ(d.curves, 2);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::ImportReportRead);
    EXPECT_EQ(messages.Last().kind, MsgKind::Info);
    EXPECT_TRUE(Report().contains(QStringLiteral("Line objects: 2\r\nArea objects: 3"))) << Report().toStdString();
    EXPECT_EQ(Index.SelectionCount, 5);
    UndoEdit();
    EXPECT_EQ(Objects().areas + Objects().lines, 0) << "one undo step";
}

TEST_F(MetafileWriters, InkscapesWindowsMetafileComesInWithEveryPath)
{
    Import(Inkscape(QStringLiteral("wmf")));
    // Curves come flattened; the line drawn twice, once with the null pen, is one line.
    ExpectLetters(Objects(), 2, 10);
    EXPECT_EQ(messages.Last().kind, MsgKind::Info);
}

TEST_F(MetafileWriters, PstoeditsPenStrokesAndTextComeInAtTheirSize)
{
    // The letters with a word below them.
    QString svg = QString::fromLatin1(Letters);
    svg.replace(QStringLiteral("</svg>"), QStringLiteral(" <text x=\"60\" y=\"70\" font-size=\"6\" "
                                                         "font-family=\"DejaVu Sans\">Map</text>\n</svg>"));
    QFile f(TempPath(QStringLiteral("letters.svg")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(svg.toUtf8());
    f.close();
    const QString emf = TempPath(QStringLiteral("pstoedit.emf"));
    ASSERT_TRUE(RunTool(QStringLiteral("pstoedit"), {QStringLiteral("-f"), QStringLiteral("emf"),
                                                     Inkscape(QStringLiteral("eps")), emf}));
    Keep(emf, QStringLiteral("metafile-pstoedit-letters.emf"));
    Import(emf);
    // The shape's outline is a stroke of its own. pstoedit maps its twips onto a 96-pixel
    // viewport, an inch of a screen, whatever device its header names: the drawing comes in at
    // the size of the PostScript it was made from.
    const Drawn d = Objects();
    ExpectLetters(d, 3, 15);
    // The word, in its 8-bit text record, at its place left of the middle and low in the drawing.
    int texts = 0;
    for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
        if (!GetIndex(n) || !ReadElement(n, AuxElement1) || AuxElement1.ObjectType != TextObject)
            continue;
        ++texts;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(AuxElement1.TextBytes())), "Map");
        EXPECT_NEAR(double(Masked(AuxElement1.Cords()[0].x) / 256 - d.x1), 5000, 100);
        EXPECT_NEAR(double(Masked(AuxElement1.Cords()[0].y) / 256 - d.y1), 500, 150);
    }
    EXPECT_EQ(texts, 1);
    EXPECT_EQ(messages.Last().kind, MsgKind::Info) << Report().toStdString();
}

// Inkscape writes a circle as four curves, the last ending on its start: each comes in whole.
TEST_F(MetafileWriters, AnInkscapeCircleComesInRoundAllTheWay)
{
    QFile f(TempPath(QStringLiteral("letters.svg")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="100mm" height="100mm" viewBox="0 0 100 100">
 <circle cx="50" cy="50" r="20" fill="#0a0"/>
</svg>
)");
    f.close();
    Import(Inkscape(QStringLiteral("emf")));
    ASSERT_EQ(Index.ActiveZmd->HighestObject, 1);
    ASSERT_TRUE(ReadElement(1, AuxElement1));
    const ElementRecord& e = AuxElement1;
    ASSERT_EQ(e.ObjectType, AreaObject);
    const Drawn d = Objects();
    const double cx = double(d.x1 + d.x2) / 2, cy = double(d.y1 + d.y2) / 2;
    const auto at = [&](int i) { return std::pair(Masked(e.Cords()[i].x) / 256.0 - cx, Masked(e.Cords()[i].y) / 256.0 - cy); };
    // Curves from one point on the circle to the next, all the way round to the first.
    int curves = 0;
    for (int i = 0; i + 3 < e.nItem; i += 3) {
        ASSERT_TRUE((e.Cords()[i + 1].x & FirstBezierFlag) && (e.Cords()[i + 2].x & SecondBezierFlag)) << i;
        ++curves;
        for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) {
            const double w[4] = {(1 - t) * (1 - t) * (1 - t), 3 * t * (1 - t) * (1 - t), 3 * t * t * (1 - t), t * t * t};
            double x = 0, y = 0;
            for (int k = 0; k < 4; ++k) {
                x += w[k] * at(i + k).first;
                y += w[k] * at(i + k).second;
            }
            EXPECT_NEAR(std::hypot(x, y), 2000, 8) << "curve " << curves << " at " << t;
        }
    }
    EXPECT_EQ(curves, 4);
    EXPECT_EQ(e.nItem, 13);
    EXPECT_EQ(Masked(e.Cords()[12].x), Masked(e.Cords()[0].x));
    EXPECT_EQ(Masked(e.Cords()[12].y), Masked(e.Cords()[0].y));
}

// Half a file: what lies before the cut comes in, and the report says the rest is missing.
TEST_F(MetafileWriters, HalfAFileSaysWhatItReadAndThatTheRestIsMissing)
{
    for (const QString ext : {QStringLiteral("emf"), QStringLiteral("wmf")}) {
        SCOPED_TRACE(ext.toStdString());
        QFile whole(Inkscape(ext));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        const QString half = TempPath(QStringLiteral("half.") + ext);
        QFile cut(half);
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(bytes.size() / 2 + 3));
        cut.close();
        const int before = Index.ActiveZmd->HighestObject;
        Import(half);
        const int read = Index.ActiveZmd->HighestObject - before;
        EXPECT_GT(read, 0);
        EXPECT_LT(read, 5);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().kind, MsgKind::Warning);
        EXPECT_TRUE(Report().endsWith(Text(TextKey::ImportReportCut))) << Report().toStdString();
    }
}

} // namespace
} // namespace zemo::test
