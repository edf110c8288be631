// DXF drawings that ezdxf writes, imported by File > Import in the running program: every
// point of imported arcs, circles and bulged polylines lies on the circle ezdxf itself gives
// for the entity or the bulge, within the arc's own angles, and the vertices stay in place;
// block references nested in arrays beyond the copy limits are counted by the copies they
// leave out.
#include "../support/ProgramFixture.h"
#include "../support/RasterRefs.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "io/widgets/ImportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointF>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <numbers>

namespace zemo::test {
namespace {

// Each entity as the vertices its object passes through and, between each two, the arc ezdxf
// computes (centre, radius, start and end angle in radians, anticlockwise) or a straight span.
constexpr const char* ArcDrawing = R"(import sys, math, ezdxf
from ezdxf.math import bulge_to_arc
doc = ezdxf.new("R2000")
msp = doc.modelspace()
out = []
def entity(vertices, spans):
    out.append("E")
    out.extend("V %r %r" % (v[0], v[1]) for v in vertices)
    out.extend(spans)
def arc(c, r, a0, a1):
    return "A %r %r %r %r %r" % (c[0], c[1], r, a0, a1)
for c, r, a0, a1 in [((0, 0), 25, 0, 90), ((70, 0), 25, 30, 250), ((140, 0), 25, 350, 10),
                     ((210, 0), 25, 10, 359.5), ((280, 0), 2, 120, 60), ((340, 0), 40, 45, 46)]:
    e = msp.add_arc(c, r, a0, a1)
    entity([e.start_point, e.end_point], [arc(c, r, math.radians(a0), math.radians(a1))])
msp.add_circle((0, 80), 25)
entity([(25, 80), (25, 80)], [arc((0, 80), 25, 0, 2 * math.pi)])
def bulged(points, closed):
    verts = [p[:2] for p in points] + ([points[0][:2]] if closed else [])
    spans = []
    for i in range(len(verts) - 1):
        b = points[i][2]
        if b == 0:
            spans.append("S")
        else:
            c, s, t, r = bulge_to_arc(verts[i], verts[i + 1], b)
            spans.append(arc(c, r, s, t))
    return verts, spans
pts = [(0, 150, 0.4), (40, 150, -1), (80, 150, 2.5), (120, 150, -0.2), (160, 170, 0), (200, 170, 0)]
msp.add_lwpolyline(pts, format="xyb")
entity(*bulged(pts, False))
pts = [(0, 230, 1), (50, 230, -3), (50, 260, 0.6)]
msp.add_lwpolyline(pts, format="xyb", close=True)
entity(*bulged(pts, True))
pts = [(100, 230, -0.7), (150, 230, 1), (200, 230, 0)]
msp.add_polyline2d([(x, y, 0, 0, b) for x, y, b in pts], format="xyseb")
entity(*bulged(pts, False))
doc.saveas(sys.argv[1])
print("\n".join(out))
)";

struct Span {
    bool straight = true;
    QPointF centre;
    double r = 0, a0 = 0, a1 = 0;
};
struct Expected {
    std::vector<QPointF> vertices;
    std::vector<Span> spans;
};

// Drawing units are millimetres on paper: 100 map units (0.01 mm) each.
QPointF OnPaper(double x, double y)
{
    return {x * 100, y * 100};
}

std::vector<Expected> ParseExpected(const QByteArray& text)
{
    std::vector<Expected> out;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f[0] == "E")
            out.emplace_back();
        else if (f[0] == "V" && f.size() == 3)
            out.back().vertices.push_back(OnPaper(f[1].toDouble(), f[2].toDouble()));
        else if (f[0] == "S")
            out.back().spans.push_back({});
        else if (f[0] == "A" && f.size() == 6)
            out.back().spans.push_back({false, OnPaper(f[1].toDouble(), f[2].toDouble()), f[3].toDouble() * 100,
                                        f[4].toDouble(), f[5].toDouble()});
    }
    return out;
}

QPointF OnMap(Cord c)
{
    return {double(Masked(c.x) / 256), double(Masked(c.y) / 256)};
}

double Distance(QPointF a, QPointF b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

// The drawings are kept among the samples beside the tests, for a person to open.
QString SampleFile(const QString& name)
{
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    return QDir(samples).absoluteFilePath(name);
}

class DxfDrawings : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    // File > Import of the drawing, a drawing unit taken as a millimetre, no offset.
    void Import(const QString& dxf)
    {
        dialogs.QueueAnswer(true, dxf);
        Frame().UpdateCommandStates();
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* d = dynamic_cast<TImpDxfDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            ran = true;
            d->findChild<QRadioButton*>(QStringLiteral("OtherB"))->setChecked(true);
            d->findChild<QRadioButton*>(QStringLiteral("NewOfsB"))->setChecked(true);
            d->findChild<QLineEdit*>(QStringLiteral("OtherCordB"))->setText(QStringLiteral("1.0"));
            d->findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->setText(QStringLiteral("0"));
            d->findChild<QLineEdit*>(QStringLiteral("VerOfsB"))->setText(QStringLiteral("0"));
            d->accept();
        });
        Trigger(Cmd::FileImport);
        ASSERT_TRUE(ran);
    }
};

// Each sample of each Bezier segment is within 0.0003 of the radius (a cubic of 90 degrees
// strays 0.027 %) and one unit of rounding from the circle; the old 0.4-of-the-chord controls
// strayed 1.6 %, 40 units on these 25 mm arcs.
TEST_F(DxfDrawings, EveryPointOfArcsCirclesAndBulgesLiesOnItsCircle)
{
    const QString dxf = SampleFile(QStringLiteral("ezdxf-arcs-and-bulges-R2000.dxf"));
    QByteArray printed;
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, ArcDrawing, &printed));
    const std::vector<Expected> want = ParseExpected(printed);
    ASSERT_EQ(want.size(), 10u);
    Import(dxf);
    ASSERT_EQ(Index.ActiveZmd->HighestObject, int(want.size()));

    int arcsChecked = 0;
    for (size_t k = 0; k < want.size(); ++k) {
        SCOPED_TRACE("entity " + std::to_string(k));
        ASSERT_TRUE(GetIndex(int(k) + 1) && ReadElement(int(k) + 1, AuxElement1));
        const std::vector<Cord> pts(AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem);
        const Expected& e = want[k];
        ASSERT_EQ(e.spans.size() + 1, e.vertices.size());
        size_t i = 0;
        EXPECT_LE(Distance(OnMap(pts[0]), e.vertices[0]), 1.0);
        for (size_t s = 0; s < e.spans.size(); ++s) {
            SCOPED_TRACE("span " + std::to_string(s));
            const Span& span = e.spans[s];
            double sweep = std::fmod(span.a1 - span.a0, 2 * std::numbers::pi);
            if (sweep <= 1e-9)
                sweep += 2 * std::numbers::pi;
            // The segments up to the span's end vertex, each sampled.
            int segments = 0;
            do {
                ASSERT_LT(i + 1, pts.size());
                std::vector<QPointF> along;
                if (pts[i + 1].x & FirstBezierFlag) {
                    ASSERT_LT(i + 3, pts.size());
                    ASSERT_TRUE(pts[i + 2].x & SecondBezierFlag);
                    const QPointF p0 = OnMap(pts[i]), p1 = OnMap(pts[i + 1]), p2 = OnMap(pts[i + 2]), p3 = OnMap(pts[i + 3]);
                    for (int q = 0; q <= 32; ++q) {
                        const double t = q / 32.0, m = 1 - t;
                        along.push_back(m * m * m * p0 + 3 * m * m * t * p1 + 3 * m * t * t * p2 + t * t * t * p3);
                    }
                    i += 3;
                } else {
                    along = {OnMap(pts[i]), OnMap(pts[i + 1])};
                    i += 1;
                }
                ++segments;
                if (span.straight) {
                    EXPECT_EQ(along.size(), 2u) << "a straight span stays straight";
                    continue;
                }
                // No piece beyond a quarter circle.
                const QPointF d0 = along.front() - span.centre, d1 = along.back() - span.centre;
                EXPECT_LE(std::acos(std::clamp(QPointF::dotProduct(d0, d1) / span.r / span.r, -1.0, 1.0)),
                          std::numbers::pi / 2 + 2 / span.r);
                for (QPointF p : along) {
                    EXPECT_NEAR(Distance(p, span.centre), span.r, 0.0003 * span.r + 1.0)
                        << "at " << p.x() << ", " << p.y();
                    // On the arc's own side: anticlockwise from its start, within its sweep.
                    double a = std::fmod(std::atan2(p.y() - span.centre.y(), p.x() - span.centre.x()) - span.a0,
                                         2 * std::numbers::pi);
                    if (a < 0)
                        a += 2 * std::numbers::pi;
                    const double slack = 2 / span.r;
                    EXPECT_TRUE(a <= sweep + slack || a >= 2 * std::numbers::pi - slack)
                        << "at " << p.x() << ", " << p.y() << ": " << a << " beyond " << sweep;
                }
            } while (Distance(OnMap(pts[i]), e.vertices[s + 1]) > 1.0 || (segments == 0));
            arcsChecked += span.straight ? 0 : 1;
            EXPECT_LE(Distance(OnMap(pts[i]), e.vertices[s + 1]), 1.0);
        }
        EXPECT_EQ(i + 1, pts.size()) << "nothing after the last vertex";
    }
    EXPECT_EQ(arcsChecked, 7 + 4 + 3 + 2);
}

// Blocks holding a point each and references to each other in arrays; the copies the
// drawing asks for, counted by ezdxf's own reading of the blocks.
constexpr const char* NestedDrawing = R"(import sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
def grid(cols, rows):
    return {"column_count": cols, "row_count": rows, "column_spacing": 0.01, "row_spacing": 0.01}
a = doc.blocks.new(name="A")
a.add_point((0, 0))
b = doc.blocks.new(name="B")
b.add_point((1, 0))
b.add_blockref("A", (0, 0), dxfattribs=grid(100, 50))
c = doc.blocks.new(name="C")
c.add_point((2, 0))
c.add_blockref("B", (0, 0), dxfattribs=grid(3, 1))
c.add_blockref("A", (0, 0), dxfattribs=grid(2, 2))
msp.add_line((0, 0), (10, 0))
msp.add_blockref("C", (0, 0), dxfattribs=grid(100, 100))
doc.saveas(sys.argv[1])
def copies(layout):
    n = 0
    for e in layout.query("INSERT"):
        n += e.dxf.column_count * e.dxf.row_count * (1 + copies(doc.blocks[e.dxf.name]))
    return n
print(copies(msp))
)";

// Every block copy places one point, so the copies left out are the copies asked for less the
// points that came in: also those that the copies cut at the outer reference would have
// placed through the references inside them.
TEST_F(DxfDrawings, CopiesLeftOutAreCountedWithTheCopiesInsideThem)
{
    const QString dxf = SampleFile(QStringLiteral("ezdxf-nested-block-arrays-R2000.dxf"));
    QByteArray printed;
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, NestedDrawing, &printed));
    const int64_t asked = printed.trimmed().toLongLong();
    ASSERT_EQ(asked, 10000 * (1 + 3 * (1 + 5000) + 4));
    messages.Clear();
    Import(dxf);
    int points = 0;
    for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
        if (GetIndex(n) && ReadElement(n, AuxElement1) && AuxElement1.ObjectType == PointObject)
            ++points;
    // 4096 copies of C, each with one B holding one A, and one A of its own.
    EXPECT_EQ(points, 4096 * 4);
    ASSERT_EQ(messages.CountOf(TextKey::ImportReportRead), 1);
    const QString said = MessageText(messages.Last());
    EXPECT_TRUE(said.endsWith(QStringLiteral("\r\n%1: %2").arg(Text(TextKey::BlockCopiesBeyondLimit)).arg(asked - points)))
        << said.toStdString();
}

} // namespace
} // namespace zemo::test
