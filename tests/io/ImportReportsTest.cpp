// File > Import of drawings that other programs wrote ends with what came in and what was left
// out: a DXF written by ezdxf (entities the reader has no object for counted by kind), an
// Illustrator file written by pstoedit from Inkscape's EPS, each whole and cut short.
#include "../support/ProgramFixture.h"
#include "../support/RasterRefs.h"
#include "document/Index.h"
#include "io/widgets/ImportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

namespace zemo::test {
namespace {

constexpr const char* DrawDxf = R"(import sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
doc.blocks.new(name="TREE").add_line((0, 0), (2, 2))
msp.add_line((0, 0), (40, 10), dxfattribs={"layer": "roads"})
msp.add_lwpolyline([(0, 20, 0.5), (20, 20, 0), (20, 40)], format="xyb")
msp.add_circle((50, 50), 5)
msp.add_text("Hill", dxfattribs={"insert": (30, 30), "rotation": 30})
msp.add_blockref("TREE", (60, 10))
msp.add_mtext("two\\Plines", dxfattribs={"insert": (10, 60)})
msp.add_mtext("more", dxfattribs={"insert": (10, 70)})
msp.add_ellipse((70, 70), major_axis=(5, 0), ratio=0.5)
doc.saveas(sys.argv[1])
)";

constexpr const char* Drawing = R"(<svg xmlns="http://www.w3.org/2000/svg" width="120mm" height="80mm" viewBox="0 0 120 80">
 <path d="M10 10 H40 V50 H10 Z M20 20 V40 H30 V20 Z" fill="#000" fill-rule="evenodd"/>
 <path d="M10 60 C30 50 50 70 70 60" fill="none" stroke="#000" stroke-width="0.5"/>
 <line x1="10" y1="75" x2="110" y2="75" stroke="#000" stroke-width="0.3"/>
</svg>
)";

class ImportReports : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString Cut(const QString& path, qsizetype at)
    {
        const QString cut = TempPath(QStringLiteral("cut-") + path.section(u'/', -1));
        QFile f(cut);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Read(path).left(at));
        return cut;
    }
    // File > Import of the file, the dialog of its format (if any) taken as it opens.
    void Import(const QString& path)
    {
        messages.Clear();
        dialogs.QueueAnswer(true, path);
        QTimer::singleShot(0, [] {
            if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dlg->accept();
        });
        Trigger(Cmd::FileImport);
    }
    QString Report() const { return messages.Count() ? MessageText(messages.Last()) : QString(); }
    void ExpectReport(MsgKind kind, const QString& read, const QString& rest)
    {
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::ImportReportRead);
        EXPECT_EQ(messages.Last().kind, kind);
        EXPECT_TRUE(Report().contains(read + rest)) << Report().toStdString();
    }
};

TEST_F(ImportReports, DxfCountsTheEntitiesItHasNoObjectForByKind)
{
    const QString dxf = TempPath(QStringLiteral("ezdxf.dxf"));
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, DrawDxf));
    Import(dxf);
    // The circle, the polyline and the block's line are lines too.
    const QString read = QStringLiteral("ezdxf.dxf \r\nLine objects: 4\r\nText objects: 1\r\n");
    ExpectReport(MsgKind::Warning, read,
                 QStringLiteral("Left out:\r\nDrawing records of kinds that are not read (MTEXT): 2\r\n"
                                "Drawing records of kinds that are not read (ELLIPSE): 1"));
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 5);

    // Cut where the first text of many lines begins: what came before is there, and the rest
    // is said to be missing.
    Import(Cut(dxf, Read(dxf).indexOf("MTEXT")));
    ExpectReport(MsgKind::Warning, QStringLiteral("cut-") + read, Text(TextKey::ImportReportCut));
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 10);
}

// A curve that the file gives only by points on it is drawn through them, and the report
// says so rather than calling the file read as it stands.
TEST_F(ImportReports, DxfNamesSplinesDrawnThroughTheirFitPoints)
{
    const QString dxf = TempPath(QStringLiteral("fit.dxf"));
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, R"(import sys, ezdxf
doc = ezdxf.new("R2000")
doc.modelspace().add_spline([(0, 0), (10, 10), (25, 0), (40, 15)])
doc.saveas(sys.argv[1])
)"));
    Import(dxf);
    ExpectReport(MsgKind::Warning, QStringLiteral("fit.dxf \r\nLine objects: 1\r\n"),
                 QStringLiteral("Simplified:\r\nSplines given only by points on the curve, drawn as a smooth curve "
                                "through them (SPLINE): 1"));
}

TEST_F(ImportReports, IllustratorFileSaysWhatItReadAndThatAHalfIsMissing)
{
    const QString svg = TempPath(QStringLiteral("drawing.svg"));
    QFile f(svg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Drawing);
    f.close();
    const QString eps = TempPath(QStringLiteral("drawing.eps"));
    const QString ai = TempPath(QStringLiteral("drawing.ai"));
    ASSERT_TRUE(RunTool(QStringLiteral("inkscape"), {svg, QStringLiteral("--export-filename=") + eps}));
    ASSERT_TRUE(RunTool(QStringLiteral("pstoedit"), {QStringLiteral("-f"), QStringLiteral("ps2ai"), eps, ai}));
    Import(ai);
    ExpectReport(MsgKind::Info, QStringLiteral("drawing.ai \r\nLine objects: 2\r\nArea objects: 1"), {});
    EXPECT_FALSE(Report().contains(Text(TextKey::ImportReportLeftOut)));

    const int before = Index.ActiveZmd->HighestObject;
    // Cut before the first stroke: the filled letter came in, the lines did not.
    Import(Cut(ai, Read(ai).indexOf("\nS\n") + 1));
    ExpectReport(MsgKind::Warning, QStringLiteral("Area objects: 1\r\n"), Text(TextKey::ImportReportCut));
    EXPECT_EQ(Index.ActiveZmd->HighestObject, before + 1);
}

} // namespace
} // namespace zemo::test
