// The DXF and shape exports of a map whose open refused a symbol record: the objects of that
// symbol stay out of the files, and the export says so, naming the symbol and counting its
// objects in each file; the files hold the rest, as ogrinfo reads them.
#include "../external/DbfTestFile.h"
#include "../support/ProgramFixture.h"
#include "ShapeTestSet.h"
#include "document/Index.h"
#include "io/shape/widgets/ShapeDlgs.h"
#include "io/widgets/ExpDxfDlg.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class ExportLeftOut : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        // Symbol 12.3 is larger than a symbol record may be: the open leaves it out.
        w.symbols = {TestSymbol::Point(1120), TestSymbol::Raw(123, 1, 29408), TestSymbol::Line(1010)};
        w.objects = {TestObject::Point(1120, 0, 0), TestObject::Point(123, Mm, Mm),
                     TestObject::Line(1010, {{0, 0}, {10 * Mm, 0}}), TestObject::Point(123, 2 * Mm, Mm),
                     TestObject::Line(123, {{0, Mm}, {10 * Mm, Mm}})};
        messages.SetDefaultAnswer(IdOk);
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("refused.zmd")));
        ASSERT_EQ(messages.CountOf(TextKey::SkippedSymbols), 1);
        messages.Clear();
    }
    void Export(Cmd c)
    {
        QTimer::singleShot(0, [] {
            if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dlg->accept();
        });
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c)->isEnabled());
        Trigger(c);
    }
    // What the export said about each file it wrote without some objects.
    QStringList Said() const
    {
        QStringList out;
        for (const auto& e : messages.Entries())
            if (e.msg.key == TextKey::ExportLeftOutSymbols) {
                EXPECT_EQ(e.msg.kind, MsgKind::Warning);
                out << MessageText(e.msg);
            }
        return out;
    }
    static QString Says(const QString& file, int objects)
    {
        return QStringLiteral("The file %1 was written without the objects of these symbols, which this map does not "
                              "hold (their records were left out when it was opened): \r\nSymbol 12.3: %2")
            .arg(file)
            .arg(objects);
    }
    static QString Ogrinfo(const QString& path)
    {
        QString error;
        const QString out = RunTool(QStringLiteral("ogrinfo"), {QStringLiteral("-al"), QStringLiteral("-ro"), path}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return out;
    }
};

TEST_F(ExportLeftOut, DxfSaysWhichSymbolsObjectsItLeftOut)
{
    const QString dxf = TempPath(QStringLiteral("out.dxf"));
    dialogs.QueueAnswer(true, dxf);
    Export(Cmd::FileExportDxf);
    EXPECT_EQ(Said(), QStringList{Says(QStringLiteral("out.dxf"), 3)});
    const QString read = Ogrinfo(dxf);
    EXPECT_TRUE(read.contains(QStringLiteral("Feature Count: 2"))) << read.toStdString();
    EXPECT_TRUE(read.contains(QStringLiteral("Layer (String) = 1120"))) << read.toStdString();
    EXPECT_TRUE(read.contains(QStringLiteral("Layer (String) = 1010"))) << read.toStdString();
    EXPECT_FALSE(read.contains(QStringLiteral("Layer (String) = 123"))) << read.toStdString();
}

// Each set says what it lacks: the points two, the lines one; the sets of areas and texts
// lack nothing of theirs and say nothing.
TEST_F(ExportLeftOut, ShapeSetsSayWhichSymbolsObjectsTheyLeftOut)
{
    for (const char* name : {"out_pt.shp", "out_ln.shp", "out_ar.shp", "out_tx.shp"})
        dialogs.QueueAnswer(true, TempPath(QString::fromLatin1(name)));
    Export(Cmd::FileExportShape);
    EXPECT_EQ(Said(), (QStringList{Says(QStringLiteral("out_pt.shp"), 2), Says(QStringLiteral("out_ln.shp"), 1)}));
    const QString points = Ogrinfo(TempPath(QStringLiteral("out_pt.shp")));
    EXPECT_TRUE(points.contains(QStringLiteral("Feature Count: 1"))) << points.toStdString();
    EXPECT_TRUE(points.contains(QStringLiteral("SYMBOL (Real) = 112.0"))) << points.toStdString();
    const QString lines = Ogrinfo(TempPath(QStringLiteral("out_ln.shp")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Feature Count: 1"))) << lines.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("SYMBOL (Real) = 101.0"))) << lines.toStdString();
}

// Areas whose outline has fewer than three points and lines of one point, of another
// program's making, have nothing a reader could draw: they stay out of the sets, and each set
// says which symbols' objects it left out and how many; the rest is written.
TEST_F(ExportLeftOut, ShapeSetsNameTheObjectsWithNothingToDraw)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Area(405), TestSymbol::Area(406), TestSymbol::Line(101)};
    w.objects = {TestObject::Area(405, {{0, 0}, {Mm, 0}}), TestObject::Area(405, {{0, 0}, {Mm, Mm}, {0, 0}}),
                 TestObject::Area(406, {{0, 0}, {Mm, 0}, {Mm, Mm}}), TestObject::Line(101, {{0, 0}}),
                 TestObject::Line(101, {{0, 0}, {Mm, 0}})};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("tiny.zmd")));
    messages.Clear();
    for (const char* name : {"tiny_pt.shp", "tiny_ln.shp", "tiny_ar.shp", "tiny_tx.shp"})
        dialogs.QueueAnswer(true, TempPath(QString::fromLatin1(name)));
    Export(Cmd::FileExportShape);
    QStringList said;
    for (const auto& e : messages.Entries())
        if (e.msg.key == TextKey::ExportLeftOutNoExtent) {
            EXPECT_EQ(e.msg.kind, MsgKind::Warning);
            said << MessageText(e.msg);
        }
    const auto says = [](const char* file, const char* lines) {
        return QStringLiteral("The file %1 was written without these objects, which have nothing to draw: areas whose "
                              "outline has fewer than three points, lines of one point: \r\n%2")
            .arg(QString::fromLatin1(file), QString::fromLatin1(lines));
    };
    EXPECT_EQ(said, (QStringList{says("tiny_ln.shp", "Symbol 10.1: 1"), says("tiny_ar.shp", "Symbol 40.5: 2")}));
    EXPECT_EQ(messages.CountOf(TextKey::ExportLeftOutSymbols), 0);
    const auto FileBytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // The triangle alone: one index record, one polygon of four points (closed).
    const QByteArray shx = FileBytes(TempPath(QStringLiteral("tiny_ar.shx")));
    EXPECT_EQ(shx.size(), 108);
    const QByteArray shp = FileBytes(TempPath(QStringLiteral("tiny_ar.shp")));
    ASSERT_GE(shp.size(), 100 + 8 + 44 + 4 + 64);
    EXPECT_EQ(LE32At(shp, 108), 5);
    EXPECT_EQ(LE32At(shp, 108 + 36), 1) << "parts";
    EXPECT_EQ(LE32At(shp, 108 + 40), 4) << "points";
    const QString areas = Ogrinfo(TempPath(QStringLiteral("tiny_ar.shp")));
    EXPECT_TRUE(areas.contains(QStringLiteral("Feature Count: 1"))) << areas.toStdString();
    EXPECT_TRUE(areas.contains(QStringLiteral("SYMBOL (Real) = 40.6"))) << areas.toStdString();
    const QString lines = Ogrinfo(TempPath(QStringLiteral("tiny_ln.shp")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Feature Count: 1"))) << lines.toStdString();
}

} // namespace
} // namespace zemo::test
